#include "app/models/RangeText.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace korvel {

namespace {

constexpr std::size_t kMaxDigits = 7;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

struct Number {
  int value = 0;
  std::size_t digits = 0;
};

// The decimal number at the start of `text`, blanks before it skipped, of
// at most kMaxDigits digits.
Number LeadingNumber(const std::string& text) {
  Number number;
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  for (; i < text.size() && IsDigit(text[i]) && number.digits < kMaxDigits; ++i, ++number.digits)
    number.value = number.value * 10 + (text[i] - '0');
  return number;
}

int ShownValue(RangeKind kind, std::uint8_t stored) {
  switch (kind) {
    case RangeKind::Target: return static_cast<std::int8_t>(stored);
    case RangeKind::Channel: return stored + 1;
    case RangeKind::Source: break;
  }
  return stored;
}

std::uint8_t StoredValue(RangeKind kind, int shown) {
  return static_cast<std::uint8_t>(kind == RangeKind::Channel ? shown - 1 : shown);
}

bool Fits(RangeKind kind, int value) {
  switch (kind) {
    case RangeKind::Target: return value >= -128 && value <= 127;
    case RangeKind::Channel: return value >= 1 && value <= 16;
    case RangeKind::Source: break;
  }
  return value >= 0 && value <= 255;
}

}  // namespace

std::string RangeText(ShownRange range) {
  if (range.low == range.high) return std::to_string(range.low);
  return std::to_string(range.low) + "-" + std::to_string(range.high);
}

ReadRangeResult ReadRange(const std::string& text, RangeKind kind) {
  // Target values are signed: a '-' where a number starts is its sign.
  const bool signedValues = kind == RangeKind::Target;
  const bool lowNegative = signedValues && !text.empty() && text[0] == '-';
  const std::string range = lowNegative ? text.substr(1) : text;

  const std::size_t dash = range.find('-');
  const std::string before = range.substr(0, dash);
  const std::size_t k = std::min<std::size_t>(std::count_if(before.begin(), before.end(), IsDigit), kMaxDigits);
  const Number low = LeadingNumber(range.substr(0, k));

  ReadRangeResult result;
  result.range.low = lowNegative ? -low.value : low.value;
  result.range.high = result.range.low;
  result.complete = !lowNegative || low.digits > 0;
  if (dash == std::string::npos) return result;
  std::string after = range.substr(dash + 1);
  after.erase(0, std::min(after.find_first_not_of(" \t"), after.size()));
  const bool highNegative = signedValues && !after.empty() && after[0] == '-';
  const Number high = LeadingNumber(highNegative ? after.substr(1) : after);
  result.range.high = highNegative ? -high.value : high.value;
  result.complete = low.digits > 0 && high.digits > 0;
  return result;
}

bool RangeFits(RangeKind kind, ShownRange range) { return Fits(kind, range.low) && Fits(kind, range.high); }

ShownRange RangeOf(const Modification& modification, RangeKind kind) {
  const Modification& m = modification;
  switch (kind) {
    case RangeKind::Target:
      return {ShownValue(kind, static_cast<std::uint8_t>(m.targetValue)),
              ShownValue(kind, static_cast<std::uint8_t>(m.targetHigh))};
    case RangeKind::Channel:
      return {ShownValue(kind, m.flags & kLowChannelMask), ShownValue(kind, m.highChannel)};
    case RangeKind::Source: break;
  }
  return {ShownValue(kind, m.sourceLow), ShownValue(kind, m.sourceHigh)};
}

std::string RangeTextOf(const Modification& modification, RangeKind kind) {
  return RangeText(RangeOf(modification, kind));
}

void StoreRange(Modification& modification, RangeKind kind, ShownRange range) {
  const std::uint8_t low = StoredValue(kind, range.low);
  const std::uint8_t high = StoredValue(kind, range.high);
  Modification& m = modification;
  switch (kind) {
    case RangeKind::Source:
      m.sourceLow = low;
      m.sourceHigh = high;
      break;
    case RangeKind::Target:
      m.targetValue = static_cast<std::int8_t>(low);
      m.targetHigh = static_cast<std::int8_t>(high);
      break;
    case RangeKind::Channel:
      m.flags = static_cast<std::uint8_t>((m.flags & ~kLowChannelMask) | (low & kLowChannelMask));
      m.highChannel = high;
      break;
  }
}

}  // namespace korvel
