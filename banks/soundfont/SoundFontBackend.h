// The SoundFont manager backend: SoundFont devices through "SFMAN32.DLL"
// (its export "SFManager" hands out a table of entry functions), or through
// the older "AWEMAN32.DLL" (one dispatcher "AWEManager" taking a function
// code) when the SoundFont manager is not in use. Slot n is the manager's
// bank number n; bank 0 is the device's built-in bank.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "banks/SoundDevice.h"
#include "platform/Platform.h"

// The managers are 32-bit Windows DLLs with __stdcall entries.
#ifndef KORVEL_WINAPI
#if defined(_WIN32)
#define KORVEL_WINAPI __stdcall
#else
#define KORVEL_WINAPI
#endif
#endif

namespace korvel {

class DeviceTable;

namespace sfman {

constexpr const char* kSoundFontLibrary = "SFMAN32.DLL";
constexpr const char* kSoundFontExport = "SFManager";
constexpr const char* kAweLibrary = "AWEMAN32.DLL";
constexpr const char* kAweExport = "AWEManager";
constexpr std::uint32_t kManagerVersion = 0x10001;
constexpr std::uint32_t kOpenHandle = 1111;  // a device's handle while the SoundFont manager has it open

constexpr std::size_t kTextBufferSize = 256;
constexpr std::size_t kPathBufferSize = 128;
constexpr std::size_t kCompareChars = 20;  // names compared and read from files

// Request record passed by address to the name, path and load functions.
struct Request {
  std::uint32_t size;    // of the text buffer
  char* buffer;
  std::uint32_t length;  // out: returned text's length; below 2 = no bank
  std::uint16_t zero;    // 0 for bank loads
};
#if defined(_WIN32) && !defined(_WIN64)
static_assert(offsetof(Request, size) == 0 && offsetof(Request, buffer) == 4 &&
                  offsetof(Request, length) == 8 && offsetof(Request, zero) == 12,
              "the managers' request record");
#endif

// Device description records: the first 16-bit field holds the size.
constexpr std::size_t kSfDescriptionSize = 102, kSfDescriptionName = 22;
constexpr std::size_t kAweDescriptionSize = 330, kAweDescriptionName = 26;

// SoundFont manager entries; `dev` is the device's backendIndex.
using CountFn = std::uint32_t(KORVEL_WINAPI*)(std::uint32_t* count);
using DescribeFn = std::uint32_t(KORVEL_WINAPI*)(std::uint32_t dev, void* description);
using DeviceFn = std::uint32_t(KORVEL_WINAPI*)(std::uint32_t dev);
using MemoryFn = std::uint32_t(KORVEL_WINAPI*)(std::uint32_t dev, std::int32_t* totalBytes,
                                               std::int32_t* freeBytes);
using RomNameFn = std::uint32_t(KORVEL_WINAPI*)(std::uint32_t dev, Request* request);
using BankRequestFn = std::uint32_t(KORVEL_WINAPI*)(std::uint32_t dev, std::uint16_t* bank,
                                                    Request* request);
using BankFn = std::uint32_t(KORVEL_WINAPI*)(std::uint32_t dev, std::uint16_t* bank);
using UnusedFn = std::uint32_t(KORVEL_WINAPI*)(std::uint32_t);

// The entries this program calls, at their places in the manager's table
// (entry n at n pointers); the table may go on beyond entry 14.
struct EntryTable {
  CountFn deviceCount;       // 0
  DescribeFn describe;       // 1
  UnusedFn entry2, entry3;   // 2, 3
  DeviceFn open;             // 4
  DeviceFn close;            // 5
  UnusedFn entry6;           // 6
  MemoryFn memory;           // 7: bytes
  UnusedFn entry8;           // 8
  RomNameFn romName;         // 9: name of bank 0
  UnusedFn entry10;          // 10
  BankRequestFn load;        // 11: path in the request's buffer
  BankRequestFn bankName;    // 12
  BankRequestFn bankPath;    // 13
  BankFn clear;              // 14
};
static_assert(offsetof(EntryTable, clear) == 14 * sizeof(void*), "entry n at n pointers");

// What the export "SFManager" holds the address of.
using ManagerEntryFn = std::uint32_t(KORVEL_WINAPI*)(std::uint32_t version,
                                                    const EntryTable** table);

// "AWEManager" (handle, code, param1, param2).
using AweManagerFn = std::uint32_t(KORVEL_WINAPI*)(std::intptr_t handle, std::uint32_t code,
                                                  std::intptr_t param1, std::intptr_t param2);
constexpr std::uint32_t kAweOpen = 101, kAweClose = 102, kAweDeviceCount = 104,
                        kAweDescription = 106, kAweLoad = 204, kAweClear = 205,
                        kAweRomName = 305, kAweBankName = 306, kAweMemory = 308;

// Manager result of a load, a clear or a failed slot read -> ErrorCode.
std::int32_t ResultToErrorCode(std::uint32_t result);

}  // namespace sfman

class SoundFontBackend {
 public:
  explicit SoundFontBackend(DeviceTable& layer);
  ~SoundFontBackend();
  SoundFontBackend(const SoundFontBackend&) = delete;
  SoundFontBackend& operator=(const SoundFontBackend&) = delete;

  // Loads the SoundFont manager (`UseSFD`) or else the AWE manager
  // (`UseAWE32`) and counts their devices. A missing library is no error.
  std::int32_t OpenSoundFontBackend();
  // Closes the open devices, unloads the library; ErrorCode 1.
  void ShutdownSoundFontBackend();
  int SoundFontDeviceCount() const { return deviceCount_; }
  bool UsesSoundFontManager() const { return table_ != nullptr; }
  bool UsesAweManager() const { return table_ == nullptr && awe_ != nullptr; }

  void OpenDeviceAccess(int dev);
  void CloseDeviceAccess(int dev);
  bool IsBankLoaded(int dev, int slot, const char* name);
  void LoadBankFile(int dev, int slot, const char* path);
  std::int32_t ClearSlotInDevice(int dev, int slot);
  void ReadSlotInfo(int dev, int slot, BankSlot& rec);
  void ReadBankName(int dev, const char* path, BankSlot& rec);
  void ReadMemInfo(int dev);

 private:
  // Keeps a manager call's result as the last manager result.
  std::uint32_t Keep(std::uint32_t result);
  // The name of bank `slot` into the text buffer; the manager's result.
  std::uint32_t AskBankName(const SoundDevice& device, int slot, sfman::Request& request);
  bool Usable(int dev) const;

  DeviceTable& layer_;
  platform::Module library_ = 0;
  const sfman::EntryTable* table_ = nullptr;
  sfman::AweManagerFn awe_ = nullptr;
  int deviceCount_ = 0;
  std::unique_ptr<char[]> text_;
};

}  // namespace korvel
