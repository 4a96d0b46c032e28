#include "app/ImageControl.h"

#include <cstring>

namespace korvel {

namespace {

constexpr char kImageClass[] = "TImage";

HBITMAP CreateWhiteBitmap(int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap && bits) {
    const int stride = ((width * 3 + 3) / 4) * 4;
    std::memset(bits, 0xFF, static_cast<size_t>(stride) * static_cast<size_t>(height));
  }
  return bitmap;
}

LRESULT CALLBACK ImageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCCREATE: {
      const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
      auto* picture = new Picture(create->cx > 0 ? create->cx : 1, create->cy > 0 ? create->cy : 1);
      SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(picture));
      break;
    }
    case WM_NCDESTROY:
      delete ImagePicture(window);
      SetWindowLongPtrA(window, GWLP_USERDATA, 0);
      break;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      RECT client;
      GetClientRect(window, &client);
      if (const Picture* picture = ImagePicture(window)) {
        picture->DrawTo(dc, 0, 0);
        // What the picture does not cover shows the dialog colour.
        HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
        RECT right{picture->Width(), 0, client.right, client.bottom};
        RECT below{0, picture->Height(), picture->Width(), client.bottom};
        if (right.left < right.right) FillRect(dc, &right, face);
        if (below.top < below.bottom) FillRect(dc, &below, face);
      }
      EndPaint(window, &paint);
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

Picture::Picture(int width, int height) {
  dc_ = CreateCompatibleDC(nullptr);
  Adopt(CreateWhiteBitmap(width, height), width, height);
}

Picture::~Picture() {
  if (original_) SelectObject(dc_, original_);
  if (bitmap_) DeleteObject(bitmap_);
  if (dc_) DeleteDC(dc_);
}

void Picture::Adopt(HBITMAP bitmap, int width, int height) {
  if (!bitmap || !dc_) return;
  HGDIOBJ previous = SelectObject(dc_, bitmap);
  if (!original_) original_ = previous;
  if (bitmap_) DeleteObject(bitmap_);
  bitmap_ = bitmap;
  width_ = width;
  height_ = height;
}

bool Picture::Load(HINSTANCE instance, const char* name) {
  auto* bitmap = static_cast<HBITMAP>(LoadImageA(instance, name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  if (!bitmap) return false;
  BITMAP shape{};
  GetObjectA(bitmap, sizeof shape, &shape);
  Adopt(bitmap, shape.bmWidth, shape.bmHeight < 0 ? -shape.bmHeight : shape.bmHeight);
  return true;
}

void Picture::DrawTo(HDC target, int x, int y) const {
  BitBlt(target, x, y, width_, height_, dc_, 0, 0, SRCCOPY);
}

bool RegisterImageClass(HINSTANCE instance) {
  WNDCLASSA existing;
  if (GetClassInfoA(instance, kImageClass, &existing)) return true;
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = ImageProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  windowClass.lpszClassName = kImageClass;
  return RegisterClassA(&windowClass) != 0;
}

Picture* ImagePicture(HWND image) {
  char name[16] = {};
  if (!image || !GetClassNameA(image, name, sizeof name) || std::strcmp(name, kImageClass) != 0)
    return nullptr;
  return reinterpret_cast<Picture*>(GetWindowLongPtrA(image, GWLP_USERDATA));
}

void RepaintNow(HWND image) {
  InvalidateRect(image, nullptr, FALSE);
  UpdateWindow(image);
}

void DrawCentredText(HDC canvas, int areaWidth, HFONT font, const char* text, int top) {
  HGDIOBJ previousFont = SelectObject(canvas, font);
  const int previousMode = SetBkMode(canvas, TRANSPARENT);
  const COLORREF previousColour = SetTextColor(canvas, GetSysColor(COLOR_WINDOWTEXT));
  const int length = static_cast<int>(std::strlen(text));
  SIZE extent{};
  GetTextExtentPoint32A(canvas, text, length, &extent);
  TextOutA(canvas, (areaWidth - extent.cx) / 2, top, text, length);
  SetTextColor(canvas, previousColour);
  SetBkMode(canvas, previousMode);
  SelectObject(canvas, previousFont);
}

}  // namespace korvel
