// Counts the heap allocations the current thread makes while a counter
// exists, through the sanitizer allocator's hooks (native sanitizer builds;
// elsewhere KORVEL_COUNTS_ALLOCATIONS is not defined and tests skip).
#pragma once

#include <cstddef>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
extern "C" int __sanitizer_install_malloc_and_free_hooks(
    void (*malloc_hook)(const volatile void*, std::size_t), void (*free_hook)(const volatile void*));
#define KORVEL_COUNTS_ALLOCATIONS 1
#endif

#ifdef KORVEL_COUNTS_ALLOCATIONS

namespace korvel::testing {

class AllocationCounter {
 public:
  AllocationCounter() {
    static const bool installed = __sanitizer_install_malloc_and_free_hooks(Count, Ignore) != 0;
    installed_ = installed;
    Counted() = 0;
    Counting() = true;
  }
  ~AllocationCounter() { Counting() = false; }
  AllocationCounter(const AllocationCounter&) = delete;
  AllocationCounter& operator=(const AllocationCounter&) = delete;

  bool Installed() const { return installed_; }
  int Allocations() const { return Counted(); }

 private:
  static bool& Counting() {
    thread_local bool counting = false;
    return counting;
  }
  static int& Counted() {
    thread_local int counted = 0;
    return counted;
  }
  static void Count(const volatile void*, std::size_t) {
    if (Counting()) ++Counted();
  }
  // The sanitizer installs a pair of hooks only.
  static void Ignore(const volatile void*) {}
  bool installed_ = false;
};

}  // namespace korvel::testing
#endif
