// The bank folder list and bank file paths: walking the list, resolving a
// bare name, shortening an absolute path, adding a folder, and the display
// name taken from a file title.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "banks/BankFiles.h"
#include "banks/BankFolders.h"
#include "platform/sim/Sim.h"

namespace korvel {
namespace {

std::vector<std::string> Walk(const char* list) {
  std::vector<std::string> folders;
  BankFolderWalk walk(list);
  char folder[kFolderSize];
  std::memset(folder, 'x', sizeof folder);
  while (walk.Next(folder)) folders.emplace_back(folder);
  EXPECT_STREQ(folder, "") << "the end of the walk leaves an empty folder";
  return folders;
}

using Folders = std::vector<std::string>;

TEST(BankFolderWalkTest, EntriesComeWithoutTrailingBackslash) {
  EXPECT_EQ(Walk("C:\\Banks;D:\\More\\"), (Folders{"C:\\Banks", "D:\\More"}));
  EXPECT_EQ(Walk("C:\\Banks"), (Folders{"C:\\Banks"}));
  EXPECT_EQ(Walk("\\Banks;E:\\"), (Folders{"\\Banks", "E:"}));
  EXPECT_EQ(Walk(""), Folders{});
  EXPECT_EQ(Walk(nullptr), Folders{});
}

TEST(BankFolderWalkTest, FilePathEntryIsCutBackAndEndsTheList) {
  EXPECT_EQ(Walk("C:\\Banks\\Piano.sf2;D:\\More"), (Folders{"C:\\Banks"}));
  EXPECT_EQ(Walk("C:\\A;C:\\B.old\\x;C:\\C"), (Folders{"C:\\A", "C:"}));
  // A dotted entry without a "\" gives no folder, and still ends the list.
  EXPECT_EQ(Walk("C:\\A;piano.sf2;C:\\C"), (Folders{"C:\\A"}));
}

TEST(BankFolderWalkTest, EmptyAndOverlongEntriesArePassedOver) {
  EXPECT_EQ(Walk(";C:\\A;;C:\\B;"), (Folders{"C:\\A", "C:\\B"}));

  const std::string longest = "C:\\" + std::string(kFolderSize - 4, 'L');  // 127 characters
  const std::string tooLong = longest + "M";                               // 128
  const std::string list = tooLong + ";" + longest + ";" + std::string(600, 'Z') + ";D:\\Z";
  EXPECT_EQ(Walk(list.c_str()), (Folders{longest, "D:\\Z"}));
  // An overlong file-path entry ends the list as a short one does.
  const std::string longFile = "C:\\" + std::string(300, 'F') + ".sf2;D:\\Z";
  EXPECT_EQ(Walk(longFile.c_str()), Folders{});
}

TEST(BankDisplayNameTest, ShortOrUserBankNamesTakeTheFileTitle) {
  char name[32] = "User Bank";
  BankDisplayName("C:\\Banks\\piano.sf2", name, sizeof name);
  EXPECT_STREQ(name, "Piano");

  std::strcpy(name, "uSER bANK");
  BankDisplayName("strings.tts", name, sizeof name);
  EXPECT_STREQ(name, "Strings");

  std::strcpy(name, "X");
  BankDisplayName("d:organ.x.sf2", name, sizeof name);
  EXPECT_STREQ(name, "Organ");

  name[0] = '\0';
  BankDisplayName("C:\\B\\9lives.sf2", name, sizeof name);
  EXPECT_STREQ(name, "9lives");
}

TEST(BankDisplayNameTest, OtherNamesAndEmptyPathsStay) {
  char name[32] = "GM";
  BankDisplayName("C:\\Banks\\piano.sf2", name, sizeof name);
  EXPECT_STREQ(name, "GM");

  std::strcpy(name, "User Banks");
  BankDisplayName("C:\\Banks\\piano.sf2", name, sizeof name);
  EXPECT_STREQ(name, "User Banks");

  std::strcpy(name, "User Bank");
  BankDisplayName("", name, sizeof name);
  EXPECT_STREQ(name, "User Bank");
}

TEST(BankDisplayNameTest, LongTitleIsCutToTheNameField) {
  char field[40];
  std::memset(field, '#', sizeof field);
  char* name = field + 4;  // a 32-byte name with guard bytes either side
  name[0] = '\0';
  const std::string path = "C:\\Banks\\" + std::string(100, 'a') + ".sf2";
  BankDisplayName(path.c_str(), name, 32);
  EXPECT_EQ(std::string(name), "A" + std::string(30, 'a'));
  EXPECT_EQ(std::string(field, 4), "####");
  EXPECT_EQ(std::string(field + 36, 4), "####");

  // An unterminated name filling its field is long enough to stay.
  char full[32];
  std::memset(full, 'Q', sizeof full);
  BankDisplayName("C:\\B\\x.sf2", full, sizeof full);
  EXPECT_EQ(std::string(full, sizeof full), std::string(32, 'Q'));
}

class BankFolderFiles : public ::testing::Test {
 protected:
  void Touch(const std::string& windowsPath, std::size_t bytes = 10) {
    const std::filesystem::path host = platform::sim::HostPath(windowsPath.c_str());
    std::filesystem::create_directories(host.parent_path());
    std::ofstream out(host, std::ios::binary);
    out << std::string(bytes, 'b');
  }
  void SetList(const std::string& list) {
    ASSERT_LT(list.size(), sizeof config.bankfolder);
    std::strcpy(config.bankfolder, list.c_str());
  }

  platform::sim::Sandbox sandbox;
  Configuration config;
};

// The file the user chose stays the one its entry names.
TEST_F(BankFolderFiles, AFileOfTheSameNameInAnEarlierFolderKeepsThePathWhole) {
  SetList("C:\\Banks;C:\\More");
  Touch("C:\\Banks\\GRAND.tts");
  Touch("C:\\More\\GRAND.tts");
  char path[kPathEntrySize] = "C:\\More\\GRAND.tts";
  ShortenBankPath(config, path);
  EXPECT_STREQ(path, "C:\\More\\GRAND.tts");
  std::strcpy(path, "C:\\Banks\\GRAND.tts");
  ShortenBankPath(config, path);
  EXPECT_STREQ(path, "GRAND.tts");
}

TEST_F(BankFolderFiles, ResolveFindsTheFirstFolderHoldingTheFile) {
  SetList("C:\\Banks;D:\\More\\;E:\\Last");
  Touch("D:\\More\\Piano.sf2");
  Touch("E:\\Last\\Piano.sf2");
  Touch("E:\\Last\\Organ.sf2");

  char path[kResolvedPathSize] = "Piano.sf2";
  EXPECT_TRUE(ResolveBankPath(config, path));
  EXPECT_STREQ(path, "D:\\More\\Piano.sf2");

  std::strcpy(path, "organ.SF2");
  EXPECT_TRUE(ResolveBankPath(config, path));
  EXPECT_STREQ(path, "E:\\Last\\organ.SF2");

  std::strcpy(path, "Missing.sf2");
  EXPECT_FALSE(ResolveBankPath(config, path));
  EXPECT_STREQ(path, "Missing.sf2");
}

TEST_F(BankFolderFiles, ResolveTakesDrivePathsAsTheyAreAndRefusesEmptyOnes) {
  SetList("C:\\Banks");
  char path[kResolvedPathSize] = "Q:\\Nowhere\\x.sf2";
  EXPECT_TRUE(ResolveBankPath(config, path));
  EXPECT_STREQ(path, "Q:\\Nowhere\\x.sf2");

  path[0] = '\0';
  EXPECT_FALSE(ResolveBankPath(config, path));

  SetList("");
  std::strcpy(path, "Piano.sf2");
  EXPECT_FALSE(ResolveBankPath(config, path));
}

TEST_F(BankFolderFiles, ResolveNeverBuildsAPathLongerThanItsBuffer) {
  // The folder + "\" + name of the first folder would take 201 characters;
  // cut to the buffer it would name another file, so only the second is tried.
  const std::string deep = "C:\\" + std::string(120, 'd');
  SetList(deep + ";C:\\Short");
  const std::string name = std::string(76, 'n') + ".sf2";  // 80 characters
  Touch(deep + "\\" + name);
  Touch("C:\\Short\\" + name);

  char buffer[kResolvedPathSize + 8];
  std::memset(buffer, '#', sizeof buffer);
  std::strcpy(buffer, name.c_str());
  EXPECT_TRUE(ResolveBankPath(config, buffer));
  EXPECT_EQ(std::string(buffer), "C:\\Short\\" + name);
  EXPECT_EQ(std::string(buffer + kResolvedPathSize, 8), "########");

  // 199 characters fit exactly.
  const std::string fits = std::string(199 - deep.size() - 1 - 4, 'f') + ".sf2";
  Touch(deep + "\\" + fits);
  std::strcpy(buffer, fits.c_str());
  EXPECT_TRUE(ResolveBankPath(config, buffer));
  EXPECT_EQ(std::string(buffer).size(), 199u);
}

TEST(ShortenBankPathTest, FileDirectlyInAFolderBecomesItsBareName) {
  Configuration config;
  std::strcpy(config.bankfolder, "D:\\Other;C:\\Banks");
  char path[kPathEntrySize] = "C:\\Banks\\Piano.sf2";
  ShortenBankPath(config, path);
  EXPECT_STREQ(path, "Piano.sf2");

  std::strcpy(path, "c:\\BANKS\\gm.x.sf2");
  ShortenBankPath(config, path);
  EXPECT_STREQ(path, "gm.x.sf2");
}

TEST(ShortenBankPathTest, OtherPathsStayAsTheyAre) {
  Configuration config;
  std::strcpy(config.bankfolder, "C:\\Banks");
  for (const char* kept : {"C:\\Banks\\Sub\\Piano.sf2", "C:\\Bank\\Piano.sf2", "Piano.sf2",
                           "\\Banks\\Piano.sf2", "C:\\Banks\\NoExtension", ""}) {
    char path[kPathEntrySize];
    std::strcpy(path, kept);
    ShortenBankPath(config, path);
    EXPECT_STREQ(path, kept);
  }
}

TEST(ShortenBankPathTest, BareNameLongerThanAPathEntryLeavesThePathAlone) {
  Configuration config;
  std::strcpy(config.bankfolder, "C:\\B");
  char path[kResolvedPathSize];
  const std::string fits = std::string(59, 'p') + ".sf2";  // 63 characters
  std::strcpy(path, ("C:\\B\\" + fits).c_str());
  ShortenBankPath(config, path);
  EXPECT_EQ(std::string(path), fits);

  const std::string tooLong = std::string(60, 'p') + ".sf2";  // 64: cut, it would name another file
  std::strcpy(path, ("C:\\B\\" + tooLong).c_str());
  ShortenBankPath(config, path);
  EXPECT_EQ(std::string(path), "C:\\B\\" + tooLong);
}

TEST(AddBankFolderTest, AddsTheFolderOfAnAbsolutePathOnce) {
  Configuration config;
  AddBankFolder(config, "C:\\Banks\\Piano.sf2");
  EXPECT_STREQ(config.bankfolder, "C:\\Banks");
  AddBankFolder(config, "c:\\banks\\Organ.sf2");
  EXPECT_STREQ(config.bankfolder, "C:\\Banks");
  AddBankFolder(config, "D:\\More\\Organ.sf2");
  EXPECT_STREQ(config.bankfolder, "C:\\Banks;D:\\More");

  std::strcpy(config.bankfolder, "C:\\A;");
  AddBankFolder(config, "D:\\B\\x.tts");
  EXPECT_STREQ(config.bankfolder, "C:\\A;D:\\B");

  // Bare names and paths without a folder add nothing.
  AddBankFolder(config, "Piano.sf2");
  AddBankFolder(config, "C:Piano.sf2");
  AddBankFolder(config, "");
  EXPECT_STREQ(config.bankfolder, "C:\\A;D:\\B");
}

TEST(AddBankFolderTest, ListStaysWithin511Characters) {
  Configuration config;
  // 500 characters; "...;C:\Ten-chars" would make 511 with the ";".
  std::string list = "C:\\" + std::string(497, 'a');
  list[100] = ';';
  std::strcpy(config.bankfolder, list.c_str());
  AddBankFolder(config, "C:\\abcdefg\\x.sf2");  // folder of 10 characters: 511 in all
  EXPECT_EQ(std::strlen(config.bankfolder), 511u);
  EXPECT_EQ(std::string(config.bankfolder).substr(500), ";C:\\abcdefg");

  std::strcpy(config.bankfolder, list.c_str());
  AddBankFolder(config, "C:\\abcdefgh\\x.sf2");  // one more: 512 would not fit
  EXPECT_EQ(std::string(config.bankfolder), list);

  // Without the ";" (the list ends in one) the same folder fits.
  list[499] = ';';
  std::strcpy(config.bankfolder, list.c_str());
  AddBankFolder(config, "C:\\abcdefgh\\x.sf2");
  EXPECT_EQ(std::strlen(config.bankfolder), 511u);

  // A folder the walk could not hold (128 characters or more) is not added.
  config.bankfolder[0] = '\0';
  const std::string deep = "C:\\" + std::string(130, 'd') + "\\x.sf2";
  AddBankFolder(config, deep.c_str());
  EXPECT_STREQ(config.bankfolder, "");
}

TEST_F(BankFolderFiles, BankFileSizeMeasuresTheFile) {
  Touch("C:\\Banks\\a.sf2", 0);
  Touch("C:\\Banks\\b.sf2", 3000);
  EXPECT_EQ(BankFileSize("C:\\Banks\\a.sf2"), 0);
  EXPECT_EQ(BankFileSize("C:\\Banks\\b.sf2"), 3000);
  EXPECT_EQ(BankFileSize("C:\\Banks\\missing.sf2"), 0);
  EXPECT_EQ(BankFileSize(nullptr), 0);
}

TEST_F(BankFolderFiles, BankFileSizeOfAHugeFileIsCapped) {
  Touch("C:\\Banks\\huge.sf2", 0);
  const std::string host = platform::sim::HostPath("C:\\Banks\\huge.sf2");
  std::filesystem::resize_file(host, (1ull << 32) + 5);  // sparse, 4 GiB + 5 bytes
  EXPECT_EQ(BankFileSize("C:\\Banks\\huge.sf2"), 0x7FFFFFFF);
}

}  // namespace
}  // namespace korvel
