#include "emulators/win32/VirtualMidiPorts.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "emulators/win32/VirtualMidiChannel.h"

namespace korvel::emu::vmidi {
namespace {

std::string Trim(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

constexpr char kDefaultShellHost[] = "127.0.0.1";
constexpr unsigned kDefaultShellPort = 9800;

bool SetSides(const std::string& key, PortEntry* port) {
  port->input = key == "input" || key == "both";
  port->output = key == "output" || key == "both" || key == "fluidsynth";
  if (key == "fluidsynth") {
    port->shellHost = kDefaultShellHost;
    port->shellPort = kDefaultShellPort;
  }
  return port->input || port->output;
}

// "host:port", "host" or ":port"; a port that does not parse keeps the default.
void SetShellAddress(const std::string& address, PortEntry* port) {
  const auto colon = address.rfind(':');
  const std::string host = Trim(address.substr(0, colon));
  if (!host.empty()) port->shellHost = host;
  if (colon == std::string::npos) return;
  char* end = nullptr;
  const std::string digits = Trim(address.substr(colon + 1));
  const unsigned long number = std::strtoul(digits.c_str(), &end, 10);
  if (!digits.empty() && *end == '\0' && number > 0 && number <= 65535) port->shellPort = number;
}

void SetMark(const std::string& mark, PortEntry* port) {
  if (mark == "once") port->opensOnce = true;
  if (mark == "loop") port->loop = true;
}

}  // namespace

std::vector<PortEntry> ParsePortList(const std::string& text) {
  std::vector<PortEntry> ports;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    line = Trim(line);
    const auto equals = line.find('=');
    if (line.empty() || line[0] == '#' || line[0] == ';' || equals == std::string::npos) continue;
    PortEntry port;
    if (!SetSides(Lower(Trim(line.substr(0, equals))), &port)) continue;
    std::istringstream fields(line.substr(equals + 1));
    std::string field;
    std::getline(fields, field, ',');
    port.name = Trim(field).substr(0, kChannelNameLength);
    if (port.shellPort != 0 && std::getline(fields, field, ',')) SetShellAddress(Trim(field), &port);
    while (std::getline(fields, field, ',')) SetMark(Lower(Trim(field)), &port);
    if (!port.name.empty()) ports.push_back(port);
  }
  return ports;
}

std::vector<PortEntry> ReadPortFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return ParsePortList(text.str());
}

std::string PortFilePath() {
  char folder[MAX_PATH] = {};
  const UINT n = ::GetWindowsDirectoryA(folder, sizeof folder);
  std::string path(folder, n < sizeof folder ? n : 0);
  if (!path.empty() && path.back() != '\\') path += '\\';
  return path + "korvelmidi.ini";
}

}  // namespace korvel::emu::vmidi
