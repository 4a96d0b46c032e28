#include "banks/ErrorReport.h"

#include "config/ErrorBox.h"
#include "platform/Platform.h"

namespace korvel {

namespace {

enum class Form { kOperation, kFullStop };

struct MessageEntry {
  std::int32_t code;
  const char* text;
  bool namesFile;  // an apostrophe and the failing file stand in front
  Form form;
  const char* title;
};

constexpr const char* kDefaultTitle = "Korvel";

// Codes 12 and 14 carry their backend result after the text; both use the
// operation suffix. Code 15's text ends in its own full stop and still gets
// the form's one, as the message has always read.
constexpr MessageEntry kMessages[] = {
    {kErrOutOfMemory,
     "System has run out of allocatable memory. Please close some applications and try again.\n\n"
     "Most Windows systems have more than enough total memory (including swapfile), so you should\n"
     "report this problem to the author and describe what kind of system you run Korvel with",
     false, Form::kOperation, kDefaultTitle},
    {kErrFileCorrupted, "' was corrupted", true, Form::kOperation, kDefaultTitle},
    {kErrUnsupportedFormat, "' was in non-supported format", true, Form::kFullStop, kDefaultTitle},
    {kErrFileNotFound, "' was not found", true, Form::kFullStop, kDefaultTitle},
    {kErrWrongDeviceKind, "Device specific function was tried with wrong device type", false,
     Form::kOperation, "Wrong Device"},
    {kErrEws64Driver, "Error while communicating with EWS64 driver. Error number is ", false,
     Form::kOperation, kDefaultTitle},
    {kErrSoundFontManager, "AWE32/SoundFont Device Error: ", false, Form::kOperation, kDefaultTitle},
    {kErrNoSoundMemory,
     "Device does not have enough sound memory for loading the instrument bank.\n\n"
     "If you still have more than enough sound memory, then the device is out ofinstrument memory. "
     "Unloading the memory-hungry GM/GS bank may help.",
     false, Form::kFullStop, kDefaultTitle},
    {kErrBadFileName, "File name contained illegal characters", false, Form::kFullStop,
     "Invalid Filename"},
    {kErrSlotLocked, "You cannot manipulate this bank", false, Form::kFullStop, kDefaultTitle},
    {kErrInvalidHandle, "Invalid handle to device function", false, Form::kOperation, kDefaultTitle},
    {kErrInvalidArguments, "Invalid arguments to device function", false, Form::kOperation,
     kDefaultTitle},
    {kErrBankLoadFailed,
     "Failed to load instrument bank.\n\n"
     "Sound device is propably out of physical bank slots,or the bank file was somehow invalid",
     false, Form::kFullStop, kDefaultTitle},
};

constexpr MessageEntry kUnknown = {0, "Unknown error. This should not happen. Really, it should not!",
                                   false, Form::kOperation, kDefaultTitle};

const MessageEntry& EntryFor(std::int32_t code) {
  for (const MessageEntry& entry : kMessages) {
    if (entry.code == code) return entry;
  }
  return kUnknown;
}

}  // namespace

ErrorMessage ComposeErrorMessage(const ErrorState& state, std::int32_t code, const char* operation) {
  const MessageEntry& entry = EntryFor(code);
  ErrorMessage message;
  message.title = entry.title;
  if (entry.namesFile) {
    message.text += '\'';
    message.text += state.failingFile != nullptr ? state.failingFile : "";
  }
  message.text += entry.text;
  if (code == kErrEws64Driver) message.text += std::to_string(state.lastEws64Result);
  if (code == kErrSoundFontManager) message.text += std::to_string(state.lastSoundFontResult);
  if (entry.form == Form::kOperation) {
    message.text += ".\n\n(occurred in '";
    message.text += operation != nullptr ? operation : "";
    message.text += "()' )";
  } else {
    message.text += '.';
  }
  if (code == kErrBadFileName && !state.writeFailure.empty()) message.text += "\n" + state.writeFailure;
  return message;
}

void ReportError(ErrorState& state, const char* operation) {
  if (state.ErrorCode == kErrOk) {
    // A failed backend call counts even when no operation set a code;
    // the driver's error is the one shown when both failed.
    if (state.lastSoundFontResult != 0) state.ErrorCode = kErrSoundFontManager;
    if (state.lastEws64Result != 0) state.ErrorCode = kErrEws64Driver;
    if (state.ErrorCode == kErrOk) return;
  }
  const ErrorMessage message = ComposeErrorMessage(state, state.ErrorCode, operation);
  ShowMessageBox(message.text.c_str(), message.title, platform::kMbOk | platform::kMbIconError);
  state.ErrorCode = kErrOk;
  state.writeFailure.clear();
}

}  // namespace korvel
