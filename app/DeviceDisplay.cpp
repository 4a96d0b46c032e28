// What the device layer asks of the main window: the device selector, the
// progress bar, and the window's state.
#include <commctrl.h>

#include "app/KorvelMain.h"
#include "banks/DeviceSelector.h"
#include "resources/forms/ControlIds.h"

namespace korvel {

void TForm1::FillDeviceSelector() {
  if (!state_) return;
  HWND selector = form_.Control(ctl::DeviceSelect);
  if (!selector) return;
  const DeviceSelectorContent content = DeviceSelectorLines(state_->devices, state_->config);
  SendMessageA(selector, CB_RESETCONTENT, 0, 0);
  for (const std::string& entry : content.entries)
    SendMessageA(selector, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
  SendMessageA(selector, CB_SETCURSEL, static_cast<WPARAM>(content.selected), 0);
}

// The bank list is rebuilt here once the "Bank Manager" page has it.
void TForm1::RebuildBankList() {}

// The tray menu is built here once the tray icon has it.
void TForm1::BuildTrayMenu() {}

void TForm1::ProgressStep() {
  HWND bar = form_.Control(ctl::ProgressBar);
  if (!bar) return;
  SendMessageA(bar, PBM_SETSTEP, 1, 0);
  SendMessageA(bar, PBM_STEPIT, 0, 0);
}

void TForm1::ProgressReset() {
  if (HWND bar = form_.Control(ctl::ProgressBar)) SendMessageA(bar, PBM_SETPOS, 0, 0);
}

// A window that start-up left hidden to come up minimized counts as minimized.
bool TForm1::IsMainWindowMinimized() {
  if (IsIconic(Handle())) return true;
  return !IsWindowVisible(Handle()) && showCommand_ == SW_SHOWMINNOACTIVE;
}

void TForm1::RepaintMainWindow() {
  InvalidateRect(Handle(), nullptr, TRUE);
  UpdateWindow(Handle());
}

// "Virtual Bank Mode" (cbVBMode) is ticked or cleared and the unload button
// (UnloadBankButton) enabled or disabled here once the bank page has them.
void TForm1::ShowVirtualBankMode(bool) {}

}  // namespace korvel
