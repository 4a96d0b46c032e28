// Shared by the emulator tests: a sandbox whose Windows paths the emulator
// maps to host files, as the simulated platform's host does.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "emulators/core/Emulator.h"
#include "platform/sim/Sim.h"

namespace korvel::emu::testing {

inline std::string Host(const std::string& windowsPath) {
  return platform::sim::HostPath(windowsPath.c_str());
}

inline void WriteFile(const std::string& hostPath, const std::string& bytes) {
  std::filesystem::create_directories(std::filesystem::path(hostPath).parent_path());
  std::ofstream out(hostPath, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << hostPath;
}

inline std::string ReadFile(const std::string& hostPath) {
  std::ifstream in(hostPath, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Little-endian fields, read independently of the code under test.
inline unsigned U16(const std::uint8_t* at) { return at[0] | (at[1] << 8); }
inline std::uint32_t U32(const std::uint8_t* at) {
  return at[0] | (at[1] << 8) | (at[2] << 16) | (static_cast<std::uint32_t>(at[3]) << 24);
}

class EmulatorFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(Host("C:\\EMU"));
    std::filesystem::create_directories(Host("C:\\BANKS"));
  }
  EmulatorSetup Setup() const {
    EmulatorSetup setup;
    setup.configPath = Host("C:\\EMU\\korvelemu.ini");
    setup.statePath = Host("C:\\EMU\\korvelemu.state");
    setup.mapBankPath = [](const std::string& path) { return Host(path); };
    return setup;
  }
  void WriteConfig(const std::string& text) { WriteFile(Setup().configPath, text); }
  std::string StateText() const { return ReadFile(Setup().statePath); }

  platform::sim::Sandbox sandbox;
};

}  // namespace korvel::emu::testing
