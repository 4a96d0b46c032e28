#include "setup/SetupWindow.h"

#include <stdexcept>
#include <string>

#include "config/ModalService.h"
#include "resources/forms/SetupForm.h"
#include "setup/Product.h"

namespace korvel {

namespace {

// Gives the window its outer size, centred on the work area's screen.
void SizeAndCentre(HWND window, int width, int height) {
  const int left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  SetWindowPos(window, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

// The base class reaches the turn only once a message arrives, after the
// members are made.
SetupWindow::SetupWindow(HINSTANCE instance) : Window(modality_) {
  RegisterFormClass(instance, forms::kSetupForm.className, Window::Procedure,
                    LoadIconA(instance, "MAINICON"));
  if (!form_.Build(forms::kSetupForm, instance, nullptr, this))
    throw std::runtime_error("The Setup window could not be created");
  SizeAndCentre(form_.Handle(), forms::kSetupWindowWidth, forms::kSetupWindowHeight);
  // Setup's boxes are owned by its window, which they disable while open.
  modality_.SetMainWindow(reinterpret_cast<platform::Window>(form_.Handle()));
  FormCreate();
}

SetupWindow::~SetupWindow() {
  if (IsWindow(form_.Handle())) DestroyWindow(form_.Handle());
}

int SetupWindow::Run() {
  ShowWindow(form_.Handle(), SW_SHOW);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (IsDialogMessageA(form_.Handle(), &message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}

void SetupWindow::FormCreate() {
  SetWindowTextA(form_.Handle(), product::kSetupTitle);
  model_.FormCreate();
  SetWindowTextA(form_.Control(ctl::setup::edBankFolder), model_.Config().bankfolder);
}

LRESULT SetupWindow::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wParam) != BN_CLICKED) break;
      if (LOWORD(wParam) == ctl::setup::Button1) Button1Click();
      else if (LOWORD(wParam) == ctl::setup::Button2) Button2Click();
      return 0;
    case WM_CLOSE:
      // Closing the window is cancelling: nothing is written.
      Button2Click();
      return 0;
    default:
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void SetupWindow::Button1Click() {
  HWND edit = form_.Control(ctl::setup::edBankFolder);
  std::string bankFolder(static_cast<std::size_t>(GetWindowTextLengthA(edit)) + 1, '\0');
  bankFolder.resize(static_cast<std::size_t>(GetWindowTextA(edit, &bankFolder[0], static_cast<int>(bankFolder.size()))));
  SetupChoices choices;
  choices.soundFontDevices = Checked(ctl::setup::cbSFD);
  choices.ews64 = Checked(ctl::setup::cbEWS64);
  choices.bankFolder = bankFolder.c_str();
  model_.Button1Click(choices);
  End();
}

void SetupWindow::Button2Click() {
  model_.Button2Click();
  End();
}

bool SetupWindow::Checked(int id) const {
  return SendMessageA(form_.Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// Either button ends the program with exit code 0; a second click that
// arrives before the window is gone does nothing.
void SetupWindow::End() {
  if (ended_) return;
  ended_ = true;
  DestroyWindow(form_.Handle());
  PostQuitMessage(0);
}

}  // namespace korvel
