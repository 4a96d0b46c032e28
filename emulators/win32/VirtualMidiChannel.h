// The wire between virtual MIDI ports and the programs that test them: a
// block of named shared memory that every process of one Wine prefix (one
// wineserver) sees. Each port, found by its name, has two rings of messages:
// what is fed into its input and what its output received. Writers append;
// every reader keeps its own cursor, so all readers see every message, as all
// devices on a MIDI cable do. A named mutex guards the block.
//
// Like a cable, the wire loses nothing: a writer waits while the ring is full
// for a reader that has not read it yet. It waits only for readers that can
// read on: not for one on the writer's own thread, not for one that has left
// or whose process has ended, and not for one that has read nothing for
// kStalledReaderMs while a writer waited (that reader then misses what it did
// not read, and its next read counts it).
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
// Readers the channel knows at a time, in all processes together.
constexpr int kChannelReaders = 32;
// A reader that reads nothing for this long while a writer waits for it is
// taken to have stopped reading.
constexpr DWORD kStalledReaderMs = 1000;

class VirtualMidiChannel {
 public:
  class Reader;

  // Opens the block, creating it when no process has yet; null on failure.
  static std::unique_ptr<VirtualMidiChannel> Open();
  ~VirtualMidiChannel();
  VirtualMidiChannel(const VirtualMidiChannel&) = delete;
  VirtualMidiChannel& operator=(const VirtualMidiChannel&) = delete;

  // The port's slot, added on first use; -1 for an empty or too long name
  // or when all slots are taken.
  int Port(const std::string& name);
  // Waits while the ring is full for a reader that can read on, then appends.
  void Append(int port, Side side, const WireMessage& message);
  // How many messages were ever appended to the side.
  std::uint64_t Written(int port, Side side);
  // How many readers follow the side of the port.
  int Readers(int port, Side side);

 private:
  struct Block;
  class Lock;
  class RoomWait;
  VirtualMidiChannel(HANDLE mapping, Block* block, HANDLE mutex, HANDLE room);

  // Appends unless a reader that can read on has the ring full; then false.
  bool TryAppend(int port, Side side, const WireMessage& message, RoomWait* wait);

  HANDLE mapping_;
  Block* block_;
  HANDLE mutex_;
  HANDLE room_;  // signalled when a reader reads a ring that was full for it
  HANDLE readerSignals_[kChannelReaders] = {};
};

// One reader of one side of the channel, with a cursor of its own for each
// port it follows. It follows a port from its first Follow or ReadFrom of it
// until it is destroyed; its process ending also ends it.
class VirtualMidiChannel::Reader {
 public:
  // `thread` is the one that reads (each read also makes its thread the one).
  Reader(VirtualMidiChannel& channel, Side side, DWORD thread = ::GetCurrentThreadId());
  ~Reader();
  Reader(const Reader&) = delete;
  Reader& operator=(const Reader&) = delete;

  // Follows the port from now on; returns the cursor (the messages so far).
  std::uint64_t Follow(int port);
  // Follows the port and appends its messages from `*cursor` on, moving the
  // cursor past them; messages already overwritten are skipped. Returns how
  // many were skipped.
  std::uint64_t ReadFrom(int port, std::uint64_t* cursor, std::vector<WireMessage>* messages);
  // Signalled when a message comes to a port this reader follows and had read
  // to the end of.
  HANDLE Signal() const { return signal_; }

 private:
  VirtualMidiChannel& channel_;
  const Side side_;
  int slot_ = -1;  // none when all are taken: the reader then only polls, and is waited for by no one
  HANDLE signal_;
  HANDLE ownSignal_ = nullptr;
};

}  // namespace korvel::emu::vmidi
