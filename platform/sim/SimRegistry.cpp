// The registry of the simulated platform: two hives held in memory. Key and
// value names are matched without regard to case; values keep their type and
// raw bytes. Handles are numbers never handed out twice, so a closed handle
// (or one from before a reset) is refused rather than reused.
#include <cctype>
#include <cstring>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/sim/Sim.h"
#include "platform/sim/SimInternal.h"

namespace platform {
namespace {

constexpr long kErrorAccessDenied = 5;
constexpr long kErrorInvalidHandle = 6;
constexpr long kErrorInvalidParameter = 87;
constexpr long kErrorBadPathname = 161;

struct Value {
  std::string name;
  std::uint32_t type = 0;
  std::vector<std::uint8_t> bytes;
};

struct Key {
  std::string keyClass;
  std::map<std::string, std::unique_ptr<Key>> children;  // by folded name
  std::vector<Value> values;                             // in the order first set
};

struct RegistryState {
  Key currentUser;
  Key localMachine;
  std::map<RegKey, Key*> handles;
  RegKey nextHandle = 0x1000;  // survives resets so stale handles stay invalid
};

RegistryState& State() {
  static RegistryState state;
  return state;
}

std::string Fold(const std::string& name) {
  std::string folded(name);
  for (char& c : folded) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return folded;
}

Key* Resolve(RegKey key) {
  RegistryState& state = State();
  if (key == kHkeyCurrentUser) return &state.currentUser;
  if (key == kHkeyLocalMachine) return &state.localMachine;
  auto found = state.handles.find(key);
  return found == state.handles.end() ? nullptr : found->second;
}

// Walks `path` below `base`; with `create`, missing keys are made with
// `keyClass`. Sets `error` to the Win32 result.
Key* Walk(Key* base, const char* path, bool create, const char* keyClass, long& error) {
  error = kErrorSuccess;
  if (base == nullptr) {
    error = kErrorInvalidHandle;
    return nullptr;
  }
  const std::string text = path == nullptr ? std::string() : std::string(path);
  if (!text.empty() && text[0] == '\\') {
    error = kErrorBadPathname;
    return nullptr;
  }
  Key* key = base;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\\', start);
    if (end == std::string::npos) end = text.size();
    const std::string part = text.substr(start, end - start);
    start = end + 1;
    if (part.empty()) continue;
    auto& slot = key->children[Fold(part)];
    if (!slot) {
      if (!create) {
        key->children.erase(Fold(part));
        error = kErrorFileNotFound;
        return nullptr;
      }
      slot = std::make_unique<Key>();
      slot->keyClass = keyClass == nullptr ? "" : keyClass;
    }
    key = slot.get();
  }
  return key;
}

Value* FindValue(Key* key, const char* name) {
  const std::string folded = Fold(name == nullptr ? "" : name);
  for (Value& value : key->values) {
    if (Fold(value.name) == folded) return &value;
  }
  return nullptr;
}

long NewHandle(Key* key, RegKey* result) {
  if (result == nullptr) return kErrorInvalidParameter;
  RegistryState& state = State();
  const RegKey handle = state.nextHandle;
  state.nextHandle += 4;
  state.handles[handle] = key;
  *result = handle;
  return kErrorSuccess;
}

void Store(Key* key, const char* name, std::uint32_t type, const std::uint8_t* data,
           std::size_t size) {
  Value* value = FindValue(key, name);
  if (value == nullptr) {
    key->values.push_back(Value{name == nullptr ? "" : name, 0, {}});
    value = &key->values.back();
  }
  value->type = type;
  value->bytes.assign(data, data + size);
}

Key* Existing(RegKey hive, const std::string& path) {
  long error = 0;
  return Walk(Resolve(hive), path.c_str(), false, nullptr, error);
}

void DropHandlesTo(const Key* key) {
  auto& handles = State().handles;
  for (auto it = handles.begin(); it != handles.end();) {
    it = it->second == key ? handles.erase(it) : std::next(it);
  }
}

}  // namespace

namespace sim {
namespace detail {

void ResetRegistry() {
  RegistryState& state = State();
  state.currentUser = Key();
  state.localMachine = Key();
  state.handles.clear();
}

}  // namespace detail

void SetRegistryValue(RegKey hive, const std::string& path, const std::string& name,
                      std::uint32_t type, const std::vector<std::uint8_t>& bytes) {
  long error = 0;
  Key* key = Walk(Resolve(hive), path.c_str(), true, "", error);
  if (key != nullptr) Store(key, name.c_str(), type, bytes.data(), bytes.size());
}

void SetRegistryString(RegKey hive, const std::string& path, const std::string& name,
                       const std::string& text) {
  std::vector<std::uint8_t> bytes(text.begin(), text.end());
  bytes.push_back(0);
  SetRegistryValue(hive, path, name, kRegSz, bytes);
}

void SetRegistryDword(RegKey hive, const std::string& path, const std::string& name,
                      std::uint32_t value) {
  SetRegistryValue(hive, path, name, kRegDword,
                   {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                    static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)});
}

bool GetRegistryValue(RegKey hive, const std::string& path, const std::string& name,
                      std::uint32_t* type, std::vector<std::uint8_t>* bytes) {
  Key* key = Existing(hive, path);
  if (key == nullptr) return false;
  const Value* value = FindValue(key, name.c_str());
  if (value == nullptr) return false;
  if (type != nullptr) *type = value->type;
  if (bytes != nullptr) *bytes = value->bytes;
  return true;
}

bool RegistryKeyExists(RegKey hive, const std::string& path) {
  return Existing(hive, path) != nullptr;
}

std::vector<std::string> RegistryValueNames(RegKey hive, const std::string& path) {
  std::vector<std::string> names;
  if (Key* key = Existing(hive, path)) {
    for (const Value& value : key->values) names.push_back(value.name);
  }
  return names;
}

std::string KeyClass(RegKey hive, const std::string& path) {
  Key* key = Existing(hive, path);
  return key == nullptr ? std::string() : key->keyClass;
}

std::size_t OpenRegistryHandles() { return State().handles.size(); }

}  // namespace sim

long RegCreateKeyExA(RegKey hive, const char* path, const char* keyClass, RegKey* result) {
  long error = 0;
  Key* key = Walk(Resolve(hive), path, true, keyClass, error);
  return key == nullptr ? error : NewHandle(key, result);
}

long RegOpenKeyExA(RegKey hive, const char* path, RegKey* result) {
  long error = 0;
  Key* key = Walk(Resolve(hive), path, false, nullptr, error);
  return key == nullptr ? error : NewHandle(key, result);
}

long RegQueryValueExA(RegKey key, const char* name, std::uint32_t* type, void* data,
                      std::uint32_t* size) {
  Key* open = Resolve(key);
  if (open == nullptr) return kErrorInvalidHandle;
  if (data != nullptr && size == nullptr) return kErrorInvalidParameter;
  const Value* value = FindValue(open, name);
  if (value == nullptr) return kErrorFileNotFound;
  if (type != nullptr) *type = value->type;
  const auto needed = static_cast<std::uint32_t>(value->bytes.size());
  if (data == nullptr) {
    if (size != nullptr) *size = needed;
    return kErrorSuccess;
  }
  const std::uint32_t room = *size;
  *size = needed;
  if (room < needed) return kErrorMoreData;
  if (needed > 0) std::memcpy(data, value->bytes.data(), needed);
  return kErrorSuccess;
}

long RegSetValueExA(RegKey key, const char* name, std::uint32_t type, const void* data,
                    std::uint32_t size) {
  Key* open = Resolve(key);
  if (open == nullptr) return kErrorInvalidHandle;
  if (data == nullptr && size != 0) return kErrorInvalidParameter;
  Store(open, name, type, static_cast<const std::uint8_t*>(data), size);
  return kErrorSuccess;
}

long RegCloseKey(RegKey key) {
  if (key == kHkeyCurrentUser || key == kHkeyLocalMachine) return kErrorSuccess;
  return State().handles.erase(key) == 1 ? kErrorSuccess : kErrorInvalidHandle;
}

// Refuses the hive itself and a key with subkeys; open handles to the key
// are dropped with it, so later use of them fails.
long RegDeleteKeyA(RegKey hive, const char* path) {
  const std::string text = path == nullptr ? std::string() : std::string(path);
  const std::size_t cut = text.find_last_of('\\');
  const std::string parentPath = cut == std::string::npos ? std::string() : text.substr(0, cut);
  const std::string name = cut == std::string::npos ? text : text.substr(cut + 1);
  long error = 0;
  Key* parent = Walk(Resolve(hive), parentPath.c_str(), false, nullptr, error);
  if (parent == nullptr) return error;
  if (name.empty()) return kErrorAccessDenied;
  auto found = parent->children.find(Fold(name));
  if (found == parent->children.end()) return kErrorFileNotFound;
  if (!found->second->children.empty()) return kErrorAccessDenied;
  DropHandlesTo(found->second.get());
  parent->children.erase(found);
  return kErrorSuccess;
}

}  // namespace platform
