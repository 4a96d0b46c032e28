// Layout of Setup's window `TForm1`: the device check boxes, the bank
// folders and the two buttons. Rows are in tab order (a group box's
// contents right after it): "&Finish installation...", the devices,
// "&Cancel Install", the bank folders. The one-line labels in the group
// boxes size to their text, so that a wider font never wraps them out of sight.
#pragma once

#include <iterator>

#include "resources/forms/FormLayout.h"
#include "resources/forms/SetupControlIds.h"

namespace korvel::forms {

inline constexpr char kSetupFoldersHelp[] =
    "Enter here any number of complete paths separated by ';'. Korvel will search these folders for bank "
    "information.";

// clang-format off
inline constexpr ControlLayout kSetupControls[] = {
  // name          kind            id                       parent                  left top  width height caption                                                                                   picture  font     value options
  {"Label2",       Kind::Label,    ctl::setup::Label2,       0,                        24,  16, 297, 25, "To finish installation, please fill the following information.",                          nullptr, nullptr, 0, 0},
  {"Button1",      Kind::Button,   ctl::setup::Button1,      0,                        24, 280, 273, 25, "&Finish installation...",                                                                 nullptr, nullptr, 0, 0},
  {"GroupBox1",    Kind::GroupBox, ctl::setup::GroupBox1,    0,                        16,  48, 513, 113, " Audio Devices ",                                                                        nullptr, nullptr, 0, 0},
  {"Label1",       Kind::Label,    ctl::setup::Label1,       ctl::setup::GroupBox1,    16,  24,   0,  0, "Enable check boxes for devices you want to be detected.",                                  nullptr, nullptr, 0, 0},
  {"cbSFD",        Kind::CheckBox, ctl::setup::cbSFD,        ctl::setup::GroupBox1,    16,  48, 481, 17, "&SoundFont Compatible Devices. For example, Sound Blaster AWE32 or Sound Blaster LIVE.", nullptr, nullptr, 0, Checked},
  {"cbEWS64",      Kind::CheckBox, ctl::setup::cbEWS64,      ctl::setup::GroupBox1,    16,  80, 217, 17, "&Terratec EWS64 S, L, XL or XXL.",                                                        nullptr, nullptr, 0, Checked},
  {"Button2",      Kind::Button,   ctl::setup::Button2,      0,                       432, 280,  91, 25, "&Cancel Install",                                                                         nullptr, nullptr, 0, 0},
  {"GroupBox2",    Kind::GroupBox, ctl::setup::GroupBox2,    0,                        16, 176, 513, 89, " Other Options ",                                                                         nullptr, nullptr, 0, 0},
  {"Label3",       Kind::Label,    ctl::setup::Label3,       ctl::setup::GroupBox2,    10,  19,   0,  0, "Instrument Bank Folders:",                                                                nullptr, nullptr, 0, 0},
  {"edBankFolder", Kind::Edit,     ctl::setup::edBankFolder, ctl::setup::GroupBox2,   136,  16, 365, 21, nullptr,                                                                                   nullptr, nullptr, 0, 0},
  {"Label4",       Kind::Label,    ctl::setup::Label4,       ctl::setup::GroupBox2,     8,  48, 497, 31, kSetupFoldersHelp,                                                                         nullptr, nullptr, 0, 0},
};
// clang-format on

// The caption is a single blank until FormCreate names the window. The
// window is 555 x 338 outside; the client size here is what a Windows 95
// caption and frame leave of it, and the window sets the outer size itself.
inline constexpr FormLayout kSetupForm{
    "TForm1", " ", Border::Single, kCentred, kCentred, 547, 311,
    FontLayout{"MS Sans Serif", -11, false}, kSetupControls, std::size(kSetupControls)};

inline constexpr int kSetupWindowWidth = 555;
inline constexpr int kSetupWindowHeight = 338;

}  // namespace korvel::forms
