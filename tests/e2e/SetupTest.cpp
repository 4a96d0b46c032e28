// Setup.exe in a fresh Wine prefix, started from C:\Korvel as a user who
// unpacked Korvel there would start it: "&Finish installation..." writes the
// configuration, the start menu group with its five real shell links and the
// uninstall registration, and Korvel then starts from what it wrote;
// "&Cancel Install" writes nothing; a damaged configuration is reported and
// written again whole, a read-only one kept under a box owned by Setup's
// window; Uninst.exe, from a start menu in an odd folder that holds the
// user's own files too, refuses while Korvel runs, then removes what Setup
// and Korvel added and nothing of the user's.
#include <windows.h>
#include <intshcut.h>
#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "config/ConfigFile.h"
#include "resources/forms/SetupControlIds.h"
#include "tests/support/KorvelSession.h"
#include "tests/support/PrefixFiles.h"
#include "tests/support/RealInput.h"
#include "tests/support/WindowDriver.h"

namespace {

using namespace testing_support;

constexpr int kTimeoutMs = 60000;
constexpr char kHome[] = "C:\\Korvel";
constexpr char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Korvel";
constexpr char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

struct Link {
  std::string target;
  std::string description;
};

// The shell's own reading of a link file.
Link ReadLink(const std::string& path) {
  Link link;
  IShellLinkA* shellLink = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&shellLink))))
    return link;
  IPersistFile* file = nullptr;
  if (SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    WCHAR wide[MAX_PATH] = {};
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
    if (SUCCEEDED(file->Load(wide, STGM_READ))) {
      char text[MAX_PATH] = {};
      if (SUCCEEDED(shellLink->GetPath(text, MAX_PATH, nullptr, 0))) link.target = text;
      text[0] = '\0';
      if (SUCCEEDED(shellLink->GetDescription(text, MAX_PATH))) link.description = text;
    }
    file->Release();
  }
  shellLink->Release();
  return link;
}

// The shell's reading of an Internet shortcut: its web address.
std::string ReadInternetShortcut(const std::string& path) {
  std::string url;
  IUniformResourceLocatorA* locator = nullptr;
  if (FAILED(CoCreateInstance(CLSID_InternetShortcut, nullptr, CLSCTX_INPROC_SERVER, IID_IUniformResourceLocatorA,
                              reinterpret_cast<void**>(&locator))))
    return "<no shell object>";
  IPersistFile* file = nullptr;
  if (SUCCEEDED(locator->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    WCHAR wide[MAX_PATH] = {};
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
    char* text = nullptr;
    if (SUCCEEDED(file->Load(wide, STGM_READ)) && SUCCEEDED(locator->GetURL(&text)) && text) {
      url = text;
      CoTaskMemFree(text);
    }
    file->Release();
  }
  locator->Release();
  return url;
}

std::string Lower(std::string text) {
  CharLowerBuffA(&text[0], static_cast<DWORD>(text.size()));
  return text;
}

std::string RegistryText(HKEY hive, const char* path, const char* name) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(hive, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return "<no key>";
  char text[512] = {};
  DWORD size = sizeof text - 1;
  const LONG result = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size);
  RegCloseKey(key);
  return result == ERROR_SUCCESS ? std::string(text) : "<no value>";
}

class SetupTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { CoInitialize(nullptr); }

  void SetUp() override {
    // The folder a user unpacked: the programs and the emulated sound
    // hardware's components, which the installed Korvel then finds.
    CreateDirectoryA(kHome, nullptr);
    CreateDirectoryA((std::string(kHome) + "\\Banks").c_str(), nullptr);
    const std::string exe = LocateKorvel();
    const std::string folder = exe.substr(0, exe.find_last_of('\\'));
    for (const char* file : {"Korvel.exe", "Setup.exe", "Uninst.exe"})
      ASSERT_TRUE(CopyFileA((folder + "\\" + file).c_str(), (std::string(kHome) + "\\" + file).c_str(), FALSE));
    const std::string emulators = WinePathFromEnvironment("KORVEL_EMULATORS");
    for (const char* file : {"EWSAUDIO.DRV", "SFMAN32.DLL", "AWEMAN32.DLL"})
      ASSERT_TRUE(CopyFileA((emulators + "\\" + file).c_str(), (std::string(kHome) + "\\" + file).c_str(), FALSE));
    DeleteFileA(InWindowsFolder("Korvel.cfg").c_str());
    DeleteFileA(InWindowsFolder("Korvel.cfg.damaged").c_str());
    char programs[MAX_PATH] = {};
    ASSERT_EQ(SHGetFolderPathA(nullptr, CSIDL_PROGRAMS, nullptr, 0, programs), S_OK);
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kShellFolders, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, "Programs", 0, REG_SZ, reinterpret_cast<const BYTE*>(programs),
                   static_cast<DWORD>(strlen(programs) + 1));
    RegCloseKey(key);
    group_ = std::string(programs) + "\\Korvel";
  }

  // Starts Setup from the installation folder and waits for its window,
  // answering its message boxes meanwhile.
  HWND StartSetup() {
    EXPECT_TRUE(setup_.Start(std::string(kHome) + "\\Setup.exe", kHome));
    EXPECT_TRUE(setup_.WaitForStartUp(kTimeoutMs));
    EXPECT_EQ(WindowText(setup_.Main()), "Korvel Setup");
    return setup_.Main();
  }
  void PressAndWaitForTheEnd(HWND window, int button) {
    ClickControl(FindControl(window, button));
    DWORD exitCode = 99;
    ASSERT_TRUE(setup_.WaitForEnd(kTimeoutMs, &exitCode));
    EXPECT_EQ(exitCode, 0u);
  }
  std::vector<std::string> GroupLinks() const {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((group_ + "\\*.lnk").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do names.push_back(found.cFileName);
    while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
  }
  static korvel::Configuration WrittenConfiguration(korvel::WindowEdges& edges) {
    const auto bytes = ReadFileBytes(InWindowsFolder("Korvel.cfg"));
    EXPECT_EQ(bytes.size(), 1012u);
    korvel::Configuration config;
    EXPECT_EQ(korvel::DecodeConfigFile(bytes.data(), bytes.size(), config, edges),
              korvel::ConfigDecodeStatus::Complete);
    return config;
  }

  KorvelSession setup_;
  std::string group_;
};

TEST_F(SetupTest, FinishingInstallsKorvelWhichThenStartsFromIt) {
  HWND window = StartSetup();
  ASSERT_NE(window, nullptr);
  ClickControl(FindControl(window, korvel::ctl::setup::edBankFolder));
  TypeText("c:\\Korvel\\Banks");
  PressAndWaitForTheEnd(window, korvel::ctl::setup::Button1);
  EXPECT_TRUE(setup_.Boxes().empty()) << setup_.Boxes().front().text;

  korvel::WindowEdges edges;
  edges.left = edges.top = 12345;  // -1 in the file leaves them as they are
  const korvel::Configuration config = WrittenConfiguration(edges);
  EXPECT_EQ(config.cflags, 0xE05Fu);
  EXPECT_EQ(config.homedrive, 2);
  EXPECT_STREQ(config.homedir, "c:\\Korvel");
  EXPECT_STREQ(config.bankfolder, "c:\\Korvel\\Banks");
  EXPECT_EQ(edges.left, 12345);
  EXPECT_EQ(edges.top, 12345);

  std::map<std::string, Link> links;
  for (const std::string& name : GroupLinks()) links[name] = ReadLink(group_ + "\\" + name);
  ASSERT_EQ(links.size(), 4u);
  const std::map<std::string, std::string> targets = {{"Korvel v1.2.lnk", "c:\\Korvel\\Korvel.exe"},
                                                      {"Korvel Help.lnk", "c:\\Korvel\\Korvel.htm"},
                                                      {"How to Report Problems.lnk", "c:\\Korvel\\BugRep.txt"},
                                                      {"Uninstall Korvel.lnk", "c:\\Korvel\\uninst.exe"}};
  for (const auto& [name, target] : targets) {
    ASSERT_EQ(links.count(name), 1u) << name;
    EXPECT_EQ(Lower(links[name].target), Lower(target)) << name;
    EXPECT_EQ(links[name].description + ".lnk", name);
  }
  EXPECT_EQ(ReadInternetShortcut(group_ + "\\Korvel Homepage.url"), "http://www.korvel.example/");

  EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName"), "Korvel v1.2");
  EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString"), "c:\\Korvel\\Uninst.exe");

  // Korvel starts from what Setup wrote, and deletes Setup.exe.
  KorvelSession korvel;
  ASSERT_TRUE(korvel.Start(std::string(kHome) + "\\Korvel.exe", kHome));
  ASSERT_TRUE(korvel.WaitForStartUp(kTimeoutMs));
  DWORD exitCode = 99;
  ASSERT_TRUE(korvel.CloseWithButton(kTimeoutMs, &exitCode));
  EXPECT_EQ(exitCode, 0u);
  for (const auto& box : korvel.Boxes()) ADD_FAILURE() << box.caption << ": " << box.text;
  EXPECT_EQ(GetFileAttributesA((std::string(kHome) + "\\Setup.exe").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(SetupTest, CancellingWritesNothing) {
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, kUninstallKey);
  const std::vector<std::string> before = GroupLinks();
  HWND window = StartSetup();
  ASSERT_NE(window, nullptr);
  PressAndWaitForTheEnd(window, korvel::ctl::setup::Button2);
  EXPECT_EQ(GetFileAttributesA(InWindowsFolder("Korvel.cfg").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GroupLinks(), before);
  EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName"), "<no key>");
}

TEST_F(SetupTest, ADamagedConfigurationIsReportedAndWrittenAgainWhole) {
  const std::vector<std::uint8_t> damaged(300, 0xFF);
  ASSERT_TRUE(WriteFileBytes(InWindowsFolder("Korvel.cfg"), damaged));
  HWND window = StartSetup();
  ASSERT_NE(window, nullptr);
  PressAndWaitForTheEnd(window, korvel::ctl::setup::Button1);
  ASSERT_EQ(setup_.Boxes().size(), 1u);
  EXPECT_EQ(setup_.Boxes()[0].text, "Corrupted configuration file.\n" + InWindowsFolder("Korvel.cfg") +
                                        ": unreadable, the defaults are used. A copy is kept as " +
                                        InWindowsFolder("Korvel.cfg.damaged") + ".");
  EXPECT_EQ(ReadFileBytes(InWindowsFolder("Korvel.cfg.damaged")), damaged);
  korvel::WindowEdges edges;
  const korvel::Configuration config = WrittenConfiguration(edges);
  EXPECT_EQ(config.cflags, 0xE05Fu);
  EXPECT_STREQ(config.homedir, "c:\\Korvel");
}

// Without an owner the box left the window usable: "&Cancel Install" under it
// left no group but registered the uninstaller.
TEST_F(SetupTest, AReadOnlyConfigurationIsKeptUnderABoxOwnedBySetupsWindow) {
  const auto encoded = korvel::EncodeConfigFile(korvel::Configuration{}, korvel::WindowEdges{});
  const std::vector<std::uint8_t> before(encoded.begin(), encoded.end());
  ASSERT_TRUE(WriteFileBytes(InWindowsFolder("Korvel.cfg"), before));
  ASSERT_TRUE(SetFileAttributesA(InWindowsFolder("Korvel.cfg").c_str(), FILE_ATTRIBUTE_READONLY));
  HWND window = StartSetup();
  ASSERT_NE(window, nullptr);
  ClickControl(FindControl(window, korvel::ctl::setup::Button1));
  HWND owner = nullptr;
  bool windowEnabled = true;
  DWORD exitCode = 99;
  ASSERT_TRUE(setup_.WaitForEnd(kTimeoutMs, &exitCode, [&](const MessageBoxSeen& box) {
    owner = GetWindow(FindMessageBox(setup_.Pid()), GW_OWNER);
    windowEnabled = IsWindowEnabled(window) != FALSE;
    return KorvelSession::DefaultAnswer(box);
  }));
  ASSERT_EQ(setup_.Boxes().size(), 1u);
  EXPECT_EQ(setup_.Boxes()[0].text, "Could not write configuration file.");
  EXPECT_EQ(owner, window);
  EXPECT_FALSE(windowEnabled);
  SetFileAttributesA(InWindowsFolder("Korvel.cfg").c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(ReadFileBytes(InWindowsFolder("Korvel.cfg")), before);
  EXPECT_EQ(GetFileAttributesA(InWindowsFolder("Korvel.cfg.new").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(SetupTest, TheUninstallerRemovesWhatWasAddedAndKeepsTheUsersFiles) {
  // A start menu of its own, whose group folder already holds the user's
  // files: "notes.lnkx" is found by "*.lnk" through its short name.
  const std::string programs = "C:\\My Menu (old)\\Programs";
  CreateDirectoryA("C:\\My Menu (old)", nullptr);
  CreateDirectoryA(programs.c_str(), nullptr);
  group_ = programs + "\\Korvel";
  CreateDirectoryA(group_.c_str(), nullptr);
  const std::string usersInGroup[] = {group_ + "\\notes.lnkx", group_ + "\\Mine.lnk"};
  for (const std::string& file : usersInGroup) ASSERT_TRUE(WriteFileBytes(file, {4, 5, 6}));
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kShellFolders, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(key, "Programs", 0, REG_SZ, reinterpret_cast<const BYTE*>(programs.c_str()),
                 static_cast<DWORD>(programs.size() + 1));
  RegCloseKey(key);

  HWND window = StartSetup();
  ASSERT_NE(window, nullptr);
  PressAndWaitForTheEnd(window, korvel::ctl::setup::Button1);
  // The four links and the user's two files, one found through its short name.
  ASSERT_EQ(GroupLinks().size(), 6u);
  // What Korvel adds in use: its key, a start-up shortcut, a preset, a bank.
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\Quennet\\Korvel", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &key, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(key);
  const std::string startup = std::string(kHome) + "\\StartUp";
  CreateDirectoryA(startup.c_str(), nullptr);
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kShellFolders, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(key, "Startup", 0, REG_SZ, reinterpret_cast<const BYTE*>(startup.c_str()),
                 static_cast<DWORD>(startup.size() + 1));
  RegCloseKey(key);
  const std::string userFiles[] = {startup + "\\Korvel.lnk", std::string(kHome) + "\\Live.pre",
                                   std::string(kHome) + "\\Banks\\Piano.tts"};
  for (const std::string& file : userFiles) ASSERT_TRUE(WriteFileBytes(file, {1, 2, 3}));

  // While Korvel runs it would write its settings back: nothing is removed.
  KorvelSession korvel;
  ASSERT_TRUE(korvel.Start(std::string(kHome) + "\\Korvel.exe", kHome));
  ASSERT_TRUE(korvel.WaitForStartUp(kTimeoutMs));
  {
    KorvelSession refused;
    ASSERT_TRUE(refused.Start(std::string(kHome) + "\\Uninst.exe", kHome));
    DWORD exitCode = 99;
    ASSERT_TRUE(refused.WaitForEnd(kTimeoutMs, &exitCode));
    EXPECT_EQ(exitCode, 1u);
    ASSERT_EQ(refused.Boxes().size(), 1u);
    EXPECT_EQ(refused.Boxes()[0].text,
              "Korvel is running. Close it with \"Close\" in its tray menu, then start the uninstaller again.");
    EXPECT_EQ(GroupLinks().size(), 6u);
  }
  DWORD exitCode = 99;
  ASSERT_TRUE(korvel.CloseWithButton(kTimeoutMs, &exitCode));
  // What an unfinished write of Korvel's would leave, which its reader takes.
  ASSERT_TRUE(WriteFileBytes(InWindowsFolder("Korvel.cfg.new"), {1, 2, 3}));

  KorvelSession uninstaller;
  ASSERT_TRUE(uninstaller.Start(std::string(kHome) + "\\Uninst.exe", kHome));
  ASSERT_TRUE(uninstaller.WaitForEnd(kTimeoutMs, &exitCode));  // Yes, then OK
  EXPECT_EQ(exitCode, 0u);
  ASSERT_EQ(uninstaller.Boxes().size(), 2u);
  // The group folder holds the user's files: it stays, and the message says why.
  EXPECT_EQ(uninstaller.Boxes()[1].text,
            "Removed: the start menu entries, the start-up shortcut, the settings and the uninstall entry.\n"
            "The start menu folder " + group_ + " was kept: it holds files that are not Korvel's.\n"
            "The program files were kept in C:\\Korvel; delete that folder to remove them too.\n"
            "Your presets and banks were kept.");

  std::vector<std::string> left = GroupLinks();
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"Mine.lnk", "notes.lnkx"}));
  EXPECT_EQ(GetFileAttributesA((group_ + "\\Korvel Homepage.url").c_str()), INVALID_FILE_ATTRIBUTES);
  for (const std::string& file : usersInGroup)
    EXPECT_NE(GetFileAttributesA(file.c_str()), INVALID_FILE_ATTRIBUTES) << file;
  EXPECT_EQ(GetFileAttributesA(InWindowsFolder("Korvel.cfg.new").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName"), "<no key>");
  EXPECT_EQ(RegistryText(HKEY_CURRENT_USER, "SOFTWARE\\Quennet\\Korvel", ""), "<no key>");
  EXPECT_EQ(GetFileAttributesA(InWindowsFolder("Korvel.cfg").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesA(userFiles[0].c_str()), INVALID_FILE_ATTRIBUTES) << "the start-up shortcut";
  for (const std::string& file : {userFiles[1], userFiles[2], std::string(kHome) + "\\Korvel.exe"})
    EXPECT_NE(GetFileAttributesA(file.c_str()), INVALID_FILE_ATTRIBUTES) << file;
}

}  // namespace
