// An open FluidSynth port: the connection to FluidSynth's command shell,
// made when the port opens, on which every short message goes out as its
// shell line without waiting for an answer.
//
// Play runs on whatever thread calls midiOutShortMsg, the MIDI callback
// thread among them, so it never connects and allocates nothing. A
// connection that fails stays down: the port drops what it is sent until it
// is opened again, which connects anew.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "fluidsynth/TcpSocket.h"

namespace korvel::emu::vmidi {

class FluidSynthLink {
 public:
  // Connects to the shell at host:port, waiting at most a second; null when
  // no FluidSynth answers there.
  static std::unique_ptr<FluidSynthLink> Connect(const std::string& host, unsigned port);

  explicit FluidSynthLink(std::unique_ptr<fluid::TcpSocket> socket) : socket_(std::move(socket)) {}

  // Sends the message's shell line, if the shell has a command for it.
  void Play(std::uint32_t message);
  // What midiOutReset does to a synthesizer: All Notes Off on every channel.
  void SilenceAll();

 private:
  void DropAnswers();

  static constexpr unsigned kLinesPerDrop = 16;

  std::unique_ptr<fluid::TcpSocket> socket_;
  std::atomic<bool> lost_{false};
  std::atomic<unsigned> sent_{0};
};

}  // namespace korvel::emu::vmidi
