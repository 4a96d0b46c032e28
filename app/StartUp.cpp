// The main window's start-up (FormCreate) and shut-down (FormDestroy)
// sequences and the progress texts of the wait dialog.
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <new>

#include "app/ImageControl.h"
#include "app/KorvelMain.h"
#include "app/PageNumbers.h"
#include "banks/DeviceTable.h"
#include "banks/ErrorReport.h"
#include "banks/ews64/Ews64Backend.h"
#include "banks/soundfont/SoundFontBackend.h"
#include "config/ConfigurationStore.h"
#include "config/ErrorBox.h"
#include "config/PathHelpers.h"
#include "config/TextHelpers.h"
#include "KorvelVersion.h"
#include "resources/forms/ControlIds.h"

namespace korvel {

namespace {

constexpr std::size_t kPathScratchSize = 200;
constexpr int kProgressTextTop = 125;
constexpr char kVersionText[] = "Version " KORVEL_VERSION;
constexpr char kNoBankFolders[] =
    "You have not set bank folders for Korvel\n\n"
    "After you press OK all your loade bank files will show greyedbecause Korvel was unable to "
    "detect their location. You canset the bank folder(s) manually in the Configuration page,or "
    "let Korvel detect them while you load new banks.";

platform::Window AsOwner(HWND window) { return reinterpret_cast<platform::Window>(window); }

// Length of a text field that may fill its buffer without a terminator.
int FieldLength(const char* field, std::size_t size) {
  const void* end = std::memchr(field, '\0', size);
  return static_cast<int>(end ? static_cast<const char*>(end) - field : static_cast<std::ptrdiff_t>(size));
}

}  // namespace

void TForm1::FormCreate() {
  state_ = std::make_unique<AppState>(*this, *this, Modal());
  bankPage_->Attach(*state_);
  presetPage_->Attach(*state_);
  midiDevicesPage_->Attach(*state_);
  BeginStartUp();
  // The bank layer's working buffers come before anything takes from the scratch ring.
  state_->devices.InitBankLayer();
  StopOnStartUpError();
  char* pathScratch = TakePathScratch();
  OpenWaitDialog();
  ShowProgress("Reading configuration...");
  ReadStoredConfiguration(pathScratch);
  bankPage_->LayoutBankPage(state_->config.Has(MoreInfo));
  ShowProgress("Opening wavetable device drivers...");
  PrepareWavetableBackends();
  ShowProgress("Opening MIDI drivers...");
  OpenMidiRouting();
  ShowProgress("Loading instrument bank information...");
  LoadMostRecentPreset();
  ShowProgress("Finishing Startup...");
  DeviceSelectChange();
  BuildTrayMenu();
  LoadProgramIcon();
  // The tray icon comes before any minimizing, so that a minimized program
  // hides in the tray. The connection map is drawn here once it exists.
  AddTrayIcon();
  if (state_->config.Has(StartMin)) application_.Minimize();
  state_->scratch.Release();
  if (state_->devices.Count() == 0) bankPage_->EnableBankControls(false);
  WarnAboutMissingBankFolders();
  WriteVersionIntoLogo();
  state_->UpdatingControls = 0;
  SelectStoredPage();
  CloseWaitDialog();
  running_ = true;
}

void TForm1::BeginStartUp() {
  state_->UpdatingControls = 1;
  Modal().SetMainWindow(AsOwner(Handle()));
  bankPage_->SelectLine(0);
  SetWindowTextA(Handle(), "Korvel");
}

// Without it start-up cannot go on: out of memory, as for the buffers.
char* TForm1::TakePathScratch() {
  char* scratch = nullptr;
  try {
    scratch = state_->scratch.Take(kPathScratchSize);
  } catch (const std::bad_alloc&) {
    state_->errors.ErrorCode = kErrOutOfMemory;
  }
  StopOnStartUpError();
  return scratch;
}

void TForm1::StopOnStartUpError() {
  if (state_->errors.ErrorCode == kErrOk) return;
  ReportError(state_->errors, "Form1::FormCreate");
  ExitProcess(0);
}

void TForm1::OpenWaitDialog() {
  WaitDialog = std::make_unique<TWaitDialog>(application_.Instance(), Handle());
  SetWindowTextA(WaitDialog->Handle(), "Korvel");
  WaitDialog->Show();
}

void TForm1::ShowProgress(const char* text) {
  if (!WaitDialog) return;
  HWND logo = WaitDialog->Logo();
  Picture* canvas = ImagePicture(logo);
  const Picture* picture = ImagePicture(form_.Control(ctl::LogoImage));
  if (!canvas || !picture) return;
  // The logo covers the previous text.
  picture->DrawTo(canvas->Canvas(), 0, 0);
  DrawCentredText(canvas->Canvas(), canvas->Width(), form_.FontOf(ctl::txtFB), text, kProgressTextTop);
  RepaintNow(logo);
}

void TForm1::ReadStoredConfiguration(char* pathScratch) {
  Configuration& config = state_->config;
  state_->registry.InitRegistry("Quennet", "Korvel");
  WindowEdges edges;
  ReadConfiguration(config, edges, state_->registry);
  if (edges.left != -1 || edges.top != -1) {
    RECT frame{};
    GetWindowRect(Handle(), &frame);
    SetWindowPos(Handle(), nullptr, edges.left != -1 ? edges.left : frame.left,
                 edges.top != -1 ? edges.top : frame.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (config.lastpath[0] == '\0') BoundedCopy(config.lastpath, config.homedir, sizeof config.lastpath);
  DeleteLeftoverInstaller(pathScratch);
}

// Every start removes an installer copy left in the home folder, but never
// one elsewhere: an empty or odd `homedir` would name "\Setup.exe" at the
// root of the current drive.
void TForm1::DeleteLeftoverInstaller(char* path) {
  const Configuration& config = state_->config;
  if (!HasDriveLetter(config.homedir) || config.homedir[2] != '\\') return;
  std::snprintf(path, kPathScratchSize, "%.*s\\Setup.exe",
                FieldLength(config.homedir, sizeof config.homedir), config.homedir);
  if (FileIsPresent(path)) platform::DeleteFileA(path);
}

void TForm1::PrepareWavetableBackends() {
  Configuration& config = state_->config;
  // With neither the EWS64 driver nor the SoundFont manager asked for, both
  // are tried; the AWE manager alone does not count.
  if (!config.Has(UseEWS64) && !config.Has(UseSFD)) {
    config.Set(UseEWS64, true);
    config.Set(UseSFD, true);
  }
  DeviceTable& devices = state_->devices;
  if (config.Has(UseEWS64)) {
    devices.Ews64().OpenEws64Driver();
    StopOnStartUpError();
  }
  // The backend itself decides by UseSFD and UseAWE32 which manager to load.
  devices.SoundFont().OpenSoundFontBackend();
  StopOnStartUpError();
  // Also fills the device selector; a failure here is reported and start-up goes on.
  devices.RefreshDevices();
  if (state_->errors.ErrorCode != kErrOk) ReportError(state_->errors, "Form1::FormCreate");
}

// One icon for the window, the taskbar button and the tray.
void TForm1::LoadProgramIcon() {
  programIcon_ = static_cast<HICON>(LoadImageA(application_.Instance(), "TRAYICO2", IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
  if (!programIcon_) return;
  SendMessageA(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(programIcon_));
  SendMessageA(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(programIcon_));
  application_.SetIcon(programIcon_);
  trayIcon_.SetIcon(programIcon_);
}

void TForm1::AddTrayIcon() {
  trayIcon_.Form = Handle();
  trayIcon_.Tooltip = "Right-Click here to change instrument banks.";
  trayIcon_.PopupMenu = trayMenu_.Handle();
  trayIcon_.Add();
}

void TForm1::WarnAboutMissingBankFolders() {
  if (state_->config.bankfolder[0] == '\0') ErrorBox(kNoBankFolders);
}

void TForm1::WriteVersionIntoLogo() {
  HWND image = form_.Control(ctl::LogoImage);
  Picture* picture = ImagePicture(image);
  if (!picture) return;
  DrawCentredText(picture->Canvas(), picture->Width(), form_.FontOf(ctl::txtFB), kVersionText,
                  kProgressTextTop);
  InvalidateRect(image, nullptr, FALSE);
}

void TForm1::SelectStoredPage() {
  const int tab = TabOfPageNumber(state_->config.cursheet);
  if (tab >= 0) ShowTab(tab);
}

void TForm1::CloseWaitDialog() { WaitDialog.reset(); }

// The port table with the map's tiles, then the bank-switching input
// remembered in the configuration. Its requests reach this thread as a
// posted message.
void TForm1::OpenMidiRouting() {
  platform::SetUserInterfaceWorkTarget(AsOwner(Handle()), kRunBankSwitchingRequests);
  SetBankSwitchingHook(&state_->requests);
  state_->ports = BuildPortTable();
  midiDevicesPage_->Map()->CreatePortTiles();
  state_->switching.SetBankSwitchingInput(*state_->ports, -1, state_->UpdatingControls != 0);
  midiDevicesPage_->Map()->RedrawConnectionMap();
}

// The most recent preset, or a new empty one with the devices read afresh.
void TForm1::LoadMostRecentPreset() {
  Configuration& config = state_->config;
  const bool load = config.Has(LoadRecent) && config.curpreset[0] != '\0';
  if (load) {
    state_->presets.LoadPreset(config.curpreset);
    ReportError(state_->errors, "Form1::FormCreate");
  }
  ShowVirtualBankModeAtStart();
  if (load) return;
  config.curpreset[0] = '\0';
  state_->presets.ClearPreset(true);
}

// The box shows the mode as it is (the form's tick would say it is on), and
// the unload button works only in it.
void TForm1::ShowVirtualBankModeAtStart() {
  const bool on = state_->config.Has(VBMode);
  bankPage_->ShowVirtualBankMode(on);
  EnableWindow(form_.Control(ctl::UnloadBankButton), on);
}

void TForm1::FormDestroy() {
  if (!state_) return;  // start-up never ran, or shut-down already did
  running_ = false;
  trayIcon_.Remove();
  ReleaseProgramIcon();
  if (!presetSettled_) state_->presets.SaveAtShutDown();
  SaveConfiguration();
  // The port tiles close here, before the routing.
  CloseMidiRouting();
  CloseWavetableBackends();
  state_->registry.DoneRegistry();
  state_->devices.ShutdownBankLayer();
  bankPage_->Detach();
  presetPage_->Detach();
  midiDevicesPage_->Detach();
  state_.reset();
  WaitDialog.reset();
}

void TForm1::ReleaseProgramIcon() {
  if (!programIcon_) return;
  SendMessageA(Handle(), WM_SETICON, ICON_BIG, 0);
  SendMessageA(Handle(), WM_SETICON, ICON_SMALL, 0);
  application_.SetIcon(nullptr);
  DestroyIcon(programIcon_);
  programIcon_ = nullptr;
}

// Every MIDI handle is closed before the hook and the target of the
// bank-switching requests go.
void TForm1::CloseMidiRouting() {
  midiDevicesPage_->Map()->DestroyPortTiles();
  DestroyPortTable(state_->ports);
  SetBankSwitchingHook(nullptr);
  platform::SetUserInterfaceWorkTarget(0, 0);
}

// The device table goes before the backends whose devices it lists.
void TForm1::CloseWavetableBackends() {
  DeviceTable& devices = state_->devices;
  devices.ReleaseDevices();
  devices.SoundFont().ShutdownSoundFontBackend();
  devices.Ews64().CloseEws64Driver();
}

void TForm1::SaveConfiguration() {
  state_->config.cursheet = PageNumberOfTab(SelectedPage(form_.Control(ctl::BankPage)));
  // A minimized window keeps its normal position for the next start.
  RECT frame{};
  WINDOWPLACEMENT placement{};
  placement.length = sizeof placement;
  if (IsIconic(Handle()) && GetWindowPlacement(Handle(), &placement)) frame = placement.rcNormalPosition;
  else GetWindowRect(Handle(), &frame);
  WindowEdges edges;
  edges.left = frame.left;
  edges.top = frame.top;
  WriteConfiguration(state_->config, edges, state_->registry, 0);
}

}  // namespace korvel
