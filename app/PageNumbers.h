// The page numbers under which the configuration remembers the main window's
// page (`cursheet`), and the tab positions of those pages in `BankPage`
// (tab order: "Bank Manager", "Presets", "Midi Devices", "About").
#pragma once

namespace korvel {

// The tab of a stored page number, or -1 for a number that names no page.
constexpr int TabOfPageNumber(int pageNumber) {
  switch (pageNumber) {
    case 0: return 0;  // "Bank Manager"
    case 2: return 1;  // "Presets"
    case 4: return 2;  // "Midi Devices"
    case 3: return 3;  // "About"
    default: return -1;
  }
}

// The page number stored for a tab; 0 for anything else.
constexpr int PageNumberOfTab(int tab) {
  switch (tab) {
    case 1: return 2;
    case 2: return 4;
    case 3: return 3;
    default: return 0;
  }
}

}  // namespace korvel
