#include "app/models/TileLayout.h"

namespace korvel {

MapPoint GridPlace(int port) { return MapPoint{(port % 3) * 140 + 15, (port / 3) * 55 + 20}; }

// The upper bounds are applied first, so that on a map smaller than a tile
// the lower ones win.
TileRect PlaceTileBounds(const TileRect& image, int x, int y) {
  TileRect tile;
  tile.left = x;
  if (tile.left > image.left + image.width - kMinTileWidth) tile.left = image.left + image.width - kMinTileWidth;
  if (tile.left < image.left + 1) tile.left = image.left + 1;
  tile.top = y;
  if (tile.top > image.top + image.height - kMinTileHeight) tile.top = image.top + image.height - kMinTileHeight;
  if (tile.top < image.top + 1) tile.top = image.top + 1;
  const int right = image.left + image.width, bottom = image.top + image.height;
  tile.width = right - 1 < tile.left + kTileWidth ? right - tile.left : kTileWidth;
  tile.height = bottom - 1 < tile.top + kTileHeight ? bottom - tile.top : kTileHeight;
  return tile;
}

MapPoint TileAnchor(const TileRect& tile, const TileRect& image) {
  return MapPoint{tile.left - image.left + kTileWidth / 2, tile.top - image.top + kTileHeight / 2};
}

int TileAtPoint(const TileRect* tiles, int count, MapPoint point) {
  for (int i = 0; i < count; ++i) {
    const TileRect& t = tiles[i];
    if (t.left <= point.x && point.x <= t.left + kTileWidth && t.top <= point.y && point.y <= t.top + kTileHeight) {
      return i;
    }
  }
  return -1;
}

namespace {

struct Offset {
  int along;   // how far beyond, in the direction
  int across;  // how far aside
};

Offset OffsetTowards(const TileRect& from, const TileRect& to, MapDirection direction) {
  const int dx = (to.left + to.width / 2) - (from.left + from.width / 2);
  const int dy = (to.top + to.height / 2) - (from.top + from.height / 2);
  switch (direction) {
    case MapDirection::kLeft: return Offset{-dx, dy < 0 ? -dy : dy};
    case MapDirection::kRight: return Offset{dx, dy < 0 ? -dy : dy};
    case MapDirection::kUp: return Offset{-dy, dx < 0 ? -dx : dx};
    case MapDirection::kDown: break;
  }
  return Offset{dy, dx < 0 ? -dx : dx};
}

// Level: the two tiles share part of a row (left, right) or a column (up, down).
bool Level(const TileRect& a, const TileRect& b, MapDirection direction) {
  if (direction == MapDirection::kLeft || direction == MapDirection::kRight)
    return a.top < b.top + b.height && b.top < a.top + a.height;
  return a.left < b.left + b.width && b.left < a.left + a.width;
}

}  // namespace

int TileTowards(const TileRect* tiles, const std::uint32_t* flags, int count, int from, MapDirection direction) {
  int best = -1;
  bool bestLevel = false;
  int bestDistance = 0;
  for (int i = 0; i < count; ++i) {
    if (i == from || (flags[i] & kTileHidden)) continue;
    const Offset offset = OffsetTowards(tiles[from], tiles[i], direction);
    if (offset.along <= 0) continue;
    const bool level = Level(tiles[from], tiles[i], direction);
    const int distance = offset.along + 2 * offset.across;
    if (best == -1 || (level && !bestLevel) || (level == bestLevel && distance < bestDistance)) {
      best = i;
      bestLevel = level;
      bestDistance = distance;
    }
  }
  return best;
}

int TileTextLeft(int textWidth) { return textWidth > 0 && textWidth <= 126 ? (kTileWidth - textWidth) / 2 : 2; }

}  // namespace korvel
