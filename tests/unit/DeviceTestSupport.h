// Shared by the device layer tests: a device table over the simulated
// platform with the emulated cards installed, bank files written into the
// sandbox, and a shell that records what the layer asks of the windows.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "banks/DeviceTable.h"
#include "banks/ErrorReport.h"
#include "banks/ShellPort.h"
#include "banks/ews64/Ews64Backend.h"
#include "banks/soundfont/SoundFontBackend.h"
#include "config/Configuration.h"
#include "config/ScratchRing.h"
#include "emulators/bankgen/BankWriter.h"
#include "platform/sim/Sim.h"
#include "tests/unit/BankLayerTestSupport.h"

namespace korvel::devtest {

using DeviceShell = testsupport::RecordingShell;

class DeviceLayerTest : public ::testing::Test {
 protected:
  static constexpr const char* kConfigFile = "C:\\EMU\\korvelemu.ini";
  static constexpr const char* kStateFile = "C:\\EMU\\korvelemu.state";

  void SetUp() override {
    config.cflags = UseEWS64 | UseSFD;
    layer.InitBankLayer();
    ASSERT_EQ(errors.ErrorCode, kErrOk);
  }

  static std::string Host(const std::string& windowsPath) {
    return platform::sim::HostPath(windowsPath.c_str());
  }
  static void WriteHostFile(const std::string& windowsPath, const std::string& bytes) {
    const std::string host = Host(windowsPath);
    std::filesystem::create_directories(std::filesystem::path(host).parent_path());
    ASSERT_TRUE(bankgen::WriteBankFile(host, bytes)) << windowsPath;
  }

  // The emulator's configuration, then the components installed.
  void Install(const std::string& emulatorConfig,
               unsigned components = platform::sim::kAllComponents) {
    WriteHostFile(kConfigFile, emulatorConfig);
    platform::sim::InstallEmulators(kConfigFile, kStateFile, components);
  }
  // Start-up's steps 14 to 16.
  void OpenAll() {
    layer.Ews64().OpenEws64Driver();
    layer.SoundFont().OpenSoundFontBackend();
    layer.RefreshDevices();
  }
  void CloseAll() {
    layer.ReleaseDevices();
    layer.SoundFont().ShutdownSoundFontBackend();
    layer.Ews64().CloseEws64Driver();
  }

  std::string SoundSet(const std::string& windowsPath, const std::string& name,
                       std::uint32_t bytes = 20000, std::uint16_t slot = 0) {
    const auto kind = windowsPath.size() > 3 && windowsPath.substr(windowsPath.size() - 3) == "94b"
                          ? bankgen::SoundSetKind::Ews94
                          : bankgen::SoundSetKind::Tts;
    WriteHostFile(windowsPath, bankgen::SoundSetBytes(kind, name, bytes, slot));
    return windowsPath;
  }
  std::string SoundFont(const std::string& windowsPath, const std::string& name,
                        std::uint32_t sampleBytes = 4096) {
    WriteHostFile(windowsPath, bankgen::SoundFontBytes(name, sampleBytes));
    return windowsPath;
  }

  const std::vector<platform::sim::ShownBox>& Boxes() const {
    return platform::sim::ShownMessageBoxes();
  }
  // Messages sent to the driver with this message number.
  std::vector<platform::sim::DriverMessage> Sent(std::uint32_t message) const {
    std::vector<platform::sim::DriverMessage> found;
    for (const auto& sent : platform::sim::DriverMessages())
      if (sent.message == message) found.push_back(sent);
    return found;
  }

  SoundDevice& Dev(int dev) { return layer.Device(dev); }
  BankSlot& Slot(int dev, int slot) { return layer.Device(dev).slots[slot]; }

  platform::sim::Sandbox sandbox;
  Configuration config;
  ErrorState errors;
  DeviceShell shell;
  ScratchRing scratch;
  DeviceTable layer{config, errors, shell, scratch};
};

// Little-endian fields, read independently of the code under test.
inline unsigned Le16(const std::uint8_t* at) { return at[0] | (at[1] << 8); }
inline std::uint32_t Le32(const std::uint8_t* at) {
  return at[0] | (at[1] << 8) | (at[2] << 16) | (static_cast<std::uint32_t>(at[3]) << 24);
}

}  // namespace korvel::devtest
