// Writes the demo's sample preset: sample banks on the emulated EWS64 card
// and SoundFont device, and the virtual keyboard connected to the virtual
// synthesizer an octave up. With --fluidsynth the SoundFont device is a
// running FluidSynth: TimGM6mb.sf2 in its slot 1, and the virtual keyboard
// plays into the "FluidSynth" port unchanged.
//
//   korvel_demo_preset [--fluidsynth] OUT.pre BANK_FOLDER
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "banks/SoundDevice.h"
#include "banks/presets/PresetImage.h"
#include "config/Configuration.h"

namespace {

using korvel::PresetDevice;

void Assign(PresetDevice& block, int slot, const std::string& folder, const char* file,
            const char* name) {
  std::snprintf(block.device.paths[slot], korvel::kPathEntrySize, "%s\\%s", folder.c_str(), file);
  block.device.slots[slot].flags = korvel::Assigned;
  std::strncpy(block.device.slots[slot].name, name, sizeof block.device.slots[slot].name - 1);
}

PresetDevice Block(korvel::DeviceKind kind, const std::string& folder) {
  PresetDevice block;
  block.device.kind = kind;
  block.device.slotCount = korvel::kSlotsPerDevice;
  block.device.flags = korvel::SaveInPreset;
  std::strncpy(block.device.lastFolder, folder.c_str(), sizeof block.device.lastFolder - 1);
  return block;
}

korvel::PresetConnection Connection(const char* source, const char* destination) {
  korvel::PresetConnection connection;
  std::strcpy(connection.sourceName, source);
  std::strcpy(connection.destName, destination);
  return connection;
}

korvel::PresetImage DemoPreset(const std::string& folder, bool fluidSynth) {
  korvel::PresetImage image;
  image.saveFlags = korvel::SaveCons | korvel::SaveMinfo;
  PresetDevice card = Block(korvel::kKindEws64, folder);
  Assign(card, 0, folder, "GRAND.tts", "GRAND");
  Assign(card, 1, folder, "EPIANO.tts", "EPIANO");
  PresetDevice soundFont = Block(korvel::kKindSoundFont, folder);
  // Slot 0 of a SoundFont device holds its own ROM bank.
  if (fluidSynth) {
    // Slot 1 is FluidSynth's bank offset 1: Bank Select 1 plays it.
    Assign(soundFont, 1, folder, "TimGM6mb.sf2", "TimGM6mb");
  } else {
    Assign(soundFont, 1, folder, "Piano.sf2", "Piano");
    Assign(soundFont, 2, folder, "Strings.sf2", "Strings");
  }
  image.devices = {card, soundFont};
  if (fluidSynth) {
    image.connections.push_back(Connection("Virtual Keyboard", "FluidSynth"));
    return image;
  }

  korvel::PresetConnection connection = Connection("Virtual Keyboard", "Virtual Synth");
  korvel::Modification octaveUp;  // Note On, every note, every channel
  octaveUp.sourceHigh = 127;
  octaveUp.targetValue = 12;
  korvel::Modification octaveUpOff = octaveUp;
  octaveUpOff.sourceType = korvel::kTypeNoteOff;
  octaveUpOff.targetType = korvel::kTypeNoteOff;
  connection.modifications = {octaveUp, octaveUpOff};
  connection.modCount = 2;
  image.connections.push_back(connection);
  return image;
}

}  // namespace

int main(int argc, char** argv) {
  const bool fluidSynth = argc == 4 && std::strcmp(argv[1], "--fluidsynth") == 0;
  if (argc != 3 && !fluidSynth) {
    std::fprintf(stderr, "usage: korvel_demo_preset [--fluidsynth] OUT.pre BANK_FOLDER\n");
    return 2;
  }
  const int outAt = fluidSynth ? 2 : 1;
  const auto bytes = korvel::EncodePreset(DemoPreset(argv[outAt + 1], fluidSynth));
  std::ofstream out(argv[outAt], std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return out ? 0 : 1;
}
