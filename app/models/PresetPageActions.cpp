#include "app/models/PresetPageActions.h"

#include "banks/ErrorReport.h"
#include "config/ErrorBox.h"
#include "config/TextHelpers.h"
#include "platform/Platform.h"

namespace korvel {

namespace {

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

}  // namespace

bool PresetPageActions::SavePresetButtonClick() {
  if (devices_.Config().curpreset[0] == '\0') return SaveAsPresetButtonClick();
  presets_.SavePreset();
  const bool saved = devices_.Errors().ErrorCode == kErrOk;
  ReportError(devices_.Errors(), "Form1::SavePresetButtonClick");
  return saved;
}

bool PresetPageActions::SaveAsPresetButtonClick() {
  Configuration& config = devices_.Config();
  const std::string chosen = view_.ChoosePresetToSave(config.lastpath);
  if (chosen.empty() || !AcceptPresetFileName(chosen)) return false;
  if (FileIsPresent(chosen.c_str())) {
    const std::string question = "Do you want to overwrite '" + chosen + "'?";
    if (ShowMessageBox(question.c_str(), "Korvel", platform::kMbYesNo) != platform::kIdYes) return false;
  }
  BoundedCopy(config.curpreset, chosen.c_str(), sizeof config.curpreset);
  const bool saved = SavePresetButtonClick();
  BoundedCopy(config.lastpath, FolderOf(chosen).c_str(), sizeof config.lastpath);
  return saved;
}

void PresetPageActions::LoadPresetButtonClick() {
  if (devices_.Count() == 0) return;
  Configuration& config = devices_.Config();
  const std::string chosen = view_.ChoosePresetToLoad(config.lastpath);
  if (chosen.empty() || !AcceptPresetFileName(chosen)) return;
  if (presets_.CheckPresetSave() == 0) return;
  presets_.LoadPreset(chosen.c_str());
  ReportError(devices_.Errors(), "Form1::LoadPresetButtonClick");
  BoundedCopy(config.lastpath, FolderOf(chosen).c_str(), sizeof config.lastpath);
  devices_.Shell().BuildTrayMenu();
}

void PresetPageActions::ClearPresetButtonClick() {
  if (presets_.CheckPresetSave() == 0) return;
  const int updating = updatingControls_;
  updatingControls_ = 1;
  presets_.ClearPreset(true);
  updatingControls_ = updating;
  devices_.Shell().RebuildBankList();
}

void PresetPageActions::ResetSavesClick() {
  for (int dev = 0; dev < 4; ++dev) {
    if (!presets_.CheckBoxes().saveDevice[dev]) presets_.CheckSaveDevice(dev, true);
  }
  if (!presets_.CheckBoxes().saveDeviceInfo) presets_.CheckSaveDeviceInfo(true);
  if (!presets_.CheckBoxes().saveConnections) presets_.CheckSaveConnections(true);
}

}  // namespace korvel
