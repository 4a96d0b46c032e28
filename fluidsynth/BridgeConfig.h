// The bridge's settings file ("korvelfs.ini" beside it), in the syntax of
// korvelemu.ini:
//
//   host=127.0.0.1     where FluidSynth's shell listens
//   port=9800
//   memory_kb=65536    the sound memory the device offers (FluidSynth has none)
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace korvel::fluid {

struct BridgeConfig {
  std::string host = "127.0.0.1";
  std::uint16_t port = 9800;
  std::uint32_t memoryBytes = 65536u * 1024u;
};

BridgeConfig ParseBridgeConfig(std::string_view text);
// Defaults when the file is missing.
BridgeConfig ReadBridgeConfig(const std::string& hostPath);

}  // namespace korvel::fluid
