#include "emulators/win32/VirtualMidiClient.h"

#include <algorithm>

namespace korvel::emu::vmidi {
namespace {
// A write event wakes only one waiting process, so readers also poll.
constexpr DWORD kPollMs = 20;
}  // namespace

VirtualMidiClient::VirtualMidiClient() : channel_(VirtualMidiChannel::Open()) {}

bool VirtualMidiClient::SendShort(const std::string& port, std::uint32_t message) {
  const int slot = channel_ ? channel_->Port(port) : -1;
  if (slot < 0) return false;
  WireMessage wire;
  wire.shortMessage = message;
  channel_->Append(slot, Side::kInput, wire);
  return true;
}

bool VirtualMidiClient::SendLong(const std::string& port, const std::vector<std::uint8_t>& bytes) {
  const int slot = channel_ ? channel_->Port(port) : -1;
  if (slot < 0 || bytes.empty() || bytes.size() > kChannelLongBytes) return false;
  WireMessage wire;
  wire.isLong = true;
  wire.bytes = bytes;
  channel_->Append(slot, Side::kInput, wire);
  return true;
}

std::uint64_t VirtualMidiClient::OutputMark(const std::string& port) {
  const int slot = channel_ ? channel_->Port(port) : -1;
  return slot < 0 ? 0 : channel_->Written(slot, Side::kOutput);
}

std::vector<WireMessage> VirtualMidiClient::ReadOutput(const std::string& port,
                                                       std::uint64_t* cursor, std::size_t count,
                                                       DWORD timeoutMs) {
  std::vector<WireMessage> messages;
  const int slot = channel_ ? channel_->Port(port) : -1;
  if (slot < 0) return messages;
  const DWORD start = ::GetTickCount();
  for (;;) {
    channel_->ReadFrom(slot, Side::kOutput, cursor, &messages);
    const DWORD waited = ::GetTickCount() - start;
    if (messages.size() >= count || waited >= timeoutMs) return messages;
    ::WaitForSingleObject(channel_->WriteSignal(Side::kOutput),
                          std::min(kPollMs, timeoutMs - waited));
  }
}

}  // namespace korvel::emu::vmidi
