// The pool of short-lived working buffers: six slots handed out in turn and
// given back last-in-first-out. The first slots keep their buffers when
// released, so the commonest short texts cost no allocation after first use.
#pragma once

#include <cstddef>
#include <memory>

namespace korvel {

class ScratchRing {
 public:
  static constexpr int kSlotCount = 6;
  static constexpr int kDefaultKeepThreshold = 2;

  // Slots whose index is below `keepThreshold` (clamped to 0..6) keep their
  // buffers when released.
  explicit ScratchRing(int keepThreshold = kDefaultKeepThreshold);
  ~ScratchRing() = default;
  ScratchRing(const ScratchRing&) = delete;
  ScratchRing& operator=(const ScratchRing&) = delete;

  // A buffer of at least `size` bytes from the slot under the cursor, which
  // then moves on (5 wraps to 0). A kept buffer that is too small is replaced
  // by one of exactly `size` bytes.
  //
  // When that allocation fails, Take throws std::bad_alloc: the slot is left
  // empty and the cursor where it was, so the caller never sees an absent
  // buffer and has nothing to release. Start-up turns it into error code 2.
  char* Take(std::size_t size);

  // Gives back the most recent take: the cursor moves back one (0 wraps to
  // 5), and that slot's buffer is freed unless the slot is a kept one.
  void Release();

  // Frees every slot's buffer. The cursor is left as it is.
  void Destroy();

  // For inspection: the capacity of the buffer a slot holds (0 when it holds
  // none), and the index of the slot the next Take hands out.
  std::size_t Capacity(int slot) const;
  int Cursor() const { return cursor_; }

 private:
  struct Slot {
    std::unique_ptr<char[]> buffer;
    std::size_t capacity = 0;
  };

  Slot slots_[kSlotCount];
  int cursor_ = 0;
  int keepThreshold_;
};

}  // namespace korvel
