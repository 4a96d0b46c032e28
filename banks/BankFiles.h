// Reading what the bank list needs from a bank file's first bytes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "banks/DeviceTable.h"

namespace korvel {

constexpr std::size_t kHeaderReadSize = 512;

// Looks for `tag` in the first 512 bytes of the file: the first position
// where all its bytes lie within the bytes read (a tag crossing byte 512, or
// the end of a shorter file, is not found). With `width` 0 copies the text at
// tag + `offset` into `text` (at most textSize - 1 characters, always
// terminated, never past the bytes read) and returns 0; with `width` 1 to 4
// returns the little-endian number there, or 0 when it does not lie wholly
// within the bytes read. `text` may be null; it is emptied first.
//
// The failing-file name becomes `path` (the layer keeps a copy). A file
// that cannot be opened sets ErrorCode 6.
std::uint32_t FindTagInHeader(DeviceTable& layer, const char* path, const char* tag, int offset,
                              char* text, std::size_t textSize, int width);

// The file's length in bytes, 0 when it cannot be opened or measured; a
// length beyond 2^31 - 1 is given as 2^31 - 1.
std::int32_t BankFileSize(const char* path);

}  // namespace korvel
