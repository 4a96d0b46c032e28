// Loading bank files into slots with automatic replacement, unloading, and
// refreshing slots from the devices.
#pragma once

#include <cstdint>

#include "banks/DeviceTable.h"

namespace korvel {

enum UnloadMode { kUnloadKeepPath = 0, kUnloadForget = 1, kUnloadDefault = 2 };

std::int32_t LoadBank(DeviceTable& layer, int dev, int slot, const char* path);
void UnloadSlot(DeviceTable& layer, int dev, int slot, int mode);
void RefreshSlot(DeviceTable& layer, int dev, int slot, BankSlot& rec, int keepAssigned);
void RefreshAllSlots(DeviceTable& layer, bool markAssigned);

}  // namespace korvel
