// The one door from Korvel's logic to the operating system.
//
// Every call is shaped like the Win32 or C runtime call it stands for, so that
// platform/win32/ forwards each one in a line. platform/sim/ implements the
// same calls for native builds and tests: drive letters map into a sandbox
// folder, the registry lives in memory and message boxes are answered by the
// test (see platform/sim/Sim.h).
#pragma once

#include <cstdint>
#include <cstdio>

namespace platform {

// ---- Files and folders -----------------------------------------------------

// fopen with a Windows path ("C:\\WINDOWS\\Korvel.cfg"); mode as for fopen.
std::FILE* OpenFile(const char* path, const char* mode);
// fflush and then FlushFileBuffers: true once what was written is on the disk.
bool FlushFileToDisk(std::FILE* file);
// The system's words for why the last file call failed ("There is not
// enough space on the disk."), without a line end.
void LastFileErrorText(char* text, unsigned size);
bool DeleteFileA(const char* path);
// Puts `from` in the place of `to`, replacing `to` if it exists.
bool ReplaceFileWith(const char* from, const char* to);
bool CreateDirectoryA(const char* path);
// As RemoveDirectoryA: only an empty folder is removed.
bool RemoveDirectoryA(const char* path);
// As GetWindowsDirectoryA: the length written (without terminator), 0 on
// failure, or the size needed when `size` is too small.
unsigned GetWindowsDirectoryA(char* buffer, unsigned size);
// As the C runtime's _getdrive: 1 = A:, 2 = B:, 3 = C:, ...
int GetCurrentDrive();
// As GetCurrentDirectoryA.
unsigned GetCurrentDirectoryA(unsigned size, char* buffer);
// As the C runtime's _chdrive (1 = A:) and _chdir; true on success.
bool SetCurrentDrive(int drive);
bool SetCurrentDirectoryA(const char* path);
// As GetFileAttributesA: the attribute bits, kInvalidFileAttributes when
// the file or folder is not there.
constexpr std::uint32_t kFileAttributeReadOnly = 0x1;
constexpr std::uint32_t kFileAttributeDirectory = 0x10;
constexpr std::uint32_t kInvalidFileAttributes = 0xFFFFFFFFu;
std::uint32_t GetFileAttributesA(const char* path);
// As GetShortPathNameA: the length of the short (8.3) path, 0 on failure.
unsigned GetShortPathNameA(const char* longPath, char* shortPath, unsigned size);

// A found file's size and last write time, as a search reports them: equal
// stamps mean the file was not written in between (to the file system's
// time resolution).
struct FileStamp {
  std::uint64_t size = 0;
  std::uint64_t writeTime = 0;
  bool operator==(const FileStamp& other) const { return size == other.size && writeTime == other.writeTime; }
};

// Lists the files matching a pattern ("*.sf2") in the current folder or the
// pattern's folder: the first name goes into `name` (MAX_PATH bytes), and its
// stamp into `stamp` when given; 0 when nothing matches. FindNextFileA gives
// the following names.
using FindHandle = std::uintptr_t;
FindHandle FindFirstFileA(const char* pattern, char* name, unsigned size, FileStamp* stamp = nullptr);
bool FindNextFileA(FindHandle find, char* name, unsigned size, FileStamp* stamp = nullptr);
void FindClose(FindHandle find);

// ---- Run-time libraries and installable drivers ---------------------------------

using Module = std::uintptr_t;
Module LoadLibraryA(const char* name);
void* GetProcAddress(Module module, const char* name);
void FreeLibrary(Module module);

using Driver = std::uintptr_t;
// OpenDriver(name, no section, 0); 0 on failure.
Driver OpenDriver(const char* name);
std::intptr_t SendDriverMessage(Driver driver, std::uint32_t message, std::intptr_t param1,
                                std::intptr_t param2);
long CloseDriver(Driver driver);

// The block of 16-bit global memory that the EWS64 driver reads and writes:
// `flat` is the program's view, `address` what the driver messages carry
// (a 16:16 address where the WOW32 bridge works, else the flat address).
struct DriverBlock {
  void* flat = nullptr;
  std::intptr_t address = 0;
  std::uintptr_t memory = 0;  // what FreeDriverBlock needs
};
bool AllocDriverBlock(unsigned size, DriverBlock* block);
void FreeDriverBlock(DriverBlock* block);

// ---- Registry ----------------------------------------------------------------

using RegKey = std::uintptr_t;
constexpr RegKey kHkeyCurrentUser = 0x80000001u;
constexpr RegKey kHkeyLocalMachine = 0x80000002u;
constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegBinary = 3;
constexpr std::uint32_t kRegDword = 4;
constexpr long kErrorSuccess = 0;
constexpr long kErrorFileNotFound = 2;
constexpr long kErrorMoreData = 234;

// RegCreateKeyExA with REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, no security.
long RegCreateKeyExA(RegKey hive, const char* path, const char* keyClass, RegKey* result);
// RegOpenKeyExA with KEY_ALL_ACCESS.
long RegOpenKeyExA(RegKey hive, const char* path, RegKey* result);
long RegQueryValueExA(RegKey key, const char* name, std::uint32_t* type, void* data,
                      std::uint32_t* size);
long RegSetValueExA(RegKey key, const char* name, std::uint32_t type, const void* data,
                    std::uint32_t size);
long RegCloseKey(RegKey key);
// RegDeleteKeyA. Callers delete subkeys first: Windows NT refuses a key that
// has any (the simulation does too, with ERROR_ACCESS_DENIED), while
// Windows 95 would delete them with it.
long RegDeleteKeyA(RegKey hive, const char* path);

// ---- COM ---------------------------------------------------------------------

void CoInitialize();
void CoUninitialize();

// The shell's link object (CLSID_ShellLink through IShellLinkA) pointing at
// `target` with `description`, saved as `linkPath` through IPersistFile: the
// COM result, 0 on success. COM must be initialised on the calling thread.
std::int32_t SaveShellLink(const char* description, const char* linkPath, const char* target);

// ---- Message boxes -------------------------------------------------------------

using Window = std::uintptr_t;
constexpr unsigned kMbOk = 0x0;
constexpr unsigned kMbYesNoCancel = 0x3;
constexpr unsigned kMbYesNo = 0x4;
constexpr unsigned kMbIconError = 0x10;
constexpr unsigned kMbIconQuestion = 0x20;
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;
constexpr int kIdYes = 6;
constexpr int kIdNo = 7;

int MessageBoxA(Window owner, const char* text, const char* caption, unsigned type);

// While it lives, the first window that this thread makes with `owner` as
// its owner (a box, a common dialog: windows the system makes) is written to
// *made, so that what opens above it can be its own. Watches nest; only the
// innermost watches.
class OwnedWindowWatch {
 public:
  OwnedWindowWatch(Window owner, Window* made);
  ~OwnedWindowWatch();
  OwnedWindowWatch(const OwnedWindowWatch&) = delete;
  OwnedWindowWatch& operator=(const OwnedWindowWatch&) = delete;

  // What the window system says when this thread makes a top-level window.
  static void WindowMade(Window window, Window owner);

 private:
  Window owner_;
  Window* made_;
  OwnedWindowWatch* outer_;
  void* hook_ = nullptr;
};

// ---- MIDI (winmm) --------------------------------------------------------------

// The calling convention winmm calls a function callback with.
#if defined(_WIN32) && !defined(_WIN64)
#define KORVEL_MIDI_CALLBACK __stdcall
#else
#define KORVEL_MIDI_CALLBACK
#endif

using MidiIn = std::uintptr_t;   // HMIDIIN
using MidiOut = std::uintptr_t;  // HMIDIOUT
// The function callback (CALLBACK_FUNCTION) of an open input or output:
// handle, message, instance value, first and second parameter.
using MidiCallback = void(KORVEL_MIDI_CALLBACK*)(std::uintptr_t handle, unsigned message,
                                                 std::uintptr_t instance, std::uintptr_t param1,
                                                 std::uintptr_t param2);

// Callback messages.
constexpr unsigned kMimOpen = 0x3C1;
constexpr unsigned kMimClose = 0x3C2;
constexpr unsigned kMimData = 0x3C3;
constexpr unsigned kMimLongData = 0x3C4;
constexpr unsigned kMimError = 0x3C5;
constexpr unsigned kMimLongError = 0x3C6;
constexpr unsigned kMomOpen = 0x3C7;
constexpr unsigned kMomClose = 0x3C8;
constexpr unsigned kMomDone = 0x3C9;
constexpr unsigned kMimMoreData = 0x3CC;

// Multimedia result codes.
constexpr unsigned kMmNoError = 0;
constexpr unsigned kMmError = 1;
constexpr unsigned kMmBadDeviceId = 2;
constexpr unsigned kMmAllocated = 4;
constexpr unsigned kMmInvalidHandle = 5;
constexpr unsigned kMmNoMemory = 7;
constexpr unsigned kMmInvalidParam = 11;
constexpr unsigned kMidiUnprepared = 64;
constexpr unsigned kMidiStillPlaying = 65;
constexpr unsigned kMidiNotReady = 67;
constexpr unsigned kMidiNoDevice = 68;

// Header flags.
constexpr std::uint32_t kMhdrDone = 0x1;
constexpr std::uint32_t kMhdrPrepared = 0x2;
constexpr std::uint32_t kMhdrInQueue = 0x4;

// MIDIHDR, field for field and byte-packed as winmm's records are: 64 bytes
// on 32-bit Windows.
#pragma pack(push, 1)
struct MidiHeader {
  char* data;
  std::uint32_t bufferLength;
  std::uint32_t bytesRecorded;
  std::uintptr_t user;
  std::uint32_t flags;
  MidiHeader* next;
  std::uintptr_t reserved;
  std::uint32_t offset;
  std::uintptr_t reservedWords[8];
};
#pragma pack(pop)

// MIDIINCAPSA (44 bytes) and MIDIOUTCAPSA (52 bytes).
struct MidiInCaps {
  std::uint16_t manufacturer;
  std::uint16_t product;
  std::uint32_t driverVersion;
  char name[32];
  std::uint32_t support;
};
struct MidiOutCaps {
  std::uint16_t manufacturer;
  std::uint16_t product;
  std::uint32_t driverVersion;
  char name[32];
  std::uint16_t technology;
  std::uint16_t voices;
  std::uint16_t notes;
  std::uint16_t channelMask;
  std::uint32_t support;
};
static_assert(sizeof(MidiInCaps) == 44 && sizeof(MidiOutCaps) == 52);

unsigned midiInGetNumDevs();
unsigned midiOutGetNumDevs();
unsigned midiInGetDevCapsA(unsigned id, MidiInCaps* caps, unsigned size);
unsigned midiOutGetDevCapsA(unsigned id, MidiOutCaps* caps, unsigned size);
unsigned midiInGetErrorTextA(unsigned code, char* text, unsigned size);

// Both opens use CALLBACK_FUNCTION.
unsigned midiInOpen(MidiIn* handle, unsigned id, MidiCallback callback, std::uintptr_t instance);
unsigned midiInStart(MidiIn handle);
unsigned midiInStop(MidiIn handle);
unsigned midiInReset(MidiIn handle);
unsigned midiInClose(MidiIn handle);
unsigned midiInPrepareHeader(MidiIn handle, MidiHeader* header, unsigned size);
unsigned midiInUnprepareHeader(MidiIn handle, MidiHeader* header, unsigned size);
unsigned midiInAddBuffer(MidiIn handle, MidiHeader* header, unsigned size);

unsigned midiOutOpen(MidiOut* handle, unsigned id, MidiCallback callback,
                     std::uintptr_t instance);
unsigned midiOutShortMsg(MidiOut handle, std::uint32_t message);
unsigned midiOutLongMsg(MidiOut handle, MidiHeader* header, unsigned size);
unsigned midiOutUnprepareHeader(MidiOut handle, MidiHeader* header, unsigned size);
unsigned midiOutReset(MidiOut handle);
unsigned midiOutClose(MidiOut handle);

// ---- Work for the user-interface thread ------------------------------------------

// The window and message that PostUserInterfaceWork posts. Set on the
// user-interface thread before any MIDI input can ask for work.
void SetUserInterfaceWorkTarget(Window window, unsigned message);
// PostMessageA(window, message, 0, 0) to that target: the window procedure
// then runs what the MIDI callbacks left for it. Callable from any thread;
// allocates nothing.
void PostUserInterfaceWork();
// The same message, but only once the clicks, keys and paints that wait for
// the user-interface thread now have been handled; called on that thread.
void PostUserInterfaceWorkAfterInput();
// True while a click or a key waits for the user-interface thread; called on
// that thread.
bool UserInputWaiting();

}  // namespace platform
