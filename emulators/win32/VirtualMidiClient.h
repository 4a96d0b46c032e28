// The test side of the virtual MIDI ports: feeds a port's input and reads
// what its output received, through the channel shared with winekorvel.drv
// in every process of the prefix. Ports are named as in korvelmidi.ini.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "emulators/win32/VirtualMidiChannel.h"

namespace korvel::emu::vmidi {

class VirtualMidiClient {
 public:
  VirtualMidiClient();
  // False when the channel could not be opened; every call then fails.
  bool Connected() const { return channel_ != nullptr; }

  // To every started instance of the port's input in the prefix. False for
  // a name the channel cannot hold.
  bool SendShort(const std::string& port, std::uint32_t message);
  bool SendLong(const std::string& port, const std::vector<std::uint8_t>& bytes);

  // How many messages the port's output has received so far: the cursor
  // from which ReadOutput returns only what comes after now. From the first
  // mark or read of a port until the client is destroyed, the port's writers
  // wait for this client when they would overwrite what it has not read.
  std::uint64_t OutputMark(const std::string& port);
  // What the output received from `*cursor` on, oldest first; the cursor
  // moves past it. Waits up to `timeoutMs` for at least `count` messages.
  std::vector<WireMessage> ReadOutput(const std::string& port, std::uint64_t* cursor,
                                      std::size_t count = 0, DWORD timeoutMs = 0);
  // Messages that were overwritten before a read reached them: those before
  // a cursor the ring no longer holds, and those that went by while this
  // client had stopped reading (see VirtualMidiChannel.h).
  std::uint64_t Missed() const { return missed_; }

 private:
  std::unique_ptr<VirtualMidiChannel> channel_;
  std::unique_ptr<VirtualMidiChannel::Reader> reader_;
  std::uint64_t missed_ = 0;
};

}  // namespace korvel::emu::vmidi
