// What the "Bank Manager" page and the tray menu show: the bank list's
// lines and how they are drawn, the memory graph's shape, and the items the
// tray menu is built from.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/models/BankListLines.h"
#include "app/models/MemoryGraph.h"
#include "app/models/TrayMenuItems.h"
#include "tests/unit/BankLayerTestSupport.h"

namespace korvel {
namespace {

const std::string kMark(1, kColumnMark);
const std::string kBold(1, kBoldMark);

class BankPageContentTest : public testsupport::BankLayerTest {
 protected:
  // Gives slot `slot` of device `dev` a record and, unless null, a path.
  void Put(int dev, int slot, const char* name, std::uint16_t sizeKB, std::uint8_t flags,
           const char* path = nullptr) {
    BankSlot& rec = Slot(dev, slot);
    std::strcpy(rec.name, name);
    rec.sizeKB = sizeKB;
    rec.flags = flags;
    if (path) std::strcpy(layer.Device(dev).paths[slot], path);
  }
};

TEST_F(BankPageContentTest, AnEws64CardOutsideVirtualBankModeListsItsEightBanks) {
  StartCard();
  Put(0, 0, "Piano", 12, Loaded | Assigned);  // bold
  Put(0, 1, "Strings", 0, Loaded);            // found in the card, not placed: grey
  Put(0, 2, "Organ", 3, Assigned);            // not loaded: not listed outside the mode
  const std::vector<std::string> lines = BankListLines(layer, 0, 0);
  ASSERT_EQ(lines.size(), 128u);
  EXPECT_EQ(lines[0], "0" + kMark + kBold + "Piano" + kMark + "12 kb" + kMark);
  EXPECT_EQ(lines[1], "1" + kMark + "?Strings" + kMark + " " + kMark);
  EXPECT_EQ(lines[2], "2" + kMark);
  EXPECT_EQ(lines[7], "7" + kMark);
  for (int i = 8; i < 128; ++i) EXPECT_EQ(lines[i], kMark) << i;
  EXPECT_EQ(BankListSlotLines(layer, 0, 0), 8);
}

TEST_F(BankPageContentTest, VirtualBankModeAndExtendedInformation) {
  StartCard();
  Put(0, 2, "Organ", 3, Assigned, "Organ.tts");  // assigned, not loaded: no mark
  Put(0, 10, "Bass", 5, Loaded | Assigned);      // no path
  const std::uint32_t flags = VBMode | MoreInfo;
  const std::vector<std::string> lines = BankListLines(layer, 0, flags);
  ASSERT_EQ(lines.size(), 128u);
  EXPECT_EQ(BankListSlotLines(layer, 0, flags), 128);
  EXPECT_EQ(lines[2], "2" + kMark + "Organ" + kMark + "3 kb" + kMark + "Organ.tts" + kMark + "02" + kMark);
  EXPECT_EQ(lines[10], "10" + kMark + kBold + "Bass" + kMark + "5 kb" + kMark + "<no path>" + kMark + "0A" + kMark);
  EXPECT_EQ(lines[127], "127" + kMark);
}

TEST_F(BankPageContentTest, WithoutADeviceThereIsOneLine) {
  EXPECT_EQ(BankListLines(layer, 0, 0), std::vector<std::string>{"<no banks>"});
  EXPECT_EQ(BankListSlotLines(layer, 0, 0), 0);
}

TEST(BankListColumnsTest, MarksAreNotShownAndChooseFontAndColour) {
  const auto columns = BankListColumns("3" + kMark + "?Grey" + kMark + "12 kb" + kMark);
  ASSERT_EQ(columns.size(), 3u);
  EXPECT_EQ(columns[0].text, "3");
  EXPECT_EQ(columns[0].left, 5);
  EXPECT_FALSE(columns[0].grey);
  EXPECT_EQ(columns[1].text, "Grey");
  EXPECT_EQ(columns[1].left, 30);
  EXPECT_TRUE(columns[1].grey);
  EXPECT_TRUE(columns[2].grey);  // and every later column
  EXPECT_EQ(columns[2].left, 180);

  const auto bold = BankListColumns("4" + kMark + kBold + "Piano" + kMark);
  ASSERT_EQ(bold.size(), 2u);
  EXPECT_TRUE(bold[1].bold);
  EXPECT_EQ(bold[1].text, "Piano");
  EXPECT_EQ(BankListColumns(kMark).size(), 1u);  // nothing follows the separator
}

TEST(BankListColumnsTest, AtMostFiveColumnsOfThirtyTwoCharacters) {
  const std::string longest(40, 'x');
  std::string line;
  for (int i = 0; i < 7; ++i) line += longest + kMark;
  const auto columns = BankListColumns(line);
  ASSERT_EQ(columns.size(), 5u);
  EXPECT_EQ(columns[4].left, 360);
  EXPECT_EQ(columns[4].text, std::string(32, 'x'));
}

TEST(MemoryGraphTest, FreeMemoryIsTheWhitePart) {
  const MemoryGraphShape none = MemoryGraphOf(8192, 0, 433);
  EXPECT_TRUE(none.available);
  EXPECT_EQ(none.whiteWidth, 0);
  EXPECT_EQ(none.greyLeft, 1);
  EXPECT_EQ(none.frameLeft, 0);
  EXPECT_EQ(none.text, "0KB of 8192KB Available");
  EXPECT_EQ(none.textLeft, 144);
  EXPECT_EQ(none.textTop, 10);

  const MemoryGraphShape quarter = MemoryGraphOf(8192, 2048, 433);
  EXPECT_EQ(quarter.whiteWidth, 2048 * 433 / 8192);
  EXPECT_EQ(quarter.greyLeft, quarter.whiteWidth + 1);
  EXPECT_EQ(quarter.text, "2048KB of 8192KB Available");
  // Large memories do not overflow the product.
  EXPECT_EQ(MemoryGraphOf(2000000000, 1000000000, 433).whiteWidth, 216);

  const MemoryGraphShape unknown = MemoryGraphOf(0, 0, 433);
  EXPECT_FALSE(unknown.available);
  EXPECT_EQ(unknown.whiteWidth, 433);
  EXPECT_EQ(unknown.text, "Memory information not available!");
}

// A tray menu kept as its captions, as the window's menu would show them.
class FakeTrayMenu : public TrayMenuEditor {
 public:
  FakeTrayMenu() : items{"t1", "t2", "&Activate Bank Manager...", "&Close"} {}
  void DeleteItem(int position) override { items.erase(items.begin() + position); }
  void InsertSeparator(int position) override { items.insert(items.begin() + position, "-"); }
  void InsertDeviceMenu(int position, const std::vector<TrayMenuItem>& devices) override {
    std::string text = "&Device...";
    for (const TrayMenuItem& device : devices)
      text += " [" + device.caption + (device.checked ? " *" : "") + " " + std::to_string(device.tag) + "]";
    items.insert(items.begin() + position, text);
  }
  void InsertItem(int position, const TrayMenuItem& item) override {
    items.insert(items.begin() + position,
                 item.caption + (item.checked ? " *" : "") + " " + std::to_string(item.tag));
  }
  std::vector<std::string> items;
};

TEST_F(BankPageContentTest, TheTrayMenuOutsideAndInVirtualBankMode) {
  Start("ews64.cards=1\nsoundfont.devices=1\n", UseEWS64 | UseSFD);
  Put(0, 3, "Piano", 1, Loaded | Assigned, "Piano.tts");
  Put(0, 5, "Organ", 1, Assigned, "Organ.tts");
  Put(0, 6, "NoPath", 1, Loaded);
  Put(0, 121, "Fixed", 1, Loaded | Fixed, "Fixed.tts");  // a physical bank's view
  FakeTrayMenu menu;
  int bankItems = 0;

  BuildTrayMenu(menu, TrayMenuItems(layer, 0, 0), bankItems);
  const std::string devices = "&Device... [" + std::string(layer.Device(0).name) + " * 1000] [" +
                              std::string(layer.Device(1).name) + " 1001]";
  EXPECT_EQ(menu.items,
            (std::vector<std::string>{"-", devices, "&Activate Bank Manager...", "&Close"}));
  EXPECT_EQ(bankItems, 0);

  for (int build = 0; build < 2; ++build) {
    BuildTrayMenu(menu, TrayMenuItems(layer, 0, VBMode | MoreInfo), bankItems);
    EXPECT_EQ(menu.items, (std::vector<std::string>{"Piano (3) * 19", "Organ (5) 21", "-", devices,
                                                    "&Activate Bank Manager...", "&Close"}))
        << build;
  }
  EXPECT_EQ(bankItems, 2);

  // Another current device moves the check mark; its banks are listed.
  BuildTrayMenu(menu, TrayMenuItems(layer, 1, VBMode), bankItems);
  EXPECT_EQ(menu.items[0], "-");
  EXPECT_NE(menu.items[1].find(std::string(layer.Device(1).name) + " * 1001"), std::string::npos);
  EXPECT_EQ(menu.items.size(), 4u);
}

TEST(TrayChoiceTest, TagsNameDevicesOrSlots) {
  EXPECT_EQ(TrayChoiceOfTag(1002).kind, TrayChoice::kDevice);
  EXPECT_EQ(TrayChoiceOfTag(1002).number, 2);
  EXPECT_EQ(TrayChoiceOfTag(16).kind, TrayChoice::kBank);
  EXPECT_EQ(TrayChoiceOfTag(16).number, 0);
  EXPECT_EQ(TrayChoiceOfTag(143).number, 127);
  for (int tag : {0, 15, 144, 145, 999}) EXPECT_EQ(TrayChoiceOfTag(tag).kind, TrayChoice::kIllegal) << tag;
}

}  // namespace
}  // namespace korvel
