#include "banks/DeviceAccess.h"

namespace korvel {

// The table counts the open before it asks the backend: an open that throws
// is closed here, since no destructor runs for it.
DeviceAccess::DeviceAccess(DeviceTable& devices, int dev) : devices_(devices), dev_(dev) {
  try {
    devices_.OpenDeviceAccess(dev_);
  } catch (...) {
    devices_.CloseDeviceAccess(dev_);
    throw;
  }
}

// Closing calls into the SoundFont manager. Nothing may leave a destructor
// (it may run while an exception is on its way), and there is nothing the
// caller could do about a close that failed.
DeviceAccess::~DeviceAccess() {
  try {
    devices_.CloseDeviceAccess(dev_);
  } catch (...) {
  }
}

// An open that throws half-way leaves the devices opened so far to their
// accesses' destructors.
SoundFontDevicesAccess::SoundFontDevicesAccess(DeviceTable& devices) {
  for (int dev = 0; dev < devices.Count(); ++dev) {
    if (devices.Device(dev).kind == kKindSoundFont) access_[dev].emplace(devices, dev);
  }
}

SoundFontDevicesAccess::~SoundFontDevicesAccess() {
  for (std::optional<DeviceAccess>& access : access_) access.reset();
}

}  // namespace korvel
