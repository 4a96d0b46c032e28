#include "emulators/bridge/DriverBlock16.h"

#include <windows.h>

#include <cstring>

namespace korvel::bridge {
namespace {

constexpr WORD kGmemMoveable = 0x0002, kGmemZeroInit = 0x0040;

using AllocLock16Fn = DWORD(WINAPI*)(WORD flags, DWORD bytes, WORD* handle);
using GetVdmPointerFn = LPVOID(WINAPI*)(DWORD address, DWORD bytes, BOOL protectedMode);
using Free16Fn = WORD(WINAPI*)(WORD handle);

struct Wow32 {
  AllocLock16Fn allocLock16 = nullptr;
  GetVdmPointerFn getVdmPointer = nullptr;
  Free16Fn free16 = nullptr;
  bool works = false;
};

#if !defined(_WIN64)
bool Probe(const Wow32& wow) {
  WORD handle = 0;
  const DWORD address = wow.allocLock16(kGmemMoveable | kGmemZeroInit, 16, &handle);
  if (address == 0 || handle == 0) return false;
  bool ok = false;
  if (auto* flat = static_cast<unsigned char*>(wow.getVdmPointer(address, 16, TRUE))) {
    static const unsigned char kPattern[4] = {0x4B, 0x6F, 0x72, 0x76};
    std::memcpy(flat, kPattern, sizeof kPattern);
    const auto* again = static_cast<const unsigned char*>(wow.getVdmPointer(address, 16, TRUE));
    ok = again == flat && std::memcmp(again, kPattern, sizeof kPattern) == 0;
  }
  return wow.free16(handle) == 0 && ok;
}
#endif

const Wow32& Bridge() {
  // Decided on first use; wow32.dll stays loaded for the life of the process.
  static const Wow32 bridge = [] {
    Wow32 wow;
#if !defined(_WIN64)
    HMODULE module = ::LoadLibraryA("wow32.dll");
    if (!module) return wow;
    wow.allocLock16 = reinterpret_cast<AllocLock16Fn>(
        reinterpret_cast<void*>(::GetProcAddress(module, "WOWGlobalAllocLock16")));
    wow.getVdmPointer = reinterpret_cast<GetVdmPointerFn>(
        reinterpret_cast<void*>(::GetProcAddress(module, "WOWGetVDMPointer")));
    wow.free16 = reinterpret_cast<Free16Fn>(
        reinterpret_cast<void*>(::GetProcAddress(module, "WOWGlobalFree16")));
    wow.works = wow.allocLock16 && wow.getVdmPointer && wow.free16 && Probe(wow);
    if (!wow.works) ::FreeLibrary(module);
#endif
    return wow;
  }();
  return bridge;
}

}  // namespace

bool Wow32BridgeWorks() { return Bridge().works; }

bool AllocDriverBlock(std::size_t bytes, DriverBlock* block) {
  *block = DriverBlock{};
  const Wow32& wow = Bridge();
  if (wow.works) {
    WORD handle = 0;
    const DWORD address =
        wow.allocLock16(kGmemMoveable | kGmemZeroInit, static_cast<DWORD>(bytes), &handle);
    void* flat = address ? wow.getVdmPointer(address, static_cast<DWORD>(bytes), TRUE) : nullptr;
    if (!flat) {
      if (handle) wow.free16(handle);
      return false;
    }
    std::memset(flat, 0, bytes);
    block->flat = flat;
    block->param = static_cast<std::intptr_t>(address);
    block->handle16 = handle;
    return true;
  }
  void* flat = ::GlobalAlloc(GPTR, bytes);
  if (!flat) return false;
  block->flat = flat;
  block->param = reinterpret_cast<std::intptr_t>(flat);
  return true;
}

void FreeDriverBlock(DriverBlock* block) {
  if (block->handle16) {
    Bridge().free16(block->handle16);
  } else if (block->flat) {
    ::GlobalFree(block->flat);
  }
  *block = DriverBlock{};
}

void* DriverBlockFromParam(std::intptr_t param, std::size_t bytes) {
  if (param == 0) return nullptr;
  const Wow32& wow = Bridge();
  if (wow.works) {
    return wow.getVdmPointer(static_cast<DWORD>(param), static_cast<DWORD>(bytes), TRUE);
  }
  return reinterpret_cast<void*>(param);
}

}  // namespace korvel::bridge
