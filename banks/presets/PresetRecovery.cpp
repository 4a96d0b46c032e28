// Keeping the current preset's changes when MIDI switches to another preset.
// No one can be asked then: the changes are saved where automatic saving
// would save them, or else written to a recovery preset in the Presets
// folder, and the status line says where.
#include <string>

#include "banks/ErrorReport.h"
#include "banks/presets/PresetManager.h"
#include "config/StatusLine.h"

namespace korvel {

namespace {

constexpr int kMostRecoveryCopies = 99;

// The current preset as the save question names it.
std::string PresetFileName(const char* name) { return PresetFileTitle(name) + ".pre"; }

// "Recovered <title>.pre", else "Recovered <title> (2).pre" and on: the
// first name that no file (nor a ".new" left beside one) has, so that no
// earlier recovery is written over. Beginning with a letter, it is not the
// name of a numbered preset. Empty when every name is taken.
std::string FreeRecoveryPath(const std::string& folder, const char* name) {
  const std::string base = folder + "\\Recovered " + PresetFileTitle(name);
  for (int copy = 1; copy <= kMostRecoveryCopies; ++copy) {
    std::string path = base;
    if (copy > 1) path += " (" + std::to_string(copy) + ")";
    path += ".pre";
    if (!StoredFileIsPresent(path.c_str())) return path;
  }
  return std::string();
}

}  // namespace

bool PresetManager::KeepChangesForSwitch(int n) {
  if (!presetChanged_) return true;
  if (SavesAutomatically()) {
    SavePreset();
    if (devices_.Errors().ErrorCode == kErrOk) {
      ReportInStatusLine("'" + PresetFileName(devices_.Config().curpreset) + "' was saved.");
      return true;
    }
    ReportError(devices_.Errors(), "LoadPresetByNumber");
  }
  return WriteRecoveryPreset(n);
}

// The recovery copy is not the current preset: the switch replaces it.
bool PresetManager::WriteRecoveryPreset(int n) {
  const std::string folder = PresetPath("Presets");
  const std::string changes = "The changes to '" + PresetFileName(devices_.Config().curpreset) + "'";
  WriteFailure failure;
  const std::string path = FreeRecoveryPath(folder, devices_.Config().curpreset);
  if (path.empty()) {
    failure.path = folder;
    failure.reason = "every name for a recovery preset is taken";
  } else if (WriteCurrentState(path, failure)) {
    ReportInStatusLine(changes + " were kept in '" + path + "'.");
    return true;
  }
  ReportInStatusLine(changes + " could not be kept (" + failure.Line() + "), so preset " + std::to_string(n) +
                     " was not loaded.");
  return false;
}

}  // namespace korvel
