// winmm's MIDI calls: each forwards to its twin. The platform records are
// laid out exactly as winmm's, so they are passed through as they are.
#include <windows.h>
#include <mmsystem.h>

#include <cstddef>

#include "platform/Platform.h"

namespace platform {

static_assert(sizeof(MidiHeader) == sizeof(MIDIHDR));
static_assert(offsetof(MidiHeader, data) == offsetof(MIDIHDR, lpData));
static_assert(offsetof(MidiHeader, bufferLength) == offsetof(MIDIHDR, dwBufferLength));
static_assert(offsetof(MidiHeader, bytesRecorded) == offsetof(MIDIHDR, dwBytesRecorded));
static_assert(offsetof(MidiHeader, user) == offsetof(MIDIHDR, dwUser));
static_assert(offsetof(MidiHeader, flags) == offsetof(MIDIHDR, dwFlags));
static_assert(offsetof(MidiHeader, next) == offsetof(MIDIHDR, lpNext));
static_assert(offsetof(MidiHeader, offset) == offsetof(MIDIHDR, dwOffset));
static_assert(offsetof(MidiHeader, reservedWords) == offsetof(MIDIHDR, dwReserved));
static_assert(sizeof(MidiInCaps) == sizeof(MIDIINCAPSA));
static_assert(offsetof(MidiInCaps, name) == offsetof(MIDIINCAPSA, szPname));
static_assert(sizeof(MidiOutCaps) == sizeof(MIDIOUTCAPSA));
static_assert(offsetof(MidiOutCaps, name) == offsetof(MIDIOUTCAPSA, szPname));
#if !defined(_WIN64)
static_assert(sizeof(MidiHeader) == 64);
#endif

namespace {
HMIDIIN In(MidiIn handle) { return reinterpret_cast<HMIDIIN>(handle); }
HMIDIOUT Out(MidiOut handle) { return reinterpret_cast<HMIDIOUT>(handle); }
LPMIDIHDR Header(MidiHeader* header) { return reinterpret_cast<LPMIDIHDR>(header); }
DWORD_PTR Function(MidiCallback callback) { return reinterpret_cast<DWORD_PTR>(callback); }
}  // namespace

unsigned midiInGetNumDevs() { return ::midiInGetNumDevs(); }
unsigned midiOutGetNumDevs() { return ::midiOutGetNumDevs(); }

unsigned midiInGetDevCapsA(unsigned id, MidiInCaps* caps, unsigned size) {
  return ::midiInGetDevCapsA(id, reinterpret_cast<LPMIDIINCAPSA>(caps), size);
}
unsigned midiOutGetDevCapsA(unsigned id, MidiOutCaps* caps, unsigned size) {
  return ::midiOutGetDevCapsA(id, reinterpret_cast<LPMIDIOUTCAPSA>(caps), size);
}
unsigned midiInGetErrorTextA(unsigned code, char* text, unsigned size) {
  return ::midiInGetErrorTextA(code, text, size);
}

unsigned midiInOpen(MidiIn* handle, unsigned id, MidiCallback callback, std::uintptr_t instance) {
  return ::midiInOpen(reinterpret_cast<LPHMIDIIN>(handle), id, Function(callback), instance,
                      CALLBACK_FUNCTION);
}
unsigned midiInStart(MidiIn handle) { return ::midiInStart(In(handle)); }
unsigned midiInStop(MidiIn handle) { return ::midiInStop(In(handle)); }
unsigned midiInReset(MidiIn handle) { return ::midiInReset(In(handle)); }
unsigned midiInClose(MidiIn handle) { return ::midiInClose(In(handle)); }
unsigned midiInPrepareHeader(MidiIn handle, MidiHeader* header, unsigned size) {
  return ::midiInPrepareHeader(In(handle), Header(header), size);
}
unsigned midiInUnprepareHeader(MidiIn handle, MidiHeader* header, unsigned size) {
  return ::midiInUnprepareHeader(In(handle), Header(header), size);
}
unsigned midiInAddBuffer(MidiIn handle, MidiHeader* header, unsigned size) {
  return ::midiInAddBuffer(In(handle), Header(header), size);
}

unsigned midiOutOpen(MidiOut* handle, unsigned id, MidiCallback callback,
                     std::uintptr_t instance) {
  return ::midiOutOpen(reinterpret_cast<LPHMIDIOUT>(handle), id, Function(callback), instance,
                       CALLBACK_FUNCTION);
}
unsigned midiOutShortMsg(MidiOut handle, std::uint32_t message) {
  return ::midiOutShortMsg(Out(handle), message);
}
unsigned midiOutLongMsg(MidiOut handle, MidiHeader* header, unsigned size) {
  return ::midiOutLongMsg(Out(handle), Header(header), size);
}
unsigned midiOutUnprepareHeader(MidiOut handle, MidiHeader* header, unsigned size) {
  return ::midiOutUnprepareHeader(Out(handle), Header(header), size);
}
unsigned midiOutReset(MidiOut handle) { return ::midiOutReset(Out(handle)); }
unsigned midiOutClose(MidiOut handle) { return ::midiOutClose(Out(handle)); }

}  // namespace platform
