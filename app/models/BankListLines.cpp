#include "app/models/BankListLines.h"

#include <cstdio>
#include <cstring>

namespace korvel {

namespace {

constexpr int kColumnLeft[] = {5, 30, 180, 230, 360};
constexpr std::size_t kColumnChars = 32;
constexpr int kEws64Banks = 8;

std::string Field(const char* text, std::size_t size) {
  const void* end = std::memchr(text, '\0', size);
  return std::string(text, end ? static_cast<std::size_t>(static_cast<const char*>(end) - text) : size);
}

bool IsShown(const SoundDevice& device, int slot, bool virtualMode) {
  const BankSlot& rec = device.slots[slot];
  return rec.name[0] != '\0' && (virtualMode || rec.Has(Loaded));
}

std::string SlotLine(const SoundDevice& device, int slot, std::uint32_t cflags) {
  std::string line = std::to_string(slot) + kColumnMark;
  if (!IsShown(device, slot, (cflags & VBMode) != 0)) return line;
  const BankSlot& rec = device.slots[slot];
  if (!rec.Has(Assigned)) line += kGreyMark;
  else if (rec.Has(Loaded)) line += kBoldMark;
  line += Field(rec.name, sizeof rec.name) + kColumnMark;
  line += (rec.sizeKB != 0 ? std::to_string(rec.sizeKB) + " kb" : std::string(" ")) + kColumnMark;
  if (cflags & MoreInfo) {
    const std::string path = Field(device.paths[slot], kPathEntrySize);
    char hex[4];
    std::snprintf(hex, sizeof hex, "%02X", slot);
    line += (path.empty() ? std::string("<no path>") : path) + kColumnMark + hex + kColumnMark;
  }
  return line;
}

}  // namespace

int BankListSlotLines(const DeviceTable& table, int dev, std::uint32_t cflags) {
  if (dev < 0 || dev >= table.Count()) return 0;
  const SoundDevice& device = table.Device(dev);
  const int count = device.slotCount < kSlotsPerDevice ? device.slotCount : kSlotsPerDevice;
  if (device.kind == kKindEws64 && !(cflags & VBMode)) return count < kEws64Banks ? count : kEws64Banks;
  return count;
}

std::vector<std::string> BankListLines(const DeviceTable& table, int dev, std::uint32_t cflags) {
  if (dev < 0 || dev >= table.Count()) return {"<no banks>"};
  const SoundDevice& device = table.Device(dev);
  std::vector<std::string> lines;
  const int slots = BankListSlotLines(table, dev, cflags);
  for (int slot = 0; slot < slots; ++slot) lines.push_back(SlotLine(device, slot, cflags));
  lines.resize(kBankListLines, std::string(1, kColumnMark));
  return lines;
}

std::vector<BankListColumn> BankListColumns(const std::string& line) {
  std::vector<BankListColumn> columns;
  bool grey = false;
  std::size_t at = 0;
  for (int left : kColumnLeft) {
    if (at >= line.size()) break;
    std::size_t end = line.find(kColumnMark, at);
    if (end == std::string::npos) end = line.size();
    std::string text = line.substr(at, end - at);
    if (text.size() > kColumnChars) text.resize(kColumnChars);
    BankListColumn column;
    column.left = left;
    if (!text.empty() && text[0] == kBoldMark) {
      column.bold = true;
      text.erase(0, 1);
    } else if (!text.empty() && text[0] == kGreyMark) {
      grey = true;
      text.erase(0, 1);
    }
    column.grey = grey;
    column.text = std::move(text);
    columns.push_back(std::move(column));
    at = end + 1;
  }
  return columns;
}

}  // namespace korvel
