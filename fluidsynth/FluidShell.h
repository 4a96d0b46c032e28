// A client of FluidSynth's command shell (`fluidsynth -s`, a TCP port that
// takes one command per line and prints its answers). It connects on demand,
// gives up on a connection after a second, and sees a connection the server
// dropped (a FluidSynth restarted) and connects again on the next command.
//
//   FluidShell shell("127.0.0.1", 9800);
//   std::vector<std::string> reply;
//   if (shell.Command(LoadCommand("/x/piano.sf2", 1), &reply) == ShellStatus::kOk)
//     std::optional<int> id = ParseLoadedId(reply);
//   shell.Send("noteon 0 60 100");   // no answer is waited for
//
// FluidSynth prints nothing after a command that has no answer and no prompt
// on its TCP port, so Command sends `echo` with a marker after the command
// and reads up to the marker's line: it knows where the answer ends without
// waiting out a timeout. One thread at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "fluidsynth/TcpSocket.h"

namespace korvel::fluid {

enum class ShellStatus {
  kOk,
  kUnreachable,   // no FluidSynth answers at host:port
  kDisconnected,  // the connection failed during the command, or no answer in time
  kRefused,       // the line holds a line break or another control character: not sent
};

class FluidShell {
 public:
  static constexpr int kConnectTimeoutMs = 1000;
  static constexpr int kReplyTimeoutMs = 1000;

  FluidShell(std::string host, std::uint16_t port);

  // Sends `line` and collects the lines FluidSynth prints in answer, at most
  // timeoutMs after the last one came.
  ShellStatus Command(const std::string& line, std::vector<std::string>* reply,
                      int timeoutMs = kReplyTimeoutMs);
  // Sends `line` and returns at once; what it prints is dropped later.
  ShellStatus Send(const std::string& line);
  void Disconnect() { socket_.reset(); }
  bool Connected() const { return socket_ != nullptr; }
  const std::string& Host() const { return host_; }
  std::uint16_t Port() const { return port_; }

 private:
  ShellStatus Connect();
  void DropPending();
  ShellStatus ReadUntil(const std::string& marker, std::vector<std::string>* reply, int timeoutMs);

  std::string host_;
  std::uint16_t port_;
  std::unique_ptr<TcpSocket> socket_;
  std::string pending_;  // received bytes not yet a whole line
  unsigned markers_ = 0;
};

// ---- Commands and their answers ----------------------------------------------

// True when `text` can stand in a command as a quoted argument: no control
// character (line breaks among them), no DEL, no double quote.
bool IsShellSafe(const std::string& text);
// `text` in double quotes, backslashes doubled (the shell reads \\ as \).
// Only for shell-safe text.
std::string QuoteArgument(const std::string& text);

// `load "<path>" 0 <offset>`: loads without resetting the channels, the
// font's banks moved up by `offset`. Only for a shell-safe path.
std::string LoadCommand(const std::string& hostPath, unsigned offset);
// `unload <id> 0`.
std::string UnloadCommand(int id);

// The ID in "loaded SoundFont has ID <n>"; none when the load failed.
std::optional<int> ParseLoadedId(const std::vector<std::string>& reply);

struct LoadedFont {
  int id;
  std::string path;  // as FluidSynth was given it
};
// The table that `fonts` prints ("ID  Name", then " <id>  <path>" each).
std::vector<LoadedFont> ParseFonts(const std::vector<std::string>& reply);

// A reply that `unload` gives when the font was removed: nothing.
inline bool UnloadSucceeded(const std::vector<std::string>& reply) { return reply.empty(); }

}  // namespace korvel::fluid
