// What a port and a connection have in common: their own input and output
// handles on one input and one output device, the block of input buffers
// that receive system-exclusive data, and the opening and closing sequences.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "platform/Platform.h"

namespace korvel {

class MidiPortTable;

// The header that starts each input buffer (64 bytes on 32-bit Windows).
constexpr std::size_t kMidiHeaderSize = sizeof(platform::MidiHeader);
constexpr std::uint8_t kNoPortIndex = 255;

// A plain base record: a port or a connection adds its fields behind it.
// The handles are atomic because the MIDI callbacks read them while the
// user-interface thread opens and closes.
struct MidiEndpoints {
  std::uint8_t* bufferBlock = nullptr;  // all input buffers, owned
  std::int32_t bufferSize = 0;          // data bytes per buffer
  std::int32_t bufferCount = 0;
  std::atomic<platform::MidiIn> inputHandle{0};
  std::atomic<platform::MidiOut> outputHandle{0};
  std::uint8_t inputDeviceId = 0;
  std::uint8_t outputDeviceId = 0;
  std::uint8_t firstIndex = kNoPortIndex;
  std::uint8_t secondIndex = kNoPortIndex;
  // Messages that arrived at the input and went out of the output, counted
  // by the callbacks for the map's activity marks: they only add, the
  // user-interface thread only reads.
  std::atomic<std::uint32_t> received{0};
  std::atomic<std::uint32_t> sent{0};

  MidiEndpoints() = default;
  MidiEndpoints(const MidiEndpoints&) = delete;
  MidiEndpoints& operator=(const MidiEndpoints&) = delete;

  // Opens the output on `outputDeviceId`; 2 when it is open already.
  unsigned OpenOutputDevice(platform::MidiCallback callback, std::uintptr_t instance);
  // Opens the input on `inputDeviceId` and starts recording at once; 2 when
  // it is open already.
  unsigned OpenInputDevice(platform::MidiCallback callback, std::uintptr_t instance);
  // OpenInputDevice, then `count` buffers of `size` bytes allocated and
  // queued. A failed allocation closes the input again and returns 7.
  unsigned OpenInputWithBuffers(MidiPortTable& table, platform::MidiCallback callback,
                                std::uintptr_t instance, int count, int size);
  // A fresh zero-filled block of `count` buffers of `size` bytes; 7 when it
  // cannot be had.
  unsigned AllocateBuffers(MidiPortTable& table, int count, int size);
  // Prepares every buffer and hands it to the input. Failures are reported
  // naming the table's current port; the loop goes on and the result is 0.
  unsigned QueueBuffers(MidiPortTable& table);
  // Gives a returned header back to the input (from a MIDI callback): 64
  // when it is not prepared, 65 when it is still queued.
  unsigned RequeueBuffer(platform::MidiHeader* header);
  // Unprepares what is still prepared and frees the block.
  void ReleaseBuffers(MidiPortTable& table);
  // Stop, reset (which returns the queued buffers), unprepare, close; each
  // failure is reported. Returns the close's result: an input that does not
  // close keeps its handle and its buffers, which the driver may still use,
  // for a later close.
  unsigned CloseInputDevice(MidiPortTable& table);
  // Close; silent. Only while buffers are still being sent is the output
  // reset first, which returns them. An output that does not close keeps its
  // handle, as the input does.
  unsigned CloseOutputDevice();

  // Neither handle is open: the driver has nothing of this object's any more.
  bool IsClosed() const { return inputHandle.load() == 0 && outputHandle.load() == 0; }
  platform::MidiHeader* Header(int i) const;
  void UnprepareBuffers(MidiPortTable& table);
  void FreeBuffers();
  void FreeBuffersOnceClosed();
  bool AnyBufferQueued() const;
  // The size of one buffer in the block: its header and its data area.
  std::size_t BufferStride() const;
};

}  // namespace korvel
