// What the buttons, keys and menu of the "Bank Manager" page do: loading
// bank files chosen in the open dialog, unloading, clearing and reloading
// the selected slot, and switching virtual bank mode. The page window asks
// these, and they ask it back through BankPageView.
#pragma once

#include <string>
#include <vector>

#include "banks/DeviceTable.h"
#include "banks/presets/PresetManager.h"

namespace korvel {

// The open dialog of "&Load...".
struct BankFileDialog {
  std::string title;
  std::string filterName;     // "Sound Fonts (*.sf2)"
  std::string filterPattern;  // "*.SF2"
  std::string defaultExtension;
  std::string initialFolder;  // empty: the dialog's own choice
};

class BankPageView {
 public:
  // The selected line of the bank list, -1 when none.
  virtual int SelectedLine() = 0;
  virtual void SelectLine(int line) = 0;
  virtual void FocusBankList() = 0;
  // Runs the dialog with multiple selection: the chosen files' full paths in
  // the dialog's order, nothing when the user cancels.
  virtual std::vector<std::string> ChooseBankFiles(const BankFileDialog& dialog) = 0;
  virtual void DrawMemoryGraph() = 0;

 protected:
  ~BankPageView() = default;
};

class BankPageActions {
 public:
  BankPageActions(DeviceTable& devices, PresetManager& presets, BankPageView& view, int& updatingControls)
      : devices_(devices), presets_(presets), view_(view), updatingControls_(updatingControls) {}

  // "&Load...", its menu item and the Enter key.
  void BrowseBankButtonClick();
  // Files dropped from Explorer on `line` of the bank list (-1: below the
  // lines): loaded from there as "&Load..." loads chosen files. Files of
  // another kind than the device takes are refused with a message.
  void DropBankFiles(int line, const std::vector<std::string>& dropped);
  // "&Unload" (a Fixed slot is cleared instead) and "Cle&ar" / "&Clear" / Delete.
  void UnloadBankButtonClick();
  void ClearBankSlotButtonClick();
  // "&Refresh", its menu item and a double click: reloads the slot's bank.
  void RefreshButtonClick();
  // "Virtual Bank Mode" after the user changed it to `ticked`.
  void cbVBModeClick(bool ticked);

 private:
  enum class FileOutcome { kLoaded, kFailed, kStop };

  int CurrentDevice() const;
  bool HasDevice() const { return devices_.Count() > 0; }
  bool DialogFor(const SoundDevice& device, BankFileDialog& dialog);
  bool ReadyToLoad(int line, BankFileDialog& dialog);
  static std::vector<std::string> FilesTheDialogLists(const std::vector<std::string>& dropped,
                                                      const BankFileDialog& dialog);
  void LoadFilesFromLine(int line, const std::vector<std::string>& files);
  FileOutcome LoadChosenFile(const std::string& file, bool smart, int slot);
  void AssignBank(int slot, const char* path, const char* stored);
  void UnloadSelected(int mode);
  void ShowChanges(bool markAssigned);

  DeviceTable& devices_;
  PresetManager& presets_;
  BankPageView& view_;
  int& updatingControls_;
};

}  // namespace korvel
