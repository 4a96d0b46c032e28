#include "app/WaitDialog.h"

#include "resources/forms/WaitForm.h"

namespace korvel {

namespace {

LRESULT CALLBACK WaitDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

TWaitDialog::TWaitDialog(HINSTANCE instance, HWND owner) {
  WNDCLASSA existing;
  if (!GetClassInfoA(instance, forms::kWaitForm.className, &existing))
    RegisterFormClass(instance, forms::kWaitForm.className, WaitDialogProc, nullptr);
  form_.Build(forms::kWaitForm, instance, owner, nullptr);
}

void TWaitDialog::Show() {
  ShowWindow(form_.Handle(), SW_SHOW);
  UpdateWindow(form_.Handle());
}

HWND TWaitDialog::Logo() const { return form_.Control(ctl::Logo); }

}  // namespace korvel
