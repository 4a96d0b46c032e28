#include "emulators/win32/VirtualMidiHost.h"

#include <mmsystem.h>
#include <mmddk.h>
#include <mmreg.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "emulators/win32/VirtualMidiPorts.h"

// winmm's notification helper for drivers; MinGW's headers do not declare it.
extern "C" BOOL WINAPI DriverCallback(DWORD_PTR callback, DWORD flags, HDRVR device, DWORD msg,
                                      DWORD_PTR instance, DWORD_PTR param1, DWORD_PTR param2);

namespace korvel::emu::vmidi {
namespace {

static_assert(sizeof(Header) == sizeof(MIDIHDR));
static_assert(offsetof(Header, flags) == offsetof(MIDIHDR, dwFlags));
static_assert(offsetof(Header, reservedWords) == offsetof(MIDIHDR, dwReserved));

// How often the input thread looks at the channel when no append woke it.
constexpr DWORD kPollMs = 20;

Header* HeaderAt(DWORD_PTR address) { return reinterpret_cast<Header*>(address); }

template <typename Caps>
DWORD CopyCaps(const Caps& caps, DWORD_PTR to, DWORD_PTR size) {
  if (to == 0) return MMSYSERR_INVALPARAM;
  std::memcpy(reinterpret_cast<void*>(to), &caps, std::min<DWORD_PTR>(size, sizeof caps));
  return MMSYSERR_NOERROR;
}

template <typename Caps>
void SetCapsName(const std::string& name, Caps* caps) {
  caps->wMid = MM_UNMAPPED;
  caps->wPid = MM_PID_UNMAPPED;
  caps->vDriverVersion = 0x0100;
  ::MultiByteToWideChar(CP_ACP, 0, name.c_str(), -1, caps->szPname, MAXPNAMELEN);
  caps->szPname[MAXPNAMELEN - 1] = 0;
}

}  // namespace

VirtualMidiHost& VirtualMidiHost::Get() {
  static VirtualMidiHost host;
  return host;
}

void VirtualMidiHost::Start(HMODULE driverModule) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (started_) return;
  started_ = true;
  std::vector<DeviceEntry> inputs, outputs;
  channel_ = VirtualMidiChannel::Open();
  for (const PortEntry& port : ReadPortFile(PortFilePath())) {
    Wire wire;
    const bool onChannel = channel_ && port.shellPort == 0;
    wire.port = onChannel ? channel_->Port(port.name) : -1;
    wire.loop = port.loop;
    if (port.input) {
      inputs.push_back(DeviceEntry{port.name, port.opensOnce});
      inputWires_.push_back(wire);
    }
    if (port.output) {
      outputs.push_back(DeviceEntry{port.name, port.opensOnce});
      outputWires_.push_back(wire);
      outputShells_.push_back(ShellAddress{port.shellHost, port.shellPort});
    }
  }
  core_.SetDevices(inputs, outputs);
  if (inputs.empty() && outputs.empty()) return;
  // The threads run until the process ends, so the driver must stay loaded.
  char path[MAX_PATH] = {};
  if (::GetModuleFileNameA(driverModule, path, sizeof path)) ::LoadLibraryA(path);
  work_ = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
  deliveredSignal_ = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
  HANDLE thread = ::CreateThread(nullptr, 0, DeliveryMain, this, 0, &threadId_);
  if (thread) ::CloseHandle(thread);
  if (channel_ && !inputs.empty()) StartInputThread();
}

// The inputs are followed from now on, in the name of the thread that will
// read them, which starts only then.
void VirtualMidiHost::StartInputThread() {
  DWORD id = 0;
  HANDLE thread = ::CreateThread(nullptr, 0, InputMain, this, CREATE_SUSPENDED, &id);
  if (!thread) return;
  inputReader_ = std::make_unique<VirtualMidiChannel::Reader>(*channel_, Side::kInput, id);
  for (Wire& wire : inputWires_) wire.cursor = inputReader_->Follow(wire.port);
  ::ResumeThread(thread);
  ::CloseHandle(thread);
}

DWORD WINAPI VirtualMidiHost::DeliveryMain(LPVOID host) {
  auto* self = static_cast<VirtualMidiHost*>(host);
  for (;;) {
    ::WaitForSingleObject(self->work_, INFINITE);
    self->DeliverEvents();
  }
}

DWORD WINAPI VirtualMidiHost::InputMain(LPVOID host) {
  auto* self = static_cast<VirtualMidiHost*>(host);
  for (;;) {
    self->PullInput();
    ::WaitForSingleObject(self->inputReader_->Signal(), kPollMs);
  }
}

void VirtualMidiHost::PullInput() {
  for (unsigned device = 0; device < inputWires_.size(); ++device) {
    Wire& wire = inputWires_[device];
    if (wire.port < 0) continue;
    std::vector<WireMessage> messages;
    inputReader_->ReadFrom(wire.port, &wire.cursor, &messages);
    if (messages.empty()) continue;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      for (const WireMessage& message : messages) {
        if (message.isLong) {
          core_.ReceiveLong(device, message.bytes.data(), message.bytes.size(), ::GetTickCount());
        } else {
          core_.ReceiveShort(device, message.shortMessage, ::GetTickCount());
        }
      }
    }
    Wake();
  }
}

// Callbacks run without the lock held: they may call winmm, and so the host.
void VirtualMidiHost::DeliverEvents() {
  for (;;) {
    Event event;
    Client client;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (!core_.TakeEvent(&event)) return;
      client = clients_[event.instance];
      if (event.message == kMimClose || event.message == kMomClose) clients_.erase(event.instance);
    }
    ::DriverCallback(client.callback, HIWORD(client.flags), client.handle, event.message,
                     client.instance, event.param1, event.param2);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      ++delivered_;
    }
    ::SetEvent(deliveredSignal_);
  }
}

void VirtualMidiHost::WaitDelivered(std::uint64_t target) {
  Wake();
  if (::GetCurrentThreadId() == threadId_) return;
  for (;;) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (delivered_ >= target) return;
    }
    ::WaitForSingleObject(deliveredSignal_, 10);
  }
}

DWORD VirtualMidiHost::Open(bool input, UINT device, DWORD_PTR user, DWORD_PTR desc,
                            DWORD_PTR flags) {
  const auto* open = reinterpret_cast<const MIDIOPENDESC*>(desc);
  if (user == 0 || open == nullptr) return MMSYSERR_INVALPARAM;
  // Connecting takes up to a second, so it happens before the lock is taken.
  std::shared_ptr<FluidSynthLink> link;
  if (!input && device < outputShells_.size() && outputShells_[device].port != 0) {
    link = FluidSynthLink::Connect(outputShells_[device].host, outputShells_[device].port);
    if (!link) return MIDIERR_NODEVICE;
  }
  std::uint64_t target = 0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    InstanceId id = 0;
    const unsigned result = input ? core_.OpenInput(device, &id) : core_.OpenOutput(device, &id);
    if (result != kOk) return result;
    if (link) links_[id] = std::move(link);
    clients_[id] = Client{open->dwCallback, static_cast<DWORD>(flags & CALLBACK_TYPEMASK),
                          reinterpret_cast<HDRVR>(open->hMidi), open->dwInstance, device};
    *reinterpret_cast<DWORD_PTR*>(user) = id;
    target = core_.EventsQueued();
  }
  WaitDelivered(target);
  return MMSYSERR_NOERROR;
}

DWORD VirtualMidiHost::Close(bool input, DWORD_PTR user) {
  std::uint64_t target = 0;
  std::shared_ptr<FluidSynthLink> link;  // disconnects once the lock is released
  {
    std::lock_guard<std::mutex> lock(mutex_);
    const InstanceId id = static_cast<InstanceId>(user);
    const unsigned result = input ? core_.CloseInput(id) : core_.CloseOutput(id);
    if (result != kOk) return result;
    target = core_.EventsQueued();
    if (!input) {
      link = LinkOf(id);
      links_.erase(id);
    }
  }
  WaitDelivered(target);
  return MMSYSERR_NOERROR;
}

DWORD VirtualMidiHost::InputMessage(UINT device, UINT msg, DWORD_PTR user, DWORD_PTR p1,
                                    DWORD_PTR p2) {
  switch (msg) {
    case DRVM_INIT:
    case DRVM_EXIT:
    case DRVM_ENABLE:
    case DRVM_DISABLE: return MMSYSERR_NOERROR;
    case MIDM_GETNUMDEVS: {
      std::lock_guard<std::mutex> lock(mutex_);
      return core_.InputCount();
    }
    case MIDM_GETDEVCAPS: return InputCaps(device, p1, p2);
    case MIDM_OPEN: return Open(true, device, user, p1, p2);
    case MIDM_CLOSE: return Close(true, user);
    case MIDM_PREPARE:
    case MIDM_UNPREPARE:
      if (p2 < sizeof(MIDIHDR)) return MMSYSERR_INVALPARAM;
      return msg == MIDM_PREPARE ? PrepareHeader(HeaderAt(p1)) : UnprepareHeader(HeaderAt(p1));
    case MIDM_ADDBUFFER:
      if (p2 < sizeof(MIDIHDR)) return MMSYSERR_INVALPARAM;
      return InputCall(msg, static_cast<InstanceId>(user), p1);
    case MIDM_START:
    case MIDM_STOP:
    case MIDM_RESET: return InputCall(msg, static_cast<InstanceId>(user), p1);
    default: return MMSYSERR_NOTSUPPORTED;
  }
}

DWORD VirtualMidiHost::InputCall(UINT msg, InstanceId id, DWORD_PTR p1) {
  std::uint64_t target = 0;
  unsigned result = kOk;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (msg == MIDM_ADDBUFFER) result = core_.AddBuffer(id, HeaderAt(p1));
    if (msg == MIDM_START) result = core_.StartInput(id, ::GetTickCount());
    if (msg == MIDM_STOP) result = core_.StopInput(id);
    if (msg == MIDM_RESET) result = core_.ResetInput(id);
    target = core_.EventsQueued();
  }
  if (msg == MIDM_RESET && result == kOk) WaitDelivered(target);
  return result;
}

DWORD VirtualMidiHost::OutputMessage(UINT device, UINT msg, DWORD_PTR user, DWORD_PTR p1,
                                     DWORD_PTR p2) {
  switch (msg) {
    case DRVM_INIT:
    case DRVM_EXIT:
    case DRVM_ENABLE:
    case DRVM_DISABLE: return MMSYSERR_NOERROR;
    case MODM_GETNUMDEVS: {
      std::lock_guard<std::mutex> lock(mutex_);
      return core_.OutputCount();
    }
    case MODM_GETDEVCAPS: return OutputCaps(device, p1, p2);
    case MODM_OPEN: return Open(false, device, user, p1, p2);
    case MODM_CLOSE: return Close(false, user);
    case MODM_PREPARE:
    case MODM_UNPREPARE:
      if (p2 < sizeof(MIDIHDR)) return MMSYSERR_INVALPARAM;
      return msg == MODM_PREPARE ? PrepareHeader(HeaderAt(p1)) : UnprepareHeader(HeaderAt(p1));
    case MODM_DATA:
    case MODM_LONGDATA:
    case MODM_RESET: return Send(static_cast<InstanceId>(user), msg, p1, p2);
    default: return MMSYSERR_NOTSUPPORTED;
  }
}

DWORD VirtualMidiHost::Send(InstanceId id, UINT msg, DWORD_PTR p1, DWORD_PTR p2) {
  if (msg == MODM_LONGDATA && p2 < sizeof(MIDIHDR)) return MMSYSERR_INVALPARAM;
  WireMessage sent;
  unsigned device = 0;
  unsigned result = kOk;
  std::uint64_t target = 0;
  std::shared_ptr<FluidSynthLink> link;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (msg == MODM_DATA) result = core_.SendShort(id, static_cast<std::uint32_t>(p1));
    if (msg == MODM_LONGDATA) result = core_.SendLong(id, HeaderAt(p1));
    if (msg == MODM_RESET) result = core_.ResetOutput(id);
    target = core_.EventsQueued();
    if (result != kOk) return result;
    device = clients_[id].device;
    link = LinkOf(id);
  }
  if (msg == MODM_RESET) {
    if (link) link->SilenceAll();
    WaitDelivered(target);
    return MMSYSERR_NOERROR;
  }
  if (msg == MODM_LONGDATA) Wake();  // its MOM_DONE
  if (link) {
    // FluidSynth's shell takes no system-exclusive messages: only short ones go there.
    if (msg == MODM_DATA) link->Play(static_cast<std::uint32_t>(p1));
    return MMSYSERR_NOERROR;
  }
  sent.isLong = msg == MODM_LONGDATA;
  if (sent.isLong) {
    const Header* header = HeaderAt(p1);
    sent.bytes.assign(header->data, header->data + header->bufferLength);
  } else {
    sent.shortMessage = static_cast<std::uint32_t>(p1);
  }
  Publish(device, sent);
  return MMSYSERR_NOERROR;
}

// The connection of an open FluidSynth output; null for the other instances.
// Called with the lock held.
std::shared_ptr<FluidSynthLink> VirtualMidiHost::LinkOf(InstanceId id) {
  const auto found = links_.find(id);
  return found != links_.end() ? found->second : nullptr;
}

void VirtualMidiHost::Publish(unsigned output, const WireMessage& message) {
  const Wire& wire = outputWires_[output];
  if (!channel_ || wire.port < 0) return;
  channel_->Append(wire.port, Side::kOutput, message);
  if (wire.loop) channel_->Append(wire.port, Side::kInput, message);
}

DWORD VirtualMidiHost::InputCaps(UINT device, DWORD_PTR caps, DWORD_PTR size) {
  MIDIINCAPSW out{};
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (device >= core_.InputCount()) return MMSYSERR_BADDEVICEID;
    SetCapsName(core_.InputName(device), &out);
  }
  return CopyCaps(out, caps, size);
}

DWORD VirtualMidiHost::OutputCaps(UINT device, DWORD_PTR caps, DWORD_PTR size) {
  MIDIOUTCAPSW out{};
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (device >= core_.OutputCount()) return MMSYSERR_BADDEVICEID;
    SetCapsName(core_.OutputName(device), &out);
  }
  out.wTechnology = MOD_MIDIPORT;
  out.wChannelMask = 0xFFFF;
  return CopyCaps(out, caps, size);
}

}  // namespace korvel::emu::vmidi
