// A fixed-size queue that many threads fill and one thread empties, without
// locks and without allocating: the MIDI callbacks leave requests in it for
// the user-interface thread. Each cell carries a sequence number that says
// whose turn it is: a producer claims a position by advancing the tail and
// publishes the cell by moving its sequence on; the consumer takes cells in
// position order. A full queue refuses the value.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace korvel {

template <typename T, std::size_t Capacity>
class RequestRing {
  static_assert(Capacity >= 2 && (Capacity & (Capacity - 1)) == 0,
                "capacity must be a power of two");

 public:
  RequestRing() {
    for (std::size_t i = 0; i < Capacity; ++i) cells_[i].sequence.store(i, std::memory_order_relaxed);
  }
  RequestRing(const RequestRing&) = delete;
  RequestRing& operator=(const RequestRing&) = delete;

  // Any thread. False when the queue is full.
  bool Push(const T& value) {
    std::size_t position = tail_.load(std::memory_order_relaxed);
    for (;;) {
      Cell& cell = cells_[position & kMask];
      const std::size_t sequence = cell.sequence.load(std::memory_order_acquire);
      const auto lag = static_cast<std::intptr_t>(sequence) - static_cast<std::intptr_t>(position);
      if (lag == 0) {
        if (tail_.compare_exchange_weak(position, position + 1, std::memory_order_relaxed)) {
          cell.value = value;
          cell.sequence.store(position + 1, std::memory_order_release);
          return true;
        }
      } else if (lag < 0) {
        return false;  // the consumer has not yet freed this cell
      } else {
        position = tail_.load(std::memory_order_relaxed);
      }
    }
  }

  // The consuming thread only. False when nothing is ready.
  bool Pop(T& value) {
    Cell& cell = cells_[head_ & kMask];
    if (cell.sequence.load(std::memory_order_acquire) != head_ + 1) return false;
    value = cell.value;
    cell.sequence.store(head_ + Capacity, std::memory_order_release);
    ++head_;
    return true;
  }

 private:
  static constexpr std::size_t kMask = Capacity - 1;
  struct Cell {
    std::atomic<std::size_t> sequence{0};
    T value{};
  };

  Cell cells_[Capacity];
  std::atomic<std::size_t> tail_{0};
  std::size_t head_ = 0;
};

}  // namespace korvel
