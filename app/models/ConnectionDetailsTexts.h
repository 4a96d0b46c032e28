// What the lists and captions of the "Connection Details" dialog show: the
// message types, the connections, a connection's modifications, the
// modification presets and the devices a connection can be linked to.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "banks/DeviceTable.h"
#include "midi/MidiPortTable.h"
#include "midi/ModificationFile.h"

namespace korvel {

// srclist and dstlist: the five message types, then "All" (source) or
// "None" (target). An entry's type byte, and the entry of a type byte
// (-1 for a byte that no entry stands for).
constexpr int kTypeEntryCount = 6;
std::vector<std::string> SourceTypeEntries();
std::vector<std::string> TargetTypeEntries();
std::uint8_t TypeByteOfEntry(int entry);  // entry 0..kTypeEntryCount - 1
int EntryOfTypeByte(std::uint8_t type);

// Label5 for a source type, Label6 for a target type.
std::string SourceRangeCaption(std::uint8_t sourceType);
std::string TargetRangeCaption(std::uint8_t targetType);

// ConList: "<source> to <destination>", " (n Mods)" when it has any,
// " linked to <device title>" when linked; "<none>" without connections.
std::vector<std::string> ConnectionListEntries(const MidiPortTable& ports, const DeviceTable& devices);

// ptlist: each modification under its preset's name, else "Mod <index>".
std::vector<std::string> ModificationListEntries(const ModificationList& modifications,
                                                 const ModificationPresetList& presets);

// tlist: the preset names in list order.
std::vector<std::string> PresetListEntries(const ModificationPresetList& presets);

// llist: "<none>", then every device that no other connection is linked
// to, under its device list name. `links` holds each entry's link value
// (device number + 1; 0 for "<none>"). A connection from the
// bank-switching input, or a run without devices, is offered "<none>" only.
struct LinkListContent {
  std::vector<std::string> entries;
  std::vector<std::uint8_t> links;
  int selected = 0;  // the entry of the connection's link, else "<none>"
};
LinkListContent LinkListEntries(const MidiPortTable& ports, const DeviceTable& devices, int connection);

}  // namespace korvel
