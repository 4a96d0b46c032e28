// The borderless start-up window that shows what start-up is doing.
#pragma once

#include <windows.h>

#include "app/FormBuilder.h"

namespace korvel {

class TWaitDialog {
 public:
  // Creates the window (hidden) with `owner` as its owner.
  TWaitDialog(HINSTANCE instance, HWND owner);
  ~TWaitDialog() = default;  // the form destroys the window
  TWaitDialog(const TWaitDialog&) = delete;
  TWaitDialog& operator=(const TWaitDialog&) = delete;

  HWND Handle() const { return form_.Handle(); }
  // Shows the window without making it modal and paints it at once.
  void Show();
  // The image `Logo` that start-up writes its progress texts on.
  HWND Logo() const;

 private:
  Form form_;
};

}  // namespace korvel
