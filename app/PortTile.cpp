#include "app/PortTile.h"

#include "resources/forms/ControlIds.h"

namespace korvel {

namespace {

constexpr char kTileClass[] = "TPortTile";

void RegisterTileClass(HINSTANCE instance) {
  WNDCLASSA existing;
  if (GetClassInfoA(instance, kTileClass, &existing)) return;
  WNDCLASSA windowClass{};
  windowClass.style = CS_DBLCLKS;
  windowClass.lpfnWndProc = Window::Procedure;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  windowClass.lpszClassName = kTileClass;
  RegisterClassA(&windowClass);
}

}  // namespace

PortTileWindow::PortTileWindow(ModalService& modal, HWND page, int port, const TileRect& bounds,
                               const char* name, ConnectionMap& map)
    : Window(modal), map_(map), page_(page), port_(port) {
  const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(page, GWLP_HINSTANCE));
  RegisterTileClass(instance);
  window_ = CreateWindowExA(0, kTileClass, name, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, bounds.left, bounds.top,
                            bounds.width, bounds.height, page,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(ctl::FirstPortTile + port)), instance, this);
  SetWindowPos(window_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

PortTileWindow::~PortTileWindow() {
  if (window_ && IsWindow(window_)) DestroyWindow(window_);
}

SIZE PortTileWindow::Size() const {
  RECT client{};
  GetClientRect(window_, &client);
  return SIZE{client.right, client.bottom};
}

MapPoint PortTileWindow::CursorOnPage() const {
  POINT cursor{};
  GetCursorPos(&cursor);
  ScreenToClient(page_, &cursor);
  return MapPoint{cursor.x, cursor.y};
}

bool PortTileWindow::ArrowDirection(WPARAM key, MapDirection* direction) {
  switch (key) {
    case VK_LEFT: *direction = MapDirection::kLeft; return true;
    case VK_RIGHT: *direction = MapDirection::kRight; return true;
    case VK_UP: *direction = MapDirection::kUp; return true;
    case VK_DOWN: *direction = MapDirection::kDown; return true;
    default: return false;
  }
}

// The focus frame stays inside the tile's black frame.
void PortTileWindow::Paint(HWND window) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  picture_.DrawTo(dc, 0, 0);
  if (GetFocus() == window) {
    const SIZE size = Size();
    RECT focus{3, 3, size.cx - 3, size.cy - 3};
    DrawFocusRect(dc, &focus);
  }
  EndPaint(window, &paint);
}

// The tile keeps the mouse while a button is down, as a drag needs it
// also outside the tile. A button released over the tile is a click. A
// button pressed gives the tile the focus, so that the keys act on the
// tile the mouse chose.
LRESULT PortTileWindow::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      Paint(window);
      return 0;
    case WM_SETFOCUS:
      map_.SelectPort(port_);
      Repaint();
      return 0;
    case WM_KILLFOCUS:
      Repaint();
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS;
    case WM_KEYDOWN: {
      MapDirection direction;
      if (!ArrowDirection(wParam, &direction)) break;
      const int next = map_.NeighbourPort(port_, direction);
      if (next != -1) SetFocus(GetDlgItem(page_, ctl::FirstPortTile + next));
      return 0;
    }
    // The Menu key and Shift+F10 ask for the menu the same way on every
    // system (some send WM_CONTEXTMENU for them, some do not).
    case WM_KEYUP:
      if (wParam != VK_APPS) break;
      SendMessageA(window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window), -1);
      return 0;
    case WM_SYSKEYDOWN:
      if (wParam != VK_F10 || GetKeyState(VK_SHIFT) >= 0) break;
      SendMessageA(window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window), -1);
      return 0;
    case WM_CONTEXTMENU:
      // The mouse's menu opened when its button went down.
      if (LOWORD(lParam) != 0xFFFF || HIWORD(lParam) != 0xFFFF) break;
      map_.TileMenuKey(port_);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_MBUTTONDOWN:
      SetFocus(window);
      SetCapture(window);
      map_.TileMouseDown(port_, message == WM_LBUTTONDOWN ? MouseButton::kLeft : MouseButton::kMiddle,
                         (wParam & MK_SHIFT) != 0, CursorOnPage());
      return 0;
    case WM_RBUTTONDOWN:
      SetFocus(window);
      map_.TileMouseDown(port_, MouseButton::kRight, (wParam & MK_SHIFT) != 0, CursorOnPage());
      return 0;
    case WM_MOUSEMOVE:
      map_.TileMouseMove(port_, (wParam & MK_LBUTTON) != 0, CursorOnPage());
      return 0;
    case WM_LBUTTONUP:
    case WM_MBUTTONUP: {
      if (GetCapture() == window) ReleaseCapture();
      map_.TileMouseUp(port_, CursorOnPage());
      RECT client{};
      GetClientRect(window, &client);
      const POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      if (message == WM_LBUTTONUP && PtInRect(&client, at)) map_.TileClick(port_);
      return 0;
    }
    case WM_LBUTTONDBLCLK:
      map_.TileDoubleClick(port_);
      return 0;
    default:
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace korvel
