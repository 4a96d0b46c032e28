// The emulator that the plain entry points of this process answer for: the
// EWS64 driver's messages, the SoundFont manager's "SFManager" and the AWE
// manager's "AWEManager". The DLLs export these; the native simulated
// platform hands them to Korvel in place of GetProcAddress and
// SendDriverMessage.
#pragma once

#include <cstdint>
#include <functional>

#include "emulators/core/Abi.h"
#include "emulators/core/Emulator.h"

namespace korvel::emu {

// Makes a new emulator the process's one, replacing (and destroying) any earlier one.
Emulator& StartProcessEmulator(const EmulatorSetup& setup);
void StopProcessEmulator();
// The process's emulator; if there is none yet and a factory is set, one is
// started from the factory's setup. Null when neither.
Emulator* ProcessEmulator();
// Where a DLL says how to start its emulator on first use (no file is
// touched until then).
void SetProcessEmulatorFactory(std::function<EmulatorSetup()> factory);

// What GetProcAddress("SFManager") gives: the address of a variable holding
// the manager's entry function.
SfManagerEntryFn* SoundFontManagerExport();
// The entry function itself, and the table it hands out.
SfManagerEntryFn SoundFontManagerEntry();
const SfManagerTable* SoundFontManagerTable();
// What GetProcAddress("AWEManager") gives.
AweManagerFn AweManagerEntry();
// One EWS64 driver message to the process's emulator (block messages take the
// block's flat address in p2); 0 when there is no emulator.
std::intptr_t Ews64DriverMessage(std::uint32_t msg, std::intptr_t p1, std::intptr_t p2);

}  // namespace korvel::emu
