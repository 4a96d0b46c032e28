// What the presets ask of the main window: the preset's name on the
// "Presets" page and as the application's title, the page's boxes, the bank
// list's row, and the connection map's tiles.
#include "app/KorvelMain.h"

namespace korvel {

void TForm1::ShowPresetName(const char* name, const char* title) {
  presetPage_->ShowPresetName(name);
  application_.SetTitle(title);
}

// "Virtual Bank Mode" shows the mode itself (ShowVirtualBankMode).
void TForm1::ShowPresetCheckBoxes(const PresetCheckBoxes& boxes) { presetPage_->ShowCheckBoxes(boxes); }

void TForm1::SelectBankListRow(int row) { bankPage_->SelectBankListRow(row); }

int TForm1::SelectedBankListRow() { return bankPage_->SelectedLine(); }

bool TForm1::HasPortTiles() { return midiDevicesPage_->Map() && midiDevicesPage_->Map()->HasTiles(); }

PortTile TForm1::TileOf(int port) { return HasPortTiles() ? midiDevicesPage_->Map()->TileOf(port) : PortTile{}; }

void TForm1::PlaceTile(int port, const PortTile& tile) {
  if (HasPortTiles()) midiDevicesPage_->Map()->RestoreTile(port, tile);
}

void TForm1::RedrawConnectionMap() {
  if (midiDevicesPage_->Map()) midiDevicesPage_->Map()->RedrawConnectionMap();
}

void TForm1::DrawMemoryGraph() { bankPage_->DrawMemoryGraph(); }

bool TForm1::SaveAsDialog() { return presetPage_->SaveAs(); }

}  // namespace korvel
