// Layout of the main window `TForm1`: the frame and its page control with
// the four pages. What stands on each page is in the page's own layout.
// Under the progress bar, the status line holds two lines of what work
// that MIDI started had to say (config/StatusLine.h).
#pragma once

#include <iterator>

#include "resources/forms/ControlIds.h"
#include "resources/forms/FormLayout.h"

namespace korvel::forms {

inline constexpr FontLayout kMainFont{"MS Sans Serif", -11, false};
// The two invisible font carriers the bank list, wait dialog and map draw with.
inline constexpr FontLayout kArialRegular{"Arial", -11, false};
inline constexpr FontLayout kArialBold{"Arial", -11, true};

// clang-format off
inline constexpr ControlLayout kMainControls[] = {
  // name            kind                id                   parent            left  top  width height caption         picture  font            value options
  {"Label3",         Kind::Label,        ctl::Label3,         0,                 24,  16,   0,   0,  "Device:",       nullptr, nullptr,         0, 0},
  {"DeviceSelect",   Kind::DropDownList, ctl::DeviceSelect,   0,                 70,  12, 379,  21,  nullptr,         nullptr, nullptr,         0, 0},
  {"BankPage",       Kind::PageControl,  ctl::BankPage,       0,                  9,  48, 466, 441,  nullptr,         nullptr, nullptr,         0, 0},
  {"BankSheet",      Kind::Page,         ctl::BankSheet,      ctl::BankPage,      0,   0,   0,   0,  "Bank Manager",  nullptr, nullptr,         0, 0},
  {"PresetSheet",    Kind::Page,         ctl::PresetSheet,    ctl::BankPage,      0,   0,   0,   0,  "Presets",       nullptr, nullptr,         0, 0},
  {"hwmcsheet",      Kind::Page,         ctl::hwmcsheet,      ctl::BankPage,      0,   0,   0,   0,  "Midi Devices",  nullptr, nullptr,         0, 0},
  {"AboutSheet",     Kind::Page,         ctl::AboutSheet,     ctl::BankPage,      0,   0,   0,   0,  "About",         nullptr, nullptr,         0, 0},
  {"Button1",        Kind::Button,       ctl::Button1,        0,                 15, 496, 113,  25,  "&Close",        nullptr, nullptr,         0, 0},
  {"ShowOptsButton", Kind::Button,       ctl::ShowOptsButton, 0,                176, 496, 113,  25,  "Options...",    nullptr, nullptr,         0, 0},
  {"MinButton",      Kind::Button,       ctl::MinButton,      0,                352, 496, 113,  25,  "&Minimize",     nullptr, nullptr,         0, 0},
  {"ProgressBar",    Kind::ProgressBar,  ctl::ProgressBar,    0,                 16, 528, 457,  25,  nullptr,         nullptr, nullptr,        16, 0},
  {"StatusLine",     Kind::Label,        ctl::StatusLine,     0,                 16, 557, 457,  28,  nullptr,         nullptr, nullptr,         0, 0},
  {"txtFN",          Kind::Label,        ctl::txtFN,          0,                280, 360,   0,   0,  nullptr,         nullptr, &kArialRegular,  0, Hidden},
  {"txtFB",          Kind::Label,        ctl::txtFB,          0,                344, 360,   0,   0,  nullptr,         nullptr, &kArialBold,     0, Hidden},
};
// clang-format on

inline constexpr FormLayout kMainForm{
    "TForm1", "Korvel", Border::Single, 241, 140, 482, 590, kMainFont,
    kMainControls, std::size(kMainControls)};

}  // namespace korvel::forms
