// The EWS64 driver's answers to its eight messages.
//
//   17086  card count                       -> number of cards (0-2)
//   17087  p1 = card number + 1             -> card handle (0 = no such card)
//   17095  p1 = card handle                 -> card cookie (0 = bad handle)
//   17098  p1 = cookie                      -> card identification number (0 = bad cookie)
//   17091  p1 = card handle, p2 = block     -> 0; total at 12, free at 16 (bytes, signed 32-bit)
//   17115  p1 = card handle, p2 = block     -> 0 or an error: load the sound set named in
//          the block (32-bit bank at 0, 12 at 4, 126 - slot at 8, 0 at 12, path at 16,
//          NUL-terminated within 128 bytes)
//   17116  p1 = card handle, p2 = bank      -> 0 or an error: clear the bank
//   17117  p1 = card handle, p2 = block     -> 0 or an error: bank information (16-bit 0 at 0,
//          12 at 2, bank at 4 in; size low half at 14, high half at 16, name from 18 out)
//
// Errors: 2 file not found, 8 not enough sound memory, 11 not a sound set,
// 38 bad card handle, 87 bad arguments (bank above 7, a block field that is not
// as above, no block), 1 for any other message. `p2` of a block message is the
// flat address of the 512-byte driver block; every field is read and written
// byte by byte at its offset.
#pragma once

#include <cstdint>

namespace korvel::emu {

class Emulator;
class Ews64Card;

constexpr std::intptr_t kCardHandleBase = 0x4C00;  // + card number
constexpr std::intptr_t kCardCookieBase = 0x0100;  // + card number

class Ews64DriverCore {
 public:
  explicit Ews64DriverCore(Emulator& emulator) : emulator_(emulator) {}

  std::intptr_t Message(std::uint32_t msg, std::intptr_t p1, std::intptr_t p2);
  // True for the messages whose second parameter is the driver block.
  static bool CarriesBlock(std::uint32_t msg);

 private:
  Ews64Card* CardOf(std::intptr_t handle);
  std::intptr_t LoadBank(Ews64Card& card, std::uint8_t* block);
  std::intptr_t BankInfo(Ews64Card& card, std::uint8_t* block);

  Emulator& emulator_;
};

}  // namespace korvel::emu
