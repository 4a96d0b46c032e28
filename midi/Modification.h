// The rules a MIDI connection applies to the short messages it routes: the
// 8-byte Modification record, the list of at most eight that a connection
// embeds, and ApplyModifications, which runs in the MIDI callback.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace korvel {

// Message types as status bytes with channel nibble 0.
constexpr std::uint8_t kTypeNoteOff = 0x80;
constexpr std::uint8_t kTypeNoteOn = 0x90;
constexpr std::uint8_t kTypeController = 0xB0;
constexpr std::uint8_t kTypeProgramChange = 0xC0;
constexpr std::uint8_t kTypePitchWheel = 0xE0;
constexpr std::uint8_t kTypeAll = 0x00;   // as a source type
constexpr std::uint8_t kTypeNone = 0x00;  // as a target type: drop the message

constexpr std::uint8_t kSwapFlag = 0x80;        // flags bit 7
constexpr std::uint8_t kLowChannelMask = 0x0F;  // flags bits 0-3

constexpr std::size_t kModificationSize = 8;
constexpr int kMaxModifications = 8;

// One rule; the fields are in the order of the stored record's bytes 0..7.
struct Modification {
  std::uint8_t sourceType = kTypeNoteOn;   // 0
  std::uint8_t targetType = kTypeNoteOn;   // 1
  std::uint8_t sourceLow = 0;              // 2
  std::int8_t targetValue = 0;             // 3, signed
  std::uint8_t flags = 0;                  // 4: lowest channel, swap bit
  std::uint8_t highChannel = 15;           // 5
  std::uint8_t sourceHigh = 0;             // 6
  std::int8_t targetHigh = 0;              // 7, signed; kept, not applied
};

// The stored 8 bytes, field by field.
void EncodeModification(const Modification& modification, std::uint8_t out[kModificationSize]);
Modification DecodeModification(const std::uint8_t in[kModificationSize]);
bool SameModification(const Modification& a, const Modification& b);

// The record a new modification starts as: Note On to Note On, channels
// 1..16, note 0 only, mapped to note 0.
inline Modification DefaultModification() { return Modification{}; }

// The modifications of one connection: room for all eight inside the
// connection itself, so nothing is allocated and nothing can fail to be.
// The count is atomic because the MIDI callback reads it while the
// user-interface thread adds records: a record is written before it is
// counted.
struct ModificationList {
  std::atomic<int> count{0};
  Modification records[kMaxModifications];

  ModificationList() = default;
  ModificationList(const ModificationList&) = delete;
  ModificationList& operator=(const ModificationList&) = delete;
};

// Appends the default record; its index, or -1 when all eight are in use.
int AddModification(ModificationList& list);
// Appends a copy of `record`; its index, or -1 when all eight are in use.
// The record is written before it is counted, so connections that are
// already routing (a preset being read) can take records safely.
int AddModificationCopy(ModificationList& list, const Modification& record);
// Removes the record at `index`, the later ones moving down in order;
// nothing when `index` is not below the count.
void DeleteModification(ModificationList& list, int index);

// True when `message` is one that a "None" target has dropped: its status
// is the bare channel number.
inline bool IsDroppedMessage(std::uint32_t message) { return (message & 0xFF) < 0x10; }

// Applies the records in index order to a packed short message (status in
// bits 0-7, first data byte in bits 8-15, second in bits 16-23; bits 24-31
// are kept) and returns the result. A dropped message comes back with a
// status below 0x10. Allocates nothing, takes no lock, calls nothing.
std::uint32_t ApplyModifications(const ModificationList& list, std::uint32_t message);

// True when a record can change where a note's Note Off goes: it selects
// notes (a Note On, Note Off or "All" source) or turns messages into notes
// (a Note On or Note Off target). Without such a record, a Note Off routed
// with the modifications or without them ends the same note.
bool CanMoveNoteOffs(const ModificationList& list);

}  // namespace korvel
