#include "fluidsynth/BridgeConfig.h"

#include "emulators/core/ConfigKeys.h"

namespace korvel::fluid {

namespace {
constexpr std::size_t kHostMax = 63;
}

BridgeConfig ParseBridgeConfig(std::string_view text) {
  const emu::ConfigKeys keys(text);
  BridgeConfig config;
  keys.Text("host", kHostMax, &config.host);
  std::uint32_t port = config.port;
  keys.Number("port", 10, 65535, &port);
  if (port != 0) config.port = static_cast<std::uint16_t>(port);
  keys.Kilobytes("memory_kb", &config.memoryBytes);
  return config;
}

BridgeConfig ReadBridgeConfig(const std::string& hostPath) {
  return ParseBridgeConfig(emu::ReadConfigText(hostPath));
}

}  // namespace korvel::fluid
