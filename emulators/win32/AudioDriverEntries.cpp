// The entry points Wine's mmdevapi looks for in "wine<name>.drv" for every
// name in HKCU\Software\Wine\Drivers "Audio"; it keeps the driver with the
// highest priority and winmm then loads that same file for its MIDI devices.
// This driver offers no audio endpoints: a prefix that selects it has MIDI
// ports and no sound output.
#include <windows.h>

namespace {
constexpr int kPriorityPreferred = 3;
}  // namespace

extern "C" int WINAPI GetPriority() { return kPriorityPreferred; }

extern "C" HRESULT WINAPI GetEndpointIDs(int /*flow*/, WCHAR*** ids, GUID** guids, UINT* count,
                                         UINT* defaultIndex) {
  *ids = nullptr;
  *guids = nullptr;
  *count = 0;
  *defaultIndex = 0;
  return S_OK;
}

extern "C" HRESULT WINAPI GetAudioEndpoint(void* /*key*/, void* /*device*/, void** client) {
  *client = nullptr;
  return E_NOTIMPL;
}

extern "C" HRESULT WINAPI GetAudioSessionManager(void* /*device*/, void** manager) {
  *manager = nullptr;
  return E_NOTIMPL;
}
