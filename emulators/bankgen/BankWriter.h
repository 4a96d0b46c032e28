// Writes bank files for tests and demos: SoundFont 2 files and EWS64 sound
// sets (.tts, .94b) with a chosen name and size.
#pragma once

#include <cstdint>
#include <string>

namespace korvel::bankgen {

// A SoundFont 2 file: RIFF "sfbk" with INFO (ifil 2.01, isng, INAM = `name`
// cut to 255 characters), sdta/smpl of `sampleBytes` bytes (rounded up to
// even) and a pdta hydra. With room for it (sampleBytes >= kMinToneBytes) the
// samples hold a looped 220 Hz tone that one preset plays through one
// instrument; below that the hydra has only its terminal records.
std::string SoundFontBytes(const std::string& name, std::uint32_t sampleBytes);
constexpr std::uint32_t kMinToneBytes = 508;

enum class SoundSetKind { Tts, Ews94 };

// A sound set of `fileBytes` bytes (at least kSoundSetHeaderBytes): the tag
// ("TTPR" / "PRIO") at 0, a 32-bit header length at 4, `name` at 8 in a
// 16-byte field (cut to 15 characters), the map tag ("TTIM" / "IMAP") at 24
// with the 16-bit slot number 10 bytes after it (offset 34), then sample data.
std::string SoundSetBytes(SoundSetKind kind, const std::string& name, std::uint32_t fileBytes,
                          std::uint16_t slot);
constexpr std::uint32_t kSoundSetHeaderBytes = 64;

// Writes through "<path>.new", which then replaces `path`.
bool WriteBankFile(const std::string& path, const std::string& bytes);

}  // namespace korvel::bankgen
