#include "config/RegistryModule.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/sim/Sim.h"

namespace korvel {
namespace {

namespace sim = platform::sim;
using platform::kHkeyCurrentUser;
using platform::kHkeyLocalMachine;

const std::string kProductKey = "SOFTWARE\\Quennet\\Korvel\\";

class RegistryModuleTest : public ::testing::Test {
 protected:
  sim::Sandbox sandbox;
  RegistryModule registry;
};

TEST_F(RegistryModuleTest, InitBuildsTheProductKeyAndPairsComCalls) {
  EXPECT_EQ(registry.InitRegistry("Quennet", "Korvel"), 0);
  EXPECT_STREQ(registry.ProductKeyPath(), "SOFTWARE\\Quennet\\Korvel\\");
  EXPECT_EQ(sim::ComInitDepth(), 1);
  ASSERT_EQ(registry.OpenProductKey(RegistryModule::kCurrentUser, true), 0);
  registry.DoneRegistry();
  EXPECT_EQ(sim::ComInitDepth(), 0);
  EXPECT_FALSE(registry.HasOpenKey());
  EXPECT_EQ(sim::OpenRegistryHandles(), 0u);
  // After DoneRegistry the product key can no longer be opened.
  EXPECT_EQ(registry.OpenProductKey(RegistryModule::kCurrentUser, true), 0);
  EXPECT_FALSE(registry.HasOpenKey());
  // A second DoneRegistry has nothing left to undo.
  registry.DoneRegistry();
  EXPECT_EQ(sim::ComInitDepth(), 0);
}

TEST_F(RegistryModuleTest, OverlongNamesAreCutToTheirBuffers) {
  const std::string maker(100, 'm');
  registry.InitRegistry(maker.c_str(), "Korvel");
  EXPECT_EQ(std::string(registry.ProductKeyPath()), "SOFTWARE\\" + std::string(63, 'm') + "\\Korvel\\");
}

TEST_F(RegistryModuleTest, ProductKeyNeedsInitAndAKnownHive) {
  EXPECT_EQ(registry.OpenProductKey(RegistryModule::kCurrentUser, true), 0);
  EXPECT_FALSE(registry.HasOpenKey());
  EXPECT_FALSE(sim::RegistryKeyExists(kHkeyCurrentUser, kProductKey));

  registry.InitRegistry("Quennet", "Korvel");
  for (int which : {0, 3, -1}) {
    EXPECT_EQ(registry.OpenProductKey(which, true), 0);
    EXPECT_FALSE(registry.HasOpenKey());
  }
  EXPECT_EQ(sim::OpenRegistryHandles(), 0u);

  EXPECT_EQ(registry.OpenProductKey(RegistryModule::kLocalMachine, true), 0);
  EXPECT_TRUE(registry.HasOpenKey());
  EXPECT_TRUE(sim::RegistryKeyExists(kHkeyLocalMachine, kProductKey));
  EXPECT_FALSE(sim::RegistryKeyExists(kHkeyCurrentUser, kProductKey));
}

TEST_F(RegistryModuleTest, CreatedKeysGetTheProgramClassAndOpenFailsOnMissingKeys) {
  registry.InitRegistry("Quennet", "Korvel");
  EXPECT_EQ(registry.OpenProductKey(RegistryModule::kCurrentUser, false), platform::kErrorFileNotFound);
  EXPECT_FALSE(registry.HasOpenKey());

  ASSERT_EQ(registry.OpenProductKey(RegistryModule::kCurrentUser, true), 0);
  EXPECT_EQ(sim::KeyClass(kHkeyCurrentUser, kProductKey), "ProgramConfig");
  registry.CloseKey();
  EXPECT_EQ(registry.OpenProductKey(RegistryModule::kCurrentUser, false), 0);
}

TEST_F(RegistryModuleTest, HoldsOneKeyAtATime) {
  registry.InitRegistry("Quennet", "Korvel");
  ASSERT_EQ(registry.OpenProductKey(RegistryModule::kCurrentUser, true), 0);
  EXPECT_EQ(registry.OpenProductKey(RegistryModule::kLocalMachine, true), 22);
  EXPECT_EQ(registry.OpenKey(kHkeyLocalMachine, "SOFTWARE\\Other", true), 22);
  EXPECT_FALSE(sim::RegistryKeyExists(kHkeyLocalMachine, "SOFTWARE\\Other"));
  EXPECT_EQ(sim::OpenRegistryHandles(), 1u);

  // The key that stays open is still the first one.
  const std::uint32_t value = 7;
  registry.WriteValue("curdev", platform::kRegDword, &value);
  EXPECT_TRUE(sim::GetRegistryValue(kHkeyCurrentUser, kProductKey, "curdev", nullptr, nullptr));

  EXPECT_EQ(registry.CloseKey(), 0);
  EXPECT_EQ(registry.CloseKey(), 0);  // closing nothing is harmless
  EXPECT_EQ(sim::OpenRegistryHandles(), 0u);
  EXPECT_EQ(registry.OpenKey(kHkeyLocalMachine, "SOFTWARE\\Other", true), 0);
}

TEST_F(RegistryModuleTest, WritesTextWithItsTerminatorAndEveryOtherTypeAsFourBytes) {
  registry.InitRegistry("Quennet", "Korvel");
  const std::uint32_t flags = 0xE058;
  EXPECT_EQ(registry.WriteValue("cflags", platform::kRegDword, &flags), 22);  // no key open

  ASSERT_EQ(registry.OpenProductKey(RegistryModule::kCurrentUser, true), 0);
  EXPECT_EQ(registry.WriteValue("homedir", platform::kRegSz, "c:\\korvel"), 0);
  EXPECT_EQ(registry.WriteValue("cflags", platform::kRegDword, &flags), 0);
  const std::uint8_t raw[] = {1, 2, 3, 4, 5, 6};
  EXPECT_EQ(registry.WriteValue("blob", platform::kRegBinary, raw), 0);

  std::uint32_t type = 0;
  std::vector<std::uint8_t> bytes;
  ASSERT_TRUE(sim::GetRegistryValue(kHkeyCurrentUser, kProductKey, "homedir", &type, &bytes));
  EXPECT_EQ(type, platform::kRegSz);
  EXPECT_EQ(bytes, (std::vector<std::uint8_t>{'c', ':', '\\', 'k', 'o', 'r', 'v', 'e', 'l', 0}));
  ASSERT_TRUE(sim::GetRegistryValue(kHkeyCurrentUser, kProductKey, "cflags", &type, &bytes));
  EXPECT_EQ(type, platform::kRegDword);
  EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0x58, 0xE0, 0x00, 0x00}));
  ASSERT_TRUE(sim::GetRegistryValue(kHkeyCurrentUser, kProductKey, "blob", &type, &bytes));
  EXPECT_EQ(bytes, (std::vector<std::uint8_t>{1, 2, 3, 4}));
}

TEST_F(RegistryModuleTest, ReadValueReturnsTypeSizeAndDataUpToTheBufferSize) {
  registry.InitRegistry("Quennet", "Korvel");
  sim::SetRegistryString(kHkeyLocalMachine, kProductKey, "homedir", "d:\\music");
  sim::SetRegistryValue(kHkeyLocalMachine, kProductKey, "full", platform::kRegBinary,
                        std::vector<std::uint8_t>(2048, 0x5A));
  sim::SetRegistryValue(kHkeyLocalMachine, kProductKey, "toolarge", platform::kRegBinary,
                        std::vector<std::uint8_t>(2049, 0x5A));

  EXPECT_EQ(registry.ReadValue("homedir"), nullptr);  // no key open yet
  ASSERT_EQ(registry.OpenProductKey(RegistryModule::kLocalMachine, false), 0);

  const ValueRecord* record = registry.ReadValue("HOMEDIR");  // names ignore case
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->type, platform::kRegSz);
  EXPECT_EQ(record->size, 9u);
  EXPECT_STREQ(reinterpret_cast<const char*>(record->data), "d:\\music");

  record = registry.ReadValue("full");
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->size, 2048u);
  EXPECT_EQ(record->data[2047], 0x5A);

  EXPECT_EQ(registry.ReadValue("toolarge"), nullptr);
  EXPECT_EQ(registry.ReadValue("missing"), nullptr);
  registry.CloseKey();
  EXPECT_EQ(registry.ReadValue("homedir"), nullptr);
}

TEST_F(RegistryModuleTest, DestructionReleasesTheKeyAndCom) {
  {
    RegistryModule scoped;
    scoped.InitRegistry("Quennet", "Korvel");
    scoped.OpenProductKey(RegistryModule::kCurrentUser, true);
    EXPECT_EQ(sim::OpenRegistryHandles(), 1u);
  }
  EXPECT_EQ(sim::OpenRegistryHandles(), 0u);
  EXPECT_EQ(sim::ComInitDepth(), 0);
}

}  // namespace
}  // namespace korvel
