// The virtual MIDI ports a prefix offers, read from "korvelmidi.ini" in the
// Windows directory. One port a line:
//
//   input=Virtual Keyboard          an input only
//   output=Virtual Synth, once      an output that opens once at a time
//   both=Virtual Loopback, loop     an input and an output of the same name;
//                                   "loop" feeds what the output receives
//                                   back into the input
//   fluidsynth=FluidSynth, 127.0.0.1:9800
//                                   an output that plays what it is sent on
//                                   the FluidSynth whose command shell
//                                   listens at host:port (default
//                                   127.0.0.1:9800)
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
  // A FluidSynth port: where its shell listens; port 0 for the other ports.
  std::string shellHost;
  unsigned shellPort = 0;
};

std::vector<PortEntry> ParsePortList(const std::string& text);
// The ports of the file at `path`; none when it cannot be read.
std::vector<PortEntry> ReadPortFile(const std::string& path);
// Where the ports of this prefix are listed: <Windows directory>\korvelmidi.ini.
std::string PortFilePath();

}  // namespace korvel::emu::vmidi
