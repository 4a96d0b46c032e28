// The order in which Tab and Shift+Tab move the focus through a window: its
// visible, enabled tab stops in the order of its children, where a control
// that holds controls (WS_EX_CONTROLPARENT, as the page control holding its
// pages) comes first itself, if it is a tab stop, and then what it holds.
// So the page tabs are reached between the control before them and the
// page's own controls, which the dialog manager, passing over a control
// parent, cannot do.
#pragma once

#include <windows.h>

namespace korvel {

// The tab stop of `window` after `focus` (before it with `back`), going
// round; the first (or last) one when `focus` is none of them, null when
// the window has none.
HWND NextTabStop(HWND window, HWND focus, bool back);

}  // namespace korvel
