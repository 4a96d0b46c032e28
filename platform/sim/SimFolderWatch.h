// Tells the simulated disk when a host folder's contents changed, so that it
// can keep what it read from a folder (its names, its files' sizes and
// times) instead of reading it again for every call. A real disk hands out a
// folder's entries with their sizes and times from one read of the folder;
// asking the host for each file's times on every listing would make the
// simulation many times slower than the disks it stands for.
//
// Linux reports every change (a file created, removed, renamed, written or
// given new times) at the moment it happens, whoever makes it, so nothing
// kept here is ever stale, unlike a check of the folder's own time, which
// misses files written in place.
#pragma once

#include <string>
#include <unordered_map>

namespace platform::sim::detail {

class FolderWatch {
 public:
  FolderWatch() = default;
  FolderWatch(const FolderWatch&) = delete;
  FolderWatch& operator=(const FolderWatch&) = delete;
  FolderWatch& operator=(FolderWatch&& other) noexcept;
  ~FolderWatch();

  // A number that stays the same while nothing in `hostFolder` changes; 0
  // when the folder cannot be watched, which matches nothing kept. Call it
  // before reading the folder, so that a change made meanwhile is seen.
  unsigned long long Version(const std::string& hostFolder);

 private:
  void TakeEvents();
  void Forget(int watch);

  int inotify_ = -2;  // -2: not opened yet; -1: cannot be opened
  unsigned long long nextVersion_ = 1;
  std::unordered_map<std::string, int> watchOf_;  // folder -> watch
  std::unordered_map<int, std::string> folderOf_;
  std::unordered_map<int, unsigned long long> versionOf_;
};

}  // namespace platform::sim::detail
