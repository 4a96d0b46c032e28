// Waiting for another thread in a concurrency test: for a condition that
// thread makes true, and for at most a time limit, so that a lost wake-up
// fails the test instead of hanging the run.
#pragma once

#include <chrono>
#include <thread>

namespace korvel {

// Yields until `condition()` holds; false once `limit` has passed without.
template <typename Condition>
bool SpinUntil(Condition condition, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::yield();
  }
  return true;
}

}  // namespace korvel
