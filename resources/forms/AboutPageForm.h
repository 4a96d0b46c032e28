// Layout of the "About" page: the logo (start-up writes the version into
// it) and the group box with the release, author, distribution and help lines.
#pragma once

#include <iterator>

#include "resources/forms/ControlIds.h"
#include "resources/forms/FormLayout.h"

namespace korvel::forms {

// clang-format off
inline constexpr ControlLayout kAboutPageControls[] = {
  // name                kind            id                      parent           left  top  width height caption                                           picture  font     value options
  {"LogoImage",          Kind::Image,    ctl::LogoImage,         ctl::AboutSheet,   24,  32, 414, 153, nullptr,                                          "LOGO",  nullptr, 0, 0},
  {"AboutGroup",         Kind::GroupBox, ctl::AboutGroup,        ctl::AboutSheet,   32, 216, 393, 161, nullptr,                                          nullptr, nullptr, 0, 0},
  {"Label19",            Kind::Label,    ctl::Label19,           ctl::AboutGroup,    8,  24, 377,  13, "Released December 8, 2026",                      nullptr, nullptr, 0, Centred},
  {"AboutAuthor",        Kind::Label,    ctl::AboutAuthor,       ctl::AboutGroup,    8,  48, 377,  13, "Written by Quennet",                             nullptr, nullptr, 0, Centred},
  {"Label20",            Kind::Label,    ctl::Label20,           ctl::AboutGroup,    8,  88, 377,  13, "For help, see Korvel.htm.",                      nullptr, nullptr, 0, Centred},
  {"AboutDistribution",  Kind::Label,    ctl::AboutDistribution, ctl::AboutGroup,    8, 120, 377,  26, "Korvel may be copied and given away freely, as long as it is not changed.", nullptr, nullptr, 0, Centred},
};
// clang-format on
inline constexpr std::size_t kAboutPageControlCount = std::size(kAboutPageControls);

}  // namespace korvel::forms
