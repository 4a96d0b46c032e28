// A stand-in for FluidSynth's command shell: a thread listening on a free
// localhost port that answers `load`, `unload`, `fonts` and `echo` as
// FluidSynth 2.3 does, keeps the fonts it "loaded" (a load succeeds when the
// file exists), records every line it is sent, and can drop its connection
// after a given number of lines, as a FluidSynth that is stopped would.
#pragma once

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace korvel::fluid::testing {

class FluidStandIn {
 public:
  // On `port`, or on a free one.
  explicit FluidStandIn(std::uint16_t port = 0) {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    int on = 1;
    ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(listener_, 4);
    socklen_t length = sizeof address;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~FluidStandIn() {
    stop_ = true;
    thread_.join();
    ::close(listener_);
  }

  std::uint16_t Port() const { return port_; }
  // Closes the connection once it has answered `lines` more lines.
  void DropAfter(int lines) { dropAfter_ = lines; }
  // Forgets every font, as a restarted FluidSynth would.
  void Restart() {
    std::lock_guard<std::mutex> lock(mutex_);
    fonts_.clear();
  }
  void Preload(const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    fonts_[nextId_++] = {path, 0};
  }
  // Every line received but the `echo` lines the client ends its commands with.
  std::vector<std::string> Commands() {
    std::lock_guard<std::mutex> lock(mutex_);
    return commands_;
  }
  int Connections() const { return connections_; }
  // Bank offset of each loaded font, by path.
  std::map<std::string, int> Offsets() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::map<std::string, int> offsets;
    for (const auto& [id, font] : fonts_) offsets[font.path] = font.offset;
    return offsets;
  }

 private:
  struct Font {
    std::string path;
    int offset;
  };

  void Serve() {
    while (!stop_) {
      pollfd entry{listener_, POLLIN, 0};
      if (::poll(&entry, 1, 20) <= 0) continue;
      int client = ::accept(listener_, nullptr, nullptr);
      if (client < 0) continue;
      ++connections_;
      Talk(client);
      ::close(client);
    }
  }

  void Talk(int client) {
    std::string pending;
    char buffer[4096];
    while (!stop_) {
      pollfd entry{client, POLLIN, 0};
      if (::poll(&entry, 1, 20) <= 0) continue;
      ssize_t got = ::recv(client, buffer, sizeof buffer, 0);
      if (got <= 0) return;
      pending.append(buffer, static_cast<std::size_t>(got));
      std::size_t end;
      while ((end = pending.find('\n')) != std::string::npos) {
        std::string line = pending.substr(0, end);
        pending.erase(0, end + 1);
        // Decided before the answer goes out: a client that has the answer
        // may set the next drop at once.
        const bool last = dropAfter_ > 0 && --dropAfter_ == 0;
        std::string answer = Answer(line);
        ::send(client, answer.data(), answer.size(), MSG_NOSIGNAL);
        if (last) return;
      }
    }
  }

  std::string Answer(const std::string& line) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (line.rfind("echo ", 0) == 0) return line.substr(5) + "\n";
    commands_.push_back(line);
    if (line == "fonts") {
      std::string table = "ID  Name\n";
      for (auto it = fonts_.rbegin(); it != fonts_.rend(); ++it)
        table += " " + std::to_string(it->first) + "  " + it->second.path + "\n";
      return table;
    }
    if (line.rfind("load \"", 0) == 0) {
      std::string path = Unquoted(line.substr(5));
      int offset = std::atoi(line.substr(line.rfind(' ') + 1).c_str());
      if (!std::filesystem::exists(path)) return "failed to load the SoundFont\n";
      fonts_[nextId_] = {path, offset};
      return "loaded SoundFont has ID " + std::to_string(nextId_++) + "\n";
    }
    if (line.rfind("unload ", 0) == 0) {
      int id = std::atoi(line.substr(7).c_str());
      return fonts_.erase(id) ? "" : "failed to unload the SoundFont\n";
    }
    return "unknown command: " + line + " (try help)\n";
  }

  // A double-quoted argument at the start of `text`, read as the shell reads
  // it: a backslash takes the character after it.
  static std::string Unquoted(const std::string& text) {
    std::string value;
    for (std::size_t i = 1; i < text.size() && text[i] != '"'; ++i)
      value += text[i] == '\\' && i + 1 < text.size() ? text[++i] : text[i];
    return value;
  }

  int listener_;
  std::uint16_t port_ = 0;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<int> dropAfter_{-1};
  std::atomic<int> connections_{0};
  std::mutex mutex_;
  std::map<int, Font> fonts_;
  int nextId_ = 1;
  std::vector<std::string> commands_;
};

}  // namespace korvel::fluid::testing
