// Layout of the "Connection Details" dialog: the connection, its
// modifications and their editor, the modification presets, the link to
// the automated bank switching and a brief help text.
#pragma once

#include <iterator>

#include "resources/forms/ControlIds.h"
#include "resources/forms/FormLayout.h"

namespace korvel::forms {

inline constexpr char kConnectionDetailsHelp[] =
    "For starters, select a connection you want to tweak, select a preset you want to use and press 'Load'. "
    "To see the modification in action, press Ok and start playing. Effects of the modifications cannot be "
    "heard while this dialog is open.";

// clang-format off
inline constexpr ControlLayout kConnectionDetailsControls[] = {
  // name                    kind                id                          parent             left  top  width height caption                                  picture  font     value options
  {"Label1",                 Kind::Label,        ctl::conLabel1,             0,                   12,  12,   0,   0, "Connection:",                          nullptr, nullptr, 0, 0},
  {"ConList",                Kind::DropDownList, ctl::ConList,               0,                   84,   8, 400,  21, nullptr,                                nullptr, nullptr, 0, 0},
  {"GroupBox1",              Kind::GroupBox,     ctl::conGroupBox1,          0,                    8,  40, 480, 296, " Modify Midi Signal ",                 nullptr, nullptr, 0, 0},
  {"Label2",                 Kind::Label,        ctl::conLabel2,             ctl::conGroupBox1,   12,  20,   0,   0, "Modifications:",                       nullptr, nullptr, 0, 0},
  {"ptlist",                 Kind::ListBox,      ctl::ptlist,                ctl::conGroupBox1,   12,  36, 180, 212, nullptr,                                nullptr, nullptr, 0, 0},
  {"NewModButton",           Kind::Button,       ctl::NewModButton,          ctl::conGroupBox1,   12, 256,  56,  25, "&New",                                 nullptr, nullptr, 0, 0},
  {"LoadModPresetButton",    Kind::Button,       ctl::LoadModPresetButton,   ctl::conGroupBox1,   74, 256,  56,  25, "&Load",                                nullptr, nullptr, 0, 0},
  {"DelModButton",           Kind::Button,       ctl::DelModButton,          ctl::conGroupBox1,  136, 256,  56,  25, "&Delete",                              nullptr, nullptr, 0, 0},
  {"Label3",                 Kind::Label,        ctl::conLabel3,             ctl::conGroupBox1,  208,  24,   0,   0, "Source Type:",                         nullptr, nullptr, 0, 0},
  {"srclist",                Kind::DropDownList, ctl::srclist,               ctl::conGroupBox1,  296,  20, 172,  21, nullptr,                                nullptr, nullptr, 0, 0},
  {"Label4",                 Kind::Label,        ctl::conLabel4,             ctl::conGroupBox1,  208,  56,   0,   0, "Target Type:",                         nullptr, nullptr, 0, 0},
  {"dstlist",                Kind::DropDownList, ctl::dstlist,               ctl::conGroupBox1,  296,  52, 172,  21, nullptr,                                nullptr, nullptr, 0, 0},
  {"Label5",                 Kind::Label,        ctl::conLabel5,             ctl::conGroupBox1,  208,  92,  84,  13, "Note Range:",                          nullptr, nullptr, 0, 0},
  {"edsctype",               Kind::Edit,         ctl::edsctype,              ctl::conGroupBox1,  296,  88,  96,  21, nullptr,                                nullptr, nullptr, 0, 0},
  {"Label6",                 Kind::Label,        ctl::conLabel6,             ctl::conGroupBox1,  208, 124,  84,  13, "Note Range:",                          nullptr, nullptr, 0, 0},
  {"eddctype",               Kind::Edit,         ctl::eddctype,              ctl::conGroupBox1,  296, 120,  96,  21, nullptr,                                nullptr, nullptr, 0, 0},
  {"cbRev",                  Kind::CheckBox,     ctl::cbRev,                 ctl::conGroupBox1,  208, 156, 200,  17, "Swap second and third byte",           nullptr, nullptr, 0, 0},
  {"Label7",                 Kind::Label,        ctl::conLabel7,             ctl::conGroupBox1,  208, 192,   0,   0, "Channel Range:",                       nullptr, nullptr, 0, 0},
  {"edcr",                   Kind::Edit,         ctl::edcr,                  ctl::conGroupBox1,  296, 188,  96,  21, nullptr,                                nullptr, nullptr, 0, 0},
  {"Label8",                 Kind::Label,        ctl::conLabel8,             ctl::conGroupBox1,  208, 228,   0,   0, "Custom Name:",                         nullptr, nullptr, 0, 0},
  {"edPresetName",           Kind::Edit,         ctl::edPresetName,          ctl::conGroupBox1,  296, 224, 172,  21, nullptr,                                nullptr, nullptr, 0, 0},
  {"GroupBox2",              Kind::GroupBox,     ctl::conGroupBox2,          0,                    8, 344, 480,  88, " Presets  ",                           nullptr, nullptr, 0, 0},
  {"tlist",                  Kind::DropDownList, ctl::tlist,                 ctl::conGroupBox2,   12,  20, 456,  21, nullptr,                                nullptr, nullptr, 0, 0},
  {"SaveModPresetButtonN",   Kind::Button,       ctl::SaveModPresetButtonN,  ctl::conGroupBox2,   12,  52,  80,  25, "&Save",                                nullptr, nullptr, 0, 0},
  {"SaveAsModPresetButton",  Kind::Button,       ctl::SaveAsModPresetButton, ctl::conGroupBox2,  100,  52,  80,  25, "Save &as",                             nullptr, nullptr, 0, 0},
  {"DelPresetButton",        Kind::Button,       ctl::DelPresetButton,       ctl::conGroupBox2,  188,  52,  80,  25, "Delete",                               nullptr, nullptr, 0, 0},
  {"GroupBox3",              Kind::GroupBox,     ctl::conGroupBox3,          0,                  500,  40, 235,  88, " Link to Automated Bank Management ", nullptr, nullptr, 0, 0},
  {"Label10",                Kind::Label,        ctl::conLabel10,            ctl::conGroupBox3,   12,  24,   0,   0, "Linked to:",                           nullptr, nullptr, 0, 0},
  {"llist",                  Kind::DropDownList, ctl::llist,                 ctl::conGroupBox3,   12,  44, 211,  21, nullptr,                                nullptr, nullptr, 0, 0},
  {"GroupBox4",              Kind::GroupBox,     ctl::conGroupBox4,          0,                  500, 136, 235, 200, " Brief Help ",                         nullptr, nullptr, 0, 0},
  {"Label11",                Kind::Label,        ctl::conLabel11,            ctl::conGroupBox4,   12,  24, 211, 160, kConnectionDetailsHelp,               nullptr, nullptr, 0, 0},
  {"CloseButton",            Kind::Button,       ctl::CloseButton,           0,                  604, 400, 113,  25, "&Close",                               nullptr, nullptr, 0, 0},
};
// clang-format on

inline constexpr FormLayout kConnectionDetailsForm{
    "TconDialog", "Connection Details", Border::Dialog, kCentred, kCentred, 743, 440,
    FontLayout{"MS Sans Serif", -11, false}, kConnectionDetailsControls, std::size(kConnectionDetailsControls)};

}  // namespace korvel::forms
