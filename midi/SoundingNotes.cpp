#include "midi/SoundingNotes.h"

namespace korvel {

namespace {

constexpr std::uint32_t kNoteOff = 0x80, kNoteOn = 0x90, kController = 0xB0, kSustain = 64;

}  // namespace

void SoundingNotes::Track(std::uint32_t sent) {
  const std::uint32_t status = sent & 0xF0;
  const std::uint32_t channel = sent & 0x0F;
  const std::uint32_t data1 = (sent >> 8) & 0x7F;
  const std::uint32_t data2 = (sent >> 16) & 0x7F;
  if (status == kController) {
    if (data1 != kSustain) return;
    const std::uint32_t mask = 1u << channel;
    if (data2 >= 64) pedals_.fetch_or(mask, std::memory_order_relaxed);
    else pedals_.fetch_and(~mask, std::memory_order_relaxed);
    return;
  }
  if (status != kNoteOn && status != kNoteOff) return;
  const std::uint32_t index = channel * kNotes + data1;
  const std::uint32_t mask = 1u << (index % 32);
  std::atomic<std::uint32_t>& word = notes_[index / 32];
  // A Note On with velocity 0 is a Note Off.
  if (status == kNoteOn && data2 != 0) word.fetch_or(mask, std::memory_order_relaxed);
  else word.fetch_and(~mask, std::memory_order_relaxed);
}

void SoundingNotes::Clear() {
  for (std::atomic<std::uint32_t>& word : notes_) word.store(0, std::memory_order_relaxed);
  pedals_.store(0, std::memory_order_relaxed);
}

}  // namespace korvel
