// std::mutex and std::condition_variable for MinGW's Win32 thread model.
// The Windows builds use that model because the POSIX one links a threading
// library that imports functions Windows 95, 98 and NT4 lack (GetTickCount64
// among them); its libstdc++ then has no std::mutex. This stand-in, included
// into every Windows translation unit, rests on critical sections, which
// every Win32 system has.
#pragma once

#if defined(_WIN32) && defined(__cplusplus) && !defined(_GLIBCXX_HAS_GTHREADS)
#include <windows.h>

#include <mutex>

namespace std {

class mutex {
 public:
  mutex() { InitializeCriticalSection(&section_); }
  ~mutex() { DeleteCriticalSection(&section_); }
  mutex(const mutex&) = delete;
  mutex& operator=(const mutex&) = delete;
  void lock() { EnterCriticalSection(&section_); }
  void unlock() { LeaveCriticalSection(&section_); }

 private:
  CRITICAL_SECTION section_;
};

// Waiting polls the predicate (there is no condition variable before Vista);
// only the predicate form of wait exists, so no caller can miss a wake-up.
class condition_variable {
 public:
  void notify_all() {}
  void notify_one() {}
  template <typename Predicate>
  void wait(unique_lock<mutex>& lock, Predicate ready) {
    while (!ready()) {
      lock.unlock();
      Sleep(1);
      lock.lock();
    }
  }
};

}  // namespace std
#endif
