// Layout of the "Bank Manager" page: the group box with the bank list, its
// four buttons, the "Virtual Bank Mode" box and its note, and the memory
// graph; and the two arrangements of the group box's contents.
#pragma once

#include <iterator>

#include "resources/forms/ControlIds.h"
#include "resources/forms/FormLayout.h"

namespace korvel::forms {

inline constexpr FontLayout kBankListFont{"MS Sans Serif", -12, false};
inline constexpr FontLayout kNoteFont{"Arial", -9, false};
constexpr int kBankListLineHeight = 14;

inline constexpr char kVirtualBankModeNote[] =
    "In Virtual Bank Mode, instrument banks are not automatically loaded to sound memory. Instead, MIDI "
    "messages and quick menus are used to load them invidually. Physical banks of EWS64 are dynamically "
    "mapped. See help file for details.";

// clang-format off
inline constexpr ControlLayout kBankPageControls[] = {
  // name                 kind                 id                        parent          left  top  width height caption                 picture  font            value                options
  {"BankGroup",           Kind::GroupBox,      ctl::BankGroup,           ctl::BankSheet,   16,   8, 433, 345, " Instrument Banks ",   nullptr, nullptr,        0,                   0},
  {"BankList",            Kind::OwnerDrawList, ctl::BankList,            ctl::BankGroup,   16,  24, 400, 214, nullptr,                nullptr, &kBankListFont, kBankListLineHeight, 0},
  {"BrowseBankButton",    Kind::Button,        ctl::BrowseBankButton,    ctl::BankGroup,   32, 245,  73,  25, "&Load...",             nullptr, nullptr,        0,                   0},
  {"UnloadBankButton",    Kind::Button,        ctl::UnloadBankButton,    ctl::BankGroup,  128, 245,  73,  25, "&Unload",              nullptr, nullptr,        0,                   0},
  {"ClearBankSlotButton", Kind::Button,        ctl::ClearBankSlotButton, ctl::BankGroup,  224, 245,  73,  25, "Cle&ar",               nullptr, nullptr,        0,                   0},
  {"RefreshButton",       Kind::Button,        ctl::RefreshButton,       ctl::BankGroup,  320, 245,  73,  25, "&Refresh",             nullptr, nullptr,        0,                   0},
  {"cbVBMode",            Kind::CheckBox,      ctl::cbVBMode,            ctl::BankGroup,   32, 279, 120,  17, "Virtual Bank Mode",    nullptr, nullptr,        0,                   Checked},
  {"Label9",              Kind::Label,         ctl::Label9,              ctl::BankGroup,   16, 300, 393,  36, kVirtualBankModeNote,   nullptr, &kNoteFont,     0,                   0},
  {"MemGraph",            Kind::Image,         ctl::MemGraph,            ctl::BankSheet,   16, 368, 433,  33, nullptr,                nullptr, nullptr,        0,                   0},
};
// clang-format on
inline constexpr std::size_t kBankPageControlCount = std::size(kBankPageControls);

// Where a control of the group box stands in one arrangement.
struct Placement {
  int id;
  int left, top, width, height;
};

// "Extended bank list information" on: a wide list with the buttons in a
// row under it; off: a narrow, tall list with the buttons in a column.
// clang-format off
inline constexpr Placement kBankPageWide[] = {
  {ctl::BankList,             16,  24, 400, 214},
  {ctl::BrowseBankButton,     32, 245,  73,  25},
  {ctl::UnloadBankButton,    128, 245,  73,  25},
  {ctl::ClearBankSlotButton, 224, 245,  73,  25},
  {ctl::RefreshButton,       320, 245,  73,  25},
  {ctl::cbVBMode,             32, 279, 120,  17},
  {ctl::Label9,               16, 300, 393,  36},
};
inline constexpr Placement kBankPageNarrow[] = {
  {ctl::BankList,             16,  24, 250, 312},
  {ctl::BrowseBankButton,    300,  31,  97,  25},
  {ctl::UnloadBankButton,    300,  75,  97,  25},
  {ctl::ClearBankSlotButton, 300, 119,  97,  25},
  {ctl::RefreshButton,       300, 163,  97,  25},
  {ctl::cbVBMode,            288, 199, 120,  17},
  {ctl::Label9,              280, 228, 142, 100},
};
// clang-format on

}  // namespace korvel::forms
