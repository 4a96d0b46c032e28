// Setup's window `TForm1`: shows what the model read, hands the user's
// choices to it, and ends the program after either button.
#pragma once

#include <windows.h>

#include "app/FormBuilder.h"
#include "app/Window.h"
#include "config/ModalService.h"
#include "setup/SetupModel.h"

namespace korvel {

class SetupWindow final : public Window {
 public:
  // Builds the window and runs FormCreate; throws when it cannot be made.
  explicit SetupWindow(HINSTANCE instance);
  ~SetupWindow() override;

  // Shows the window and runs the message loop until a button ends it.
  int Run();

 private:
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  void FormCreate();
  void Button1Click();
  void Button2Click();
  bool Checked(int id) const;
  void End();

  ModalService modality_;
  SetupModel model_;
  Form form_;
  bool ended_ = false;
};

}  // namespace korvel
