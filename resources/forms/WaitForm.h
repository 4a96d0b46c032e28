// Layout of the start-up window `TWaitDialog`: borderless, centred, one image.
#pragma once

#include <iterator>

#include "resources/forms/ControlIds.h"
#include "resources/forms/FormLayout.h"
#include "resources/forms/MainForm.h"

namespace korvel::forms {

// clang-format off
inline constexpr ControlLayout kWaitControls[] = {
  // name  kind         id        parent left top width height caption  picture  font     value options
  {"Logo", Kind::Image, ctl::Logo, 0,     0,   0, 414,  146,   nullptr, nullptr, nullptr, 0,    0},
};
// clang-format on

inline constexpr FormLayout kWaitForm{
    "TWaitDialog", "", Border::None, kCentred, kCentred, 414, 146, kMainFont,
    kWaitControls, std::size(kWaitControls)};

}  // namespace korvel::forms
