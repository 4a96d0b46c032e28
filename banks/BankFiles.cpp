#include "banks/BankFiles.h"

#include <cstdio>
#include <cstring>
#include <limits>

#include "platform/Platform.h"

namespace korvel {

std::uint32_t FindTagInHeader(DeviceTable& layer, const char* path, const char* tag, int offset,
                              char* text, std::size_t textSize, int width) {
  if (text != nullptr && textSize > 0) text[0] = '\0';
  ErrorState& errors = layer.Errors();
  layer.KeepFailingFile(path);
  std::FILE* file = path != nullptr ? platform::OpenFile(path, "rb") : nullptr;
  if (file == nullptr) {
    errors.ErrorCode = kErrFileNotFound;
    return 0;
  }

  // The layer's header buffer once the layer is up; a buffer of our own before.
  std::uint8_t ownBuffer[kHeaderReadSize];
  std::uint8_t* header = layer.HeaderBuffer() != nullptr ? layer.HeaderBuffer() : ownBuffer;
  const std::size_t count = std::fread(header, 1, kHeaderReadSize, file);
  std::fclose(file);

  const std::size_t tagLength = tag != nullptr ? std::strlen(tag) : 0;
  if (tagLength > count) return 0;
  std::size_t position = 0;
  bool found = false;
  for (; position + tagLength <= count; ++position) {
    if (std::memcmp(header + position, tag, tagLength) == 0) {
      found = true;
      break;
    }
  }
  if (!found) return 0;

  // Where the value starts, as a signed distance so a negative offset stays
  // before the buffer rather than wrapping round.
  const long long start = static_cast<long long>(position) + offset;
  if (start < 0 || start >= static_cast<long long>(count)) return 0;
  const auto at = static_cast<std::size_t>(start);

  if (width == 0) {
    if (text == nullptr || textSize == 0) return 0;
    std::size_t i = 0;
    while (i + 1 < textSize && at + i < count && header[at + i] != 0) {
      text[i] = static_cast<char>(header[at + i]);
      ++i;
    }
    text[i] = '\0';
    return 0;
  }
  if (width < 0 || width > 4 || at + static_cast<std::size_t>(width) > count) return 0;
  std::uint32_t value = 0;
  for (int i = width - 1; i >= 0; --i) value = (value << 8) | header[at + static_cast<std::size_t>(i)];
  return value;
}

std::int32_t BankFileSize(const char* path) {
  if (path == nullptr) return 0;
  std::FILE* file = platform::OpenFile(path, "rb");
  if (file == nullptr) return 0;
  long length = -1;
  if (std::fseek(file, 0, SEEK_END) == 0) length = std::ftell(file);
  std::fclose(file);
  if (length < 0) return 0;
  constexpr long long kLargest = std::numeric_limits<std::int32_t>::max();
  const long long measured = length;
  return static_cast<std::int32_t>(measured > kLargest ? kLargest : measured);
}

}  // namespace korvel
