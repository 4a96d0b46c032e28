#include "midi/MidiError.h"

#include <cstring>

#include "config/ModalService.h"
#include "midi/MidiPortTable.h"

namespace korvel {

namespace {

constexpr unsigned kErrorTextSize = 200;

const char* DeviceText(const MidiPortTable& table, int portIndex) {
  const int port = portIndex == -1 ? table.currentPort : portIndex;
  return table.IsPort(port) ? table.ports[port]->name : "<unknown device>";
}

void Append(char* out, std::size_t size, const char* text) {
  const std::size_t used = std::strlen(out);
  if (used + 1 >= size) return;
  std::strncat(out, text, size - used - 1);
}

}  // namespace

void ComposeMidiErrorMessage(const MidiPortTable& table, int portIndex, unsigned code,
                             char* out, std::size_t size) {
  if (size == 0) return;
  out[0] = '\0';
  switch (code) {
    case platform::kMmBadDeviceId:
    case platform::kMmAllocated:
      Append(out, size, "Cannot open any more instances of ");
      break;
    case platform::kMmInvalidHandle:
      Append(out, size, "Invalid handle for ");
      break;
    case platform::kMidiNoDevice:
      Append(out, size, "Cannot find ");
      break;
    default: {
      char text[kErrorTextSize + 1] = {};
      platform::midiInGetErrorTextA(code, text, kErrorTextSize);
      text[kErrorTextSize] = '\0';
      Append(out, size, text);
      Append(out, size, "\n\n Occurred for ");
    }
  }
  Append(out, size, DeviceText(table, portIndex));
  Append(out, size, ".");
}

void ReportMidiError(const MidiPortTable& table, int portIndex, unsigned code) {
  char message[kMidiErrorMessageSize];
  ComposeMidiErrorMessage(table, portIndex, code, message, sizeof message);
  ShowMessageBox(message, "MIDI Interface Error", platform::kMbOk);
}

}  // namespace korvel
