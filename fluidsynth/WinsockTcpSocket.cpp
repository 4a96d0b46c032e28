// TcpSocket over Winsock: the Windows build (the bridge DLL and its users).
// Winsock 1.1, which every Win32 system has; <windows.h> brings <winsock.h>.
#include <windows.h>
#include <winsock.h>

#include "fluidsynth/TcpSocket.h"

namespace korvel::fluid {
namespace {

// Winsock is started once per process and left running until it ends: the
// DLL's users may hold connections until their own exit.
bool WinsockStarted() {
  static const bool started = [] {
    WSADATA data;
    return ::WSAStartup(MAKEWORD(1, 1), &data) == 0;
  }();
  return started;
}

bool WaitFor(SOCKET s, bool forWrite, int timeoutMs) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(s, &set);
  fd_set failed;
  FD_ZERO(&failed);
  FD_SET(s, &failed);
  timeval limit{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
  int ready = forWrite ? ::select(0, nullptr, &set, &failed, &limit)
                       : ::select(0, &set, nullptr, &failed, &limit);
  return ready > 0 && FD_ISSET(s, &set);
}

class WinsockTcpSocket final : public TcpSocket {
 public:
  explicit WinsockTcpSocket(SOCKET s) : socket_(s) {}
  ~WinsockTcpSocket() override { ::closesocket(socket_); }
  WinsockTcpSocket(const WinsockTcpSocket&) = delete;
  WinsockTcpSocket& operator=(const WinsockTcpSocket&) = delete;

  bool SendAll(const char* data, std::size_t size) override {
    while (size > 0) {
      int sent = ::send(socket_, data, static_cast<int>(size), 0);
      if (sent == SOCKET_ERROR && ::WSAGetLastError() == WSAEWOULDBLOCK) {
        if (!WaitFor(socket_, true, 1000)) return false;
        continue;
      }
      if (sent <= 0) return false;
      data += sent;
      size -= static_cast<std::size_t>(sent);
    }
    return true;
  }

  ReceiveResult Receive(char* buffer, std::size_t size, int timeoutMs,
                        std::size_t* received) override {
    *received = 0;
    if (!WaitFor(socket_, false, timeoutMs)) return ReceiveResult::kTimeout;
    int got = ::recv(socket_, buffer, static_cast<int>(size), 0);
    if (got == SOCKET_ERROR && ::WSAGetLastError() == WSAEWOULDBLOCK) return ReceiveResult::kTimeout;
    if (got <= 0) return ReceiveResult::kClosed;
    *received = static_cast<std::size_t>(got);
    return ReceiveResult::kData;
  }

 private:
  SOCKET socket_;
};

bool ResolveIpv4(const std::string& host, in_addr* address) {
  unsigned long dotted = ::inet_addr(host.c_str());
  if (dotted != INADDR_NONE) {
    address->s_addr = dotted;
    return true;
  }
  const hostent* entry = ::gethostbyname(host.c_str());
  if (!entry || entry->h_addrtype != AF_INET || !entry->h_addr_list[0]) return false;
  address->s_addr = *reinterpret_cast<const unsigned long*>(entry->h_addr_list[0]);
  return true;
}

}  // namespace

std::unique_ptr<TcpSocket> ConnectTcp(const std::string& host, std::uint16_t port, int timeoutMs) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = ::htons(port);
  if (!WinsockStarted() || !ResolveIpv4(host, &address.sin_addr)) return nullptr;
  SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return nullptr;
  auto connection = std::make_unique<WinsockTcpSocket>(s);
  u_long nonBlocking = 1;
  ::ioctlsocket(s, FIONBIO, &nonBlocking);
  if (::connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 &&
      (::WSAGetLastError() != WSAEWOULDBLOCK || !WaitFor(s, true, timeoutMs)))
    return nullptr;
  BOOL on = TRUE;  // commands are short lines: send each at once
  ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
  return connection;
}

}  // namespace korvel::fluid
