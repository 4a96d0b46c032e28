// The main window's status line: where work that MIDI started reports. No
// one may be at the computer to press OK, and a box would hold up the switch
// to the next song, so while a StatusLineReports lives the boxes that only
// inform (an OK button and nothing else) are shown there instead
// (ShowMessageBox asks StatusLineReportsOpen). The messages of one piece of
// work are shown together, in order, when it ends. Questions stay boxes:
// work that MIDI starts asks nothing.
#pragma once

#include <functional>
#include <string>

namespace korvel {

// What shows a text in the status line (none: messages are dropped).
void SetStatusLine(std::function<void(const std::string&)> show);

// While it lives, informing messages go to the status line. Scopes nest;
// the outermost shows what they collected when it ends, if anything.
class StatusLineReports {
 public:
  StatusLineReports();
  ~StatusLineReports();
  StatusLineReports(const StatusLineReports&) = delete;
  StatusLineReports& operator=(const StatusLineReports&) = delete;
};
bool StatusLineReportsOpen();

// Adds a message to what the open reports show; without open reports it is
// shown at once. Line breaks become spaces: the line has no room for them.
void ReportInStatusLine(const std::string& text);

}  // namespace korvel
