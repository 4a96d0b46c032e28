// Where the tiles of the connection map stand: their grid places, how a
// tile is kept on the map, the anchor that connection lines meet, and which
// tile lies under a point or an arrow key moves to. Positions are in page coordinates (the map image
// stands at 8, 8 of the "Midi Devices" page), anchors in map coordinates.
#pragma once

#include <cstdint>

namespace korvel {

constexpr int kTileWidth = 130;
constexpr int kTileHeight = 40;
// A tile pushed against the right or bottom edge shrinks down to this.
constexpr int kMinTileWidth = 67;
constexpr int kMinTileHeight = 22;
// Bit 0 of a tile's flags, the one a preset stores too.
constexpr unsigned kTileHidden = 1;

struct MapPoint {
  int x = 0;
  int y = 0;
};

struct TileRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

// Port i's place in three columns at 15, 155 and 295, rows 55 apart from 20.
MapPoint GridPlace(int port);
// The bounds of a tile put at (x, y) on `image`: inside it by a pixel,
// narrower or lower where it reaches the right or bottom edge.
TileRect PlaceTileBounds(const TileRect& image, int x, int y);
// The centre of a full-sized tile at `tile`, in map coordinates.
MapPoint TileAnchor(const TileRect& tile, const TileRect& image);
// The first of `count` tiles whose full-sized rectangle (edges included)
// holds `point`; -1 when none. Hidden tiles count too.
int TileAtPoint(const TileRect* tiles, int count, MapPoint point);
// The arrow keys' directions on the map.
enum class MapDirection { kLeft, kRight, kUp, kDown };
// The tile an arrow key moves to from tile `from`: of the `count` tiles not
// hidden (bit 0 of `flags`), one whose centre lies beyond `from`'s in
// `direction`. Tiles level with `from` (in its row for left and right, its
// column for up and down) come first, then the nearest, the distance across
// counting twice. -1 when there is none.
int TileTowards(const TileRect* tiles, const std::uint32_t* flags, int count, int from, MapDirection direction);
// Left edge of a tile's name `textWidth` wide: centred in a full tile when
// it fits in 126 pixels, else at 2.
int TileTextLeft(int textWidth);

}  // namespace korvel
