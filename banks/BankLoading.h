// Loading bank files into slots with automatic replacement, unloading, and
// refreshing slots from the devices.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "banks/DeviceTable.h"

namespace korvel {

enum UnloadMode { kUnloadKeepPath = 0, kUnloadForget = 1, kUnloadDefault = 2 };

constexpr int kMaxReplacementRounds = 128;

// Loads the bank file into the slot, evicting other banks when the sound
// memory is full. "<..." placeholders succeed doing nothing. Returns the
// ErrorCode (1 on success).
std::int32_t LoadBank(DeviceTable& layer, int dev, int slot, const char* path);
// Removes the slot's bank from the device (modes above).
void UnloadSlot(DeviceTable& layer, int dev, int slot, int mode);

// The folder search of RefreshSlot. What it lists is kept for the object's
// lifetime, so one RefreshAllSlots lists each folder once per device kind,
// whatever the number of slots. Make one per refresh: files that change
// after a folder was listed may be missed. The listings are kept in the
// layer's BankFolderListings, so a file is opened again only after it changed.
class BankFolderSearch {
 public:
  explicit BankFolderSearch(DeviceTable& layer) : layer_(layer) {}

  // Walks the bank folders in order, making each the current drive and
  // folder, and stores in `found` the bare name of the first "*.tts" (EWS64)
  // or "*.sf2" (SoundFont) file whose bank name equals `name`, ignoring case.
  // Folders that cannot be made current are passed over.
  bool Find(int dev, const char* name, char* found, std::size_t foundSize);

  // Bank files opened to read their names so far.
  std::size_t FilesRead() const { return filesRead_; }

 private:
  void MakeFoldersCurrent();
  void Enter(std::size_t place);
  BankFolderListing& ListingOf(int kind, std::size_t place, const char* pattern);
  void ReadName(int dev, ListedBankFile& file);

  DeviceTable& layer_;
  bool foldersMade_ = false;
  std::vector<std::string> folders_;  // the bank folders that could be made current, as named then
  std::size_t entered_ = 0;           // which of them is current
  struct Listed {
    int kind;
    std::size_t place;
    std::shared_ptr<BankFolderListing> listing;
  };
  std::vector<Listed> listed_;  // by this search
  std::size_t filesRead_ = 0;
};

// Re-reads one slot from the device; a loaded slot without a file is looked
// up in the bank folders. Bit 0 of `keepAssigned` leaves `Assigned` alone.
void RefreshSlot(DeviceTable& layer, int dev, int slot, BankSlot& rec, int keepAssigned);
void RefreshSlot(DeviceTable& layer, int dev, int slot, BankSlot& rec, int keepAssigned,
                 BankFolderSearch& search);
// RefreshSlot for every slot of every device, in device order, up to the
// first device that is not open; with `markAssigned` every loaded slot
// becomes `Assigned`.
void RefreshAllSlots(DeviceTable& layer, bool markAssigned);

}  // namespace korvel
