#include "app/KorvelMain.h"
#include "app/MidiProbe.h"

#include <cstring>
#include <stdexcept>
#include <string>

#include "resources/forms/ControlIds.h"
#include "resources/forms/MainForm.h"

namespace korvel {

void ShowException(HWND owner, const char* what) {
  std::string text = what && *what ? what : "Unknown exception";
  if (text.back() != '.') text += '.';
  MessageBoxA(owner, text.c_str(), "Korvel", MB_OK | MB_ICONSTOP);
}

TForm1::TForm1(HINSTANCE instance) : instance_(instance) {
  RegisterFormClass(instance, forms::kMainForm.className, WindowProc, LoadIconA(instance, "MAINICON"));
  if (!form_.Build(forms::kMainForm, instance, nullptr, this))
    throw std::runtime_error("The main window could not be created");
  UserInterfaceTurn::Operation startUp(turn_);
  try {
    FormCreate();
  } catch (const std::exception& error) {
    ShowException(Handle(), error.what());
  }
}

TForm1::~TForm1() {
  if (Handle() && IsWindow(Handle())) DestroyWindow(Handle());
}

void TForm1::ShowMainWindow() {
  ShowWindow(Handle(), showCommand_);
  UpdateWindow(Handle());
}

LRESULT CALLBACK TForm1::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<TForm1*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (message == WM_NCDESTROY) SetWindowLongPtrA(window, GWLP_USERDATA, 0);
  if (!self) return DefWindowProcA(window, message, wParam, lParam);
  // An exception while a message is handled is shown and the program goes
  // on. Handling a message, and showing such a box, is an operation during
  // which MIDI requests wait; their own turn decides for itself.
  try {
    if (message == kRunBankSwitchingRequests) {
      self->RunBankSwitchingRequests();
      return 0;
    }
    UserInterfaceTurn::Operation operation(self->turn_);
    return self->HandleMessage(window, message, wParam, lParam);
  } catch (const std::exception& error) {
    UserInterfaceTurn::Operation operation(self->turn_);
    ShowException(window, error.what());
  } catch (...) {
    UserInterfaceTurn::Operation operation(self->turn_);
    ShowException(window, nullptr);
  }
  return 0;
}

void TForm1::RunBankSwitchingRequests() {
  if (state_) state_->requests.RunPendingRequests();
}

LRESULT TForm1::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_NOTIFY:
      HandlePageChange(*reinterpret_cast<const NMHDR*>(lParam));
      return 0;
    case WM_DESTROY: {
      // The message loop ends even if shut-down fails half-way.
      struct EndLoop {
        ~EndLoop() { PostQuitMessage(0); }
      } endLoop;
      FormDestroy();
      return 0;
    }
    default:
      if (message == MidiProbeMessage()) return AnswerMidiProbe(wParam, lParam);
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

void TForm1::OnCommand(int id, int code) {
  if (code != BN_CLICKED) return;
  switch (id) {
    case ctl::Button1:
      Button1Click();
      break;
    default:
      break;
  }
}

void TForm1::Button1Click() {
  // A preset that is saved automatically is saved at shut-down; otherwise
  // the user may save, discard or cancel the close.
  if (state_ && !state_->presets.SavesAutomatically() && state_->presets.CheckPresetSave() == 0) {
    return;
  }
  EndProgram();
}

void TForm1::EndProgram() { DestroyWindow(Handle()); }

}  // namespace korvel
