#include "banks/presets/PresetManager.h"

#include <cstring>

#include "banks/BankLoading.h"
#include "banks/DeviceAccess.h"
#include "banks/ErrorReport.h"
#include "banks/presets/NumberedPreset.h"
#include "config/ErrorBox.h"
#include "config/PathHelpers.h"
#include "config/StatusLine.h"
#include "config/TextHelpers.h"
#include "midi/ConnectionList.h"

namespace korvel {

namespace {
constexpr std::size_t kTitleSize = 128;
}  // namespace

bool AcceptPresetFileName(const std::string& path) {
  if (path.size() < sizeof Configuration::curpreset) return true;
  ErrorBox(("'" + path + "' cannot be used: a preset's file name may have at most 127 characters.").c_str());
  return false;
}

std::string PresetFileTitle(const char* name) {
  char title[kTitleSize] = {};
  FileTitle(title, name[0] != '\0' ? name : "untitled");
  return title;
}

std::string PresetTitle(const char* name) { return PresetFileTitle(name) + " - Korvel"; }

PresetManager::PresetManager(DeviceTable& devices, std::unique_ptr<MidiPortTable>& ports,
                             PresetPort& view, int& updatingControls)
    : devices_(devices), ports_(ports), view_(view), updatingControls_(updatingControls) {}

std::string PresetManager::PresetPath(const char* name) const {
  if (name[0] != '\0' && name[1] == ':') return name;
  const Configuration& config = devices_.Config();
  const void* end = std::memchr(config.homedir, '\0', sizeof config.homedir);
  const std::size_t home =
      end ? static_cast<const char*>(end) - config.homedir : sizeof config.homedir;
  return std::string(config.homedir, home) + "\\" + name;
}

void PresetManager::SetPresetName(const char* name) {
  Configuration& config = devices_.Config();
  if (name != config.curpreset) BoundedCopy(config.curpreset, name, sizeof config.curpreset);
  view_.ShowPresetName(config.curpreset, PresetTitle(config.curpreset).c_str());
}

int PresetManager::CheckPresetSave() {
  if (!presetChanged_) return 1;
  const char* name = devices_.Config().curpreset;
  std::string question = "'" + PresetFileTitle(name) + ".pre' has been changed. Do you want to save this preset?";
  if (fileDamaged_) {
    question += "\n\nThe file on disk is damaged: saving replaces it with what could be read from it.";
  }
  const int answer = ShowMessageBox(question.c_str(), "Korvel", platform::kMbYesNoCancel);
  // A save that was cancelled or failed cancels what asked, so that the
  // changes are not lost by it.
  if (answer == platform::kIdYes) {
    if (name[0] == '\0') return view_.SaveAsDialog() ? 1 : 0;
    SavePreset();
    const bool saved = devices_.Errors().ErrorCode == kErrOk;
    ReportError(devices_.Errors(), "CheckPresetSave");
    return saved ? 1 : 0;
  }
  if (answer == platform::kIdNo) {
    presetChanged_ = false;
    return 2;
  }
  return 0;
}

void PresetManager::ClearPreset(bool refresh) {
  SetPresetName("");
  for (int dev = 0; dev < devices_.Count(); ++dev) {
    SoundDevice& device = devices_.Device(dev);
    std::memset(device.paths, 0, sizeof device.paths);
    for (BankSlot& slot : device.slots) slot = BankSlot{};
  }
  MidiPortTable* table = ports_.get();
  if (devices_.Config().Has(ClearCons) && table != nullptr && table->connectionCount > 0) {
    for (int i = table->connectionCount - 1; i >= 0; --i) Disconnect(*table, i);
    view_.RedrawConnectionMap();
  }
  absentDevices_.clear();
  keptConnections_.clear();
  presetInFile_ = false;
  fileDamaged_ = false;
  lastSaveFailed_ = false;
  if (refresh) {
    const SoundFontDevicesAccess access(devices_);
    RefreshAllSlots(devices_, true);
  }
  presetChanged_ = false;
}

void PresetManager::ApplyVirtualBankMode() {
  ClearPreset(false);
  devices_.ApplyVirtualBankMode(loadingPreset_, updatingControls_ != 0);
}

void PresetManager::LoadPresetByNumber(int n) {
  StatusLineReports reports;
  const Configuration& config = devices_.Config();
  const std::string folder = PresetPath("Presets");
  platform::SetCurrentDrive(config.homedrive + 1);
  platform::SetCurrentDirectoryA(folder.c_str());
  const NumberedPreset preset = FindNumberedPreset(n);
  if (preset.name.empty()) return;
  if (!KeepChangesForSwitch(n)) return;
  LoadPreset((folder + "\\" + preset.name).c_str());
  if (devices_.Errors().ErrorCode == kErrOk) {
    devices_.Shell().BuildTrayMenu();
    ReportInStatusLine(NumberedPresetLoadedText(preset, n));
  } else {
    ReportError(devices_.Errors(), "LoadPresetByNumber");
  }
}

bool PresetManager::SavesAutomatically() const {
  const Configuration& config = devices_.Config();
  return config.Has(AutoSave) && config.curpreset[0] != '\0' && presetInFile_ && !fileDamaged_ &&
         !lastSaveFailed_;
}

bool PresetManager::SaveBeforeEnding() {
  if (!SavesAutomatically()) return CheckPresetSave() != 0;
  SavePreset();
  const bool saved = devices_.Errors().ErrorCode == kErrOk;
  ReportError(devices_.Errors(), "Form1::FormDestroy");
  return saved;
}

// An untitled preset is neither saved nor asked about with AutoSave; a named
// one that this run could not read is offered instead of overwritten.
void PresetManager::SaveAtShutDown() {
  const Configuration& config = devices_.Config();
  if (config.Has(AutoSave) && config.curpreset[0] == '\0') return;
  if (!SavesAutomatically()) {
    CheckPresetSave();
    return;
  }
  SavePreset();
  ReportError(devices_.Errors(), "Form1::FormDestroy");
}

void PresetManager::CheckSaveDevice(int dev, bool on) {
  if (dev < 0 || dev >= 4) return;
  boxes_.saveDevice[dev] = on;
  view_.ShowPresetCheckBoxes(boxes_);
  if (updatingControls_ != 0 || dev >= devices_.Count()) return;
  SoundDevice& device = devices_.Device(dev);
  device.flags = on ? (device.flags | SaveInPreset) : (device.flags & ~SaveInPreset);
}

void PresetManager::CheckSaveConnections(bool on) {
  boxes_.saveConnections = on;
  view_.ShowPresetCheckBoxes(boxes_);
  if (updatingControls_ != 0) return;
  Configuration& config = devices_.Config();
  config.cflags = on ? (config.cflags | SaveCons) : (config.cflags & ~SaveCons);
}

void PresetManager::CheckSaveDeviceInfo(bool on) {
  boxes_.saveDeviceInfo = on;
  view_.ShowPresetCheckBoxes(boxes_);
  if (updatingControls_ != 0) return;
  Configuration& config = devices_.Config();
  config.cflags = on ? (config.cflags | SaveMinfo) : (config.cflags & ~SaveMinfo);
}

}  // namespace korvel
