#include "app/TrayMenu.h"

#include "resources/forms/ControlIds.h"

namespace korvel {

namespace {

void Insert(HMENU menu, int position, UINT flags, UINT_PTR id, const char* text) {
  InsertMenuA(menu, static_cast<UINT>(position), MF_BYPOSITION | flags, id, text);
}

}  // namespace

TrayMenu::TrayMenu() : menu_(CreatePopupMenu()) {
  Insert(menu_, 0, MF_STRING, 1, "t1");
  Insert(menu_, 1, MF_STRING, 2, "t2");
  Insert(menu_, 2, MF_STRING, ctl::N1, "&Activate Bank Manager...");
  Insert(menu_, 3, MF_STRING, ctl::Close1, "&Close");
  SetMenuDefaultItem(menu_, ctl::N1, FALSE);
}

TrayMenu::~TrayMenu() { DestroyMenu(menu_); }

// DeleteMenu also destroys the "&Device..." submenu.
void TrayMenu::DeleteItem(int position) { DeleteMenu(menu_, static_cast<UINT>(position), MF_BYPOSITION); }

void TrayMenu::InsertSeparator(int position) { Insert(menu_, position, MF_SEPARATOR, 0, nullptr); }

void TrayMenu::InsertDeviceMenu(int position, const std::vector<TrayMenuItem>& devices) {
  HMENU sub = CreatePopupMenu();
  for (std::size_t i = 0; i < devices.size(); ++i) {
    Insert(sub, static_cast<int>(i), MF_STRING | (devices[i].checked ? MF_CHECKED : 0),
           static_cast<UINT_PTR>(devices[i].tag), devices[i].caption.c_str());
  }
  Insert(menu_, position, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), "&Device...");
}

void TrayMenu::InsertItem(int position, const TrayMenuItem& item) {
  Insert(menu_, position, MF_STRING | (item.checked ? MF_CHECKED : 0), static_cast<UINT_PTR>(item.tag),
         item.caption.c_str());
}

}  // namespace korvel
