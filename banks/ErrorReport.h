// The shared result code of device, bank and preset operations, and the one
// routine that turns it into a message box naming the failing operation.
#pragma once

#include <cstdint>
#include <string>

namespace korvel {

enum ErrorCodeValue : std::int32_t {
  kErrOk = 1,
  kErrOutOfMemory = 2,
  kErrFileCorrupted = 3,
  kErrUnsupportedFormat = 4,
  kErrFileNotFound = 6,
  kErrWrongDeviceKind = 11,
  kErrEws64Driver = 12,
  kErrSoundFontManager = 14,
  kErrNoSoundMemory = 15,
  kErrBadFileName = 16,
  kErrSlotLocked = 17,
  kErrInvalidHandle = 18,
  kErrInvalidArguments = 19,
  kErrBankLoadFailed = 20,
};

struct ErrorState {
  std::int32_t ErrorCode = kErrOk;
  const char* failingFile = "";       // name inserted into file messages
  std::int32_t lastEws64Result = 0;   // last EWS64 driver result, 0 = success
  std::int32_t lastSoundFontResult = 0;  // last SoundFont/AWE manager result
  // For a file that could not be written for another cause than its name:
  // the path and the system's reason, shown on a line below the message.
  std::string writeFailure;
};

struct ErrorMessage {
  std::string text;
  const char* title = "Korvel";
};

// The text and title ReportError shows for `code` (backend results already
// folded in), naming `operation` where the message has an operation suffix.
ErrorMessage ComposeErrorMessage(const ErrorState& state, std::int32_t code, const char* operation);

// Shows the current error, if any, owned by the main window; resets the code to 1.
void ReportError(ErrorState& state, const char* operation);

}  // namespace korvel
