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

class MidiDevicesPage final : public ConnectionMapView {
 public:
  MidiDevicesPage(Form& form, HINSTANCE instance, UserInterfaceTurn& turn);
  ~MidiDevicesPage();
  MidiDevicesPage(const MidiDevicesPage&) = delete;
  MidiDevicesPage& operator=(const MidiDevicesPage&) = delete;

  // From start-up to shut-down the page works on the program's state.
  void Attach(AppState& state);
  void Detach();
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
  int ShowPortMenu(const std::vector<PortMenuItem>& items) override;
  void OpenConnectionDetails(int connection) override;

 private:
  static LRESULT CALLBACK ConnImageProc(HWND image, UINT message, WPARAM wParam, LPARAM lParam);
  MapPoint CursorOnPage() const;

  Form& form_;
  UserInterfaceTurn& turn_;
  HINSTANCE instance_;
  HWND image_;
  WNDPROC imageProc_ = nullptr;
  AppState* state_ = nullptr;
  std::unique_ptr<ConnectionMap> map_;
  std::unique_ptr<PortTileWindow> tiles_[kMaxPorts];
  // The picture drawn on the bank-switching input's tile.
  std::unique_ptr<Picture> midiIn_;
};

}  // namespace korvel
