// The registry module and the configuration store against Wine's real registry.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "config/ConfigurationStore.h"
#include "config/RegistryModule.h"

namespace {

const char kProductKey[] = "SOFTWARE\\Quennet\\Korvel\\";

struct RawValue {
  LONG status = ERROR_FILE_NOT_FOUND;
  DWORD type = 0;
  std::string bytes;
};

RawValue ReadRaw(HKEY hive, const char* name) {
  RawValue value;
  HKEY key;
  if (RegOpenKeyExA(hive, kProductKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return value;
  char data[4096];
  DWORD size = sizeof data;
  value.status = RegQueryValueExA(key, name, nullptr, &value.type, reinterpret_cast<BYTE*>(data),
                                  &size);
  if (value.status == ERROR_SUCCESS) value.bytes.assign(data, size);
  RegCloseKey(key);
  return value;
}

void WriteRaw(HKEY hive, const char* name, DWORD type, const void* data, DWORD size) {
  HKEY key;
  ASSERT_EQ(RegCreateKeyExA(hive, kProductKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                            nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size),
            ERROR_SUCCESS);
  RegCloseKey(key);
}

void DeleteProductKeys() {
  RegDeleteKeyA(HKEY_CURRENT_USER, kProductKey);
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, kProductKey);
}

class RegistryWineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DeleteProductKeys();
    ASSERT_EQ(registry.InitRegistry("Quennet", "Korvel"), 0);
  }
  void TearDown() override {
    registry.DoneRegistry();
    DeleteProductKeys();
  }
  korvel::RegistryModule registry;
};

TEST_F(RegistryWineTest, ValuesHaveTheirTypesAndSizes) {
  ASSERT_EQ(registry.OpenProductKey(korvel::RegistryModule::kCurrentUser, true), 0);
  const DWORD flags = 0xE058;
  EXPECT_EQ(registry.WriteValue("homedir", REG_SZ, "c:\\korvel"), 0);
  EXPECT_EQ(registry.WriteValue("cflags", REG_DWORD, &flags), 0);
  EXPECT_EQ(registry.CloseKey(), 0);

  RawValue homedir = ReadRaw(HKEY_CURRENT_USER, "homedir");
  ASSERT_EQ(homedir.status, ERROR_SUCCESS);
  EXPECT_EQ(homedir.type, DWORD(REG_SZ));
  EXPECT_EQ(homedir.bytes, std::string("c:\\korvel", 10));  // nine characters and the NUL

  RawValue cflags = ReadRaw(HKEY_CURRENT_USER, "cflags");
  ASSERT_EQ(cflags.status, ERROR_SUCCESS);
  EXPECT_EQ(cflags.type, DWORD(REG_DWORD));
  EXPECT_EQ(cflags.bytes, std::string("\x58\xE0\x00\x00", 4));
}

TEST_F(RegistryWineTest, CreatedKeysCarryTheProgramClass) {
  ASSERT_EQ(registry.OpenProductKey(korvel::RegistryModule::kLocalMachine, true), 0);
  registry.CloseKey();
  HKEY key;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kProductKey, 0, KEY_READ, &key), ERROR_SUCCESS);
  char keyClass[64] = {};
  DWORD classSize = sizeof keyClass;
  EXPECT_EQ(RegQueryInfoKeyA(key, keyClass, &classSize, nullptr, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_STREQ(keyClass, "ProgramConfig");
}

TEST_F(RegistryWineTest, OneKeyAtATime) {
  ASSERT_EQ(registry.OpenProductKey(korvel::RegistryModule::kCurrentUser, true), 0);
  EXPECT_EQ(registry.OpenProductKey(korvel::RegistryModule::kLocalMachine, true), 22);
  EXPECT_EQ(registry.CloseKey(), 0);
  EXPECT_EQ(registry.WriteValue("cflags", REG_SZ, "x"), 22);
  EXPECT_EQ(registry.ReadValue("cflags"), nullptr);
}

TEST_F(RegistryWineTest, ReadValueReturnsTheStoredBytesAndRefusesOversizedValues) {
  const std::string big(3000, 'x');
  WriteRaw(HKEY_CURRENT_USER, "big", REG_SZ, big.c_str(), DWORD(big.size() + 1));
  WriteRaw(HKEY_CURRENT_USER, "lastmididev", REG_SZ, "SB Live! MIDI In", 17);
  ASSERT_EQ(registry.OpenProductKey(korvel::RegistryModule::kCurrentUser, false), 0);
  const korvel::ValueRecord* record = registry.ReadValue("lastmididev");
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->type, DWORD(REG_SZ));
  EXPECT_EQ(record->size, 17u);
  EXPECT_STREQ(reinterpret_cast<const char*>(record->data), "SB Live! MIDI In");
  EXPECT_EQ(registry.ReadValue("big"), nullptr);
  EXPECT_EQ(registry.ReadValue("missing"), nullptr);
}

TEST_F(RegistryWineTest, ConfigurationRoundTripsThroughTheCurrentUserKey) {
  korvel::Configuration written;
  written.homedrive = 2;
  std::strcpy(written.homedir, "c:\\korvel");
  written.cflags = 0x2001F;
  written.curdev = 1;
  written.korvelengine = 0xDEADBEEF;
  written.cursheet = 4;
  std::strcpy(written.curpreset, "c:\\korvel\\Presets\\1 Demo.pre");
  std::strcpy(written.lastpath, "c:\\korvel\\Presets");
  std::strcpy(written.bankfolder, "c:\\banks;d:\\more banks");
  std::strcpy(written.lastmididev, "Keyboard");
  korvel::WriteConfiguration(written, korvel::WindowEdges{10, 20}, registry, 0);

  RawValue bankfolder = ReadRaw(HKEY_CURRENT_USER, "bankfolder");
  EXPECT_EQ(bankfolder.type, DWORD(REG_SZ));
  EXPECT_EQ(bankfolder.bytes.size(), std::strlen(written.bankfolder) + 1);
  RawValue winx = ReadRaw(HKEY_CURRENT_USER, "winx");
  EXPECT_EQ(winx.type, DWORD(REG_DWORD));
  EXPECT_EQ(winx.bytes, std::string("\x0A\x00\x00\x00", 4));

  korvel::Configuration read;
  korvel::WindowEdges edges{241, 140};
  korvel::ReadConfiguration(read, edges, registry);
  // homedrive and homedir come from the machine-wide key only.
  EXPECT_EQ(read.homedrive, 0);
  EXPECT_STREQ(read.homedir, "");
  EXPECT_EQ(read.cflags, written.cflags);
  EXPECT_EQ(read.curdev, 1);
  EXPECT_EQ(read.korvelengine, 0xDEADBEEFu);
  EXPECT_EQ(read.cursheet, 4);
  EXPECT_STREQ(read.curpreset, written.curpreset);
  EXPECT_STREQ(read.lastpath, written.lastpath);
  EXPECT_STREQ(read.bankfolder, written.bankfolder);
  EXPECT_STREQ(read.lastmididev, written.lastmididev);
  EXPECT_EQ(edges.left, 10);
  EXPECT_EQ(edges.top, 20);
}

TEST_F(RegistryWineTest, WrongTypesAndOversizedTextsStayInsideTheirFields) {
  const DWORD flags = 0x4D;
  WriteRaw(HKEY_CURRENT_USER, "cflags", REG_DWORD, &flags, 4);
  const std::string longName(200, 'm');
  WriteRaw(HKEY_CURRENT_USER, "lastmididev", REG_SZ, longName.c_str(), DWORD(longName.size() + 1));
  WriteRaw(HKEY_CURRENT_USER, "curdev", REG_SZ, "12345678", 9);

  korvel::Configuration read;
  korvel::WindowEdges edges;
  korvel::ReadConfiguration(read, edges, registry);
  EXPECT_EQ(read.cflags, 0x4Du);
  EXPECT_EQ(std::strlen(read.lastmididev), sizeof read.lastmididev - 1);
  EXPECT_EQ(std::string(read.lastmididev), longName.substr(0, sizeof read.lastmididev - 1));
  EXPECT_EQ(read.curdev, 0x34333231);  // the first four bytes, copied as they are
}

}  // namespace
