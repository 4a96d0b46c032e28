#include "emulators/midi/VirtualMidiCore.h"

#include <algorithm>
#include <cstring>

namespace korvel::emu::vmidi {
namespace {

DeviceEntry Named(DeviceEntry device) {
  if (device.name.size() > kMaxNameLength) device.name.resize(kMaxNameLength);
  return device;
}

std::uintptr_t Address(Header* header) { return reinterpret_cast<std::uintptr_t>(header); }

}  // namespace

unsigned PrepareHeader(Header* header) {
  if (header == nullptr || header->data == nullptr) return kInvalidParam;
  header->flags |= kHeaderPrepared;
  return kOk;
}

unsigned UnprepareHeader(Header* header) {
  if (header == nullptr) return kInvalidParam;
  if ((header->flags & kHeaderInQueue) != 0) return kStillPlaying;
  header->flags &= ~kHeaderPrepared;
  return kOk;
}

void VirtualMidiCore::SetDevices(const std::vector<DeviceEntry>& inputs,
                                 const std::vector<DeviceEntry>& outputs) {
  const InstanceId nextId = nextId_;
  *this = VirtualMidiCore();
  nextId_ = nextId;
  inputs_.resize(inputs.size());
  for (std::size_t n = 0; n < inputs.size(); ++n) inputs_[n].info = Named(inputs[n]);
  outputs_.resize(outputs.size());
  for (std::size_t n = 0; n < outputs.size(); ++n) {
    outputs_[n].info = Named(outputs[n]);
    outputs_[n].shorts.assign(kShortRecordSize, 0);
  }
}

std::string VirtualMidiCore::InputName(unsigned device) const {
  return device < inputs_.size() ? inputs_[device].info.name : std::string();
}

std::string VirtualMidiCore::OutputName(unsigned device) const {
  return device < outputs_.size() ? outputs_[device].info.name : std::string();
}

const VirtualMidiCore::Instance* VirtualMidiCore::Find(InstanceId id, bool input) const {
  auto it = instances_.find(id);
  if (it == instances_.end() || it->second.input != input) return nullptr;
  return &it->second;
}

VirtualMidiCore::Instance* VirtualMidiCore::Find(InstanceId id, bool input) {
  return const_cast<Instance*>(static_cast<const VirtualMidiCore*>(this)->Find(id, input));
}

bool VirtualMidiCore::IsOpen(InstanceId instance, bool input) const {
  return Find(instance, input) != nullptr;
}

void VirtualMidiCore::Queue(InstanceId id, std::uint32_t message, std::uintptr_t param1,
                            std::uintptr_t param2) {
  events_.push_back(Event{id, message, param1, param2});
  ++eventsQueued_;
}

unsigned VirtualMidiCore::Open(bool input, unsigned device, InstanceId* id) {
  if (id == nullptr) return kInvalidParam;
  if (device >= (input ? inputs_.size() : outputs_.size())) return kBadDeviceId;
  const bool opensOnce = input ? inputs_[device].info.opensOnce : outputs_[device].info.opensOnce;
  unsigned& openCount = input ? inputs_[device].openCount : outputs_[device].openCount;
  if (opensOnce && openCount > 0) return kAllocated;
  ++openCount;
  *id = nextId_++;
  Instance instance;
  instance.input = input;
  instance.device = device;
  instances_.emplace(*id, std::move(instance));
  Queue(*id, input ? kMimOpen : kMomOpen);
  return kOk;
}

unsigned VirtualMidiCore::Close(bool input, InstanceId id) {
  Instance* instance = Find(id, input);
  if (instance == nullptr) return kInvalidHandle;
  if (!instance->queue.empty()) return kStillPlaying;
  --(input ? inputs_[instance->device].openCount : outputs_[instance->device].openCount);
  instances_.erase(id);
  Queue(id, input ? kMimClose : kMomClose);
  return kOk;
}

unsigned VirtualMidiCore::OpenInput(unsigned device, InstanceId* instance) {
  return Open(true, device, instance);
}

unsigned VirtualMidiCore::OpenOutput(unsigned device, InstanceId* instance) {
  return Open(false, device, instance);
}

unsigned VirtualMidiCore::CloseInput(InstanceId instance) { return Close(true, instance); }

unsigned VirtualMidiCore::CloseOutput(InstanceId instance) { return Close(false, instance); }

unsigned VirtualMidiCore::StartInput(InstanceId id, std::uint32_t nowMs) {
  Instance* instance = Find(id, true);
  if (instance == nullptr) return kInvalidHandle;
  if (!instance->started) instance->startMs = nowMs;
  instance->started = true;
  return kOk;
}

unsigned VirtualMidiCore::StopInput(InstanceId id) {
  Instance* instance = Find(id, true);
  if (instance == nullptr) return kInvalidHandle;
  instance->started = false;
  return kOk;
}

unsigned VirtualMidiCore::ResetInput(InstanceId id) {
  Instance* instance = Find(id, true);
  if (instance == nullptr) return kInvalidHandle;
  instance->started = false;
  for (Header* header : instance->queue) {
    header->bytesRecorded = 0;
    Queue(id, kMimLongData, Address(header));
  }
  instance->queue.clear();
  return kOk;
}

unsigned VirtualMidiCore::AddBuffer(InstanceId id, Header* header) {
  Instance* instance = Find(id, true);
  if (instance == nullptr) return kInvalidHandle;
  if (header == nullptr || header->data == nullptr || header->bufferLength == 0) {
    return kInvalidParam;
  }
  if ((header->flags & kHeaderPrepared) == 0) return kUnprepared;
  if ((header->flags & kHeaderInQueue) != 0) return kStillPlaying;
  header->flags = (header->flags & ~kHeaderDone) | kHeaderInQueue;
  header->bytesRecorded = 0;
  instance->queue.push_back(header);
  return kOk;
}

unsigned VirtualMidiCore::SendShort(InstanceId id, std::uint32_t message) {
  Instance* instance = Find(id, false);
  if (instance == nullptr) return kInvalidHandle;
  Output& output = outputs_[instance->device];
  output.shorts[output.shortTotal % kShortRecordSize] = message;
  ++output.shortTotal;
  return kOk;
}

unsigned VirtualMidiCore::SendLong(InstanceId id, Header* header) {
  Instance* instance = Find(id, false);
  if (instance == nullptr) return kInvalidHandle;
  if (header == nullptr || (header->data == nullptr && header->bufferLength > 0)) {
    return kInvalidParam;
  }
  if ((header->flags & kHeaderPrepared) == 0) return kUnprepared;
  if ((header->flags & kHeaderInQueue) != 0) return kStillPlaying;
  Output& output = outputs_[instance->device];
  RecordLong(output, reinterpret_cast<const std::uint8_t*>(header->data), header->bufferLength);
  header->flags = (header->flags & ~kHeaderDone) | kHeaderInQueue;
  instance->queue.push_back(header);
  if (!output.held) CompleteQueued(id, *instance);
  return kOk;
}

// Bounded like the short messages, so that an output that is sent
// system-exclusive data for as long as the program runs does not grow with it.
void VirtualMidiCore::RecordLong(Output& output, const std::uint8_t* bytes, std::size_t count) {
  output.longs.emplace_back(bytes, bytes + count);
  output.longBytes += count;
  ++output.longTotal;
  while (output.longs.size() > kLongRecordCount ||
         (output.longBytes > kLongRecordBytes && output.longs.size() > 1)) {
    output.longBytes -= output.longs.front().size();
    output.longs.pop_front();
  }
}

unsigned VirtualMidiCore::ResetOutput(InstanceId id) {
  Instance* instance = Find(id, false);
  if (instance == nullptr) return kInvalidHandle;
  CompleteQueued(id, *instance);
  return kOk;
}

void VirtualMidiCore::CompleteQueued(InstanceId id, Instance& instance) {
  for (; instance.completing < instance.queue.size(); ++instance.completing) {
    Queue(id, kMomDone, Address(instance.queue[instance.completing]));
  }
}

void VirtualMidiCore::ReceiveShort(unsigned device, std::uint32_t message, std::uint32_t nowMs) {
  for (auto& [id, instance] : instances_) {
    if (instance.input && instance.device == device && instance.started) {
      Queue(id, kMimData, message, nowMs - instance.startMs);
    }
  }
}

void VirtualMidiCore::ReceiveLong(unsigned device, const std::uint8_t* bytes, std::size_t count,
                                  std::uint32_t nowMs) {
  for (auto& [id, instance] : instances_) {
    if (instance.input && instance.device == device && instance.started) {
      FillBuffers(id, instance, bytes, count, nowMs);
    }
  }
}

void VirtualMidiCore::FillBuffers(InstanceId id, Instance& instance, const std::uint8_t* bytes,
                                  std::size_t count, std::uint32_t nowMs) {
  std::size_t done = 0;
  while (done < count && !instance.queue.empty()) {
    Header* header = instance.queue.front();
    instance.queue.pop_front();
    const std::size_t piece = std::min<std::size_t>(header->bufferLength, count - done);
    std::memcpy(header->data, bytes + done, piece);
    header->bytesRecorded = static_cast<std::uint32_t>(piece);
    done += piece;
    Queue(id, kMimLongData, Address(header), nowMs - instance.startMs);
  }
  inputs_[instance.device].dropped += count - done;
}

void VirtualMidiCore::HoldOutput(unsigned device, bool held) {
  if (device >= outputs_.size()) return;
  outputs_[device].held = held;
  if (held) return;
  for (auto& [id, instance] : instances_) {
    if (!instance.input && instance.device == device) CompleteQueued(id, instance);
  }
}

bool VirtualMidiCore::TakeEvent(Event* event) {
  if (events_.empty()) return false;
  *event = events_.front();
  events_.pop_front();
  FinishHeader(*event);
  return true;
}

void VirtualMidiCore::FinishHeader(const Event& event) {
  if (event.message != kMimLongData && event.message != kMomDone) return;
  auto* header = reinterpret_cast<Header*>(event.param1);
  header->flags = (header->flags & ~kHeaderInQueue) | kHeaderDone;
  if (event.message != kMomDone) return;
  Instance* output = Find(event.instance, false);
  if (output == nullptr || output->queue.empty()) return;
  output->queue.pop_front();
  --output->completing;
}

std::vector<std::uint32_t> VirtualMidiCore::ShortOutput(unsigned device) const {
  std::vector<std::uint32_t> messages;
  if (device >= outputs_.size()) return messages;
  const Output& output = outputs_[device];
  const std::uint64_t kept = std::min<std::uint64_t>(output.shortTotal, kShortRecordSize);
  for (std::uint64_t n = output.shortTotal - kept; n < output.shortTotal; ++n) {
    messages.push_back(output.shorts[n % kShortRecordSize]);
  }
  return messages;
}

std::uint64_t VirtualMidiCore::ShortOutputTotal(unsigned device) const {
  return device < outputs_.size() ? outputs_[device].shortTotal : 0;
}

std::vector<std::vector<std::uint8_t>> VirtualMidiCore::LongOutput(unsigned device) const {
  if (device >= outputs_.size()) return {};
  const auto& longs = outputs_[device].longs;
  return std::vector<std::vector<std::uint8_t>>(longs.begin(), longs.end());
}

std::uint64_t VirtualMidiCore::LongOutputTotal(unsigned device) const {
  return device < outputs_.size() ? outputs_[device].longTotal : 0;
}

std::uint64_t VirtualMidiCore::DroppedInput(unsigned device) const {
  return device < inputs_.size() ? inputs_[device].dropped : 0;
}

}  // namespace korvel::emu::vmidi
