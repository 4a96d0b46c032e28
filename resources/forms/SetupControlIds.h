// Control ids of Setup's window `TForm1`. Ids belong to one window, so these
// may repeat numbers of Korvel's; they sit at 1100 to keep them apart in
// test logs. An id never changes once given: tests find controls by them.
#pragma once

namespace korvel::ctl::setup {

constexpr int Label2 = 1100;
constexpr int GroupBox1 = 1101;
constexpr int Label1 = 1102;
constexpr int cbSFD = 1103;
constexpr int cbEWS64 = 1104;
constexpr int GroupBox2 = 1105;
constexpr int Label3 = 1106;
constexpr int edBankFolder = 1107;
constexpr int Label4 = 1108;
constexpr int Button1 = 1109;
constexpr int Button2 = 1110;

}  // namespace korvel::ctl::setup
