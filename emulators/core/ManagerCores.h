// The SoundFont manager's entries and the AWE manager's function codes, as
// methods of one process's emulator. The plain entry points that the DLLs
// export (ProcessEmulator.h) forward to these.
//
// SoundFont manager entries (0 = success):
//    0 DeviceCount(count*)               1 Describe(dev, record*)   (102 bytes, name at 22)
//    4 Open(dev)                         5 Close(dev)
//    7 Memory(dev, total*, free*)        bytes, signed 32-bit
//    9 RomName(dev, request*)            name of the built-in bank 0
//   11 Load(dev, bank*, request*)        path in the request's buffer
//   12 BankName(dev, bank*, request*)   13 BankPath(dev, bank*, request*)
//   14 Clear(dev, bank*)
// AWE manager, Call(handle, code, p1, p2):
//   104 (0, count*, 0)   106 (0, dev, record*) (330 bytes, name at 26)
//   101 (0, handle*, dev) -> 32-bit handle   102 (handle, 0, 0)
//   308 (handle, total*, free*) in 16-bit words   305 (handle, request*, 0)
//   306 (handle, bank, request*)   204 (handle, bank, request*)   205 (handle, bank, 0)
//
// Devices are numbered from 0; a device number's upper 16 bits are ignored.
// Entries 7 to 14 and AWE codes with a handle need the device open. A name or
// path goes into the request's buffer cut to its size; the request's length
// becomes the text's length + 1, or 0 for an empty bank.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "emulators/core/Abi.h"

namespace korvel::emu {

class Emulator;
class SoundFontDevice;

constexpr std::intptr_t kAweHandleBase = 0x0AE0;  // + device number

class SoundFontManagerCore {
 public:
  explicit SoundFontManagerCore(Emulator& emulator) : emulator_(emulator) {}

  std::uint32_t DeviceCount(std::uint32_t* count);
  std::uint32_t Describe(std::uint32_t dev, void* record);
  std::uint32_t Open(std::uint32_t dev);
  std::uint32_t Close(std::uint32_t dev);
  std::uint32_t Memory(std::uint32_t dev, std::int32_t* total, std::int32_t* free);
  std::uint32_t RomName(std::uint32_t dev, SfRequest* request);
  std::uint32_t Load(std::uint32_t dev, const std::uint16_t* bank, SfRequest* request);
  std::uint32_t BankName(std::uint32_t dev, const std::uint16_t* bank, SfRequest* request);
  std::uint32_t BankPath(std::uint32_t dev, const std::uint16_t* bank, SfRequest* request);
  std::uint32_t Clear(std::uint32_t dev, const std::uint16_t* bank);

 private:
  SoundFontDevice* DeviceOf(std::uint32_t dev);
  std::uint32_t OpenDevice(std::uint32_t dev, SoundFontDevice** device);

  Emulator& emulator_;
};

class AweManagerCore {
 public:
  explicit AweManagerCore(Emulator& emulator) : emulator_(emulator) {}

  std::uint32_t Call(std::intptr_t handle, std::uint32_t code, std::intptr_t p1,
                     std::intptr_t p2);

 private:
  SoundFontDevice* DeviceOf(std::intptr_t handle);

  Emulator& emulator_;
};

// Shared by every manager: both of the emulator and FluidSynth's bridge.
// Puts `text` into the request's buffer (cut to fit) and sets its length.
std::uint32_t AnswerText(SfRequest* request, const char* text, bool present);
// The path in a load request, NUL-terminated within its buffer and
// kBankPathMax; false when the request is unusable.
bool RequestPath(const SfRequest* request, std::string* path);
// Writes a description record of `size` bytes with the name at `nameAt`.
std::uint32_t WriteDescription(void* record, std::size_t size, std::size_t nameAt,
                               unsigned dev, std::uint32_t memoryBytes, const std::string& name);

}  // namespace korvel::emu
