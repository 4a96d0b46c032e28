#include "app/TabOrder.h"

#include <algorithm>
#include <vector>

namespace korvel {

namespace {

void CollectTabStops(HWND parent, std::vector<HWND>& stops) {
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    const LONG_PTR style = GetWindowLongPtrA(child, GWL_STYLE);
    if (!(style & WS_VISIBLE) || (style & WS_DISABLED)) continue;
    if (style & WS_TABSTOP) stops.push_back(child);
    if (GetWindowLongPtrA(child, GWL_EXSTYLE) & WS_EX_CONTROLPARENT) CollectTabStops(child, stops);
  }
}

}  // namespace

HWND NextTabStop(HWND window, HWND focus, bool back) {
  std::vector<HWND> stops;
  CollectTabStops(window, stops);
  if (stops.empty()) return nullptr;
  // Inside a control made of windows (a combo box's edit) the control counts.
  auto at = std::find(stops.begin(), stops.end(), focus);
  for (HWND inside = focus; at == stops.end() && inside && inside != window;) {
    inside = GetParent(inside);
    at = std::find(stops.begin(), stops.end(), inside);
  }
  if (at == stops.end()) return back ? stops.back() : stops.front();
  const std::size_t index = static_cast<std::size_t>(at - stops.begin());
  const std::size_t count = stops.size();
  return stops[back ? (index + count - 1) % count : (index + 1) % count];
}

}  // namespace korvel
