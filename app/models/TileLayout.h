// Where the tiles of the connection map stand: their grid places, how a
// tile is kept on the map, the anchor that connection lines meet, and which
// tile lies under a point. Positions are in page coordinates (the map image
// stands at 8, 8 of the "Midi Devices" page), anchors in map coordinates.
#pragma once

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
// Left edge of a tile's name `textWidth` wide: centred in a full tile when
// it fits in 126 pixels, else at 2.
int TileTextLeft(int textWidth);

}  // namespace korvel
