// Files and pages through the DLL, in the orders the application calls them: probe, page count,
// progress on, multi-page test, load, progress off, display mode, information; saves bracketed by
// begin and end; pages by path and by an open file handle.
#include <tiffio.h>

#include <cstdio>
#include <cstring>

#include "dll_fixture.h"

namespace {

class Files : public DllTest {
 protected:
  ScratchDir dir_;
};

// A 1-bit image of w x h with a diagonal and a frame.
int32_t Drawing(int32_t w, int32_t h) {
  return MakeBitonal(w, h, [=](int32_t x, int32_t y) {
    return x == 0 || y == 0 || x == w - 1 || y == h - 1 || x * h / w == y;
  });
}

// A TIFF of several bitonal pages written by libtiff itself: page i is 8 + 8i pixels wide.
void WriteMultiPageTiff(const std::string& path, int pages) {
  TIFF* tif = TIFFOpen(path.c_str(), "w");
  ASSERT_NE(tif, nullptr);
  for (int p = 0; p < pages; ++p) {
    uint32_t w = 8 + 8 * uint32_t(p), h = 4;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, w);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, h);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, h);
    TIFFSetField(tif, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
    TIFFSetField(tif, TIFFTAG_PAGENUMBER, uint16_t(p), uint16_t(pages));
    std::vector<uint8_t> row(w / 8, uint8_t(0x80 >> p));
    for (uint32_t y = 0; y < h; ++y) TIFFWriteScanline(tif, row.data(), y, 0);
    TIFFWriteDirectory(tif);
  }
  TIFFClose(tif);
}

void WriteText(const std::string& path, const char* text) {
  FILE* f = std::fopen(path.c_str(), "wb");
  std::fputs(text, f);
  std::fclose(f);
}

std::string ReadAll(const std::string& path) {
  std::string s;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return s;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
  std::fclose(f);
  return s;
}

struct ProgressLog {
  std::vector<int32_t> totals;
};

int32_t WINAPI RecordProgress(void* record, int32_t total) {
  static_cast<ProgressLog*>(record)->totals.push_back(total);
  return 0;
}

TEST_F(Files, LoadInfoDrawFreeInTheApplicationsOrder) {
  const std::string path = dir_.Path("sheet.tif");
  int32_t made = Drawing(640, 480);
  ASSERT_EQ(ImgBeginSave(made), 0);
  ASSERT_EQ(ImgSaveFile(made, path.c_str(), IMG_FMT_TIFF_G4), 0);
  ASSERT_EQ(ImgEndSave(made), 0);
  ImgFree(made);

  ProgressLog log;
  EXPECT_EQ(ImgGetFileFormat(path.c_str()), IMG_FMT_TIFF_G4);
  EXPECT_EQ(ImgGetPageCount(path.c_str()), 1);
  EXPECT_EQ(ImgSetProgressCallback(&log, RecordProgress, 1), 0);
  EXPECT_EQ(ImgIsMultiPage(path.c_str()), 0);
  int32_t image = ImgLoadFile(path.c_str());
  EXPECT_EQ(ImgSetProgressCallback(&log, RecordProgress, 0), 0);
  ASSERT_EQ(image, 0);
  EXPECT_EQ(ImgSetDisplayMode(IMG_DISPLAY_ALIAS), 0);
  ImgInfoBlock info;
  ASSERT_EQ(ImgGetInfo(image, &info), 0);
  EXPECT_EQ(info.width, 640);
  EXPECT_EQ(info.height, 480);
  EXPECT_EQ(info.bitsPerPixel, 1);

  // Progress: every call carries the same nonzero total of at most 100, and the calls reach it,
  // so the application's counter x 100 / total runs from 0 to 100.
  ASSERT_FALSE(log.totals.empty());
  for (int32_t t : log.totals) EXPECT_EQ(t, log.totals[0]);
  EXPECT_GT(log.totals[0], 0);
  EXPECT_LE(log.totals[0], 100);
  EXPECT_EQ(int32_t(log.totals.size()), log.totals[0]);

  Canvas canvas(64, 48);
  EXPECT_EQ(ImgSetRegion(image, 0, 0, 640, 480), 0);
  EXPECT_EQ(ImgSetupDcPalette(image, canvas.dc()), 0);
  EXPECT_EQ(ImgDrawToDc(image, canvas.dc(), 0, 0, 64, 48), 0);
  EXPECT_EQ(canvas.Pixel(0, 20), kBlack);   // the frame survives the 10x reduction
  EXPECT_EQ(canvas.Pixel(30, 30), kWhite);
  EXPECT_EQ(ImgFree(image), 0);

  // Removed: a load makes no calls.
  size_t calls = log.totals.size();
  image = ImgLoadFile(path.c_str());
  EXPECT_GE(image, 0);
  EXPECT_EQ(log.totals.size(), calls);
}

TEST_F(Files, SaveWritesTheRegionAndFailuresLeaveNothingBehind) {
  const std::string path = dir_.Path("part.bmp");
  int32_t image = MakeImage(20, 10, 24, {}, [](int32_t x, int32_t) { return x < 10 ? 0xFF0000u : 0x0000FFu; });
  ASSERT_EQ(ImgSetRegion(image, 10, 2, 10, 5), 0);
  ASSERT_EQ(ImgBeginSave(image), 0);
  EXPECT_EQ(ImgSaveFile(image, path.c_str(), IMG_FMT_BMP), 0);
  ASSERT_EQ(ImgEndSave(image), 0);
  int32_t back = ImgLoadFile(path.c_str());
  ASSERT_GE(back, 0);
  ImgInfoBlock info;
  ImgGetInfo(back, &info);
  EXPECT_EQ(info.width, 10);
  EXPECT_EQ(info.height, 5);
  for (uint32_t c : ReadPixels(back, 10, 5)) ASSERT_EQ(c, 0x0000FFu);

  // A format the library cannot write and a depth the format cannot hold: a clear error (the same
  // the question before a save gives), the
  // existing file untouched and no temporary file left beside it.
  const std::string before = ReadAll(path);
  struct Case {
    int32_t format;
    int32_t error;
  } const cases[] = {{IMG_FMT_KOFAX, IMG_ERR_UNDOCUMENTED}, {999, IMG_ERR_CANNOT_WRITE},
                     {IMG_FMT_TIFF_G4, IMG_ERR_DEPTH}, {IMG_FMT_CALS, IMG_ERR_DEPTH}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.format);
    ASSERT_EQ(ImgBeginSave(image), 0);
    EXPECT_EQ(ImgSaveFile(image, path.c_str(), c.format), c.error);
    EXPECT_EQ(ImgCanSave(c.format, 24), c.error);
    ASSERT_EQ(ImgEndSave(image), 0);
    EXPECT_EQ(ReadAll(path), before);
    EXPECT_EQ(dir_.Files(), std::vector<std::string>{"part.bmp"});
  }
  EXPECT_EQ(ImgSaveFile(image, nullptr, IMG_FMT_BMP), IMG_ERR_ARGUMENT);
  EXPECT_EQ(ImgSaveFile(image, dir_.Path("no\\such\\folder.bmp").c_str(), IMG_FMT_BMP), IMG_ERR_WRITE);
}

// A save over a file that another program holds open: the old file is replaced in one step or
// not at all. Deleting it first and then renaming the new one into place lost it whenever the
// rename failed, as it does while a reader that allows deletion keeps the old name alive.
TEST_F(Files, SaveOverAFileHeldOpenNeverLosesIt) {
  const std::string path = dir_.Path("held.tif");
  int32_t old_image = Drawing(40, 30), new_image = Drawing(64, 16);
  ASSERT_EQ(ImgSaveFile(old_image, path.c_str(), IMG_FMT_TIFF_G4), 0);
  const std::string old_bytes = ReadAll(path);
  const DWORD shares[] = {FILE_SHARE_READ, FILE_SHARE_READ | FILE_SHARE_DELETE};
  for (DWORD share : shares) {
    SCOPED_TRACE(share);
    HANDLE reader = CreateFileA(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    ASSERT_EQ(ImgBeginSave(new_image), 0);
    int32_t rc = ImgSaveFile(new_image, path.c_str(), IMG_FMT_TIFF_G4);
    ASSERT_EQ(ImgEndSave(new_image), 0);
    CloseHandle(reader);
    EXPECT_EQ(dir_.Files(), std::vector<std::string>{"held.tif"});
    int32_t back = ImgLoadFile(path.c_str());
    ASSERT_GE(back, 0) << "the file was lost; the save gave " << rc;
    ImgInfoBlock info;
    ImgGetInfo(back, &info);
    if (rc == 0) {
      EXPECT_EQ(info.width, 64);
    } else {
      EXPECT_EQ(rc, IMG_ERR_WRITE);
      EXPECT_EQ(ReadAll(path), old_bytes);
    }
    ImgFree(back);
    ASSERT_EQ(ImgSaveFile(old_image, path.c_str(), IMG_FMT_TIFF_G4), 0);
  }
}

// The raster printer's road: save an area as CALS, load it back, fit it to the paper, turn it and
// save it over the same file.
TEST_F(Files, AreaSavedAsCalsIsResizedRotatedAndSavedOverItself) {
  const std::string path = dir_.Path("VLR1.tmp");
  int32_t image = Drawing(400, 300);
  int32_t x, y, w, h;
  ASSERT_EQ(ImgGetRegion(image, &x, &y, &w, &h), 0);
  ASSERT_EQ(ImgSetRegion(image, 100, 50, 200, 100), 0);
  ASSERT_EQ(ImgBeginSave(image), 0);
  ASSERT_EQ(ImgSaveFile(image, path.c_str(), IMG_FMT_CALS), 0);
  ASSERT_EQ(ImgEndSave(image), 0);
  ASSERT_EQ(ImgSetRegion(image, x, y, w, h), 0);

  int32_t area = ImgLoadFile(path.c_str());
  ASSERT_GE(area, 0);
  ImgInfoBlock info;
  ImgGetInfo(area, &info);
  EXPECT_EQ(info.width, 200);
  EXPECT_EQ(info.height, 100);
  ASSERT_EQ(ImgResize(area, 100, 50), 0);
  ASSERT_EQ(ImgRotate(area, 9000), 0);
  ASSERT_EQ(ImgBeginSave(area), 0);
  ASSERT_EQ(ImgSaveFile(area, path.c_str(), IMG_FMT_CALS), 0);
  ASSERT_EQ(ImgEndSave(area), 0);
  ImgFree(area);

  EXPECT_EQ(ImgGetFileFormat(path.c_str()), IMG_FMT_CALS);
  int32_t again = ImgLoadFile(path.c_str());
  ASSERT_GE(again, 0);
  ImgGetInfo(again, &info);
  EXPECT_EQ(info.width, 50);
  EXPECT_EQ(info.height, 100);
  EXPECT_EQ(dir_.Files(), std::vector<std::string>{"VLR1.tmp"});
}

// Operations change the image behind the handle in place; a 32-bit image becomes 24-bit with the
// same colours.
TEST_F(Files, OperationsChangeTheImageBehindItsHandle) {
  int32_t image = MakeImage(3, 2, 24, {}, [](int32_t x, int32_t y) {
    return x == 0 && y == 0 ? 0xFF0000u : 0xFFFFFFu;
  });
  ASSERT_EQ(ImgRotate(image, 9000), 0);  // clockwise: the top-left corner goes to the top right
  EXPECT_EQ(ReadPixels(image, 2, 3), (std::vector<uint32_t>{kWhite, 0xFF0000, kWhite, kWhite, kWhite, kWhite}));
  ASSERT_EQ(ImgMirrorX(image), 0);
  EXPECT_EQ(ReadPixels(image, 2, 3)[0], 0xFF0000u);
  ASSERT_EQ(ImgMirrorY(image), 0);
  EXPECT_EQ(ReadPixels(image, 2, 3)[4], 0xFF0000u);
  ASSERT_EQ(ImgInvert(image), 0);
  EXPECT_EQ(ReadPixels(image, 2, 3)[4], 0x00FFFFu);
  EXPECT_EQ(ImgResize(image, 0, 5), IMG_ERR_ARGUMENT);
  ImgInfoBlock info;
  ImgGetInfo(image, &info);
  EXPECT_EQ(info.width, 2);

  HGLOBAL dib = MakePackedDib(2, 1, 24, {}, [](int32_t, int32_t) { return 0u; });
  // Widen the fixture to 32 bits per pixel: blue, green, red, alpha.
  std::vector<uint8_t> deep(sizeof(BITMAPINFOHEADER) + 8);
  std::memcpy(deep.data(), GlobalLock(dib), sizeof(BITMAPINFOHEADER));
  GlobalUnlock(dib);
  GlobalFree(dib);
  reinterpret_cast<BITMAPINFOHEADER*>(deep.data())->biBitCount = 32;
  const uint8_t px[8] = {0x30, 0x20, 0x10, 0xFF, 0x60, 0x50, 0x40, 0xFF};
  std::memcpy(deep.data() + sizeof(BITMAPINFOHEADER), px, 8);
  HGLOBAL block = GlobalAlloc(GMEM_FIXED, deep.size());
  std::memcpy(block, deep.data(), deep.size());
  int32_t wide = ImgFromPackedDib(block);
  GlobalFree(block);
  ASSERT_GE(wide, 0);
  ImgGetInfo(wide, &info);
  ASSERT_EQ(info.bitsPerPixel, 32);
  ASSERT_EQ(ImgReduceTo24Bpp(wide), 0);
  ImgGetInfo(wide, &info);
  EXPECT_EQ(info.bitsPerPixel, 24);
  EXPECT_EQ(ReadPixels(wide, 2, 1), (std::vector<uint32_t>{0x102030, 0x405060}));
}

TEST_F(Files, PagesByPathAndByOpenFile) {
  const std::string path = dir_.Path("pages.tif");
  WriteMultiPageTiff(path, 3);
  EXPECT_EQ(ImgGetPageCount(path.c_str()), 3);
  EXPECT_NE(ImgIsMultiPage(path.c_str()), 0);
  ImgInfoBlock info;
  for (int32_t page = 0; page < 3; ++page) {
    SCOPED_TRACE(page);
    int32_t image = ImgLoadPage(path.c_str(), page);
    ASSERT_GE(image, 0);
    ImgGetInfo(image, &info);
    EXPECT_EQ(info.width, 8 + 8 * page);
    ImgFree(image);
  }
  EXPECT_EQ(ImgLoadPage(path.c_str(), 3), IMG_ERR_NO_PAGE);
  EXPECT_EQ(ImgLoadPage(path.c_str(), -1), IMG_ERR_NO_PAGE);

  // The application opens the file with OpenFile and hands over its handle; the library reads
  // from the start wherever the file position is, and leaves the file open.
  OFSTRUCT of = {};
  HFILE file = OpenFile(path.c_str(), &of, OF_READ);
  ASSERT_NE(file, HFILE_ERROR);
  HANDLE h = reinterpret_cast<HANDLE>(static_cast<intptr_t>(file));
  SetFilePointer(h, 0, nullptr, FILE_END);
  int32_t image = ImgLoadFromHandle(file, 0, 1);
  ASSERT_GE(image, 0);
  ImgGetInfo(image, &info);
  EXPECT_EQ(info.width, 16);
  EXPECT_EQ(ImgLoadFromHandle(file, 0, 5), IMG_ERR_NO_PAGE);
  DWORD size = GetFileSize(h, nullptr);
  EXPECT_GT(size, 0u);
  EXPECT_NE(size, INVALID_FILE_SIZE);  // still open
  _lclose(file);
  EXPECT_EQ(ImgLoadFromHandle(HFILE_ERROR, 0, 0), IMG_ERR_OPEN);
}

TEST_F(Files, UnknownMissingAndDamagedFilesGiveErrors) {
  const std::string text = dir_.Path("notes.txt");
  WriteText(text, "not a raster, just words\r\n");
  const std::string missing = dir_.Path("missing.tif");
  const std::string cut = dir_.Path("cut.tif");
  {
    int32_t made = Drawing(300, 200);
    ASSERT_EQ(ImgSaveFile(made, cut.c_str(), IMG_FMT_TIFF_G4), 0);
    ImgFree(made);
    std::string bytes = ReadAll(cut);
    FILE* f = std::fopen(cut.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size() / 3, f);
    std::fclose(f);
  }
  EXPECT_EQ(ImgGetFileFormat(text.c_str()), IMG_ERR_UNKNOWN_FORMAT);
  EXPECT_EQ(ImgLoadFile(text.c_str()), IMG_ERR_UNKNOWN_FORMAT);
  EXPECT_EQ(ImgIsMultiPage(text.c_str()), 0);
  EXPECT_LT(ImgGetFileFormat(missing.c_str()), 0);
  EXPECT_EQ(ImgLoadFile(missing.c_str()), IMG_ERR_OPEN);
  EXPECT_LT(ImgGetPageCount(missing.c_str()), 0);
  EXPECT_EQ(ImgIsMultiPage(missing.c_str()), 0);
  EXPECT_LT(ImgLoadFile(cut.c_str()), 0);
  EXPECT_EQ(ImgLoadFile(nullptr), IMG_ERR_ARGUMENT);
  EXPECT_EQ(ImgGetFileFormat(nullptr), IMG_ERR_ARGUMENT);
  // Nothing was taken into the handle table by the failures.
  EXPECT_EQ(Drawing(4, 4), 0);
}

}  // namespace
