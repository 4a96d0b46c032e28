// The lines the FluidSynth port sends to FluidSynth's shell for the short
// messages Korvel routes to it.
#include "emulators/midi/ShellCommand.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace korvel::emu::vmidi {
namespace {

std::uint32_t Pack(unsigned status, unsigned first, unsigned second = 0) {
  return status | first << 8 | second << 16;
}

std::string LineFor(std::uint32_t message) {
  char line[kShellCommandSize];
  const std::size_t length = ShellCommandFor(message, line);
  EXPECT_EQ(std::string(line).size(), length) << "length and NUL agree";
  return line;
}

TEST(ShellCommandTest, EveryChannelVoiceMessageOnEveryChannel) {
  for (unsigned channel = 0; channel < 16; ++channel) {
    const std::string c = std::to_string(channel);
    SCOPED_TRACE("channel " + c);
    EXPECT_EQ(LineFor(Pack(0x90 | channel, 60, 100)), "noteon " + c + " 60 100\n");
    EXPECT_EQ(LineFor(Pack(0x90 | channel, 127, 1)), "noteon " + c + " 127 1\n");
    EXPECT_EQ(LineFor(Pack(0x80 | channel, 60, 64)), "noteoff " + c + " 60\n");
    EXPECT_EQ(LineFor(Pack(0xB0 | channel, 0, 1)), "cc " + c + " 0 1\n");
    EXPECT_EQ(LineFor(Pack(0xB0 | channel, 32, 0)), "cc " + c + " 32 0\n");
    EXPECT_EQ(LineFor(Pack(0xB0 | channel, 7, 127)), "cc " + c + " 7 127\n");
    EXPECT_EQ(LineFor(Pack(0xC0 | channel, 0)), "prog " + c + " 0\n");
    EXPECT_EQ(LineFor(Pack(0xC0 | channel, 127)), "prog " + c + " 127\n");
    EXPECT_EQ(LineFor(Pack(0xE0 | channel, 0x00, 0x40)), "pitch_bend " + c + " 8192\n");
  }
}

TEST(ShellCommandTest, EdgesOfTheDataBytes) {
  EXPECT_EQ(LineFor(Pack(0x93, 60, 0)), "noteoff 3 60\n") << "velocity 0 is a Note Off";
  EXPECT_EQ(LineFor(Pack(0xE0, 0x00, 0x00)), "pitch_bend 0 0\n");
  EXPECT_EQ(LineFor(Pack(0xEF, 0x7F, 0x7F)), "pitch_bend 15 16383\n");
  EXPECT_EQ(LineFor(Pack(0xE5, 0x01, 0x00)), "pitch_bend 5 1\n") << "LSB first";
  EXPECT_EQ(LineFor(Pack(0xE5, 0x00, 0x01)), "pitch_bend 5 128\n");
  EXPECT_EQ(LineFor(Pack(0x90, 60, 100) | 0xAB000000u), "noteon 0 60 100\n")
      << "the unused top byte is ignored";
  EXPECT_EQ(LineFor(Pack(0x90, 0xBC, 0xE4)), "noteon 0 60 100\n") << "data bytes are 7 bits";
}

TEST(ShellCommandTest, WhatTheShellCannotPlayGivesNoLine) {
  EXPECT_EQ(LineFor(Pack(0xA0, 60, 50)), "") << "key pressure";
  EXPECT_EQ(LineFor(Pack(0xD4, 50)), "") << "channel pressure";
  for (unsigned status = 0xF0; status <= 0xFF; ++status) EXPECT_EQ(LineFor(status), "") << status;
  EXPECT_EQ(LineFor(Pack(0x3C, 100)), "") << "a data byte, as running status would leave";
  EXPECT_EQ(LineFor(0), "");
}

}  // namespace
}  // namespace korvel::emu::vmidi
