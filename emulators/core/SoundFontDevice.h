// An emulated SoundFont device: a built-in bank 0 (its name fixed, its memory
// not counted) and banks 1 to 127 loaded from .sf2 files into a sound memory.
// A SoundFont takes as much memory as its sample data (the smpl chunk).
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "emulators/core/Abi.h"
#include "emulators/core/BankRecord.h"

namespace korvel::emu {

class SoundFontDevice {
 public:
  SoundFontDevice(std::string name, std::string romName, std::uint32_t memoryBytes);

  const std::string& Name() const { return name_; }
  const std::string& RomName() const { return romName_; }
  std::uint32_t TotalBytes() const { return memory_; }
  std::uint32_t FreeBytes() const;
  // `bank` below kSoundFontBanks; bank 0 is always empty here (it is the ROM).
  const BankRecord& Bank(unsigned bank) const { return banks_.at(bank); }

  // Manager results (kSf...). Bank 0 cannot be loaded or cleared. Loading
  // into an occupied bank replaces it; a refused load changes nothing.
  std::uint32_t Load(unsigned bank, const std::string& devicePath, const PathMapper& map);
  std::uint32_t Clear(unsigned bank);
  bool Restore(unsigned bank, const BankRecord& record);
  void ClearAll();

  // Opened by the program around its operations; not part of the stored state.
  bool IsOpen() const { return open_; }
  void SetOpen(bool open) { open_ = open; }

 private:
  std::string name_;
  std::string romName_;
  std::uint32_t memory_;
  bool open_ = false;
  std::array<BankRecord, kSoundFontBanks> banks_;
};

}  // namespace korvel::emu
