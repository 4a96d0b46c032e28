// TrayMenu: the menu the tray icon opens. The form gives it two
// placeholders, "&Activate Bank Manager..." (its default item) and
// "&Close"; BuildTrayMenu puts the bank items, a separator and "&Device..."
// in the placeholders' place. Bank and device items carry their tags as
// command ids.
#pragma once

#include <windows.h>

#include "app/models/TrayMenuItems.h"

namespace korvel {

class TrayMenu final : public TrayMenuEditor {
 public:
  TrayMenu();
  ~TrayMenu();
  TrayMenu(const TrayMenu&) = delete;
  TrayMenu& operator=(const TrayMenu&) = delete;

  HMENU Handle() const { return menu_; }
  void Build(const TrayMenuContent& content) { BuildTrayMenu(*this, content, bankItems_); }

  void DeleteItem(int position) override;
  void InsertSeparator(int position) override;
  void InsertDeviceMenu(int position, const std::vector<TrayMenuItem>& devices) override;
  void InsertItem(int position, const TrayMenuItem& item) override;

 private:
  HMENU menu_;
  // Bank items the last build added; 0 before the first.
  int bankItems_ = 0;
};

}  // namespace korvel
