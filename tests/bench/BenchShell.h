// What the bank benchmarks share: a shell that shows nothing, and files
// written into the simulated platform's sandbox.
#pragma once

#include <filesystem>
#include <string>

#include "banks/ShellPort.h"
#include "emulators/bankgen/BankWriter.h"
#include "platform/sim/Sim.h"

namespace korvel::bench {

class QuietShell : public ShellPort {
 public:
  explicit QuietShell(bool minimized) : minimized_(minimized) {}
  void FillDeviceSelector() override {}
  void RebuildBankList() override {}
  void BuildTrayMenu() override {}
  void ProgressStep() override {}
  void ProgressReset() override {}
  bool IsMainWindowMinimized() override { return minimized_; }
  void RepaintMainWindow() override {}
  void DrawMemoryGraph() override {}
  void ShowVirtualBankMode(bool) override {}

 private:
  bool minimized_;
};

// Writes `bytes` at a Windows path of the sandbox, making its folders.
inline bool WriteSandboxFile(const std::string& windowsPath, const std::string& bytes) {
  const std::string host = platform::sim::HostPath(windowsPath.c_str());
  std::filesystem::create_directories(std::filesystem::path(host).parent_path());
  return bankgen::WriteBankFile(host, bytes);
}

}  // namespace korvel::bench
