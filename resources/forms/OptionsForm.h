// Layout of the "Options" dialog. Rows stand in tab order: the drivers
// group, the miscellaneous group, "&Ok", the MIDI group, the start-up
// button and "&Cancel", each group's boxes in their own tab order.
#pragma once

#include <iterator>

#include "resources/forms/ControlIds.h"
#include "resources/forms/FormLayout.h"

namespace korvel::forms {

// clang-format off
inline constexpr ControlLayout kOptionsControls[] = {
  // name                 kind            id                       parent        left  top  width height caption                                        picture  font     value options
  {"Group2",              Kind::GroupBox, ctl::Group2,             0,              24,  83, 161, 182, " Audio Drivers in Use ",                        nullptr, nullptr, 0, 0},
  {"cbUseEWS64",          Kind::CheckBox, ctl::cbUseEWS64,         ctl::Group2,    16,  32, 137,  17, "Ews64",                                         nullptr, nullptr, 0, Checked},
  {"cbUseAWE32",          Kind::CheckBox, ctl::cbUseAWE32,         ctl::Group2,    16,  64, 137,  17, "Awe Manager",                                   nullptr, nullptr, 0, Checked},
  {"cbUseSFD",            Kind::CheckBox, ctl::cbUseSFD,           ctl::Group2,    16,  96, 137,  17, "SoundFont Manager",                             nullptr, nullptr, 0, Checked},
  {"Label6",              Kind::Label,    ctl::optLabel6,          ctl::Group2,    16, 128, 129,  39, "These changes don't take place until you have restarted this program.", nullptr, nullptr, 0, 0},
  {"OOGroup",             Kind::GroupBox, ctl::OOGroup,            0,             216,   8, 241, 313, " Miscellanous Options ",                        nullptr, nullptr, 0, 0},
  {"cbAutoSave",          Kind::CheckBox, ctl::cbAutoSave,         ctl::OOGroup,   16,  24, 201,  17, "Automatically save presets",                    nullptr, nullptr, 0, Checked},
  {"cbStartMin",          Kind::CheckBox, ctl::cbStartMin,         ctl::OOGroup,   16, 152, 209,  17, "Start minimized",                               nullptr, nullptr, 0, Checked},
  {"cbLoadPreset",        Kind::CheckBox, ctl::cbLoadPreset,       ctl::OOGroup,   16,  56, 201,  17, "Load most recent preset on startup",            nullptr, nullptr, 0, Checked},
  {"edBankFolder",        Kind::Edit,     ctl::edBankFolder,       ctl::OOGroup,   80, 256, 145,  21, nullptr,                                         nullptr, nullptr, 0, 0},
  {"cbClearOnLoad",       Kind::CheckBox, ctl::cbClearOnLoad,      ctl::OOGroup,   16,  88, 217,  17, "Clear paths before loading a preset",           nullptr, nullptr, 0, Checked},
  {"cbMoreInfo",          Kind::CheckBox, ctl::cbMoreInfo,         ctl::OOGroup,   16, 184, 201,  17, "Extended bank list information",                nullptr, nullptr, 0, Checked},
  {"cbSmartLoad",         Kind::CheckBox, ctl::cbSmartLoad,        ctl::OOGroup,   16, 216, 209,  17, "Smart group load",                              nullptr, nullptr, 0, Checked},
  {"cbClearCons",         Kind::CheckBox, ctl::cbClearCons,        ctl::OOGroup,   16, 120, 217,  17, "Clear connections before loading preset",       nullptr, nullptr, 0, Checked},
  {"Label2",              Kind::Label,    ctl::optLabel2,          ctl::OOGroup,    8, 259,  73,  13, "Bank Folders:",                                 nullptr, nullptr, 0, 0},
  {"CloseButton",         Kind::Button,   ctl::optCloseButton,     0,             232, 344,  89,  25, "&Ok",                                           nullptr, nullptr, 0, 0},
  {"MidiGroup",           Kind::GroupBox, ctl::MidiGroup,          0,              24,   8, 161,  57, " MIDI Options",                                 nullptr, nullptr, 0, 0},
  {"cbUseCons",           Kind::CheckBox, ctl::cbUseCons,          ctl::MidiGroup, 16,  24, 129,  17, "Use Midi Connections",                          nullptr, nullptr, 0, Checked},
  {"AddToStartupButton",  Kind::Button,   ctl::AddToStartupButton, 0,              16, 288, 177,  25, "Add Icon to Startup Group",                     nullptr, nullptr, 0, 0},
  {"CancelButton",        Kind::Button,   ctl::CancelButton,       0,             352, 344,  91,  25, "&Cancel",                                       nullptr, nullptr, 0, 0},
};
// clang-format on

inline constexpr FormLayout kOptionsForm{
    "TODialog", "Options", Border::Dialog, kCentred, kCentred, 473, 378,
    FontLayout{"MS Sans Serif", -11, false}, kOptionsControls, std::size(kOptionsControls)};

}  // namespace korvel::forms
