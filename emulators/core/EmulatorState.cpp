#include "emulators/core/EmulatorState.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <system_error>
#include <tuple>

#include "emulators/core/Ews64Card.h"
#include "emulators/core/SoundFontDevice.h"

namespace korvel::emu {
namespace {

constexpr std::string_view kHeader = "KORVELEMU STATE 1\n";
constexpr char kHex[] = "0123456789abcdef";

// CRC-32 (reflected, polynomial 0xEDB88320) of every byte value.
constexpr std::array<std::uint32_t, 256> CrcTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t n = 0; n < 256; ++n) {
    std::uint32_t crc = n;
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    table[n] = crc;
  }
  return table;
}
constexpr std::array<std::uint32_t, 256> kCrcTable = CrcTable();

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

void AppendBank(std::string* out, const char* unit, unsigned index, unsigned bank,
                const BankRecord& record) {
  *out += unit;
  *out += '\t' + std::to_string(index) + '\t' + std::to_string(bank) + '\t' +
          std::to_string(record.bytes) + '\t';
  EscapeField(out, record.name);
  *out += '\t';
  EscapeField(out, record.path);
  *out += '\n';
}

std::vector<std::string_view> Split(std::string_view line, char separator) {
  std::vector<std::string_view> fields;
  while (true) {
    const std::size_t at = line.find(separator);
    fields.push_back(line.substr(0, at));
    if (at == std::string_view::npos) return fields;
    line.remove_prefix(at + 1);
  }
}

bool DecodeLine(std::string_view line, StoredBank* stored) {
  const std::vector<std::string_view> f = Split(line, '\t');
  if (f.size() != 6) return false;
  if (f[0] == "ews64") {
    stored->unit = Unit::Ews64;
  } else if (f[0] == "soundfont") {
    stored->unit = Unit::SoundFont;
  } else {
    return false;
  }
  std::uint64_t index = 0, bank = 0, bytes = 0;
  if (!DecimalField(f[1], 255, &index) || !DecimalField(f[2], 255, &bank) ||
      !DecimalField(f[3], kMaxMemoryBytes, &bytes)) {
    return false;
  }
  stored->index = static_cast<unsigned>(index);
  stored->bank = static_cast<unsigned>(bank);
  stored->record.loaded = true;
  stored->record.bytes = static_cast<std::uint32_t>(bytes);
  return UnescapeField(f[4], &stored->record.name) && UnescapeField(f[5], &stored->record.path) &&
         stored->record.name.size() <= 255 && stored->record.path.size() <= kBankPathMax;
}

}  // namespace

bool DecimalField(std::string_view field, std::uint64_t limit, std::uint64_t* out) {
  if (field.empty() || field.size() > 10) return false;
  std::uint64_t value = 0;
  for (char c : field) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  if (value > limit) return false;
  *out = value;
  return true;
}

void EscapeField(std::string* out, const std::string& text) {
  for (char c : text) {
    const unsigned char b = static_cast<unsigned char>(c);
    if (b < 0x20 || b == 0x7F || b == '%') {
      out->push_back('%');
      out->push_back(kHex[b >> 4]);
      out->push_back(kHex[b & 15]);
    } else {
      out->push_back(c);
    }
  }
}

bool UnescapeField(std::string_view field, std::string* out) {
  out->clear();
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] != '%') {
      out->push_back(field[i]);
      continue;
    }
    if (i + 2 >= field.size()) return false;
    const int hi = HexDigit(field[i + 1]), lo = HexDigit(field[i + 2]);
    if (hi < 0 || lo < 0) return false;
    out->push_back(static_cast<char>(hi * 16 + lo));
    i += 2;
  }
  return true;
}

// A byte at a time through a table: every operation that changes a bank
// checksums the whole state.
std::uint32_t Crc32(std::string_view bytes) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (char c : bytes) {
    crc = (crc >> 8) ^ kCrcTable[(crc ^ static_cast<unsigned char>(c)) & 0xFFu];
  }
  return ~crc;
}

std::string EncodeState(const std::vector<Ews64Card>& cards,
                        const std::vector<SoundFontDevice>& devices) {
  std::string text(kHeader);
  for (unsigned c = 0; c < cards.size(); ++c) {
    for (unsigned b = 0; b < kEws64Banks; ++b) {
      if (cards[c].Bank(b).loaded) AppendBank(&text, "ews64", c, b, cards[c].Bank(b));
    }
  }
  for (unsigned d = 0; d < devices.size(); ++d) {
    for (unsigned b = 1; b < kSoundFontBanks; ++b) {
      if (devices[d].Bank(b).loaded) AppendBank(&text, "soundfont", d, b, devices[d].Bank(b));
    }
  }
  char crc[16];
  std::snprintf(crc, sizeof crc, "crc\t%08x\n", static_cast<unsigned>(Crc32(text)));
  return text + crc;
}

bool DecodeState(std::string_view text, std::vector<StoredBank>* banks) {
  banks->clear();
  constexpr std::size_t kCrcLine = 13;  // "crc\t" + 8 digits + "\n"
  if (text.size() > kStateFileMax || text.size() < kHeader.size() + kCrcLine ||
      text.substr(0, kHeader.size()) != kHeader) {
    return false;
  }
  const std::string_view body = text.substr(0, text.size() - kCrcLine);
  const std::string_view crcLine = text.substr(body.size());
  char expected[16];
  std::snprintf(expected, sizeof expected, "crc\t%08x\n", static_cast<unsigned>(Crc32(body)));
  if (crcLine != expected) return false;

  std::set<std::tuple<int, unsigned, unsigned>> seen;
  std::string_view lines = body.substr(kHeader.size());
  while (!lines.empty()) {
    const std::size_t end = lines.find('\n');
    if (end == std::string_view::npos) break;  // cannot happen: the body ends in LF
    StoredBank stored;
    if (!DecodeLine(lines.substr(0, end), &stored) ||
        !seen.insert({static_cast<int>(stored.unit), stored.index, stored.bank}).second) {
      banks->clear();
      return false;
    }
    banks->push_back(std::move(stored));
    lines.remove_prefix(end + 1);
  }
  return true;
}

bool ReplaceFileContents(const std::string& path, std::string_view text) {
  const std::string temporary = path + ".new";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.flush();
    if (!out) {
      out.close();
      std::remove(temporary.c_str());
      return false;
    }
    out.close();
    if (out.fail()) {
      std::remove(temporary.c_str());
      return false;
    }
  }
  std::error_code error;
  std::filesystem::rename(temporary, path, error);
  if (error) {
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}

// Read in pieces straight into the text, the stream unbuffered: a few system
// calls, and nothing allocated or filled beyond what the file holds.
bool ReadWholeFile(const std::string& path, std::size_t limit, std::string* text) {
  text->clear();
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  std::setvbuf(file, nullptr, _IONBF, 0);
  char piece[16384];
  std::size_t got = 0;
  while ((got = std::fread(piece, 1, sizeof piece, file)) > 0 && text->size() + got <= limit) {
    text->append(piece, got);
  }
  const bool whole = got == 0 && !std::ferror(file);
  std::fclose(file);
  if (!whole) text->clear();
  return whole;
}

}  // namespace korvel::emu
