// The emulator's entry points as the simulated platform hands them to Korvel,
// each call timed: SendDriverMessage forwards to TimedDriverMessage, and
// GetProcAddress gives these exports in place of the emulator's own. A
// benchmark can then tell the time spent in the emulated hardware from
// Korvel's own (sim::EmulatorCallTime).
#pragma once

#include <cstdint>

namespace platform::sim::detail {

std::intptr_t TimedDriverMessage(std::uint32_t message, std::intptr_t param1,
                                 std::intptr_t param2);
// What GetProcAddress gives for "SFManager" (the address of a variable holding
// the entry function, whose table's entries are timed too) and "AWEManager".
void* TimedSoundFontManagerExport();
void* TimedAweManagerExport();

}  // namespace platform::sim::detail
