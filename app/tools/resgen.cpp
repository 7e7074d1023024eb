// Draws Vellview's own pictures at build time: the toolbar strips, the splash, About and MDI
// background bitmaps, the two icons, and the sample raster drawing that the run script opens.
// Everything is drawn here from lines, rectangles and circles; nothing is taken from elsewhere.
// Usage: vv_resgen OUTPUT_DIR
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Rgb {
  uint8_t r, g, b;
};

const Rgb kBlack{0, 0, 0};
const Rgb kWhite{255, 255, 255};
const Rgb kGrey{192, 192, 192};  // the toolbar's face colour: shown as the button face
const Rgb kDark{128, 128, 128};
const Rgb kBlue{0, 64, 160};
const Rgb kRed{200, 0, 0};
const Rgb kGreen{0, 128, 0};
const Rgb kYellow{240, 200, 0};

struct Image {
  int w, h;
  std::vector<Rgb> px;
  Image(int width, int height, Rgb fill) : w(width), h(height), px(static_cast<size_t>(width) * height, fill) {}
  void Set(int x, int y, Rgb c) {
    if (x >= 0 && y >= 0 && x < w && y < h) px[static_cast<size_t>(y) * w + x] = c;
  }
  void Fill(int x0, int y0, int x1, int y1, Rgb c) {
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x) Set(x, y, c);
  }
  void Line(int x0, int y0, int x1, int y1, Rgb c) {
    int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
    int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    for (;;) {
      Set(x0, y0, c);
      if (x0 == x1 && y0 == y1) break;
      int e2 = 2 * err;
      if (e2 >= dy) { err += dy; x0 += sx; }
      if (e2 <= dx) { err += dx; y0 += sy; }
    }
  }
  void Frame(int x0, int y0, int x1, int y1, Rgb c) {
    Line(x0, y0, x1, y0, c);
    Line(x1, y0, x1, y1, c);
    Line(x1, y1, x0, y1, c);
    Line(x0, y1, x0, y0, c);
  }
  void Circle(int cx, int cy, int r, Rgb c) {
    for (int a = 0; a < 360 * 4; ++a) {
      double t = a * 3.14159265358979 / 720.0;
      Set(cx + static_cast<int>(std::lround(r * std::cos(t))), cy + static_cast<int>(std::lround(r * std::sin(t))), c);
    }
  }
  void Disc(int cx, int cy, int r, Rgb c) {
    for (int y = -r; y <= r; ++y)
      for (int x = -r; x <= r; ++x)
        if (x * x + y * y <= r * r) Set(cx + x, cy + y, c);
  }
};

void Put16(std::vector<uint8_t>& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

// The bitmap-info header and bottom-up 24-bit rows (each padded to 4 bytes).
std::vector<uint8_t> DibBytes(const Image& img, int heightField) {
  std::vector<uint8_t> b;
  int stride = (img.w * 3 + 3) & ~3;
  Put32(b, 40);
  Put32(b, static_cast<uint32_t>(img.w));
  Put32(b, static_cast<uint32_t>(heightField));
  Put16(b, 1);
  Put16(b, 24);
  Put32(b, 0);
  Put32(b, static_cast<uint32_t>(stride * img.h));
  Put32(b, 2835);
  Put32(b, 2835);
  Put32(b, 0);
  Put32(b, 0);
  for (int y = img.h - 1; y >= 0; --y) {
    for (int x = 0; x < img.w; ++x) {
      const Rgb& p = img.px[static_cast<size_t>(y) * img.w + x];
      b.push_back(p.b);
      b.push_back(p.g);
      b.push_back(p.r);
    }
    for (int pad = img.w * 3; pad < stride; ++pad) b.push_back(0);
  }
  return b;
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return fclose(f) == 0 && ok;
}

bool WriteBmp(const std::string& path, const Image& img) {
  std::vector<uint8_t> dib = DibBytes(img, img.h);
  std::vector<uint8_t> b;
  b.push_back('B');
  b.push_back('M');
  Put32(b, static_cast<uint32_t>(14 + dib.size()));
  Put32(b, 0);
  Put32(b, 14 + 40);
  b.insert(b.end(), dib.begin(), dib.end());
  return WriteFile(path, b);
}

// One 32 x 32 image, 24-bit colour with an all-opaque mask.
bool WriteIco(const std::string& path, const Image& img) {
  std::vector<uint8_t> dib = DibBytes(img, img.h * 2);
  int maskStride = ((img.w + 31) / 32) * 4;
  dib.insert(dib.end(), static_cast<size_t>(maskStride) * img.h, 0);
  std::vector<uint8_t> b;
  Put16(b, 0);
  Put16(b, 1);
  Put16(b, 1);
  b.push_back(static_cast<uint8_t>(img.w));
  b.push_back(static_cast<uint8_t>(img.h));
  b.push_back(0);
  b.push_back(0);
  Put16(b, 1);
  Put16(b, 24);
  Put32(b, static_cast<uint32_t>(dib.size()));
  Put32(b, 6 + 16);
  b.insert(b.end(), dib.begin(), dib.end());
  return WriteFile(path, b);
}

// A baseline uncompressed TIFF: 8-bit grey, one strip, with its resolution.
bool WriteTiff(const std::string& path, const Image& img, uint32_t dpi) {
  std::vector<uint8_t> b = {'I', 'I', 42, 0};
  const uint32_t pixels = static_cast<uint32_t>(img.w * img.h);
  const uint32_t ifdAt = 8 + pixels;
  Put32(b, ifdAt);
  for (const Rgb& p : img.px) b.push_back(static_cast<uint8_t>((p.r * 30 + p.g * 59 + p.b * 11) / 100));
  const uint16_t entries = 11;
  const uint32_t resAt = ifdAt + 2 + entries * 12 + 4;
  Put16(b, entries);
  auto entry = [&](uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
    Put16(b, tag);
    Put16(b, type);
    Put32(b, count);
    if (type == 3 && count == 1) {
      Put16(b, static_cast<uint16_t>(value));
      Put16(b, 0);
    } else {
      Put32(b, value);
    }
  };
  entry(256, 4, 1, static_cast<uint32_t>(img.w));  // width
  entry(257, 4, 1, static_cast<uint32_t>(img.h));  // length
  entry(258, 3, 1, 8);                             // bits per sample
  entry(259, 3, 1, 1);                             // no compression
  entry(262, 3, 1, 1);                             // black is zero
  entry(273, 4, 1, 8);                             // strip offset
  entry(277, 3, 1, 1);                             // samples per pixel
  entry(278, 4, 1, static_cast<uint32_t>(img.h));  // rows per strip
  entry(279, 4, 1, pixels);                        // strip bytes
  entry(282, 5, 1, resAt);                         // x resolution
  entry(283, 5, 1, resAt + 8);                     // y resolution
  Put32(b, 0);
  Put32(b, dpi);
  Put32(b, 1);
  Put32(b, dpi);
  Put32(b, 1);
  // Resolution unit (inch) is the default and needs no entry.
  return WriteFile(path, b);
}

// Button glyphs, 16 x 15 each, drawn into a strip at slot i.
using Glyph = void (*)(Image&, int);
void GOpen(Image& m, int o) {
  m.Fill(o + 1, 5, o + 13, 13, kYellow);
  m.Frame(o + 1, 5, o + 13, 13, kBlack);
  m.Line(o + 1, 4, o + 6, 4, kBlack);
}
void GPrint(Image& m, int o) {
  m.Fill(o + 1, 6, o + 14, 11, kDark);
  m.Frame(o + 1, 6, o + 14, 11, kBlack);
  m.Fill(o + 4, 2, o + 11, 6, kWhite);
  m.Frame(o + 4, 2, o + 11, 6, kBlack);
}
void GZoomIn(Image& m, int o) {
  m.Circle(o + 6, 6, 4, kBlack);
  m.Line(o + 9, 9, o + 14, 14, kBlack);
  m.Line(o + 4, 6, o + 8, 6, kBlack);
  m.Line(o + 6, 4, o + 6, 8, kBlack);
}
void GZoomOut(Image& m, int o) {
  m.Circle(o + 6, 6, 4, kBlack);
  m.Line(o + 9, 9, o + 14, 14, kBlack);
  m.Line(o + 4, 6, o + 8, 6, kBlack);
}
void GEntire(Image& m, int o) {
  m.Frame(o + 1, 1, o + 14, 13, kBlack);
  m.Fill(o + 3, 3, o + 12, 11, kWhite);
  m.Line(o + 3, 11, o + 12, 3, kBlue);
}
void GRotLeft(Image& m, int o) {
  m.Circle(o + 8, 7, 5, kBlue);
  m.Fill(o + 2, 1, o + 5, 4, kBlue);
}
void GRotRight(Image& m, int o) {
  m.Circle(o + 7, 7, 5, kBlue);
  m.Fill(o + 10, 1, o + 13, 4, kBlue);
}
void GSave(Image& m, int o) {
  m.Fill(o + 1, 1, o + 14, 13, kBlue);
  m.Fill(o + 4, 1, o + 11, 5, kWhite);
  m.Fill(o + 4, 9, o + 11, 13, kRed);
}
void GAbout(Image& m, int o) {
  m.Disc(o + 7, 7, 6, kBlue);
  m.Fill(o + 7, 6, o + 8, 11, kWhite);
  m.Set(o + 7, 3, kWhite);
  m.Set(o + 8, 3, kWhite);
}
void GArrow(Image& m, int o) {
  m.Frame(o + 2, 2, o + 13, 12, kBlack);
  m.Line(o + 5, 5, o + 10, 9, kRed);
}
void GPolyArea(Image& m, int o) {
  m.Line(o + 2, 12, o + 7, 2, kBlack);
  m.Line(o + 7, 2, o + 13, 8, kBlack);
  m.Line(o + 13, 8, o + 2, 12, kBlack);
}
void GSelect(Image& m, int o) {
  m.Line(o + 4, 2, o + 4, 12, kBlack);
  m.Line(o + 4, 2, o + 11, 9, kBlack);
  m.Line(o + 4, 12, o + 11, 9, kBlack);
}
void GPen(Image& m, int o) {
  m.Line(o + 2, 12, o + 6, 6, kRed);
  m.Line(o + 6, 6, o + 9, 10, kRed);
  m.Line(o + 9, 10, o + 13, 3, kRed);
}
void GLine(Image& m, int o) { m.Line(o + 2, 12, o + 13, 2, kRed); }
void GCircle(Image& m, int o) { m.Circle(o + 7, 7, 5, kRed); }
void GRect(Image& m, int o) { m.Frame(o + 2, 3, o + 13, 11, kRed); }
void GPolygon(Image& m, int o) {
  m.Line(o + 2, 10, o + 5, 2, kRed);
  m.Line(o + 5, 2, o + 13, 5, kRed);
  m.Line(o + 13, 5, o + 10, 12, kRed);
  m.Line(o + 10, 12, o + 2, 10, kRed);
}
void GText(Image& m, int o) {
  m.Line(o + 3, 2, o + 12, 2, kRed);
  m.Line(o + 7, 2, o + 7, 12, kRed);
  m.Line(o + 8, 2, o + 8, 12, kRed);
}
void GTextHeight(Image& m, int o) {
  GText(m, o);
  m.Line(o + 13, 2, o + 13, 12, kBlack);
}
void GLength(Image& m, int o) {
  m.Line(o + 1, 7, o + 14, 7, kGreen);
  m.Line(o + 1, 4, o + 1, 10, kGreen);
  m.Line(o + 14, 4, o + 14, 10, kGreen);
}
void GArea(Image& m, int o) {
  m.Fill(o + 3, 3, o + 12, 11, kGreen);
  m.Frame(o + 3, 3, o + 12, 11, kBlack);
}

void GCut(Image& m, int o) {
  m.Line(o + 4, 1, o + 10, 9, kBlack);
  m.Line(o + 11, 1, o + 5, 9, kBlack);
  m.Circle(o + 4, 11, 2, kBlack);
  m.Circle(o + 11, 11, 2, kBlack);
}
void GCopy(Image& m, int o) {
  m.Frame(o + 1, 1, o + 8, 10, kBlack);
  m.Frame(o + 6, 4, o + 14, 13, kBlack);
}
void GPaste(Image& m, int o) {
  m.Frame(o + 2, 2, o + 11, 13, kDark);
  m.Frame(o + 7, 6, o + 14, 13, kBlack);
}

bool WriteStrip(const std::string& path, const std::vector<Glyph>& glyphs) {
  Image m(16 * static_cast<int>(glyphs.size()), 15, kGrey);
  for (size_t i = 0; i < glyphs.size(); ++i) glyphs[i](m, static_cast<int>(i) * 16);
  return WriteBmp(path, m);
}

// The program's mark: a sheet with a drawn frame and a circle.
void DrawMark(Image& m, int x, int y, int size) {
  m.Fill(x, y, x + size - 1, y + size - 1, kWhite);
  m.Frame(x, y, x + size - 1, y + size - 1, kBlack);
  m.Frame(x + size / 8, y + size / 8, x + size - 1 - size / 8, y + size - 1 - size / 8, kBlue);
  m.Circle(x + size / 2, y + size / 2, size / 4, kRed);
  m.Line(x + size / 8, y + size - 1 - size / 8, x + size - 1 - size / 8, y + size / 8, kBlue);
}

// A sheet of a mechanical drawing: border, title block, a plate with holes, centre lines.
Image SampleDrawing() {
  Image m(1200, 850, kWhite);
  m.Frame(20, 20, 1179, 829, kBlack);
  m.Frame(21, 21, 1178, 828, kBlack);
  m.Frame(800, 700, 1178, 828, kBlack);
  m.Line(800, 740, 1178, 740, kBlack);
  m.Line(800, 780, 1178, 780, kBlack);
  m.Line(950, 700, 950, 828, kBlack);
  m.Frame(150, 150, 650, 550, kBlack);
  m.Frame(151, 151, 649, 549, kBlack);
  const int holes[4][2] = {{220, 220}, {580, 220}, {220, 480}, {580, 480}};
  for (const auto& h : holes) {
    m.Circle(h[0], h[1], 25, kBlack);
    m.Line(h[0] - 35, h[1], h[0] + 35, h[1], kBlack);
    m.Line(h[0], h[1] - 35, h[0], h[1] + 35, kBlack);
  }
  m.Circle(400, 350, 90, kBlack);
  m.Circle(400, 350, 91, kBlack);
  for (int x = 120; x < 680; x += 16) m.Line(x, 350, x + 9, 350, kBlack);
  for (int y = 120; y < 580; y += 16) m.Line(400, y, 400, y + 9, kBlack);
  m.Line(150, 600, 650, 600, kBlack);
  m.Line(150, 590, 150, 610, kBlack);
  m.Line(650, 590, 650, 610, kBlack);
  m.Frame(800, 150, 1100, 550, kBlack);
  m.Circle(950, 350, 120, kBlack);
  m.Line(800, 150, 1100, 550, kBlack);
  m.Line(800, 550, 1100, 150, kBlack);
  return m;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: vv_resgen OUTPUT_DIR\n");
    return 2;
  }
  std::string dir = argv[1];
  bool ok = true;
  ok &= WriteStrip(dir + "/main_toolbar.bmp",
                   {GOpen, GPrint, GZoomIn, GZoomOut, GEntire, GRotLeft, GRotRight, GSave, GAbout});
  // The toolbar a document edited in place shows on its container's frame.
  ok &= WriteStrip(dir + "/inplace_toolbar.bmp",
                   {GCut, GCopy, GPaste, GPrint, GZoomIn, GZoomOut, GEntire, GSelect, GArrow, GLength});
  ok &= WriteStrip(dir + "/annotation_toolbar.bmp", {GArrow, GPolyArea, GSelect, GPen, GLine, GCircle, GRect,
                                                     GPolygon, GText, GTextHeight, GLength, GArea});
  Image splash(400, 240, kWhite);
  splash.Fill(0, 0, 399, 59, kBlue);
  DrawMark(splash, 20, 90, 120);
  for (int i = 0; i < 6; ++i) splash.Line(170, 110 + i * 20, 370, 110 + i * 20, kDark);
  splash.Frame(0, 0, 399, 239, kBlack);
  ok &= WriteBmp(dir + "/splash.bmp", splash);
  Image about(64, 64, kGrey);
  DrawMark(about, 4, 4, 56);
  ok &= WriteBmp(dir + "/about.bmp", about);
  Image background(240, 160, {128, 128, 128});
  DrawMark(background, 60, 20, 120);
  ok &= WriteBmp(dir + "/background.bmp", background);
  // The layer dialog's two states on a green mask: a dimmed bulb (off), a lit one (on).
  Image layerStates(32, 16, {0, 255, 0});
  layerStates.Circle(7, 6, 4, kDark);
  layerStates.Fill(6, 11, 8, 14, kDark);
  layerStates.Disc(16 + 7, 6, 4, kYellow);
  layerStates.Circle(16 + 7, 6, 4, kBlack);
  layerStates.Fill(16 + 6, 11, 16 + 8, 14, kDark);
  ok &= WriteBmp(dir + "/layer_states.bmp", layerStates);
  // The vector properties tree on a white mask: none, the drawing, a property, a size.
  Image properties(64, 16, kWhite);
  DrawMark(properties, 16 + 1, 1, 14);
  properties.Fill(32 + 5, 5, 32 + 10, 10, kBlue);
  properties.Line(48 + 1, 13, 48 + 14, 13, kBlack);
  properties.Line(48 + 1, 2, 48 + 1, 13, kBlack);
  properties.Line(48 + 1, 13, 48 + 12, 3, kRed);
  ok &= WriteBmp(dir + "/dwg_properties.bmp", properties);
  Image icon(32, 32, kGrey);
  DrawMark(icon, 0, 0, 32);
  ok &= WriteIco(dir + "/vellview.ico", icon);
  Image docIcon(32, 32, kGrey);
  DrawMark(docIcon, 4, 0, 24);
  docIcon.Fill(0, 26, 31, 31, kBlue);
  ok &= WriteIco(dir + "/document.ico", docIcon);
  ok &= WriteTiff(dir + "/sample.tif", SampleDrawing(), 100);
  if (!ok) {
    fprintf(stderr, "vv_resgen: cannot write into %s\n", dir.c_str());
    return 1;
  }
  return 0;
}
