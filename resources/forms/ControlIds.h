// Control ids of Korvel's windows. The program builds its forms with them and
// the tests that drive the running program find controls by them, so an id
// never changes once given. Ranges: main window frame 100, "Bank Manager"
// page 200, "Presets" page 300, "Midi Devices" page 400, "About" page 500,
// wait dialog 900.
#pragma once

namespace korvel::ctl {

// Main window frame.
constexpr int Label3 = 100;
constexpr int DeviceSelect = 101;
constexpr int BankPage = 102;
constexpr int Button1 = 103;
constexpr int ShowOptsButton = 104;
constexpr int MinButton = 105;
constexpr int ProgressBar = 106;
constexpr int txtFN = 107;
constexpr int txtFB = 108;

// The four pages of `BankPage`, in tab order.
constexpr int BankSheet = 110;
constexpr int PresetSheet = 111;
constexpr int hwmcsheet = 112;
constexpr int AboutSheet = 113;

// "About" page.
constexpr int LogoImage = 500;

// Wait dialog.
constexpr int Logo = 900;

}  // namespace korvel::ctl
