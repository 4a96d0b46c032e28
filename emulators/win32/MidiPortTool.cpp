// korvel_midi_port: feeds and reads the virtual MIDI ports of a Wine prefix
// from the command line (run it under Wine in the same prefix).
//
//   korvel_midi_port send PORT HEX...                  e.g. send "Virtual Keyboard" 90 3C 64
//   korvel_midi_port read PORT [--wait N] [--timeout MS]
//
// send: up to three bytes that do not start with F0 go out as one short
// message, anything else as one long (system-exclusive) message.
// read: prints what the port's output received and the ring still holds,
// oldest first, one message a line in hex; --wait waits (default 5000 ms)
// until there are at least N, and fails if they do not come.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "emulators/win32/VirtualMidiClient.h"

namespace {

using korvel::emu::vmidi::VirtualMidiClient;
using korvel::emu::vmidi::WireMessage;

int Usage() {
  std::fprintf(stderr,
               "usage: korvel_midi_port send PORT HEX...\n"
               "       korvel_midi_port read PORT [--wait N] [--timeout MS]\n");
  return 2;
}

bool ParseHex(int argc, char** argv, std::vector<std::uint8_t>* bytes) {
  std::string text;
  for (int i = 0; i < argc; ++i) text += std::string(argv[i]) + " ";
  std::istringstream tokens(text);
  std::string token;
  while (tokens >> token) {
    char* end = nullptr;
    const unsigned long value = std::strtoul(token.c_str(), &end, 16);
    if (*end != '\0' || token.size() > 2) return false;
    bytes->push_back(static_cast<std::uint8_t>(value));
  }
  return !bytes->empty();
}

// The bytes of a packed short message that its status byte calls for.
int ShortLength(std::uint8_t status) {
  if (status == 0xF2) return 3;
  if (status == 0xF1 || status == 0xF3) return 2;
  if (status >= 0xF0) return 1;
  return (status & 0xE0) == 0xC0 ? 2 : 3;
}

void Print(const WireMessage& message) {
  std::vector<std::uint8_t> bytes = message.bytes;
  if (!message.isLong) {
    for (int i = 0; i < ShortLength(message.shortMessage & 0xFF); ++i) {
      bytes.push_back(static_cast<std::uint8_t>(message.shortMessage >> (8 * i)));
    }
  }
  for (std::size_t i = 0; i < bytes.size(); ++i) std::printf(i ? " %02X" : "%02X", bytes[i]);
  std::printf("\n");
}

int Send(VirtualMidiClient& client, const std::string& port, int argc, char** argv) {
  std::vector<std::uint8_t> bytes;
  if (!ParseHex(argc, argv, &bytes)) return Usage();
  bool sent = false;
  if (bytes.size() <= 3 && bytes[0] != 0xF0) {
    std::uint32_t message = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) message |= std::uint32_t{bytes[i]} << (8 * i);
    sent = client.SendShort(port, message);
  } else {
    sent = client.SendLong(port, bytes);
  }
  if (!sent) std::fprintf(stderr, "korvel_midi_port: cannot send to \"%s\"\n", port.c_str());
  return sent ? 0 : 1;
}

int Read(VirtualMidiClient& client, const std::string& port, int argc, char** argv) {
  unsigned long wait = 0, timeout = 5000;
  for (int i = 0; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--wait") wait = std::strtoul(argv[i + 1], nullptr, 10);
    else if (option == "--timeout") timeout = std::strtoul(argv[i + 1], nullptr, 10);
    else return Usage();
  }
  if (argc % 2 != 0) return Usage();
  std::uint64_t cursor = 0;
  const auto messages = client.ReadOutput(port, &cursor, wait, wait ? timeout : 0);
  for (const WireMessage& message : messages) Print(message);
  return messages.size() >= wait ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  const std::string command = argv[1];
  const std::string port = argv[2];
  VirtualMidiClient client;
  if (!client.Connected()) {
    std::fprintf(stderr, "korvel_midi_port: the virtual MIDI channel cannot be opened\n");
    return 1;
  }
  if (command == "send") return Send(client, port, argc - 3, argv + 3);
  if (command == "read") return Read(client, port, argc - 3, argv + 3);
  return Usage();
}
