// The real operating system: each call forwards to its Win32 or C runtime twin.
#include <windows.h>
#include <direct.h>
#include <objbase.h>

#include "platform/Platform.h"

namespace platform {

namespace {
HKEY AsKey(RegKey key) { return reinterpret_cast<HKEY>(key); }
}  // namespace

std::FILE* OpenFile(const char* path, const char* mode) { return std::fopen(path, mode); }

bool DeleteFileA(const char* path) { return ::DeleteFileA(path) != FALSE; }

bool ReplaceFileWith(const char* from, const char* to) {
  if (::MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
  // Windows 95 and 98 have no MoveFileEx: replace in two steps there.
  if (::GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) return false;
  ::DeleteFileA(to);
  return ::MoveFileA(from, to) != FALSE;
}

bool CreateDirectoryA(const char* path) { return ::CreateDirectoryA(path, nullptr) != FALSE; }

unsigned GetWindowsDirectoryA(char* buffer, unsigned size) {
  return ::GetWindowsDirectoryA(buffer, size);
}

int GetCurrentDrive() { return _getdrive(); }

unsigned GetCurrentDirectoryA(unsigned size, char* buffer) {
  return ::GetCurrentDirectoryA(size, buffer);
}

long RegCreateKeyExA(RegKey hive, const char* path, const char* keyClass, RegKey* result) {
  HKEY key = nullptr;
  DWORD disposition = 0;
  LONG rc = ::RegCreateKeyExA(AsKey(hive), path, 0, const_cast<char*>(keyClass),
                              REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, &disposition);
  *result = reinterpret_cast<RegKey>(key);
  return rc;
}

long RegOpenKeyExA(RegKey hive, const char* path, RegKey* result) {
  HKEY key = nullptr;
  LONG rc = ::RegOpenKeyExA(AsKey(hive), path, 0, KEY_ALL_ACCESS, &key);
  *result = reinterpret_cast<RegKey>(key);
  return rc;
}

long RegQueryValueExA(RegKey key, const char* name, std::uint32_t* type, void* data,
                      std::uint32_t* size) {
  DWORD t = 0;
  DWORD n = size ? *size : 0;
  LONG rc = ::RegQueryValueExA(AsKey(key), name, nullptr, &t, static_cast<BYTE*>(data),
                               size ? &n : nullptr);
  if (type) *type = t;
  if (size) *size = n;
  return rc;
}

long RegSetValueExA(RegKey key, const char* name, std::uint32_t type, const void* data,
                    std::uint32_t size) {
  return ::RegSetValueExA(AsKey(key), name, 0, type, static_cast<const BYTE*>(data), size);
}

long RegCloseKey(RegKey key) { return ::RegCloseKey(AsKey(key)); }

void CoInitialize() { ::CoInitialize(nullptr); }

void CoUninitialize() { ::CoUninitialize(); }

int MessageBoxA(Window owner, const char* text, const char* caption, unsigned type) {
  return ::MessageBoxA(reinterpret_cast<HWND>(owner), text, caption, type);
}

}  // namespace platform
