#include "banks/presets/NumberedPreset.h"

#include <cstddef>
#include <cstring>
#include <utility>

#include "platform/Platform.h"

namespace korvel {

namespace {

constexpr char kPresetExtension[] = ".pre";

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

char LowerCase(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// "*.pre" also finds a long name such as "x.prefs" through its short name
// ("X~1.PRE") on Windows: only names that end in ".pre" are presets.
bool HasPresetExtension(const char* name) {
  const std::size_t length = std::strlen(name);
  const std::size_t extension = sizeof kPresetExtension - 1;
  if (length <= extension) return false;
  const char* end = name + length - extension;
  for (std::size_t i = 0; i < extension; ++i) {
    if (LowerCase(end[i]) != kPresetExtension[i]) return false;
  }
  return true;
}

// A search of the current folder, closed when it goes.
class FolderSearch {
 public:
  FolderSearch(const char* pattern, char* name, unsigned size)
      : find_(platform::FindFirstFileA(pattern, name, size)) {}
  ~FolderSearch() {
    if (find_ != 0) platform::FindClose(find_);
  }
  FolderSearch(const FolderSearch&) = delete;
  FolderSearch& operator=(const FolderSearch&) = delete;
  bool Found() const { return find_ != 0; }
  bool Next(char* name, unsigned size) { return platform::FindNextFileA(find_, name, size); }

 private:
  platform::FindHandle find_;
};

}  // namespace

// The number grows with every digit, so once it passes `n` no later digit
// brings it back; no name can overflow it.
bool HasPresetNumber(const char* name, int n) {
  if (n < 0 || !IsDigit(name[0])) return false;
  long long number = 0;
  for (; IsDigit(*name); ++name) {
    number = number * 10 + (*name - '0');
    if (number > n) return false;
  }
  return number == n;
}

bool PresetNameBefore(const std::string& a, const std::string& b) {
  const std::size_t common = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < common; ++i) {
    const auto x = static_cast<unsigned char>(LowerCase(a[i]));
    const auto y = static_cast<unsigned char>(LowerCase(b[i]));
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}

// Every file is looked at: the directory lists them in an order of its own
// (on FAT the order they were written), and "5*.pre" would find
// "50 Finale.pre" too.
NumberedPreset FindNumberedPreset(int n) {
  NumberedPreset found;
  char name[260] = {};
  FolderSearch search("*.pre", name, sizeof name);
  for (bool more = search.Found(); more; more = search.Next(name, sizeof name)) {
    name[sizeof name - 1] = '\0';
    if (!HasPresetNumber(name, n) || !HasPresetExtension(name)) continue;
    if (found.name.empty()) {
      found.name = name;
      continue;
    }
    ++found.sharing;
    std::string candidate = name;
    if (PresetNameBefore(candidate, found.name)) std::swap(candidate, found.name);
    if (found.nextName.empty() || PresetNameBefore(candidate, found.nextName)) found.nextName = std::move(candidate);
  }
  return found;
}

std::string NumberedPresetLoadedText(const NumberedPreset& preset, int n) {
  const std::string loaded = "'" + preset.name + "' was loaded";
  if (preset.sharing == 0) return loaded + ".";
  const std::string next = "'" + preset.nextName + "'";
  const std::string others =
      preset.sharing == 1 ? next + " has" : next + " and " + std::to_string(preset.sharing - 1) + " more have";
  return loaded + "; " + others + " number " + std::to_string(n) + " too.";
}

}  // namespace korvel
