#include "app/models/TrayMenuItems.h"

#include <cstring>

namespace korvel {

namespace {

constexpr int kLastVirtualSlot = 119;  // EWS64 slots 120-127 view physical banks

std::string Field(const char* text, std::size_t size) {
  const void* end = std::memchr(text, '\0', size);
  return std::string(text, end ? static_cast<std::size_t>(static_cast<const char*>(end) - text) : size);
}

std::vector<TrayMenuItem> BankItems(const SoundDevice& device, std::uint32_t cflags) {
  std::vector<TrayMenuItem> items;
  const int count = device.slotCount < kSlotsPerDevice ? device.slotCount : kSlotsPerDevice;
  for (int slot = 0; slot < count; ++slot) {
    if (device.kind == kKindEws64 && slot > kLastVirtualSlot) break;
    const BankSlot& rec = device.slots[slot];
    if (device.paths[slot][0] == '\0' || rec.name[0] == '\0') continue;
    TrayMenuItem item;
    item.caption = Field(rec.name, sizeof rec.name);
    if (cflags & MoreInfo) item.caption += " (" + std::to_string(slot) + ")";
    item.tag = kTrayBankTagBase + slot;
    item.checked = rec.Has(Loaded);
    items.push_back(std::move(item));
  }
  return items;
}

}  // namespace

TrayMenuContent TrayMenuItems(const DeviceTable& table, int curdev, std::uint32_t cflags) {
  TrayMenuContent content;
  for (int dev = 0; dev < table.Count(); ++dev) {
    const SoundDevice& device = table.Device(dev);
    content.devices.push_back({Field(device.name, sizeof device.name), kTrayDeviceTagBase + dev, dev == curdev});
  }
  if ((cflags & VBMode) && curdev >= 0 && curdev < table.Count())
    content.banks = BankItems(table.Device(curdev), cflags);
  return content;
}

void BuildTrayMenu(TrayMenuEditor& menu, const TrayMenuContent& content, int& bankItems) {
  for (int position = bankItems + 1; position >= 0; --position) menu.DeleteItem(position);
  menu.InsertSeparator(0);
  menu.InsertDeviceMenu(1, content.devices);
  bankItems = 0;
  for (const TrayMenuItem& item : content.banks) menu.InsertItem(bankItems++, item);
}

TrayChoice TrayChoiceOfTag(int tag) {
  TrayChoice choice;
  if (tag >= kTrayDeviceTagBase) {
    choice.kind = TrayChoice::kDevice;
    choice.number = tag - kTrayDeviceTagBase;
  } else if (tag >= kTrayBankTagBase && tag < kTrayBankTagBase + kSlotsPerDevice) {
    choice.kind = TrayChoice::kBank;
    choice.number = tag - kTrayBankTagBase;
  }
  return choice;
}

}  // namespace korvel
