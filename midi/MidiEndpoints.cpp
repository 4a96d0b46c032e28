#include "midi/MidiEndpoints.h"

#include <cstring>
#include <new>

#include "midi/MidiError.h"
#include "midi/MidiPortTable.h"

namespace korvel {

namespace {
// Buffers larger than this are refused as if the memory could not be had,
// so that count x size can never overflow.
constexpr int kMaxBufferCount = 64;
constexpr int kMaxBufferSize = 65536;
constexpr int kResetRetries = 3;
}  // namespace

std::size_t MidiEndpoints::BufferStride() const {
  return kMidiHeaderSize + static_cast<std::size_t>(bufferSize);
}

bool MidiEndpoints::AnyBufferQueued() const {
  if (bufferBlock == nullptr) return false;
  for (int i = 0; i < bufferCount; ++i) {
    if (Header(i)->flags & platform::kMhdrInQueue) return true;
  }
  return false;
}

platform::MidiHeader* MidiEndpoints::Header(int i) const {
  return reinterpret_cast<platform::MidiHeader*>(bufferBlock + i * BufferStride());
}

unsigned MidiEndpoints::OpenOutputDevice(platform::MidiCallback callback,
                                         std::uintptr_t instance) {
  if (outputHandle.load() != 0) return platform::kMmBadDeviceId;
  platform::MidiOut handle = 0;
  const unsigned result = platform::midiOutOpen(&handle, outputDeviceId, callback, instance);
  if (result == platform::kMmNoError) outputHandle.store(handle);
  return result;
}

unsigned MidiEndpoints::OpenInputDevice(platform::MidiCallback callback,
                                        std::uintptr_t instance) {
  if (inputHandle.load() != 0) return platform::kMmBadDeviceId;
  platform::MidiIn handle = 0;
  const unsigned result = platform::midiInOpen(&handle, inputDeviceId, callback, instance);
  if (result != platform::kMmNoError) return result;
  const unsigned started = platform::midiInStart(handle);
  // An input that cannot record is closed again rather than left open
  // without an owner that knows of it.
  if (started != platform::kMmNoError) {
    platform::midiInClose(handle);
    return started;
  }
  inputHandle.store(handle);
  return platform::kMmNoError;
}

unsigned MidiEndpoints::OpenInputWithBuffers(MidiPortTable& table,
                                             platform::MidiCallback callback,
                                             std::uintptr_t instance, int count, int size) {
  const unsigned opened = OpenInputDevice(callback, instance);
  if (opened != platform::kMmNoError) return opened;
  const unsigned allocated = AllocateBuffers(table, count, size);
  if (allocated != platform::kMmNoError) {
    CloseInputDevice(table);
    return allocated;
  }
  return QueueBuffers(table);
}

unsigned MidiEndpoints::AllocateBuffers(MidiPortTable& table, int count, int size) {
  ReleaseBuffers(table);
  if (count < 0 || count > kMaxBufferCount || size < 0 || size > kMaxBufferSize) {
    return platform::kMmNoMemory;
  }
  bufferCount = count;
  bufferSize = size;
  const std::size_t bytes = static_cast<std::size_t>(count) * BufferStride();
  bufferBlock = new (std::nothrow) std::uint8_t[bytes == 0 ? 1 : bytes];
  if (bufferBlock == nullptr) {
    bufferCount = 0;
    return platform::kMmNoMemory;
  }
  std::memset(bufferBlock, 0, bytes == 0 ? 1 : bytes);
  return platform::kMmNoError;
}

unsigned MidiEndpoints::QueueBuffers(MidiPortTable& table) {
  const platform::MidiIn input = inputHandle.load();
  for (int i = 0; i < bufferCount; ++i) {
    platform::MidiHeader* header = Header(i);
    header->data = reinterpret_cast<char*>(header) + kMidiHeaderSize;
    header->bufferLength = static_cast<std::uint32_t>(bufferSize);
    header->flags = 0;
    const unsigned prepared = platform::midiInPrepareHeader(input, header, kMidiHeaderSize);
    if (prepared != platform::kMmNoError) {
      ReportMidiError(table, table.currentPort, prepared);
      continue;
    }
    if (header->flags & platform::kMhdrInQueue) continue;
    const unsigned added = platform::midiInAddBuffer(input, header, kMidiHeaderSize);
    if (added != platform::kMmNoError) {
      platform::midiInUnprepareHeader(input, header, kMidiHeaderSize);
      ReportMidiError(table, table.currentPort, added);
    }
  }
  return platform::kMmNoError;
}

unsigned MidiEndpoints::RequeueBuffer(platform::MidiHeader* header) {
  if (!(header->flags & platform::kMhdrPrepared)) return platform::kMidiUnprepared;
  if (header->flags & platform::kMhdrInQueue) return platform::kMidiStillPlaying;
  return platform::midiInAddBuffer(inputHandle.load(), header, kMidiHeaderSize);
}

void MidiEndpoints::ReleaseBuffers(MidiPortTable& table) {
  UnprepareBuffers(table);
  FreeBuffers();
}

void MidiEndpoints::UnprepareBuffers(MidiPortTable& table) {
  if (bufferBlock == nullptr) return;
  for (int i = 0; i < bufferCount; ++i) {
    platform::MidiHeader* header = Header(i);
    if (!(header->flags & platform::kMhdrPrepared)) continue;
    header->data = reinterpret_cast<char*>(header) + kMidiHeaderSize;
    header->bufferLength = static_cast<std::uint32_t>(bufferSize);
    const unsigned result =
        platform::midiInUnprepareHeader(inputHandle.load(), header, kMidiHeaderSize);
    if (result != platform::kMmNoError) ReportMidiError(table, -1, result);
  }
}

void MidiEndpoints::FreeBuffers() {
  delete[] bufferBlock;
  bufferBlock = nullptr;
}

// The input's buffers travel to the output of a connection and back, so
// they are freed only once neither handle can hand one back any more.
void MidiEndpoints::FreeBuffersOnceClosed() {
  if (IsClosed()) FreeBuffers();
}

unsigned MidiEndpoints::CloseInputDevice(MidiPortTable& table) {
  const platform::MidiIn input = inputHandle.load();
  if (input == 0) return platform::kMmNoError;
  const unsigned stopped = platform::midiInStop(input);
  if (stopped != platform::kMmNoError) ReportMidiError(table, -1, stopped);
  unsigned reset = platform::midiInReset(input);
  // A callback that was running during the reset may have given a buffer
  // back to the input after the reset emptied it; once the reset has
  // returned that callback is over, and another reset returns the buffer.
  for (int retry = 0; retry < kResetRetries && reset == platform::kMmNoError && AnyBufferQueued();
       ++retry) {
    reset = platform::midiInReset(input);
  }
  if (reset != platform::kMmNoError) ReportMidiError(table, -1, reset);
  UnprepareBuffers(table);
  // An input that does not close still belongs to the driver, and so do its
  // buffers: both are kept for a later close.
  const unsigned closed = platform::midiInClose(input);
  if (closed != platform::kMmNoError) {
    ReportMidiError(table, -1, closed);
    return closed;
  }
  inputHandle.store(0);
  FreeBuffersOnceClosed();
  return platform::kMmNoError;
}

unsigned MidiEndpoints::CloseOutputDevice() {
  const platform::MidiOut output = outputHandle.load();
  if (output == 0) return platform::kMmNoError;
  // A reset ends every note of the device, those that other handles on it
  // hold included, on drivers that turn notes off at a reset. It is used only
  // to get back buffers still being sent, which keep the output from closing
  // (a callback that was running during a reset may send one after it).
  unsigned closed = platform::midiOutClose(output);
  for (int retry = 0; retry < kResetRetries && closed == platform::kMidiStillPlaying; ++retry) {
    platform::midiOutReset(output);
    closed = platform::midiOutClose(output);
  }
  // An output that does not close may still hand a buffer back: kept.
  if (closed != platform::kMmNoError) return closed;
  outputHandle.store(0);
  FreeBuffersOnceClosed();
  return platform::kMmNoError;
}

}  // namespace korvel
