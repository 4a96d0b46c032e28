#include "tests/support/MapDriver.h"

#include <commctrl.h>

#include <algorithm>

#include "resources/forms/ControlIds.h"
#include "tests/support/RealInput.h"
#include "tests/support/WindowDriver.h"

namespace testing_support {

namespace {

constexpr int kDragSteps = 8;
// Time for the activation and the pointer to reach the window before a
// key is held.
constexpr DWORD kSettleMs = 500;

}  // namespace

bool ShowPage(HWND main, int tab, int timeoutMs) {
  HWND tabs = FindControl(main, korvel::ctl::BankPage);
  const RECT rect = TabRect(tabs, tab);
  ClickAt(POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2});
  return WaitFor([&]() -> HWND { return TabCtrl_GetCurSel(tabs) == tab ? tabs : nullptr; }, timeoutMs) != nullptr;
}

std::vector<HWND> PortTiles(HWND main) {
  std::vector<HWND> tiles;
  for (int port = 0; port < 16; ++port) {
    HWND tile = FindControl(main, korvel::ctl::FirstPortTile + port);
    if (!tile) break;
    tiles.push_back(tile);
  }
  return tiles;
}

HWND PortTileNamed(HWND main, const std::string& name) {
  for (HWND tile : PortTiles(main))
    if (WindowText(tile) == name) return tile;
  return nullptr;
}

void DragTile(HWND from, POINT to, bool shift) {
  const POINT start = CentreOf(from);
  // Wine sets the keys' state from the X server's whenever the pointer
  // enters a window or a window is activated, and the X server knows
  // nothing of Shift held by SendInput: the window is activated and the
  // pointer put on the tile before Shift goes down.
  POINT corner{2, 2};
  ClientToScreen(GetParent(from), &corner);
  ClickAt(corner);
  MoveMouse(start);
  Sleep(kSettleMs);
  if (shift) HoldKey(VK_SHIFT, true);
  LeftButton(start, true);
  for (int step = 1; step <= kDragSteps; ++step) {
    MoveMouse(POINT{start.x + (to.x - start.x) * step / kDragSteps, start.y + (to.y - start.y) * step / kDragSteps});
  }
  LeftButton(to, false);
  if (shift) HoldKey(VK_SHIFT, false);
}

bool ChoosePortMenuItem(HWND tile, int item, DWORD pid, int timeoutMs) {
  RightClickAt(CentreOf(tile));
  if (!WaitForTopLevel("#32768", nullptr, pid, timeoutMs)) return false;
  for (int i = 0; i <= item; ++i) PressKey(VK_DOWN);
  PressKey(VK_RETURN);
  return WaitFor([&]() -> HWND { return FindTopLevel("#32768", nullptr, pid) ? nullptr : tile; }, timeoutMs) !=
         nullptr;
}

}  // namespace testing_support
