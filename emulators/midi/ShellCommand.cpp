#include "emulators/midi/ShellCommand.h"

namespace korvel::emu::vmidi {
namespace {

// Appends to a fixed line; the size above holds the longest command.
class LineWriter {
 public:
  explicit LineWriter(char (&line)[kShellCommandSize]) : line_(line) {}

  LineWriter& Word(const char* word) {
    while (*word) line_[length_++] = *word++;
    return *this;
  }
  LineWriter& Number(unsigned value) {
    char digits[5];
    std::size_t count = 0;
    do {
      digits[count++] = static_cast<char>('0' + value % 10);
      value /= 10;
    } while (value != 0);
    line_[length_++] = ' ';
    while (count > 0) line_[length_++] = digits[--count];
    return *this;
  }
  std::size_t End() {
    line_[length_++] = '\n';
    line_[length_] = '\0';
    return length_;
  }

 private:
  char (&line_)[kShellCommandSize];
  std::size_t length_ = 0;
};

}  // namespace

std::size_t ShellCommandFor(std::uint32_t message, char (&line)[kShellCommandSize]) {
  line[0] = '\0';
  const unsigned status = message & 0xF0;
  const unsigned channel = message & 0x0F;
  const unsigned first = (message >> 8) & 0x7F;
  const unsigned second = (message >> 16) & 0x7F;
  LineWriter out(line);
  switch (status) {
    case 0x90:
      if (second != 0) return out.Word("noteon").Number(channel).Number(first).Number(second).End();
      [[fallthrough]];
    case 0x80: return out.Word("noteoff").Number(channel).Number(first).End();
    case 0xB0: return out.Word("cc").Number(channel).Number(first).Number(second).End();
    case 0xC0: return out.Word("prog").Number(channel).Number(first).End();
    case 0xE0: return out.Word("pitch_bend").Number(channel).Number(second << 7 | first).End();
    default: return 0;  // pressure, system messages, or a data byte without its status
  }
}

}  // namespace korvel::emu::vmidi
