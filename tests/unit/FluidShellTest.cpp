// The FluidSynth shell client against a stand-in server on localhost.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "fluidsynth/FluidShell.h"
#include "tests/unit/FluidStandIn.h"

namespace korvel::fluid {
namespace {

using testing::FluidStandIn;

std::string MakeFile(const std::string& name) {
  std::string path = (std::filesystem::temp_directory_path() / name).string();
  std::ofstream(path) << "x";
  return path;
}

TEST(FluidShellTest, LoadsListsAndUnloadsAFontWithItsOffset) {
  FluidStandIn server;
  FluidShell shell("127.0.0.1", server.Port());
  std::string path = MakeFile("korvel shell \\test.sf2");
  std::vector<std::string> reply;

  ASSERT_EQ(shell.Command(LoadCommand(path, 5), &reply), ShellStatus::kOk);
  std::optional<int> id = ParseLoadedId(reply);
  ASSERT_TRUE(id.has_value());
  EXPECT_EQ(server.Offsets()[path], 5);  // quoted, the backslash kept

  ASSERT_EQ(shell.Command("fonts", &reply), ShellStatus::kOk);
  std::vector<LoadedFont> fonts = ParseFonts(reply);
  ASSERT_EQ(fonts.size(), 1u);
  EXPECT_EQ(fonts[0].id, *id);
  EXPECT_EQ(fonts[0].path, path);

  ASSERT_EQ(shell.Command(UnloadCommand(*id), &reply), ShellStatus::kOk);
  EXPECT_TRUE(UnloadSucceeded(reply));
  ASSERT_EQ(shell.Command(UnloadCommand(*id), &reply), ShellStatus::kOk);
  EXPECT_FALSE(UnloadSucceeded(reply));
  ASSERT_EQ(shell.Command(LoadCommand(path + ".missing", 1), &reply), ShellStatus::kOk);
  EXPECT_FALSE(ParseLoadedId(reply).has_value());
  EXPECT_EQ(server.Connections(), 1);
}

TEST(FluidShellTest, RefusesLinesThatWouldBeTwoCommandsAndSendsNothing) {
  FluidStandIn server;
  FluidShell shell("127.0.0.1", server.Port());
  std::vector<std::string> reply;
  for (const char* path : {"a.sf2\nquit", "a.sf2\rquit", "tab\there.sf2", "del\x7f.sf2"}) {
    EXPECT_FALSE(IsShellSafe(path));
    EXPECT_EQ(shell.Command(LoadCommand(path, 1), &reply), ShellStatus::kRefused) << path;
    EXPECT_EQ(shell.Send(LoadCommand(path, 1)), ShellStatus::kRefused) << path;
  }
  EXPECT_FALSE(IsShellSafe("say \"hi\".sf2"));
  EXPECT_TRUE(IsShellSafe("C:/Sound Fonts/it's $1.sf2"));
  EXPECT_TRUE(server.Commands().empty());
  EXPECT_EQ(server.Connections(), 0);
}

TEST(FluidShellTest, ADroppedConnectionIsAnErrorAndTheNextCommandConnectsAgain) {
  FluidStandIn server;
  FluidShell shell("127.0.0.1", server.Port());
  std::vector<std::string> reply;
  ASSERT_EQ(shell.Command("fonts", &reply), ShellStatus::kOk);

  server.DropAfter(1);  // answers the command, then closes before the end marker
  EXPECT_EQ(shell.Command("fonts", &reply), ShellStatus::kDisconnected);
  EXPECT_FALSE(shell.Connected());
  EXPECT_EQ(shell.Command("fonts", &reply), ShellStatus::kOk);
  EXPECT_EQ(server.Connections(), 2);

  // Closed between two commands, as a FluidSynth restarted while idle: seen
  // before the next command is sent, which goes through on a new connection.
  server.DropAfter(1);
  ASSERT_EQ(shell.Send("gain 1"), ShellStatus::kOk);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(shell.Command("fonts", &reply), ShellStatus::kOk);
  EXPECT_EQ(server.Connections(), 3);
}

TEST(FluidShellTest, NoServerIsUnreachableWithinASecond) {
  std::uint16_t port;
  { FluidStandIn gone; port = gone.Port(); }  // a port nobody listens on now
  FluidShell shell("127.0.0.1", port);
  std::vector<std::string> reply;
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(shell.Command("fonts", &reply), ShellStatus::kUnreachable);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1100));
}

}  // namespace
}  // namespace korvel::fluid
