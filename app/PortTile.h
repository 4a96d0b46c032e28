// A port's tile on the connection map: a small window with its own canvas,
// its window text the port's name (so that screen readers and tests find
// it). It hands its mouse to the map in page coordinates. It takes the
// focus, which selects its port and is drawn as a dotted frame; the arrow
// keys move the focus to the tile beside it, and the Menu key or Shift+F10
// opens its port menu.
#pragma once

#include <windows.h>

#include "app/ImageControl.h"
#include "app/Window.h"
#include "app/models/ConnectionMap.h"

namespace korvel {

class PortTileWindow final : public Window {
 public:
  // A shown tile of `port` on `page`, in front of the map image.
  PortTileWindow(ModalService& modal, HWND page, int port, const TileRect& bounds, const char* name,
                 ConnectionMap& map);
  ~PortTileWindow() override;

  HWND Handle() const { return window_; }
  HDC Canvas() const { return picture_.Canvas(); }
  // The tile's current size; its canvas is always a full tile.
  SIZE Size() const;
  void Repaint() { InvalidateRect(window_, nullptr, FALSE); }

 private:
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  MapPoint CursorOnPage() const;
  // The arrow keys' directions, and whether `key` is one.
  static bool ArrowDirection(WPARAM key, MapDirection* direction);
  void Paint(HWND window);

  Picture picture_{kTileWidth, kTileHeight};
  ConnectionMap& map_;
  HWND page_;
  int port_;
  HWND window_ = nullptr;
};

}  // namespace korvel
