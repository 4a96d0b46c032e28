#include "config/ScratchRing.h"

#include <algorithm>

namespace korvel {

ScratchRing::ScratchRing(int keepThreshold)
    : keepThreshold_(std::clamp(keepThreshold, 0, kSlotCount)) {}

char* ScratchRing::Take(std::size_t size) {
  Slot& slot = slots_[cursor_];
  if (slot.buffer && slot.capacity < size) {
    slot.buffer.reset();
    slot.capacity = 0;
  }
  if (!slot.buffer) {
    // new char[0] still yields a distinct, valid pointer.
    slot.buffer.reset(new char[size]);
    slot.capacity = size;
  }
  cursor_ = (cursor_ + 1) % kSlotCount;
  return slot.buffer.get();
}

void ScratchRing::Release() {
  cursor_ = (cursor_ + kSlotCount - 1) % kSlotCount;
  if (cursor_ < keepThreshold_) return;
  Slot& slot = slots_[cursor_];
  slot.buffer.reset();
  slot.capacity = 0;
}

void ScratchRing::Destroy() {
  for (Slot& slot : slots_) {
    slot.buffer.reset();
    slot.capacity = 0;
  }
}

std::size_t ScratchRing::Capacity(int slot) const {
  if (slot < 0 || slot >= kSlotCount) return 0;
  return slots_[slot].capacity;
}

}  // namespace korvel
