// Feeds arbitrary bytes to the preset file reader. A refused file leaves the
// image alone; an accepted one is written again, and that file reads back to
// the same content and the same bytes.
#include <cstdint>
#include <cstring>
#include <vector>

#include "banks/presets/PresetImage.h"

namespace {

using korvel::PresetDecodeResult;
using korvel::PresetImage;

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

bool Terminated(const char* text, std::size_t size) { return std::memchr(text, 0, size) != nullptr; }

// What every user of a decoded image relies on.
void CheckBounds(const PresetImage& image) {
  Check(image.devices.size() <= static_cast<std::size_t>(korvel::kMaxDevices));
  for (const korvel::PresetDevice& block : image.devices) {
    const korvel::SoundDevice& device = block.device;
    Check(device.slotCount <= korvel::kSlotsPerDevice);
    Check(Terminated(device.lastFolder, sizeof device.lastFolder) && Terminated(device.name, sizeof device.name));
    for (int slot = 0; slot < device.slotCount; ++slot) {
      Check(Terminated(device.paths[slot], sizeof device.paths[slot]));
      Check(Terminated(device.slots[slot].name, sizeof device.slots[slot].name));
    }
  }
  for (const korvel::PresetTile& tile : image.tiles) Check(Terminated(tile.portName, sizeof tile.portName));
  for (const korvel::PresetConnection& connection : image.connections) {
    Check(Terminated(connection.sourceName, sizeof connection.sourceName));
    Check(Terminated(connection.destName, sizeof connection.destName));
    Check(connection.modifications.size() <= static_cast<std::size_t>(korvel::kMaxModifications));
  }
}

bool SameEssentials(const PresetImage& a, const PresetImage& b) {
  return a.version == b.version && a.revision == b.revision && a.saveFlags == b.saveFlags &&
         a.devices.size() == b.devices.size() && a.bankListRow == b.bankListRow &&
         a.tiles.size() == b.tiles.size() && a.connections.size() == b.connections.size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  PresetImage image;
  image.bankListRow = 1234;
  if (korvel::DecodePreset(data, size, image) != PresetDecodeResult::kOk) {
    Check(image.bankListRow == 1234 && image.devices.empty());
    return 0;
  }
  CheckBounds(image);

  const std::vector<std::uint8_t> written = korvel::EncodePreset(image);
  PresetImage again;
  Check(korvel::DecodePreset(written.data(), written.size(), again) == PresetDecodeResult::kOk);
  Check(SameEssentials(image, again));
  Check(again.extensionEnd ==
        (again.HasExtensions() ? korvel::ExtensionEnd::kEndRecord : korvel::ExtensionEnd::kNone));
  for (std::size_t i = 0; i < again.connections.size(); ++i) {
    Check(again.connections[i].modifications.size() == image.connections[i].modifications.size());
  }
  Check(korvel::EncodePreset(again) == written);
  return 0;
}
