// Layout of the "Presets" page: the current preset with its buttons, and
// what a saved preset holds.
#pragma once

#include <iterator>

#include "resources/forms/ControlIds.h"
#include "resources/forms/FormLayout.h"

namespace korvel::forms {

// clang-format off
inline constexpr ControlLayout kPresetPageControls[] = {
  // name                kind             id                       parent            left  top  width height caption                                picture  font     value options
  {"CPBox",              Kind::GroupBox,  ctl::CPBox,              ctl::PresetSheet,    8,   8, 425, 161, nullptr,                               nullptr, nullptr, 0, 0},
  {"Label4",             Kind::Label,     ctl::Label4,             ctl::CPBox,         16,  40,   0,   0, "Current Preset:",                     nullptr, nullptr, 0, 0},
  {"txtCurPreset",       Kind::Label,     ctl::txtCurPreset,       ctl::CPBox,         96,  40, 305,  13, nullptr,                               nullptr, nullptr, 0, 0},
  {"SavePresetButton",   Kind::Button,    ctl::SavePresetButton,   ctl::CPBox,         16,  80, 105,  25, "&Save",                               nullptr, nullptr, 0, 0},
  {"SaveAsPresetButton", Kind::Button,    ctl::SaveAsPresetButton, ctl::CPBox,        144,  80, 105,  25, "Sa&ve as...",                         nullptr, nullptr, 0, 0},
  {"LoadPresetButton",   Kind::Button,    ctl::LoadPresetButton,   ctl::CPBox,        272,  80, 121,  25, "&Load...",                            nullptr, nullptr, 0, 0},
  {"ClearPresetButton",  Kind::Button,    ctl::ClearPresetButton,  ctl::CPBox,        144, 120, 105,  25, "New",                                 nullptr, nullptr, 0, 0},
  {"GroupBox1",          Kind::GroupBox,  ctl::GroupBox1,          ctl::PresetSheet,    8, 192, 425, 161, " What to Save in Preset? ",           nullptr, nullptr, 0, 0},
  {"cbSaveD0",           Kind::CheckBox,  ctl::cbSaveD0,           ctl::GroupBox1,     16,  24, 177,  17, "Bank paths of device 0",              nullptr, nullptr, 0, Checked},
  {"cbSaveD1",           Kind::CheckBox,  ctl::cbSaveD0 + 1,       ctl::GroupBox1,     16,  56, 169,  17, "Bank paths of device 1",              nullptr, nullptr, 0, Checked},
  {"cbSaveD2",           Kind::CheckBox,  ctl::cbSaveD0 + 2,       ctl::GroupBox1,     16,  88, 169,  17, "Bank paths of device 2",              nullptr, nullptr, 0, Checked},
  {"cbSaveD3",           Kind::CheckBox,  ctl::cbSaveD3,           ctl::GroupBox1,     16, 120, 169,  17, "Bank paths of device 3",              nullptr, nullptr, 0, Checked},
  {"cbSaveMinfo",        Kind::CheckBox,  ctl::cbSaveMinfo,        ctl::GroupBox1,    176,  24, 225,  17, "Additional Midi Device Information",  nullptr, nullptr, 0, Checked},
  {"cbSaveCons",         Kind::CheckBox,  ctl::cbSaveCons,         ctl::GroupBox1,    176,  56, 129,  17, "Midi Connections",                    nullptr, nullptr, 0, Checked},
  {"ResetSaves",         Kind::Button,    ctl::ResetSaves,         ctl::GroupBox1,    344, 128,  65,  25, "&Defaults",                           nullptr, nullptr, 0, 0},
};
// clang-format on
inline constexpr std::size_t kPresetPageControlCount = std::size(kPresetPageControls);

}  // namespace korvel::forms
