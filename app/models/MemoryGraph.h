// The sound-memory graph under the bank list: how much of the current
// device's memory is free, as a white part, a grey part and a text.
#pragma once

#include <cstdint>
#include <string>

namespace korvel {

struct MemoryGraphShape {
  bool available = false;  // false: all white with the "not available" text
  int whiteWidth = 0;      // x 0 up to here (exclusive) is white
  int greyLeft = 0;        // from here to the image's width is light grey
  int frameLeft = 0;       // a second frame goes round x frameLeft to the width
  int textLeft = 0;        // the text's top-left corner
  int textTop = 10;
  std::string text;
};

// For an image `width` pixels wide and the device's total and free memory
// in KB. A free figure above the total or below 0 is drawn within the image.
MemoryGraphShape MemoryGraphOf(std::int32_t totalKB, std::int32_t freeKB, int width);

}  // namespace korvel
