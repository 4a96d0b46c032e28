#include "app/AboutPage.h"

#include "resources/forms/AboutPageForm.h"

namespace korvel {

AboutPage::AboutPage(Form& form, HINSTANCE instance) : form_(form) {
  form_.Add(forms::kAboutPageControls, forms::kAboutPageControlCount, instance);
}

HWND AboutPage::LogoImage() const { return form_.Control(ctl::LogoImage); }

}  // namespace korvel
