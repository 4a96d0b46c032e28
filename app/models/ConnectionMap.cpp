#include "app/models/ConnectionMap.h"

#include "config/ErrorBox.h"
#include "config/ModalService.h"
#include "midi/ConnectionList.h"

namespace korvel {

bool ConnectionMap::IsPortWithTile(int port) const {
  return hasTiles_ && Table() && Table()->IsPort(port);
}

void ConnectionMap::CreatePortTiles() {
  hasTiles_ = false;
  MidiPortTable* table = Table();
  if (!table || table->portCount == 0) return;
  for (int port = 0; port < table->portCount; ++port) {
    const MapPoint place = GridPlace(port);
    tiles_[port] = PlaceTileBounds(kImage, place.x, place.y);
    view_.CreateTile(port, tiles_[port], table->ports[port]->name);
  }
  hasTiles_ = true;
}

void ConnectionMap::DestroyPortTiles() {
  if (!hasTiles_) return;
  view_.DestroyTiles();
  hasTiles_ = false;
}

void ConnectionMap::PlaceTile(int port, int x, int y) {
  if (!IsPortWithTile(port)) return;
  tiles_[port] = PlaceTileBounds(kImage, x, y);
  view_.MoveTile(port, tiles_[port]);
}

PortTile ConnectionMap::TileOf(int port) const {
  if (!IsPortWithTile(port)) return PortTile{};
  return PortTile{tiles_[port].left, tiles_[port].top, tileFlags_[port]};
}

void ConnectionMap::RestoreTile(int port, const PortTile& tile) {
  if (!IsPortWithTile(port)) return;
  PlaceTile(port, tile.left, tile.top);
  if (tile.flags & kTileHidden) HideTile(port);
  else RevealTile(port);
  tileFlags_[port] = tile.flags;
}

void ConnectionMap::RedrawConnectionMap() {
  view_.ClearMap();
  MidiPortTable* table = Table();
  if (!hasTiles_ || !table) return;
  for (int k = 0; k < table->connectionCount; ++k) {
    const MidiConnection& connection = *table->connections[k];
    view_.DrawLine(Anchor(connection.Destination()), Anchor(connection.Source()), true);
  }
  for (int port = 0; port < table->portCount; ++port) {
    if (!(tileFlags_[port] & kTileHidden)) DrawTile(port);
  }
}

void ConnectionMap::DrawTile(int port) {
  if (!IsPortWithTile(port)) return;
  const MidiPortTable& table = *Table();
  const MidiPort& midiPort = *table.ports[port];
  TileLook look;
  look.name = midiPort.name;
  look.hidden = (tileFlags_[port] & kTileHidden) != 0;
  look.selected = port == selected_;
  look.hasInput = midiPort.HasInput();
  look.hasOutput = midiPort.HasOutput();
  look.bankSwitchInput = port == table.bankSwitchInput;
  look.inputActive = activity_.InputLit(port);
  look.outputActive = activity_.OutputLit(port);
  view_.DrawTile(port, look);
}

// Inside a nested operation (a dialog's or a menu's loop, a repaint in the
// middle of a load) a tick looks at nothing: the next one at the top
// catches up.
void ConnectionMap::TickActivity() {
  const MidiPortTable* table = Table();
  if (!table || !hasTiles_ || Modality().InNestedOperation()) return;
  std::array<bool, kMaxPorts> changed{};
  if (!activity_.Tick(*table, changed)) return;
  for (int port = 0; port < kMaxPorts; ++port) {
    if (changed[port]) DrawTile(port);
  }
}

void ConnectionMap::SelectPort(int port) {
  if (port == selected_) return;
  const int old = selected_;
  selected_ = port;
  if (old != -1) DrawTile(old);
  DrawTile(port);
}

void ConnectionMap::HideTile(int port) {
  if (!IsPortWithTile(port)) return;
  tileFlags_[port] |= kTileHidden;
  view_.ShowTile(port, false);
}

void ConnectionMap::RevealTile(int port) {
  if (!IsPortWithTile(port)) return;
  tileFlags_[port] &= ~kTileHidden;
  view_.ShowTile(port, true);
}

void ConnectionMap::DrawPortLines(int port, MapPoint point, bool black) {
  MidiPortTable& table = *Table();
  for (int k = FirstConnectionOf(table, port); k != -1; k = NextConnectionOf(table)) {
    view_.DrawLine(Anchor(OtherEnd(table, k, port)), point, black);
  }
}

void ConnectionMap::TileMouseDown(int port, MouseButton button, bool shift, MapPoint cursor) {
  if (!IsPortWithTile(port)) return;
  view_.BringTileToFront(port);
  SelectPort(port);
  if (button == MouseButton::kRight) {
    ShowPortMenu(port, std::nullopt);
    return;
  }
  lastCursor_ = cursor;
  dragPort_ = port;
  MidiPortTable& table = *Table();
  if (shift) {
    // A connection is drawn from a port's input to another port's output.
    dragKind_ = DragKind::kConnect;
    if (table.ports[port]->HasInput()) {
      bandEnd_ = InMap(cursor);
      view_.DrawLine(Anchor(port), bandEnd_, true);
    } else {
      EndDrag();
    }
    return;
  }
  dragKind_ = DragKind::kMove;
  if (FindConnection(table, port, -1) != -1 || FindConnection(table, -1, port) != -1) {
    bandEnd_ = Anchor(port);
    DrawPortLines(port, bandEnd_, true);
  }
  DrawTile(port);
}

// Only the lines that change are drawn while a tile moves: its lines are
// painted white at the old place and black at the new one.
void ConnectionMap::TileMouseMove(int port, bool leftButtonDown, MapPoint cursor) {
  if (!leftButtonDown) EndDrag();
  if (dragPort_ == -1) return;
  if (dragKind_ == DragKind::kConnect) {
    ConnImageMouseMove(cursor);
    return;
  }
  if (dragPort_ != port) {
    EndDrag();
    RedrawConnectionMap();
    return;
  }
  const TileRect before = tiles_[port];
  PlaceTile(port, before.left + cursor.x - lastCursor_.x, before.top + cursor.y - lastCursor_.y);
  if (tiles_[port].width != before.width || tiles_[port].height != before.height) DrawTile(port);
  presets_.MarkChanged();
  if (bandEnd_.x != -1) {
    DrawPortLines(port, bandEnd_, false);
    bandEnd_ = Anchor(port);
    DrawPortLines(port, bandEnd_, true);
  }
  lastCursor_ = cursor;
}

void ConnectionMap::ConnImageMouseMove(MapPoint cursor) {
  if (dragPort_ == -1 || dragKind_ != DragKind::kConnect) return;
  view_.DrawLine(Anchor(dragPort_), bandEnd_, false);
  bandEnd_ = InMap(cursor);
  view_.DrawLine(Anchor(dragPort_), bandEnd_, true);
}

void ConnectionMap::TileMouseUp(int, MapPoint cursor) {
  if (dragPort_ == -1) {
    RedrawConnectionMap();
    return;
  }
  if (dragKind_ == DragKind::kConnect) {
    MidiPortTable& table = *Table();
    const int target = TileAtPoint(tiles_, table.portCount, cursor);
    if (target != -1) {
      if (table.ports[target]->HasOutput()) ConnectByUser(dragPort_, target);
      else ErrorBox("Cannot connect these devices!");
    }
  }
  EndDrag();
  bandEnd_ = MapPoint{-1, -1};
  RedrawConnectionMap();
}

void ConnectionMap::ConnImageMouseUp() { RedrawConnectionMap(); }

int ConnectionMap::TabStopPort() const {
  if (!hasTiles_ || !Table()) return -1;
  if (IsPortWithTile(selected_) && !(tileFlags_[selected_] & kTileHidden)) return selected_;
  for (int port = 0; port < Table()->portCount; ++port) {
    if (!(tileFlags_[port] & kTileHidden)) return port;
  }
  return -1;
}

int ConnectionMap::NeighbourPort(int port, MapDirection direction) const {
  if (!IsPortWithTile(port)) return -1;
  return TileTowards(tiles_, tileFlags_, Table()->portCount, port, direction);
}

void ConnectionMap::TileMenuKey(int port) {
  if (!IsPortWithTile(port)) return;
  view_.BringTileToFront(port);
  SelectPort(port);
  const TileRect& tile = tiles_[port];
  ShowPortMenu(port, MapPoint{tile.left + tile.width / 2, tile.top + tile.height / 2});
}

void ConnectionMap::TileClick(int port) {
  SelectPort(port);
  EndDrag();
}

void ConnectionMap::TileDoubleClick(int) {
  view_.OpenConnectionDetails(Table() ? FirstConnectionOf(*Table(), selected_) : -1);
  EndDrag();
}

void ConnectionMap::ConOptsButtonClick() { view_.OpenConnectionDetails(0); }

void ConnectionMap::ShowHidButtonClick() {
  if (!hasTiles_) return;
  for (int port = 0; port < Table()->portCount; ++port) RevealTile(port);
  RedrawConnectionMap();
}

// Tiles go back to their grid places; hidden ones stay hidden.
void ConnectionMap::OrgConButtonClick() {
  DestroyPortTiles();
  CreatePortTiles();
  if (hasTiles_) {
    for (int port = 0; port < Table()->portCount; ++port) {
      if (tileFlags_[port] & kTileHidden) view_.ShowTile(port, false);
    }
  }
  RedrawConnectionMap();
}

void ConnectionMap::SetasInput1Click() {
  if (selected_ == -1 || !Table()) return;
  MidiPortTable& table = *Table();
  if (selected_ == table.bankSwitchInput) config_.cflags &= ~BankSwitchInput;
  else config_.cflags |= BankSwitchInput;
  switching_.SetBankSwitchingInput(table, selected_, updatingControls_ != 0);
  RedrawConnectionMap();
  EndDrag();
}

void ConnectionMap::Hide1Click() {
  if (selected_ == -1) return;
  if (tileFlags_[selected_] & kTileHidden) RevealTile(selected_);
  else HideTile(selected_);
  EndDrag();
}

void ConnectionMap::ShowPortMenu(int port, std::optional<MapPoint> atPage) {
  const std::vector<PortMenuItem> items = PortMenuItems(*Table(), port, tileFlags_, config_.cflags);
  const int chosen = view_.ShowPortMenu(items, atPage);
  if (chosen < 0 || chosen >= static_cast<int>(items.size())) return;
  const PortMenuItem& item = items[chosen];
  switch (item.action) {
    case PortMenuItem::kSetInput:
      SetasInput1Click();
      break;
    case PortMenuItem::kHide:
      Hide1Click();
      break;
    case PortMenuItem::kConnectTo:
      ConnectOrDelete(selected_, item.port);
      break;
    case PortMenuItem::kConnectFrom:
      ConnectOrDelete(item.port, selected_);
      break;
    case PortMenuItem::kSeparator:
      break;
  }
  EndDrag();
}

// The connection's line is erased before it goes; the map is then drawn
// again so that lines it crossed are whole.
void ConnectionMap::ConnectOrDelete(int source, int destination) {
  MidiPortTable& table = *Table();
  const int existing = FindConnection(table, source, destination);
  if (existing == -1) {
    if (ConnectByUser(source, destination)) RedrawConnectionMap();
    return;
  }
  view_.DrawLine(Anchor(destination), Anchor(source), false);
  presets_.ForgetKeptConnection(table, source, destination);
  Disconnect(table, existing);
  RedrawConnectionMap();
}

// What the user makes of a pair of ports replaces what the preset kept of it.
bool ConnectionMap::ConnectByUser(int source, int destination) {
  MidiPortTable& table = *Table();
  if (!ConnectPorts(table, config_.cflags, source, destination)) return false;
  presets_.ForgetKeptConnection(table, source, destination);
  return true;
}

}  // namespace korvel
