#include "banks/BankLoading.h"

#include <bitset>
#include <cctype>
#include <cstring>

#include "banks/BankFiles.h"
#include "banks/BankFolders.h"
#include "config/ErrorBox.h"
#include "config/PathHelpers.h"
#include "config/TextHelpers.h"
#include "platform/Platform.h"

namespace korvel {

namespace {

constexpr unsigned kCurrentFolderSize = 260;  // MAX_PATH

bool ValidDevice(DeviceTable& layer, int dev) { return dev >= 0 && dev < layer.Count(); }

int SlotCountOf(const SoundDevice& device) {
  return device.slotCount < kSlotsPerDevice ? device.slotCount : kSlotsPerDevice;
}

bool ValidSlot(DeviceTable& layer, int dev, int slot) {
  return ValidDevice(layer, dev) && slot >= 0 && slot < SlotCountOf(layer.Device(dev));
}

// A bank name as the folder search compares it: without regard to case, and
// no longer than a slot keeps it.
std::string LowerCaseKey(const char* bankName) {
  const char* end = static_cast<const char*>(std::memchr(bankName, '\0', sizeof(BankSlot::name)));
  return LowerCaseName(std::string(bankName, end != nullptr ? end : bankName + sizeof(BankSlot::name)));
}

const char* PatternOf(int kind) {
  switch (kind) {
    case kKindEws64:
      return "*.tts";
    case kKindSoundFont:
      return "*.sf2";
    default:
      return nullptr;
  }
}

// The slots one load's replacement has tried and could not unload: chosen
// again, they would free nothing while the banks that could go stay.
using PassedOver = std::bitset<kSlotsPerDevice>;

// Whether a loaded virtual slot is held in physical bank `bank`.
bool VirtualSlotHolds(const SoundDevice& device, int count, std::uint8_t bank) {
  for (int i = 0; i < count; ++i) {
    const BankSlot& slot = device.slots[i];
    if (!slot.Has(Fixed) && slot.Has(Loaded) && slot.Has(Mapped) && slot.physBank == bank) return true;
  }
  return false;
}

// Virtual bank mode: the loaded slot (other than the target) with the
// smallest stamp, the first of equal stamps; a loaded slot that is not
// Assigned is taken at once. A view of a physical bank (Fixed) is assigned
// only to be kept in presets: the bank of a virtual slot is that slot's to
// lose, by its own stamp, and a bank that no virtual slot is held in is
// one that no preset uses, taken at once.
int OldestLoadedSlot(const SoundDevice& device, int target, const PassedOver& passedOver) {
  int victim = -1;
  std::uint32_t oldest = 0;
  const int count = SlotCountOf(device);
  for (int i = 0; i < count; ++i) {
    const BankSlot& candidate = device.slots[i];
    if (!candidate.Has(Loaded) || i == target || passedOver[static_cast<std::size_t>(i)]) continue;
    if (candidate.Has(Fixed)) {
      if (VirtualSlotHolds(device, count, candidate.physBank)) continue;
      return i;
    }
    if (!candidate.Has(Assigned)) return i;
    if (victim < 0 || candidate.useStamp < oldest) {
      victim = i;
      oldest = candidate.useStamp;
    }
  }
  return victim;
}

// Outside virtual bank mode: the first slot with a name that is not Assigned.
int FirstUnassignedSlot(const SoundDevice& device, const PassedOver& passedOver) {
  const int count = device.Has(EightBanks) ? 8 : SlotCountOf(device);
  for (int i = 0; i < count; ++i) {
    const BankSlot& candidate = device.slots[i];
    if (candidate.name[0] == '\0' || candidate.Has(Assigned)) continue;
    if (!passedOver[static_cast<std::size_t>(i)]) return i;
  }
  return -1;
}

// One round's eviction. Returns whether a victim left the device. A victim
// that stays (the backend refused: a device's own built-in bank) keeps its
// name and path and is passed over for the next.
bool EvictOne(DeviceTable& layer, int dev, int target, PassedOver& passedOver) {
  SoundDevice& device = layer.Device(dev);
  const bool virtualMode = layer.VirtualBankMode();
  for (;;) {
    const int victim = virtualMode ? OldestLoadedSlot(device, target, passedOver)
                                   : FirstUnassignedSlot(device, passedOver);
    if (victim < 0) return false;
    BankSlot& rec = device.slots[victim];
    UnloadSlot(layer, dev, victim, virtualMode ? kUnloadDefault : kUnloadForget);
    if (!rec.Has(Loaded)) {
      if (!virtualMode) rec.name[0] = '\0';
      return true;
    }
    passedOver.set(static_cast<std::size_t>(victim));
  }
}

}  // namespace

std::int32_t LoadBank(DeviceTable& layer, int dev, int slot, const char* path) {
  ErrorState& errors = layer.Errors();
  errors.ErrorCode = kErrOk;
  if (path != nullptr && path[0] == '<') return kErrOk;
  if (!ValidSlot(layer, dev, slot)) {
    errors.ErrorCode = kErrInvalidArguments;
    return errors.ErrorCode;
  }
  if (path == nullptr) path = "";
  // A path the work buffer cannot hold would be cut into another file's name.
  if (std::strlen(path) >= kResolvedPathSize) {
    layer.KeepFailingFile(path);
    errors.ErrorCode = kErrFileNotFound;
    return errors.ErrorCode;
  }

  char resolved[kResolvedPathSize];
  BoundedCopy(resolved, path, sizeof resolved);
  if (!ResolveBankPath(layer.Config(), resolved)) {
    layer.KeepFailingFile(path);
    errors.ErrorCode = kErrFileNotFound;
    return errors.ErrorCode;
  }

  // A file whose name cannot be read is not compared with the slot: the
  // comparison would clear the bank the slot holds now.
  BankSlot work;
  layer.ReadBankName(dev, resolved, work);
  if (errors.ErrorCode != kErrOk) return errors.ErrorCode;
  const bool alreadyLoaded = layer.IsBankLoaded(dev, slot, work.name);
  if (errors.ErrorCode != kErrOk) return errors.ErrorCode;

  SoundDevice& device = layer.Device(dev);
  BankSlot& target = device.slots[slot];
  if (alreadyLoaded) {
    target.flags |= Assigned;
    target.useStamp = layer.NextUseStamp();
    return kErrOk;
  }

  ShellPort& shell = layer.Shell();
  shell.ProgressStep();
  if (!shell.IsMainWindowMinimized()) shell.RepaintMainWindow();
  layer.LoadBankFile(dev, slot, resolved);
  shell.ProgressStep();

  // Memory full and the bank smaller than the whole memory: evict and try
  // again. Each round's victim is unloaded before the round is counted, so
  // the 129th round still unloads one.
  if (errors.ErrorCode == kErrNoSoundMemory &&
      static_cast<std::int32_t>(target.sizeKB) < device.totalKB) {
    PassedOver passedOver;
    for (int round = 1;; ++round) {
      const bool evicted = EvictOne(layer, dev, slot, passedOver);
      if (round > kMaxReplacementRounds) {
        ErrorBox("Bank replacement loop overflow!");
        errors.ErrorCode = kErrBankLoadFailed;
        break;
      }
      if (!evicted) {
        errors.ErrorCode = kErrBankLoadFailed;
        break;
      }
      errors.ErrorCode = kErrOk;
      layer.LoadBankFile(dev, slot, resolved);
      shell.ProgressStep();
      if (errors.ErrorCode == kErrOk) break;
    }
  }

  if (errors.ErrorCode != kErrOk) {
    shell.ProgressReset();
    return errors.ErrorCode;
  }

  StorePathEntry(layer.Config(), device.paths[slot], path);
  RefreshSlot(layer, dev, slot, target, 0);
  target.flags |= Assigned;
  target.useStamp = layer.NextUseStamp();
  return kErrOk;
}

void UnloadSlot(DeviceTable& layer, int dev, int slot, int mode) {
  if (!ValidSlot(layer, dev, slot)) return;
  SoundDevice& device = layer.Device(dev);
  BankSlot& rec = device.slots[slot];
  if (!rec.Has(Loaded)) return;

  const bool virtualMode = layer.VirtualBankMode();
  if (mode == kUnloadDefault) mode = virtualMode ? kUnloadKeepPath : kUnloadForget;

  if (layer.ClearSlotInDevice(dev, slot) != kErrOk) return;

  rec.flags &= static_cast<std::uint8_t>(~(Loaded | Mapped));
  if (virtualMode && rec.Has(Fixed)) {
    device.paths[slot][0] = '\0';
    if (!layer.Shell().IsMainWindowMinimized()) layer.Shell().RebuildBankList();
  }
  if (mode == kUnloadForget) {
    device.paths[slot][0] = '\0';
    rec.name[0] = '\0';
    rec.flags &= static_cast<std::uint8_t>(~Assigned);
  }
  rec.flags &= static_cast<std::uint8_t>(~Fixed);
}

// Each folder is listed once per search, the first time it is walked.
BankFolderListing& BankFolderSearch::ListingOf(int kind, std::size_t place, const char* pattern) {
  for (const Listed& listed : listed_) {
    if (listed.kind == kind && listed.place == place) return *listed.listing;
  }
  std::shared_ptr<BankFolderListing> listing = layer_.BankListings().Of(kind, folders_[place]);
  listing->Relist(pattern);
  listed_.push_back({kind, place, listing});
  return *listing;
}

// A file that cannot be read cannot be the bank looked for. The refresh does
// not report on the other files of the bank folders, so the error state is
// left as it was, failing-file name included.
void BankFolderSearch::ReadName(int dev, ListedBankFile& file) {
  file.read = true;
  ErrorState& errors = layer_.Errors();
  const std::int32_t savedCode = errors.ErrorCode;
  const char* savedFile = errors.failingFile;
  const std::string savedName = savedFile != nullptr ? savedFile : "";
  BankSlot work;
  layer_.ReadBankName(dev, file.path.c_str(), work);
  file.bankKey = LowerCaseKey(work.name);
  errors.ErrorCode = savedCode;
  errors.failingFile = savedFile;
  // The layer's own copy of the name may have been overwritten by the read.
  if (savedFile != nullptr && savedName != savedFile) layer_.KeepFailingFile(savedName.c_str());
  ++filesRead_;
}

bool BankFolderSearch::Find(int dev, const char* name, char* found, std::size_t foundSize) {
  // A bank without a name would match any file whose name could not be read.
  if (!ValidDevice(layer_, dev) || name == nullptr || name[0] == '\0') return false;
  const int kind = layer_.Device(dev).kind;
  const char* pattern = PatternOf(kind);
  if (pattern == nullptr) return false;

  if (!foldersMade_) MakeFoldersCurrent();
  const std::string key = LowerCaseKey(name);
  for (std::size_t place = 0; place < folders_.size(); ++place) {
    BankFolderListing& listing = ListingOf(kind, place, pattern);
    for (std::size_t i = listing.WalkStart(key, foundSize); i < listing.files.size(); ++i) {
      ListedBankFile& file = listing.files[i];
      // A name the path entry cannot hold is passed over: cut, it would name another file.
      if (file.name.size() >= foundSize) continue;
      if (!file.read) ReadName(dev, file);
      if (file.bankKey == key) {
        BoundedCopy(found, file.name.c_str(), foundSize);
        Enter(place);
        return true;
      }
    }
    listing.IndexBankNames(foundSize);
  }
  if (!folders_.empty()) Enter(folders_.size() - 1);
  return false;
}

// The search ends in the folder where a walk would have stopped: the one
// holding the match, else the last one.
void BankFolderSearch::Enter(std::size_t place) {
  if (place == entered_) return;
  const std::string& folder = folders_[place];
  if (HasDriveLetter(folder.c_str())) {
    platform::SetCurrentDrive(std::tolower(static_cast<unsigned char>(folder[0])) - 'a' + 1);
  }
  platform::SetCurrentDirectoryA(folder.c_str());
  entered_ = place;
}

// Each folder of the list is made current in turn, as a walk through them
// would; a folder without a drive letter is on the drive made current before
// it. The search keeps what the file system called them.
void BankFolderSearch::MakeFoldersCurrent() {
  foldersMade_ = true;
  char list[sizeof(Configuration::bankfolder)];
  BoundedCopy(list, layer_.Config().bankfolder, sizeof list);
  BankFolderWalk walk(list);
  char folder[kFolderSize];
  while (walk.Next(folder)) {
    if (folder[0] != '\\') {
      const int letter = std::tolower(static_cast<unsigned char>(folder[0]));
      if (letter < 'a' || letter > 'z') continue;
      if (!platform::SetCurrentDrive(letter - 'a' + 1)) continue;
    }
    if (!platform::SetCurrentDirectoryA(folder)) continue;
    char current[kCurrentFolderSize];
    const unsigned length = platform::GetCurrentDirectoryA(sizeof current, current);
    if (length == 0 || length >= sizeof current) continue;
    folders_.push_back(current);
  }
  entered_ = folders_.size() - 1;
}

void RefreshSlot(DeviceTable& layer, int dev, int slot, BankSlot& rec, int keepAssigned) {
  BankFolderSearch search(layer);
  RefreshSlot(layer, dev, slot, rec, keepAssigned, search);
}

void RefreshSlot(DeviceTable& layer, int dev, int slot, BankSlot& rec, int keepAssigned,
                 BankFolderSearch& search) {
  if (!ValidSlot(layer, dev, slot)) return;
  SoundDevice& device = layer.Device(dev);
  char* slotPath = device.paths[slot];

  layer.ReadSlotInfo(dev, slot, rec);
  BankDisplayName(slotPath, rec.name, sizeof rec.name);
  if (rec.Has(Fixed)) rec.flags |= Assigned;

  if (rec.Has(Loaded)) {
    if ((keepAssigned & 1) == 0) rec.flags |= Assigned;
    if (slotPath[0] != '\0') {
      ShortenBankPath(layer.Config(), slotPath);
    } else if (!(device.kind == kKindSoundFont && slot == 0) &&
               layer.Config().bankfolder[0] != '\0') {
      search.Find(dev, rec.name, slotPath, kPathEntrySize);
    }
  }

  if (rec.sizeKB == 0 && slotPath[0] != '\0') {
    char resolved[kResolvedPathSize];
    BoundedCopy(resolved, slotPath, sizeof resolved);
    if (ResolveBankPath(layer.Config(), resolved)) {
      const std::int32_t kb = BankFileSize(resolved) / 1024;
      rec.sizeKB = static_cast<std::uint16_t>(kb > 0xFFFF ? 0xFFFF : kb);
    }
  }
}

void RefreshAllSlots(DeviceTable& layer, bool markAssigned) {
  BankFolderSearch search(layer);
  for (int dev = 0; dev < layer.Count(); ++dev) {
    SoundDevice& device = layer.Device(dev);
    if (device.handle == 0) break;
    const int count = SlotCountOf(device);
    for (int slot = 0; slot < count; ++slot)
      RefreshSlot(layer, dev, slot, device.slots[slot], markAssigned ? 0 : 1, search);
  }
}

}  // namespace korvel
