// The connection map of a running Korvel as a user reaches it: the port
// tiles (windows whose text is the port's name), dragged and right-clicked
// with real mouse input, and the port menu chosen from with the keyboard.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace testing_support {

// Shows page `tab` of Korvel's main window by clicking its tab.
bool ShowPage(HWND main, int tab, int timeoutMs);
// The port tiles in port order.
std::vector<HWND> PortTiles(HWND main);
HWND PortTileNamed(HWND main, const std::string& name);
// Presses the left button on `from`'s centre and lets it go on `to`'s,
// moving in steps; with `shift` the Shift key is held meanwhile.
void DragTile(HWND from, POINT to, bool shift);
// Right-clicks `tile` and chooses the menu's item `item` (counted from 0,
// separators left out) with the arrow keys and Enter. False when no menu
// of process `pid` opened.
bool ChoosePortMenuItem(HWND tile, int item, DWORD pid, int timeoutMs);

}  // namespace testing_support
