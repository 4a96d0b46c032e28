#include "fluidsynth/FluidShell.h"

#include <cstdlib>
#include <utility>

namespace korvel::fluid {
namespace {

bool HasControlCharacter(const std::string& text) {
  for (char c : text) {
    unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) return true;
  }
  return false;
}

// A decimal number filling all of `text`.
std::optional<int> WholeNumber(const std::string& text) {
  if (text.empty() || text.size() > 9) return std::nullopt;
  for (char c : text)
    if (c < '0' || c > '9') return std::nullopt;
  return std::atoi(text.c_str());
}

}  // namespace

FluidShell::FluidShell(std::string host, std::uint16_t port) : host_(std::move(host)), port_(port) {}

ShellStatus FluidShell::Connect() {
  if (socket_) DropPending();  // also sees a connection the server closed
  if (socket_) return ShellStatus::kOk;
  pending_.clear();
  socket_ = ConnectTcp(host_, port_, kConnectTimeoutMs);
  return socket_ ? ShellStatus::kOk : ShellStatus::kUnreachable;
}

// What earlier Sends made FluidSynth print is of no use to the next command.
void FluidShell::DropPending() {
  char buffer[4096];
  std::size_t got = 0;
  for (;;) {
    ReceiveResult result = socket_->Receive(buffer, sizeof buffer, 0, &got);
    if (result == ReceiveResult::kTimeout) break;
    if (result == ReceiveResult::kClosed) {
      socket_.reset();
      return;
    }
  }
  pending_.clear();
}

ShellStatus FluidShell::Send(const std::string& line) {
  if (HasControlCharacter(line)) return ShellStatus::kRefused;
  ShellStatus status = Connect();
  if (status != ShellStatus::kOk) return status;
  std::string text = line + "\n";
  if (!socket_->SendAll(text.data(), text.size())) {
    socket_.reset();
    return ShellStatus::kDisconnected;
  }
  return ShellStatus::kOk;
}

ShellStatus FluidShell::Command(const std::string& line, std::vector<std::string>* reply,
                                int timeoutMs) {
  reply->clear();
  if (HasControlCharacter(line)) return ShellStatus::kRefused;
  ShellStatus status = Connect();
  if (status != ShellStatus::kOk) return status;
  std::string marker = "korvel-end-" + std::to_string(++markers_);
  std::string text = line + "\necho " + marker + "\n";
  if (!socket_->SendAll(text.data(), text.size())) {
    socket_.reset();
    return ShellStatus::kDisconnected;
  }
  return ReadUntil(marker, reply, timeoutMs);
}

ShellStatus FluidShell::ReadUntil(const std::string& marker, std::vector<std::string>* reply,
                                  int timeoutMs) {
  char buffer[4096];
  for (;;) {
    std::size_t end;
    while ((end = pending_.find('\n')) != std::string::npos) {
      std::string got = pending_.substr(0, end);
      pending_.erase(0, end + 1);
      if (!got.empty() && got.back() == '\r') got.pop_back();
      if (got == marker) return ShellStatus::kOk;
      reply->push_back(std::move(got));
    }
    std::size_t received = 0;
    if (socket_->Receive(buffer, sizeof buffer, timeoutMs, &received) != ReceiveResult::kData) {
      // Closed, or silent too long: what comes later would be taken for the
      // next command's answer, so this connection is done with.
      socket_.reset();
      return ShellStatus::kDisconnected;
    }
    pending_.append(buffer, received);
  }
}

bool IsShellSafe(const std::string& text) {
  return !HasControlCharacter(text) && text.find('"') == std::string::npos;
}

std::string QuoteArgument(const std::string& text) {
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

std::string LoadCommand(const std::string& hostPath, unsigned offset) {
  return "load " + QuoteArgument(hostPath) + " 0 " + std::to_string(offset);
}

std::string UnloadCommand(int id) { return "unload " + std::to_string(id) + " 0"; }

std::optional<int> ParseLoadedId(const std::vector<std::string>& reply) {
  static const std::string kLoaded = "loaded SoundFont has ID ";
  for (const std::string& line : reply)
    if (line.compare(0, kLoaded.size(), kLoaded) == 0) return WholeNumber(line.substr(kLoaded.size()));
  return std::nullopt;
}

std::vector<LoadedFont> ParseFonts(const std::vector<std::string>& reply) {
  std::vector<LoadedFont> fonts;
  for (const std::string& line : reply) {
    std::size_t start = line.find_first_not_of(' ');
    if (start == std::string::npos) continue;
    std::size_t idEnd = line.find(' ', start);
    if (idEnd == std::string::npos) continue;
    std::optional<int> id = WholeNumber(line.substr(start, idEnd - start));
    std::size_t pathStart = line.find_first_not_of(' ', idEnd);
    if (!id || pathStart == std::string::npos) continue;  // the heading, or not a font
    fonts.push_back({*id, line.substr(pathStart)});
  }
  return fonts;
}

}  // namespace korvel::fluid
