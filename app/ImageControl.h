// Image controls with a drawable canvas: the window class "TImage" shows a
// Picture, a bitmap with its own memory device context that the program
// draws on and then repaints.
#pragma once

#include <windows.h>

namespace korvel {

class Picture {
 public:
  // A white picture of the given size.
  Picture(int width, int height);
  ~Picture();
  Picture(const Picture&) = delete;
  Picture& operator=(const Picture&) = delete;

  // Replaces the picture with the bitmap resource `name` of `instance`, at
  // the bitmap's own size. False (and the picture unchanged) when it cannot.
  bool Load(HINSTANCE instance, const char* name);

  int Width() const { return width_; }
  int Height() const { return height_; }
  // The canvas: a memory device context with the picture selected.
  HDC Canvas() const { return dc_; }
  // Copies the picture onto `target` with its top-left corner at (x, y).
  void DrawTo(HDC target, int x, int y) const;

 private:
  void Adopt(HBITMAP bitmap, int width, int height);

  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ original_ = nullptr;
  int width_ = 0;
  int height_ = 0;
};

// Registers the "TImage" window class once per process.
bool RegisterImageClass(HINSTANCE instance);
// The picture an image control shows (null for any other window).
Picture* ImagePicture(HWND image);
// Repaints the image control at once, without waiting for the message loop.
void RepaintNow(HWND image);

// Writes `text` in `font` on `canvas` with a transparent background,
// horizontally centred in `areaWidth` ((areaWidth - text width) / 2), top
// edge at `top`.
void DrawCentredText(HDC canvas, int areaWidth, HFONT font, const char* text, int top);

}  // namespace korvel
