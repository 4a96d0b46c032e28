// The current preset: its name and where it shows, its unsaved changes, the
// prompt that offers to save them, starting a new preset, and saving and
// loading preset files (the numbered ones too).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "banks/DeviceTable.h"
#include "banks/presets/PresetImage.h"
#include "banks/presets/PresetPort.h"
#include "config/WholeFile.h"
#include "midi/MidiPortTable.h"

namespace korvel {

class BankFilePresence;
class BankFolderSearch;

class PresetManager {
 public:
  // `ports` is the port table of the run, empty before MIDI starts;
  // `updatingControls` the main window's flag.
  PresetManager(DeviceTable& devices, std::unique_ptr<MidiPortTable>& ports, PresetPort& view,
                int& updatingControls);
  PresetManager(const PresetManager&) = delete;
  PresetManager& operator=(const PresetManager&) = delete;

  // Makes `name` the current preset name and shows it with its title.
  void SetPresetName(const char* name);
  // Offers to save unsaved changes: 0 cancelled, 1 go on (nothing to save,
  // or saved), 2 go on (changes discarded).
  int CheckPresetSave();
  // A new, unnamed preset: paths and slot records emptied (the banks stay
  // in the devices), connections removed with ClearCons, the slots read
  // again from the devices when `refresh`.
  void ClearPreset(bool refresh);
  // Writes the current state to the current preset's file; ErrorCode 16
  // when it cannot be written (the old file stays as it was).
  void SavePreset();
  // Reads `path` (relative to the home folder unless it has a drive) and
  // makes it the current preset. A file that cannot be read whole changes
  // nothing: ErrorCode 6 when it cannot be opened, 3 when it is corrupted.
  void LoadPreset(const char* path);
  // Loads the file of the Presets folder whose name starts with the number
  // `n`, the first by name when several do: what MIDI asks for, so it asks nothing and reports in the status line.
  // Unsaved changes are saved first when they would be saved automatically,
  // else kept in a recovery preset; when neither can be written nothing is
  // loaded.
  void LoadPresetByNumber(int n);
  // Closing, while Korvel can still go on: saves a named preset with
  // AutoSave, otherwise asks. False when Korvel must not end: the user
  // cancelled, or the save failed (reported; the next close asks).
  bool SaveBeforeEnding();
  // Shut-down that nothing asked about before: saves a named preset with
  // AutoSave, otherwise asks.
  void SaveAtShutDown();
  // Whether closing saves the preset without asking: AutoSave is on and the
  // current preset is named, was read or written whole in this run, and its
  // last save did not fail. A preset whose file could not be read, or was
  // read only in part, is never
  // overwritten unasked.
  bool SavesAutomatically() const;
  // Brings VBMode in line with the "Virtual Bank Mode" check box after the
  // current preset is cleared (the box's handler, once it has decided).
  void ApplyVirtualBankMode();

  // The user made or deleted the connection from `source` to `destination`:
  // a record the loaded file held for that pair of ports is no longer kept.
  void ForgetKeptConnection(const MidiPortTable& table, int source, int destination);

  void MarkChanged() { presetChanged_ = true; }
  bool PresetChanged() const { return presetChanged_; }
  bool LoadingPreset() const { return loadingPreset_; }
  const PresetCheckBoxes& CheckBoxes() const { return boxes_; }
  // The handlers of "Bank paths of device n", "Midi Connections" and
  // "Additional Midi Device Information": the box shows `on`, and unless
  // the program itself is changing the boxes the option follows it.
  void CheckSaveDevice(int dev, bool on);
  void CheckSaveConnections(bool on);
  void CheckSaveDeviceInfo(bool on);

 private:
  // Home folder + "\" + name, unless the name has a drive.
  std::string PresetPath(const char* name) const;
  PresetImage ImageOfCurrentState();
  bool WriteCurrentState(const std::string& path, WriteFailure& failure);
  // Before a switch by MIDI (PresetRecovery.cpp): false when the changes
  // could be neither saved nor kept, and preset `n` must not replace them.
  bool KeepChangesForSwitch(int n);
  bool WriteRecoveryPreset(int n);
  void ApplyImage(const PresetImage& image, const std::string& path);
  void PrepareForImage(const PresetImage& image);
  void TakeDeviceBlock(const PresetDevice& block, BankFolderSearch& search, BankFilePresence& files);
  void KeepAbsentDeviceBlock(const PresetDevice& block);
  void LoadAssignedBanks(int dev);
  void ApplyExtensions(const PresetImage& image);
  void RestoreConnection(const PresetConnection& record);
  void KeepConnection(const PresetConnection& record);
  void FinishLoad(const std::string& path);

  DeviceTable& devices_;
  std::unique_ptr<MidiPortTable>& ports_;
  PresetPort& view_;
  int& updatingControls_;
  bool presetChanged_ = false;
  bool loadingPreset_ = false;
  // The current preset's file was read or written whole in this run.
  bool presetInFile_ = false;
  // The current preset's file was read only in part: it is written again
  // only when the user saves, and the save question says so.
  bool fileDamaged_ = false;
  // The last save of the current preset failed: it is not saved
  // automatically again, the user is asked.
  bool lastSaveFailed_ = false;
  // The blocks of devices that this run does not have, as the loaded file
  // held them: every save writes them back so that they are not lost.
  std::vector<PresetDevice> absentDevices_;
  // The loaded file's connections that could not be made in this run, kept
  // for every save in the same way.
  std::vector<PresetConnection> keptConnections_;
  PresetCheckBoxes boxes_;
};

// False, after telling the user, for a file name longer than the current
// preset's name holds (127 characters): cut, it would name another file.
bool AcceptPresetFileName(const std::string& path);

// A preset name's file title (no folder, no extension), "untitled" for none.
std::string PresetFileTitle(const char* name);

// The application's title for a preset name: its file title and " - Korvel",
// "untitled - Korvel" for none.
std::string PresetTitle(const char* name);

}  // namespace korvel
