#include "midi/Modification.h"

#include <cstring>

namespace korvel {

void EncodeModification(const Modification& m, std::uint8_t out[kModificationSize]) {
  out[0] = m.sourceType;
  out[1] = m.targetType;
  out[2] = m.sourceLow;
  out[3] = static_cast<std::uint8_t>(m.targetValue);
  out[4] = m.flags;
  out[5] = m.highChannel;
  out[6] = m.sourceHigh;
  out[7] = static_cast<std::uint8_t>(m.targetHigh);
}

Modification DecodeModification(const std::uint8_t in[kModificationSize]) {
  Modification m;
  m.sourceType = in[0];
  m.targetType = in[1];
  m.sourceLow = in[2];
  m.targetValue = static_cast<std::int8_t>(in[3]);
  m.flags = in[4];
  m.highChannel = in[5];
  m.sourceHigh = in[6];
  m.targetHigh = static_cast<std::int8_t>(in[7]);
  return m;
}

bool SameModification(const Modification& a, const Modification& b) {
  std::uint8_t left[kModificationSize];
  std::uint8_t right[kModificationSize];
  EncodeModification(a, left);
  EncodeModification(b, right);
  return std::memcmp(left, right, kModificationSize) == 0;
}

int AddModification(ModificationList& list) {
  return AddModificationCopy(list, DefaultModification());
}

// The record is complete before it is counted, so a message routed meanwhile
// meets either the list without it or the list with all of it.
int AddModificationCopy(ModificationList& list, const Modification& record) {
  const int index = list.count.load(std::memory_order_relaxed);
  if (index < 0 || index >= kMaxModifications) return -1;
  list.records[index] = record;
  list.count.store(index + 1, std::memory_order_release);
  return index;
}

void DeleteModification(ModificationList& list, int index) {
  const int count = list.count.load(std::memory_order_relaxed);
  if (index < 0 || index >= count) return;
  for (int i = index; i + 1 < count; ++i) list.records[i] = list.records[i + 1];
  list.records[count - 1] = DefaultModification();
  list.count.store(count - 1, std::memory_order_release);
}

namespace {

// How a record rewrites a message, chosen by its source type's high nibble.
enum class Rewrite : std::uint8_t {
  Skip,   // source types that select nothing: the record is passed over
  Note,   // Note On / Note Off: transposes for note and "None" targets
  Other,  // "All", Controller, Program Change, Pitch Wheel
};

constexpr Rewrite kRewriteBySource[16] = {
    Rewrite::Other,  // 0x00 "All"
    Rewrite::Skip,  Rewrite::Skip, Rewrite::Skip, Rewrite::Skip,
    Rewrite::Skip,  Rewrite::Skip, Rewrite::Skip,
    Rewrite::Note,   // 0x80 Note Off
    Rewrite::Note,   // 0x90 Note On
    Rewrite::Skip,   // 0xA0 key pressure
    Rewrite::Other,  // 0xB0 Controller
    Rewrite::Other,  // 0xC0 Program Change
    Rewrite::Skip,   // 0xD0 channel pressure
    Rewrite::Other,  // 0xE0 Pitch Wheel
    Rewrite::Skip,   // 0xF0 system messages
};

}  // namespace

std::uint32_t ApplyModifications(const ModificationList& list, std::uint32_t message) {
  int count = list.count.load(std::memory_order_acquire);
  if (count > kMaxModifications) count = kMaxModifications;
  for (int i = 0; i < count; ++i) {
    // A dropped message stays dropped: no later record brings it back.
    if (IsDroppedMessage(message)) break;
    const Modification& record = list.records[i];
    const Rewrite rewrite = kRewriteBySource[record.sourceType >> 4];
    if (rewrite == Rewrite::Skip) continue;

    const std::uint32_t status = message & 0xFF;
    const std::uint32_t type = status & 0xF0;
    if (record.sourceType == kTypeAll) {
      if (type == 0xF0) continue;  // "All" selects every channel message
    } else if (type != record.sourceType) {
      continue;
    }

    // Work on copies so that a record that passes the message over leaves
    // it exactly as it came, swap included.
    std::uint32_t first = (message >> 8) & 0xFF;
    std::uint32_t second = (message >> 16) & 0xFF;
    if (record.flags & kSwapFlag) {
      const std::uint32_t swapped = first;
      first = second;
      second = swapped;
    }
    const std::uint32_t channel = status & 0x0F;
    if (channel < (record.flags & kLowChannelMask) || channel > record.highChannel) continue;
    if (first < record.sourceLow || first > record.sourceHigh) continue;

    const std::uint32_t target = record.targetType;
    const std::uint32_t value = static_cast<std::uint8_t>(record.targetValue);
    if (target == kTypeController) {
      first = value;
    } else if (rewrite == Rewrite::Note && target <= 0xA0) {
      first = (first - record.sourceLow + value) & 0xFF;
    }
    // The channel is kept; for "None" the status becomes the bare channel.
    const std::uint32_t newStatus = (target + channel) & 0xFF;
    message = (message & 0xFF000000u) | (second << 16) | (first << 8) | newStatus;
  }
  return message;
}

namespace {

bool IsNoteType(std::uint8_t type) { return type == kTypeNoteOn || type == kTypeNoteOff; }

bool CanMoveNoteOffs(const Modification& record) {
  if (kRewriteBySource[record.sourceType >> 4] == Rewrite::Skip) return false;
  return record.sourceType == kTypeAll || IsNoteType(record.sourceType) || IsNoteType(record.targetType);
}

}  // namespace

bool CanMoveNoteOffs(const ModificationList& list) {
  const int count = list.count.load(std::memory_order_acquire);
  for (int i = 0; i < count && i < kMaxModifications; ++i) {
    if (CanMoveNoteOffs(list.records[i])) return true;
  }
  return false;
}

}  // namespace korvel
