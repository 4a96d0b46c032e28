// Device access as an object: the constructor opens a device (or every
// SoundFont device), the destructor closes it again, so that an early return
// or an exception between the two cannot leave a device open for the rest of
// the run. Brackets nest as DeviceTable counts them: an access held inside
// another's keeps the device open for the outer one.
#pragma once

#include <optional>

#include "banks/DeviceTable.h"
#include "banks/SoundDevice.h"

namespace korvel {

// A failed open is reported through ErrorCode, as OpenDeviceAccess does; the
// access still closes what it opened.
class DeviceAccess {
 public:
  DeviceAccess(DeviceTable& devices, int dev);
  ~DeviceAccess();
  DeviceAccess(const DeviceAccess&) = delete;
  DeviceAccess& operator=(const DeviceAccess&) = delete;

 private:
  DeviceTable& devices_;
  const int dev_;
};

// Every SoundFont device of the table, opened and closed in table order.
class SoundFontDevicesAccess {
 public:
  explicit SoundFontDevicesAccess(DeviceTable& devices);
  ~SoundFontDevicesAccess();
  SoundFontDevicesAccess(const SoundFontDevicesAccess&) = delete;
  SoundFontDevicesAccess& operator=(const SoundFontDevicesAccess&) = delete;

 private:
  std::optional<DeviceAccess> access_[kMaxDevices];
};

}  // namespace korvel
