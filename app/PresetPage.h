// The "Presets" page: the current preset's name, its Save, Save as, Load
// and New buttons, and the boxes that say what a saved preset holds. The
// flows are PresetPageActions'.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "app/AppState.h"
#include "app/FormBuilder.h"
#include "app/models/PresetPageActions.h"
#include "banks/presets/PresetPort.h"

namespace korvel {

class PresetPage final : public PresetPageView {
 public:
  PresetPage(Form& form, HINSTANCE instance);
  PresetPage(const PresetPage&) = delete;
  PresetPage& operator=(const PresetPage&) = delete;

  void Attach(AppState& state);
  void Detach();

  void ShowPresetName(const char* name);
  void ShowCheckBoxes(const PresetCheckBoxes& boxes);
  // "Sa&ve as...", also asked for by the save prompt of an untitled preset.
  bool SaveAs();
  bool OnCommand(int id, int code);

  // PresetPageView
  std::string ChoosePresetToSave(const std::string& initialFolder) override;
  std::string ChoosePresetToLoad(const std::string& initialFolder) override;

 private:
  bool Ticked(int id) const;

  Form& form_;
  AppState* state_ = nullptr;
  std::unique_ptr<PresetPageActions> actions_;
};

}  // namespace korvel
