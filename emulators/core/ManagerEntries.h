// The SoundFont manager's entry table over a manager object of any kind (the
// emulator's SoundFontManagerCore, FluidSynth's bridge): plain functions, as
// Korvel calls them, forwarding to the object that `Current` gives. A null
// object (the manager could not start) answers kSfBadDevice.
//
//   using Entries = SfManagerEntries<MyManager, &CurrentManager>;
//   SfManagerEntryFn exported = Entries::Begin;  // what "SFManager" holds
#pragma once

#include <cstdint>

#include "emulators/core/Abi.h"

namespace korvel::emu {

template <typename Manager, Manager* (*Current)()>
struct SfManagerEntries {
  static std::uint32_t KORVEL_WINAPI DeviceCount(std::uint32_t* count) {
    Manager* m = Current();
    return m ? m->DeviceCount(count) : kSfBadDevice;
  }
  static std::uint32_t KORVEL_WINAPI Describe(std::uint32_t dev, void* record) {
    Manager* m = Current();
    return m ? m->Describe(dev, record) : kSfBadDevice;
  }
  static std::uint32_t KORVEL_WINAPI Open(std::uint32_t dev) {
    Manager* m = Current();
    return m ? m->Open(dev) : kSfBadDevice;
  }
  static std::uint32_t KORVEL_WINAPI Close(std::uint32_t dev) {
    Manager* m = Current();
    return m ? m->Close(dev) : kSfBadDevice;
  }
  static std::uint32_t KORVEL_WINAPI Memory(std::uint32_t dev, std::int32_t* total,
                                            std::int32_t* free) {
    Manager* m = Current();
    return m ? m->Memory(dev, total, free) : kSfBadDevice;
  }
  static std::uint32_t KORVEL_WINAPI RomName(std::uint32_t dev, SfRequest* request) {
    Manager* m = Current();
    return m ? m->RomName(dev, request) : kSfBadDevice;
  }
  static std::uint32_t KORVEL_WINAPI Load(std::uint32_t dev, std::uint16_t* bank,
                                          SfRequest* request) {
    Manager* m = Current();
    return m ? m->Load(dev, bank, request) : kSfBadDevice;
  }
  static std::uint32_t KORVEL_WINAPI BankName(std::uint32_t dev, std::uint16_t* bank,
                                              SfRequest* request) {
    Manager* m = Current();
    return m ? m->BankName(dev, bank, request) : kSfBadDevice;
  }
  static std::uint32_t KORVEL_WINAPI BankPath(std::uint32_t dev, std::uint16_t* bank,
                                              SfRequest* request) {
    Manager* m = Current();
    return m ? m->BankPath(dev, bank, request) : kSfBadDevice;
  }
  static std::uint32_t KORVEL_WINAPI Clear(std::uint32_t dev, std::uint16_t* bank) {
    Manager* m = Current();
    return m ? m->Clear(dev, bank) : kSfBadDevice;
  }
  static std::uint32_t KORVEL_WINAPI Unused(std::uint32_t) { return kSfNotSupported; }

  static constexpr SfManagerTable kTable = {
      DeviceCount, Describe, Unused, Unused, Open,     Close,    Unused, Memory,
      Unused,      RomName,  Unused, Load,   BankName, BankPath, Clear,  Unused,
  };

  // Hands out the table for the one version Korvel asks for.
  static std::uint32_t KORVEL_WINAPI Begin(std::uint32_t version, const SfManagerTable** table) {
    if (!Current()) return kSfBadDevice;
    if (version != kSfManagerVersion || !table) return kSfBadArgument;
    *table = &kTable;
    return kSfOk;
  }
};

}  // namespace korvel::emu
