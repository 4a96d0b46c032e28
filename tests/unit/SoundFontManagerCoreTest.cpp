// The emulated SoundFont manager (entry table behind "SFManager") and AWE
// manager ("AWEManager"), called through the same plain entry points that the
// DLLs export.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <string>

#include "emulators/bankgen/BankWriter.h"
#include "emulators/core/Abi.h"
#include "emulators/core/ProcessEmulator.h"
#include "tests/unit/EmulatorTestSupport.h"

namespace korvel::emu {
namespace {

using testing::Host;
using testing::U16;
using testing::U32;

class ManagerTest : public testing::EmulatorFixture {
 protected:
  void TearDown() override { StopProcessEmulator(); }
  void Start() { StartProcessEmulator(Setup()); }
  const SfManagerTable& Table() {
    const SfManagerTable* table = nullptr;
    EXPECT_EQ((*SoundFontManagerExport())(kSfManagerVersion, &table), kSfOk);
    EXPECT_NE(table, nullptr);
    return *table;
  }
  std::string Font(const std::string& file, const std::string& name, std::uint32_t sampleBytes) {
    const std::string path = "C:\\BANKS\\" + file;
    EXPECT_TRUE(bankgen::WriteBankFile(Host(path), bankgen::SoundFontBytes(name, sampleBytes)));
    return path;
  }
  SfRequest& Request(const std::string& text = "", std::uint32_t size = 256) {
    std::memset(buffer, 0x55, sizeof buffer);
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    request = SfRequest{size, buffer, 0xDEAD, 0};
    return request;
  }
  std::uint32_t SfLoad(std::uint16_t bank, const std::string& path, std::uint32_t dev = 0) {
    return Table().load(dev, &bank, &Request(path));
  }
  std::string SfName(std::uint16_t bank, std::uint32_t dev = 0) {
    EXPECT_EQ(Table().bankName(dev, &bank, &Request()), kSfOk);
    return request.length < 2 ? std::string() : std::string(buffer);
  }
  std::int32_t SfFree(std::uint32_t dev = 0) {
    std::int32_t total = -1, free = -1;
    EXPECT_EQ(Table().memory(dev, &total, &free), kSfOk);
    return free;
  }
  std::uint32_t Awe(std::intptr_t handle, std::uint32_t code, std::intptr_t p1 = 0,
                    std::intptr_t p2 = 0) {
    return AweManagerEntry()(handle, code, p1, p2);
  }
  std::intptr_t AweOpen(std::intptr_t dev = 0) {
    std::uint32_t handle = 0;
    EXPECT_EQ(Awe(0, kAweOpen, reinterpret_cast<std::intptr_t>(&handle), dev), kSfOk);
    EXPECT_NE(handle, 0u);
    return handle;
  }
  static std::intptr_t Address(const void* p) { return reinterpret_cast<std::intptr_t>(p); }

  char buffer[300];
  SfRequest request{};
};

TEST_F(ManagerTest, EntryFunctionHandsOutTheTable) {
  Start();
  EXPECT_EQ(*SoundFontManagerExport(), SoundFontManagerEntry());
  const SfManagerTable* table = nullptr;
  EXPECT_NE((*SoundFontManagerExport())(0x10000, &table), kSfOk);
  EXPECT_EQ(table, nullptr);
  EXPECT_NE((*SoundFontManagerExport())(kSfManagerVersion, nullptr), kSfOk);
  ASSERT_EQ(SoundFontManagerEntry()(kSfManagerVersion, &table), kSfOk);
  ASSERT_EQ(table, SoundFontManagerTable());

  // Entry n is the n-th pointer of the table.
  auto entries = reinterpret_cast<const void* const*>(table);
  EXPECT_EQ(entries[0], reinterpret_cast<const void*>(table->deviceCount));
  EXPECT_EQ(entries[14], reinterpret_cast<const void*>(table->clear));
  std::uint32_t count = 99;
  ASSERT_EQ(table->deviceCount(&count), kSfOk);
  EXPECT_EQ(count, 1u);
  for (SfUnusedFn unused : {table->entry2, table->entry3, table->entry6, table->entry8,
                            table->entry10, table->entry15}) {
    EXPECT_EQ(unused(0), kSfNotSupported);
  }
}

TEST_F(ManagerTest, DescriptionsCarryTheDeviceName) {
  WriteConfig("soundfont.devices=2\nsoundfont.device1.name=Second Synth\n");
  Start();
  std::array<std::uint8_t, 120> record;
  record.fill(0xEE);
  record[0] = 102;
  record[1] = 0;
  ASSERT_EQ(Table().describe(1, record.data()), kSfOk);
  EXPECT_EQ(U16(record.data()), 102u);
  EXPECT_STREQ(reinterpret_cast<const char*>(record.data() + 22), "Second Synth");
  EXPECT_EQ(U16(record.data() + 2), 1u);
  EXPECT_EQ(U32(record.data() + 4), 8192u * 1024);
  EXPECT_EQ(record[102], 0xEE);  // nothing past the record
  ASSERT_EQ(Table().describe(0, record.data()), kSfOk);
  EXPECT_STREQ(reinterpret_cast<const char*>(record.data() + 22), "Korvel SoundFont Synth");

  record[0] = 50;  // too small a record
  EXPECT_EQ(Table().describe(0, record.data()), kSfBadArgument);
  EXPECT_EQ(Table().describe(2, record.data()), kSfBadDevice);
  EXPECT_EQ(Table().describe(0, nullptr), kSfBadArgument);

  std::array<std::uint8_t, 340> awe;
  awe.fill(0xEE);
  awe[0] = 330 & 0xFF;
  awe[1] = 330 >> 8;
  ASSERT_EQ(Awe(0, kAweDescription, 1, Address(awe.data())), kSfOk);
  EXPECT_STREQ(reinterpret_cast<const char*>(awe.data() + 26), "Second Synth");
  EXPECT_EQ(awe[330], 0xEE);
  EXPECT_EQ(Awe(0, kAweDescription, 2, Address(awe.data())), kSfBadDevice);
  std::uint32_t count = 0;
  ASSERT_EQ(Awe(0, kAweDeviceCount, Address(&count)), kSfOk);
  EXPECT_EQ(count, 2u);
}

TEST_F(ManagerTest, DeviceMustBeOpenForBankWork) {
  Start();
  std::uint16_t bank = 1;
  std::int32_t total = 0, free = 0;
  EXPECT_EQ(Table().memory(0, &total, &free), kSfNotOpen);
  EXPECT_EQ(Table().bankName(0, &bank, &Request()), kSfNotOpen);
  EXPECT_EQ(Table().clear(0, &bank), kSfNotOpen);
  EXPECT_EQ(Table().open(1), kSfBadDevice);
  ASSERT_EQ(Table().open(0), kSfOk);
  ASSERT_EQ(Table().memory(0, &total, &free), kSfOk);
  EXPECT_EQ(total, 8192 * 1024);
  EXPECT_EQ(free, 8192 * 1024);
  ASSERT_EQ(Table().close(0), kSfOk);
  EXPECT_EQ(Table().memory(0, &total, &free), kSfNotOpen);
  // The upper half of a device number is ignored.
  EXPECT_EQ(Table().open(0xABCD0000u), kSfOk);
  EXPECT_EQ(Table().memory(0, &total, &free), kSfOk);
}

TEST_F(ManagerTest, BanksLoadNameTheirPathAndClear) {
  Start();
  ASSERT_EQ(Table().open(0), kSfOk);
  ASSERT_EQ(Table().romName(0, &Request()), kSfOk);
  EXPECT_STREQ(buffer, "Synth GM Bank");
  EXPECT_EQ(request.length, 14u);
  EXPECT_EQ(SfName(0), "Synth GM Bank");

  const std::string path = Font("PIANO.SF2", "Piano", 300000);
  ASSERT_EQ(SfLoad(1, path), kSfOk);
  EXPECT_EQ(SfName(1), "Piano");
  EXPECT_EQ(request.length, 6u);
  std::uint16_t bank = 1;
  ASSERT_EQ(Table().bankPath(0, &bank, &Request("", 128)), kSfOk);
  EXPECT_EQ(std::string(buffer), path);
  EXPECT_EQ(request.length, path.size() + 1);
  EXPECT_EQ(SfFree(), 8192 * 1024 - 300000);  // the sample data, not the file

  ASSERT_EQ(Table().clear(0, &bank), kSfOk);
  EXPECT_EQ(SfFree(), 8192 * 1024);
  EXPECT_EQ(SfName(1), "");
  EXPECT_LT(request.length, 2u);
  EXPECT_EQ(buffer[0], '\0');
  ASSERT_EQ(Table().bankPath(0, &bank, &Request()), kSfOk);
  EXPECT_LT(request.length, 2u);
}

TEST_F(ManagerTest, RefusalsCarryTheManagerResults) {
  WriteConfig("soundfont.memory_kb=512\n");
  Start();
  ASSERT_EQ(Table().open(0), kSfOk);
  const std::string font = Font("BIG.SF2", "Big", 400 * 1024);
  EXPECT_EQ(SfLoad(1, "C:\\BANKS\\MISSING.SF2"), kSfFileNotFound);
  ASSERT_EQ(SfLoad(1, font), kSfOk);
  EXPECT_EQ(SfLoad(2, font), kSfNoMemory);
  EXPECT_EQ(SfName(2), "");
  EXPECT_EQ(SfLoad(0, font), kSfBadBank);
  EXPECT_EQ(SfLoad(128, font), kSfBadBank);
  ASSERT_TRUE(bankgen::WriteBankFile(
      Host("C:\\BANKS\\SET.TTS"), bankgen::SoundSetBytes(bankgen::SoundSetKind::Tts, "SET", 100, 0)));
  EXPECT_EQ(SfLoad(2, "C:\\BANKS\\SET.TTS"), kSfBadFormat);
  testing::WriteFile(Host("C:\\BANKS\\FAKE.SF2"), "RIFF\x04\0\0\0WAVE");
  EXPECT_EQ(SfLoad(2, "C:\\BANKS\\FAKE.SF2"), kSfBadFormat);

  std::uint16_t bank = 2;
  Request(font).zero = 1;
  EXPECT_EQ(Table().load(0, &bank, &request), kSfBadArgument);
  EXPECT_EQ(Table().load(0, &bank, nullptr), kSfBadArgument);
  EXPECT_EQ(Table().load(0, nullptr, &Request(font)), kSfBadArgument);
  Request(font);
  std::memset(buffer, 'A', sizeof buffer);  // no terminator anywhere
  EXPECT_EQ(Table().load(0, &bank, &request), kSfBadArgument);
  bank = 0;
  EXPECT_EQ(Table().clear(0, &bank), kSfBadBank);
  bank = 200;
  EXPECT_EQ(Table().bankName(0, &bank, &Request()), kSfBadBank);
  EXPECT_EQ(SfFree(), 112 * 1024);
}

TEST_F(ManagerTest, TextsAreCutToTheRequestBuffer) {
  Start();
  ASSERT_EQ(Table().open(0), kSfOk);
  ASSERT_EQ(SfLoad(9, Font("LONG.SF2", "A rather long bank name", 1000)), kSfOk);
  std::uint16_t bank = 9;
  ASSERT_EQ(Table().bankName(0, &bank, &Request("", 8)), kSfOk);
  EXPECT_STREQ(buffer, "A rathe");
  EXPECT_EQ(request.length, 8u);
  EXPECT_EQ(buffer[8], 0x55);  // nothing past the buffer's size
  Request("", 0);
  EXPECT_EQ(Table().bankName(0, &bank, &request), kSfBadArgument);
}

TEST_F(ManagerTest, AweManagerWorksInWords) {
  WriteConfig("soundfont.memory_kb=512\n");
  Start();
  const std::intptr_t handle = AweOpen();
  std::int32_t total = 0, free = 0;
  ASSERT_EQ(Awe(handle, kAweMemory, Address(&total), Address(&free)), kSfOk);
  EXPECT_EQ(total, 262144);  // 512 KB
  EXPECT_EQ(free, 262144);

  ASSERT_EQ(Awe(handle, kAweRomName, Address(&Request())), kSfOk);
  EXPECT_STREQ(buffer, "Synth GM Bank");
  const std::string font = Font("STRINGS.SF2", "Strings", 10000);
  ASSERT_EQ(Awe(handle, kAweLoad, 5, Address(&Request(font))), kSfOk);
  ASSERT_EQ(Awe(handle, kAweBankName, 5, Address(&Request())), kSfOk);
  EXPECT_STREQ(buffer, "Strings");
  EXPECT_EQ(request.length, 8u);
  ASSERT_EQ(Awe(handle, kAweMemory, Address(&total), Address(&free)), kSfOk);
  EXPECT_EQ(free, 262144 - 5000);

  EXPECT_EQ(Awe(handle, kAweLoad, 6, Address(&Request("C:\\BANKS\\NONE.SF2"))), kSfFileNotFound);
  EXPECT_EQ(Awe(handle, kAweLoad, 6, Address(&Request(Font("HUGE.SF2", "Huge", 600 * 1024)))),
            kSfNoMemory);
  EXPECT_EQ(Awe(handle, kAweLoad, 0, Address(&Request(font))), kSfBadBank);
  EXPECT_EQ(Awe(handle, kAweClear, 0), kSfBadBank);
  EXPECT_EQ(Awe(handle, kAweBankName, 128, Address(&Request())), kSfBadBank);
  EXPECT_EQ(Awe(handle + 1, kAweClear, 5), kSfBadDevice);
  EXPECT_EQ(Awe(handle, 999), kSfNotSupported);

  ASSERT_EQ(Awe(handle, kAweClear, 5), kSfOk);
  ASSERT_EQ(Awe(handle, kAweBankName, 5, Address(&Request())), kSfOk);
  EXPECT_LT(request.length, 2u);
  ASSERT_EQ(Awe(handle, kAweClose), kSfOk);
  EXPECT_EQ(Awe(handle, kAweMemory, Address(&total), Address(&free)), kSfBadDevice);
}

TEST_F(ManagerTest, BothManagersSeeTheSameDevicesAcrossARestart) {
  Start();
  ASSERT_EQ(Table().open(0), kSfOk);
  const std::string font = Font("SHARED.SF2", "Shared", 2000);
  ASSERT_EQ(SfLoad(7, font), kSfOk);
  ASSERT_EQ(Table().close(0), kSfOk);

  StopProcessEmulator();
  Start();
  const std::intptr_t handle = AweOpen();
  ASSERT_EQ(Awe(handle, kAweBankName, 7, Address(&Request())), kSfOk);
  EXPECT_STREQ(buffer, "Shared");
  ASSERT_EQ(Awe(handle, kAweClear, 7), kSfOk);

  StopProcessEmulator();
  Start();
  ASSERT_EQ(Table().open(0), kSfOk);
  EXPECT_EQ(SfName(7), "");
}

TEST_F(ManagerTest, WithoutAnEmulatorEveryEntryRefuses) {
  StopProcessEmulator();
  SetProcessEmulatorFactory(nullptr);
  const SfManagerTable* table = nullptr;
  EXPECT_NE(SoundFontManagerEntry()(kSfManagerVersion, &table), kSfOk);
  std::uint32_t count = 0;
  EXPECT_NE(SoundFontManagerTable()->deviceCount(&count), kSfOk);
  EXPECT_NE(Awe(0, kAweDeviceCount, Address(&count)), kSfOk);
  EXPECT_EQ(Ews64DriverMessage(kMsgCardCount, 0, 0), 0);

  // A factory starts one on first use.
  SetProcessEmulatorFactory([this] { return Setup(); });
  EXPECT_EQ(Ews64DriverMessage(kMsgCardCount, 0, 0), 1);
  ASSERT_EQ(SoundFontManagerTable()->deviceCount(&count), kSfOk);
  EXPECT_EQ(count, 1u);
  SetProcessEmulatorFactory(nullptr);
}

}  // namespace
}  // namespace korvel::emu
