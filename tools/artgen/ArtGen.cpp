// Makes Korvel's pictures at build time, so that only reviewable text is kept
// in the source tree:
//
//   artgen icon   ART.txt OUT.ico   16-colour icon, one image per "image" block
//   artgen bitmap ART.txt OUT.bmp   16-colour bitmap of the first "image" block
//   artgen logo   OUT.bmp           the 414 x 153 logo, drawn by the code below
//
// An art file holds "image W H" lines, each followed by H rows of W
// characters: "0"-"9", "A"-"F" pick a colour of the standard 16-colour
// palette, "." is transparent (icons only). "#" starts a comment line.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Rgb {
  int r, g, b;
};

// The Windows 16-colour palette, in its standard order.
const Rgb kPalette[16] = {
    {0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},   {0, 0, 128},   {128, 0, 128},
    {0, 128, 128},   {192, 192, 192}, {128, 128, 128}, {255, 0, 0}, {0, 255, 0},   {255, 255, 0},
    {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};

constexpr int kTransparent = -1;

struct IndexedImage {
  int width = 0, height = 0;
  std::vector<int> pixels;  // palette index or kTransparent, top row first
  int At(int x, int y) const { return pixels[static_cast<size_t>(y * width + x)]; }
};

[[noreturn]] void Fail(const std::string& message) {
  std::fprintf(stderr, "artgen: %s\n", message.c_str());
  std::exit(1);
}

std::vector<IndexedImage> ReadArt(const std::string& path) {
  std::ifstream in(path);
  if (!in) Fail("cannot read " + path);
  std::vector<IndexedImage> images;
  std::string line;
  int lineNo = 0;
  while (std::getline(in, line)) {
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    std::istringstream header(line);
    std::string word;
    IndexedImage image;
    if (!(header >> word >> image.width >> image.height) || word != "image" || image.width <= 0 ||
        image.height <= 0)
      Fail(path + ":" + std::to_string(lineNo) + ": expected \"image W H\"");
    for (int y = 0; y < image.height; ++y) {
      if (!std::getline(in, line)) Fail(path + ": image ends early");
      ++lineNo;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (static_cast<int>(line.size()) != image.width)
        Fail(path + ":" + std::to_string(lineNo) + ": row is not " + std::to_string(image.width) + " wide");
      for (char c : line) {
        if (c == '.') image.pixels.push_back(kTransparent);
        else if (c >= '0' && c <= '9') image.pixels.push_back(c - '0');
        else if (c >= 'A' && c <= 'F') image.pixels.push_back(c - 'A' + 10);
        else Fail(path + ":" + std::to_string(lineNo) + ": unknown colour '" + std::string(1, c) + "'");
      }
    }
    images.push_back(image);
  }
  if (images.empty()) Fail(path + ": no image");
  return images;
}

void Put16(std::vector<uint8_t>& out, unsigned value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

int Stride(int width, int bits) { return ((width * bits + 31) / 32) * 4; }

// BITMAPINFOHEADER, palette and 4-bit rows (bottom row first). For an icon
// the height is doubled and the AND mask follows (1 = transparent).
std::vector<uint8_t> Dib4(const IndexedImage& image, bool withMask) {
  const int colourStride = Stride(image.width, 4);
  const int maskStride = Stride(image.width, 1);
  const uint32_t colourSize = static_cast<uint32_t>(colourStride * image.height);
  const uint32_t maskSize = withMask ? static_cast<uint32_t>(maskStride * image.height) : 0;
  std::vector<uint8_t> out;
  Put32(out, 40);
  Put32(out, static_cast<uint32_t>(image.width));
  Put32(out, static_cast<uint32_t>(withMask ? image.height * 2 : image.height));
  Put16(out, 1);
  Put16(out, 4);
  Put32(out, 0);  // BI_RGB
  Put32(out, colourSize + maskSize);
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, 16);
  Put32(out, 0);
  for (const Rgb& c : kPalette) {
    out.push_back(static_cast<uint8_t>(c.b));
    out.push_back(static_cast<uint8_t>(c.g));
    out.push_back(static_cast<uint8_t>(c.r));
    out.push_back(0);
  }
  for (int y = image.height - 1; y >= 0; --y) {
    std::vector<uint8_t> row(static_cast<size_t>(colourStride), 0);
    for (int x = 0; x < image.width; ++x) {
      const int index = image.At(x, y) == kTransparent ? 0 : image.At(x, y);
      row[static_cast<size_t>(x / 2)] |= static_cast<uint8_t>(x % 2 ? index : index << 4);
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  if (withMask) {
    for (int y = image.height - 1; y >= 0; --y) {
      std::vector<uint8_t> row(static_cast<size_t>(maskStride), 0);
      for (int x = 0; x < image.width; ++x)
        if (image.At(x, y) == kTransparent) row[static_cast<size_t>(x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
      out.insert(out.end(), row.begin(), row.end());
    }
  }
  return out;
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) Fail("cannot write " + path);
}

void WriteIcon(const std::vector<IndexedImage>& images, const std::string& path) {
  std::vector<std::vector<uint8_t>> dibs;
  for (const IndexedImage& image : images) {
    if (image.width > 255 || image.height > 255) Fail("icon image too large");
    dibs.push_back(Dib4(image, true));
  }
  std::vector<uint8_t> out;
  Put16(out, 0);
  Put16(out, 1);
  Put16(out, static_cast<unsigned>(images.size()));
  uint32_t offset = static_cast<uint32_t>(6 + 16 * images.size());
  for (size_t i = 0; i < images.size(); ++i) {
    out.push_back(static_cast<uint8_t>(images[i].width));
    out.push_back(static_cast<uint8_t>(images[i].height));
    out.push_back(16);
    out.push_back(0);
    Put16(out, 1);
    Put16(out, 4);
    Put32(out, static_cast<uint32_t>(dibs[i].size()));
    Put32(out, offset);
    offset += static_cast<uint32_t>(dibs[i].size());
  }
  for (const auto& dib : dibs) out.insert(out.end(), dib.begin(), dib.end());
  WriteFile(path, out);
}

std::vector<uint8_t> FileHeader(uint32_t fileSize, uint32_t bitsOffset) {
  std::vector<uint8_t> out{'B', 'M'};
  Put32(out, fileSize);
  Put32(out, 0);
  Put32(out, bitsOffset);
  return out;
}

void WriteBitmap4(const IndexedImage& image, const std::string& path) {
  for (int p : image.pixels)
    if (p == kTransparent) Fail("a bitmap has no transparent colour");
  const std::vector<uint8_t> dib = Dib4(image, false);
  std::vector<uint8_t> out = FileHeader(static_cast<uint32_t>(14 + dib.size()), 14 + 40 + 16 * 4);
  out.insert(out.end(), dib.begin(), dib.end());
  WriteFile(path, out);
}

// ---- The logo -----------------------------------------------------------------

constexpr int kLogoWidth = 414;
constexpr int kLogoHeight = 153;

struct Canvas {
  int width, height;
  std::vector<Rgb> pixels;
  Canvas(int w, int h) : width(w), height(h), pixels(static_cast<size_t>(w * h), Rgb{0, 0, 0}) {}
  void Set(int x, int y, Rgb c) {
    if (x >= 0 && y >= 0 && x < width && y < height) pixels[static_cast<size_t>(y * width + x)] = c;
  }
  void Fill(int x0, int y0, int x1, int y1, Rgb c) {  // x1, y1 exclusive
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) Set(x, y, c);
  }
  void Line(int x0, int y0, int x1, int y1, Rgb c) {
    const int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
    const int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
    int error = dx + dy;
    for (;;) {
      Set(x0, y0, c);
      if (x0 == x1 && y0 == y1) break;
      const int e2 = 2 * error;
      if (e2 >= dy) { error += dy; x0 += sx; }
      if (e2 <= dx) { error += dx; y0 += sy; }
    }
  }
};

Rgb Mix(Rgb a, Rgb b, double t) {
  auto mix = [t](int p, int q) { return static_cast<int>(std::lround(p + (q - p) * t)); };
  return {mix(a.r, b.r), mix(a.g, b.g), mix(a.b, b.b)};
}

// Glyphs of the title, 7 x 10 cells ("#" = ink).
struct Glyph {
  char letter;
  const char* rows[10];
};
const Glyph kTitleGlyphs[] = {
    {'K', {"##...##", "##..##.", "##.##..", "####...", "###....", "####...", "##.##..", "##..##.", "##...##", "......."}},
    {'o', {".......", ".......", ".#####.", "##...##", "##...##", "##...##", "##...##", "##...##", ".#####.", "......."}},
    {'r', {".......", ".......", "##.###.", "###..##", "##.....", "##.....", "##.....", "##.....", "##.....", "......."}},
    {'v', {".......", ".......", "##...##", "##...##", "##...##", ".##.##.", ".##.##.", "..###..", "...#...", "......."}},
    {'e', {".......", ".......", ".#####.", "##...##", "#######", "##.....", "##.....", "##...##", ".#####.", "......."}},
    {'l', {"###....", ".##....", ".##....", ".##....", ".##....", ".##....", ".##....", ".##....", "####...", "......."}},
};

// Capitals of the subtitle, 5 x 7 cells.
struct SmallGlyph {
  char letter;
  const char* rows[7];
};
const SmallGlyph kSmallGlyphs[] = {
    {'A', {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
    {'B', {"####.", "#...#", "#...#", "####.", "#...#", "#...#", "####."}},
    {'E', {"#####", "#....", "#....", "####.", "#....", "#....", "#####"}},
    {'G', {".###.", "#...#", "#....", "#.###", "#...#", "#...#", ".###."}},
    {'K', {"#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"}},
    {'L', {"#....", "#....", "#....", "#....", "#....", "#....", "#####"}},
    {'M', {"#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"}},
    {'N', {"#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#", "#...#"}},
    {'R', {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"}},
    {'T', {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."}},
    {'V', {"#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."}},
    {'W', {"#...#", "#...#", "#...#", "#.#.#", "#.#.#", "##.##", "#...#"}},
};

template <typename G, size_t N>
const G& GlyphOf(const G (&glyphs)[N], char letter) {
  for (const G& glyph : glyphs)
    if (glyph.letter == letter) return glyph;
  Fail(std::string("no glyph for '") + letter + "'");
}

void DrawTitle(Canvas& canvas, const char* text, int left, int top, int scale) {
  const Rgb top_colour{255, 228, 120}, bottom_colour{240, 150, 30}, shadow{6, 10, 40};
  for (int pass = 0; pass < 2; ++pass) {
    int x = left;
    for (const char* p = text; *p; ++p) {
      const Glyph& glyph = GlyphOf(kTitleGlyphs, *p);
      for (int row = 0; row < 10; ++row) {
        for (int column = 0; glyph.rows[row][column]; ++column) {
          if (glyph.rows[row][column] != '#') continue;
          for (int dy = 0; dy < scale; ++dy) {
            const int y = top + row * scale + dy;
            const Rgb ink = pass == 0 ? shadow : Mix(top_colour, bottom_colour, (row * scale + dy) / (10.0 * scale));
            const int offset = pass == 0 ? 3 : 0;
            canvas.Fill(x + column * scale + offset, y + offset, x + (column + 1) * scale + offset, y + offset + 1, ink);
          }
        }
      }
      x += 8 * scale;
    }
  }
}

void DrawSmallText(Canvas& canvas, const char* text, int left, int top, Rgb ink) {
  int x = left;
  for (const char* p = text; *p; ++p) {
    if (*p != ' ') {
      const SmallGlyph& glyph = GlyphOf(kSmallGlyphs, *p);
      for (int row = 0; row < 7; ++row)
        for (int column = 0; column < 5; ++column)
          if (glyph.rows[row][column] == '#') canvas.Set(x + column, top + row, ink);
    }
    x += 7;
  }
}

// A stack of single-cycle waves that turn from a sine at the front into a
// bright, saw-like wave at the back: a wavetable seen in perspective.
void DrawWavetable(Canvas& canvas) {
  constexpr int kWaves = 10, kLength = 140, kAmplitude = 15;
  constexpr int kFrontX = 214, kFrontY = 72, kStepX = 6, kStepY = 5;
  const double pi = std::acos(-1.0);
  const Rgb edge{50, 90, 160};
  // The two side edges of the table, from the front wave to the back one.
  canvas.Line(kFrontX, kFrontY, kFrontX + (kWaves - 1) * kStepX, kFrontY - (kWaves - 1) * kStepY, edge);
  canvas.Line(kFrontX + kLength, kFrontY, kFrontX + kLength + (kWaves - 1) * kStepX,
              kFrontY - (kWaves - 1) * kStepY, edge);
  for (int k = kWaves - 1; k >= 0; --k) {
    const double morph = k / double(kWaves - 1);
    const int baseX = kFrontX + k * kStepX;
    const int baseY = kFrontY - k * kStepY;
    const Rgb colour = Mix(Rgb{130, 245, 255}, Rgb{40, 130, 170}, morph);
    int previousX = 0, previousY = 0;
    for (int i = 0; i <= kLength; ++i) {
      const double t = double(i) / kLength;
      // Sine into sawtooth: the upper harmonics fade in towards the back.
      double value = 0;
      for (int n = 1; n <= 9; ++n) value += (n == 1 ? 1.0 : morph) * std::sin(2 * pi * n * t) / n;
      value /= 1.0 + morph * 0.6;
      const int x = baseX + i;
      const int y = baseY - static_cast<int>(std::lround(value * kAmplitude));
      if (i > 0) canvas.Line(previousX, previousY, x, y, colour);
      previousX = x;
      previousY = y;
    }
  }
}

void DrawKeyboard(Canvas& canvas, int top, int bottom) {
  constexpr int kKeyWidth = 13;
  const Rgb gap{70, 70, 84}, white{250, 250, 244}, whiteShade{214, 214, 206}, black{22, 22, 30},
      blackShine{90, 90, 104};
  canvas.Fill(0, top - 1, canvas.width, top, Rgb{8, 10, 30});
  canvas.Fill(0, top, canvas.width, bottom, gap);
  // White keys from x = -1 so that the keyboard ends evenly on both sides.
  for (int key = 0; key * kKeyWidth - 1 < canvas.width; ++key) {
    const int left = key * kKeyWidth - 1;
    canvas.Fill(left + 1, top, left + kKeyWidth, bottom - 3, white);
    canvas.Fill(left + 1, bottom - 3, left + kKeyWidth, bottom, whiteShade);
  }
  // Black keys after C, D, F, G and A of every octave.
  static const bool kHasBlack[7] = {true, true, false, true, true, true, false};
  for (int key = 0; key * kKeyWidth - 1 < canvas.width; ++key) {
    if (!kHasBlack[key % 7]) continue;
    const int centre = (key + 1) * kKeyWidth - 1;
    const int blackBottom = top + (bottom - top) * 3 / 5;
    canvas.Fill(centre - 4, top, centre + 4, blackBottom, black);
    canvas.Fill(centre - 2, blackBottom - 3, centre + 2, blackBottom - 1, blackShine);
  }
}

Canvas DrawLogo() {
  Canvas canvas(kLogoWidth, kLogoHeight);
  constexpr int kKeysTop = 90, kKeysBottom = 117, kBandTop = 118;
  for (int y = 0; y < kKeysTop; ++y)
    canvas.Fill(0, y, canvas.width, y + 1, Mix(Rgb{12, 18, 60}, Rgb{40, 70, 150}, y / double(kKeysTop)));
  DrawWavetable(canvas);
  DrawTitle(canvas, "Korvel", 22, 14, 4);
  DrawSmallText(canvas, "WAVETABLE BANK MANAGER", 24, 70, Rgb{160, 200, 255});
  DrawKeyboard(canvas, kKeysTop, kKeysBottom);
  // A light band below the keys, where start-up writes its texts in black.
  canvas.Fill(0, kKeysBottom, canvas.width, kBandTop, Rgb{40, 40, 52});
  for (int y = kBandTop; y < canvas.height; ++y)
    canvas.Fill(0, y, canvas.width, y + 1, Mix(Rgb{232, 232, 226}, Rgb{200, 200, 196}, (y - kBandTop) / 35.0));
  return canvas;
}

void WriteBitmap24(const Canvas& canvas, const std::string& path) {
  const int stride = Stride(canvas.width, 24);
  const uint32_t bitsSize = static_cast<uint32_t>(stride * canvas.height);
  std::vector<uint8_t> out = FileHeader(14 + 40 + bitsSize, 14 + 40);
  Put32(out, 40);
  Put32(out, static_cast<uint32_t>(canvas.width));
  Put32(out, static_cast<uint32_t>(canvas.height));
  Put16(out, 1);
  Put16(out, 24);
  Put32(out, 0);
  Put32(out, bitsSize);
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, 0);
  for (int y = canvas.height - 1; y >= 0; --y) {
    std::vector<uint8_t> row(static_cast<size_t>(stride), 0);
    for (int x = 0; x < canvas.width; ++x) {
      const Rgb& c = canvas.pixels[static_cast<size_t>(y * canvas.width + x)];
      row[static_cast<size_t>(x * 3)] = static_cast<uint8_t>(c.b);
      row[static_cast<size_t>(x * 3 + 1)] = static_cast<uint8_t>(c.g);
      row[static_cast<size_t>(x * 3 + 2)] = static_cast<uint8_t>(c.r);
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  WriteFile(path, out);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "icon" && argc == 4) WriteIcon(ReadArt(argv[2]), argv[3]);
  else if (mode == "bitmap" && argc == 4) WriteBitmap4(ReadArt(argv[2]).front(), argv[3]);
  else if (mode == "logo" && argc == 3) WriteBitmap24(DrawLogo(), argv[2]);
  else Fail("usage: artgen icon|bitmap ART.txt OUT, or artgen logo OUT.bmp");
  return 0;
}
