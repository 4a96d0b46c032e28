// "&Save" and "Sa&ve as..." of the presets page, with the preset save dialog.
#include <commdlg.h>

#include <cstring>
#include <string>

#include "app/KorvelMain.h"
#include "banks/ErrorReport.h"
#include "config/ErrorBox.h"
#include "config/TextHelpers.h"

namespace korvel {

namespace {

// The file the user chose in "Save Preset", or empty when cancelled.
std::string RunPresetSaveDialog(HWND owner, const char* initialFolder) {
  char file[MAX_PATH] = {};
  OPENFILENAMEA dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = "Korvel Presets (*.pre)\0*.PRE\0";
  dialog.lpstrFile = file;
  dialog.nMaxFile = sizeof file;
  dialog.lpstrInitialDir = initialFolder[0] != '\0' ? initialFolder : nullptr;
  dialog.lpstrTitle = "Save Preset";
  dialog.lpstrDefExt = "pre";
  dialog.Flags = OFN_HIDEREADONLY;
  return GetSaveFileNameA(&dialog) ? file : "";
}

// The folder part of a file name: everything before its last "\".
std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

}  // namespace

void TForm1::SavePresetButtonClick() {
  if (state_->config.curpreset[0] == '\0') {
    SaveAsPresetButtonClick();
    return;
  }
  state_->presets.SavePreset();
  ReportError(state_->errors, "Form1::SavePresetButtonClick");
}

void TForm1::SaveAsPresetButtonClick() {
  Configuration& config = state_->config;
  const std::string chosen = RunPresetSaveDialog(Handle(), config.lastpath);
  if (chosen.empty()) return;
  if (FileIsPresent(chosen.c_str())) {
    const std::string question = "Do you want to overwrite '" + chosen + "'?";
    if (platform::MessageBoxA(reinterpret_cast<platform::Window>(Handle()), question.c_str(),
                              "Korvel", platform::kMbYesNo) == platform::kIdNo) {
      return;
    }
  }
  BoundedCopy(config.curpreset, chosen.c_str(), sizeof config.curpreset);
  if (config.curpreset[0] != '\0') SavePresetButtonClick();
  BoundedCopy(config.lastpath, FolderOf(chosen).c_str(), sizeof config.lastpath);
}

}  // namespace korvel
