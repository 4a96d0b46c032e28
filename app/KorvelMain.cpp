#include "app/KorvelMain.h"

#include <stdexcept>

#include "config/ModalService.h"
#include "app/OptionsWindow.h"
#include "app/PageNumbers.h"
#include "app/TabOrder.h"
#include "app/models/TrayMenuItems.h"
#include "banks/BankLoading.h"
#include "banks/DeviceAccess.h"
#include "config/ErrorBox.h"
#include "config/StatusLine.h"
#include "resources/forms/ControlIds.h"
#include "resources/forms/MainForm.h"

namespace korvel {

namespace {
constexpr char kTrayOperation[] = "Form1::TrayMenuClick";
}  // namespace

TForm1::TForm1(Application& application)
    : Window(application.Modal()), application_(application), trayIcon_(application) {
  HINSTANCE instance = application.Instance();
  RegisterFormClass(instance, forms::kMainForm.className, Window::Procedure, LoadIconA(instance, "MAINICON"));
  // Owned by the application's window, which carries the taskbar button.
  if (!form_.Build(forms::kMainForm, instance, application.Handle(), this))
    throw std::runtime_error("The main window could not be created");
  bankPage_ = std::make_unique<BankPage>(form_, instance, Modal());
  presetPage_ = std::make_unique<PresetPage>(form_, instance);
  midiDevicesPage_ = std::make_unique<MidiDevicesPage>(form_, instance, Modal());
  aboutPage_ = std::make_unique<AboutPage>(form_, instance);
  application.SetMainWindow(Handle());
  Modal().SetDeferredWork([this] { ReadDeviceForDisplay(); });
  SetStatusLine([this](const std::string& text) { SetWindowTextA(form_.Control(ctl::StatusLine), text.c_str()); });
  application.OnMainWindowKey = [this](const MSG& message) {
    return Modal().HandleAsOperation([&] { return MainWindowKey(message); }) != 0;
  };
  ModalService::Operation startUp(Modal());
  try {
    FormCreate();
  } catch (const std::exception&) {
    Modal().ShowException(std::current_exception());
  }
}

TForm1::~TForm1() {
  application_.OnMainWindowKey = nullptr;
  Modal().SetDeferredWork(nullptr);
  SetStatusLine(nullptr);
  if (Handle() && IsWindow(Handle())) DestroyWindow(Handle());
}

LRESULT TForm1::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam), lParam == 0);
      return 0;
    case WM_NOTIFY:
      if (HandlePageChange(*reinterpret_cast<const NMHDR*>(lParam))) midiDevicesPage_->FollowVisibility();
      return 0;
    case WM_ACTIVATE:
      if (FollowActivation(wParam)) return 0;
      break;
    case WM_WINDOWPOSCHANGED:
      // Shown, hidden in the tray, minimized or restored.
      if (midiDevicesPage_) midiDevicesPage_->FollowVisibility();
      break;
    case WM_DRAWITEM:
      return bankPage_->DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    case WM_CONTEXTMENU:
      if (bankPage_->ContextMenu(reinterpret_cast<HWND>(wParam))) return 0;
      break;
    case WM_PAINT:
      FormPaint();
      return 0;
    case WM_CLOSE:
      // The taskbar's Close, the system menu's or a task manager's: as
      // "&Close", so that the user can still save or cancel; with a dialog
      // open, once the user has done with it.
      if (Modal().DeclineWhileModal()) {
        Modal().WhenNoModalWindow([window] { PostMessageA(window, WM_CLOSE, 0, 0); });
        return 0;
      }
      Button1Click();
      return 0;
    case WM_QUERYENDSESSION:
      return !Modal().DeclineWhileModal() && MayEnd() ? TRUE : FALSE;
    case WM_ENDSESSION:
      // Windows ends the process once this returns: shut down properly first.
      if (wParam) EndProgram();
      return 0;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_MINIMIZE) {
        MinButtonClick();
        return 0;
      }
      break;
    case WM_DESTROY: {
      // The message loop ends even if shut-down fails half-way.
      struct EndLoop {
        ~EndLoop() { PostQuitMessage(0); }
      } endLoop;
      FormDestroy();
      return 0;
    }
    case kRunBankSwitchingRequests:
      if (state_) state_->requests.RunPendingRequests();
      return 0;
    default:
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// Menus report their items with no control; controls with their window.
// The tray menu's bank items use ids that controls use too.
void TForm1::OnCommand(int id, int code, bool fromMenu) {
  if (fromMenu) {
    OnMenuCommand(id);
    return;
  }
  switch (id) {
    case ctl::Button1:
      Button1Click();
      return;
    case ctl::MinButton:
      MinButtonClick();
      return;
    case ctl::ShowOptsButton:
      ShowOptsButtonClick();
      return;
    case ctl::DeviceSelect:
      if (code == CBN_SELCHANGE) DeviceSelectChange();
      return;
    default:
      break;
  }
  if (id >= ctl::BankGroup && id < ctl::CPBox) bankPage_->OnCommand(id, code);
  else if (id >= ctl::CPBox && id < ctl::ConnImage) presetPage_->OnCommand(id, code);
  else if (id >= ctl::ConnImage && id < ctl::LogoImage) midiDevicesPage_->OnCommand(id, code);
}

void TForm1::OnMenuCommand(int id) {
  switch (id) {
    case IDOK:
    case IDCANCEL:
      return;  // Enter and Escape, passed on by the dialog keys
    case ctl::N1:
      N1Click();
      return;
    case ctl::Close1:
      Button1Click();
      return;
    case ctl::Load1:
    case ctl::Refresh1:
    case ctl::Unload1:
    case ctl::Clear1:
      bankPage_->OnCommand(id, 0);
      return;
    default:
      TrayMenuClick(id);
      return;
  }
}

void TForm1::Button1Click() {
  if (MayEnd()) EndProgram();
}

// A preset that is saved automatically is saved now, while a failed save
// can still keep Korvel running; otherwise the user may save, discard or
// cancel the end.
bool TForm1::MayEnd() { return !state_ || state_->presets.SaveBeforeEnding(); }

// Never while a modal window is open: what it works on would go under it.
// The preset was saved or asked about before (MayEnd), so shut-down leaves
// it alone; if the window stays, a later end saves or asks again.
void TForm1::EndProgram() {
  if (Modal().DeclineWhileModal()) return;
  presetSettled_ = true;
  DestroyWindow(Handle());
  presetSettled_ = false;
}

// Nothing on the window follows the changes: they take effect where the
// flags are next read, some at the next start.
void TForm1::ShowOptsButtonClick() {
  if (state_) RunOptionsDialog(application_.Instance(), Modal(), state_->config, state_->registry);
}

// With the tray icon there, only the icon is left.
void TForm1::MinButtonClick() { application_.Minimize(); }

void TForm1::DeviceSelectChange() {
  if (!state_) return;
  const LRESULT selected = SendMessageA(form_.Control(ctl::DeviceSelect), CB_GETCURSEL, 0, 0);
  Configuration& config = state_->config;
  if (selected == CB_ERR || selected == config.curdev) return;
  config.curdev = static_cast<std::int32_t>(selected);
  RebuildBankList();
  DrawMemoryGraph();
  config.cursheet = 0;
  ShowTab(TabOfPageNumber(0));
}

void TForm1::ShowTab(int tab) {
  SelectPage(form_.Control(ctl::BankPage), tab);
  midiDevicesPage_->FollowVisibility();
}

// Tab and Shift+Tab go through the tab stops with the page tabs among them;
// Ctrl+Tab and Ctrl+Shift+Tab turn to the next or previous page, as
// property sheets do; Enter presses the focused button, as in a dialog. A
// control that takes the key itself keeps it.
bool TForm1::MainWindowKey(const MSG& message) {
  if ((message.wParam != VK_TAB && message.wParam != VK_RETURN) || GetKeyState(VK_MENU) < 0) return false;
  const LRESULT wanted =
      SendMessageA(message.hwnd, WM_GETDLGCODE, message.wParam, reinterpret_cast<LPARAM>(&message));
  if (message.wParam == VK_RETURN) {
    if (!(wanted & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON))) return false;
    SendMessageA(message.hwnd, BM_CLICK, 0, 0);
    return true;
  }
  const bool back = GetKeyState(VK_SHIFT) < 0;
  if (GetKeyState(VK_CONTROL) < 0) {
    TurnPage(back ? -1 : 1);
    return true;
  }
  if (wanted & (DLGC_WANTTAB | DLGC_WANTALLKEYS)) return false;
  if (HWND next = NextTabStop(Handle(), GetFocus(), back)) SetFocus(next);
  return true;
}

// A control of the page left behind would keep the focus unseen: the page
// tabs take it.
void TForm1::TurnPage(int step) {
  HWND tabs = form_.Control(ctl::BankPage);
  const int count = PageCount(tabs);
  if (count <= 0) return;
  ShowTab(((SelectedPage(tabs) + step) % count + count) % count);
  HWND focus = GetFocus();
  if (focus && IsChild(tabs, focus) && !IsWindowVisible(focus)) SetFocus(tabs);
}

// As a dialog does, so that the keyboard goes on where it was after a
// dialog, a box or another program.
bool TForm1::FollowActivation(WPARAM wParam) {
  HWND window = Handle();
  if (LOWORD(wParam) == WA_INACTIVE) {
    HWND focus = GetFocus();
    focusWhenLeft_ = focus && IsChild(window, focus) ? focus : nullptr;
    return false;
  }
  HWND focus = focusWhenLeft_;
  focusWhenLeft_ = nullptr;
  if (HIWORD(wParam) || !focus || !IsWindow(focus) || !IsChild(window, focus) || !IsWindowVisible(focus) ||
      !IsWindowEnabled(focus))
    return false;
  SetFocus(focus);
  return true;
}

void TForm1::N1Click() {
  application_.Restore();
  SetForegroundWindow(Handle());
}

// A device item makes that device the current one; a bank item loads the
// bank assigned to that slot of the current device.
void TForm1::TrayMenuClick(int tag) {
  if (!state_) return;
  const TrayChoice choice = TrayChoiceOfTag(tag);
  DeviceTable& devices = state_->devices;
  Configuration& config = state_->config;
  if (choice.kind == TrayChoice::kIllegal) {
    ErrorBox("Illegal menuitem index!");
    return;
  }
  if (choice.kind == TrayChoice::kDevice) {
    if (choice.number >= devices.Count()) return;
    config.curdev = choice.number;
    SendMessageA(form_.Control(ctl::DeviceSelect), CB_SETCURSEL, static_cast<WPARAM>(choice.number), 0);
    BuildTrayMenu();
    if (!IsMainWindowMinimized()) {
      RebuildBankList();
      DrawMemoryGraph();
    }
    return;
  }
  ErrorState& errors = state_->errors;
  errors.ErrorCode = kErrOk;
  const DeviceAccess access(devices, config.curdev);
  if (errors.ErrorCode != kErrOk) {
    ReportError(errors, kTrayOperation);
    return;
  }
  ProgressReset();
  LoadBank(devices, config.curdev, choice.number, devices.Device(config.curdev).paths[choice.number]);
  ProgressReset();
  if (errors.ErrorCode != kErrOk) ReportError(errors, kTrayOperation);
  if (!IsMainWindowMinimized()) {
    devices.ReadAllMemInfo();
    DrawMemoryGraph();
  }
  RebuildBankList();
}

// Inside another operation (a load repaints the window, a box was over it)
// the device is in the middle of that operation's work: the paint shows
// what is known and the device is read once the operation is over.
void TForm1::FormPaint() {
  PAINTSTRUCT paint;
  BeginPaint(Handle(), &paint);
  EndPaint(Handle(), &paint);
  if (!Modal().InNestedOperation()) {
    ReadDeviceForDisplay();
    return;
  }
  Modal().DeferWork();
}

void TForm1::ReadDeviceForDisplay() {
  if (!running_ || !state_ || state_->devices.Count() == 0) return;
  DeviceTable& devices = state_->devices;
  const int dev = state_->config.curdev;
  ProgressReset();
  const DeviceAccess access(devices, dev);
  RefreshAllSlots(devices, false);
  RebuildBankList();
  devices.ReadAllMemInfo();
  DrawMemoryGraph();
}

}  // namespace korvel
