#include "setup/SetupModel.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "SetupTestSupport.h"
#include "config/ConfigFile.h"

namespace korvel {
namespace {

using namespace setup_test;
using Bytes = std::vector<std::uint8_t>;
using Texts = std::vector<std::string>;

const char kConfigPath[] = "C:\\WINDOWS\\Korvel.cfg";
const std::string kProductKey = "SOFTWARE\\Quennet\\Korvel\\";

Bytes ReadHost(const char* windowsPath) {
  std::ifstream in(sim::HostPath(windowsPath), std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteHost(const char* windowsPath, const Bytes& bytes) {
  std::ofstream out(sim::HostPath(windowsPath), std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::uint32_t WordAt(const Bytes& bytes, std::size_t offset) {
  return bytes[offset] | bytes[offset + 1] << 8 | bytes[offset + 2] << 16 |
         static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
}

std::string TextAt(const Bytes& bytes, std::size_t offset) {
  return std::string(reinterpret_cast<const char*>(bytes.data() + offset));
}

// An earlier installation's file, with a window position of its own.
void PutConfigFile(const Configuration& config) {
  const ConfigFileBytes bytes = EncodeConfigFile(config, WindowEdges{120, 80});
  WriteHost(kConfigPath, Bytes(bytes.begin(), bytes.end()));
}

std::string RegistryText(platform::RegKey hive, const std::string& key, const char* name) {
  Bytes bytes;
  if (!sim::GetRegistryValue(hive, key, name, nullptr, &bytes)) return "(none)";
  return std::string(bytes.begin(), bytes.end());
}

class SetupModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::SetCurrentDirectory("C:\\Apps\\Korvel");
    GiveStartMenu();
  }
  void TearDown() override {
    // Either button releases the registry module and COM.
    EXPECT_EQ(sim::OpenRegistryHandles(), 0u);
    EXPECT_EQ(sim::ComInitDepth(), 0);
  }

  // Setup's messages have no owner window, the caption "Korvel" and the error icon.
  Texts Messages() const {
    Texts texts;
    for (const sim::ShownBox& box : sim::ShownMessageBoxes()) {
      EXPECT_EQ(box.owner, 0u);
      EXPECT_EQ(box.caption, "Korvel");
      EXPECT_EQ(box.type, platform::kMbOk | platform::kMbIconError);
      texts.push_back(box.text);
    }
    return texts;
  }

  void Finish(const SetupChoices& choices = SetupChoices()) {
    setup.FormCreate();
    setup.Button1Click(choices);
  }

  sim::Sandbox sandbox;
  SetupModel setup;
};

TEST_F(SetupModelTest, FreshInstallWritesTheWholeFileQuietly) {
  Finish();
  EXPECT_TRUE(Messages().empty());
  const Bytes file = ReadHost(kConfigPath);
  ASSERT_EQ(file.size(), kConfigFileSize);
  EXPECT_EQ(WordAt(file, 4), kConfigMagic);
  EXPECT_EQ(WordAt(file, 12), 2u);  // C:
  EXPECT_EQ(TextAt(file, 20), "c:\\Apps\\Korvel");
  EXPECT_EQ(WordAt(file, 152), 0xE05Fu);  // the defaults and all three device flags
  EXPECT_EQ(WordAt(file, 184), 0xFFFFFFFFu);
  EXPECT_EQ(WordAt(file, 192), 0xFFFFFFFFu);
  EXPECT_EQ(TextAt(file, 200), "");
  EXPECT_EQ(TextAt(file, 332), "");
  EXPECT_EQ(TextAt(file, 464), "");
  // The registry keeps no configuration: the file is Korvel's from now on.
  EXPECT_FALSE(sim::RegistryKeyExists(platform::kHkeyCurrentUser, kProductKey));
}

TEST_F(SetupModelTest, StartMenuGroupHoldsExactlyTheFiveEntries) {
  Finish();
  EXPECT_EQ(FilesIn(kGroup), (Texts{"How to Report Problems.lnk", "Korvel Help.lnk", "Korvel Homepage.url",
                                     "Korvel v1.2.lnk", "Uninstall Korvel.lnk"}));
  const struct {
    const char* name;
    const char* target;
  } expected[] = {
      {"Korvel v1.2", "c:\\Apps\\Korvel\\Korvel.exe"},
      {"Korvel Help", "c:\\Apps\\Korvel\\Korvel.htm"},
      {"How to Report Problems", "c:\\Apps\\Korvel\\BugRep.txt"},
      {"Uninstall Korvel", "c:\\Apps\\Korvel\\uninst.exe"},
  };
  for (const auto& entry : expected) {
    sim::ShellLink link;
    ASSERT_TRUE(sim::ReadShellLink((std::string(kGroup) + "\\" + entry.name + ".lnk").c_str(), &link));
    EXPECT_EQ(link.target, entry.target);
    EXPECT_EQ(link.description, entry.name);
  }
  const Bytes homepage = ReadHost("C:\\WINDOWS\\Start Menu\\Programs\\Korvel\\Korvel Homepage.url");
  EXPECT_EQ(std::string(homepage.begin(), homepage.end()),
            "[InternetShortcut]\r\nURL=http://www.korvel.example/\r\n");
}

TEST_F(SetupModelTest, UninstallerIsRegisteredWithTheSystem) {
  Finish();
  EXPECT_EQ(RegistryText(platform::kHkeyLocalMachine, product::kUninstallKey, "DisplayName"),
            std::string("Korvel v1.2\0", 12));
  EXPECT_EQ(RegistryText(platform::kHkeyLocalMachine, product::kUninstallKey, "UninstallString"),
            std::string("c:\\Apps\\Korvel\\Uninst.exe\0", 26));
}

TEST_F(SetupModelTest, DeviceBoxesSetAndClearTheirFlags) {
  Finish(SetupChoices{false, false, ""});
  EXPECT_EQ(WordAt(ReadHost(kConfigPath), 152), 0xE058u);
}

TEST_F(SetupModelTest, UncheckedSoundFontBoxKeepsTheAweManager) {
  Configuration earlier;
  earlier.cflags = kDefaultFlags | UseAWE32 | UseSFD;
  PutConfigFile(earlier);
  Finish(SetupChoices{false, true, ""});
  const std::uint32_t flags = WordAt(ReadHost(kConfigPath), 152);
  EXPECT_EQ(flags & (UseAWE32 | UseSFD | UseEWS64), UseAWE32 | UseEWS64);
}

TEST_F(SetupModelTest, RunAgainKeepsTheUserSettingsButNotWindowOrFolder) {
  Configuration earlier;
  earlier.homedrive = 3;
  std::strcpy(earlier.homedir, "d:\\old");
  earlier.cflags = 0x1F659;
  earlier.curdev = 2;
  earlier.korvelengine = 0x0BADF00D;
  earlier.cursheet = 3;
  std::strcpy(earlier.curpreset, "D:\\OLD\\Live.pre");
  std::strcpy(earlier.lastpath, "D:\\OLD");
  std::strcpy(earlier.bankfolder, "D:\\BANKS;E:\\SF2");
  std::strcpy(earlier.lastmididev, "SB Live! MIDI In");
  PutConfigFile(earlier);

  setup.FormCreate();
  EXPECT_STREQ(setup.Config().bankfolder, "D:\\BANKS;E:\\SF2");  // what the edit shows
  EXPECT_STREQ(setup.Config().homedir, "c:\\Apps\\Korvel");
  setup.Button1Click(SetupChoices{true, true, setup.Config().bankfolder});

  Configuration expected = earlier;
  expected.homedrive = 2;
  std::strcpy(expected.homedir, "c:\\Apps\\Korvel");
  expected.cflags = 0x1F65F;
  const ConfigFileBytes bytes = EncodeConfigFile(expected, WindowEdges{-1, -1});
  EXPECT_EQ(ReadHost(kConfigPath), Bytes(bytes.begin(), bytes.end()));
}

TEST_F(SetupModelTest, CorruptedFileIsReportedAndRewrittenFromTheDefaults) {
  WriteHost(kConfigPath, Bytes(1012, 0x55));
  Finish();
  EXPECT_EQ(Messages(), Texts{"Corrupted configuration file.\nC:\\WINDOWS\\Korvel.cfg: unreadable, the defaults are "
                              "used. A copy is kept as C:\\WINDOWS\\Korvel.cfg.damaged."});
  Configuration expected;
  expected.homedrive = 2;
  std::strcpy(expected.homedir, "c:\\Apps\\Korvel");
  expected.cflags = 0xE05F;
  const ConfigFileBytes bytes = EncodeConfigFile(expected, WindowEdges{-1, -1});
  EXPECT_EQ(ReadHost(kConfigPath), Bytes(bytes.begin(), bytes.end()));
}

TEST_F(SetupModelTest, RegistryWithoutFlagsGivesTheMachineValuesQuietly) {
  sim::SetRegistryString(platform::kHkeyLocalMachine, kProductKey, "bankfolder", "C:\\SF2");
  sim::SetRegistryDword(platform::kHkeyLocalMachine, kProductKey, "curdev", 1);
  sim::SetRegistryDword(platform::kHkeyLocalMachine, kProductKey, "winx", 300);
  setup.FormCreate();
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(setup.Config().cflags, kDefaultFlags);
  EXPECT_EQ(setup.Config().curdev, 1);
  EXPECT_STREQ(setup.Config().bankfolder, "C:\\SF2");
  setup.Button1Click(SetupChoices{true, true, setup.Config().bankfolder});
  EXPECT_EQ(WordAt(ReadHost(kConfigPath), 184), 0xFFFFFFFFu);
}

TEST_F(SetupModelTest, BankFolderTextIsCutTo511Characters) {
  const std::string text(600, 'b');
  Finish(SetupChoices{true, true, text.c_str()});
  const Bytes file = ReadHost(kConfigPath);
  EXPECT_EQ(TextAt(file, 464), std::string(511, 'b'));
}

TEST_F(SetupModelTest, CancelLeavesFilesAndRegistryAsTheyWere) {
  setup.FormCreate();
  setup.Button2Click();
  EXPECT_FALSE(HostExists(kConfigPath));
  EXPECT_FALSE(HostExists(kGroup));
  EXPECT_FALSE(sim::RegistryKeyExists(platform::kHkeyLocalMachine, product::kUninstallKey));
  EXPECT_FALSE(sim::RegistryKeyExists(platform::kHkeyCurrentUser, kProductKey));
}

TEST_F(SetupModelTest, UnwritableFileStillMakesTheGroupAndTheRegistration) {
  sim::SetWindowsDirectory(nullptr);
  Finish();
  EXPECT_EQ(Messages(), Texts{"Could not write configuration file."});
  EXPECT_EQ(FilesIn(kGroup).size(), 5u);
  EXPECT_TRUE(sim::RegistryKeyExists(platform::kHkeyLocalMachine, product::kUninstallKey));
}

TEST_F(SetupModelTest, WithoutAProgramsFolderOnlyTheGroupIsMissing) {
  sim::Reset(sandbox.Root());
  sim::SetCurrentDirectory("C:\\Apps\\Korvel");
  Finish();
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(ReadHost(kConfigPath).size(), kConfigFileSize);
  EXPECT_FALSE(HostExists(kGroup));
  EXPECT_TRUE(sim::RegistryKeyExists(platform::kHkeyLocalMachine, product::kUninstallKey));
}

// Every link and the uninstall registration would point at "\Korvel.exe".
TEST_F(SetupModelTest, AFolderThatCannotBeRecordedIsRefusedAndNothingIsWritten) {
  const std::string tooLong = "C:\\" + std::string(125, 'k');  // the simulated disk has no short names
  for (const bool share : {false, true}) {
    sim::Reset(sandbox.Root());
    GiveStartMenu();
    if (share) sim::SetNetworkCurrentDirectory("\\\\server\\music\\Korvel");
    else sim::SetCurrentDirectory(tooLong.c_str());
    SetupModel refused;
    refused.FormCreate();
    refused.Button1Click(SetupChoices());
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].rfind(share ? "Korvel cannot be installed on a network share."
                                        : "Korvel cannot be installed in this folder: its path is too long.", 0),
              0u)
        << Messages()[0];
    EXPECT_FALSE(HostExists(kConfigPath));
    EXPECT_FALSE(HostExists(kGroup));
    EXPECT_FALSE(sim::RegistryKeyExists(platform::kHkeyLocalMachine, product::kUninstallKey));
  }
}

// An empty "Programs" value would make "\Korvel" in the current folder's
// drive, which may be the installation folder itself.
TEST_F(SetupModelTest, AProgramsValueThatIsNoStartMenuFolderMakesNoGroup) {
  for (const char* programs : {"", "C:\\", "Programs", "C:\\Gone\\Programs"}) {
    sim::SetRegistryString(platform::kHkeyCurrentUser, kShellFoldersKey, "Programs", programs);
    Finish();
    EXPECT_FALSE(HostExists("C:\\Korvel")) << programs;
    EXPECT_FALSE(HostExists("C:\\Apps\\Korvel\\Korvel")) << programs;
    EXPECT_FALSE(HostExists("C:\\Gone")) << programs;
    EXPECT_TRUE(FilesIn("C:\\Apps\\Korvel").empty()) << programs;
    EXPECT_EQ(ReadHost(kConfigPath).size(), kConfigFileSize);
  }
  EXPECT_TRUE(Messages().empty());
}

// Windows refuses to replace a read-only file and Wine does not: the user's
// protection holds on both, with the message.
TEST_F(SetupModelTest, AReadOnlyConfigurationIsKeptWithTheMessage) {
  Configuration earlier;
  earlier.cflags = 0x1234;
  PutConfigFile(earlier);
  const Bytes before = ReadHost(kConfigPath);
  std::filesystem::permissions(sim::HostPath(kConfigPath), std::filesystem::perms::owner_read);
  Finish();
  EXPECT_EQ(Messages(), Texts{"Could not write configuration file."});
  EXPECT_EQ(ReadHost(kConfigPath), before);
  EXPECT_FALSE(HostExists(std::string(kConfigPath) + ".new"));
  EXPECT_EQ(FilesIn(kGroup).size(), 5u);
}

TEST_F(SetupModelTest, ExistingGroupGetsItsLinksReplaced) {
  MakeFolder(kGroup);
  WriteHost("C:\\WINDOWS\\Start Menu\\Programs\\Korvel\\Korvel v1.2.lnk", Bytes{'o', 'l', 'd'});
  Finish();
  sim::ShellLink link;
  ASSERT_TRUE(sim::ReadShellLink("C:\\WINDOWS\\Start Menu\\Programs\\Korvel\\Korvel v1.2.lnk", &link));
  EXPECT_EQ(link.target, "c:\\Apps\\Korvel\\Korvel.exe");
  EXPECT_EQ(FilesIn(kGroup).size(), 5u);
}

}  // namespace
}  // namespace korvel
