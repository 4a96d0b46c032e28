#include "emulators/core/ProcessEmulator.h"

#include <memory>
#include <utility>

#include "emulators/core/Ews64DriverCore.h"
#include "emulators/core/ManagerCores.h"

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

// ---- SoundFont manager entries ------------------------------------------------

std::uint32_t KORVEL_WINAPI SfDeviceCount(std::uint32_t* count) {
  auto* core = SfCore();
  return core ? core->DeviceCount(count) : kSfBadDevice;
}
std::uint32_t KORVEL_WINAPI SfDescribe(std::uint32_t dev, void* record) {
  auto* core = SfCore();
  return core ? core->Describe(dev, record) : kSfBadDevice;
}
std::uint32_t KORVEL_WINAPI SfOpen(std::uint32_t dev) {
  auto* core = SfCore();
  return core ? core->Open(dev) : kSfBadDevice;
}
std::uint32_t KORVEL_WINAPI SfClose(std::uint32_t dev) {
  auto* core = SfCore();
  return core ? core->Close(dev) : kSfBadDevice;
}
std::uint32_t KORVEL_WINAPI SfMemory(std::uint32_t dev, std::int32_t* total, std::int32_t* free) {
  auto* core = SfCore();
  return core ? core->Memory(dev, total, free) : kSfBadDevice;
}
std::uint32_t KORVEL_WINAPI SfRomName(std::uint32_t dev, SfRequest* request) {
  auto* core = SfCore();
  return core ? core->RomName(dev, request) : kSfBadDevice;
}
std::uint32_t KORVEL_WINAPI SfLoad(std::uint32_t dev, std::uint16_t* bank, SfRequest* request) {
  auto* core = SfCore();
  return core ? core->Load(dev, bank, request) : kSfBadDevice;
}
std::uint32_t KORVEL_WINAPI SfBankName(std::uint32_t dev, std::uint16_t* bank,
                                       SfRequest* request) {
  auto* core = SfCore();
  return core ? core->BankName(dev, bank, request) : kSfBadDevice;
}
std::uint32_t KORVEL_WINAPI SfBankPath(std::uint32_t dev, std::uint16_t* bank,
                                       SfRequest* request) {
  auto* core = SfCore();
  return core ? core->BankPath(dev, bank, request) : kSfBadDevice;
}
std::uint32_t KORVEL_WINAPI SfClear(std::uint32_t dev, std::uint16_t* bank) {
  auto* core = SfCore();
  return core ? core->Clear(dev, bank) : kSfBadDevice;
}
std::uint32_t KORVEL_WINAPI SfUnused(std::uint32_t) { return kSfNotSupported; }

const SfManagerTable kTable = {
    SfDeviceCount, SfDescribe, SfUnused, SfUnused, SfOpen,    SfClose,    SfUnused,   SfMemory,
    SfUnused,      SfRomName,  SfUnused, SfLoad,   SfBankName, SfBankPath, SfClear,   SfUnused,
};

std::uint32_t KORVEL_WINAPI SfBegin(std::uint32_t version, const SfManagerTable** table) {
  auto* core = SfCore();
  return core ? core->Begin(version, table, &kTable) : kSfBadDevice;
}

SfManagerEntryFn gSfManagerExport = SfBegin;

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
const SfManagerTable* SoundFontManagerTable() { return &kTable; }
AweManagerFn AweManagerEntry() { return AweManager; }

std::intptr_t Ews64DriverMessage(std::uint32_t msg, std::intptr_t p1, std::intptr_t p2) {
  Emulator* emulator = ProcessEmulator();
  return emulator ? emulator->Ews64Driver().Message(msg, p1, p2) : 0;
}

}  // namespace korvel::emu
