// Korvel's device table over the real Windows calls: OpenDriver on the
// EWSAUDIO.DRV beside this program, LoadLibraryA of SFMAN32.DLL and
// AWEMAN32.DLL by their bare names, as the program itself finds them. The
// replacements read their configuration beside themselves; each test writes
// one that keeps the device state in a folder of the test's own prefix.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>

#include "banks/BankLoading.h"
#include "banks/DeviceTable.h"
#include "banks/ErrorReport.h"
#include "banks/ShellPort.h"
#include "banks/ews64/Ews64Backend.h"
#include "banks/soundfont/SoundFontBackend.h"
#include "config/Configuration.h"
#include "config/ScratchRing.h"
#include "emulators/bankgen/BankWriter.h"

namespace korvel {
namespace {

constexpr char kFolder[] = "C:\\korvel-devices";

std::string ExeFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, sizeof path);
  std::string folder(path);
  return folder.substr(0, folder.find_last_of('\\') + 1);
}

class QuietShell : public ShellPort {
 public:
  void FillDeviceSelector() override { ++fills; }
  void RebuildBankList() override {}
  void BuildTrayMenu() override {}
  void ProgressStep() override {}
  void ProgressReset() override {}
  bool IsMainWindowMinimized() override { return true; }
  void RepaintMainWindow() override {}
  void DrawMemoryGraph() override {}
  void ShowVirtualBankMode(bool) override {}
  int fills = 0;
};

class DeviceLayerWineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateDirectoryA(kFolder, nullptr);
    CreateDirectoryA((std::string(kFolder) + "\\banks").c_str(), nullptr);
    DeleteFileA((std::string(kFolder) + "\\korvelemu.state").c_str());
    std::ofstream(ExeFolder() + "korvelemu.ini", std::ios::binary | std::ios::trunc)
        << "ews64.cards=1\news64.memory_kb=64\nsoundfont.devices=1\nsoundfont.memory_kb=64\n"
           "state="
        << kFolder << "\\korvelemu.state\n";
    layer.InitBankLayer();
    ASSERT_EQ(errors.ErrorCode, kErrOk);
  }
  void TearDown() override {
    CloseAll();
    layer.ShutdownBankLayer();
    DeleteFileA((ExeFolder() + "korvelemu.ini").c_str());
  }

  void OpenAll() {
    layer.Ews64().OpenEws64Driver();
    ASSERT_EQ(errors.ErrorCode, kErrOk);
    ASSERT_EQ(layer.SoundFont().OpenSoundFontBackend(), kErrOk);
    layer.RefreshDevices();
    ASSERT_EQ(errors.ErrorCode, kErrOk);
  }
  void CloseAll() {
    layer.ReleaseDevices();
    layer.SoundFont().ShutdownSoundFontBackend();
    layer.Ews64().CloseEws64Driver();
  }

  std::string Bank(const std::string& file, const std::string& bytes) {
    const std::string path = std::string(kFolder) + "\\banks\\" + file;
    EXPECT_TRUE(bankgen::WriteBankFile(path, bytes));
    return path;
  }
  BankSlot& Slot(int dev, int slot) { return layer.Device(dev).slots[slot]; }

  Configuration config;
  ErrorState errors;
  QuietShell shell;
  ScratchRing scratch;
  DeviceTable layer{config, errors, shell, scratch};
};

TEST_F(DeviceLayerWineTest, Ews64CardLoadsFillsClearsAndKeepsItsBanksAcrossAReopen) {
  config.cflags = UseEWS64;
  OpenAll();
  ASSERT_TRUE(layer.Ews64().IsOpen());
  ASSERT_EQ(layer.Count(), 1);
  EXPECT_STREQ(layer.Device(0).name, "0 - Terratec EWS64 [64a0]");
  EXPECT_EQ(shell.fills, 1);
  EXPECT_EQ(GetModuleHandleA("SFMAN32.DLL"), nullptr);  // not asked for

  const std::string strings = Bank("strings.tts", bankgen::SoundSetBytes(
                                                      bankgen::SoundSetKind::Tts, "Strings", 10240, 0));
  layer.LoadBankFile(0, 2, strings.c_str());
  ASSERT_EQ(errors.ErrorCode, kErrOk) << errors.lastEws64Result;
  layer.ReadSlotInfo(0, 2, Slot(0, 2));
  EXPECT_STREQ(Slot(0, 2).name, "Strings");
  EXPECT_TRUE(Slot(0, 2).Has(Loaded));
  EXPECT_EQ(Slot(0, 2).sizeKB, 10);
  layer.ReadMemInfo(0);
  EXPECT_EQ(layer.Device(0).totalKB, 64);
  EXPECT_EQ(layer.Device(0).freeKB, 54);

  const std::string big = Bank("big.tts", bankgen::SoundSetBytes(bankgen::SoundSetKind::Tts, "Big",
                                                                 100 * 1024, 0));
  layer.LoadBankFile(0, 3, big.c_str());
  EXPECT_EQ(errors.ErrorCode, kErrNoSoundMemory);
  errors.ErrorCode = kErrOk;

  EXPECT_EQ(layer.ClearSlotInDevice(0, 2), kErrOk);
  layer.ReadSlotInfo(0, 2, Slot(0, 2));
  EXPECT_FALSE(Slot(0, 2).Has(Loaded));
  layer.ReadMemInfo(0);
  EXPECT_EQ(layer.Device(0).freeKB, 64);

  layer.LoadBankFile(0, 5, strings.c_str());
  ASSERT_EQ(errors.ErrorCode, kErrOk);
  CloseAll();
  EXPECT_EQ(GetModuleHandleA("EWSAUDIO.DRV"), nullptr);  // the driver went with its last user

  OpenAll();
  ASSERT_EQ(layer.Count(), 1);
  ASSERT_NE(layer.Ews64().CardBanks(0), nullptr);
  EXPECT_STREQ(layer.Ews64().CardBanks(0)[5].name, "Strings");
  layer.ReadSlotInfo(0, 5, Slot(0, 5));
  EXPECT_TRUE(Slot(0, 5).Has(Loaded));
}

TEST_F(DeviceLayerWineTest, SoundFontManagerLoadsFillsClearsAndKeepsItsBanksAcrossAReopen) {
  config.cflags = UseSFD | UseAWE32;
  OpenAll();
  ASSERT_TRUE(layer.SoundFont().UsesSoundFontManager());
  EXPECT_EQ(GetModuleHandleA("AWEMAN32.DLL"), nullptr);  // never loaded beside the SoundFont manager
  ASSERT_EQ(layer.Count(), 1);
  EXPECT_STREQ(layer.Device(0).name, "0 - Korvel SoundFont Synth");

  const std::string piano = Bank("piano.sf2", bankgen::SoundFontBytes("Piano", 16 * 1024));
  layer.OpenDeviceAccess(0);
  ASSERT_EQ(layer.Device(0).handle, sfman::kOpenHandle);
  layer.LoadBankFile(0, 1, piano.c_str());
  ASSERT_EQ(errors.ErrorCode, kErrOk) << errors.lastSoundFontResult;
  layer.ReadSlotInfo(0, 1, Slot(0, 1));
  EXPECT_STREQ(Slot(0, 1).name, "Piano");
  EXPECT_STREQ(layer.Device(0).paths[1], piano.c_str());
  EXPECT_TRUE(layer.IsBankLoaded(0, 1, "piano"));
  layer.ReadMemInfo(0);
  EXPECT_EQ(layer.Device(0).totalKB, 64);
  EXPECT_EQ(layer.Device(0).freeKB, 48);

  const std::string big = Bank("big.sf2", bankgen::SoundFontBytes("Big", 100 * 1024));
  layer.LoadBankFile(0, 2, big.c_str());
  EXPECT_EQ(errors.ErrorCode, kErrNoSoundMemory);
  errors.ErrorCode = kErrOk;

  EXPECT_EQ(layer.ClearSlotInDevice(0, 1), kErrOk);
  layer.ReadSlotInfo(0, 1, Slot(0, 1));
  EXPECT_FALSE(Slot(0, 1).Has(Loaded));

  layer.LoadBankFile(0, 6, piano.c_str());
  ASSERT_EQ(errors.ErrorCode, kErrOk);
  layer.CloseDeviceAccess(0);
  CloseAll();
  EXPECT_EQ(GetModuleHandleA("SFMAN32.DLL"), nullptr);

  OpenAll();
  layer.OpenDeviceAccess(0);
  layer.ReadSlotInfo(0, 6, Slot(0, 6));
  EXPECT_STREQ(Slot(0, 6).name, "Piano");
  layer.CloseDeviceAccess(0);
}

TEST_F(DeviceLayerWineTest, LoadBankEvictsABankThatAnEarlierRunLeftInTheCard) {
  config.cflags = UseSFD;
  OpenAll();
  const std::string strings = Bank("strings.sf2", bankgen::SoundFontBytes("Strings", 40 * 1024));
  const std::string organ = Bank("organ.sf2", bankgen::SoundFontBytes("Organ", 40 * 1024));
  layer.OpenDeviceAccess(0);
  ASSERT_EQ(LoadBank(layer, 0, 1, strings.c_str()), kErrOk);
  EXPECT_TRUE(Slot(0, 1).Has(Assigned));
  layer.CloseDeviceAccess(0);
  CloseAll();  // Korvel ends; the card keeps its bank.

  // The next run finds the bank in the card, but it belongs to no preset.
  OpenAll();
  layer.OpenDeviceAccess(0);
  RefreshAllSlots(layer, false);
  ASSERT_TRUE(Slot(0, 1).Has(Loaded));
  ASSERT_FALSE(Slot(0, 1).Has(Assigned));
  EXPECT_STREQ(Slot(0, 1).name, "Strings");

  // 40 KB more do not fit into the 64 KB card: the unassigned bank goes.
  // Replacement compares with the memory figures, which the window reads.
  layer.ReadMemInfo(0);
  EXPECT_EQ(LoadBank(layer, 0, 2, organ.c_str()), kErrOk);
  EXPECT_TRUE(Slot(0, 2).Has(Loaded));
  EXPECT_TRUE(Slot(0, 2).Has(Assigned));
  EXPECT_STREQ(Slot(0, 2).name, "Organ");
  EXPECT_FALSE(Slot(0, 1).Has(Loaded));
  layer.ReadMemInfo(0);
  EXPECT_EQ(layer.Device(0).freeKB, 24);
  layer.CloseDeviceAccess(0);
}

TEST_F(DeviceLayerWineTest, AweManagerCountsMemoryInWords) {
  config.cflags = UseAWE32;
  OpenAll();
  ASSERT_TRUE(layer.SoundFont().UsesAweManager());
  EXPECT_EQ(GetModuleHandleA("SFMAN32.DLL"), nullptr);
  ASSERT_EQ(layer.Count(), 1);
  layer.OpenDeviceAccess(0);
  ASSERT_NE(layer.Device(0).handle, 0u);
  layer.ReadMemInfo(0);
  EXPECT_EQ(layer.Device(0).totalKB, 64);

  const std::string piano = Bank("piano.sf2", bankgen::SoundFontBytes("Piano", 8 * 1024));
  layer.LoadBankFile(0, 3, piano.c_str());
  ASSERT_EQ(errors.ErrorCode, kErrOk) << errors.lastSoundFontResult;
  layer.ReadSlotInfo(0, 3, Slot(0, 3));
  EXPECT_STREQ(Slot(0, 3).name, "Piano");
  layer.ReadMemInfo(0);
  EXPECT_EQ(layer.Device(0).freeKB, 56);
  EXPECT_EQ(layer.ClearSlotInDevice(0, 3), kErrOk);
  layer.CloseDeviceAccess(0);
}

}  // namespace
}  // namespace korvel
