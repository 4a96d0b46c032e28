// The wire between virtual MIDI ports and the programs that test them: a
// block of named shared memory that every process of one Wine prefix (one
// wineserver) sees. Each port, found by its name, has two rings of messages:
// what is fed into its input and what its output received. Writers append;
// every reader keeps its own cursor, so all readers see every message, as all
// devices on a MIDI cable do. A named mutex guards the block; named events
// wake readers after a write (readers also poll, as an auto-reset event wakes
// only one of them).
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace korvel::emu::vmidi {

// A short message is the packed form midiOutShortMsg takes; a long one its bytes.
struct WireMessage {
  bool isLong = false;
  std::uint32_t shortMessage = 0;
  std::vector<std::uint8_t> bytes;
};

enum class Side { kInput, kOutput };

constexpr int kChannelPorts = 16;
constexpr std::size_t kChannelNameLength = 31;
// Longer long messages keep only their first bytes on the wire.
constexpr std::size_t kChannelLongBytes = 4088;

class VirtualMidiChannel {
 public:
  // Opens the block, creating it when no process has yet; null on failure.
  static std::unique_ptr<VirtualMidiChannel> Open();
  ~VirtualMidiChannel();
  VirtualMidiChannel(const VirtualMidiChannel&) = delete;
  VirtualMidiChannel& operator=(const VirtualMidiChannel&) = delete;

  // The port's slot, added on first use; -1 for an empty or too long name
  // or when all slots are taken.
  int Port(const std::string& name);
  void Append(int port, Side side, const WireMessage& message);
  // How many messages were ever appended to the side.
  std::uint64_t Written(int port, Side side);
  // Appends the messages from `*cursor` on and moves the cursor past them;
  // messages already overwritten are skipped. Returns how many were skipped.
  std::uint64_t ReadFrom(int port, Side side, std::uint64_t* cursor,
                         std::vector<WireMessage>* messages);
  // Signalled after an append to a side: wakes one waiting reader.
  HANDLE WriteSignal(Side side) const { return side == Side::kInput ? fed_ : sent_; }

 private:
  struct Block;
  class Lock;
  VirtualMidiChannel(HANDLE mapping, Block* block, HANDLE mutex, HANDLE fed, HANDLE sent);

  HANDLE mapping_;
  Block* block_;
  HANDLE mutex_;
  HANDLE fed_;
  HANDLE sent_;
};

}  // namespace korvel::emu::vmidi
