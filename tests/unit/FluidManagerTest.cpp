// The SoundFont manager on FluidSynth, called through its entry table as
// Korvel calls it, against a stand-in FluidSynth shell on localhost.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>

#include "emulators/bankgen/BankWriter.h"
#include "emulators/core/ManagerEntries.h"
#include "fluidsynth/FluidManager.h"
#include "tests/unit/FluidStandIn.h"

namespace korvel::fluid {
namespace {

using emu::SfRequest;
using testing::FluidStandIn;

std::unique_ptr<FluidManager> gManager;
FluidManager* Current() { return gManager.get(); }
using Entries = emu::SfManagerEntries<FluidManager, Current>;

class FluidManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("korvel-fluid-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override {
    gManager.reset();
    std::filesystem::remove_all(folder_);
  }

  // A new manager, as a new Korvel process makes, on the same files.
  void StartManager(std::uint16_t port, unsigned memoryKb = 65536) {
    std::ofstream(folder_ / "korvelfs.ini")
        << "host=127.0.0.1\nport=" << port << "\nmemory_kb=" << memoryKb << "\n";
    gManager = std::make_unique<FluidManager>(
        BridgeSetup{(folder_ / "korvelfs.ini").string(), (folder_ / "korvelfs.state").string(), {}});
    ASSERT_EQ(Entries::Begin(emu::kSfManagerVersion, &table_), emu::kSfOk);
  }
  std::string Font(const std::string& file, const std::string& name, std::uint32_t samples) {
    std::string path = (folder_ / file).string();
    EXPECT_TRUE(bankgen::WriteBankFile(path, bankgen::SoundFontBytes(name, samples)));
    return path;
  }
  std::uint32_t Load(std::uint16_t bank, std::string path) {
    path.push_back('\0');
    SfRequest request{static_cast<std::uint32_t>(path.size()), path.data(), 0, 0};
    return table_->load(0, &bank, &request);
  }
  std::string Name(std::uint16_t bank) {
    char buffer[256] = {};
    SfRequest request{sizeof buffer, buffer, 0, 0};
    EXPECT_EQ(table_->bankName(0, &bank, &request), emu::kSfOk);
    return request.length < 2 ? std::string() : std::string(buffer);
  }
  std::int32_t Free() {
    std::int32_t total = 0, free = 0;
    EXPECT_EQ(table_->memory(0, &total, &free), emu::kSfOk);
    return free;
  }

  std::filesystem::path folder_;
  const emu::SfManagerTable* table_ = nullptr;
};

TEST_F(FluidManagerTest, ASlotIsTheBankOffsetAndSurvivesARestartOfKorvelButNotOfFluidSynth) {
  FluidStandIn synth;
  synth.Preload("/usr/share/sounds/sf2/FluidR3_GM.sf2");
  StartManager(synth.Port());
  const std::string piano = Font("piano.sf2", "Korvel Piano", 2000);

  char record[emu::kSfDescriptionSize] = {};
  record[0] = static_cast<char>(emu::kSfDescriptionSize);
  ASSERT_EQ(table_->describe(0, record), emu::kSfOk);
  EXPECT_EQ(std::string(record + emu::kSfDescriptionName),
            "FluidSynth 127.0.0.1:" + std::to_string(synth.Port()));

  ASSERT_EQ(table_->open(0), emu::kSfOk);
  const std::int32_t freeBefore = Free();
  ASSERT_EQ(Load(3, piano), emu::kSfOk);
  EXPECT_EQ(synth.Offsets()[piano], 3);
  EXPECT_EQ(Name(3), "Korvel Piano");
  EXPECT_EQ(Name(0), "FluidR3_GM");  // what FluidSynth had before Korvel
  EXPECT_EQ(freeBefore - Free(), static_cast<std::int32_t>(std::filesystem::file_size(piano)));
  ASSERT_EQ(table_->close(0), emu::kSfOk);

  StartManager(synth.Port());  // Korvel restarted: the slot is still known
  ASSERT_EQ(table_->open(0), emu::kSfOk);
  EXPECT_EQ(Name(3), "Korvel Piano");
  std::uint16_t three = 3;
  ASSERT_EQ(table_->clear(0, &three), emu::kSfOk);
  EXPECT_EQ(synth.Offsets().count(piano), 0u);
  EXPECT_EQ(Name(3), "");
  ASSERT_EQ(Load(3, piano), emu::kSfOk);
  table_->close(0);

  synth.Restart();  // FluidSynth restarted: its fonts are gone, and so is the slot
  StartManager(synth.Port());
  ASSERT_EQ(table_->open(0), emu::kSfOk);
  EXPECT_EQ(Name(3), "");
  EXPECT_EQ(Name(0), kNoFontRomName);
}

TEST_F(FluidManagerTest, MemoryHoldsFilesUpToExactlyItsSizeAndRefusesOneBytePast) {
  FluidStandIn synth;
  const std::string probe = Font("probe.sf2", "Probe", 1000);
  const std::uint32_t overhead = static_cast<std::uint32_t>(std::filesystem::file_size(probe)) - 1000;
  const std::string fits = Font("fits.sf2", "Fits", 8 * 1024 - overhead);
  const std::string over = Font("over.sf2", "Over", 8 * 1024 - overhead + 1);
  ASSERT_EQ(std::filesystem::file_size(fits), 8u * 1024);
  StartManager(synth.Port(), 8);

  ASSERT_EQ(table_->open(0), emu::kSfOk);
  EXPECT_EQ(Load(1, over), emu::kSfNoMemory);
  EXPECT_EQ(Name(1), "");
  ASSERT_EQ(Load(1, fits), emu::kSfOk);
  EXPECT_EQ(Free(), 0);
  EXPECT_EQ(Load(2, probe), emu::kSfNoMemory);
  ASSERT_EQ(Load(1, probe), emu::kSfOk);  // replacing a bank frees its memory first
  EXPECT_EQ(Name(1), "Probe");
  EXPECT_EQ(synth.Offsets().count(fits), 0u);  // the replaced font is unloaded
}

TEST_F(FluidManagerTest, APathThatWouldBreakTheCommandLineIsNotFoundAndNeverSent) {
  FluidStandIn synth;
  StartManager(synth.Port());
  ASSERT_EQ(table_->open(0), emu::kSfOk);
  for (const std::string name : {"a.sf2\nquit", "a\rb.sf2", "a\x01.sf2", "say \"hi\".sf2"}) {
    const std::string path = (folder_ / name).string();
    bankgen::WriteBankFile(path, bankgen::SoundFontBytes("Bad", 600));
    EXPECT_EQ(Load(1, path), emu::kSfFileNotFound) << name;
  }
  EXPECT_EQ(synth.Commands(), std::vector<std::string>{"fonts"});
  EXPECT_EQ(Load(1, (folder_ / "missing.sf2").string()), emu::kSfFileNotFound);
}

TEST_F(FluidManagerTest, WithoutFluidSynthOpeningFailsAtOnceAndWorksOnceItRuns) {
  std::uint16_t port;
  { FluidStandIn gone; port = gone.Port(); }
  StartManager(port);
  std::uint32_t count = 0;
  ASSERT_EQ(table_->deviceCount(&count), emu::kSfOk);
  EXPECT_EQ(count, 1u);  // the device is there, so Korvel lists it
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(table_->open(0), kSfSynthUnreachable);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1100));
  std::int32_t total, free;
  EXPECT_EQ(table_->memory(0, &total, &free), kSfSynthUnreachable);  // names the cause

  FluidStandIn synth(port);
  ASSERT_EQ(table_->open(0), emu::kSfOk);
  synth.DropAfter(1);  // FluidSynth stops while the device is open
  EXPECT_EQ(Load(1, Font("piano.sf2", "Piano", 600)), kSfSynthUnreachable);
  EXPECT_EQ(Name(1), "");
  ASSERT_EQ(Load(1, Font("piano.sf2", "Piano", 600)), emu::kSfOk);  // connects again
  EXPECT_EQ(Name(1), "Piano");
}

}  // namespace
}  // namespace korvel::fluid
