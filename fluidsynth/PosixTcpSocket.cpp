// TcpSocket over POSIX sockets: the native build and its tests.
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "fluidsynth/TcpSocket.h"

namespace korvel::fluid {
namespace {

bool WaitFor(int fd, short events, int timeoutMs) {
  pollfd entry{fd, events, 0};
  int ready;
  do {
    ready = ::poll(&entry, 1, timeoutMs);
  } while (ready < 0 && errno == EINTR);
  return ready > 0;
}

class PosixTcpSocket final : public TcpSocket {
 public:
  explicit PosixTcpSocket(int fd) : fd_(fd) {}
  ~PosixTcpSocket() override { ::close(fd_); }
  PosixTcpSocket(const PosixTcpSocket&) = delete;
  PosixTcpSocket& operator=(const PosixTcpSocket&) = delete;

  bool SendAll(const char* data, std::size_t size) override {
    while (size > 0) {
      // MSG_NOSIGNAL: a closed peer is a false result, not a SIGPIPE.
      ssize_t sent = ::send(fd_, data, size, MSG_NOSIGNAL);
      if (sent < 0 && errno == EINTR) continue;
      if (sent < 0 && errno == EAGAIN) {
        if (!WaitFor(fd_, POLLOUT, 1000)) return false;
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
    if (!WaitFor(fd_, POLLIN, timeoutMs)) return ReceiveResult::kTimeout;
    ssize_t got;
    do {
      got = ::recv(fd_, buffer, size, 0);
    } while (got < 0 && errno == EINTR);
    if (got < 0 && errno == EAGAIN) return ReceiveResult::kTimeout;
    if (got <= 0) return ReceiveResult::kClosed;
    *received = static_cast<std::size_t>(got);
    return ReceiveResult::kData;
  }

 private:
  int fd_;
};

// A non-blocking connect that is given up after timeoutMs.
int ConnectWithin(const addrinfo& address, int timeoutMs) {
  int fd = ::socket(address.ai_family, address.ai_socktype, address.ai_protocol);
  if (fd < 0) return -1;
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
  if (::connect(fd, address.ai_addr, address.ai_addrlen) != 0) {
    int error = 0;
    socklen_t length = sizeof error;
    if (errno != EINPROGRESS || !WaitFor(fd, POLLOUT, timeoutMs) ||
        ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) {
      ::close(fd);
      return -1;
    }
  }
  int on = 1;  // commands are short lines: send each at once
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  return fd;
}

}  // namespace

std::unique_ptr<TcpSocket> ConnectTcp(const std::string& host, std::uint16_t port, int timeoutMs) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) return nullptr;
  int fd = ConnectWithin(*found, timeoutMs);
  ::freeaddrinfo(found);
  if (fd < 0) return nullptr;
  return std::make_unique<PosixTcpSocket>(fd);
}

}  // namespace korvel::fluid
