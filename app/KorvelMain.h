// The main window `TForm1`: built from its layout, it brings the program up
// in FormCreate and takes it down in FormDestroy.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "app/AppState.h"
#include "app/FormBuilder.h"
#include "app/WaitDialog.h"
#include "banks/ShellPort.h"
#include "banks/presets/PresetPort.h"

namespace korvel {

// Posted by the MIDI thread when bank-switching requests wait for the
// user-interface thread.
constexpr UINT kRunBankSwitchingRequests = WM_APP + 1;

// The application's standard box for an exception that reached the toolkit.
void ShowException(HWND owner, const char* what);

class TForm1 : public ShellPort, public PresetPort {
 public:
  // Builds the window from its layout (hidden) and runs FormCreate; an
  // exception escaping FormCreate is shown and ends it there.
  explicit TForm1(HINSTANCE instance);
  // Destroys the window if it still exists, which runs FormDestroy.
  ~TForm1();
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;

  HWND Handle() const { return form_.Handle(); }
  // Shows the window as start-up left it: normal, or minimized.
  void ShowMainWindow();

  // Start-up and shut-down sequences.
  void FormCreate();
  void FormDestroy();
  // "&Close": ends the program.
  void Button1Click();
  // Paints one progress text onto the wait dialog.
  void ShowProgress(const char* text);

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
  void SaveAsDialog() override;

  // "&Save" and "Sa&ve as..." of the presets page (PresetDialogs.cpp).
  void SavePresetButtonClick();
  void SaveAsPresetButtonClick();

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // The posted turn of the bank-switching requests.
  void RunBankSwitchingRequests();
  void OnCommand(int id, int code);
  // Test access to the port table until the connection map shows it
  // (MidiProbe.cpp).
  LRESULT AnswerMidiProbe(WPARAM request, LPARAM argument);

  // Phases of FormCreate.
  void BeginStartUp();
  void OpenWaitDialog();
  void ReadStoredConfiguration(char* scratch);
  void DeleteLeftoverInstaller(char* path);
  void PrepareWavetableBackends();
  // "Report and stop": a failed start-up step ends the program before the
  // main window is ever shown.
  void StopOnStartUpError();
  void LoadProgramIcon();
  void MinimizeApplication();
  void OpenMidiRouting();
  void LoadMostRecentPreset();
  void WarnAboutMissingBankFolders();
  void WriteVersionIntoLogo();
  void SelectStoredPage();
  void CloseWaitDialog();

  // Phases of FormDestroy.
  void ReleaseProgramIcon();
  void SaveConfiguration();
  void CloseMidiRouting();
  void CloseWavetableBackends();

  // Ends the program: the window goes, FormDestroy runs, the loop ends.
  void EndProgram();

  HINSTANCE instance_;
  // Operations of this thread in progress: MIDI requests wait for their end.
  UserInterfaceTurn turn_;
  Form form_;
  std::unique_ptr<AppState> state_;
  std::unique_ptr<TWaitDialog> WaitDialog;
  HICON programIcon_ = nullptr;
  int showCommand_ = SW_SHOWNORMAL;
  // Shown by the presets page once it exists.
  std::string presetLabel_;
  std::string applicationTitle_;
  PresetCheckBoxes presetBoxes_;
  int bankListRow_ = -1;
};

}  // namespace korvel
