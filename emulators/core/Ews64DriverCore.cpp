#include "emulators/core/Ews64DriverCore.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "emulators/core/Abi.h"
#include "emulators/core/ByteOrder.h"
#include "emulators/core/Emulator.h"

namespace korvel::emu {

bool Ews64DriverCore::CarriesBlock(std::uint32_t msg) {
  return msg == kMsgMemoryInfo || msg == kMsgLoadBank || msg == kMsgBankInfo;
}

Ews64Card* Ews64DriverCore::CardOf(std::intptr_t handle) {
  const std::intptr_t card = handle - kCardHandleBase;
  if (card < 0 || card >= static_cast<std::intptr_t>(emulator_.Cards().size())) return nullptr;
  return &emulator_.Cards()[static_cast<std::size_t>(card)];
}

std::intptr_t Ews64DriverCore::Message(std::uint32_t msg, std::intptr_t p1, std::intptr_t p2) {
  const Emulator::Operation operation(emulator_);
  const auto cards = static_cast<std::intptr_t>(emulator_.Cards().size());
  switch (msg) {
    case kMsgCardCount: return cards;
    case kMsgOpenCard: return p1 >= 1 && p1 <= cards ? kCardHandleBase + p1 - 1 : 0;
    case kMsgCardCookie: return CardOf(p1) ? kCardCookieBase + (p1 - kCardHandleBase) : 0;
    case kMsgCardId: {
      const std::intptr_t card = p1 - kCardCookieBase;
      return card >= 0 && card < cards
                 ? static_cast<std::intptr_t>(emulator_.Cards()[static_cast<std::size_t>(card)].Id())
                 : 0;
    }
    default: break;
  }
  if (msg != kMsgMemoryInfo && msg != kMsgLoadBank && msg != kMsgClearBank && msg != kMsgBankInfo) {
    return kDrvNotSupported;
  }
  Ews64Card* card = CardOf(p1);
  if (!card) return kDrvBadHandle;
  if (msg == kMsgClearBank) {
    if (p2 < 0 || p2 >= static_cast<std::intptr_t>(kEws64Banks)) return kDrvBadArguments;
    const std::uint32_t result = card->Clear(static_cast<unsigned>(p2));
    if (result == kDrvOk) emulator_.Save();
    return result;
  }
  auto* block = reinterpret_cast<std::uint8_t*>(p2);
  if (!block) return kDrvBadArguments;
  if (msg == kMsgMemoryInfo) {
    PutLe32(block + kMemTotal, card->TotalBytes());
    PutLe32(block + kMemFree, card->FreeBytes());
    return kDrvOk;
  }
  return msg == kMsgLoadBank ? LoadBank(*card, block) : BankInfo(*card, block);
}

std::intptr_t Ews64DriverCore::LoadBank(Ews64Card& card, std::uint8_t* block) {
  const std::uint32_t bank = GetLe32(block + kLoadBank);
  if (bank >= kEws64Banks || GetLe32(block + kLoadTwelve) != 12 ||
      GetLe32(block + kLoadSlot) > 126 || GetLe32(block + kLoadZero) != 0) {
    return kDrvBadArguments;
  }
  const char* text = reinterpret_cast<const char*>(block + kLoadPath);
  const void* end = std::memchr(text, '\0', kLoadPathMax);
  if (!end) return kDrvBadArguments;
  const std::string path(text, static_cast<const char*>(end));
  const std::uint32_t result = card.Load(bank, path, emulator_.BankPathMapper());
  if (result == kDrvOk) emulator_.Save();
  return result;
}

std::intptr_t Ews64DriverCore::BankInfo(Ews64Card& card, std::uint8_t* block) {
  const unsigned bank = GetLe16(block + kInfoBank);
  if (GetLe16(block + kInfoZero) != 0 || GetLe16(block + kInfoTwelve) != 12 ||
      bank >= kEws64Banks) {
    return kDrvBadArguments;
  }
  const BankRecord& record = card.Bank(bank);
  const std::uint32_t bytes = record.loaded ? record.bytes : 0;
  PutLe16(block + kInfoSizeLow, bytes & 0xFFFFu);
  PutLe16(block + kInfoSizeHigh, bytes >> 16);
  std::memset(block + kInfoName, 0, kDriverBlockSize - kInfoName);
  if (record.loaded) {
    std::memcpy(block + kInfoName, record.name.data(),
                std::min(record.name.size(), kDriverBlockSize - kInfoName - 1));
  }
  return kDrvOk;
}

}  // namespace korvel::emu
