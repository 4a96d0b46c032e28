#include "tests/support/RenderedNote.h"

#include <windows.h>

#include <cmath>
#include <vector>

namespace testing_support {

namespace {
constexpr unsigned kBytesPerFrame = 4;  // 16-bit stereo
}  // namespace

std::uint32_t Pack(unsigned status, unsigned first, unsigned second) {
  return status | first << 8 | second << 16;
}

std::uint32_t RawFile::Size() const {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExA(path_.c_str(), GetFileExInfoStandard, &data)) return 0;
  return data.nFileSizeLow / kBytesPerFrame * kBytesPerFrame;
}

double RawFile::Rms(std::uint32_t from, std::uint32_t to) const {
  HANDLE file = CreateFileA(path_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE || to <= from) return -1;
  std::vector<std::int16_t> samples((to - from) / 2);
  DWORD got = 0;
  SetFilePointer(file, static_cast<LONG>(from), nullptr, FILE_BEGIN);
  ReadFile(file, samples.data(), static_cast<DWORD>(samples.size() * 2), &got, nullptr);
  CloseHandle(file);
  samples.resize(got / 2);
  double sum = 0;
  for (std::int16_t s : samples) sum += double(s) * s;
  return samples.empty() ? -1 : std::sqrt(sum / samples.size());
}

double PlayBankOneNote(const std::function<bool(std::uint32_t)>& send, const RawFile& raw) {
  bool sent = send(Pack(0xB3, 0, 1)) && send(Pack(0xB3, 32, 0)) && send(Pack(0xC3, 0));
  Sleep(50);
  const std::uint32_t from = raw.Size();
  sent = sent && send(Pack(0x93, 60, 110));
  Sleep(500);
  sent = send(Pack(0x83, 60, 64)) && sent;
  Sleep(200);
  return sent ? raw.Rms(from, raw.Size()) : kNotSent;
}

}  // namespace testing_support
