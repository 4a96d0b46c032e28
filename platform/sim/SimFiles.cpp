// Files and folders of the simulated platform: Windows paths mapped into a
// sandbox folder on the host, one folder per drive letter.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/Platform.h"
#include "platform/sim/Sim.h"
#include "platform/sim/SimFolderWatch.h"
#include "platform/sim/SimInternal.h"

namespace fs = std::filesystem;

namespace platform {
namespace {

struct FileState {
  std::string root;
  std::optional<std::string> windowsDirectory = std::string("C:\\WINDOWS");
  std::string currentDirectory = "C:\\";
  long long writeBudget = -1;  // bytes still accepted by limited files; -1 = no limit
  bool creationFails = false;
  bool replaceFails = false;
  bool replaceDeletesThenFails = false;
  // The folder last made current on each drive, as the C runtime keeps it.
  std::map<char, std::string> driveDirectories;
  // A folder's regular files, sorted by their names in lower case as a
  // listing gives them.
  struct ListedFile {
    std::string name;
    std::string lowerName;
    FileStamp stamp;
  };
  using FileList = std::vector<ListedFile>;
  // Open file searches: the matching files and how many were handed out.
  struct Search {
    std::shared_ptr<const FileList> files;
    std::vector<std::size_t> matching;
    std::size_t next = 0;
  };
  // What was read from a host folder, each part kept while the watch reports
  // no change and read only when asked for.
  struct FolderEntries {
    unsigned long long namesVersion = 0;
    std::unordered_map<std::string, std::string> byLowerName;  // every entry
    unsigned long long filesVersion = 0;
    std::shared_ptr<const FileList> files;
  };
  std::unordered_map<std::string, FolderEntries> folders;
  sim::detail::FolderWatch watch;
  std::map<FindHandle, Search> searches;
  FindHandle nextSearch = 1;
};

FileState& State() {
  static FileState state;
  return state;
}

// A Windows path taken apart: the drive letter (upper case) and the folder
// and file names below its root, with "." and ".." already applied.
struct WindowsPath {
  char drive = 'C';
  std::vector<std::string> parts;
};

void AppendParts(const std::string& text, std::vector<std::string>& parts) {
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\\', start);
    if (end == std::string::npos) end = text.size();
    std::string part = text.substr(start, end - start);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = end + 1;
  }
}

// The current directory itself is kept absolute, so parsing it needs no base.
WindowsPath CurrentDirectory() {
  WindowsPath result;
  const std::string& current = State().currentDirectory;
  result.drive = current[0];
  AppendParts(current.substr(2), result.parts);
  return result;
}

std::optional<WindowsPath> Parse(const char* path) {
  if (path == nullptr) return std::nullopt;
  std::string text(path);
  std::replace(text.begin(), text.end(), '/', '\\');
  if (text.rfind("\\\\", 0) == 0) return std::nullopt;  // UNC names are not simulated

  WindowsPath base = CurrentDirectory();
  WindowsPath result;
  std::string rest;
  if (text.size() >= 2 && text[1] == ':' && std::isalpha(static_cast<unsigned char>(text[0]))) {
    result.drive = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    rest = text.substr(2);
    // "D:name" is relative to the current folder only when that is on D:.
    if (!rest.empty() && rest[0] != '\\' && result.drive == base.drive) result.parts = base.parts;
  } else {
    result.drive = base.drive;
    rest = text;
    if (rest.empty() || rest[0] != '\\') result.parts = base.parts;
  }
  AppendParts(rest, result.parts);
  return result;
}

const std::string& Root() {
  FileState& state = State();
  if (state.root.empty()) {
    fs::path fallback = fs::temp_directory_path() / ("korvel-sim-" + std::to_string(getpid()));
    sim::detail::ResetFiles(fallback.string());
  }
  return state.root;
}

std::string LowerCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// Far more folders than a run looks at; past it the kept reads start again.
constexpr std::size_t kMostKeptFolders = 512;

// Each entry is looked at relative to the open folder: one path part to
// resolve instead of the whole sandbox path.
std::shared_ptr<const FileState::FileList> ReadFiles(const std::string& folder) {
  auto files = std::make_shared<FileState::FileList>();
  DIR* listing = ::opendir(folder.c_str());
  if (listing == nullptr) return files;
  while (const dirent* entry = ::readdir(listing)) {
    struct stat info {};
    if (::fstatat(::dirfd(listing), entry->d_name, &info, 0) != 0 || !S_ISREG(info.st_mode)) continue;
    const FileStamp stamp{static_cast<std::uint64_t>(info.st_size),
                          static_cast<std::uint64_t>(info.st_mtim.tv_sec) * 1'000'000'000u +
                              static_cast<std::uint64_t>(info.st_mtim.tv_nsec)};
    files->push_back({entry->d_name, LowerCase(entry->d_name), stamp});
  }
  ::closedir(listing);
  std::sort(files->begin(), files->end(),
            [](const FileState::ListedFile& a, const FileState::ListedFile& b) { return a.lowerName < b.lowerName; });
  return files;
}

void ReadNames(const std::string& folder, std::unordered_map<std::string, std::string>& byLowerName) {
  byLowerName.clear();
  DIR* listing = ::opendir(folder.c_str());
  if (listing == nullptr) return;
  while (const dirent* entry = ::readdir(listing)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") byLowerName.emplace(LowerCase(name), name);
  }
  ::closedir(listing);
}

// What is kept of the folder, made current with the watch's news first.
FileState::FolderEntries& EntriesOf(const std::string& folder, unsigned long long& version) {
  FileState& state = State();
  version = state.watch.Version(folder);
  if (state.folders.size() >= kMostKeptFolders && state.folders.count(folder) == 0) state.folders.clear();
  return state.folders[folder];
}

std::shared_ptr<const FileState::FileList> FilesIn(const std::string& folder) {
  unsigned long long version = 0;
  FileState::FolderEntries& entries = EntriesOf(folder, version);
  if (version == 0 || entries.filesVersion != version || !entries.files) {
    entries.files = ReadFiles(folder);
    entries.filesVersion = version;
  }
  return entries.files;
}

// The name in `folder` that equals `part` without regard to case. A real
// file system finds a missing name at once; scanning a folder of hundreds of
// bank files for each one would make the simulated disk far slower.
std::optional<std::string> ExistingName(const fs::path& folder, const std::string& part) {
  unsigned long long version = 0;
  FileState::FolderEntries& entries = EntriesOf(folder.string(), version);
  if (version == 0 || entries.namesVersion != version) {
    ReadNames(folder.string(), entries.byLowerName);
    entries.namesVersion = version;
  }
  const auto found = entries.byLowerName.find(LowerCase(part));
  if (found == entries.byLowerName.end()) return std::nullopt;
  return found->second;
}

// Existing names are matched without regard to case, as Windows does; the
// first name that does not exist and everything below it are taken as given.
std::string ToHost(const WindowsPath& path) {
  fs::path host = fs::path(Root()) / std::string(1, path.drive);
  // Most paths are given as they exist: one look instead of one per part.
  fs::path asGiven = host;
  for (const std::string& part : path.parts) asGiven /= part;
  std::error_code exists;
  if (fs::exists(asGiven, exists)) return asGiven.string();
  bool matching = true;
  for (const std::string& part : path.parts) {
    std::error_code error;
    if (matching && !fs::exists(host / part, error)) {
      const std::optional<std::string> found = ExistingName(host, part);
      if (found) {
        host /= *found;
        continue;
      }
      matching = false;
    }
    host /= part;
  }
  return host.string();
}

std::string ToHost(const char* windowsPath) {
  std::optional<WindowsPath> parsed = Parse(windowsPath);
  return parsed ? ToHost(*parsed) : std::string();
}

std::string ToWindows(const WindowsPath& path) {
  std::string text(1, path.drive);
  text += ":\\";
  for (std::size_t i = 0; i < path.parts.size(); ++i) {
    if (i > 0) text += '\\';
    text += path.parts[i];
  }
  return text;
}

// As GetWindowsDirectoryA and GetCurrentDirectoryA report a string.
unsigned ReportString(const std::string& value, char* buffer, unsigned size) {
  const auto length = static_cast<unsigned>(value.size());
  if (buffer == nullptr || size < length + 1) return length + 1;
  std::memcpy(buffer, value.c_str(), length + 1);
  return length;
}

// A file opened while a write limit is set: writes beyond the remaining
// budget fail part-way, as they would on a full disk.
struct LimitedFile {
  std::FILE* inner;
};

ssize_t LimitedRead(void* cookie, char* buffer, size_t size) {
  auto* file = static_cast<LimitedFile*>(cookie);
  size_t count = std::fread(buffer, 1, size, file->inner);
  return std::ferror(file->inner) ? -1 : static_cast<ssize_t>(count);
}

ssize_t LimitedWrite(void* cookie, const char* buffer, size_t size) {
  auto* file = static_cast<LimitedFile*>(cookie);
  long long& budget = State().writeBudget;
  size_t allowed = size;
  if (budget >= 0 && static_cast<unsigned long long>(budget) < size) allowed = static_cast<size_t>(budget);
  size_t written = std::fwrite(buffer, 1, allowed, file->inner);
  if (budget >= 0) budget -= static_cast<long long>(written);
  if (written < size) {
    errno = ENOSPC;
    return written == 0 ? -1 : static_cast<ssize_t>(written);
  }
  return static_cast<ssize_t>(written);
}

int LimitedSeek(void* cookie, off64_t* offset, int whence) {
  auto* file = static_cast<LimitedFile*>(cookie);
  if (fseeko(file->inner, *offset, whence) != 0) return -1;
  *offset = ftello(file->inner);
  return 0;
}

int LimitedClose(void* cookie) {
  auto* file = static_cast<LimitedFile*>(cookie);
  int result = std::fclose(file->inner);
  delete file;
  return result == 0 ? 0 : -1;
}

bool IsDirectory(const std::string& host) {
  std::error_code error;
  return fs::is_directory(host, error);
}

bool IsRegularFile(const std::string& host) {
  std::error_code error;
  return fs::is_regular_file(host, error);
}


void MakeCurrent(const WindowsPath& path) {
  FileState& state = State();
  state.currentDirectory = ToWindows(path);
  state.driveDirectories[path.drive] = state.currentDirectory;
}

// "*" and "?" as FindFirstFileA takes them; both are given in lower case,
// as Windows matches without regard to case.
bool WildcardMatch(const char* pattern, const char* name) {
  const char* star = nullptr;
  const char* resume = nullptr;
  while (*name != '\0') {
    if (*pattern == '*') {
      star = pattern++;
      resume = name;
    } else if (*pattern == '?' || (*pattern != '\0' && *pattern == *name)) {
      ++pattern;
      ++name;
    } else if (star != nullptr) {
      pattern = star + 1;
      name = ++resume;
    } else {
      return false;
    }
  }
  while (*pattern == '*') ++pattern;
  return *pattern == '\0';
}

// Copies a found name as FindFirstFileA's cFileName would hold it, cut to the buffer.
void PutName(const std::string& found, char* name, unsigned size) {
  if (name == nullptr || size == 0) return;
  const std::size_t n = std::min<std::size_t>(found.size(), size - 1);
  std::memcpy(name, found.data(), n);
  name[n] = '\0';
}

}  // namespace

namespace sim {
namespace detail {

void ResetFiles(const std::string& sandboxRoot) {
  FileState& state = State();
  state = FileState();
  state.root = sandboxRoot;
  std::error_code error;
  fs::create_directories(fs::path(sandboxRoot) / "C" / "WINDOWS", error);
}

}  // namespace detail

void SetWindowsDirectory(const char* path) {
  if (path == nullptr) {
    State().windowsDirectory.reset();
    return;
  }
  State().windowsDirectory = std::string(path);
  std::string host = ToHost(path);
  std::error_code error;
  if (!host.empty()) fs::create_directories(host, error);
}

void SetCurrentDirectory(const char* path) {
  std::optional<WindowsPath> parsed = Parse(path);
  if (!parsed) return;
  MakeCurrent(*parsed);
  std::error_code error;
  fs::create_directories(ToHost(*parsed), error);
}

void SetNetworkCurrentDirectory(const char* uncPath) { State().currentDirectory = uncPath; }

std::string HostPath(const char* windowsPath) { return ToHost(windowsPath); }

void SetFileWriteLimit(long long bytes) { State().writeBudget = bytes < 0 ? -1 : bytes; }
void SetFileCreationFails(bool fails) { State().creationFails = fails; }
void SetReplaceFails(bool fails) { State().replaceFails = fails; }
void SetReplaceDeletesThenFails(bool fails) { State().replaceDeletesThenFails = fails; }

}  // namespace sim

std::FILE* OpenFile(const char* path, const char* mode) {
  if (mode == nullptr) return nullptr;
  const std::string host = ToHost(path);
  if (host.empty() || IsDirectory(host)) {
    errno = ENOENT;
    return nullptr;
  }
  const bool writing = std::strpbrk(mode, "wa+") != nullptr;
  if (writing && State().creationFails) {
    errno = EACCES;
    return nullptr;
  }
  std::FILE* file = std::fopen(host.c_str(), mode);
  if (file == nullptr || !writing || State().writeBudget < 0) return file;

  auto* limited = new LimitedFile{file};
  cookie_io_functions_t functions{LimitedRead, LimitedWrite, LimitedSeek, LimitedClose};
  std::FILE* wrapped = fopencookie(limited, mode, functions);
  if (wrapped == nullptr) {
    std::fclose(file);
    delete limited;
  }
  return wrapped;
}

bool FlushFileToDisk(std::FILE* file) {
  if (std::fflush(file) != 0) return false;
  // A file under a write limit has no descriptor; its bytes are in the
  // host's file once flushed.
  const int descriptor = fileno(file);
  return descriptor < 0 || fsync(descriptor) == 0;
}

void LastFileErrorText(char* text, unsigned size) {
  if (size > 0) std::snprintf(text, size, "%s", std::strerror(errno));
}

bool DeleteFileA(const char* path) {
  const std::string host = ToHost(path);
  if (host.empty() || !IsRegularFile(host)) return false;
  std::error_code error;
  return fs::remove(host, error);
}

bool ReplaceFileWith(const char* from, const char* to) {
  if (State().replaceFails) {
    errno = EACCES;
    return false;
  }
  if (State().replaceDeletesThenFails) {
    DeleteFileA(to);
    errno = EACCES;
    return false;
  }
  const std::string hostFrom = ToHost(from);
  const std::string hostTo = ToHost(to);
  if (hostFrom.empty() || hostTo.empty() || !IsRegularFile(hostFrom) || IsDirectory(hostTo))
    return false;
  return std::rename(hostFrom.c_str(), hostTo.c_str()) == 0;
}

bool CreateDirectoryA(const char* path) {
  const std::string host = ToHost(path);
  if (host.empty()) return false;
  std::error_code error;
  if (fs::exists(host, error) || !IsDirectory(fs::path(host).parent_path().string())) return false;
  return fs::create_directory(host, error);
}

bool RemoveDirectoryA(const char* path) {
  const std::string host = ToHost(path);
  if (host.empty() || !IsDirectory(host)) return false;
  std::error_code error;
  return fs::is_empty(host, error) && fs::remove(host, error);
}

unsigned GetWindowsDirectoryA(char* buffer, unsigned size) {
  const std::optional<std::string>& folder = State().windowsDirectory;
  if (!folder) return 0;
  return ReportString(*folder, buffer, size);
}

int GetCurrentDrive() { return State().currentDirectory[0] - 'A' + 1; }

unsigned GetCurrentDirectoryA(unsigned size, char* buffer) {
  return ReportString(State().currentDirectory, buffer, size);
}

bool SetCurrentDrive(int drive) {
  if (drive < 1 || drive > 26) return false;
  const char letter = static_cast<char>('A' + drive - 1);
  if (!IsDirectory((fs::path(Root()) / std::string(1, letter)).string())) return false;
  FileState& state = State();
  auto remembered = state.driveDirectories.find(letter);
  std::string folder = remembered != state.driveDirectories.end() ? remembered->second
                                                                  : std::string(1, letter) + ":\\";
  if (!IsDirectory(ToHost(folder.c_str()))) folder = std::string(1, letter) + ":\\";
  std::optional<WindowsPath> parsed = Parse(folder.c_str());
  MakeCurrent(*parsed);
  return true;
}

bool SetCurrentDirectoryA(const char* path) {
  std::optional<WindowsPath> parsed = Parse(path);
  if (!parsed || path[0] == '\0' || !IsDirectory(ToHost(*parsed))) return false;
  MakeCurrent(*parsed);
  return true;
}

// A host file its owner may not write is read-only.
std::uint32_t GetFileAttributesA(const char* path) {
  if (path == nullptr) return kInvalidFileAttributes;
  const std::string host = ToHost(path);
  std::error_code error;
  const fs::file_status status = fs::status(host, error);
  if (host.empty() || error || !fs::exists(status)) return kInvalidFileAttributes;
  if (fs::is_directory(status)) return kFileAttributeDirectory;
  const bool writable = (status.permissions() & fs::perms::owner_write) != fs::perms::none;
  return writable ? 0x80u : kFileAttributeReadOnly;  // 0x80: FILE_ATTRIBUTE_NORMAL
}

// The simulated disk keeps no separate short names: an existing path is its
// own short form, as on a volume with 8.3 names turned off.
unsigned GetShortPathNameA(const char* longPath, char* shortPath, unsigned size) {
  if (longPath == nullptr) return 0;
  const std::string host = ToHost(longPath);
  std::error_code error;
  if (host.empty() || !fs::exists(host, error)) return 0;
  const auto length = static_cast<unsigned>(std::strlen(longPath));
  if (shortPath == nullptr || size < length + 1) return length + 1;
  std::memmove(shortPath, longPath, length + 1);
  return length;
}

FindHandle FindFirstFileA(const char* pattern, char* name, unsigned size, FileStamp* stamp) {
  if (pattern == nullptr) return 0;
  const std::string text(pattern);
  const std::size_t cut = text.find_last_of("\\/:");
  const std::string folder = cut == std::string::npos ? std::string() : text.substr(0, cut + 1);
  const std::string mask = cut == std::string::npos ? text : text.substr(cut + 1);
  const std::string host = folder.empty() ? ToHost(State().currentDirectory.c_str())
                                          : ToHost(folder.c_str());
  if (host.empty() || mask.empty()) return 0;

  FileState::Search search;
  search.files = FilesIn(host);
  const std::string lowerMask = LowerCase(mask);
  for (std::size_t i = 0; i < search.files->size(); ++i) {
    if (WildcardMatch(lowerMask.c_str(), (*search.files)[i].lowerName.c_str())) search.matching.push_back(i);
  }
  if (search.matching.empty()) return 0;
  FileState& state = State();
  const FindHandle handle = state.nextSearch++;
  state.searches[handle] = std::move(search);
  FindNextFileA(handle, name, size, stamp);
  return handle;
}

bool FindNextFileA(FindHandle find, char* name, unsigned size, FileStamp* stamp) {
  auto it = State().searches.find(find);
  if (it == State().searches.end()) return false;
  FileState::Search& search = it->second;
  if (search.next >= search.matching.size()) return false;
  const FileState::ListedFile& found = (*search.files)[search.matching[search.next++]];
  PutName(found.name, name, size);
  if (stamp != nullptr) *stamp = found.stamp;
  return true;
}

void FindClose(FindHandle find) { State().searches.erase(find); }

}  // namespace platform
