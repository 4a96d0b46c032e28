// The main window `TForm1`: the frame (device selector, page control, the
// three buttons and the progress bar) with its pages, the tray icon and its
// menu. It routes commands to the pages by their id ranges, and brings the
// program up in FormCreate and down in FormDestroy (StartUp.cpp).
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "app/AboutPage.h"
#include "app/AppState.h"
#include "app/Application.h"
#include "app/BankPage.h"
#include "app/FormBuilder.h"
#include "app/MidiDevicesPage.h"
#include "app/PresetPage.h"
#include "app/TrayIcon.h"
#include "app/TrayMenu.h"
#include "app/WaitDialog.h"
#include "app/Window.h"
#include "banks/ShellPort.h"
#include "banks/presets/PresetPort.h"

namespace korvel {

// Posted by the MIDI thread when bank-switching requests wait for the
// user-interface thread.
constexpr UINT kRunBankSwitchingRequests = WM_APP + 1;

class TForm1 final : public Window, public ShellPort, public PresetPort {
 public:
  // Builds the window from its layout (hidden) with its pages, makes the
  // tray icon component and runs FormCreate; an exception escaping
  // FormCreate is shown and ends it there.
  explicit TForm1(Application& application);
  // Destroys the window if it still exists, which runs FormDestroy.
  ~TForm1() override;

  HWND Handle() const { return form_.Handle(); }

  // Start-up and shut-down sequences (StartUp.cpp).
  void FormCreate();
  void FormDestroy();
  // Paints one progress text onto the wait dialog.
  void ShowProgress(const char* text);

  // Handlers of the frame and the tray menu.
  void Button1Click();
  void MinButtonClick();
  void ShowOptsButtonClick();
  void DeviceSelectChange();
  void TrayMenuClick(int tag);
  void N1Click();

  // What the device layer asks of the main window (DeviceDisplay.cpp).
  void FillDeviceSelector() override;
  void RebuildBankList() override;
  void BuildTrayMenu() override;
  void ProgressStep() override;
  void ProgressReset() override;
  bool IsMainWindowMinimized() override;
  void RepaintMainWindow() override;
  void ShowVirtualBankMode(bool on) override;

  // What the presets ask of the main window (PresetDisplay.cpp).
  void ShowPresetName(const char* name, const char* title) override;
  void ShowPresetCheckBoxes(const PresetCheckBoxes& boxes) override;
  void SelectBankListRow(int row) override;
  int SelectedBankListRow() override;
  bool HasPortTiles() override;
  PortTile TileOf(int port) override;
  void PlaceTile(int port, const PortTile& tile) override;
  void RedrawConnectionMap() override;
  void DrawMemoryGraph() override;
  bool SaveAsDialog() override;

 private:
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  bool OutsideOperations(UINT message) const override { return message == kRunBankSwitchingRequests; }
  void OnCommand(int id, int code, bool fromMenu);
  void OnMenuCommand(int id);
  // Selects the page of `tab`, as a click on the tab does.
  void ShowTab(int tab);
  // The keys the frame answers itself (Tab, Ctrl+Tab, Enter); true when used.
  bool MainWindowKey(const MSG& message);
  // Shows the page `step` tabs on, going round.
  void TurnPage(int step);
  // Remembers the focused control when the window is left and gives it the
  // focus back when the window is active again; true when it did.
  bool FollowActivation(WPARAM wParam);
  // Every paint of the window's own client area reads the device again.
  void FormPaint();
  void ReadDeviceForDisplay();

  // Phases of FormCreate.
  void BeginStartUp();
  void OpenWaitDialog();
  void ReadStoredConfiguration(char* scratch);
  void DeleteLeftoverInstaller(char* path);
  void PrepareWavetableBackends();
  // "Report and stop": a failed start-up step ends the program before the
  // main window is ever shown.
  void StopOnStartUpError();
  char* TakePathScratch();
  void OpenMidiRouting();
  void LoadMostRecentPreset();
  void ShowVirtualBankModeAtStart();
  void LoadProgramIcon();
  void AddTrayIcon();
  void WarnAboutMissingBankFolders();
  void WriteVersionIntoLogo();
  void SelectStoredPage();
  void CloseWaitDialog();

  // Phases of FormDestroy.
  void ReleaseProgramIcon();
  void SaveConfiguration();
  void CloseMidiRouting();
  void CloseWavetableBackends();

  // Ends the program once MayEnd agreed: the window goes, FormDestroy runs,
  // the loop ends.
  void EndProgram();
  // Saves or asks about unsaved changes: false when the user cancelled or
  // the save failed.
  bool MayEnd();

  Application& application_;
  Form form_;
  std::unique_ptr<BankPage> bankPage_;
  std::unique_ptr<PresetPage> presetPage_;
  std::unique_ptr<MidiDevicesPage> midiDevicesPage_;
  std::unique_ptr<AboutPage> aboutPage_;
  TrayMenu trayMenu_;
  TTrayIcon trayIcon_;
  std::unique_ptr<AppState> state_;
  std::unique_ptr<TWaitDialog> WaitDialog;
  HICON programIcon_ = nullptr;
  HWND focusWhenLeft_ = nullptr;
  // Start-up is over: paints read the device.
  bool running_ = false;
  // The window goes after MayEnd saved or asked: FormDestroy does neither.
  bool presetSettled_ = false;
};

}  // namespace korvel
