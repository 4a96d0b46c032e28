#include "emulators/win32/FluidSynthLink.h"

#include "emulators/midi/ShellCommand.h"
#include "fluidsynth/FluidShell.h"

namespace korvel::emu::vmidi {

std::unique_ptr<FluidSynthLink> FluidSynthLink::Connect(const std::string& host, unsigned port) {
  auto socket = fluid::ConnectTcp(host, static_cast<std::uint16_t>(port),
                                  fluid::FluidShell::kConnectTimeoutMs);
  if (!socket) return nullptr;
  return std::make_unique<FluidSynthLink>(std::move(socket));
}

void FluidSynthLink::Play(std::uint32_t message) {
  char line[kShellCommandSize];
  const std::size_t length = ShellCommandFor(message, line);
  if (length == 0 || lost_) return;
  if (!socket_->SendAll(line, length)) lost_ = true;
  // Each look costs a system call, and only a refused command is answered.
  if (++sent_ % kLinesPerDrop == 0) DropAnswers();
}

void FluidSynthLink::SilenceAll() {
  constexpr std::uint32_t kAllNotesOff = 0x7BB0;  // controller 123, value 0
  for (std::uint32_t channel = 0; channel < 16; ++channel) Play(kAllNotesOff | channel);
}

// The shell answers only what it cannot do ("unknown command"...), but what
// it prints must be read, or its side of the connection fills and it stops
// reading commands.
void FluidSynthLink::DropAnswers() {
  char answer[256];
  std::size_t got = 0;
  while (!lost_) {
    const fluid::ReceiveResult result = socket_->Receive(answer, sizeof answer, 0, &got);
    if (result == fluid::ReceiveResult::kTimeout) return;
    if (result == fluid::ReceiveResult::kClosed) lost_ = true;
  }
}

}  // namespace korvel::emu::vmidi
