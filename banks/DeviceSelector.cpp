#include "banks/DeviceSelector.h"

#include <cstring>

namespace korvel {

DeviceSelectorContent DeviceSelectorLines(const DeviceTable& table, Configuration& config) {
  DeviceSelectorContent content;
  if (config.curdev >= table.Count() || config.curdev < 0) config.curdev = 0;
  for (int dev = 0; dev < table.Count(); ++dev) {
    const char* name = table.Device(dev).name;
    const void* end = std::memchr(name, '\0', sizeof table.Device(dev).name);
    content.entries.emplace_back(
        name, end ? static_cast<const char*>(end) - name : sizeof table.Device(dev).name);
  }
  if (content.entries.empty()) content.entries.emplace_back("<none>");
  content.selected = config.curdev;
  return content;
}

}  // namespace korvel
