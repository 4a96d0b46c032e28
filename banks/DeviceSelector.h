// What the device selector of the main window lists.
#pragma once

#include <string>
#include <vector>

#include "banks/DeviceTable.h"

namespace korvel {

struct DeviceSelectorContent {
  std::vector<std::string> entries;  // each device's name in device order, or "<none>"
  int selected = 0;                  // the entry of `curdev`
};

// The selector's entries. A `curdev` outside the table (or negative) becomes 0 first.
DeviceSelectorContent DeviceSelectorLines(const DeviceTable& table, Configuration& config);

}  // namespace korvel
