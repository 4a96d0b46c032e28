// The virtual MIDI ports a prefix offers, read from "korvelmidi.ini" in the
// Windows directory. One port a line:
//
//   input=Virtual Keyboard          an input only
//   output=Virtual Synth, once      an output that opens once at a time
//   both=Virtual Loopback, loop     an input and an output of the same name;
//                                   "loop" feeds what the output receives
//                                   back into the input
//
// Names are cut to 31 characters. '#' and ';' start comment lines; keys and
// marks ignore case; unknown keys and marks are ignored.
#pragma once

#include <string>
#include <vector>

namespace korvel::emu::vmidi {

struct PortEntry {
  std::string name;
  bool input = false;
  bool output = false;
  bool opensOnce = false;
  bool loop = false;
};

std::vector<PortEntry> ParsePortList(const std::string& text);
// The ports of the file at `path`; none when it cannot be read.
std::vector<PortEntry> ReadPortFile(const std::string& path);
// Where the ports of this prefix are listed: <Windows directory>\korvelmidi.ini.
std::string PortFilePath();

}  // namespace korvel::emu::vmidi
