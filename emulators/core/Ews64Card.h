// An emulated EWS64 card: eight physical banks sharing one sound memory.
// A sound set (.tts or .94b) takes as much memory as its file is long.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "emulators/core/Abi.h"
#include "emulators/core/BankRecord.h"

namespace korvel::emu {

class Ews64Card {
 public:
  Ews64Card(std::uint32_t memoryBytes, std::uint32_t id);

  std::uint32_t Id() const { return id_; }
  std::uint32_t TotalBytes() const { return memory_; }
  std::uint32_t FreeBytes() const;
  // `bank` below kEws64Banks.
  const BankRecord& Bank(unsigned bank) const { return banks_.at(bank); }

  // Driver results (kDrv...). Loading into an occupied bank replaces it; a
  // refused load leaves the card as it was.
  std::uint32_t Load(unsigned bank, const std::string& devicePath, const PathMapper& map);
  std::uint32_t Clear(unsigned bank);
  // Puts back a bank read from the state file; false (and no change) when it
  // does not fit this card.
  bool Restore(unsigned bank, const BankRecord& record);
  void ClearAll();

 private:
  std::uint32_t memory_;
  std::uint32_t id_;
  std::array<BankRecord, kEws64Banks> banks_;
};

}  // namespace korvel::emu
