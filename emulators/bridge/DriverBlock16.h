// The driver block as both sides of the EWS64 driver see it (Win32 only).
//
// The program sends block messages with the block's 16:16 address when the
// WOW32 bridge of the 16-bit global heap works in the process, and with the
// block's flat address when it does not; the driver turns the parameter back
// into a flat address. Both sides decide with the same probe, once per
// process: on 64-bit Windows never; on 32-bit Windows when wow32.dll offers
// WOWGlobalAllocLock16, WOWGetVDMPointer and WOWGlobalFree16 and a trial block
// can be allocated, written through its flat address, found again at the same
// flat address and freed.
#pragma once

#include <cstddef>
#include <cstdint>

namespace korvel::bridge {

bool Wow32BridgeWorks();

struct DriverBlock {
  void* flat = nullptr;       // where the program reads and writes the block
  std::intptr_t param = 0;    // SendDriverMessage's second parameter for block messages
  std::uint16_t handle16 = 0; // 16-bit global handle; 0 for a flat block
};

// A zero-filled block of `bytes` bytes, locked until freed; false when none can be had.
bool AllocDriverBlock(std::size_t bytes, DriverBlock* block);
void FreeDriverBlock(DriverBlock* block);
// Driver side: the flat address of the block passed as `param` (null for 0).
void* DriverBlockFromParam(std::intptr_t param, std::size_t bytes);

}  // namespace korvel::bridge
