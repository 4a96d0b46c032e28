// SavePreset: the current state as a preset image, written whole.
#include <cstring>

#include "banks/presets/PresetManager.h"
#include "config/TextHelpers.h"
#include "config/WholeFile.h"
#include "midi/ConnectionList.h"

namespace korvel {

namespace {

// The device as a preset block holds it: assigned slots only.
PresetDevice BlockOf(const SoundDevice& device) {
  PresetDevice block;
  SoundDevice& out = block.device;
  out.kind = device.kind;
  out.backendIndex = device.backendIndex;
  out.slotCount = device.slotCount;
  out.flags = device.flags;
  out.handle = device.handle;
  std::memcpy(out.lastFolder, device.lastFolder, sizeof out.lastFolder);
  std::memcpy(out.name, device.name, sizeof out.name);
  for (int slot = 0; slot < device.slotCount && slot < kSlotsPerDevice; ++slot) {
    if (!device.slots[slot].Has(Assigned)) continue;
    BoundedCopy(out.paths[slot], device.paths[slot], kPathEntrySize);
    if (device.paths[slot][0] != '\0') out.slots[slot] = device.slots[slot];
  }
  return block;
}

PresetConnection RecordOf(const MidiPortTable& table, const MidiConnection& connection) {
  PresetConnection record;
  BoundedCopy(record.sourceName, table.ports[connection.Source()]->name, sizeof record.sourceName);
  BoundedCopy(record.destName, table.ports[connection.Destination()]->name,
              sizeof record.destName);
  record.linkedDevice = connection.link.load();
  const int count = connection.modifications.count.load();
  record.modCount = count;
  for (int i = 0; i < count; ++i) record.modifications.push_back(connection.modifications.records[i]);
  return record;
}

// A kept connection that the user has made again since is saved once.
bool IsLive(const MidiPortTable& table, const PresetConnection& record) {
  const int source = FindPortByName(table, record.sourceName);
  const int destination = FindPortByName(table, record.destName);
  return source >= 0 && destination >= 0 && FindConnection(table, source, destination) >= 0;
}

}  // namespace

PresetImage PresetManager::ImageOfCurrentState() {
  const Configuration& config = devices_.Config();
  PresetImage image;
  image.saveFlags = config.cflags & kPresetSaveFlagsMask;
  for (int dev = 0; dev < devices_.Count(); ++dev) {
    if (devices_.Device(dev).Has(SaveInPreset)) image.devices.push_back(BlockOf(devices_.Device(dev)));
  }
  for (const PresetDevice& absent : absentDevices_) {
    if (image.devices.size() < static_cast<std::size_t>(kMaxDevices)) image.devices.push_back(absent);
  }
  image.bankListRow = view_.SelectedBankListRow();
  const MidiPortTable* table = ports_.get();
  if (table == nullptr) return image;
  if ((image.saveFlags & SaveMinfo) && view_.HasPortTiles()) {
    for (int port = 0; port < table->portCount; ++port) {
      PresetTile tile;
      BoundedCopy(tile.portName, table->ports[port]->name, sizeof tile.portName);
      const PortTile placed = view_.TileOf(port);
      tile.left = placed.left;
      tile.top = placed.top;
      tile.tileFlags = placed.flags;
      image.tiles.push_back(tile);
    }
  }
  if (image.saveFlags & SaveCons) {
    for (int i = 0; i < table->connectionCount; ++i) {
      image.connections.push_back(RecordOf(*table, *table->connections[i]));
    }
    for (const PresetConnection& kept : keptConnections_) {
      if (!IsLive(*table, kept)) image.connections.push_back(kept);
    }
  }
  return image;
}

bool PresetManager::WriteCurrentState(const std::string& path, WriteFailure& failure) {
  const std::vector<std::uint8_t> bytes = EncodePreset(ImageOfCurrentState());
  return WriteFileReplacing(path.c_str(), bytes.data(), bytes.size(), &failure);
}

void PresetManager::SavePreset() {
  Configuration& config = devices_.Config();
  const std::string path = PresetPath(config.curpreset);
  devices_.KeepFailingFile(path.c_str());
  WriteFailure failure;
  lastSaveFailed_ = !WriteCurrentState(path, failure);
  if (lastSaveFailed_) {
    ErrorState& errors = devices_.Errors();
    errors.ErrorCode = kErrBadFileName;
    errors.writeFailure = failure.badName ? std::string() : failure.Line();
    return;
  }
  SetPresetName(config.curpreset);
  presetChanged_ = false;
  presetInFile_ = true;
  fileDamaged_ = false;
}

}  // namespace korvel
