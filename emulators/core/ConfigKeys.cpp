#include "emulators/core/ConfigKeys.h"

#include <algorithm>
#include <cctype>
#include <fstream>

#include "emulators/core/BankRecord.h"

namespace korvel::emu {
namespace {

std::string_view Trim(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
    text.remove_prefix(1);
  }
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
    text.remove_suffix(1);
  }
  return text;
}

bool ParseNumber(std::string_view text, unsigned base, std::uint64_t limit, std::uint32_t* out) {
  if (base == 16 && text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
  }
  if (text.empty() || text.size() > 10) return false;
  std::uint64_t value = 0;
  for (char c : text) {
    const int digit = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                      : (base == 16 && std::isxdigit(static_cast<unsigned char>(c)))
                          ? std::tolower(static_cast<unsigned char>(c)) - 'a' + 10
                          : -1;
    if (digit < 0) return false;
    value = value * base + static_cast<unsigned>(digit);
  }
  if (value > limit) return false;
  *out = static_cast<std::uint32_t>(value);
  return true;
}

}  // namespace

ConfigKeys::ConfigKeys(std::string_view text) {
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = Trim(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.empty() || line[0] == '#' || line[0] == ';') continue;
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    std::string key(Trim(line.substr(0, eq)));
    for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    values_[key] = std::string(Trim(line.substr(eq + 1)));
  }
}

const std::string* ConfigKeys::Find(const std::string& key) const {
  auto it = values_.find(key);
  return it == values_.end() ? nullptr : &it->second;
}

void ConfigKeys::Number(const std::string& key, unsigned base, std::uint64_t limit,
                        std::uint32_t* out) const {
  if (const std::string* v = Find(key)) ParseNumber(*v, base, limit, out);
}

void ConfigKeys::Kilobytes(const std::string& key, std::uint32_t* bytes) const {
  std::uint32_t kb = 0;
  if (const std::string* v = Find(key); v && ParseNumber(*v, 10, kMaxMemoryBytes / 1024, &kb)) {
    *bytes = kb * 1024;
  }
}

void ConfigKeys::Text(const std::string& key, std::size_t maxLength, std::string* out) const {
  if (const std::string* v = Find(key); v && !v->empty()) out->assign(*v, 0, maxLength);
}

std::string ReadConfigText(const std::string& hostPath) {
  std::ifstream in(hostPath, std::ios::binary);
  if (!in) return std::string();
  std::string text(kConfigFileMax, '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
  return text;
}

}  // namespace korvel::emu
