// Feeds arbitrary bytes to every reader of the emulated hardware: the bank
// file inspectors, the state file decoder and the configuration parser, and
// checks what the devices rely on.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "emulators/core/BankFile.h"
#include "emulators/core/BankRecord.h"
#include "emulators/core/EmulatorConfig.h"
#include "emulators/core/EmulatorState.h"

namespace {

using namespace korvel::emu;

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

bool HasNul(const std::string& text) { return text.find('\0') != std::string::npos; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const MemorySource source(data, size);
  BankFileInfo info;
  if (InspectSoundFont(source, &info) == InspectStatus::Ok) {
    Check(info.soundBytes + 12 <= size);
    Check(info.fileBytes == size);
    Check(info.name.size() <= kSoundFontNameMax && !HasNul(info.name));
  }
  for (const char* tag : {"TTPR", "PRIO"}) {
    if (InspectSoundSet(source, tag, &info) == InspectStatus::Ok) {
      Check(!info.name.empty() && info.name.size() <= kSoundSetNameMax && !HasNul(info.name));
      Check(info.soundBytes == size);
    }
  }

  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<StoredBank> banks;
  if (DecodeState(text, &banks)) {
    for (const StoredBank& bank : banks) {
      Check(bank.record.loaded && bank.record.bytes <= kMaxMemoryBytes);
      Check(bank.record.name.size() <= 255 && bank.record.path.size() <= kBankPathMax);
    }
  } else {
    Check(banks.empty());
  }

  const EmulatorConfig config = ParseConfig(text);
  Check(config.cards.size() <= 2 && config.devices.size() <= 8);
  for (const Ews64CardConfig& card : config.cards) Check(card.memoryBytes <= kMaxMemoryBytes);
  for (const SoundFontDeviceConfig& device : config.devices) {
    Check(device.memoryBytes <= kMaxMemoryBytes);
    Check(!device.name.empty() && device.name.size() <= 79);
  }
  return 0;
}
