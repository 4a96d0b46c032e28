// Emulators of several processes on one state file, as the simulated platform
// sets them up: each operation holds the lock on "<state>.lock" from the read
// that starts it to the write that ends it, so interleaved loads lose nothing;
// every read notices what another emulator wrote; and an operation that
// changes nothing writes nothing. Emulators on two threads, each with a lock
// of its own on the same file, exclude each other as two processes do.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "emulators/bankgen/BankWriter.h"
#include "emulators/core/Abi.h"
#include "emulators/core/Emulator.h"
#include "emulators/core/ManagerCores.h"
#include "platform/sim/Sim.h"
#include "tests/unit/EmulatorTestSupport.h"

namespace korvel::emu {
namespace {

using testing::Host;

constexpr unsigned kBanks = 127;  // banks 1 to 127 of a SoundFont device

// A load request for `path`; the text must outlive the request.
SfRequest RequestFor(std::string& path) {
  return SfRequest{static_cast<std::uint32_t>(path.size() + 1), path.data(), 0, 0};
}

class EmulatorSharedStateTest : public testing::EmulatorFixture {
 protected:
  static EmulatorSetup LockedSetup() {
    return platform::sim::EmulatorSetupFor("C:\\EMU\\korvelemu.ini", "C:\\EMU\\korvelemu.state");
  }
  static std::string FontName(char owner, unsigned bank) {
    char name[8];
    std::snprintf(name, sizeof name, "%c%03u", owner, bank);
    return name;
  }
  // Writes C:\BANKS\<name>.SF2 and gives its path.
  static std::string Font(const std::string& name) {
    const std::string path = "C:\\BANKS\\" + name + ".SF2";
    EXPECT_TRUE(bankgen::WriteBankFile(Host(path), bankgen::SoundFontBytes(name, 64)));
    return path;
  }
  static std::uint32_t Load(Emulator& emulator, unsigned dev, unsigned bank, std::string path) {
    SfRequest request = RequestFor(path);
    const auto number = static_cast<std::uint16_t>(bank);
    return emulator.SoundFontManager().Load(dev, &number, &request);
  }
  static std::string Name(Emulator& emulator, unsigned dev, unsigned bank) {
    char text[300] = {};
    SfRequest request{sizeof text, text, 0, 0};
    const auto number = static_cast<std::uint16_t>(bank);
    EXPECT_EQ(emulator.SoundFontManager().BankName(dev, &number, &request), kSfOk);
    return request.length < 2 ? std::string() : std::string(text);
  }
  std::string StatePath() const { return Setup().statePath; }
};

TEST_F(EmulatorSharedStateTest, InterleavedLoadsOfTwoProcessesAreAllKept) {
  WriteConfig("soundfont.devices=2\n");
  std::vector<std::string> firstFonts, secondFonts;
  for (unsigned bank = 1; bank <= kBanks; ++bank) {
    firstFonts.push_back(Font(FontName('A', bank)));
    secondFonts.push_back(Font(FontName('B', bank)));
  }
  Emulator first(LockedSetup());
  Emulator second(LockedSetup());
  std::atomic<int> refused{0};

  // One loads through the SoundFont manager into device 0, the other through
  // the AWE manager into device 1, each reading and writing the whole state.
  std::thread soundFont([&] {
    if (first.SoundFontManager().Open(0) != kSfOk) ++refused;
    for (unsigned bank = 1; bank <= kBanks; ++bank) {
      if (Load(first, 0, bank, firstFonts[bank - 1]) != kSfOk) ++refused;
    }
  });
  std::thread awe([&] {
    AweManagerCore& manager = second.AweManager();
    std::uint32_t handle = 0;
    if (manager.Call(0, kAweOpen, reinterpret_cast<std::intptr_t>(&handle), 1) != kSfOk) {
      ++refused;
    }
    for (unsigned bank = 1; bank <= kBanks; ++bank) {
      SfRequest request = RequestFor(secondFonts[bank - 1]);
      if (manager.Call(handle, kAweLoad, bank, reinterpret_cast<std::intptr_t>(&request)) != kSfOk) {
        ++refused;
      }
    }
  });
  soundFont.join();
  awe.join();
  EXPECT_EQ(refused.load(), 0);

  Emulator after(Setup());
  ASSERT_EQ(after.SoundFontManager().Open(0), kSfOk);
  ASSERT_EQ(after.SoundFontManager().Open(1), kSfOk);
  for (unsigned bank = 1; bank <= kBanks; ++bank) {
    EXPECT_EQ(Name(after, 0, bank), FontName('A', bank));
    EXPECT_EQ(Name(after, 1, bank), FontName('B', bank));
  }
  EXPECT_TRUE(std::filesystem::is_regular_file(StatePath() + ".lock"));
}

TEST_F(EmulatorSharedStateTest, AnOperationWaitsWhileAnotherProcessHoldsTheLock) {
  const std::string font = Font("WAIT");
  Emulator emulator(LockedSetup());
  ASSERT_EQ(emulator.SoundFontManager().Open(0), kSfOk);
  const std::unique_ptr<StateLock> other = LockedSetup().makeStateLock(StatePath());
  ASSERT_TRUE(other->Acquire());

  std::atomic<bool> done{false};
  std::thread load([&] {
    EXPECT_EQ(Load(emulator, 0, 1, font), kSfOk);
    done = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_FALSE(done.load());
  EXPECT_FALSE(std::filesystem::exists(StatePath()));
  other->Release();
  load.join();

  Emulator after(Setup());
  ASSERT_EQ(after.SoundFontManager().Open(0), kSfOk);
  EXPECT_EQ(Name(after, 0, 1), "WAIT");
}

// The two fonts make state files of the same size, written within moments
// of each other: only the contents tell them apart.
TEST_F(EmulatorSharedStateTest, EveryChangeOfAnotherProcessIsSeenEvenOfTheSameSize) {
  const std::string one = Font("ONE1"), two = Font("TWO2");
  Emulator reader(LockedSetup());
  Emulator writer(LockedSetup());
  ASSERT_EQ(reader.SoundFontManager().Open(0), kSfOk);
  ASSERT_EQ(writer.SoundFontManager().Open(0), kSfOk);
  for (int round = 0; round < 20; ++round) {
    const bool even = round % 2 == 0;
    ASSERT_EQ(Load(writer, 0, 5, even ? one : two), kSfOk);
    EXPECT_EQ(Name(reader, 0, 5), even ? "ONE1" : "TWO2") << round;
  }
}

TEST_F(EmulatorSharedStateTest, AnOperationThatChangesNothingLeavesTheFileAlone) {
  Emulator emulator(LockedSetup());
  ASSERT_EQ(emulator.SoundFontManager().Open(0), kSfOk);
  const std::string font = Font("KEEP");
  ASSERT_EQ(Load(emulator, 0, 3, font), kSfOk);
  const auto stamp = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
  std::filesystem::last_write_time(StatePath(), stamp);

  std::uint16_t empty = 4, loaded = 3;
  ASSERT_EQ(emulator.SoundFontManager().Clear(0, &empty), kSfOk);
  ASSERT_EQ(Load(emulator, 0, 3, font), kSfOk);  // the same bank again
  EXPECT_EQ(std::filesystem::last_write_time(StatePath()), stamp);

  ASSERT_EQ(emulator.SoundFontManager().Clear(0, &loaded), kSfOk);
  EXPECT_NE(std::filesystem::last_write_time(StatePath()), stamp);
  Emulator after(Setup());
  ASSERT_EQ(after.SoundFontManager().Open(0), kSfOk);
  EXPECT_EQ(Name(after, 0, 3), "");
}

}  // namespace
}  // namespace korvel::emu
