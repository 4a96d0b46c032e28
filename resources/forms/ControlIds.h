// Control ids of Korvel's windows. The program builds its forms with them and
// the tests that drive the running program find controls by them, so an id
// never changes once given. Ranges: main window frame 100, "Bank Manager"
// page 200, "Presets" page 300, "Midi Devices" page 400, "About" page 500,
// menu items 600, "Connection Details" dialog 700, "Options" dialog 800,
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
constexpr int StatusLine = 109;

// The four pages of `BankPage`, in tab order.
constexpr int BankSheet = 110;
constexpr int PresetSheet = 111;
constexpr int hwmcsheet = 112;
constexpr int AboutSheet = 113;

// "Bank Manager" page.
constexpr int BankGroup = 200;
constexpr int BankList = 201;
constexpr int BrowseBankButton = 202;
constexpr int UnloadBankButton = 203;
constexpr int ClearBankSlotButton = 204;
constexpr int RefreshButton = 205;
constexpr int cbVBMode = 206;
constexpr int Label9 = 207;
constexpr int MemGraph = 208;

// "Presets" page.
constexpr int CPBox = 300;
constexpr int Label4 = 301;
constexpr int txtCurPreset = 302;
constexpr int SavePresetButton = 303;
constexpr int SaveAsPresetButton = 304;
constexpr int LoadPresetButton = 305;
constexpr int ClearPresetButton = 306;
constexpr int GroupBox1 = 307;
constexpr int cbSaveD0 = 308;  // to cbSaveD3 = 311, one per device
constexpr int cbSaveD3 = 311;
constexpr int cbSaveMinfo = 312;
constexpr int cbSaveCons = 313;
constexpr int ResetSaves = 314;

// "Midi Devices" page; the port tiles are FirstPortTile + port index.
constexpr int ConnImage = 400;
constexpr int ConOptsButton = 401;
constexpr int ShowHidButton = 402;
constexpr int OrgConButton = 403;
constexpr int FirstPortTile = 410;

// "About" page.
constexpr int LogoImage = 500;
constexpr int AboutGroup = 501;
constexpr int Label19 = 502;
constexpr int Label20 = 503;
constexpr int AboutAuthor = 504;
constexpr int AboutDistribution = 505;

// Menu items. The tray menu's bank and device items carry their tags as
// ids: 16 + slot and 1000 + device.
constexpr int Load1 = 600;
constexpr int Refresh1 = 601;
constexpr int Unload1 = 602;
constexpr int Clear1 = 603;
constexpr int N1 = 610;
constexpr int Close1 = 611;

// "Connection Details" dialog.
constexpr int conLabel1 = 700;
constexpr int ConList = 701;
constexpr int conGroupBox1 = 702;
constexpr int conLabel2 = 703;
constexpr int ptlist = 704;
constexpr int NewModButton = 705;
constexpr int LoadModPresetButton = 706;
constexpr int DelModButton = 707;
constexpr int conLabel3 = 708;
constexpr int srclist = 709;
constexpr int conLabel4 = 710;
constexpr int dstlist = 711;
constexpr int conLabel5 = 712;
constexpr int edsctype = 713;
constexpr int conLabel6 = 714;
constexpr int eddctype = 715;
constexpr int cbRev = 716;
constexpr int conLabel7 = 717;
constexpr int edcr = 718;
constexpr int conLabel8 = 719;
constexpr int edPresetName = 720;
constexpr int conGroupBox2 = 721;
constexpr int tlist = 722;
constexpr int SaveModPresetButtonN = 723;
constexpr int SaveAsModPresetButton = 724;
constexpr int DelPresetButton = 725;
constexpr int CloseButton = 726;
constexpr int conGroupBox3 = 727;
constexpr int conLabel10 = 728;
constexpr int llist = 729;
constexpr int conGroupBox4 = 730;
constexpr int conLabel11 = 731;

// "Options" dialog.
constexpr int MidiGroup = 800;
constexpr int cbUseCons = 801;
constexpr int Group2 = 802;
constexpr int cbUseEWS64 = 803;
constexpr int cbUseAWE32 = 804;
constexpr int cbUseSFD = 805;
constexpr int optLabel6 = 806;
constexpr int OOGroup = 807;
constexpr int cbAutoSave = 808;
constexpr int cbLoadPreset = 809;
constexpr int cbClearOnLoad = 810;
constexpr int cbClearCons = 811;
constexpr int cbStartMin = 812;
constexpr int cbMoreInfo = 813;
constexpr int cbSmartLoad = 814;
constexpr int optLabel2 = 815;
constexpr int edBankFolder = 816;
constexpr int AddToStartupButton = 817;
constexpr int optCloseButton = 818;
constexpr int CancelButton = 819;

// Wait dialog.
constexpr int Logo = 900;

}  // namespace korvel::ctl
