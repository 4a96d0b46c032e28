// What a short MIDI message becomes on FluidSynth's command shell: one line
// such as "noteon 0 60 100\n". The shell numbers channels from 0, as the low
// nibble of the status byte does, and takes a pitch bend as its 14-bit value
// (8192 = centre). It has no command for key or channel pressure, nor for
// system messages, so those become no line.
#pragma once

#include <cstddef>
#include <cstdint>

namespace korvel::emu::vmidi {

// Room for the longest line, "pitch_bend 15 16383\n", and its NUL.
constexpr std::size_t kShellCommandSize = 24;

// Writes the shell line for the packed message (status in the low byte, then
// the data bytes, as midiOutShortMsg takes it) and returns its length with the
// line feed; 0 and an empty line when the shell cannot play it. A Note On of
// velocity 0 is a Note Off. Data bytes are taken as their low 7 bits.
// Allocates nothing: it runs on the MIDI thread.
std::size_t ShellCommandFor(std::uint32_t message, char (&line)[kShellCommandSize]);

}  // namespace korvel::emu::vmidi
