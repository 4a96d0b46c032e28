// Shared by the bank-switching tests: emulated EWS64 cards in virtual bank
// mode with banks assigned to slots, the bank switching and its request
// queue, with the test as the user-interface thread.
#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "banks/switching/BankSwitching.h"
#include "banks/switching/BankSwitchingRequests.h"
#include "tests/unit/BankLayerTestSupport.h"

namespace korvel::testsupport {

class BankSwitchingTest : public BankLayerTest {
 protected:
  // `cards` EWS64 cards and `soundFonts` SoundFont devices, in virtual bank mode.
  void StartDevices(int cards, int soundFonts = 0, bool virtualBankMode = true) {
    Start("ews64.cards=" + std::to_string(cards) +
              "\nsoundfont.devices=" + std::to_string(soundFonts) + "\news64.memory_kb=4096\n",
          UseEWS64 | UseSFD);
    SetVirtualBankMode(virtualBankMode);
    platform::sim::ClearDriverMessages();
    shell = RecordingShell();
  }
  // Gives the slot a bank file as a preset does in virtual bank mode.
  void Assign(int dev, int slot) {
    const std::string name = "Bank" + std::to_string(dev) + "x" + std::to_string(slot);
    const std::string path = SoundSet("C:\\Banks\\" + name + ".tts", name);
    std::strcpy(layer.Device(dev).paths[slot], path.c_str());
  }
  bool IsLoaded(int dev, int slot) { return Slot(dev, slot).Has(Loaded); }
  int LoadsSent() { return static_cast<int>(Sent(ews64::kMsgLoadBank).size()); }

  static std::uint32_t Msg(std::uint32_t status, std::uint32_t first, std::uint32_t second) {
    return status | (first << 8) | (second << 16);
  }
  void Send(std::uint32_t status, std::uint32_t first, std::uint32_t second) {
    requests.DispatchShortMessage(Msg(status, first, second));
  }
  void SendSysEx(const std::vector<std::uint8_t>& bytes) {
    requests.DispatchSystemExclusive(bytes.data(), bytes.size());
  }
  std::vector<std::string> BoxTexts() {
    std::vector<std::string> texts;
    for (const auto& box : platform::sim::ShownMessageBoxes()) texts.push_back(box.text);
    return texts;
  }

  std::vector<int> presetsLoaded;
  std::function<void()> whilePresetLoads;
  BankSwitching switching{layer, [this](int n) {
                            presetsLoaded.push_back(n);
                            if (whilePresetLoads) whilePresetLoads();
                          }};
  ModalService turn;
  BankSwitchingRequests requests{switching, turn};
};

}  // namespace korvel::testsupport
