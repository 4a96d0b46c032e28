#include "app/models/ConnectionDetailsTexts.h"

#include <cstddef>
#include <cstring>
#include <iterator>

namespace korvel {

namespace {

constexpr const char* kNone = "<none>";
// The device list name starts with the device number and " - "; from its
// fourth character on it reads " <title>".
constexpr std::size_t kDeviceTitleStart = 3;

struct MessageType {
  std::uint8_t type;
  const char* name;
};

constexpr MessageType kMessageTypes[] = {
    {kTypeNoteOn, "Note On"},       {kTypeNoteOff, "Note Off"},       {kTypeController, "Controller"},
    {kTypeProgramChange, "Program Change"}, {kTypePitchWheel, "Pitch Wheel"},
};
constexpr int kMessageTypeCount = static_cast<int>(std::size(kMessageTypes));
static_assert(kMessageTypeCount + 1 == kTypeEntryCount, "the types and All/None");

template <std::size_t N>
std::string FieldText(const char (&field)[N]) {
  const void* end = std::memchr(field, '\0', N);
  return std::string(field, end ? static_cast<std::size_t>(static_cast<const char*>(end) - field) : N);
}

std::vector<std::string> TypeEntries(const char* last) {
  std::vector<std::string> entries;
  for (const MessageType& type : kMessageTypes) entries.emplace_back(type.name);
  entries.emplace_back(last);
  return entries;
}

bool IsNoteType(std::uint8_t type) { return type == kTypeNoteOn || type == kTypeNoteOff; }

std::string PortName(const MidiPortTable& ports, int port) {
  return ports.IsPort(port) ? FieldText(ports.ports[port]->name) : std::string();
}

std::string DeviceListName(const DeviceTable& devices, int dev) {
  return FieldText(devices.Device(dev).name);
}

std::string ConnectionEntry(const MidiPortTable& ports, const DeviceTable& devices, const MidiConnection& connection) {
  std::string entry = PortName(ports, connection.Source()) + " to " + PortName(ports, connection.Destination());
  const int mods = connection.modifications.count.load();
  if (mods > 0) entry += " (" + std::to_string(mods) + " Mods)";
  const int link = connection.link.load();
  if (link != 0) {
    entry += " linked to";
    const int dev = link - 1;
    if (dev < devices.Count()) {
      const std::string name = DeviceListName(devices, dev);
      if (name.size() > kDeviceTitleStart) entry += name.substr(kDeviceTitleStart);
    }
  }
  return entry;
}

// Whether a connection other than `connection` is linked with `link`.
bool LinkUsedElsewhere(const MidiPortTable& ports, int connection, int link) {
  for (int c = 0; c < ports.connectionCount; ++c) {
    if (c != connection && ports.connections[c]->link.load() == link) return true;
  }
  return false;
}

}  // namespace

std::vector<std::string> SourceTypeEntries() { return TypeEntries("All"); }
std::vector<std::string> TargetTypeEntries() { return TypeEntries("None"); }

std::uint8_t TypeByteOfEntry(int entry) {
  return entry >= 0 && entry < kMessageTypeCount ? kMessageTypes[entry].type : kTypeAll;
}

int EntryOfTypeByte(std::uint8_t type) {
  for (int entry = 0; entry < kMessageTypeCount; ++entry) {
    if (kMessageTypes[entry].type == type) return entry;
  }
  return type == kTypeAll ? kMessageTypeCount : -1;
}

std::string SourceRangeCaption(std::uint8_t sourceType) {
  if (IsNoteType(sourceType)) return "Note Range:";
  return sourceType == kTypeController ? "Ctrl. Range:" : "Val. Range:";
}

std::string TargetRangeCaption(std::uint8_t targetType) {
  if (IsNoteType(targetType)) return "Note Range:";
  return targetType == kTypeController ? "Ctrl. Type:" : "Val. Range:";
}

std::vector<std::string> ConnectionListEntries(const MidiPortTable& ports, const DeviceTable& devices) {
  std::vector<std::string> entries;
  for (int c = 0; c < ports.connectionCount; ++c) entries.push_back(ConnectionEntry(ports, devices, *ports.connections[c]));
  if (entries.empty()) entries.emplace_back(kNone);
  return entries;
}

std::vector<std::string> ModificationListEntries(const ModificationList& modifications,
                                                 const ModificationPresetList& presets) {
  std::vector<std::string> entries;
  const int count = modifications.count.load();
  for (int i = 0; i < count; ++i) entries.push_back(ModificationDisplayName(presets, modifications.records[i], i));
  return entries;
}

std::vector<std::string> PresetListEntries(const ModificationPresetList& presets) {
  std::vector<std::string> entries;
  for (const ModificationPreset& preset : presets) entries.push_back(FieldText(preset.name));
  return entries;
}

LinkListContent LinkListEntries(const MidiPortTable& ports, const DeviceTable& devices, int connection) {
  LinkListContent content;
  content.entries.emplace_back(kNone);
  content.links.push_back(0);
  if (connection < 0 || connection >= ports.connectionCount) return content;
  const MidiConnection& current = *ports.connections[connection];
  if (current.Source() == ports.bankSwitchInput) return content;
  for (int dev = 0; dev < devices.Count(); ++dev) {
    const int link = dev + 1;
    if (LinkUsedElsewhere(ports, connection, link)) continue;
    if (current.link.load() == link) content.selected = static_cast<int>(content.entries.size());
    content.entries.push_back(DeviceListName(devices, dev));
    content.links.push_back(static_cast<std::uint8_t>(link));
  }
  return content;
}

}  // namespace korvel
