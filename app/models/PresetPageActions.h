// What the buttons and check boxes of the "Presets" page do: saving under
// the current name or a new one, loading, starting a new preset, and what a
// saved preset holds.
#pragma once

#include <string>

#include "banks/DeviceTable.h"
#include "banks/presets/PresetManager.h"

namespace korvel {

class PresetPageView {
 public:
  // "Save Preset" and "Load Preset": the chosen file's full path, empty when
  // the user cancels. `initialFolder` may be empty.
  virtual std::string ChoosePresetToSave(const std::string& initialFolder) = 0;
  virtual std::string ChoosePresetToLoad(const std::string& initialFolder) = 0;

 protected:
  ~PresetPageView() = default;
};

class PresetPageActions {
 public:
  PresetPageActions(DeviceTable& devices, PresetManager& presets, PresetPageView& view, int& updatingControls)
      : devices_(devices), presets_(presets), view_(view), updatingControls_(updatingControls) {}

  // Both answer whether the preset was saved.
  bool SavePresetButtonClick();
  bool SaveAsPresetButtonClick();
  void LoadPresetButtonClick();
  // "New".
  void ClearPresetButtonClick();
  // "&Defaults": ticks the six boxes in order; each that was not ticked runs its handler.
  void ResetSavesClick();

 private:
  DeviceTable& devices_;
  PresetManager& presets_;
  PresetPageView& view_;
  int& updatingControls_;
};

}  // namespace korvel
