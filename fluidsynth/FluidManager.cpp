#include "fluidsynth/FluidManager.h"

#include <algorithm>
#include <set>

#include "emulators/core/BankFile.h"
#include "emulators/core/EmulatorState.h"
#include "emulators/core/ManagerCores.h"

namespace korvel::fluid {
namespace {

constexpr std::size_t kStateFileMax = 64 * 1024;

// "TimGM6mb" for "/usr/share/sounds/sf2/TimGM6mb.sf2".
std::string FileTitle(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  std::string title = slash == std::string::npos ? path : path.substr(slash + 1);
  const std::size_t dot = title.rfind('.');
  return dot == std::string::npos || dot == 0 ? title : title.substr(0, dot);
}

std::uint32_t Checked(const std::uint16_t* bank, bool allowZero) {
  if (!bank) return emu::kSfBadArgument;
  if (*bank >= emu::kSoundFontBanks || (*bank == 0 && !allowZero)) return emu::kSfBadBank;
  return emu::kSfOk;
}

}  // namespace

FluidManager::FluidManager(const BridgeSetup& setup)
    : config_(ReadBridgeConfig(setup.configPath)),
      statePath_(setup.statePath),
      mapSynthPath_(setup.mapSynthPath),
      shell_(config_.host, config_.port) {}

std::string FluidManager::DeviceName() const {
  return "FluidSynth " + config_.host + ":" + std::to_string(config_.port);
}

std::uint32_t FluidManager::Opened(std::uint32_t dev) const {
  if ((dev & 0xFFFFu) != 0) return emu::kSfBadDevice;
  return open_ ? emu::kSfOk : notOpen_;
}

std::uint32_t FluidManager::DeviceCount(std::uint32_t* count) {
  if (!count) return emu::kSfBadArgument;
  *count = 1;
  return emu::kSfOk;
}

std::uint32_t FluidManager::Describe(std::uint32_t dev, void* record) {
  if ((dev & 0xFFFFu) != 0) return emu::kSfBadDevice;
  return emu::WriteDescription(record, emu::kSfDescriptionSize, emu::kSfDescriptionName, 0,
                               config_.memoryBytes, DeviceName());
}

std::uint32_t FluidManager::Open(std::uint32_t dev) {
  if ((dev & 0xFFFFu) != 0) return emu::kSfBadDevice;
  std::vector<std::string> reply;
  if (shell_.Command("fonts", &reply) != ShellStatus::kOk) {
    open_ = false;
    notOpen_ = kSfSynthUnreachable;
    return kSfSynthUnreachable;
  }
  ReadState();
  MatchFonts(ParseFonts(reply));
  open_ = true;
  return emu::kSfOk;
}

std::uint32_t FluidManager::Close(std::uint32_t dev) {
  if ((dev & 0xFFFFu) != 0) return emu::kSfBadDevice;
  open_ = false;
  notOpen_ = emu::kSfNotOpen;
  return emu::kSfOk;
}

void FluidManager::ReadState() {
  std::string text;
  if (!emu::ReadWholeFile(statePath_, kStateFileMax, &text) || !DecodeBridgeState(text, &slots_))
    slots_ = Slots{};
}

// Keeps the slots whose font FluidSynth still holds (same ID, same file);
// the fonts that are not the bridge's name bank 0.
void FluidManager::MatchFonts(const std::vector<LoadedFont>& fonts) {
  bool changed = false;
  std::set<int> ours;
  for (SlotRecord& slot : slots_) {
    if (!slot.loaded) continue;
    const bool held = std::any_of(fonts.begin(), fonts.end(), [&](const LoadedFont& font) {
      return font.id == slot.fontId && font.path == slot.hostPath;
    });
    if (held) {
      ours.insert(slot.fontId);
    } else {
      slot = SlotRecord{};
      changed = true;
    }
  }
  romName_ = kNoFontRomName;
  for (const LoadedFont& font : fonts)  // newest first: the last one found is the oldest
    if (!ours.count(font.id)) romName_ = FileTitle(font.path);
  if (changed) SaveState();
}

void FluidManager::SaveState() const {
  if (!statePath_.empty()) emu::ReplaceFileContents(statePath_, EncodeBridgeState(slots_));
}

std::uint64_t FluidManager::BytesUsedBesides(unsigned slot) const {
  std::uint64_t used = 0;
  for (unsigned n = 1; n < slots_.size(); ++n)
    if (n != slot && slots_[n].loaded) used += slots_[n].bytes;
  return used;
}

std::uint32_t FluidManager::Memory(std::uint32_t dev, std::int32_t* total, std::int32_t* free) {
  if (std::uint32_t rc = Opened(dev)) return rc;
  if (!total || !free) return emu::kSfBadArgument;
  const std::uint64_t used = BytesUsedBesides(0);
  *total = static_cast<std::int32_t>(config_.memoryBytes);
  *free = static_cast<std::int32_t>(used >= config_.memoryBytes ? 0 : config_.memoryBytes - used);
  return emu::kSfOk;
}

std::uint32_t FluidManager::RomName(std::uint32_t dev, emu::SfRequest* request) {
  if (std::uint32_t rc = Opened(dev)) return rc;
  return emu::AnswerText(request, romName_.c_str(), true);
}

std::uint32_t FluidManager::Load(std::uint32_t dev, const std::uint16_t* bank,
                                 emu::SfRequest* request) {
  if (std::uint32_t rc = Opened(dev)) return rc;
  std::string path;
  if (!bank || !emu::RequestPath(request, &path) || request->zero != 0) return emu::kSfBadArgument;
  if (std::uint32_t rc = Checked(bank, false)) return rc;
  return LoadFile(*bank, path);
}

// A path that would not stand in one quoted shell argument is a file that
// cannot be found: it is never sent.
std::uint32_t FluidManager::LoadFile(unsigned slot, const std::string& path) {
  emu::BankFileInfo info;
  if (!IsShellSafe(path)) return emu::kSfFileNotFound;
  switch (emu::InspectBankFile(emu::BankKind::SoundFont, path, &info)) {
    case emu::InspectStatus::NotFound: return emu::kSfFileNotFound;
    case emu::InspectStatus::BadFormat: return emu::kSfBadFormat;
    case emu::InspectStatus::Ok: break;
  }
  const std::string synthPath = emu::MapPath(mapSynthPath_, path);
  if (synthPath.empty() || !IsShellSafe(synthPath)) return emu::kSfFileNotFound;
  if (BytesUsedBesides(slot) + info.fileBytes > config_.memoryBytes) return emu::kSfNoMemory;

  std::vector<std::string> reply;
  if (shell_.Command(LoadCommand(synthPath, slot), &reply, kLoadTimeoutMs) != ShellStatus::kOk)
    return kSfSynthUnreachable;
  const std::optional<int> id = ParseLoadedId(reply);
  if (!id) return emu::kSfBadFormat;  // FluidSynth could not read it
  // The new font is in before the old one goes, so a slot is never silent
  // between the two; a failed unload leaves nothing of ours behind anyway.
  if (slots_[slot].loaded) shell_.Command(UnloadCommand(slots_[slot].fontId), &reply);
  slots_[slot] = {true, *id, static_cast<std::uint32_t>(info.fileBytes), info.name, path, synthPath};
  SaveState();
  return emu::kSfOk;
}

std::uint32_t FluidManager::BankName(std::uint32_t dev, const std::uint16_t* bank,
                                     emu::SfRequest* request) {
  if (std::uint32_t rc = Opened(dev)) return rc;
  if (std::uint32_t rc = Checked(bank, true)) return rc;
  if (*bank == 0) return emu::AnswerText(request, romName_.c_str(), true);
  const SlotRecord& slot = slots_[*bank];
  return emu::AnswerText(request, slot.name.c_str(), slot.loaded);
}

std::uint32_t FluidManager::BankPath(std::uint32_t dev, const std::uint16_t* bank,
                                     emu::SfRequest* request) {
  if (std::uint32_t rc = Opened(dev)) return rc;
  if (std::uint32_t rc = Checked(bank, true)) return rc;
  const SlotRecord& slot = slots_[*bank];
  return emu::AnswerText(request, slot.path.c_str(), slot.loaded);
}

std::uint32_t FluidManager::Clear(std::uint32_t dev, const std::uint16_t* bank) {
  if (std::uint32_t rc = Opened(dev)) return rc;
  if (std::uint32_t rc = Checked(bank, false)) return rc;
  SlotRecord& slot = slots_[*bank];
  if (!slot.loaded) return emu::kSfOk;
  std::vector<std::string> reply;
  if (shell_.Command(UnloadCommand(slot.fontId), &reply) != ShellStatus::kOk)
    return kSfSynthUnreachable;
  // Removed now, or gone already: either way FluidSynth no longer has it.
  slot = SlotRecord{};
  SaveState();
  return emu::kSfOk;
}

}  // namespace korvel::fluid
