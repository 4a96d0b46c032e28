// What the presets ask of the main window. The presets page, the bank list
// and the connection map show these once they exist; until then the window
// keeps what they would show.
#include "app/KorvelMain.h"

namespace korvel {

void TForm1::ShowPresetName(const char* name, const char* title) {
  presetLabel_ = name;
  applicationTitle_ = title;
}

void TForm1::ShowPresetCheckBoxes(const PresetCheckBoxes& boxes) { presetBoxes_ = boxes; }

void TForm1::SelectBankListRow(int row) { bankListRow_ = row; }

int TForm1::SelectedBankListRow() { return bankListRow_; }

// The connection map has no tiles yet: tiles are neither saved nor placed.
bool TForm1::HasPortTiles() { return false; }

PortTile TForm1::TileOf(int) { return PortTile{}; }

void TForm1::PlaceTile(int, const PortTile&) {}

void TForm1::RedrawConnectionMap() {}

void TForm1::DrawMemoryGraph() {}

void TForm1::SaveAsDialog() { SaveAsPresetButtonClick(); }

}  // namespace korvel
