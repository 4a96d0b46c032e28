// The calling shapes of the emulated driver and managers: message numbers,
// function codes, result numbers, record layouts and entry-point types.
//
// The same declarations serve the Windows DLLs (where KORVEL_WINAPI is
// __stdcall) and the native in-process host (where it is empty).
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(_WIN32)
#define KORVEL_WINAPI __stdcall
#else
#define KORVEL_WINAPI
#endif

namespace korvel::emu {

// ---- EWS64 driver --------------------------------------------------------------

constexpr std::uint32_t kMsgCardCount = 17086;   // 0x42BE
constexpr std::uint32_t kMsgOpenCard = 17087;    // 0x42BF
constexpr std::uint32_t kMsgCardCookie = 17095;  // 0x42C7
constexpr std::uint32_t kMsgCardId = 17098;      // 0x42CA
constexpr std::uint32_t kMsgMemoryInfo = 17091;  // 0x42C3
constexpr std::uint32_t kMsgLoadBank = 17115;    // 0x42DB
constexpr std::uint32_t kMsgClearBank = 17116;   // 0x42DC
constexpr std::uint32_t kMsgBankInfo = 17117;    // 0x42DD

// Driver results: Win32 error numbers.
constexpr std::uint32_t kDrvOk = 0;
constexpr std::uint32_t kDrvNotSupported = 1;  // unknown message
constexpr std::uint32_t kDrvFileNotFound = 2;
constexpr std::uint32_t kDrvNoMemory = 8;
constexpr std::uint32_t kDrvBadFormat = 11;
constexpr std::uint32_t kDrvBadHandle = 38;
constexpr std::uint32_t kDrvBadArguments = 87;

constexpr std::size_t kDriverBlockSize = 512;
constexpr unsigned kEws64Banks = 8;
constexpr unsigned kMaxEws64Cards = 2;

// Driver block offsets.
constexpr std::size_t kInfoZero = 0, kInfoTwelve = 2, kInfoBank = 4, kInfoSizeLow = 14,
                      kInfoSizeHigh = 16, kInfoName = 18;
constexpr std::size_t kLoadBank = 0, kLoadTwelve = 4, kLoadSlot = 8, kLoadZero = 12, kLoadPath = 16;
constexpr std::size_t kLoadPathMax = 128;
constexpr std::size_t kMemTotal = 12, kMemFree = 16;

// ---- SoundFont and AWE managers ----------------------------------------------

// Manager results.
constexpr std::uint32_t kSfOk = 0;
constexpr std::uint32_t kSfFileNotFound = 107;
constexpr std::uint32_t kSfNoMemory = 205;
constexpr std::uint32_t kSfBadDevice = 120;    // no such device, or a stale AWE handle
constexpr std::uint32_t kSfBadBank = 121;      // bank number outside what the call allows
constexpr std::uint32_t kSfBadFormat = 122;    // not a SoundFont 2 file
constexpr std::uint32_t kSfBadArgument = 123;  // null address, short record, wrong version
constexpr std::uint32_t kSfNotOpen = 124;      // the device has not been opened
constexpr std::uint32_t kSfNotSupported = 125; // an entry or code this manager does not offer

constexpr std::uint32_t kSfManagerVersion = 0x10001;
constexpr unsigned kSoundFontBanks = 128;  // bank 0 is the built-in one
constexpr unsigned kMaxSoundFontDevices = 8;

// Device description records.
constexpr std::size_t kSfDescriptionSize = 102, kSfDescriptionName = 22;
constexpr std::size_t kAweDescriptionSize = 330, kAweDescriptionName = 26;
// Fields this manager adds before the name (both records).
constexpr std::size_t kDescDevice = 2;     // 16-bit device number
constexpr std::size_t kDescMemory = 4;     // 32-bit sound memory in bytes
constexpr std::size_t kDescBankCount = 8;  // 16-bit number of banks (128)

// Request record passed by address to the name, path and load functions.
struct SfRequest {
  std::uint32_t size;    // bytes in buffer
  char* buffer;          // text in (load path) or out (name, path)
  std::uint32_t length;  // out: text length + 1; below 2 = no bank
  std::uint16_t zero;
};
#if defined(_WIN32) && !defined(_WIN64)
static_assert(offsetof(SfRequest, size) == 0 && offsetof(SfRequest, buffer) == 4 &&
                  offsetof(SfRequest, length) == 8 && offsetof(SfRequest, zero) == 12,
              "request record layout of the 32-bit managers");
#endif

// AWE manager function codes.
constexpr std::uint32_t kAweOpen = 101, kAweClose = 102, kAweDeviceCount = 104,
                        kAweDescription = 106, kAweLoad = 204, kAweClear = 205,
                        kAweRomName = 305, kAweBankName = 306, kAweMemory = 308;

// SoundFont manager entry table: entry n at byte n * sizeof(void*).
using SfCountFn = std::uint32_t(KORVEL_WINAPI*)(std::uint32_t* count);
using SfDescribeFn = std::uint32_t(KORVEL_WINAPI*)(std::uint32_t dev, void* description);
using SfDeviceFn = std::uint32_t(KORVEL_WINAPI*)(std::uint32_t dev);
using SfMemoryFn = std::uint32_t(KORVEL_WINAPI*)(std::uint32_t dev, std::int32_t* total,
                                                 std::int32_t* free);
using SfRomNameFn = std::uint32_t(KORVEL_WINAPI*)(std::uint32_t dev, SfRequest* request);
using SfBankRequestFn = std::uint32_t(KORVEL_WINAPI*)(std::uint32_t dev, std::uint16_t* bank,
                                                      SfRequest* request);
using SfBankFn = std::uint32_t(KORVEL_WINAPI*)(std::uint32_t dev, std::uint16_t* bank);
// Entries 2, 3, 6, 8, 10 and 15 take one 32-bit argument and answer kSfNotSupported.
using SfUnusedFn = std::uint32_t(KORVEL_WINAPI*)(std::uint32_t unused);

struct SfManagerTable {
  SfCountFn deviceCount;          // 0
  SfDescribeFn describe;          // 1
  SfUnusedFn entry2;              // 2
  SfUnusedFn entry3;              // 3
  SfDeviceFn open;                // 4
  SfDeviceFn close;               // 5
  SfUnusedFn entry6;              // 6
  SfMemoryFn memory;              // 7
  SfUnusedFn entry8;              // 8
  SfRomNameFn romName;            // 9
  SfUnusedFn entry10;             // 10
  SfBankRequestFn load;           // 11
  SfBankRequestFn bankName;       // 12
  SfBankRequestFn bankPath;       // 13
  SfBankFn clear;                 // 14
  SfUnusedFn entry15;             // 15
};
static_assert(offsetof(SfManagerTable, clear) == 14 * sizeof(void*) &&
                  sizeof(SfManagerTable) == 16 * sizeof(void*),
              "entry n sits at n pointers");

// What "SFManager" holds: called with kSfManagerVersion and the address where
// it stores the table's address.
using SfManagerEntryFn = std::uint32_t(KORVEL_WINAPI*)(std::uint32_t version,
                                                      const SfManagerTable** table);

// "AWEManager".
using AweManagerFn = std::uint32_t(KORVEL_WINAPI*)(std::intptr_t handle, std::uint32_t code,
                                                  std::intptr_t param1, std::intptr_t param2);

}  // namespace korvel::emu
