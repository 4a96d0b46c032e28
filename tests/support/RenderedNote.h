// What a FluidSynth rendering to a raw file (16-bit stereo) made of a note:
// the file read while FluidSynth writes on, and a bank-selected note played
// through whatever carries MIDI to it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace testing_support {

// A note of the General MIDI piano is far above this, FluidSynth's dither far below.
constexpr double kSoundRms = 100, kSilenceRms = 20;

std::uint32_t Pack(unsigned status, unsigned first, unsigned second = 0);

class RawFile {
 public:
  explicit RawFile(std::string path) : path_(std::move(path)) {}
  // Bytes rendered so far, whole frames only.
  std::uint32_t Size() const;
  // Root mean square of the samples from byte `from` to byte `to`; -1 when
  // there are none.
  double Rms(std::uint32_t from, std::uint32_t to) const;

 private:
  std::string path_;
};

// Bank Select 1 and program 0 on channel 3, then middle C for half a second,
// each message handed to `send`: the RMS of what FluidSynth rendered meanwhile,
// or kNotSent when `send` refused a message.
constexpr double kNotSent = -2;
double PlayBankOneNote(const std::function<bool(std::uint32_t)>& send, const RawFile& raw);

}  // namespace testing_support
