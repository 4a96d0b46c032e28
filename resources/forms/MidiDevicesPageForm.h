// Layout of the "Midi Devices" page: the connection map's image and its
// three buttons. The port tiles are made at run time, one per port.
#pragma once

#include <iterator>

#include "resources/forms/ControlIds.h"
#include "resources/forms/FormLayout.h"

namespace korvel::forms {

// clang-format off
inline constexpr ControlLayout kMidiDevicesPageControls[] = {
  // name             kind          id                  parent          left  top  width height caption           picture  font     value options
  {"ConnImage",       Kind::Image,  ctl::ConnImage,     ctl::hwmcsheet,    8,   8, 433, 353, nullptr,          nullptr, nullptr, 0, 0},
  {"ConOptsButton",   Kind::Button, ctl::ConOptsButton, ctl::hwmcsheet,   16, 376, 115,  25, "M&ore...",       nullptr, nullptr, 0, 0},
  {"ShowHidButton",   Kind::Button, ctl::ShowHidButton, ctl::hwmcsheet,  176, 376, 105,  25, "&Reveal Hidden", nullptr, nullptr, 0, 0},
  {"OrgConButton",    Kind::Button, ctl::OrgConButton,  ctl::hwmcsheet,  328, 376,  99,  25, "&Arrange",       nullptr, nullptr, 0, 0},
};
// clang-format on
inline constexpr std::size_t kMidiDevicesPageControlCount = std::size(kMidiDevicesPageControls);

}  // namespace korvel::forms
