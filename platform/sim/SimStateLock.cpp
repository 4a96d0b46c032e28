// flock belongs to the open file, not to the process: each lock opens the lock
// file itself, so two emulators exclude each other whether they run in two
// processes or in two threads of one.
#include "platform/sim/SimStateLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace platform::sim::detail {
namespace {

class FileStateLock : public korvel::emu::StateLock {
 public:
  explicit FileStateLock(std::string path) : path_(std::move(path)) {}
  ~FileStateLock() override {
    if (fd_ >= 0) ::close(fd_);
  }
  FileStateLock(const FileStateLock&) = delete;
  FileStateLock& operator=(const FileStateLock&) = delete;

  // The file is opened on first use, so that a folder made after the emulator
  // started still gets its lock. The wait has no bound: the kernel releases
  // the lock of a process that ends.
  bool Acquire() override {
    if (fd_ < 0) fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ < 0) return false;
    int result = 0;
    do {
      result = ::flock(fd_, LOCK_EX);
    } while (result != 0 && errno == EINTR);
    return result == 0;
  }

  void Release() override { ::flock(fd_, LOCK_UN); }

 private:
  std::string path_;
  int fd_ = -1;
};

}  // namespace

std::unique_ptr<korvel::emu::StateLock> MakeFileStateLock(const std::string& statePath) {
  if (statePath.empty()) return nullptr;
  return std::make_unique<FileStateLock>(statePath + ".lock");
}

}  // namespace platform::sim::detail
