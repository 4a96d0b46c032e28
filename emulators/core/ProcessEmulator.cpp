#include "emulators/core/ProcessEmulator.h"

#include <memory>
#include <utility>

#include "emulators/core/Ews64DriverCore.h"
#include "emulators/core/ManagerCores.h"
#include "emulators/core/ManagerEntries.h"

namespace korvel::emu {
namespace {

struct ProcessState {
  std::unique_ptr<Emulator> emulator;
  std::function<EmulatorSetup()> factory;
};

ProcessState& Process() {
  static ProcessState state;
  return state;
}

SoundFontManagerCore* SfCore() {
  Emulator* emulator = ProcessEmulator();
  return emulator ? &emulator->SoundFontManager() : nullptr;
}

using Entries = SfManagerEntries<SoundFontManagerCore, SfCore>;

SfManagerEntryFn gSfManagerExport = Entries::Begin;

std::uint32_t KORVEL_WINAPI AweManager(std::intptr_t handle, std::uint32_t code,
                                       std::intptr_t p1, std::intptr_t p2) {
  Emulator* emulator = ProcessEmulator();
  return emulator ? emulator->AweManager().Call(handle, code, p1, p2) : kSfBadDevice;
}

}  // namespace

Emulator& StartProcessEmulator(const EmulatorSetup& setup) {
  ProcessState& process = Process();
  process.emulator.reset();
  process.emulator = std::make_unique<Emulator>(setup);
  return *process.emulator;
}

void StopProcessEmulator() {
  ProcessState& process = Process();
  process.emulator.reset();
}

Emulator* ProcessEmulator() {
  ProcessState& process = Process();
  if (!process.emulator && process.factory) {
    process.emulator = std::make_unique<Emulator>(process.factory());
  }
  return process.emulator.get();
}

void SetProcessEmulatorFactory(std::function<EmulatorSetup()> factory) {
  ProcessState& process = Process();
  process.factory = std::move(factory);
}

SfManagerEntryFn* SoundFontManagerExport() { return &gSfManagerExport; }
SfManagerEntryFn SoundFontManagerEntry() { return gSfManagerExport; }
const SfManagerTable* SoundFontManagerTable() { return &Entries::kTable; }
AweManagerFn AweManagerEntry() { return AweManager; }

std::intptr_t Ews64DriverMessage(std::uint32_t msg, std::intptr_t p1, std::intptr_t p2) {
  Emulator* emulator = ProcessEmulator();
  return emulator ? emulator->Ews64Driver().Message(msg, p1, p2) : 0;
}

}  // namespace korvel::emu
