#include "config/ConfigurationStore.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "config/ConfigFile.h"
#include "config/ErrorBox.h"
#include "platform/sim/Sim.h"

namespace korvel {
namespace {

namespace sim = platform::sim;
using Bytes = std::vector<std::uint8_t>;
using platform::kHkeyCurrentUser;
using platform::kHkeyLocalMachine;

const std::string kProductKey = "SOFTWARE\\Quennet\\Korvel\\";
const char kConfigPath[] = "C:\\WINDOWS\\Korvel.cfg";
const char kCorrupted[] = "Corrupted configuration file.";
const char kRegistryLost[] = "Serious error reading registry, reverting to emergency defaults.";
const char kCannotWrite[] = "Could not write configuration file.";
constexpr platform::Window kMainWindow = 0x4711;

const char* const kAllNames[] = {"homedrive", "homedir",   "cflags",   "curdev",
                                 "korvelengine", "cursheet", "winx",   "winy",
                                 "curpreset", "lastpath", "bankfolder", "lastmididev"};

Bytes ReadHost(const char* windowsPath) {
  std::ifstream in(sim::HostPath(windowsPath), std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteHost(const char* windowsPath, const Bytes& bytes) {
  std::ofstream out(sim::HostPath(windowsPath), std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

bool HostExists(const char* windowsPath) { return std::filesystem::exists(sim::HostPath(windowsPath)); }

std::uint32_t WordAt(const Bytes& bytes, std::size_t offset) {
  return bytes[offset] | bytes[offset + 1] << 8 | bytes[offset + 2] << 16 |
         static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
}

Bytes Dword(std::uint32_t v) {
  return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
          static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
}

Bytes RegistryBytes(platform::RegKey hive, const char* name, std::uint32_t* type = nullptr) {
  Bytes bytes;
  sim::GetRegistryValue(hive, kProductKey, name, type, &bytes);
  return bytes;
}

Configuration Sample() {
  Configuration config;
  config.homedrive = 3;
  std::strcpy(config.homedir, "d:\\korvel");
  config.cflags = 0x2F459;
  config.curdev = 2;
  config.korvelengine = 0x0BADF00D;
  config.cursheet = 4;
  std::strcpy(config.curpreset, "D:\\KORVEL\\Studio.kvp");
  std::strcpy(config.lastpath, "D:\\KORVEL");
  std::strcpy(config.bankfolder, "D:\\BANKS;E:\\SF2");
  std::strcpy(config.lastmididev, "SB Live! MIDI In");
  return config;
}

Bytes FileOf(const Configuration& config, const WindowEdges& edges) {
  const ConfigFileBytes bytes = EncodeConfigFile(config, edges);
  return Bytes(bytes.begin(), bytes.end());
}

// Every value of the product key in one hive, as Setup or an older run left them.
void PutInRegistry(platform::RegKey hive, const Configuration& c, const WindowEdges& edges) {
  sim::SetRegistryDword(hive, kProductKey, "homedrive", static_cast<std::uint32_t>(c.homedrive));
  sim::SetRegistryString(hive, kProductKey, "homedir", c.homedir);
  sim::SetRegistryDword(hive, kProductKey, "cflags", c.cflags);
  sim::SetRegistryDword(hive, kProductKey, "curdev", static_cast<std::uint32_t>(c.curdev));
  sim::SetRegistryDword(hive, kProductKey, "korvelengine", c.korvelengine);
  sim::SetRegistryDword(hive, kProductKey, "cursheet", static_cast<std::uint32_t>(c.cursheet));
  sim::SetRegistryDword(hive, kProductKey, "winx", static_cast<std::uint32_t>(edges.left));
  sim::SetRegistryDword(hive, kProductKey, "winy", static_cast<std::uint32_t>(edges.top));
  sim::SetRegistryString(hive, kProductKey, "curpreset", c.curpreset);
  sim::SetRegistryString(hive, kProductKey, "lastpath", c.lastpath);
  sim::SetRegistryString(hive, kProductKey, "bankfolder", c.bankfolder);
  sim::SetRegistryString(hive, kProductKey, "lastmididev", c.lastmididev);
}

void ExpectFieldsAfterHome(const Configuration& read, const Configuration& expected) {
  EXPECT_EQ(read.cflags, expected.cflags);
  EXPECT_EQ(read.curdev, expected.curdev);
  EXPECT_EQ(read.korvelengine, expected.korvelengine);
  EXPECT_EQ(read.cursheet, expected.cursheet);
  EXPECT_STREQ(read.curpreset, expected.curpreset);
  EXPECT_STREQ(read.lastpath, expected.lastpath);
  EXPECT_STREQ(read.bankfolder, expected.bankfolder);
  EXPECT_STREQ(read.lastmididev, expected.lastmididev);
}

class ConfigurationStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    registry.InitRegistry("Quennet", "Korvel");
    Modality().SetMainWindow(kMainWindow);
  }
  void TearDown() override {
    // Reading and writing never leave a key open behind them.
    EXPECT_FALSE(registry.HasOpenKey());
    EXPECT_EQ(sim::OpenRegistryHandles(), 0u);
    EXPECT_FALSE(HostExists("C:\\WINDOWS\\Korvel.cfg.new"));
    Modality().SetMainWindow(0);
  }

  std::vector<std::string> Messages() const {
    std::vector<std::string> texts;
    for (const sim::ShownBox& box : sim::ShownMessageBoxes()) {
      EXPECT_EQ(box.caption, "Korvel");
      EXPECT_EQ(box.type, platform::kMbOk | platform::kMbIconError);
      EXPECT_EQ(box.owner, kMainWindow);
      texts.push_back(box.text);
    }
    return texts;
  }

  sim::Sandbox sandbox;
  RegistryModule registry;
};

using Texts = std::vector<std::string>;

TEST_F(ConfigurationStoreTest, FreshSystemFallsBackToEmergencyDefaultsThenUsesTheUserKey) {
  Configuration config;
  WindowEdges edges{241, 140};
  ReadConfiguration(config, edges, registry);
  EXPECT_EQ(Messages(), Texts{kRegistryLost});
  EXPECT_EQ(config.cflags, kEmergencyFlags);
  EXPECT_EQ(config.curdev, 0);
  EXPECT_STREQ(config.homedir, "");
  EXPECT_STREQ(config.bankfolder, "");
  EXPECT_EQ(edges.left, 241);
  EXPECT_EQ(edges.top, 140);

  // Shut-down: the values go to the user's key only, no file appears.
  config.homedrive = 2;
  std::strcpy(config.homedir, "c:\\korvel");
  config.cursheet = 1;
  std::strcpy(config.lastmididev, "Port A");
  WriteConfiguration(config, WindowEdges{30, 40}, registry, 0);
  EXPECT_FALSE(HostExists(kConfigPath));
  EXPECT_FALSE(sim::RegistryKeyExists(kHkeyLocalMachine, kProductKey));
  EXPECT_EQ(sim::KeyClass(kHkeyCurrentUser, kProductKey), "ProgramConfig");
  EXPECT_EQ(sim::RegistryValueNames(kHkeyCurrentUser, kProductKey),
            std::vector<std::string>(std::begin(kAllNames), std::end(kAllNames)));

  // Next start: no message, all but homedrive/homedir from the user's key.
  sim::ClearShownMessageBoxes();
  Configuration next;
  WindowEdges nextEdges{241, 140};
  ReadConfiguration(next, nextEdges, registry);
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(next.homedrive, 0);
  EXPECT_STREQ(next.homedir, "");
  EXPECT_EQ(next.cflags, kEmergencyFlags);
  EXPECT_EQ(next.cursheet, 1);
  EXPECT_STREQ(next.lastmididev, "Port A");
  EXPECT_EQ(nextEdges.left, 30);
  EXPECT_EQ(nextEdges.top, 40);
}

TEST_F(ConfigurationStoreTest, RegistryValuesHaveTheirTypesAndTextSizes) {
  Configuration config = Sample();
  std::strcpy(config.homedir, "c:\\korvel");  // nine characters
  std::memset(config.lastpath, 'x', sizeof config.lastpath);
  std::strcpy(config.lastpath, "C:\\");  // stale bytes after the terminator are not written
  WriteConfiguration(config, WindowEdges{-1, 5}, registry, 0);

  std::uint32_t type = 0;
  EXPECT_EQ(RegistryBytes(kHkeyCurrentUser, "homedir", &type),
            (Bytes{'c', ':', '\\', 'k', 'o', 'r', 'v', 'e', 'l', 0}));
  EXPECT_EQ(type, platform::kRegSz);
  EXPECT_EQ(RegistryBytes(kHkeyCurrentUser, "cflags", &type), (Bytes{0x59, 0xF4, 0x02, 0x00}));
  EXPECT_EQ(type, platform::kRegDword);
  EXPECT_EQ(RegistryBytes(kHkeyCurrentUser, "homedrive", &type), Dword(3));
  EXPECT_EQ(type, platform::kRegDword);
  EXPECT_EQ(RegistryBytes(kHkeyCurrentUser, "korvelengine"), Dword(0x0BADF00D));
  EXPECT_EQ(RegistryBytes(kHkeyCurrentUser, "winx"), Dword(0xFFFFFFFF));
  EXPECT_EQ(RegistryBytes(kHkeyCurrentUser, "winy"), Dword(5));
  EXPECT_EQ(RegistryBytes(kHkeyCurrentUser, "lastpath"), (Bytes{'C', ':', '\\', 0}));
  EXPECT_EQ(RegistryBytes(kHkeyCurrentUser, "bankfolder").size(), std::strlen(config.bankfolder) + 1);
  EXPECT_EQ(RegistryBytes(kHkeyCurrentUser, "lastmididev").size(), 17u);
}

TEST_F(ConfigurationStoreTest, UserKeyWithFlagsSuppliesAllButTheHomeFolder) {
  const WindowEdges none{-1, -1};
  Configuration machine = Sample();
  PutInRegistry(kHkeyLocalMachine, machine, WindowEdges{1, 2});
  Configuration user;
  user.homedrive = 25;
  std::strcpy(user.homedir, "z:\\elsewhere");
  user.cflags = 0x1234;
  user.curdev = 7;
  user.korvelengine = 99;
  user.cursheet = 2;
  std::strcpy(user.curpreset, "user preset");
  std::strcpy(user.lastpath, "user path");
  std::strcpy(user.bankfolder, "user banks");
  std::strcpy(user.lastmididev, "user port");
  PutInRegistry(kHkeyCurrentUser, user, none);

  Configuration read;
  WindowEdges edges{10, 20};
  ReadConfiguration(read, edges, registry);
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(read.homedrive, 3);
  EXPECT_STREQ(read.homedir, "d:\\korvel");
  ExpectFieldsAfterHome(read, user);
  EXPECT_EQ(edges.left, 10);  // -1 in the user's key: the window stays
  EXPECT_EQ(edges.top, 20);
}

TEST_F(ConfigurationStoreTest, UserKeyWithoutFlagsLeavesEverythingToTheMachineKey) {
  const Configuration machine = Sample();
  PutInRegistry(kHkeyLocalMachine, machine, WindowEdges{1, 2});
  sim::SetRegistryDword(kHkeyCurrentUser, kProductKey, "curdev", 9);
  sim::SetRegistryString(kHkeyCurrentUser, kProductKey, "lastpath", "ignored");

  Configuration read;
  WindowEdges edges;
  ReadConfiguration(read, edges, registry);
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(read.homedrive, 3);
  EXPECT_STREQ(read.homedir, "d:\\korvel");
  ExpectFieldsAfterHome(read, machine);
  EXPECT_EQ(edges.left, 1);
  EXPECT_EQ(edges.top, 2);
}

TEST_F(ConfigurationStoreTest, NoFlagsAnywhereKeepsTheMachineHomeFolderOnly) {
  sim::SetRegistryDword(kHkeyLocalMachine, kProductKey, "homedrive", 2);
  sim::SetRegistryString(kHkeyLocalMachine, kProductKey, "homedir", "c:\\korvel");
  sim::SetRegistryDword(kHkeyLocalMachine, kProductKey, "curdev", 5);
  sim::SetRegistryDword(kHkeyCurrentUser, kProductKey, "cursheet", 3);

  Configuration read;
  WindowEdges edges{8, 9};
  ReadConfiguration(read, edges, registry);
  EXPECT_EQ(Messages(), Texts{kRegistryLost});
  EXPECT_EQ(read.homedrive, 2);
  EXPECT_STREQ(read.homedir, "c:\\korvel");
  EXPECT_EQ(read.cflags, kEmergencyFlags);
  EXPECT_EQ(read.curdev, 0);
  EXPECT_EQ(read.cursheet, 0);
  EXPECT_EQ(edges.left, 8);
}

TEST_F(ConfigurationStoreTest, NoFlagsAnywhereCanReadTheMachineKeyQuietly) {
  sim::SetRegistryDword(kHkeyLocalMachine, kProductKey, "homedrive", 2);
  sim::SetRegistryString(kHkeyLocalMachine, kProductKey, "homedir", "c:\\korvel");
  sim::SetRegistryDword(kHkeyLocalMachine, kProductKey, "curdev", 5);
  sim::SetRegistryString(kHkeyLocalMachine, kProductKey, "bankfolder", "C:\\BANKS");
  sim::SetRegistryDword(kHkeyCurrentUser, kProductKey, "cursheet", 3);

  Configuration read;
  WindowEdges edges;
  ReadConfiguration(read, edges, registry, MissingFlags::ReadMachineKey);
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(read.cflags, kDefaultFlags);
  EXPECT_STREQ(read.homedir, "c:\\korvel");
  EXPECT_EQ(read.curdev, 5);
  EXPECT_EQ(read.cursheet, 0);  // the user's key without flags is not used
  EXPECT_STREQ(read.bankfolder, "C:\\BANKS");
}

TEST_F(ConfigurationStoreTest, OversizeAndForeignRegistryValuesStayInsideTheirFields) {
  sim::SetRegistryValue(kHkeyLocalMachine, kProductKey, "homedir", platform::kRegBinary, Bytes(300, 'h'));
  sim::SetRegistryValue(kHkeyCurrentUser, kProductKey, "cflags", platform::kRegBinary,
                        {0x08, 0x00, 0x01, 0x00, 0xEE, 0xEE, 0xEE, 0xEE});
  sim::SetRegistryString(kHkeyCurrentUser, kProductKey, "lastmididev", std::string(100, 'm'));
  sim::SetRegistryValue(kHkeyCurrentUser, kProductKey, "curpreset", platform::kRegSz,
                        {'a', 'b'});  // a string stored without its terminator
  sim::SetRegistryString(kHkeyCurrentUser, kProductKey, "curdev", "1");  // text where a number belongs
  sim::SetRegistryValue(kHkeyCurrentUser, kProductKey, "bankfolder", platform::kRegBinary,
                        Bytes(2049, 'b'));  // too large for the value buffer: not read

  Configuration read;
  std::strcpy(read.curpreset, "xyz");
  std::strcpy(read.bankfolder, "kept");
  read.curdev = 0x7F000000;
  WindowEdges edges;
  ReadConfiguration(read, edges, registry);
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(std::string(read.homedir), std::string(127, 'h'));
  EXPECT_EQ(read.cflags, 0x10008u);
  EXPECT_EQ(std::string(read.lastmididev), std::string(31, 'm'));
  EXPECT_STREQ(read.curpreset, "ab");
  EXPECT_EQ(read.curdev, 0x7F000031);  // the two bytes "1\0" replace the low half
  EXPECT_STREQ(read.bankfolder, "kept");
}

TEST_F(ConfigurationStoreTest, ForcedWriteCreatesTheFileAndLeavesTheRegistryAlone) {
  const Configuration config = Sample();
  WriteConfiguration(config, WindowEdges{-1, -1}, registry, 2);
  EXPECT_TRUE(Messages().empty());
  EXPECT_FALSE(sim::RegistryKeyExists(kHkeyCurrentUser, kProductKey));

  const Bytes bytes = ReadHost(kConfigPath);
  ASSERT_EQ(bytes.size(), 1012u);
  EXPECT_EQ(WordAt(bytes, 0), 4u);
  EXPECT_EQ(WordAt(bytes, 4), 0x14F56728u);
  EXPECT_EQ(WordAt(bytes, 12), 3u);
  EXPECT_EQ(WordAt(bytes, 16), 128u);
  EXPECT_STREQ(reinterpret_cast<const char*>(&bytes[20]), "d:\\korvel");
  EXPECT_EQ(WordAt(bytes, 152), 0x2F459u);
  EXPECT_EQ(WordAt(bytes, 168), 0x0BADF00Du);
  EXPECT_EQ(WordAt(bytes, 184), 0xFFFFFFFFu);
  EXPECT_EQ(WordAt(bytes, 192), 0xFFFFFFFFu);
  EXPECT_EQ(WordAt(bytes, 460), 512u);
  EXPECT_STREQ(reinterpret_cast<const char*>(&bytes[464]), "D:\\BANKS;E:\\SF2");
  EXPECT_EQ(WordAt(bytes, 976), 32u);
  EXPECT_STREQ(reinterpret_cast<const char*>(&bytes[980]), "SB Live! MIDI In");

  // From now on both directions use the file and ignore the registry.
  PutInRegistry(kHkeyCurrentUser, Configuration(), WindowEdges{0, 0});
  PutInRegistry(kHkeyLocalMachine, Configuration(), WindowEdges{0, 0});
  Configuration read;
  WindowEdges edges{77, 88};
  ReadConfiguration(read, edges, registry);
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(read.homedrive, 3);
  EXPECT_STREQ(read.homedir, "d:\\korvel");
  ExpectFieldsAfterHome(read, config);
  EXPECT_EQ(edges.left, 77);  // Setup's -1: the window keeps its own place
  EXPECT_EQ(edges.top, 88);

  read.cursheet = 6;
  WriteConfiguration(read, WindowEdges{300, 200}, registry, 0);
  EXPECT_EQ(RegistryBytes(kHkeyCurrentUser, "cursheet"), Dword(0));
  const Bytes rewritten = ReadHost(kConfigPath);
  ASSERT_EQ(rewritten.size(), 1012u);
  EXPECT_EQ(WordAt(rewritten, 176), 6u);
  EXPECT_EQ(WordAt(rewritten, 184), 300u);
  EXPECT_EQ(WordAt(rewritten, 192), 200u);
  Configuration again;
  WindowEdges moved{77, 88};
  ReadConfiguration(again, moved, registry);
  EXPECT_EQ(again.cursheet, 6);
  EXPECT_EQ(moved.left, 300);
  EXPECT_EQ(moved.top, 200);
}

TEST_F(ConfigurationStoreTest, CorruptFileReportsOnceKeepsDefaultsAndIsRewrittenWhole) {
  Bytes bad = FileOf(Sample(), WindowEdges{5, 5});
  bad[7] = 0x15;  // magic 0x15F56728
  WriteHost(kConfigPath, bad);
  PutInRegistry(kHkeyLocalMachine, Sample(), WindowEdges{1, 1});  // not consulted

  Configuration read;
  WindowEdges edges{50, 60};
  ReadConfiguration(read, edges, registry);
  EXPECT_EQ(Messages(), Texts{std::string(kCorrupted) +
                              "\nC:\\WINDOWS\\Korvel.cfg: unreadable, the defaults are used. A copy is kept as "
                              "C:\\WINDOWS\\Korvel.cfg.damaged."});
  EXPECT_EQ(read.cflags, kDefaultFlags);
  EXPECT_EQ(read.homedrive, 0);
  EXPECT_STREQ(read.homedir, "");
  EXPECT_EQ(edges.left, 50);
  EXPECT_EQ(edges.top, 60);

  WriteConfiguration(read, edges, registry, 0);
  const Bytes good = ReadHost(kConfigPath);
  ASSERT_EQ(good.size(), 1012u);
  EXPECT_EQ(WordAt(good, 4), kConfigMagic);
  EXPECT_EQ(WordAt(good, 152), kDefaultFlags);
  EXPECT_FALSE(sim::RegistryKeyExists(kHkeyCurrentUser, kProductKey));
}

TEST_F(ConfigurationStoreTest, FileThatEndsEarlyKeepsTheMissingFields) {
  const Bytes full = FileOf(Sample(), WindowEdges{5, 6});
  WriteHost(kConfigPath, Bytes(full.begin(), full.begin() + 400));  // ends inside lastpath

  Configuration read;
  std::strcpy(read.lastpath, "before");
  WindowEdges edges;
  ReadConfiguration(read, edges, registry);
  EXPECT_EQ(Messages().size(), 1u);
  EXPECT_STREQ(read.curpreset, "D:\\KORVEL\\Studio.kvp");
  EXPECT_STREQ(read.lastpath, "before");
  EXPECT_STREQ(read.bankfolder, "");
  EXPECT_EQ(edges.left, 5);
  EXPECT_EQ(edges.top, 6);
}

TEST_F(ConfigurationStoreTest, FileRecordsOfForeignLengthsAreSkippedOrTakenAtTheirFieldsLength) {
  const Bytes good = FileOf(Sample(), WindowEdges{5, 6});
  // homedir stretched to 1000 bytes: the reader seeks over the excess and
  // stays in step with the records that follow.
  Bytes stretched(good.begin(), good.begin() + 16);
  const Bytes length = Dword(1000);
  stretched.insert(stretched.end(), length.begin(), length.end());
  stretched.insert(stretched.end(), good.begin() + 20, good.begin() + 148);
  stretched.insert(stretched.end(), 1000 - 128, 'x');
  stretched.insert(stretched.end(), good.begin() + 148, good.end());
  WriteHost(kConfigPath, stretched);
  Configuration read;
  WindowEdges edges;
  ReadConfiguration(read, edges, registry);
  EXPECT_STREQ(read.homedir, "d:\\korvel");
  ExpectFieldsAfterHome(read, Sample());
  EXPECT_EQ(edges.top, 6);

  // bankfolder claiming 4 GiB: taken at its field's 512 bytes.
  Bytes huge = good;
  huge[460] = huge[461] = huge[462] = huge[463] = 0xFF;
  WriteHost(kConfigPath, huge);
  Configuration partial;
  ReadConfiguration(partial, edges, registry);
  EXPECT_STREQ(partial.lastpath, "D:\\KORVEL");
  EXPECT_STREQ(partial.bankfolder, "D:\\BANKS;E:\\SF2");
  EXPECT_STREQ(partial.lastmididev, "SB Live! MIDI In");
  // Both are damaged; the first one's bytes are the copy kept.
  EXPECT_EQ(Messages().size(), 2u);
  EXPECT_EQ(ReadHost("C:\\WINDOWS\\Korvel.cfg.damaged"), stretched);
}

// Cut files, a length word past the end and a byte too many: the message,
// the damaged bytes beside the file, and the settings that could be read in
// use and written back at the end.
TEST_F(ConfigurationStoreTest, DamagedFilesAreReportedKeptBesideAndWhatCouldBeReadIsUsed) {
  const Bytes good = FileOf(Sample(), WindowEdges{5, 6});
  Bytes hugeHome = good;
  hugeHome[16] = 0x00, hugeHome[17] = 0x94, hugeHome[18] = 0x35, hugeHome[19] = 0x77;  // 2,000,000,000
  Bytes oneLong = good;
  oneLong.push_back(0);
  const std::string damaged = ": damaged, the settings that could be read are used.";
  const std::string kept = " A copy is kept as C:\\WINDOWS\\Korvel.cfg.damaged.";
  struct Case {
    const char* what;
    Bytes bytes;
    std::string message;
    bool readsLastmididev;  // false: only the fields before the damage were read
    bool readsAnything;
  };
  const Case cases[] = {
      {"one byte short", Bytes(good.begin(), good.end() - 1), damaged, false, true},
      {"one byte long", oneLong, damaged, true, true},
      {"cut inside lastpath", Bytes(good.begin(), good.begin() + 400), damaged, false, true},
      {"cut inside the magic record", Bytes(good.begin(), good.begin() + 6),
       ": unreadable, the defaults are used.", false, false},
      {"homedir length past the end", hugeHome, damaged, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    sim::ClearShownMessageBoxes();
    std::filesystem::remove(sim::HostPath("C:\\WINDOWS\\Korvel.cfg.damaged"));
    WriteHost(kConfigPath, c.bytes);

    Configuration read;
    WindowEdges edges;
    EXPECT_EQ(ReadConfiguration(read, edges, registry), FileFound::kDamaged);
    EXPECT_EQ(Messages(), Texts{std::string(kCorrupted) + "\nC:\\WINDOWS\\Korvel.cfg" + c.message + kept});
    EXPECT_EQ(ReadHost("C:\\WINDOWS\\Korvel.cfg.damaged"), c.bytes);
    const Configuration expected = c.readsAnything ? Sample() : Configuration();
    EXPECT_EQ(read.cflags, expected.cflags);
    EXPECT_STREQ(read.curpreset, expected.curpreset);
    EXPECT_STREQ(read.lastmididev, c.readsLastmididev ? expected.lastmididev : "");

    // The end of the run writes a good file; the copy stays as it was.
    WriteConfiguration(read, edges, registry, 0);
    const Bytes rewritten = ReadHost(kConfigPath);
    Configuration again;
    WindowEdges againEdges;
    ASSERT_EQ(DecodeConfigFile(rewritten.data(), rewritten.size(), again, againEdges),
              ConfigDecodeStatus::Complete);
    EXPECT_EQ(again.cflags, expected.cflags);
    EXPECT_STREQ(again.curpreset, expected.curpreset);
    EXPECT_EQ(ReadHost("C:\\WINDOWS\\Korvel.cfg.damaged"), c.bytes);
  }
}

// One kept copy is enough: a later damage leaves it alone. A copy that
// cannot be made keeps the damaged file from being written over.
TEST_F(ConfigurationStoreTest, TheKeptCopyIsNeverReplacedAndADamagedFileWithoutOneStays) {
  const Bytes good = FileOf(Sample(), WindowEdges{5, 6});
  const Bytes first(good.begin(), good.begin() + 500);
  const Bytes second(good.begin(), good.begin() + 300);
  WriteHost("C:\\WINDOWS\\Korvel.cfg.damaged", first);
  WriteHost(kConfigPath, second);
  Configuration read;
  WindowEdges edges;
  ReadConfiguration(read, edges, registry);
  EXPECT_EQ(Messages(), Texts{std::string(kCorrupted) +
                              "\nC:\\WINDOWS\\Korvel.cfg: damaged, the settings that could be read are used. An "
                              "earlier damaged file is kept as C:\\WINDOWS\\Korvel.cfg.damaged; this one is not "
                              "copied."});
  WriteConfiguration(read, edges, registry, 0);
  EXPECT_EQ(ReadHost("C:\\WINDOWS\\Korvel.cfg.damaged"), first);
  EXPECT_EQ(ReadHost(kConfigPath).size(), 1012u);

  sim::ClearShownMessageBoxes();
  std::filesystem::remove(sim::HostPath("C:\\WINDOWS\\Korvel.cfg.damaged"));
  WriteHost(kConfigPath, second);
  sim::SetFileCreationFails(true);
  ReadConfiguration(read, edges, registry);
  WriteConfiguration(read, edges, registry, 0);
  const Texts messages = Messages();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0].rfind(std::string(kCorrupted) + "\nC:\\WINDOWS\\Korvel.cfg: damaged", 0), 0u);
  EXPECT_NE(messages[0].find("It could not be copied"), std::string::npos) << messages[0];
  EXPECT_EQ(messages[1].rfind(std::string(kCannotWrite) + "\nC:\\WINDOWS\\Korvel.cfg: the file is damaged", 0), 0u)
      << messages[1];
  EXPECT_EQ(ReadHost(kConfigPath), second);
  EXPECT_FALSE(HostExists("C:\\WINDOWS\\Korvel.cfg.damaged"));

  // With room again the copy is made first, then the file is written.
  sim::SetFileCreationFails(false);
  WriteConfiguration(read, edges, registry, 0);
  EXPECT_EQ(ReadHost("C:\\WINDOWS\\Korvel.cfg.damaged"), second);
  EXPECT_EQ(ReadHost(kConfigPath).size(), 1012u);
}

// Not "Serious error reading registry": the message names the folder, and
// the settings live in the registry meanwhile.
TEST_F(ConfigurationStoreTest, AFolderOfTheFilesNameIsNamedAndTheRegistryKeepsTheSettings) {
  ASSERT_TRUE(platform::CreateDirectoryA(kConfigPath));
  const std::string folderMessage = std::string(kCorrupted) +
                                    "\nC:\\WINDOWS\\Korvel.cfg is a folder, not a file: the settings are read from "
                                    "and saved to the registry until it is moved away.";
  Configuration read;
  WindowEdges edges;
  EXPECT_EQ(ReadConfiguration(read, edges, registry), FileFound::kDamaged);
  EXPECT_EQ(Messages(), Texts{folderMessage});
  EXPECT_EQ(read.cflags, kEmergencyFlags);

  read.cursheet = 3;
  WriteConfiguration(read, edges, registry, 0);
  EXPECT_EQ(RegistryBytes(kHkeyCurrentUser, "cursheet"), Dword(3));
  sim::ClearShownMessageBoxes();
  Configuration next;
  ReadConfiguration(next, edges, registry);
  EXPECT_EQ(Messages(), Texts{folderMessage});
  EXPECT_EQ(next.cursheet, 3);
}

TEST_F(ConfigurationStoreTest, WithoutAWindowsDirectoryTheRegistryServes) {
  // No folder at all, and one of 128 characters that leaves no room for the terminator.
  const std::string tooLong = "C:\\" + std::string(125, 'W');
  for (const char* folder : {static_cast<const char*>(nullptr), tooLong.c_str()}) {
    sim::Reset(sandbox.Root());
    registry.InitRegistry("Quennet", "Korvel");
    Modality().SetMainWindow(kMainWindow);
    WriteHost(kConfigPath, FileOf(Sample(), WindowEdges{}));
    sim::SetWindowsDirectory(folder);
    PutInRegistry(kHkeyCurrentUser, Sample(), WindowEdges{});

    Configuration read;
    WindowEdges edges;
    ReadConfiguration(read, edges, registry);
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(read.homedrive, 0);  // the machine key has no home folder
    ExpectFieldsAfterHome(read, Sample());

    read.cursheet = 5;
    WriteConfiguration(read, edges, registry, 0);
    EXPECT_EQ(RegistryBytes(kHkeyCurrentUser, "cursheet"), Dword(5));
    EXPECT_TRUE(Messages().empty());

    WriteConfiguration(read, edges, registry, 2);
    EXPECT_EQ(Messages(), Texts{kCannotWrite});
    EXPECT_EQ(WordAt(ReadHost(kConfigPath), 176), 4u);  // the old file is as it was
  }
}

TEST_F(ConfigurationStoreTest, WindowsDirectoryAnywhereBelow128CharactersHoldsTheFile) {
  sim::SetWindowsDirectory("C:\\");  // a drive root gets no second backslash
  WriteConfiguration(Sample(), WindowEdges{}, registry, 2);
  EXPECT_EQ(ReadHost("C:\\Korvel.cfg").size(), 1012u);

  const std::string longest = "D:\\" + std::string(124, 'W');  // 127 characters
  sim::SetWindowsDirectory(longest.c_str());
  WriteConfiguration(Sample(), WindowEdges{}, registry, 2);
  EXPECT_EQ(ReadHost((longest + "\\KORVEL.CFG").c_str()).size(), 1012u);
  EXPECT_TRUE(Messages().empty());
}

TEST_F(ConfigurationStoreTest, FailedWritesReportAndLeaveTheOldFileWhole) {
  const Bytes old = FileOf(Sample(), WindowEdges{1, 2});
  Configuration changed = Sample();
  changed.cursheet = 9;

  struct Fault {
    const char* what;
    void (*inject)();
  };
  const Fault faults[] = {
      {"cannot create", [] { sim::SetFileCreationFails(true); }},
      {"disk full at once", [] { sim::SetFileWriteLimit(0); }},
      {"disk full midway", [] { sim::SetFileWriteLimit(500); }},
      {"disk full at the last byte", [] { sim::SetFileWriteLimit(1011); }},
      {"cannot replace", [] { sim::SetReplaceFails(true); }},
  };
  for (const Fault& fault : faults) {
    SCOPED_TRACE(fault.what);
    sim::Reset(sandbox.Root());
    registry.InitRegistry("Quennet", "Korvel");
    Modality().SetMainWindow(kMainWindow);
    WriteHost(kConfigPath, old);
    fault.inject();
    for (int mode : {0, 2}) {
      sim::ClearShownMessageBoxes();
      WriteConfiguration(changed, WindowEdges{3, 4}, registry, mode);
      EXPECT_EQ(Messages(), Texts{kCannotWrite});
      EXPECT_EQ(ReadHost(kConfigPath), old);
      EXPECT_FALSE(HostExists("C:\\WINDOWS\\Korvel.cfg.new"));
      EXPECT_FALSE(sim::RegistryKeyExists(kHkeyCurrentUser, kProductKey));
    }
  }
}

TEST_F(ConfigurationStoreTest, WriteThatJustFitsSucceeds) {
  sim::SetFileWriteLimit(1012);
  WriteConfiguration(Sample(), WindowEdges{}, registry, 2);
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(ReadHost(kConfigPath).size(), 1012u);
}

}  // namespace
}  // namespace korvel
