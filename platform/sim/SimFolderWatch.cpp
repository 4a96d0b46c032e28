#include "platform/sim/SimFolderWatch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <utility>

namespace platform::sim::detail {

namespace {

constexpr std::uint32_t kChanges = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_MODIFY |
                                   IN_ATTRIB | IN_CLOSE_WRITE | IN_DELETE_SELF | IN_MOVE_SELF;
constexpr std::uint32_t kWatchEnded = IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF;
// Far more folders than a run looks at; past it the watches start again
// rather than growing toward the host's limit.
constexpr std::size_t kMostFolders = 512;

}  // namespace

FolderWatch& FolderWatch::operator=(FolderWatch&& other) noexcept {
  if (this == &other) return *this;
  if (inotify_ >= 0) ::close(inotify_);
  inotify_ = other.inotify_;
  nextVersion_ = other.nextVersion_;
  watchOf_ = std::move(other.watchOf_);
  versionOf_ = std::move(other.versionOf_);
  other.inotify_ = -2;
  other.watchOf_.clear();
  other.versionOf_.clear();
  return *this;
}

FolderWatch::~FolderWatch() {
  if (inotify_ >= 0) ::close(inotify_);
}

unsigned long long FolderWatch::Version(const std::string& hostFolder) {
  if (inotify_ == -2) inotify_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (inotify_ < 0) return 0;
  TakeEvents();
  const auto known = watchOf_.find(hostFolder);
  if (known != watchOf_.end()) return versionOf_[known->second];

  if (watchOf_.size() >= kMostFolders) {
    for (const auto& [folder, watch] : watchOf_) ::inotify_rm_watch(inotify_, watch);
    watchOf_.clear();
    versionOf_.clear();
  }
  const int watch = ::inotify_add_watch(inotify_, hostFolder.c_str(), kChanges | IN_ONLYDIR);
  if (watch < 0) return 0;
  watchOf_[hostFolder] = watch;
  // The same folder named another way has the same watch and keeps its version.
  auto [version, added] = versionOf_.emplace(watch, 0);
  if (added) version->second = nextVersion_++;
  return version->second;
}

// Each event gives its folder a new version; a lost event gives all of them one.
void FolderWatch::TakeEvents() {
  alignas(inotify_event) char buffer[8192];
  for (;;) {
    const ssize_t length = ::read(inotify_, buffer, sizeof buffer);
    if (length <= 0) return;
    for (ssize_t at = 0; at < length;) {
      inotify_event event;
      std::memcpy(&event, buffer + at, sizeof event);
      at += static_cast<ssize_t>(sizeof event + event.len);
      if ((event.mask & IN_Q_OVERFLOW) != 0) {
        for (auto& [watch, version] : versionOf_) version = nextVersion_++;
        continue;
      }
      const auto found = versionOf_.find(event.wd);
      if (found == versionOf_.end()) continue;
      found->second = nextVersion_++;
      if ((event.mask & kWatchEnded) != 0) Forget(event.wd);
    }
  }
}

// The folder is gone or has another name: what was kept for its path no longer applies.
void FolderWatch::Forget(int watch) {
  ::inotify_rm_watch(inotify_, watch);
  versionOf_.erase(watch);
  for (auto it = watchOf_.begin(); it != watchOf_.end();) {
    it = it->second == watch ? watchOf_.erase(it) : std::next(it);
  }
}

}  // namespace platform::sim::detail
