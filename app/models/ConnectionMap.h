// The connection map of the "Midi Devices" page: a tile per MIDI port and a
// line per connection. It keeps the tiles' places and hidden flags, the
// selected port and the drag in progress, and turns the mouse on the tiles
// into moves, new connections and the port menu's actions. The page window
// draws and places what it is told through ConnectionMapView.
//
// Positions are page coordinates (the map image stands at 8, 8 of the page).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "app/models/MidiActivity.h"
#include "app/models/PortMenuItems.h"
#include "app/models/TileLayout.h"
#include "banks/presets/PresetManager.h"
#include "banks/presets/PresetPort.h"
#include "banks/switching/BankSwitching.h"
#include "config/Configuration.h"
#include "midi/MidiPortTable.h"

namespace korvel {

// How a tile is drawn.
struct TileLook {
  const char* name = "";
  bool hidden = false;  // drawn all white
  bool selected = false;
  bool hasInput = false;
  bool hasOutput = false;
  bool bankSwitchInput = false;  // shows the "MIDIIN" picture
  bool inputActive = false;      // its input received a message lately
  bool outputActive = false;     // its output sent one lately
};

class ConnectionMapView {
 public:
  virtual void CreateTile(int port, const TileRect& bounds, const char* name) = 0;
  virtual void DestroyTiles() = 0;
  virtual void MoveTile(int port, const TileRect& bounds) = 0;
  // Shown tiles are visible and take the mouse; hidden ones neither.
  virtual void ShowTile(int port, bool shown) = 0;
  virtual void BringTileToFront(int port) = 0;
  virtual void DrawTile(int port, const TileLook& look) = 0;
  // The map image framed black and white inside, without lines.
  virtual void ClearMap() = 0;
  // A line on the map image between two points in map coordinates.
  virtual void DrawLine(MapPoint from, MapPoint to, bool black) = 0;
  // Shows the menu at `atPage` (page coordinates), or at the cursor when
  // empty; the index of the chosen item, -1 for none.
  virtual int ShowPortMenu(const std::vector<PortMenuItem>& items, std::optional<MapPoint> atPage) = 0;
  // The "Connection Details" dialog, modally, with `connection` selected.
  virtual void OpenConnectionDetails(int connection) = 0;

 protected:
  ~ConnectionMapView() = default;
};

enum class MouseButton { kLeft, kRight, kMiddle };

class ConnectionMap {
 public:
  // The map image's bounds on the page.
  static constexpr TileRect kImage{8, 8, 433, 353};

  ConnectionMap(std::unique_ptr<MidiPortTable>& ports, Configuration& config, PresetManager& presets,
                BankSwitching& switching, int& updatingControls, ConnectionMapView& view)
      : ports_(ports), config_(config), presets_(presets), switching_(switching),
        updatingControls_(updatingControls), view_(view) {}

  // A tile per port at its grid place (hidden flags untouched), and none
  // without ports.
  void CreatePortTiles();
  void DestroyPortTiles();
  bool HasTiles() const { return hasTiles_; }
  void RedrawConnectionMap();
  // Puts port's tile at (x, y), kept on the map.
  void PlaceTile(int port, int x, int y);
  // What a preset stores of a tile, and putting it back (placed, and hidden
  // or shown by its flags).
  PortTile TileOf(int port) const;
  void RestoreTile(int port, const PortTile& tile);
  void SelectPort(int port);
  void DrawTile(int port);
  void HideTile(int port);
  void RevealTile(int port);
  int SelectedPort() const { return selected_; }
  const TileRect& TileBounds(int port) const { return tiles_[port]; }
  std::uint32_t TileFlags(int port) const { return tileFlags_[port]; }

  // The mouse on a tile of `port` and on the map image, at `cursor`.
  void TileMouseDown(int port, MouseButton button, bool shift, MapPoint cursor);
  void TileMouseMove(int port, bool leftButtonDown, MapPoint cursor);
  void TileMouseUp(int port, MapPoint cursor);
  void TileClick(int port);
  void TileDoubleClick(int port);
  void ConnImageMouseMove(MapPoint cursor);
  void ConnImageMouseUp();

  // The keyboard on the tiles. The one tile that Tab reaches: the selected
  // port's if it is shown, else the first shown one; -1 without tiles.
  int TabStopPort() const;
  // The port whose tile an arrow key moves to from `port`'s; -1 for none.
  int NeighbourPort(int port, MapDirection direction) const;
  // The Menu key or Shift+F10 on `port`'s tile: what a right click does,
  // with the menu at the tile.
  void TileMenuKey(int port);

  // "M&ore...", "&Reveal Hidden", "&Arrange".
  void ConOptsButtonClick();
  void ShowHidButtonClick();
  void OrgConButtonClick();
  // The port menu's first two items, for the selected port.
  void SetasInput1Click();
  void Hide1Click();

  // The activity timer's tick: redraws the tiles whose marks came on or
  // went off; nothing inside a nested operation.
  void TickActivity();

 private:
  enum class DragKind { kNone, kMove, kConnect };

  MidiPortTable* Table() const { return ports_.get(); }
  bool IsPortWithTile(int port) const;
  MapPoint Anchor(int port) const { return TileAnchor(tiles_[port], kImage); }
  static MapPoint InMap(MapPoint cursor) { return MapPoint{cursor.x - kImage.left, cursor.y - kImage.top}; }
  // Every connection line of `port`, to `point`.
  void DrawPortLines(int port, MapPoint point, bool black);
  void ShowPortMenu(int port, std::optional<MapPoint> atPage);
  void ConnectOrDelete(int source, int destination);
  bool ConnectByUser(int source, int destination);
  void EndDrag() { dragPort_ = -1; }

  std::unique_ptr<MidiPortTable>& ports_;
  Configuration& config_;
  PresetManager& presets_;
  BankSwitching& switching_;
  int& updatingControls_;
  ConnectionMapView& view_;

  bool hasTiles_ = false;
  TileRect tiles_[kMaxPorts] = {};
  std::uint32_t tileFlags_[kMaxPorts] = {};
  // The drag state: the selected and the dragged port, what the drag does,
  // where the cursor was, and the rubber band's end (x -1: none).
  int selected_ = -1;
  int dragPort_ = -1;
  DragKind dragKind_ = DragKind::kNone;
  MapPoint lastCursor_{};
  MapPoint bandEnd_{-1, -1};
  MidiActivity activity_;
};

}  // namespace korvel
