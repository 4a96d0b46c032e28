// The real operating system: each call forwards to its Win32 or C runtime twin.
#include <windows.h>
#include <direct.h>
#include <io.h>
#include <mmsystem.h>
#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "emulators/bridge/DriverBlock16.h"
#include "platform/Platform.h"

namespace platform {

namespace {
HKEY AsKey(RegKey key) { return reinterpret_cast<HKEY>(key); }
HDRVR AsDriver(Driver driver) { return reinterpret_cast<HDRVR>(driver); }

void PutFoundName(const WIN32_FIND_DATAA& data, char* name, unsigned size, FileStamp* stamp) {
  if (stamp != nullptr) {
    stamp->size = static_cast<std::uint64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
    stamp->writeTime =
        static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32 | data.ftLastWriteTime.dwLowDateTime;
  }
  if (name == nullptr || size == 0) return;
  const std::size_t n = std::min<std::size_t>(std::strlen(data.cFileName), size - 1);
  std::memcpy(name, data.cFileName, n);
  name[n] = '\0';
}

// Folders are passed over: the callers look for files.
bool NextFileFound(HANDLE find, WIN32_FIND_DATAA& data) {
  while (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
    if (!::FindNextFileA(find, &data)) return false;
  }
  return true;
}
}  // namespace

std::FILE* OpenFile(const char* path, const char* mode) { return std::fopen(path, mode); }

bool FlushFileToDisk(std::FILE* file) {
  if (std::fflush(file) != 0) return false;
  const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
  return handle != INVALID_HANDLE_VALUE && ::FlushFileBuffers(handle) != FALSE;
}

void LastFileErrorText(char* text, unsigned size) {
  if (size == 0) return;
  const DWORD code = ::GetLastError();
  DWORD length = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                  code, 0, text, size, nullptr);
  while (length > 0 && (text[length - 1] == '\r' || text[length - 1] == '\n' || text[length - 1] == ' ')) --length;
  if (length == 0) length = static_cast<DWORD>(std::snprintf(text, size, "system error %lu", code));
  text[std::min<DWORD>(length, size - 1)] = '\0';
}

bool DeleteFileA(const char* path) { return ::DeleteFileA(path) != FALSE; }

bool ReplaceFileWith(const char* from, const char* to) {
  if (::MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
  // Windows 95 and 98 have no MoveFileEx: replace in two steps there.
  if (::GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) return false;
  ::DeleteFileA(to);
  return ::MoveFileA(from, to) != FALSE;
}

bool CreateDirectoryA(const char* path) { return ::CreateDirectoryA(path, nullptr) != FALSE; }

bool RemoveDirectoryA(const char* path) { return ::RemoveDirectoryA(path) != FALSE; }

unsigned GetWindowsDirectoryA(char* buffer, unsigned size) {
  return ::GetWindowsDirectoryA(buffer, size);
}

int GetCurrentDrive() { return _getdrive(); }

unsigned GetCurrentDirectoryA(unsigned size, char* buffer) {
  return ::GetCurrentDirectoryA(size, buffer);
}

bool SetCurrentDrive(int drive) { return _chdrive(drive) == 0; }

bool SetCurrentDirectoryA(const char* path) { return ::SetCurrentDirectoryA(path) != FALSE; }

std::uint32_t GetFileAttributesA(const char* path) { return ::GetFileAttributesA(path); }

unsigned GetShortPathNameA(const char* longPath, char* shortPath, unsigned size) {
  return ::GetShortPathNameA(longPath, shortPath, size);
}

FindHandle FindFirstFileA(const char* pattern, char* name, unsigned size, FileStamp* stamp) {
  WIN32_FIND_DATAA data;
  HANDLE find = ::FindFirstFileA(pattern, &data);
  if (find == INVALID_HANDLE_VALUE) return 0;
  if (!NextFileFound(find, data)) {
    ::FindClose(find);
    return 0;
  }
  PutFoundName(data, name, size, stamp);
  return reinterpret_cast<FindHandle>(find);
}

bool FindNextFileA(FindHandle find, char* name, unsigned size, FileStamp* stamp) {
  WIN32_FIND_DATAA data;
  HANDLE handle = reinterpret_cast<HANDLE>(find);
  if (!::FindNextFileA(handle, &data) || !NextFileFound(handle, data)) return false;
  PutFoundName(data, name, size, stamp);
  return true;
}

void FindClose(FindHandle find) { ::FindClose(reinterpret_cast<HANDLE>(find)); }

Module LoadLibraryA(const char* name) { return reinterpret_cast<Module>(::LoadLibraryA(name)); }

void* GetProcAddress(Module module, const char* name) {
  return reinterpret_cast<void*>(::GetProcAddress(reinterpret_cast<HMODULE>(module), name));
}

void FreeLibrary(Module module) { ::FreeLibrary(reinterpret_cast<HMODULE>(module)); }

// OpenDriver takes wide names only.
Driver OpenDriver(const char* name) {
  const int length = ::MultiByteToWideChar(CP_ACP, 0, name, -1, nullptr, 0);
  if (length <= 0) return 0;
  std::vector<WCHAR> wide(static_cast<std::size_t>(length));
  ::MultiByteToWideChar(CP_ACP, 0, name, -1, wide.data(), length);
  return reinterpret_cast<Driver>(::OpenDriver(wide.data(), nullptr, 0));
}

std::intptr_t SendDriverMessage(Driver driver, std::uint32_t message, std::intptr_t param1,
                                std::intptr_t param2) {
  return ::SendDriverMessage(AsDriver(driver), message, param1, param2);
}

long CloseDriver(Driver driver) {
  return static_cast<long>(::CloseDriver(AsDriver(driver), 0, 0));
}

bool AllocDriverBlock(unsigned size, DriverBlock* block) {
  korvel::bridge::DriverBlock bridged;
  const bool ok = korvel::bridge::AllocDriverBlock(size, &bridged);
  block->flat = bridged.flat;
  block->address = bridged.param;
  block->memory = bridged.handle16;
  return ok;
}

void FreeDriverBlock(DriverBlock* block) {
  korvel::bridge::DriverBlock bridged;
  bridged.flat = block->flat;
  bridged.param = block->address;
  bridged.handle16 = static_cast<std::uint16_t>(block->memory);
  korvel::bridge::FreeDriverBlock(&bridged);
  *block = DriverBlock{};
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

long RegDeleteKeyA(RegKey hive, const char* path) { return ::RegDeleteKeyA(AsKey(hive), path); }

void CoInitialize() { ::CoInitialize(nullptr); }

void CoUninitialize() { ::CoUninitialize(); }

// The results of SetPath and SetDescription are not looked at: a link that
// cannot be saved tells the caller through Save's.
std::int32_t SaveShellLink(const char* description, const char* linkPath, const char* target) {
  IShellLinkA* link = nullptr;
  HRESULT result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                    reinterpret_cast<void**>(&link));
  if (FAILED(result)) return result;
  link->SetPath(target);
  link->SetDescription(description);
  IPersistFile* file = nullptr;
  result = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
  if (SUCCEEDED(result)) {
    WCHAR path[MAX_PATH] = {};
    MultiByteToWideChar(CP_ACP, 0, linkPath, -1, path, MAX_PATH);
    result = file->Save(path, TRUE);
    file->Release();
  }
  link->Release();
  return result;
}

// A box whose owner is gone (an error raised while its window was being
// made or torn down) would not show at all: it is shown without one.
int MessageBoxA(Window owner, const char* text, const char* caption, unsigned type) {
  HWND window = reinterpret_cast<HWND>(owner);
  if (window && !::IsWindow(window)) window = nullptr;
  return ::MessageBoxA(window, text, caption, type);
}

}  // namespace platform
