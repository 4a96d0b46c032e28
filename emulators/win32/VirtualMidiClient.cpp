#include "emulators/win32/VirtualMidiClient.h"

#include <algorithm>

namespace korvel::emu::vmidi {
namespace {
// Appends signal the reader; it also looks now and then.
constexpr DWORD kPollMs = 20;
}  // namespace

VirtualMidiClient::VirtualMidiClient() : channel_(VirtualMidiChannel::Open()) {
  if (channel_) reader_ = std::make_unique<VirtualMidiChannel::Reader>(*channel_, Side::kOutput);
}

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
  return slot < 0 ? 0 : reader_->Follow(slot);
}

std::vector<WireMessage> VirtualMidiClient::ReadOutput(const std::string& port,
                                                       std::uint64_t* cursor, std::size_t count,
                                                       DWORD timeoutMs) {
  std::vector<WireMessage> messages;
  const int slot = channel_ ? channel_->Port(port) : -1;
  if (slot < 0) return messages;
  const DWORD start = ::GetTickCount();
  for (;;) {
    missed_ += reader_->ReadFrom(slot, cursor, &messages);
    const DWORD waited = ::GetTickCount() - start;
    if (messages.size() >= count || waited >= timeoutMs) return messages;
    ::WaitForSingleObject(reader_->Signal(), std::min(kPollMs, timeoutMs - waited));
  }
}

}  // namespace korvel::emu::vmidi
