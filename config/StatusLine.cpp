#include "config/StatusLine.h"

#include <utility>

namespace korvel {

namespace {

// Only the user-interface thread reports.
struct StatusLineState {
  std::function<void(const std::string&)> show;
  int openReports = 0;
  std::string collected;
};

StatusLineState& State() {
  static StatusLineState state;
  return state;
}

// "Text.\n\n(occurred in ...)" reads "Text. (occurred in ...)".
std::string OnOneLine(const std::string& text) {
  std::string line;
  for (const char c : text) {
    const bool lineBreak = c == '\n' || c == '\r';
    if (!lineBreak) line += c;
    else if (!line.empty() && line.back() != ' ') line += ' ';
  }
  return line;
}

void Show(const std::string& text) {
  if (State().show) State().show(text);
}

}  // namespace

void SetStatusLine(std::function<void(const std::string&)> show) { State().show = std::move(show); }

StatusLineReports::StatusLineReports() { ++State().openReports; }

// A status line that cannot be written loses its text, never the program.
StatusLineReports::~StatusLineReports() {
  StatusLineState& state = State();
  if (--state.openReports > 0 || state.collected.empty()) return;
  std::string text;
  text.swap(state.collected);
  try {
    Show(text);
  } catch (...) {
  }
}

bool StatusLineReportsOpen() { return State().openReports > 0; }

void ReportInStatusLine(const std::string& text) {
  StatusLineState& state = State();
  const std::string line = OnOneLine(text);
  if (state.openReports == 0) {
    Show(line);
    return;
  }
  if (!state.collected.empty()) state.collected += ' ';
  state.collected += line;
}

}  // namespace korvel
