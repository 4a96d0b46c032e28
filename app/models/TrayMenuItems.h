// The items that BuildTrayMenu puts at the top of the tray menu: in virtual
// bank mode one item per assigned bank of the current device, and one
// "&Device..." sub-item per device; and what a clicked item's tag asks for.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "banks/DeviceTable.h"

namespace korvel {

constexpr int kTrayBankTagBase = 16;
constexpr int kTrayDeviceTagBase = 1000;

struct TrayMenuItem {
  std::string caption;
  int tag = 0;
  bool checked = false;
};

struct TrayMenuContent {
  std::vector<TrayMenuItem> banks;    // slot order; empty outside virtual bank mode
  std::vector<TrayMenuItem> devices;  // device order; the current one checked
};

TrayMenuContent TrayMenuItems(const DeviceTable& table, int curdev, std::uint32_t cflags);

// The top of the tray menu as BuildTrayMenu edits it; the window's menu
// implements it.
class TrayMenuEditor {
 public:
  virtual void DeleteItem(int position) = 0;
  virtual void InsertSeparator(int position) = 0;
  // "&Device..." with one sub-item per device.
  virtual void InsertDeviceMenu(int position, const std::vector<TrayMenuItem>& devices) = 0;
  virtual void InsertItem(int position, const TrayMenuItem& item) = 0;

 protected:
  ~TrayMenuEditor() = default;
};

// Replaces what the last build put at the top of the menu (at the first
// build, the two placeholders of the form: `bankItems` starts at 0) by the
// bank items, a separator and "&Device...". `bankItems` is the number of
// bank items, kept between builds.
void BuildTrayMenu(TrayMenuEditor& menu, const TrayMenuContent& content, int& bankItems);

struct TrayChoice {
  enum Kind { kDevice, kBank, kIllegal } kind = kIllegal;
  int number = 0;  // the device, or the slot of the current device
};

// 1000 and above: a device; 16 to 143: slot tag - 16; anything else is no
// item of the menu.
TrayChoice TrayChoiceOfTag(int tag);

}  // namespace korvel
