// The bytes of "Korvel.cfg": 13 records, each a 32-bit little-endian length
// followed by that many bytes. Records are known by position alone: the magic
// number, then homedrive, homedir, cflags, curdev, korvelengine, cursheet,
// winx, winy, curpreset, lastpath, bankfolder, lastmididev.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "config/Configuration.h"

namespace korvel {

constexpr std::uint32_t kConfigMagic = 0x14F56728;
// A written file: every record at its full field length.
constexpr std::size_t kConfigFileSize = 1012;
constexpr char kConfigFileName[] = "Korvel.cfg";

using ConfigFileBytes = std::array<std::uint8_t, kConfigFileSize>;

// The whole file as the writer lays it out. Text records carry the whole
// buffer, including whatever follows the terminator.
ConfigFileBytes EncodeConfigFile(const Configuration& config, const WindowEdges& edges);

enum class ConfigDecodeStatus {
  Complete,    // all 13 records read, every byte of the file taken
  // All 13 records read, but not every byte fitted: data beyond a field or
  // after the last record was skipped, or a length word pointing past the
  // end of the file was taken as the field's own length.
  Irregular,
  EndedEarly,  // the data ran out after the magic record; later fields untouched
  BadMagic,    // the first record is not (4, kConfigMagic); nothing changed
};

// Where the decoder takes its bytes from. It asks only for bytes it knows
// are there, so a huge length word never makes it read or allocate them.
class ConfigByteSource {
 public:
  virtual ~ConfigByteSource() = default;
  virtual std::uint64_t Remaining() const = 0;
  // Reads exactly `size` bytes; false if that fails.
  virtual bool Read(void* buffer, std::size_t size) = 0;
  virtual bool Skip(std::uint64_t size) = 0;
};

// Walks the records by their length words and fills the fields they reach.
// A record longer than its field fills the field and the rest is skipped; a
// text field always ends up terminated. A length word that points past the
// end of the file, when the field's own length still fits, is taken as that
// length: one damaged word then costs no setting behind it. A record whose
// data ends early leaves its field and every later one as it was. `edges`
// change only where winx/winy hold something other than -1.
ConfigDecodeStatus DecodeConfigFile(ConfigByteSource& source, Configuration& config,
                                    WindowEdges& edges);
ConfigDecodeStatus DecodeConfigFile(const std::uint8_t* data, std::size_t size,
                                    Configuration& config, WindowEdges& edges);
// Reads from the current position of an open binary file to its end.
ConfigDecodeStatus DecodeConfigFile(std::FILE* file, Configuration& config, WindowEdges& edges);

// Copies a stored value of `size` bytes into a text field of `fieldSize`
// bytes: at most the field's size, and terminated where the value ends (or
// at the last byte) when the value brings no terminator of its own.
void CopyTextField(char* field, std::size_t fieldSize, const std::uint8_t* data, std::size_t size);
// Copies up to 4 bytes of a stored value into a 32-bit field, low byte first;
// bytes beyond the value's size keep their old contents.
void CopyWordField(std::uint32_t& field, const std::uint8_t* data, std::size_t size);
void CopyWordField(std::int32_t& field, const std::uint8_t* data, std::size_t size);

}  // namespace korvel
