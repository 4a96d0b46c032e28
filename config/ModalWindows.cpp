#include "config/ModalWindows.h"

#include <vector>

#include "config/StatusLine.h"

namespace korvel {

namespace {

// The buttons of a box, without its icon.
constexpr unsigned kButtonsMask = 0xF;

// Only the user-interface thread opens modal windows.
platform::Window mainWindow = 0;
std::vector<ModalWindow>& OpenWindows() {
  static std::vector<ModalWindow> open;
  return open;
}

}  // namespace

void SetMessageOwner(platform::Window main) { mainWindow = main; }

// A box raised while another box is open shares that box's owner.
platform::Window MessageOwner() {
  const std::vector<ModalWindow>& open = OpenWindows();
  if (open.empty()) return mainWindow;
  const ModalWindow& innermost = open.back();
  return innermost.window != 0 ? innermost.window : innermost.owner;
}

bool ModalWindowOpen() { return !OpenWindows().empty(); }

ModalWindow InnermostModalWindow() { return OpenWindows().empty() ? ModalWindow{} : OpenWindows().back(); }

ModalScope::ModalScope(platform::Window window) : owner_(MessageOwner()) {
  OpenWindows().push_back(ModalWindow{owner_, window});
}

ModalScope::~ModalScope() { OpenWindows().pop_back(); }

int ShowMessageBox(const char* text, const char* caption, unsigned type) {
  if (StatusLineReportsOpen() && (type & kButtonsMask) == platform::kMbOk) {
    ReportInStatusLine(text);
    return platform::kIdOk;
  }
  ModalScope box;
  return platform::MessageBoxA(box.Owner(), text, caption, type);
}

}  // namespace korvel
