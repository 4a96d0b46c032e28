// A name without backslashes and without a "Local\" or "Global\" namespace,
// which Windows 95 and 98 do not know; lower-cased because Windows paths
// ignore case. A holder that dies leaves the mutex abandoned, and the next
// waiter gets it; a holder that hangs is waited for only so long, then the
// operation goes ahead unlocked.
#include "emulators/win32/NamedMutexLock.h"

#include <windows.h>

#include <cctype>
#include <string>

namespace korvel::emu {
namespace {

constexpr DWORD kWaitMs = 10000;
// Kernel object names stop at MAX_PATH; longer paths keep their end.
constexpr std::size_t kNameMax = 200;

class NamedMutexLock : public StateLock {
 public:
  explicit NamedMutexLock(const std::string& name)
      : mutex_(::CreateMutexA(nullptr, FALSE, name.c_str())) {}
  ~NamedMutexLock() override {
    if (mutex_ != nullptr) ::CloseHandle(mutex_);
  }
  NamedMutexLock(const NamedMutexLock&) = delete;
  NamedMutexLock& operator=(const NamedMutexLock&) = delete;

  bool Acquire() override {
    if (mutex_ == nullptr) return false;
    const DWORD result = ::WaitForSingleObject(mutex_, kWaitMs);
    return result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
  }

  void Release() override { ::ReleaseMutex(mutex_); }

 private:
  HANDLE mutex_;
};

std::string MutexName(const std::string& statePath) {
  std::string name = "korvelemu_";
  const std::size_t from = statePath.size() > kNameMax ? statePath.size() - kNameMax : 0;
  for (std::size_t n = from; n < statePath.size(); ++n) {
    const auto c = static_cast<unsigned char>(statePath[n]);
    name += c < 0x80 && std::isalnum(c) ? static_cast<char>(std::tolower(c)) : '_';
  }
  return name;
}

}  // namespace

// The full path, so that a state file named through ".." in one folder's
// configuration and directly in another's gets one mutex.
std::unique_ptr<StateLock> MakeNamedMutexLock(const std::string& statePath) {
  char full[MAX_PATH];
  const DWORD n = ::GetFullPathNameA(statePath.c_str(), sizeof full, full, nullptr);
  return std::make_unique<NamedMutexLock>(
      MutexName(n > 0 && n < sizeof full ? std::string(full, n) : statePath));
}

}  // namespace korvel::emu
