#include "app/models/MemoryGraph.h"

namespace korvel {

MemoryGraphShape MemoryGraphOf(std::int32_t totalKB, std::int32_t freeKB, int width) {
  MemoryGraphShape shape;
  shape.textLeft = width / 3;
  if (totalKB <= 0) {
    shape.whiteWidth = width;
    shape.greyLeft = width;
    shape.text = "Memory information not available!";
    return shape;
  }
  shape.available = true;
  std::int64_t free = freeKB < 0 ? 0 : freeKB;
  if (free > totalKB) free = totalKB;
  const int a = static_cast<int>(free * width / totalKB);
  shape.whiteWidth = a;
  shape.greyLeft = a + 1;
  shape.frameLeft = a;
  shape.text = std::to_string(freeKB) + "KB of " + std::to_string(totalKB) + "KB Available";
  return shape;
}

}  // namespace korvel
