// The replacement driver and managers as Korvel meets them: EWSAUDIO.DRV
// through OpenDriver and SendDriverMessage, SFMAN32.DLL and AWEMAN32.DLL
// through LoadLibraryA and GetProcAddress. Each test copies the built DLLs into
// a folder of its own in the prefix, so that their configuration and state
// files (kept beside the DLL) are the test's own.
#include <windows.h>
#include <mmsystem.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "emulators/bankgen/BankWriter.h"
#include "emulators/bridge/DriverBlock16.h"
#include "emulators/core/Abi.h"

namespace korvel::emu {
namespace {

std::string ExeFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, sizeof path);
  std::string folder(path);
  return folder.substr(0, folder.find_last_of('\\') + 1);
}

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

unsigned U16(const std::uint8_t* at) { return at[0] | (at[1] << 8); }
std::uint32_t U32(const std::uint8_t* at) {
  return at[0] | (at[1] << 8) | (at[2] << 16) | (static_cast<std::uint32_t>(at[3]) << 24);
}
void Put32(std::uint8_t* at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

class EmulatorDllTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = std::string("C:\\korvelemu-") +
             ::testing::UnitTest::GetInstance()->current_test_info()->name() + "\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    CreateDirectoryA((folder + "banks").c_str(), nullptr);
    for (const char* dll : {"EWSAUDIO.DRV", "SFMAN32.DLL", "AWEMAN32.DLL"}) {
      ASSERT_TRUE(CopyFileA((ExeFolder() + dll).c_str(), (folder + dll).c_str(), FALSE)) << dll;
    }
  }
  void TearDown() override {
    if (driver) CloseDriver(driver, 0, 0);
    if (library) FreeLibrary(library);
  }
  void WriteConfig(const std::string& text) {
    std::ofstream(folder + "korvelemu.ini", std::ios::binary) << text;
  }
  std::string Bank(const std::string& file, const std::string& bytes) {
    const std::string path = folder + "banks\\" + file;
    EXPECT_TRUE(bankgen::WriteBankFile(path, bytes));
    return path;
  }

  // ---- EWSAUDIO.DRV --------------------------------------------------------------

  void OpenEws() {
    driver = OpenDriver(Wide(folder + "EWSAUDIO.DRV").c_str(), nullptr, 0);
    ASSERT_NE(driver, nullptr);
    ASSERT_TRUE(bridge::AllocDriverBlock(kDriverBlockSize, &block));
    card = SendDriverMessage(driver, kMsgOpenCard, 1, 0);
    ASSERT_NE(card, 0);
  }
  void CloseEws() {
    bridge::FreeDriverBlock(&block);
    EXPECT_NE(CloseDriver(driver, 0, 0), 0);
    driver = nullptr;
    EXPECT_EQ(GetModuleHandleA((folder + "EWSAUDIO.DRV").c_str()), nullptr);  // unloaded
  }
  std::uint8_t* Block() { return static_cast<std::uint8_t*>(block.flat); }
  LRESULT LoadSet(unsigned bank, const std::string& path) {
    std::memset(Block(), 0, kDriverBlockSize);
    Put32(Block() + 0, bank);
    Put32(Block() + 4, 12);
    Put32(Block() + 8, 126 - bank);
    std::memcpy(Block() + 16, path.c_str(), path.size() + 1);
    return SendDriverMessage(driver, kMsgLoadBank, card, block.param);
  }
  std::string BankName(unsigned bank, std::uint32_t* bytes = nullptr) {
    std::memset(Block(), 0xEE, kDriverBlockSize);
    Block()[0] = 0, Block()[1] = 0, Block()[2] = 12, Block()[3] = 0;
    Block()[4] = static_cast<std::uint8_t>(bank), Block()[5] = 0;
    EXPECT_EQ(SendDriverMessage(driver, kMsgBankInfo, card, block.param), 0);
    if (bytes) *bytes = U16(Block() + 16) * 65536u + U16(Block() + 14);
    return reinterpret_cast<const char*>(Block() + 18);
  }
  std::int32_t EwsFree() {
    EXPECT_EQ(SendDriverMessage(driver, kMsgMemoryInfo, card, block.param), 0);
    return static_cast<std::int32_t>(U32(Block() + 16));
  }

  // ---- SFMAN32.DLL / AWEMAN32.DLL ---------------------------------------------------

  const SfManagerTable* LoadSfManager() {
    library = LoadLibraryA((folder + "SFMAN32.DLL").c_str());
    EXPECT_NE(library, nullptr);
    if (!library) return nullptr;
    auto* exported = reinterpret_cast<SfManagerEntryFn*>(
        reinterpret_cast<void*>(GetProcAddress(library, "SFManager")));
    EXPECT_NE(exported, nullptr);
    if (!exported) return nullptr;
    const SfManagerTable* table = nullptr;
    EXPECT_EQ((*exported)(kSfManagerVersion, &table), kSfOk);
    return table;
  }
  void Unload() {
    FreeLibrary(library);
    library = nullptr;
    EXPECT_EQ(GetModuleHandleA((folder + "SFMAN32.DLL").c_str()), nullptr);
  }
  SfRequest* Request(const std::string& text = "") {
    std::memset(text_, 0, sizeof text_);
    std::memcpy(text_, text.c_str(), text.size() + 1);
    request_ = SfRequest{sizeof text_, text_, 0, 0};
    return &request_;
  }

  std::string folder;
  HDRVR driver = nullptr;
  HMODULE library = nullptr;
  bridge::DriverBlock block;
  LPARAM card = 0;
  char text_[256] = {};
  SfRequest request_{};
};

TEST_F(EmulatorDllTest, DllsExportTheUndecoratedNames) {
  for (const auto& [dll, name] : {std::pair<const char*, const char*>{"EWSAUDIO.DRV", "DriverProc"},
                                  {"SFMAN32.DLL", "SFManager"},
                                  {"AWEMAN32.DLL", "AWEManager"}}) {
    HMODULE module = LoadLibraryA((folder + dll).c_str());
    ASSERT_NE(module, nullptr) << dll;
    EXPECT_NE(GetProcAddress(module, name), nullptr) << dll << " " << name;
    FreeLibrary(module);
  }
}

TEST_F(EmulatorDllTest, DriverLoadsFillsMemoryAndKeepsBanksAcrossAReload) {
  WriteConfig("ews64.memory_kb=256\news64.card0.id=e6401\n");
  OpenEws();
  EXPECT_EQ(SendDriverMessage(driver, kMsgCardCount, 0, 0), 1);
  EXPECT_EQ(SendDriverMessage(driver, kMsgCardId, SendDriverMessage(driver, kMsgCardCookie, card, 0), 0),
            0xE6401);
  EXPECT_EQ(SendDriverMessage(driver, kMsgMemoryInfo, card, block.param), 0);
  EXPECT_EQ(U32(Block() + 12), 256u * 1024);

  const auto set = [&](const char* file, const char* name, std::uint32_t bytes) {
    return Bank(file, bankgen::SoundSetBytes(bankgen::SoundSetKind::Tts, name, bytes, 0));
  };
  ASSERT_EQ(LoadSet(0, set("PIANO1.TTS", "PIANO1", 0x28000)), 0);
  ASSERT_EQ(LoadSet(1, set("ORGAN.TTS", "ORGAN", 64 * 1024)), 0);
  EXPECT_EQ(LoadSet(2, set("STRINGS.TTS", "STRINGS", 64 * 1024)), 8);  // 32 KB left
  EXPECT_EQ(LoadSet(2, folder + "banks\\NONE.TTS"), 2);
  EXPECT_EQ(LoadSet(8, folder + "banks\\ORGAN.TTS"), 87);
  EXPECT_EQ(SendDriverMessage(driver, kMsgClearBank, card + 1, 1), 38);
  EXPECT_EQ(EwsFree(), 32 * 1024);
  std::uint32_t bytes = 0;
  EXPECT_EQ(BankName(0, &bytes), "PIANO1");
  EXPECT_EQ(bytes, 0x28000u);

  // The driver goes away with its DLL and comes back with the same banks.
  CloseEws();
  EXPECT_NE(ReadAll(folder + "korvelemu.state").find("PIANO1"), std::string::npos);
  OpenEws();
  EXPECT_EQ(BankName(0), "PIANO1");
  EXPECT_EQ(BankName(1), "ORGAN");
  EXPECT_EQ(BankName(2), "");
  EXPECT_EQ(SendDriverMessage(driver, kMsgClearBank, card, 1), 0);
  EXPECT_EQ(LoadSet(2, folder + "banks\\STRINGS.TTS"), 0);

  // What survives is the state file: without it the card is empty.
  CloseEws();
  ASSERT_TRUE(DeleteFileA((folder + "korvelemu.state").c_str()));
  OpenEws();
  EXPECT_EQ(BankName(0), "");
  EXPECT_EQ(EwsFree(), 256 * 1024);
  CloseEws();
}

TEST_F(EmulatorDllTest, DriverIsFoundByItsBareName) {
  // The copy beside this program, found as Korvel finds it.
  HDRVR bare = OpenDriver(L"EWSAUDIO.DRV", nullptr, 0);
  ASSERT_NE(bare, nullptr);
  EXPECT_GE(SendDriverMessage(bare, kMsgCardCount, 0, 0), 1);
  EXPECT_NE(SendDriverMessage(bare, kMsgOpenCard, 1, 0), 0);
  EXPECT_EQ(SendDriverMessage(bare, 0x4300, 0, 0), 1);  // no such message
  CloseDriver(bare, 0, 0);
}

TEST_F(EmulatorDllTest, BlockBridgeIsFlatOn64BitWindows) {
  bridge::DriverBlock local;
  ASSERT_TRUE(bridge::AllocDriverBlock(kDriverBlockSize, &local));
  const auto* bytes = static_cast<const std::uint8_t*>(local.flat);
  for (std::size_t i = 0; i < kDriverBlockSize; ++i) ASSERT_EQ(bytes[i], 0) << i;
  EXPECT_EQ(bridge::DriverBlockFromParam(local.param, kDriverBlockSize), local.flat);
  EXPECT_EQ(bridge::DriverBlockFromParam(0, kDriverBlockSize), nullptr);
#if defined(_WIN64)
  EXPECT_FALSE(bridge::Wow32BridgeWorks());
  EXPECT_EQ(local.param, reinterpret_cast<std::intptr_t>(local.flat));
  EXPECT_EQ(local.handle16, 0);
#endif
  bridge::FreeDriverBlock(&local);
  EXPECT_EQ(local.flat, nullptr);
}

TEST_F(EmulatorDllTest, SoundFontManagerFillsMemoryAndKeepsBanksAcrossAReload) {
  WriteConfig("soundfont.memory_kb=512\nsoundfont.device0.name=Test Synth\n");
  const SfManagerTable* table = LoadSfManager();
  ASSERT_NE(table, nullptr);
  std::uint32_t count = 0;
  ASSERT_EQ(table->deviceCount(&count), kSfOk);
  EXPECT_EQ(count, 1u);
  std::uint8_t record[102] = {102, 0};
  ASSERT_EQ(table->describe(0, record), kSfOk);
  EXPECT_STREQ(reinterpret_cast<const char*>(record + 22), "Test Synth");
  ASSERT_EQ(table->open(0), kSfOk);

  const std::string piano = Bank("PIANO.SF2", bankgen::SoundFontBytes("Piano", 300 * 1024));
  const std::string organ = Bank("ORGAN.SF2", bankgen::SoundFontBytes("Organ", 300 * 1024));
  std::uint16_t bank = 1;
  ASSERT_EQ(table->load(0, &bank, Request(piano)), kSfOk);
  bank = 2;
  EXPECT_EQ(table->load(0, &bank, Request(organ)), kSfNoMemory);
  EXPECT_EQ(table->load(0, &bank, Request(folder + "banks\\NONE.SF2")), kSfFileNotFound);
  std::int32_t total = 0, free = 0;
  ASSERT_EQ(table->memory(0, &total, &free), kSfOk);
  EXPECT_EQ(total, 512 * 1024);
  EXPECT_EQ(free, 212 * 1024);
  ASSERT_EQ(table->romName(0, Request()), kSfOk);
  EXPECT_STREQ(text_, "Synth GM Bank");
  ASSERT_EQ(table->close(0), kSfOk);
  Unload();

  table = LoadSfManager();
  ASSERT_NE(table, nullptr);
  ASSERT_EQ(table->open(0), kSfOk);
  bank = 1;
  ASSERT_EQ(table->bankName(0, &bank, Request()), kSfOk);
  EXPECT_STREQ(text_, "Piano");
  ASSERT_EQ(table->bankPath(0, &bank, Request()), kSfOk);
  EXPECT_EQ(std::string(text_), piano);
  ASSERT_EQ(table->clear(0, &bank), kSfOk);
  bank = 2;
  EXPECT_EQ(table->load(0, &bank, Request(organ)), kSfOk);
  ASSERT_EQ(table->close(0), kSfOk);
  Unload();

  // The AWE manager serves the same devices, in 16-bit words.
  library = LoadLibraryA((folder + "AWEMAN32.DLL").c_str());
  ASSERT_NE(library, nullptr);
  auto awe = reinterpret_cast<AweManagerFn>(
      reinterpret_cast<void*>(GetProcAddress(library, "AWEManager")));
  ASSERT_NE(awe, nullptr);
  std::uint32_t handle = 0;
  ASSERT_EQ(awe(0, kAweOpen, reinterpret_cast<std::intptr_t>(&handle), 0), kSfOk);
  ASSERT_EQ(awe(handle, kAweBankName, 2, reinterpret_cast<std::intptr_t>(Request())), kSfOk);
  EXPECT_STREQ(text_, "Organ");
  ASSERT_EQ(awe(handle, kAweBankName, 1, reinterpret_cast<std::intptr_t>(Request())), kSfOk);
  EXPECT_LT(request_.length, 2u);
  ASSERT_EQ(awe(handle, kAweMemory, reinterpret_cast<std::intptr_t>(&total),
                reinterpret_cast<std::intptr_t>(&free)),
            kSfOk);
  EXPECT_EQ(total, 262144);
  EXPECT_EQ(free, 212 * 512);
  EXPECT_EQ(awe(handle, kAweClose, 0, 0), kSfOk);
}

}  // namespace
}  // namespace korvel::emu
