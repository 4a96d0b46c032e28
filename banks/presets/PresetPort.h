// What the preset code asks of the main window: the current preset's name
// and title, the preset check boxes, the bank list row and the connection
// map's tiles. The main window implements it; tests record the calls.
#pragma once

#include <cstdint>

namespace korvel {

// The check boxes a preset load sets: "Virtual Bank Mode", "Midi
// Connections", "Additional Midi Device Information" and "Bank paths of
// device 0" to "Bank paths of device 3".
struct PresetCheckBoxes {
  bool virtualBankMode = false;
  // The window starts with these ticked.
  bool saveConnections = true;
  bool saveDeviceInfo = true;
  bool saveDevice[4] = {true, true, true, true};
};

// A port's tile on the connection map.
struct PortTile {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::uint32_t flags = 0;  // bit 0: hidden
};

class PresetPort {
 public:
  // The full name in the current-preset label, `title` as the application's
  // task bar text.
  virtual void ShowPresetName(const char* name, const char* title) = 0;
  virtual void ShowPresetCheckBoxes(const PresetCheckBoxes& boxes) = 0;
  virtual void SelectBankListRow(int row) = 0;
  virtual int SelectedBankListRow() = 0;
  // The connection map: whether it has tiles, and each port's tile.
  virtual bool HasPortTiles() = 0;
  virtual PortTile TileOf(int port) = 0;
  virtual void PlaceTile(int port, const PortTile& tile) = 0;
  virtual void RedrawConnectionMap() = 0;
  virtual void DrawMemoryGraph() = 0;
  // "Sa&ve as...": asks for a name and saves under it; false when the user
  // cancelled or the save failed.
  virtual bool SaveAsDialog() = 0;

 protected:
  ~PresetPort() = default;
};

}  // namespace korvel
