// Shared by the preset tests and benchmarks: a main window that records what
// the preset code shows on it.
#pragma once

#include <string>

#include "banks/presets/PresetPort.h"

namespace korvel::testsupport {

class RecordingPresetView : public PresetPort {
 public:
  void ShowPresetName(const char* name, const char* shownTitle) override {
    label = name;
    title = shownTitle;
  }
  void ShowPresetCheckBoxes(const PresetCheckBoxes& shown) override { boxes = shown; }
  void SelectBankListRow(int row) override { this->row = row; }
  int SelectedBankListRow() override { return row; }
  bool HasPortTiles() override { return false; }
  PortTile TileOf(int) override { return {}; }
  void PlaceTile(int, const PortTile&) override {}
  void RedrawConnectionMap() override { ++mapRedraws; }
  void DrawMemoryGraph() override {}
  bool SaveAsDialog() override {
    ++saveAsDialogs;
    return saveAsSaves;
  }

  std::string label, title;
  PresetCheckBoxes boxes;
  int row = -1;
  int mapRedraws = 0;
  int saveAsDialogs = 0;
  bool saveAsSaves = true;  // what the dialog's user does
};

}  // namespace korvel::testsupport
