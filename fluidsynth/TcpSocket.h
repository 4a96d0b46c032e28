// A TCP connection to a server on this machine or the network, as the
// FluidSynth shell client needs it: connect with a time limit, send whole
// buffers, receive with a time limit. One implementation per platform
// (PosixTcpSocket.cpp natively, WinsockTcpSocket.cpp in the Windows build).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace korvel::fluid {

enum class ReceiveResult {
  kData,     // at least one byte
  kTimeout,  // nothing within the time limit; the connection is still up
  kClosed,   // the peer closed the connection, or it failed
};

class TcpSocket {
 public:
  virtual ~TcpSocket() = default;
  // Sends every byte; false when the connection is gone.
  virtual bool SendAll(const char* data, std::size_t size) = 0;
  // Waits at most timeoutMs (0: only looks) for bytes and reads up to `size`.
  virtual ReceiveResult Receive(char* buffer, std::size_t size, int timeoutMs,
                                std::size_t* received) = 0;
};

// Connects to host:port (a dotted address or a host name), giving up after
// timeoutMs; null when there is no server or no such host.
std::unique_ptr<TcpSocket> ConnectTcp(const std::string& host, std::uint16_t port, int timeoutMs);

}  // namespace korvel::fluid
