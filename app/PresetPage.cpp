#include "app/PresetPage.h"

#include "app/FileDialogs.h"
#include "resources/forms/PresetPageForm.h"

namespace korvel {

PresetPage::PresetPage(Form& form, HINSTANCE instance) : form_(form) {
  form_.Add(forms::kPresetPageControls, forms::kPresetPageControlCount, instance);
}

void PresetPage::Attach(AppState& state) {
  state_ = &state;
  actions_ = std::make_unique<PresetPageActions>(state.devices, state.presets, *this, state.UpdatingControls);
}

void PresetPage::Detach() {
  actions_.reset();
  state_ = nullptr;
}

void PresetPage::ShowPresetName(const char* name) { SetWindowTextA(form_.Control(ctl::txtCurPreset), name); }

void PresetPage::ShowCheckBoxes(const PresetCheckBoxes& boxes) {
  auto tick = [this](int id, bool on) {
    SendMessageA(form_.Control(id), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
  };
  for (int dev = 0; dev < 4; ++dev) tick(ctl::cbSaveD0 + dev, boxes.saveDevice[dev]);
  tick(ctl::cbSaveMinfo, boxes.saveDeviceInfo);
  tick(ctl::cbSaveCons, boxes.saveConnections);
}

bool PresetPage::SaveAs() { return actions_ && actions_->SaveAsPresetButtonClick(); }

bool PresetPage::Ticked(int id) const {
  return SendMessageA(form_.Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool PresetPage::OnCommand(int id, int) {
  if (!actions_) return false;
  PresetManager& presets = state_->presets;
  if (id >= ctl::cbSaveD0 && id <= ctl::cbSaveD3) {
    presets.CheckSaveDevice(id - ctl::cbSaveD0, Ticked(id));
    return true;
  }
  switch (id) {
    case ctl::SavePresetButton:
      actions_->SavePresetButtonClick();
      return true;
    case ctl::SaveAsPresetButton:
      actions_->SaveAsPresetButtonClick();
      return true;
    case ctl::LoadPresetButton:
      actions_->LoadPresetButtonClick();
      return true;
    case ctl::ClearPresetButton:
      actions_->ClearPresetButtonClick();
      return true;
    case ctl::cbSaveMinfo:
      presets.CheckSaveDeviceInfo(Ticked(id));
      return true;
    case ctl::cbSaveCons:
      presets.CheckSaveConnections(Ticked(id));
      return true;
    case ctl::ResetSaves:
      actions_->ResetSavesClick();
      return true;
    default:
      return false;
  }
}

std::string PresetPage::ChoosePresetToSave(const std::string& initialFolder) {
  return ChooseFileToSave({"Save Preset", "Korvel Presets (*.pre)", "*.PRE", "pre", initialFolder});
}

std::string PresetPage::ChoosePresetToLoad(const std::string& initialFolder) {
  return ChooseFileToOpen({"Load Preset", "Presets (*.pre)", "*.PRE", "pre", initialFolder});
}

}  // namespace korvel
