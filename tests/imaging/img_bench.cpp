// Speed and memory of the bitonal road on a generated A0 sheet at 400 dpi (13,250 x 18,700, G4,
// lines, circles and text like a drawing): load against libtiff's own decode of the same file,
// fit-to-screen views in each display mode, 1280 x 1024 windows at 100%, a quarter turn and a G4
// save. Before the benchmarks run, the peak memory of one load is measured and printed.
#include <benchmark/benchmark.h>
#include <tiffio.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "img_core.h"

namespace {

const int32_t kWidth = 13250, kHeight = 18700;

class Sheet {
 public:
  Sheet() {
    img_create(img, kWidth, kHeight, 1);
    img.dpi_x = img.dpi_y = 400;
    Draw();
  }
  ImgImage img;

 private:
  uint32_t seed_ = 20261210;
  int32_t Rand(int32_t n) {
    seed_ = seed_ * 1664525u + 1013904223u;
    return int32_t((seed_ >> 8) % uint32_t(n));
  }
  void Dot(int32_t x, int32_t y, int32_t t) {
    for (int32_t j = 0; j < t; ++j)
      for (int32_t i = 0; i < t; ++i) {
        int32_t px = x + i, py = y + j;
        if (px >= 0 && py >= 0 && px < kWidth && py < kHeight) img.row(py)[px >> 3] |= uint8_t(0x80 >> (px & 7));
      }
  }
  void Line(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t t) {
    int32_t dx = std::abs(x1 - x0), dy = std::abs(y1 - y0), n = dx > dy ? dx : dy;
    for (int32_t k = 0; k <= n; ++k)
      Dot(x0 + int32_t(int64_t(x1 - x0) * k / (n ? n : 1)), y0 + int32_t(int64_t(y1 - y0) * k / (n ? n : 1)), t);
  }
  void Circle(int32_t cx, int32_t cy, int32_t r, int32_t t) {
    int32_t steps = r * 7;
    for (int32_t k = 0; k < steps; ++k) {
      double a = 6.283185307179586 * k / steps;
      Dot(cx + int32_t(r * __builtin_cos(a)), cy + int32_t(r * __builtin_sin(a)), t);
    }
  }
  // Text: rows of 5 x 7 glyphs drawn at 4 pixels a dot (about 2 mm high at 400 dpi).
  void Text(int32_t x, int32_t y, int32_t chars, int32_t lines) {
    for (int32_t l = 0; l < lines; ++l)
      for (int32_t c = 0; c < chars; ++c) {
        if (Rand(7) == 0) continue;  // word gaps
        uint64_t glyph = (uint64_t(uint32_t(Rand(1 << 30))) << 5) ^ uint32_t(Rand(1 << 30));
        for (int32_t gy = 0; gy < 7; ++gy)
          for (int32_t gx = 0; gx < 5; ++gx)
            if ((glyph >> (gy * 5 + gx)) & 1 && Rand(3)) Dot(x + c * 24 + gx * 4, y + l * 44 + gy * 4, 4);
      }
  }
  void Draw() {
    for (int32_t b = 0; b < 4; ++b) {  // border and frame
      Line(200, 200 + b * 12, kWidth - 200, 200 + b * 12, 6);
      Line(200, kHeight - 200 - b * 12, kWidth - 200, kHeight - 200 - b * 12, 6);
      Line(200 + b * 12, 200, 200 + b * 12, kHeight - 200, 6);
      Line(kWidth - 200 - b * 12, 200, kWidth - 200 - b * 12, kHeight - 200, 6);
    }
    for (int32_t k = 0; k < 400; ++k) {  // construction lines, mostly axis-parallel
      int32_t x = 400 + Rand(kWidth - 800), y = 400 + Rand(kHeight - 800), len = 300 + Rand(5000);
      int32_t kind = Rand(5), t = 2 + Rand(5);
      if (kind < 2) Line(x, y, std::min(x + len, kWidth - 400), y, t);
      else if (kind < 4) Line(x, y, x, std::min(y + len, kHeight - 400), t);
      else Line(x, y, std::min(x + len, kWidth - 400), std::min(y + len / 2, kHeight - 400), t);
    }
    for (int32_t k = 0; k < 120; ++k) Circle(800 + Rand(kWidth - 1600), 800 + Rand(kHeight - 1600), 50 + Rand(700), 3);
    for (int32_t k = 0; k < 60; ++k) Text(500 + Rand(kWidth - 3000), 500 + Rand(kHeight - 1500), 30 + Rand(60), 1 + Rand(12));
    Text(kWidth - 4200, kHeight - 2400, 160, 45);  // title block
    for (int32_t k = 0; k < 40; ++k) {  // hatched areas
      int32_t x = 600 + Rand(kWidth - 3000), y = 600 + Rand(kHeight - 3000), size = 300 + Rand(1500);
      for (int32_t d = 0; d < 2 * size; d += 40) Line(x + std::max(0, d - size), y + std::min(d, size), x + std::min(d, size), y + std::max(0, d - size), 2);
    }
    for (int32_t k = 0; k < 300000; ++k) Dot(Rand(kWidth), Rand(kHeight), 1 + Rand(3));  // scanner specks
  }
};

struct Fixture {
  Fixture() {
    Sheet sheet;
    packed_bytes = sheet.img.stride * size_t(sheet.img.height);
    img_save_memory(sheet.img, IMG_FMT_TIFF_G4, g4);
    path = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + "/vv_bench_a0_g4.tif";
    img_save_file(sheet.img, path.c_str(), IMG_FMT_TIFF_G4);
    image = std::move(sheet.img);
  }
  ~Fixture() { std::remove(path.c_str()); }
  ImgImage image;
  std::vector<uint8_t> g4;
  std::string path;
  size_t packed_bytes = 0;
};

Fixture& F() {
  static Fixture f;
  return f;
}

void BM_LoadG4(benchmark::State& state) {
  for (auto _ : state) {
    ImgImage img;
    if (img_load_file(F().path.c_str(), 0, img, nullptr) != IMG_OK) state.SkipWithError("load failed");
    benchmark::DoNotOptimize(img.pixels.data());
  }
  state.counters["file_MB"] = double(F().g4.size()) / 1e6;
}
BENCHMARK(BM_LoadG4)->Unit(benchmark::kMillisecond);

// libtiff decoding the same file into one buffer, strip by strip: the yardstick for the load.
void BM_LibtiffDecodeG4(benchmark::State& state) {
  TIFFSetWarningHandler(nullptr);
  for (auto _ : state) {
    TIFF* t = TIFFOpen(F().path.c_str(), "r");
    std::vector<uint8_t> buf(size_t(TIFFStripSize(t)) * TIFFNumberOfStrips(t));
    size_t off = 0;
    for (uint32_t s = 0; s < TIFFNumberOfStrips(t); ++s) {
      tmsize_t n = TIFFReadEncodedStrip(t, s, buf.data() + off, -1);
      off += size_t(n > 0 ? n : 0);
    }
    TIFFClose(t);
    benchmark::DoNotOptimize(buf.data());
  }
}
BENCHMARK(BM_LibtiffDecodeG4)->Unit(benchmark::kMillisecond);

void BM_FitView(benchmark::State& state) {
  const ImgImage& img = F().image;
  // The whole sheet fitted into 1280 x 1024, aspect kept.
  double scale = std::min(1280.0 / img.width, 1024.0 / img.height);
  int32_t w = int32_t(img.width * scale), h = int32_t(img.height * scale);
  for (auto _ : state) {
    ImgViewBuffer v;
    img_render_view(img, ImgRect{0, 0, img.width, img.height}, w, h, ImgRect{0, 0, w, h}, int32_t(state.range(0)), v);
    benchmark::DoNotOptimize(v.pixels.data());
  }
  state.SetLabel(std::to_string(w) + "x" + std::to_string(h) + " mode " + std::to_string(state.range(0)));
}
BENCHMARK(BM_FitView)->Arg(IMG_VIEW_QUICK)->Arg(IMG_VIEW_ALIAS)->Arg(IMG_VIEW_GREY)->Unit(benchmark::kMillisecond);

void BM_Window100(benchmark::State& state) {
  const ImgImage& img = F().image;
  // Windows at 100% in several places of the sheet, as panning shows them.
  const ImgRect places[] = {{0, 0, 1280, 1024}, {6003, 9001, 1280, 1024}, {11970, 17676, 1280, 1024}, {777, 13333, 1280, 1024}};
  size_t k = 0;
  for (auto _ : state) {
    ImgViewBuffer v;
    img_render_view(img, places[k++ % 4], 1280, 1024, ImgRect{0, 0, 1280, 1024}, int32_t(state.range(0)), v);
    benchmark::DoNotOptimize(v.pixels.data());
  }
}
BENCHMARK(BM_Window100)->Arg(IMG_VIEW_QUICK)->Arg(IMG_VIEW_GREY)->Unit(benchmark::kMillisecond);

void BM_Rotate90(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    ImgImage img = F().image;
    state.ResumeTiming();
    img_rotate(img, 9000);
    benchmark::DoNotOptimize(img.pixels.data());
  }
}
BENCHMARK(BM_Rotate90)->Unit(benchmark::kMillisecond);

// A deskew by a small free angle: every pixel resampled onto a slightly larger canvas.
void BM_RotateDeskew(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    ImgImage img = F().image;
    state.ResumeTiming();
    img_rotate(img, 150);
    benchmark::DoNotOptimize(img.pixels.data());
  }
}
BENCHMARK(BM_RotateDeskew)->Unit(benchmark::kMillisecond);

void BM_SaveG4(benchmark::State& state) {
  for (auto _ : state) {
    std::vector<uint8_t> out;
    img_save_memory(F().image, IMG_FMT_TIFF_G4, out);
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_SaveG4)->Unit(benchmark::kMillisecond);

// Every format that holds a bitonal sheet of this size: a save and a load of the sheet, the
// file's size as a counter, to set each against TIFF G4.
const int32_t kBitonalFormats[] = {IMG_FMT_TIFF_G4, IMG_FMT_TIFF, IMG_FMT_TIFF_G3, IMG_FMT_TIFF_2D,
                                   IMG_FMT_TIFF_PACKBITS, IMG_FMT_TIFF_HUFFMAN, IMG_FMT_CALS, IMG_FMT_BMP,
                                   IMG_FMT_PCX, IMG_FMT_DCX, IMG_FMT_PNG, IMG_FMT_PSD, IMG_FMT_SUN,
                                   IMG_FMT_MSP, IMG_FMT_XBM, IMG_FMT_PICT, IMG_FMT_IFF, IMG_FMT_WMF,
                                   IMG_FMT_CLP, IMG_FMT_PDF, IMG_FMT_EPS, IMG_FMT_PCL, IMG_FMT_G4};

void BM_SaveBitonal(benchmark::State& state) {
  const int32_t format = int32_t(state.range(0));
  size_t size = 0;
  for (auto _ : state) {
    std::vector<uint8_t> out;
    if (img_save_memory(F().image, format, out) != IMG_OK) state.SkipWithError("save failed");
    size = out.size();
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["file_MB"] = double(size) / 1e6;
}

void BM_LoadBitonal(benchmark::State& state) {
  const int32_t format = int32_t(state.range(0));
  std::vector<uint8_t> file;
  if (img_save_memory(F().image, format, file) != IMG_OK) {
    state.SkipWithError("save failed");
    return;
  }
  for (auto _ : state) {
    ImgImage img;
    if (img_load_memory(file.data(), file.size(), 0, img, nullptr) != IMG_OK) state.SkipWithError("load failed");
    benchmark::DoNotOptimize(img.pixels.data());
  }
}

void BitonalFormats(benchmark::internal::Benchmark* b) {
  for (int32_t f : kBitonalFormats) b->Arg(f);
}
BENCHMARK(BM_SaveBitonal)->Apply(BitonalFormats)->Unit(benchmark::kMillisecond);
// Raw G4 states no size, so it is saved only; the others are read back.
BENCHMARK(BM_LoadBitonal)->Apply([](benchmark::internal::Benchmark* b) {
  for (int32_t f : kBitonalFormats)
    if (f != IMG_FMT_G4) b->Arg(f);
})->Unit(benchmark::kMillisecond);

long StatusKb(const char* key) {
  FILE* f = std::fopen("/proc/self/status", "r");
  if (!f) return -1;
  char line[256];
  long kb = -1;
  while (std::fgets(line, sizeof line, f))
    if (std::strncmp(line, key, std::strlen(key)) == 0) kb = std::strtol(line + std::strlen(key), nullptr, 10);
  std::fclose(f);
  return kb;
}

// Peak resident memory of one load of the file, above what the process held before it. Run in a
// fresh process (this program with --load-peak FILE) so no freed memory of the benchmarks' own
// set-up can be reused unseen.
int LoadPeak(const char* path) {
  long before = StatusKb("VmRSS:");
  ImgImage img;
  if (img_load_file(path, 0, img, nullptr) != IMG_OK) return 1;
  long peak = StatusKb("VmHWM:");
  double packed = double(img.stride) * img.height;
  std::printf("peak memory of a load: %.1f MB above the %.1f MB before it (%.2f x the packed image of %.1f MB)\n",
              (peak - before) / 1e3, before / 1e3, (peak - before) * 1e3 / packed, packed / 1e6);
  return 0;
}

void ReportLoadPeak(const char* self) {
  std::printf("A0 sheet %dx%d: G4 file %.2f MB\n", kWidth, kHeight, F().g4.size() / 1e6);
  std::fflush(stdout);
  std::string cmd = std::string(self) + " --load-peak " + F().path;
  if (std::system(cmd.c_str()) != 0) std::printf("peak memory of a load: not measured\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--load-peak") == 0) return LoadPeak(argv[2]);
  benchmark::Initialize(&argc, argv);
  ReportLoadPeak(argv[0]);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
