// The "About" page: the logo, into which start-up writes the version, and
// the release, author, help and distribution lines.
#pragma once

#include <windows.h>

#include "app/FormBuilder.h"

namespace korvel {

class AboutPage {
 public:
  AboutPage(Form& form, HINSTANCE instance);
  // The logo picture; the wait dialog shows it too.
  HWND LogoImage() const;

 private:
  Form& form_;
};

}  // namespace korvel
