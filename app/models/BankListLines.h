// The lines of the bank list on the "Bank Manager" page: one text per slot
// whose columns are separated by the byte 0xA4, and how a line is drawn.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "banks/DeviceTable.h"

namespace korvel {

constexpr char kColumnMark = '\xA4';
constexpr char kBoldMark = '\xA7';
constexpr char kGreyMark = '?';
constexpr int kBankListLines = 128;

// The list's lines for device `dev`: 128 lines once a device exists (slot
// lines, then lines of a single column mark), or the single line
// "<no banks>" without one.
std::vector<std::string> BankListLines(const DeviceTable& table, int dev, std::uint32_t cflags);

// How many of the lines are slot lines: the device's slot count, or 8 for
// an EWS64 card outside virtual bank mode; 0 without a device.
int BankListSlotLines(const DeviceTable& table, int dev, std::uint32_t cflags);

// One column of a line as it is drawn.
struct BankListColumn {
  std::string text;  // without its mark, at most 32 characters
  int left = 0;      // pixels from the line's left edge
  bool bold = false;
  bool grey = false;  // this and every later column of the line
};

// Splits a line into the columns drawn: at most five, at 5, 30, 180, 230
// and 360 pixels.
std::vector<BankListColumn> BankListColumns(const std::string& line);

}  // namespace korvel
