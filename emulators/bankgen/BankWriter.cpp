#include "emulators/bankgen/BankWriter.h"

#include <cmath>
#include <cstring>

#include "emulators/core/ByteOrder.h"
#include "emulators/core/EmulatorState.h"

namespace korvel::bankgen {
namespace {

using emu::PutLe16;
using emu::PutLe32;

void Append16(std::string* out, std::uint32_t value) {
  std::uint8_t b[2];
  PutLe16(b, value);
  out->append(reinterpret_cast<const char*>(b), 2);
}

void Append32(std::string* out, std::uint32_t value) {
  std::uint8_t b[4];
  PutLe32(b, value);
  out->append(reinterpret_cast<const char*>(b), 4);
}

// A fixed-width, NUL-padded text field; `width - 1` characters at most.
void AppendName(std::string* out, const std::string& text, std::size_t width) {
  std::string field = text.substr(0, width - 1);
  field.resize(width, '\0');
  *out += field;
}

std::string Chunk(const char* id, const std::string& data) {
  std::string chunk(id, 4);
  Append32(&chunk, static_cast<std::uint32_t>(data.size()));
  chunk += data;
  if (data.size() & 1u) chunk.push_back('\0');
  return chunk;
}

std::string List(const char* type, const std::string& chunks) {
  return Chunk("LIST", std::string(type, 4) + chunks);
}

// NUL-terminated and of even length, as the INFO texts must be.
std::string InfoText(const std::string& text) {
  std::string data = text + '\0';
  if (data.size() & 1u) data.push_back('\0');
  return data;
}

std::string Bag(std::uint32_t gen, std::uint32_t mod) {
  std::string r;
  Append16(&r, gen);
  Append16(&r, mod);
  return r;
}

std::string Gen(std::uint32_t oper, std::uint32_t amount) { return Bag(oper, amount); }

std::string Preset(const std::string& name, std::uint32_t bag) {
  std::string r;
  AppendName(&r, name, 20);
  Append16(&r, 0);  // preset number
  Append16(&r, 0);  // bank
  Append16(&r, bag);
  Append32(&r, 0);
  Append32(&r, 0);
  Append32(&r, 0);
  return r;
}

std::string Instrument(const std::string& name, std::uint32_t bag) {
  std::string r;
  AppendName(&r, name, 20);
  Append16(&r, bag);
  return r;
}

struct SampleHeader {
  std::uint32_t start = 0, end = 0, loopStart = 0, loopEnd = 0, rate = 0;
  std::uint8_t pitch = 0;
  std::uint16_t type = 0;
};

std::string Sample(const std::string& name, const SampleHeader& s) {
  std::string r;
  AppendName(&r, name, 20);
  Append32(&r, s.start);
  Append32(&r, s.end);
  Append32(&r, s.loopStart);
  Append32(&r, s.loopEnd);
  Append32(&r, s.rate);
  r.push_back(static_cast<char>(s.pitch));
  r.push_back('\0');  // pitch correction
  Append16(&r, 0);    // sample link
  Append16(&r, s.type);
  return r;
}

constexpr std::uint32_t kPeriod = 100;     // points per cycle: 220.5 Hz at 22050 Hz
constexpr std::uint32_t kZeroTail = 46;    // zero points that must follow every sample
constexpr std::uint32_t kGenInstrument = 41, kGenSampleModes = 54, kGenSampleId = 53;

}  // namespace

std::string SoundFontBytes(const std::string& name, std::uint32_t sampleBytes) {
  sampleBytes += sampleBytes & 1u;
  const std::string bankName = name.substr(0, 255);
  const std::string info =
      List("INFO", Chunk("ifil", std::string("\x02\x00\x01\x00", 4)) +
                       Chunk("isng", InfoText("EMU8000")) + Chunk("INAM", InfoText(bankName)) +
                       Chunk("ISFT", InfoText("korvel_bankgen")));

  std::string samples(sampleBytes, '\0');
  const bool tone = sampleBytes >= kMinToneBytes;
  SampleHeader header;
  if (tone) {
    const std::uint32_t points = sampleBytes / 2;
    header.end = points - kZeroTail;
    header.loopStart = kPeriod;
    header.loopEnd = kPeriod + kPeriod * ((header.end - 8 - kPeriod) / kPeriod);
    header.rate = 22050;
    header.pitch = 57;
    header.type = 1;  // mono
    const double step = 2.0 * 3.14159265358979323846 / kPeriod;
    for (std::uint32_t i = 0; i < header.end; ++i) {
      const auto value = static_cast<std::int16_t>(std::lround(12000.0 * std::sin(step * (i % kPeriod))));
      PutLe16(reinterpret_cast<std::uint8_t*>(&samples[2 * i]), static_cast<std::uint16_t>(value));
    }
  }
  const std::string sdta = List("sdta", Chunk("smpl", samples));

  const std::string zeroMod(10, '\0');
  std::string pdta;
  if (tone) {
    pdta = Chunk("phdr", Preset(bankName, 0) + Preset("EOP", 1)) +
           Chunk("pbag", Bag(0, 0) + Bag(1, 0)) + Chunk("pmod", zeroMod) +
           Chunk("pgen", Gen(kGenInstrument, 0) + Gen(0, 0)) +
           Chunk("inst", Instrument(bankName, 0) + Instrument("EOI", 1)) +
           Chunk("ibag", Bag(0, 0) + Bag(2, 0)) + Chunk("imod", zeroMod) +
           Chunk("igen", Gen(kGenSampleModes, 1) + Gen(kGenSampleId, 0) + Gen(0, 0)) +
           Chunk("shdr", Sample(bankName, header) + Sample("EOS", SampleHeader{}));
  } else {
    pdta = Chunk("phdr", Preset("EOP", 0)) + Chunk("pbag", Bag(0, 0)) + Chunk("pmod", zeroMod) +
           Chunk("pgen", Gen(0, 0)) + Chunk("inst", Instrument("EOI", 0)) +
           Chunk("ibag", Bag(0, 0)) + Chunk("imod", zeroMod) + Chunk("igen", Gen(0, 0)) +
           Chunk("shdr", Sample("EOS", SampleHeader{}));
  }
  return Chunk("RIFF", "sfbk" + info + sdta + List("pdta", pdta));
}

std::string SoundSetBytes(SoundSetKind kind, const std::string& name, std::uint32_t fileBytes,
                          std::uint16_t slot) {
  if (fileBytes < kSoundSetHeaderBytes) fileBytes = kSoundSetHeaderBytes;
  const bool tts = kind == SoundSetKind::Tts;
  std::string bytes(tts ? "TTPR" : "PRIO");
  Append32(&bytes, kSoundSetHeaderBytes);
  AppendName(&bytes, name, 16);
  bytes += tts ? "TTIM" : "IMAP";
  Append32(&bytes, 8);
  Append16(&bytes, 1);  // map version
  Append16(&bytes, slot);
  Append32(&bytes, fileBytes - kSoundSetHeaderBytes);
  bytes.resize(kSoundSetHeaderBytes, '\0');
  bytes.reserve(fileBytes);
  // Sample data: a sawtooth, so that the file does not compress to nothing.
  for (std::uint32_t i = kSoundSetHeaderBytes; i < fileBytes; ++i) {
    bytes.push_back(static_cast<char>((i * 7) & 0xFF));
  }
  return bytes;
}

bool WriteBankFile(const std::string& path, const std::string& bytes) {
  return emu::ReplaceFileContents(path, bytes);
}

}  // namespace korvel::bankgen
