// Test hooks of the simulated platform (native builds only).
//
// The simulation maps Windows paths into a sandbox folder on the host
// ("C:\\WINDOWS\\Korvel.cfg" -> <sandbox>/C/WINDOWS/Korvel.cfg, each path
// component matched without regard to case), keeps the registry in memory,
// records message boxes and answers them from a queue. It is single-threaded:
// call it from one thread only. Virtual MIDI is the exception: its calls and
// hooks may be used from any thread, and it calls back on a thread of its own.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace korvel::emu {
struct EmulatorSetup;
}

namespace platform::sim {

// Clears the registry (and every open handle), the queued answers, the box
// log, the COM depth, the MIDI devices (stopping the MIDI thread without
// delivering what is still queued) and every injected fault; maps drive letters into
// `sandboxRoot` and creates <sandboxRoot>/C/WINDOWS. The Windows directory is
// "C:\\WINDOWS" again and the current directory "C:\\". Until the first Reset
// the sandbox is a folder of this process under the system's temporary folder.
void Reset(const std::string& sandboxRoot);

// A fresh, empty sandbox folder of its own, reset into on construction and
// removed with everything in it on destruction.
class Sandbox {
 public:
  Sandbox();
  ~Sandbox();
  Sandbox(const Sandbox&) = delete;
  Sandbox& operator=(const Sandbox&) = delete;
  const std::string& Root() const { return root_; }

 private:
  std::string root_;
};

// ---- Files and folders -----------------------------------------------------

// What GetWindowsDirectoryA reports; nullptr makes it fail (return 0).
void SetWindowsDirectory(const char* path);
// The current drive and folder ("D:\\MUSIC"), as GetCurrentDirectoryA and
// GetCurrentDrive report them and as relative paths are resolved against.
void SetCurrentDirectory(const char* path);
// The current folder as Windows reports it when a program was started from
// a network share ("\\\\server\\share\\Korvel"); the drive is then no drive.
void SetNetworkCurrentDirectory(const char* uncPath);
// The host path that a Windows path stands for; empty for paths that cannot
// be mapped (no drive, UNC names).
std::string HostPath(const char* windowsPath);

// Files opened for writing afterwards accept at most `bytes` bytes in all;
// further writes fail, as on a full disk. -1 lifts the limit.
void SetFileWriteLimit(long long bytes);
// Opening any file for writing or appending fails while set.
void SetFileCreationFails(bool fails);
// ReplaceFileWith fails (and changes nothing) while set.
void SetReplaceFails(bool fails);
// ReplaceFileWith deletes the file it was to replace and then fails, as the
// two-step replacement of Windows 95 and 98 does when its move fails.
void SetReplaceDeletesThenFails(bool fails);

// ---- Sound card components ------------------------------------------------------

// The emulated EWS64 driver "EWSAUDIO.DRV" and the managers "SFMAN32.DLL" and
// "AWEMAN32.DLL", answered in-process by the emulator cores. None is
// installed after a reset: OpenDriver and LoadLibraryA then fail as on a
// machine without the cards.
enum Component : unsigned {
  kEwsAudioDriver = 0x1,
  kSoundFontManager = 0x2,
  kAweManager = 0x4,
  kAllComponents = 0x7,
};
// Installs the components with the emulator's configuration file and its
// default state file (Windows paths in the sandbox; the configuration may be
// missing, then the emulator's defaults apply). Bank paths that the program
// sends are mapped into the sandbox like every other path. Installing again
// starts a new emulator that reads both files afresh, as after a restart.
void InstallEmulators(const std::string& configFile, const std::string& stateFile,
                      unsigned components = kAllComponents);
// Removes the components and stops the emulator. Open drivers and loaded
// libraries stay counted until they are closed and freed.
void UninstallEmulators();
// The setup InstallEmulators starts the emulator with: the host paths of both
// files, bank paths mapped into the sandbox, and a lock on "<state file>.lock"
// that every emulator made from such a setup takes around each operation, as
// another process using the same files would (emulators/core/Emulator.h).
korvel::emu::EmulatorSetup EmulatorSetupFor(const std::string& configFile,
                                            const std::string& stateFile);

// Every LoadLibraryA call that succeeded, with the name as asked.
const std::vector<std::string>& LoadedLibraries();
// Libraries loaded and not yet freed; drivers opened and not yet closed.
int OpenLibraryCount();
int OpenDriverCount();
// GetProcAddress gives `address` for the export `name` (of any installed
// library); nullptr makes the export missing. Cleared by Reset.
void OverrideExport(const std::string& name, void* address);

// The messages sent to an open driver, with a copy of the driver block as it
// was when sent when the second parameter is a block's address.
struct DriverMessage {
  std::uint32_t message = 0;
  std::intptr_t param1 = 0;
  std::intptr_t param2 = 0;
  std::vector<std::uint8_t> block;
};
const std::vector<DriverMessage>& DriverMessages();
void ClearDriverMessages();
// While set, the hook sees every message first; a value it returns is the
// driver's answer, std::nullopt passes the message on to the emulator.
using DriverHook =
    std::function<std::optional<std::intptr_t>(std::uint32_t message, std::intptr_t param1,
                                                std::intptr_t param2)>;
void SetDriverHook(DriverHook hook);
// AllocDriverBlock fails while set, as when no 16-bit memory can be had.
void SetDriverBlockFails(bool fails);
// Driver blocks allocated and not yet freed.
int OpenDriverBlocks();
// Time spent inside the emulator, in all since the process started: the
// driver messages and the manager calls made through what GetProcAddress
// gave. A benchmark takes the difference around what it measures, to report
// Korvel's own share apart from the emulated hardware's.
std::chrono::nanoseconds EmulatorCallTime();
// Time the simulated MIDI calls spent waiting, since the process started,
// for the simulation's MIDI thread to deliver their notifications (a real
// driver delivers an open's or close's notification within the call).
std::chrono::nanoseconds MidiDeliveryWaitTime();

// ---- Registry ----------------------------------------------------------------

// Creates the key (with intermediate keys, no class) when needed and sets
// the value's type and raw bytes.
void SetRegistryValue(RegKey hive, const std::string& path, const std::string& name,
                      std::uint32_t type, const std::vector<std::uint8_t>& bytes);
// REG_SZ holding `text` and its terminator.
void SetRegistryString(RegKey hive, const std::string& path, const std::string& name,
                       const std::string& text);
// REG_DWORD, little-endian.
void SetRegistryDword(RegKey hive, const std::string& path, const std::string& name,
                      std::uint32_t value);
// False when the key or the value does not exist; `type`/`bytes` may be null.
bool GetRegistryValue(RegKey hive, const std::string& path, const std::string& name,
                      std::uint32_t* type, std::vector<std::uint8_t>* bytes);
bool RegistryKeyExists(RegKey hive, const std::string& path);
// Names of the values of a key, in the order they were first set.
std::vector<std::string> RegistryValueNames(RegKey hive, const std::string& path);
// The class string a key was created with; empty when none or no such key.
std::string KeyClass(RegKey hive, const std::string& path);
// Handles opened or created and not yet closed.
std::size_t OpenRegistryHandles();

// ---- COM -----------------------------------------------------------------------

// CoInitialize calls not yet matched by CoUninitialize.
int ComInitDepth();

// A shell link as the simulation saves it: a file at the link's path that
// names its target and description.
struct ShellLink {
  std::string target;
  std::string description;
};
// Reads the link saved at `linkPath`; false when there is none.
bool ReadShellLink(const char* linkPath, ShellLink* link);
// Every following SaveShellLink fails with `result` (0: they succeed again).
void FailShellLinks(std::int32_t result);

// ---- Message boxes -------------------------------------------------------------

struct ShownBox {
  Window owner = 0;
  Window window = 0;  // the box's own, which owns a box raised under it
  std::string text;
  std::string caption;
  unsigned type = 0;
  int answer = 0;  // what MessageBoxA returned
};

// The next box returns `id`. A box with no queued answer returns what the
// Escape key would give: IDOK for an OK box, IDCANCEL for boxes with a Cancel
// button, IDNO for a Yes/No box, IDABORT for Abort/Retry/Ignore.
void QueueMessageBoxAnswer(int id);
const std::vector<ShownBox>& ShownMessageBoxes();
void ClearShownMessageBoxes();
// Runs `whileShown` inside every MessageBoxA, after the box is recorded and
// before it returns: what a test does there happens while the box is open,
// as the box's own message loop would let it happen. Empty removes it.
void SetMessageBoxHook(std::function<void(const ShownBox& box)> whileShown);

// ---- Virtual MIDI ----------------------------------------------------------------

// MIDI devices that behave like winmm with a real driver: callbacks arrive on
// a MIDI thread of the simulation (started when first needed, stopped by
// Reset), a call's own notifications (MIM_OPEN, MIM_CLOSE, the buffers that
// midiInReset and midiOutReset hand back) are delivered before the call
// returns, and MOM_DONE of midiOutLongMsg comes afterwards on that thread.
// Device ids are indices into the lists below. After a reset there are none.
struct MidiDevice {
  std::string name;        // cut to 31 characters, as in the capabilities
  bool opensOnce = false;  // a second open while it is open gives 4 (allocated)
};
// Replaces the devices; handles still open become invalid and undelivered
// notifications are dropped. Call log and failures stay.
void SetMidiDevices(const std::vector<MidiDevice>& inputs, const std::vector<MidiDevice>& outputs);

// Input arriving at an input device, handed to the MIDI thread: a short
// message goes to every started handle of the input (MIM_DATA); a
// system-exclusive message fills each started handle's queued buffers, oldest
// first, each up to its length (MIM_LONGDATA).
void SendMidiShort(unsigned inputId, std::uint32_t message);
void SendMidiLong(unsigned inputId, const std::vector<std::uint8_t>& bytes);
// Waits until all sent input is processed and every notification delivered
// (returns at once on the MIDI thread); false on timeout.
bool WaitForMidiIdle(int timeoutMs = 5000);
// System-exclusive bytes an input had no queued buffer for.
std::uint64_t DroppedMidiInput(unsigned inputId);

// What reached an output, in order: short messages (the latest 65536; a
// midiOutReset adds All Sound Off and a sustain release on every channel, as
// Wine's drivers send) and
// the bytes of long messages (the latest 256, fewer when they hold more than
// 1 MB together; emulators/midi/VirtualMidiCore.h).
std::vector<std::uint32_t> MidiShortOutput(unsigned outputId);
std::vector<std::vector<std::uint8_t>> MidiLongOutput(unsigned outputId);
// Waits until the output has received `count` messages in all, short and long
// together, those no longer kept included; false on timeout.
bool WaitForMidiOutput(unsigned outputId, std::size_t count, int timeoutMs = 5000);
// While held, long messages to the output stay queued (MHDR_INQUEUE) until
// released or midiOutReset.
void HoldMidiOutput(unsigned outputId, bool held);

// While on, midiOutShortMsg returns success at once and records nothing, as a
// driver that drops what it is sent: no lock, no wake-up of the MIDI thread.
// Benchmarks measure the sender's own cost with it. Cleared by Reset.
void SetMidiShortOutputDiscarded(bool on);

// Every later call of that name ("midiInOpen", "midiOutShortMsg", ...) returns
// `code` and does nothing; 0 lets the calls work again. Applies to the calls
// that return a result code. Cleared by Reset.
void SetMidiFailure(const std::string& callName, unsigned code);
// Names of the MIDI calls made outside the MIDI thread, in order, except
// midiOutShortMsg (its messages are in MidiShortOutput, and recording them
// must not allocate). Calls made from callbacks are left out, so that the log
// of the main thread's open and close sequences does not depend on timing.
std::vector<std::string> MidiCallLog();
void ClearMidiCallLog();
// Input and output handles open (not yet closed).
std::size_t OpenMidiHandles();

// ---- Work for the user-interface thread ------------------------------------------

// No window procedure runs here: a test plays the user-interface thread,
// waits for posted work and then runs it itself. Usable from any thread.
// The target last set with SetUserInterfaceWorkTarget (0 after a reset).
Window UserInterfaceWorkWindow();
unsigned UserInterfaceWorkMessage();
// PostUserInterfaceWork calls since the reset.
std::size_t PostedUserInterfaceWork();
// PostUserInterfaceWorkAfterInput calls since the reset.
std::size_t PostedUserInterfaceWorkAfterInput();
// What UserInputWaiting answers: as if the user clicked (false after a reset).
void SetUserInputWaiting(bool waiting);
// Waits until at least `count` posts were made since the reset; false on timeout.
bool WaitForUserInterfaceWork(std::size_t count, int timeoutMs = 5000);

}  // namespace platform::sim
