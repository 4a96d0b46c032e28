// The connection map over simulated MIDI ports: where tiles stand and stop,
// what a move and a Shift-drag draw and connect, the port menu's items and
// actions, and hiding, revealing and arranging.
#include "app/models/ConnectionMap.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "config/ModalService.h"
#include "midi/ConnectionList.h"
#include "tests/unit/BankLayerTestSupport.h"
#include "tests/unit/MidiTestSupport.h"
#include "tests/unit/PresetTestSupport.h"

namespace korvel {
namespace {

namespace sim = platform::sim;
using korvel::testing::Device;

struct Line {
  MapPoint from, to;
  bool black;
};

class FakeMapView : public ConnectionMapView {
 public:
  void CreateTile(int port, const TileRect& bounds, const char*) override {
    bounds_[port] = bounds;
    ++created;
  }
  void DestroyTiles() override { ++destroyed; }
  void MoveTile(int port, const TileRect& bounds) override { bounds_[port] = bounds; }
  void ShowTile(int port, bool shown) override { this->shown[port] = shown; }
  void BringTileToFront(int) override {}
  void DrawTile(int port, const TileLook& look) override {
    drawn.push_back({port, look.selected});
    inputLit[port] = look.inputActive;
    outputLit[port] = look.outputActive;
  }
  void ClearMap() override {
    ++clears;
    lines.clear();
    drawn.clear();
  }
  void DrawLine(MapPoint from, MapPoint to, bool black) override { lines.push_back({from, to, black}); }
  int ShowPortMenu(const std::vector<PortMenuItem>& items, std::optional<MapPoint> atPage) override {
    menu = items;
    menuAt = atPage;
    for (std::size_t i = 0; i < items.size(); ++i)
      if (items[i].caption == choose) return static_cast<int>(i);
    return -1;
  }
  void OpenConnectionDetails(int connection) override { dialogs.push_back(connection); }

  std::vector<std::string> Captions() const {
    std::vector<std::string> captions;
    for (const PortMenuItem& item : menu) captions.push_back(item.enabled ? item.caption : "(" + item.caption + ")");
    return captions;
  }

  TileRect bounds_[kMaxPorts] = {};
  bool shown[kMaxPorts] = {};
  bool inputLit[kMaxPorts] = {}, outputLit[kMaxPorts] = {};
  int created = 0, destroyed = 0, clears = 0;
  std::vector<std::pair<int, bool>> drawn;  // port, selected
  std::vector<Line> lines;
  std::vector<PortMenuItem> menu;
  std::optional<MapPoint> menuAt;
  std::string choose;
  std::vector<int> dialogs;
};

// Ports: 0 "Keyboard" (input), 1 "Loop" (both), 2 "Synth" (output), then
// outputs "Out 3" .. as asked.
class ConnectionMapTest : public testsupport::BankLayerTest {
 protected:
  void StartPorts(int extraOutputs = 0) {
    std::vector<sim::MidiDevice> outputs{Device("Synth"), Device("Loop")};
    for (int i = 0; i < extraOutputs; ++i) outputs.push_back(Device("Out " + std::to_string(3 + i)));
    sim::SetMidiDevices({Device("Keyboard"), Device("Loop")}, outputs);
    ports = BuildPortTable();
    config.cflags |= UseCons;
    map.CreatePortTiles();
  }
  void TearDown() override {
    DestroyPortTable(ports);
    BankLayerTest::TearDown();
  }
  // Centre of port's tile, in page coordinates.
  MapPoint Centre(int port) const {
    const TileRect& t = map.TileBounds(port);
    return MapPoint{t.left + 65, t.top + 20};
  }
  void Drag(int port, MapPoint to, bool shift) {
    map.TileMouseDown(port, MouseButton::kLeft, shift, Centre(port));
    map.TileMouseMove(port, true, to);
    map.TileMouseUp(port, to);
  }

  static constexpr int kKeyboard = 0, kLoop = 1, kSynth = 2;
  testsupport::RecordingPresetView presetView;
  std::unique_ptr<MidiPortTable> ports;
  int updatingControls = 0;
  PresetManager presets{layer, ports, presetView, updatingControls};
  BankSwitching switching{layer, [](int) {}};
  FakeMapView view;
  ConnectionMap map{ports, config, presets, switching, updatingControls, view};
};

TEST_F(ConnectionMapTest, TilesStandInThreeColumnsAndStopAtTheEdges) {
  StartPorts(4);
  ASSERT_EQ(ports->portCount, 7);
  const MapPoint expected[] = {{15, 20}, {155, 20}, {295, 20}, {15, 75}, {155, 75}, {295, 75}, {15, 130}};
  for (int port = 0; port < 7; ++port) {
    EXPECT_EQ(view.bounds_[port].left, expected[port].x) << port;
    EXPECT_EQ(view.bounds_[port].top, expected[port].y) << port;
    EXPECT_EQ(view.bounds_[port].width, kTileWidth);
  }
  // Past the right edge: left 374 (8 + 433 - 67), 67 wide; past the top: 9.
  Drag(kKeyboard, MapPoint{900, -200}, false);
  EXPECT_EQ(view.bounds_[kKeyboard].left, 374);
  EXPECT_EQ(view.bounds_[kKeyboard].width, 67);
  EXPECT_EQ(view.bounds_[kKeyboard].top, 9);
  EXPECT_EQ(view.bounds_[kKeyboard].height, 40);
  EXPECT_TRUE(presets.PresetChanged()) << "a moved tile changes the preset";
  // The bottom edge: top 339 (8 + 353 - 22), 22 high.
  map.PlaceTile(kSynth, 20, 1000);
  EXPECT_EQ(view.bounds_[kSynth].top, 339);
  EXPECT_EQ(view.bounds_[kSynth].height, 22);
}

TEST_F(ConnectionMapTest, AShiftDragConnectsAnInputToAnOutputAndNothingElse) {
  StartPorts();
  // From a port without an input side: nothing is drawn or connected.
  Drag(kSynth, Centre(kKeyboard), true);
  EXPECT_EQ(ports->connectionCount, 0);
  // Onto a port without an output side.
  Drag(kKeyboard, Centre(kKeyboard), true);
  EXPECT_EQ(sim::ShownMessageBoxes().back().text, "Cannot connect these devices!");
  EXPECT_EQ(ports->connectionCount, 0);
  // Input to output: connected, and the map drawn with its line.
  Drag(kKeyboard, Centre(kSynth), true);
  ASSERT_EQ(ports->connectionCount, 1);
  EXPECT_EQ(FindConnection(*ports, kKeyboard, kSynth), 0);
  ASSERT_EQ(view.lines.size(), 1u);
  const MapPoint keyboard = TileAnchor(map.TileBounds(kKeyboard), ConnectionMap::kImage);
  const MapPoint synth = TileAnchor(map.TileBounds(kSynth), ConnectionMap::kImage);
  EXPECT_EQ(view.lines[0].from.x, synth.x);
  EXPECT_EQ(view.lines[0].to.x, keyboard.x);
  EXPECT_TRUE(view.lines[0].black);
}

TEST_F(ConnectionMapTest, AMoveDrawsOnlyTheMovedTilesLinesWhiteThenBlack) {
  StartPorts();
  ASSERT_EQ(Connect(*ports, kKeyboard, kSynth), 0u);
  ASSERT_EQ(Connect(*ports, kLoop, kSynth), 0u);
  map.RedrawConnectionMap();
  const int clears = view.clears;
  map.TileMouseDown(kKeyboard, MouseButton::kLeft, false, Centre(kKeyboard));
  view.lines.clear();
  const MapPoint to{Centre(kKeyboard).x + 10, Centre(kKeyboard).y + 200};
  map.TileMouseMove(kKeyboard, true, to);
  EXPECT_EQ(view.clears, clears) << "no full redraw while moving";
  ASSERT_EQ(view.lines.size(), 2u);  // the keyboard's one line, erased and drawn
  EXPECT_FALSE(view.lines[0].black);
  EXPECT_TRUE(view.lines[1].black);
  EXPECT_EQ(view.lines[1].to.y, view.lines[0].to.y + 200);
  map.TileMouseUp(kKeyboard, to);
  EXPECT_EQ(view.clears, clears + 1) << "the map is drawn whole at the end";
  // The button released during a move ends it.
  map.TileMouseDown(kKeyboard, MouseButton::kLeft, false, Centre(kKeyboard));
  const TileRect before = map.TileBounds(kKeyboard);
  map.TileMouseMove(kKeyboard, false, MapPoint{0, 0});
  EXPECT_EQ(map.TileBounds(kKeyboard).left, before.left);
}

TEST_F(ConnectionMapTest, ThePortMenuFollowsTheSidesConnectionsAndOptions) {
  StartPorts();
  ASSERT_EQ(Connect(*ports, kLoop, kSynth), 0u);
  map.TileMouseDown(kKeyboard, MouseButton::kRight, false, Centre(kKeyboard));
  EXPECT_EQ(map.SelectedPort(), kKeyboard);
  EXPECT_EQ(view.Captions(), (std::vector<std::string>{"&Input for Bank Managing", "&Hide", "-",
                                                       "Connect to Loop", "Connect to Synth"}));
  map.TileMouseDown(kLoop, MouseButton::kRight, false, Centre(kLoop));
  EXPECT_EQ(view.Captions(),
            (std::vector<std::string>{"&Input for Bank Managing", "(&Hide)", "-", "Connect from Keyboard",
                                      "DELETE connection to Synth"}));
  map.TileMouseDown(kSynth, MouseButton::kRight, false, Centre(kSynth));
  EXPECT_EQ(view.Captions(), (std::vector<std::string>{"(&Input for Bank Managing)", "(&Hide)", "-",
                                                       "Connect from Keyboard", "DELETE connection from Loop"}));
  // Hidden ports are left out of the others' menus; without connections in
  // use only the first two items remain.
  map.HideTile(kLoop);
  map.TileMouseDown(kKeyboard, MouseButton::kRight, false, Centre(kKeyboard));
  EXPECT_EQ(view.Captions(), (std::vector<std::string>{"&Input for Bank Managing", "&Hide", "-", "Connect to Synth"}));
  config.cflags &= ~UseCons;
  map.TileMouseDown(kKeyboard, MouseButton::kRight, false, Centre(kKeyboard));
  EXPECT_EQ(view.Captions(), (std::vector<std::string>{"&Input for Bank Managing", "&Hide"}));
}

TEST_F(ConnectionMapTest, ThePortMenuConnectsDeletesAndChoosesTheBankSwitchingInput) {
  StartPorts();
  view.choose = "Connect to Synth";
  map.TileMouseDown(kKeyboard, MouseButton::kRight, false, Centre(kKeyboard));
  ASSERT_EQ(FindConnection(*ports, kKeyboard, kSynth), 0);
  view.choose = "DELETE connection from Keyboard";
  map.TileMouseDown(kSynth, MouseButton::kRight, false, Centre(kSynth));
  EXPECT_EQ(ports->connectionCount, 0);
  EXPECT_TRUE(view.lines.empty()) << "the map is drawn without the line";

  view.choose = "&Input for Bank Managing";
  map.TileMouseDown(kKeyboard, MouseButton::kRight, false, Centre(kKeyboard));
  EXPECT_EQ(ports->bankSwitchInput, kKeyboard);
  EXPECT_TRUE(config.cflags & BankSwitchInput);
  view.choose = "D&isable Input";
  map.TileMouseDown(kKeyboard, MouseButton::kRight, false, Centre(kKeyboard));
  EXPECT_EQ(ports->bankSwitchInput, -1);
  EXPECT_FALSE(config.cflags & BankSwitchInput);
}

// Without a mouse: Tab reaches the selected tile (else the first shown one),
// the arrow keys go to the tile beside, above or below in the layout,
// skipping hidden tiles and stopping at the edges, and the Menu key opens
// the right click's menu at the tile, whose "Connect to" connects.
TEST_F(ConnectionMapTest, TheKeyboardReachesMovesBetweenAndConnectsTiles) {
  StartPorts(4);  // seven tiles: three rows of three, three and one
  EXPECT_EQ(map.TabStopPort(), kKeyboard);
  EXPECT_EQ(map.NeighbourPort(0, MapDirection::kRight), 1);
  EXPECT_EQ(map.NeighbourPort(1, MapDirection::kDown), 4);
  EXPECT_EQ(map.NeighbourPort(4, MapDirection::kLeft), 3);
  EXPECT_EQ(map.NeighbourPort(3, MapDirection::kUp), 0);
  EXPECT_EQ(map.NeighbourPort(2, MapDirection::kRight), -1);
  EXPECT_EQ(map.NeighbourPort(0, MapDirection::kUp), -1);
  EXPECT_EQ(map.NeighbourPort(5, MapDirection::kDown), 6) << "the last row's only tile";
  // A hidden tile is passed over for the next one in its row, not for the
  // nearer one in the row below.
  map.HideTile(1);
  EXPECT_EQ(map.NeighbourPort(0, MapDirection::kRight), 2);
  // A tile moved out of the grid is found where it now stands.
  map.PlaceTile(6, 350, 22);
  EXPECT_EQ(map.NeighbourPort(2, MapDirection::kRight), 6);
  EXPECT_EQ(map.NeighbourPort(6, MapDirection::kLeft), 2);

  map.TileClick(kSynth);
  EXPECT_EQ(map.TabStopPort(), kSynth);
  map.HideTile(kSynth);
  EXPECT_EQ(map.TabStopPort(), kKeyboard) << "a hidden tile takes no focus";

  view.choose = "Connect to Loop";
  map.RevealTile(1);
  map.TileMenuKey(kKeyboard);
  EXPECT_EQ(map.SelectedPort(), kKeyboard);
  ASSERT_TRUE(view.menuAt.has_value()) << "the menu opens at the tile, not at the cursor";
  EXPECT_EQ(view.menuAt->x, Centre(kKeyboard).x);
  EXPECT_EQ(view.menuAt->y, Centre(kKeyboard).y);
  EXPECT_EQ(FindConnection(*ports, kKeyboard, kLoop), 0);
  map.TileMouseDown(kKeyboard, MouseButton::kRight, false, Centre(kKeyboard));
  EXPECT_FALSE(view.menuAt.has_value()) << "a right click's menu opens at the cursor";
}

// A preset connection that could not be made is kept for the next save
// until the user makes that pair of ports or deletes it: then what the
// user did is what is saved, and the other kept records keep their order.
TEST_F(ConnectionMapTest, WhatTheUserMakesOfAKeptConnectionIsWhatIsSaved) {
  StartCard();
  StartPorts();
  std::filesystem::create_directories(Host("C:\\KORVEL"));
  PresetImage image;
  image.saveFlags = SaveCons;
  for (const char* destination : {"Synth", "Loop", "Gone"}) {
    PresetConnection connection;
    std::strcpy(connection.sourceName, "Keyboard");
    std::strcpy(connection.destName, destination);
    image.connections.push_back(connection);
  }
  const std::vector<std::uint8_t> bytes = EncodePreset(image);
  WriteHostFile("C:\\KORVEL\\K.pre", std::string(bytes.begin(), bytes.end()));
  config.cflags |= SaveCons;
  config.cflags &= ~UseCons;
  presets.LoadPreset("C:\\KORVEL\\K.pre");
  ASSERT_EQ(errors.ErrorCode, kErrOk);
  ASSERT_EQ(ports->connectionCount, 0);
  config.cflags |= UseCons;

  view.choose = "Connect to Synth";
  map.TileMouseDown(kKeyboard, MouseButton::kRight, false, Centre(kKeyboard));
  view.choose = "DELETE connection from Keyboard";
  map.TileMouseDown(kSynth, MouseButton::kRight, false, Centre(kSynth));
  ASSERT_EQ(ports->connectionCount, 0);
  presets.SavePreset();

  std::ifstream in(Host("C:\\KORVEL\\K.pre"), std::ios::binary);
  const std::vector<std::uint8_t> saved{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  PresetImage read;
  ASSERT_EQ(DecodePreset(saved.data(), saved.size(), read), PresetDecodeResult::kOk);
  std::vector<std::string> destinations;
  for (const PresetConnection& connection : read.connections) destinations.push_back(connection.destName);
  EXPECT_EQ(destinations, (std::vector<std::string>{"Loop", "Gone"}));
}

TEST_F(ConnectionMapTest, HiddenTilesComeBackWithRevealHiddenAndStayHiddenAfterArrange) {
  StartPorts();
  map.PlaceTile(kSynth, 200, 200);
  map.HideTile(kSynth);
  EXPECT_FALSE(view.shown[kSynth]);
  EXPECT_EQ(map.TileOf(kSynth).flags, kTileHidden);
  map.OrgConButtonClick();
  EXPECT_EQ(view.bounds_[kSynth].left, 295) << "back at its grid place";
  EXPECT_FALSE(view.shown[kSynth]);
  for (const auto& drawn : view.drawn) EXPECT_NE(drawn.first, kSynth) << "a hidden tile is not drawn";
  map.ShowHidButtonClick();
  EXPECT_TRUE(view.shown[kSynth]);
  EXPECT_EQ(map.TileOf(kSynth).flags, 0u);
  // A preset's tile puts it back where it was, hidden as it says.
  map.RestoreTile(kSynth, PortTile{100, 150, kTileHidden});
  EXPECT_EQ(view.bounds_[kSynth].left, 100);
  EXPECT_FALSE(view.shown[kSynth]);
  EXPECT_EQ(map.TileOf(kSynth).flags, kTileHidden);
}

TEST_F(ConnectionMapTest, ADoubleClickOpensTheDetailsOnThePortsFirstConnection) {
  StartPorts();
  ASSERT_EQ(Connect(*ports, kKeyboard, kLoop), 0u);
  ASSERT_EQ(Connect(*ports, kLoop, kSynth), 0u);
  map.TileClick(kSynth);
  map.TileDoubleClick(kSynth);
  map.TileClick(kKeyboard);
  map.TileDoubleClick(kKeyboard);
  map.ConOptsButtonClick();
  EXPECT_EQ(view.dialogs, (std::vector<int>{1, 0, 0}));
}

// The tiles' activity marks, tick by tick of the page's timer: a message
// lights them, they stay three ticks after the last one and then go out,
// and a counter that wraps around still counts as grown. A tick inside a
// nested operation (a dialog's or a menu's loop) looks at nothing; the next
// one at the top catches up.
TEST_F(ConnectionMapTest, ActivityMarksLightStayGoOutAndWaitForTheTopLevel) {
  StartPorts();
  ASSERT_EQ(Connect(*ports, kKeyboard, kSynth), 0u);
  MidiConnection& connection = *ports->connections[0];
  ModalService modality;
  ModalService::Operation timerMessage(modality);
  auto tick = [&] {
    view.drawn.clear();
    map.TickActivity();
    return view.drawn.size();
  };
  EXPECT_EQ(tick(), 0u);

  connection.received.fetch_add(1);
  connection.sent.fetch_add(2);
  EXPECT_EQ(tick(), 2u);
  EXPECT_TRUE(view.inputLit[kKeyboard]);
  EXPECT_TRUE(view.outputLit[kSynth]);
  EXPECT_FALSE(view.outputLit[kKeyboard]);
  EXPECT_EQ(tick(), 0u);
  connection.received.fetch_add(1);
  EXPECT_EQ(tick(), 0u) << "a mark that is lit is not drawn again";
  EXPECT_EQ(tick(), 1u) << "the output's mark goes out three ticks after its message";
  EXPECT_FALSE(view.outputLit[kSynth]);
  EXPECT_EQ(tick(), 0u);
  EXPECT_EQ(tick(), 1u);
  EXPECT_FALSE(view.inputLit[kKeyboard]);

  connection.received.store(0xFFFFFFFEu);  // a jump back is taken in unlit
  EXPECT_EQ(tick(), 0u);
  connection.received.store(3);
  EXPECT_EQ(tick(), 1u);
  EXPECT_TRUE(view.inputLit[kKeyboard]) << "the count that wrapped around grew";
  for (int i = 0; i < 3; ++i) tick();
  EXPECT_FALSE(view.inputLit[kKeyboard]);

  connection.received.fetch_add(1);
  {
    ModalService::Operation dialogLoop(modality);
    EXPECT_EQ(tick(), 0u);
    EXPECT_EQ(tick(), 0u);
  }
  EXPECT_EQ(tick(), 1u);
  EXPECT_TRUE(view.inputLit[kKeyboard]);
}

TEST_F(ConnectionMapTest, WithoutPortsThereAreNoTilesAndNothingToDo) {
  sim::SetMidiDevices({}, {});
  ports = BuildPortTable();
  map.CreatePortTiles();
  EXPECT_FALSE(map.HasTiles());
  EXPECT_EQ(view.created, 0);
  map.ShowHidButtonClick();
  map.PlaceTile(0, 10, 10);
  map.RedrawConnectionMap();
  EXPECT_TRUE(view.lines.empty());
  EXPECT_TRUE(view.drawn.empty());
}

}  // namespace
}  // namespace korvel
