// Shared by the bank layer tests: a shell that records what the bank layer
// asks of the windows, and a device table over the simulated platform with
// the emulated cards.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
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

namespace korvel::testsupport {

class RecordingShell : public ShellPort {
 public:
  void FillDeviceSelector() override { ++fills; }
  void RebuildBankList() override { ++rebuilds; }
  void BuildTrayMenu() override { ++trayMenus; }
  void ProgressStep() override {
    ++steps;
    ++progress;
  }
  void ProgressReset() override {
    ++resets;
    progress = 0;
  }
  bool IsMainWindowMinimized() override { return minimized; }
  void RepaintMainWindow() override {
    ++repaints;
    if (whileRepainting) whileRepainting();
  }
  void ShowVirtualBankMode(bool on) override { virtualBankModeShown = on ? 1 : 0; }
  void DrawMemoryGraph() override { ++memoryGraphs; }

  int fills = 0;
  int rebuilds = 0;
  int trayMenus = 0;
  int steps = 0;     // every ProgressStep
  int progress = 0;  // steps since the last reset
  int resets = 0;
  int repaints = 0;
  int memoryGraphs = 0;
  int virtualBankModeShown = -1;
  bool minimized = false;
  // What the window's paint does, run inside RepaintMainWindow.
  std::function<void()> whileRepainting;
};

// A device table over the simulated platform with the emulated cards.
class BankLayerTest : public ::testing::Test {
 protected:
  static constexpr const char* kConfigFile = "C:\\EMU\\korvelemu.ini";
  static constexpr const char* kStateFile = "C:\\EMU\\korvelemu.state";

  void SetUp() override {
    layer.InitBankLayer();
    ASSERT_EQ(errors.ErrorCode, kErrOk);
  }
  void TearDown() override {
    platform::sim::SetDriverHook(nullptr);
    layer.ReleaseDevices();
    layer.SoundFont().ShutdownSoundFontBackend();
    layer.Ews64().CloseEws64Driver();
    layer.ShutdownBankLayer();
    platform::sim::UninstallEmulators();
  }

  // The texts of the message boxes shown so far, in order.
  static std::vector<std::string> BoxTexts() {
    std::vector<std::string> texts;
    for (const auto& box : platform::sim::ShownMessageBoxes()) texts.push_back(box.text);
    return texts;
  }
  static std::string Host(const std::string& windowsPath) {
    return platform::sim::HostPath(windowsPath.c_str());
  }
  static void WriteHostFile(const std::string& windowsPath, const std::string& bytes) {
    const std::string host = Host(windowsPath);
    std::filesystem::create_directories(std::filesystem::path(host).parent_path());
    ASSERT_TRUE(bankgen::WriteBankFile(host, bytes)) << windowsPath;
  }

  // Installs the emulated cards with `emulatorConfig` and opens the backends
  // with `cflags` as start-up does; the memory figures are read.
  void Start(const std::string& emulatorConfig, std::uint32_t cflags) {
    WriteHostFile(kConfigFile, emulatorConfig);
    platform::sim::InstallEmulators(kConfigFile, kStateFile);
    config.cflags = cflags;
    layer.Ews64().OpenEws64Driver();
    layer.SoundFont().OpenSoundFontBackend();
    layer.RefreshDevices();
    layer.OpenAllSoundFontDevices();
    layer.ReadAllMemInfo();
    errors = ErrorState{};
    platform::sim::ClearDriverMessages();
    platform::sim::ClearShownMessageBoxes();
  }
  // One EWS64 card with `memoryKB` of sound memory, nothing else.
  void StartCard(int memoryKB = 4096) {
    Start("ews64.cards=1\nsoundfont.devices=0\news64.memory_kb=" + std::to_string(memoryKB) + "\n",
          UseEWS64);
  }
  void SetVirtualBankMode(bool on) {
    config.Set(VBMode, on);
    layer.ApplyVirtualBankMode(false, false);
    layer.OpenAllSoundFontDevices();
    errors = ErrorState{};
  }
  void SetFolders(const std::string& list) {
    ASSERT_LT(list.size(), sizeof config.bankfolder);
    std::strcpy(config.bankfolder, list.c_str());
  }

  // A sound set of `bytes` bytes (taking that much sound memory).
  std::string SoundSet(const std::string& windowsPath, const std::string& name,
                       std::uint32_t bytes = 2048) {
    WriteHostFile(windowsPath, bankgen::SoundSetBytes(bankgen::SoundSetKind::Tts, name, bytes, 0));
    return windowsPath;
  }
  // A SoundFont whose samples take `sampleBytes` of sound memory.
  std::string SoundFont(const std::string& windowsPath, const std::string& name,
                        std::uint32_t sampleBytes = 1024) {
    WriteHostFile(windowsPath, bankgen::SoundFontBytes(name, sampleBytes));
    return windowsPath;
  }

  // Messages sent to the driver with this message number.
  static std::vector<platform::sim::DriverMessage> Sent(std::uint32_t message) {
    std::vector<platform::sim::DriverMessage> found;
    for (const auto& sent : platform::sim::DriverMessages())
      if (sent.message == message) found.push_back(sent);
    return found;
  }
  // Makes the driver refuse every request to clear a bank.
  static void RefuseClears() {
    platform::sim::SetDriverHook(
        [](std::uint32_t message, std::intptr_t, std::intptr_t) -> std::optional<std::intptr_t> {
          if (message == ews64::kMsgClearBank) return 87;
          return std::nullopt;
        });
  }

  BankSlot& Slot(int dev, int slot) { return layer.Device(dev).slots[slot]; }
  std::string PathOf(int dev, int slot) { return layer.Device(dev).paths[slot]; }

  platform::sim::Sandbox sandbox;
  Configuration config;
  ErrorState errors;
  RecordingShell shell;
  ScratchRing scratch;
  DeviceTable layer{config, errors, shell, scratch};
};

}  // namespace korvel::testsupport
