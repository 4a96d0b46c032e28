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

int TileTextLeft(int textWidth) { return textWidth > 0 && textWidth <= 126 ? (kTileWidth - textWidth) / 2 : 2; }

}  // namespace korvel
