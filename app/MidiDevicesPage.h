// The "Midi Devices" page: the connection map's image with a tile per MIDI
// port, and the "M&ore...", "&Reveal Hidden" and "&Arrange" buttons. The
// decisions are ConnectionMap's; the page draws the map and the tiles, shows
// the port menu and opens the "Connection Details" dialog.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "app/AppState.h"
#include "app/FormBuilder.h"
#include "app/ImageControl.h"
#include "app/PortTile.h"
#include "app/models/ConnectionMap.h"

namespace korvel {

class MidiDevicesPage final : public Window, public ConnectionMapView {
 public:
  // The map's image is bound to the page: its mouse and timer reach it.
  MidiDevicesPage(Form& form, HINSTANCE instance, ModalService& modal);
  ~MidiDevicesPage() override;

  // From start-up to shut-down the page works on the program's state.
  void Attach(AppState& state);
  void Detach();
  // The activity timer runs only while the map can be seen (its page shown,
  // the window neither hidden in the tray nor minimized): Korvel at rest
  // wakes for nothing. Called whenever the page or the window is shown or
  // hidden.
  void FollowVisibility();
  // The map's operations for start-up, shut-down and the presets; nothing
  // while no state is attached.
  ConnectionMap* Map() { return map_.get(); }

  bool OnCommand(int id, int code);

  // ConnectionMapView
  void CreateTile(int port, const TileRect& bounds, const char* name) override;
  void DestroyTiles() override;
  void MoveTile(int port, const TileRect& bounds) override;
  void ShowTile(int port, bool shown) override;
  void BringTileToFront(int port) override;
  void DrawTile(int port, const TileLook& look) override;
  void ClearMap() override;
  void DrawLine(MapPoint from, MapPoint to, bool black) override;
  int ShowPortMenu(const std::vector<PortMenuItem>& items, std::optional<MapPoint> atPage) override;
  void OpenConnectionDetails(int connection) override;

 private:
  // The map image's messages.
  LRESULT HandleMessage(HWND image, UINT message, WPARAM wParam, LPARAM lParam) override;
  MapPoint CursorOnPage() const;
  // Starts or stops the activity timer.
  void RunActivityTimer(bool on);
  // Tab reaches the map through one tile, the map's tab stop: it moves
  // with the selection and away from hidden tiles.
  void FollowTabStop();

  Form& form_;
  HINSTANCE instance_;
  HWND image_;
  AppState* state_ = nullptr;
  std::unique_ptr<ConnectionMap> map_;
  bool ticking_ = false;
  std::unique_ptr<PortTileWindow> tiles_[kMaxPorts];
  int tabStop_ = -1;
  // The picture drawn on the bank-switching input's tile.
  std::unique_ptr<Picture> midiIn_;
};

}  // namespace korvel
