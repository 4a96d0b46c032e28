// The process's virtual MIDI devices behind winmm: the portable core answers
// the driver messages, a thread of the driver's own delivers the core's
// notifications to the program's callbacks, another feeds the inputs from the
// channel, and what the outputs receive goes out on the channel.
//
// The input thread only moves messages from the channel into the core, so it
// keeps reading while a callback is busy (or waits for room on the channel,
// a loop port's callback even for room in its own input): writers to the
// inputs never wait long for this process.
//
// Reset and close return only once their notifications are delivered, so a
// program can unprepare its buffers and free its callback data right after
// them, as with a hardware driver. The driver thread itself never waits: a
// callback may call winmm again.
//
// A FluidSynth output has no ring on the channel: opening it connects to
// FluidSynth's shell (or fails with MIDIERR_NODEVICE when none answers), and
// what it is sent goes there as shell lines.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "emulators/midi/VirtualMidiCore.h"
#include "emulators/win32/FluidSynthLink.h"
#include "emulators/win32/VirtualMidiChannel.h"

namespace korvel::emu::vmidi {

class VirtualMidiHost {
 public:
  // The one host of the process.
  static VirtualMidiHost& Get();
  // Reads the port list and starts the thread; later calls do nothing.
  void Start(HMODULE driverModule);
  DWORD InputMessage(UINT device, UINT msg, DWORD_PTR user, DWORD_PTR p1, DWORD_PTR p2);
  DWORD OutputMessage(UINT device, UINT msg, DWORD_PTR user, DWORD_PTR p1, DWORD_PTR p2);

 private:
  // Where a notification of an open instance goes.
  struct Client {
    DWORD_PTR callback = 0;
    DWORD flags = 0;
    HDRVR handle = nullptr;
    DWORD_PTR instance = 0;
    unsigned device = 0;
  };
  // A device's ring on the channel; -1 when it has none.
  struct Wire {
    int port = -1;
    bool loop = false;
    std::uint64_t cursor = 0;
  };
  // Where a FluidSynth output's shell listens; port 0 for the other outputs.
  struct ShellAddress {
    std::string host;
    unsigned port = 0;
  };

  static DWORD WINAPI DeliveryMain(LPVOID host);
  static DWORD WINAPI InputMain(LPVOID host);
  void StartInputThread();
  void PullInput();
  void DeliverEvents();
  void Wake() { ::SetEvent(work_); }
  void WaitDelivered(std::uint64_t target);

  DWORD Open(bool input, UINT device, DWORD_PTR user, DWORD_PTR desc, DWORD_PTR flags);
  std::shared_ptr<FluidSynthLink> LinkOf(InstanceId id);
  DWORD Close(bool input, DWORD_PTR user);
  DWORD InputCall(UINT msg, InstanceId id, DWORD_PTR p1);
  DWORD Send(InstanceId id, UINT msg, DWORD_PTR p1, DWORD_PTR p2);
  void Publish(unsigned output, const WireMessage& message);
  DWORD InputCaps(UINT device, DWORD_PTR caps, DWORD_PTR size);
  DWORD OutputCaps(UINT device, DWORD_PTR caps, DWORD_PTR size);

  std::mutex mutex_;
  VirtualMidiCore core_;
  std::map<InstanceId, Client> clients_;
  std::uint64_t delivered_ = 0;
  std::vector<Wire> inputWires_;
  std::vector<Wire> outputWires_;
  std::vector<ShellAddress> outputShells_;
  // The open FluidSynth outputs. Shared, so that a message being played on
  // one while it closes keeps its connection until the send is done.
  std::map<InstanceId, std::shared_ptr<FluidSynthLink>> links_;
  std::unique_ptr<VirtualMidiChannel> channel_;
  std::unique_ptr<VirtualMidiChannel::Reader> inputReader_;  // read on the input thread only
  bool started_ = false;
  HANDLE work_ = nullptr;
  HANDLE deliveredSignal_ = nullptr;
  DWORD threadId_ = 0;
};

}  // namespace korvel::emu::vmidi
