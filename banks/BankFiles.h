// Reading what the bank list needs from a bank file's first bytes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "banks/DeviceTable.h"

namespace korvel {

// Looks for `tag` in the first 512 bytes of the file. With `width` 0 copies
// the text at tag + `offset` into `text` (at most textSize - 1 characters,
// always terminated) and returns 0; with `width` 1 to 4 returns the
// little-endian number there. A file that cannot be opened sets ErrorCode 6
// with the file named; a missing tag gives 0 and an empty text.
std::uint32_t FindTagInHeader(DeviceTable& layer, const char* path, const char* tag, int offset,
                              char* text, std::size_t textSize, int width);

// The file's length in bytes, 0 when it cannot be opened.
std::int32_t BankFileSize(const char* path);

}  // namespace korvel
