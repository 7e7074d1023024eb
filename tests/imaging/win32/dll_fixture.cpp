// Fixture builders of the imaging DLL's tests.
#include "dll_fixture.h"

#include <cstring>

HGLOBAL MakePackedDib(int32_t width, int32_t height, int bpp, const std::vector<uint32_t>& palette,
                      const std::function<uint32_t(int32_t, int32_t)>& pixel) {
  size_t colours = bpp <= 8 ? palette.size() : 0;
  size_t stride = (size_t(width) * bpp + 31) / 32 * 4;
  size_t header = sizeof(BITMAPINFOHEADER) + colours * sizeof(RGBQUAD);
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, header + stride * size_t(height));
  auto* p = static_cast<uint8_t*>(GlobalLock(block));
  auto* bih = reinterpret_cast<BITMAPINFOHEADER*>(p);
  bih->biSize = sizeof(BITMAPINFOHEADER);
  bih->biWidth = width;
  bih->biHeight = height;
  bih->biPlanes = 1;
  bih->biBitCount = WORD(bpp);
  bih->biCompression = BI_RGB;
  bih->biClrUsed = DWORD(colours);
  auto* table = reinterpret_cast<RGBQUAD*>(p + sizeof(BITMAPINFOHEADER));
  for (size_t i = 0; i < colours; ++i)
    table[i] = RGBQUAD{BYTE(palette[i]), BYTE(palette[i] >> 8), BYTE(palette[i] >> 16), 0};
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* row = p + header + size_t(height - 1 - y) * stride;
    for (int32_t x = 0; x < width; ++x) {
      uint32_t v = pixel(x, y);
      switch (bpp) {
        case 1: row[x / 8] |= uint8_t((v & 1) << (7 - x % 8)); break;
        case 4: row[x / 2] |= uint8_t((v & 15) << (x % 2 ? 0 : 4)); break;
        case 8: row[x] = uint8_t(v); break;
        case 24:
          row[3 * x] = uint8_t(v);
          row[3 * x + 1] = uint8_t(v >> 8);
          row[3 * x + 2] = uint8_t(v >> 16);
          break;
      }
    }
  }
  GlobalUnlock(block);
  return block;
}

int32_t MakeImage(int32_t width, int32_t height, int bpp, const std::vector<uint32_t>& palette,
                  const std::function<uint32_t(int32_t, int32_t)>& pixel) {
  HGLOBAL block = MakePackedDib(width, height, bpp, palette, pixel);
  int32_t image = ImgFromPackedDib(GlobalLock(block));
  GlobalUnlock(block);
  GlobalFree(block);
  return image;
}

int32_t MakeBitonal(int32_t width, int32_t height, const std::function<bool(int32_t, int32_t)>& ink) {
  return MakeImage(width, height, 1, {kWhite, kBlack},
                   [&](int32_t x, int32_t y) { return ink(x, y) ? 1u : 0u; });
}

Canvas::Canvas(int32_t width, int32_t height) : width_(width), height_(height) {
  BITMAPINFO bmi = {};
  bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bmi.bmiHeader.biWidth = width;
  bmi.bmiHeader.biHeight = -height;
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = 32;
  bmi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  bitmap_ = CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
  bits_ = static_cast<uint32_t*>(bits);
  dc_ = CreateCompatibleDC(nullptr);
  old_ = SelectObject(dc_, bitmap_);
  for (int32_t i = 0; i < width * height; ++i) bits_[i] = kUntouched;
}

Canvas::~Canvas() {
  SelectObject(dc_, old_);
  DeleteDC(dc_);
  DeleteObject(bitmap_);
}

uint32_t Canvas::Pixel(int32_t x, int32_t y) const {
  GdiFlush();
  return bits_[size_t(y) * size_t(width_) + size_t(x)] & 0xFFFFFF;
}

std::vector<uint32_t> ReadPixels(int32_t image, int32_t width, int32_t height) {
  Canvas canvas(width, height);
  EXPECT_EQ(ImgDrawToDc(image, canvas.dc(), 0, 0, width, height), 0);
  std::vector<uint32_t> out;
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) out.push_back(canvas.Pixel(x, y));
  return out;
}

int Grey(uint32_t c) { return int(((c >> 16 & 255) + (c >> 8 & 255) + (c & 255)) / 3); }

ScratchDir::ScratchDir() {
  char base[MAX_PATH];
  GetTempPathA(MAX_PATH, base);
  char name[MAX_PATH];
  GetTempFileNameA(base, "VVT", 0, name);
  DeleteFileA(name);
  CreateDirectoryA(name, nullptr);
  dir_ = name;
}

std::vector<std::string> ScratchDir::Files() const {
  std::vector<std::string> names;
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((dir_ + "\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(fd.cFileName);
  } while (FindNextFileA(h, &fd));
  FindClose(h);
  return names;
}

ScratchDir::~ScratchDir() {
  for (const std::string& f : Files()) DeleteFileA(Path(f.c_str()).c_str());
  RemoveDirectoryA(dir_.c_str());
}

void DllTest::SetUp() { ImgSetDisplayMode(IMG_DISPLAY_QUICK); }

void DllTest::TearDown() {
  for (int32_t h = 0; h < 256; ++h) ImgFree(h);
  ImgSetProgressCallback(nullptr, nullptr, 0);
}
