// The EWS64 backend: the sound memory of Terratec EWS64 cards through the
// installable driver "EWSAUDIO.DRV". Every request is one driver message;
// requests with a record pass the 512-byte driver block, whose fields are
// written and read byte by byte at their offsets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "banks/SoundDevice.h"
#include "platform/Platform.h"

namespace korvel {

class DeviceTable;

namespace ews64 {

constexpr const char* kDriverName = "EWSAUDIO.DRV";

// Driver messages.
constexpr std::uint32_t kMsgCardCount = 17086;   // 0x42BE
constexpr std::uint32_t kMsgOpenCard = 17087;    // 0x42BF: card number + 1 -> card handle
constexpr std::uint32_t kMsgCardCookie = 17095;  // 0x42C7: card handle -> value for 17098
constexpr std::uint32_t kMsgCardId = 17098;      // 0x42CA: -> card identification number
constexpr std::uint32_t kMsgMemoryInfo = 17091;  // 0x42C3: card handle, block
constexpr std::uint32_t kMsgLoadBank = 17115;    // 0x42DB: card handle, block
constexpr std::uint32_t kMsgClearBank = 17116;   // 0x42DC: card handle, physical bank
constexpr std::uint32_t kMsgBankInfo = 17117;    // 0x42DD: card handle, block

constexpr std::size_t kBlockSize = 512;
constexpr int kPhysicalBanks = 8;
constexpr int kMaxCards = 2;
constexpr int kFirstViewSlot = 120;   // slots 120-127 show the physical banks in virtual bank mode
constexpr int kLastVirtualSlot = 119;
constexpr std::uint8_t kOpenedDeviceFlags = 0x3F;  // InfoRead ... EightBanks
constexpr std::size_t kSoundSetNameChars = 8;
constexpr std::size_t kShortPathField = 128;  // path field of the load request, terminator included
// What a loaded physical bank is called until the next refresh reads its name.
constexpr const char* kPlaceholderName = "A";

// Bank information request (17117), 16-bit fields.
constexpr std::size_t kInfoZero = 0, kInfoTwelve = 2, kInfoBank = 4, kInfoSizeLow = 14,
                      kInfoSizeHigh = 16, kInfoName = 18;
// Bank load request (17115), 32-bit fields.
constexpr std::size_t kLoadBank = 0, kLoadTwelve = 4, kLoadSlot = 8, kLoadZero = 12, kLoadPath = 16;
// Memory information (17091), output.
constexpr std::size_t kMemTotal = 12, kMemFree = 16;

// Sets the fixed fields of a bank information request and the bank asked for.
void EncodeBankInfoRequest(std::uint8_t* block, int bank);
// The answer: the bank's name (cut to nameSize - 1 characters and never read
// past the block) and its size in bytes.
void DecodeBankInfo(const std::uint8_t* block, char* name, std::size_t nameSize,
                    std::uint32_t* bytes);
// Fills a load request. False (block unchanged) when the path does not fit
// the 128-byte field with its terminator.
bool EncodeLoadRequest(std::uint8_t* block, int bank, int slot, const char* shortPath);
void DecodeMemoryInfo(const std::uint8_t* block, std::int32_t* totalBytes, std::int32_t* freeBytes);

// Driver result of a load or clear -> ErrorCode.
std::int32_t ResultToErrorCode(std::int32_t result);
// Bytes -> KB as a slot holds them (a size beyond 64 MB shows as the largest).
std::uint16_t SizeKB(std::uint32_t bytes);

}  // namespace ews64

class Ews64Backend {
 public:
  explicit Ews64Backend(DeviceTable& layer);
  ~Ews64Backend();
  Ews64Backend(const Ews64Backend&) = delete;
  Ews64Backend& operator=(const Ews64Backend&) = delete;

  // The driver block, from InitBankLayer to ShutdownBankLayer.
  bool AllocBlock();
  void FreeBlock();
  std::uint8_t* Block() { return static_cast<std::uint8_t*>(block_.flat); }

  // Opens the driver when `UseEWS64` is set, counts the cards (at most 2)
  // and allocates their bank tables (ErrorCode 2 when that fails). A missing
  // driver is no error: there are simply no cards.
  platform::Driver OpenEws64Driver();
  // Closes the driver; the card handles of the device records become 0.
  void CloseEws64Driver();
  bool IsOpen() const { return driver_ != 0; }
  int Ews64CardCount() const { return cardCount_; }
  // Sends one message and keeps its result as the last driver result.
  std::int32_t DriverCall(std::uint32_t message, std::intptr_t param1, std::intptr_t param2);

  void OpenEws64Card(int dev);
  void RefreshEws64Banks(int dev);

  bool IsBankLoaded(int dev, int slot, const char* name);
  void LoadBankFile(int dev, int slot, const char* path);
  std::int32_t ClearSlotInDevice(int dev, int slot);
  void ReadSlotInfo(int dev, int slot, BankSlot& rec);
  void ReadBankName(int dev, const char* path, BankSlot& rec);
  void ReadMemInfo(int dev);
  int SmartSlot(int dev, int slot, const char* path);
  // Exchanges the records of slots 0-7 and 120-127.
  void EWS64_SwapVBMode(int dev);

  // The eight physical banks of a card as last read; null for no such card.
  const BankSlot* CardBanks(int card) const;

 private:
  // The card table of an EWS64 device, or null when the device, the driver,
  // the block or the card table is missing.
  BankSlot* CardOf(int dev);
  bool VirtualBankMode() const;

  DeviceTable& layer_;
  platform::Driver driver_ = 0;
  int cardCount_ = 0;
  std::unique_ptr<BankSlot[]> cardBanks_[ews64::kMaxCards];
  platform::DriverBlock block_;
};

}  // namespace korvel
