// LoadPreset: the whole file is read and validated into an image first;
// only a sound file changes the current state.
#include <cstdio>
#include <cstring>
#include <new>

#include "banks/BankFilePresence.h"
#include "banks/BankFolders.h"
#include "banks/BankLoading.h"
#include "banks/DeviceAccess.h"
#include "banks/ErrorReport.h"
#include "banks/presets/PresetManager.h"
#include "config/ErrorBox.h"
#include "config/TextHelpers.h"
#include "config/WholeFile.h"
#include "midi/ConnectionList.h"
#include "midi/MidiError.h"

namespace korvel {

namespace {

constexpr int kFixedSlotsStart = 120;
// Far more than the largest preset a save writes (about 60 KB); a longer
// file is read that far, and refused as corrupted unless it ends before.
constexpr std::size_t kPresetFileLimit = 1024 * 1024;

// The whole file, or the error code that stops the load; `damaged` tells a
// file that was read only in part.
std::int32_t ReadPresetFile(const std::string& path, PresetImage& image, bool& damaged) {
  bool leftover = false;
  std::FILE* file = OpenStoredFile(path.c_str(), &leftover);
  if (file == nullptr) return kErrFileNotFound;
  std::vector<char> bytes;
  bool cut = false;
  const bool read = ReadWholeFile(file, bytes, kPresetFileLimit, &cut);
  std::fclose(file);
  if (!read) return kErrOutOfMemory;
  std::int32_t result = kErrOk;
  try {
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    if (DecodePreset(data, bytes.size(), image) != PresetDecodeResult::kOk) result = kErrFileCorrupted;
  } catch (const std::bad_alloc&) {
    return kErrOutOfMemory;
  }
  damaged = cut || image.Damaged();
  // A ".new" left without its file is taken only when it reads whole: the
  // first save of a preset may have been cut off while writing it.
  if (leftover && (result != kErrOk || damaged)) return kErrFileNotFound;
  return result;
}

// A path entry that names a bank file, not a placeholder such as "<none>".
bool IsBankPath(const char* path) { return path[0] != '\0' && path[0] != '<'; }

// The device a block belongs to: the last one of its kind and number; -1.
int MatchingDevice(DeviceTable& devices, const SoundDevice& stored) {
  int match = -1;
  for (int dev = 0; dev < devices.Count(); ++dev) {
    const SoundDevice& device = devices.Device(dev);
    if (device.kind == stored.kind && device.backendIndex == stored.backendIndex) match = dev;
  }
  return match;
}

}  // namespace

// The SoundFont devices stay open for the whole load.
void PresetManager::LoadPreset(const char* name) {
  if (devices_.Count() == 0) return;
  ShellPort& shell = devices_.Shell();
  shell.ProgressReset();
  const SoundFontDevicesAccess access(devices_);
  shell.ProgressStep();
  const std::string path = PresetPath(name);
  // The current preset's name would be cut, and a save would then write to
  // another file.
  if (!AcceptPresetFileName(path)) {
    shell.ProgressReset();
    return;
  }
  devices_.KeepFailingFile(path.c_str());
  PresetImage image;
  bool damaged = false;
  const std::int32_t result = ReadPresetFile(path, image, damaged);
  if (result != kErrOk) {
    devices_.Errors().ErrorCode = result;
    shell.ProgressReset();
    return;
  }
  ApplyImage(image, path);
  fileDamaged_ = damaged;
}

void PresetManager::ApplyImage(const PresetImage& image, const std::string& path) {
  // The load is over at FinishLoad, or when an exception leaves it.
  struct Loading {
    bool& flag;
    ~Loading() { flag = false; }
  } loading{loadingPreset_};
  loadingPreset_ = true;
  PrepareForImage(image);
  // One search of the bank folders serves every slot the file leaves out.
  BankFolderSearch search(devices_);
  BankFilePresence files(devices_.Config());
  for (const PresetDevice& block : image.devices) TakeDeviceBlock(block, search, files);
  devices_.Shell().ProgressStep();
  view_.SelectBankListRow(image.bankListRow);
  ApplyExtensions(image);
  FinishLoad(path);
}

// The check boxes show the file's options, the current preset is cleared
// when the file cannot merge with it, and the mode follows the file.
void PresetManager::PrepareForImage(const PresetImage& image) {
  Configuration& config = devices_.Config();
  const bool startingUp = updatingControls_ != 0;
  boxes_.virtualBankMode = (image.saveFlags & VBMode) != 0;
  boxes_.saveConnections = (image.saveFlags & SaveCons) != 0;
  boxes_.saveDeviceInfo = (image.saveFlags & SaveMinfo) != 0;
  view_.ShowPresetCheckBoxes(boxes_);
  if (startingUp || config.Has(ClearOnLoad) || boxes_.virtualBankMode != config.Has(VBMode)) {
    ClearPreset(false);
  }
  config.curpreset[0] = '\0';
  for (int dev = 0; dev < 4; ++dev) CheckSaveDevice(dev, false);
  // The mode's check box handler: it changes the mode only when the box
  // differs from it, and not while the program sets the boxes itself.
  if (!startingUp && boxes_.virtualBankMode != config.Has(VBMode)) {
    config.cflags ^= VBMode;
    ApplyVirtualBankMode();
  }
}

void PresetManager::TakeDeviceBlock(const PresetDevice& block, BankFolderSearch& search,
                                    BankFilePresence& files) {
  const SoundDevice& stored = block.device;
  const int dev = MatchingDevice(devices_, stored);
  if (dev < 0) {
    KeepAbsentDeviceBlock(block);
    return;
  }
  CheckSaveDevice(dev, true);
  SoundDevice& device = devices_.Device(dev);
  const bool keepFixed = stored.kind == kKindEws64 && devices_.VirtualBankMode();
  for (int slot = 0; slot < stored.slotCount && slot < kSlotsPerDevice; ++slot) {
    // "<none>" and the like name no file: the slot is read from the device.
    const bool taken = IsBankPath(stored.paths[slot]) && device.paths[slot][0] == '\0' &&
                       !(keepFixed && slot >= kFixedSlotsStart);
    if (taken) {
      BoundedCopy(device.paths[slot], stored.paths[slot], kPathEntrySize);
      device.slots[slot] = stored.slots[slot];
      // Asking the device about a bank whose file is gone would clear the
      // bank it holds there now; the load below reports the file instead.
      if (files.IsPresent(device.paths[slot])) {
        devices_.IsBankLoaded(dev, slot, device.slots[slot].name);
      } else {
        device.slots[slot].flags &= static_cast<std::uint8_t>(~(Loaded | Mapped));
      }
      device.slots[slot].flags |= Assigned;
    } else if (device.paths[slot][0] == '\0') {
      device.slots[slot] = BankSlot{};
      RefreshSlot(devices_, dev, slot, device.slots[slot], 1, search);
      device.slots[slot].flags &= ~Assigned;
    }
  }
  std::memcpy(device.lastFolder, stored.lastFolder, sizeof device.lastFolder);
  if (!devices_.VirtualBankMode()) LoadAssignedBanks(dev);
}

// A device this run does not have keeps its block for the next save; two
// presets loaded one after the other merge as they do for present devices.
void PresetManager::KeepAbsentDeviceBlock(const PresetDevice& block) {
  const SoundDevice& stored = block.device;
  for (PresetDevice& kept : absentDevices_) {
    SoundDevice& device = kept.device;
    if (device.kind != stored.kind || device.backendIndex != stored.backendIndex) continue;
    for (int slot = 0; slot < stored.slotCount && slot < kSlotsPerDevice; ++slot) {
      if (stored.paths[slot][0] == '\0' || device.paths[slot][0] != '\0') continue;
      BoundedCopy(device.paths[slot], stored.paths[slot], kPathEntrySize);
      device.slots[slot] = stored.slots[slot];
    }
    if (device.slotCount < stored.slotCount) device.slotCount = stored.slotCount;
    return;
  }
  absentDevices_.push_back(block);
}

// Outside virtual bank mode the assigned banks go into the device now; in
// it they wait for MIDI to ask for them.
void PresetManager::LoadAssignedBanks(int dev) {
  SoundDevice& device = devices_.Device(dev);
  for (int slot = 0; slot < kSlotsPerDevice; ++slot) {
    if (device.paths[slot][0] == '\0' || !device.slots[slot].Has(Assigned)) continue;
    devices_.Shell().ProgressStep();
    LoadBank(devices_, dev, slot, device.paths[slot]);
    ReportError(devices_.Errors(), "LoadPreset");
  }
}

void PresetManager::ApplyExtensions(const PresetImage& image) {
  if (!image.HasExtensions()) {
    CheckSaveDeviceInfo(true);
    CheckSaveConnections(true);
    return;
  }
  MidiPortTable* table = ports_.get();
  if (table != nullptr) {
    for (const PresetTile& tile : image.tiles) {
      const int port = FindPortByName(*table, tile.portName);
      if (port >= 0 && view_.HasPortTiles()) {
        view_.PlaceTile(port, PortTile{tile.left, tile.top, tile.tileFlags});
      }
    }
    for (const PresetConnection& record : image.connections) RestoreConnection(record);
  }
  if (image.extensionEnd == ExtensionEnd::kBadMarker) {
    ErrorBox("Corrupted Format: Preset extensions bad!");
  } else if (image.extensionEnd == ExtensionEnd::kUnknownType) {
    ErrorBox("Corrupted Format: Unknown preset extension!");
  }
}

// A connection that cannot be made now (a port missing, connections off,
// its input chosen for bank managing, a port that will not open) is kept
// as the file holds it, so that saving the preset does not drop it.
void PresetManager::RestoreConnection(const PresetConnection& record) {
  MidiPortTable& table = *ports_;
  const int source = FindPortByName(table, record.sourceName);
  const int destination = FindPortByName(table, record.destName);
  if (source < 0 || destination < 0 || !devices_.Config().Has(UseCons)) {
    KeepConnection(record);
    return;
  }
  if (FindConnection(table, source, destination) >= 0) return;  // made already
  if (source == table.bankSwitchInput) {
    KeepConnection(record);
    const std::string from = record.sourceName;
    ErrorBox(("The connection from '" + from + "' to '" + record.destName + "' was not made: '" + from +
              "' is the input for bank managing. The preset keeps the connection.")
                 .c_str());
    return;
  }
  const unsigned result = Connect(table, source, destination);
  if (result != platform::kMmNoError) {
    KeepConnection(record);
    ReportMidiError(table, -1, result);
    return;
  }
  MidiConnection& connection = *table.connections[FindConnection(table, source, destination)];
  connection.link = record.linkedDevice;
  for (const Modification& modification : record.modifications) {
    AddModificationCopy(connection.modifications, modification);
  }
}

// One record per pair of ports: a later load's record replaces an earlier one.
void PresetManager::KeepConnection(const PresetConnection& record) {
  for (PresetConnection& kept : keptConnections_) {
    if (std::strcmp(kept.sourceName, record.sourceName) == 0 && std::strcmp(kept.destName, record.destName) == 0) {
      kept = record;
      return;
    }
  }
  keptConnections_.push_back(record);
}

void PresetManager::ForgetKeptConnection(const MidiPortTable& table, int source, int destination) {
  const char* sourceName = table.ports[source]->name;
  const char* destName = table.ports[destination]->name;
  for (auto kept = keptConnections_.begin(); kept != keptConnections_.end(); ++kept) {
    if (FindPortByName(table, kept->sourceName) == FindPortByName(table, sourceName) &&
        FindPortByName(table, kept->destName) == FindPortByName(table, destName)) {
      keptConnections_.erase(kept);
      return;
    }
  }
}

void PresetManager::FinishLoad(const std::string& path) {
  SetPresetName(path.c_str());
  loadingPreset_ = false;
  presetInFile_ = true;
  lastSaveFailed_ = false;
  devices_.NormaliseUseStamps();
  ShellPort& shell = devices_.Shell();
  shell.RebuildBankList();
  if (!shell.IsMainWindowMinimized()) {
    devices_.ReadAllMemInfo();
    view_.DrawMemoryGraph();
    view_.RedrawConnectionMap();
  }
  presetChanged_ = false;
  shell.ProgressReset();
}

}  // namespace korvel
