// Opening DWG files of AC1012 to AC1015: time and peak memory of the open (file header, header
// variables, preview, object map, control objects) followed by a pass that looks up every object
// of the map and reads the start of its frame, on the largest shared test file and on a built
// file with a large object map. Bytes per second count the whole file; the peak is the toolkit's
// largest live allocation total during one open, reported against the file size.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "dwg13_fixture.h"
#include "tests/support/TestData.h"
#include "tests/toolkit/core/load_support.h"
#include "toolkit/core/drawing_life.h"
#include "toolkit/core/hdr.h"
#include "toolkit/core/initdata.h"
#include "toolkit/read/bits_reader.h"
#include "toolkit/read/dwg13_file.h"

namespace {

size_t live = 0, peak = 0;
int64_t objects_read = 0;
void* peak_alloc(size_t size) {
  auto* p = static_cast<size_t*>(std::malloc(size + sizeof(size_t)));
  if (!p) return nullptr;
  *p = size;
  live += size;
  if (live > peak) peak = live;
  return p + 1;
}
void peak_free(void* block) {
  if (!block) return;
  size_t* p = static_cast<size_t*>(block) - 1;
  live -= *p;
  std::free(p);
}

size_t init_pos = 0;
int16_t init_open() { init_pos = 0; return 1; }
int init_getc() { return init_pos < tk_initdata_builtin_size ? tk_initdata_builtin[init_pos++] : -1; }
size_t init_read(void* buffer, size_t n) {
  size_t left = tk_initdata_builtin_size - init_pos;
  if (n > left) n = left;
  std::memcpy(buffer, tk_initdata_builtin + init_pos, n);
  init_pos += n;
  return n;
}
void init_close() {}

bool start() {
  tk_set_initdata_open_callback(init_open);
  tk_set_initdata_getc_callback(init_getc);
  tk_set_initdata_read_callback(init_read);
  tk_set_initdata_close_callback(init_close);
  load_test::use_memory_files(peak_alloc, peak_free);
  uint16_t status = 0;
  return tk_init_core(nullptr, 1, &status) == 1;
}

// One open and object pass; false when the file does not open.
bool open_and_walk(const char* name) {
  auto* d = static_cast<TkDrawing*>(mem_alloc(sizeof(TkDrawing)));
  std::memset(d, 0, sizeof *d);
  d->header = static_cast<TkHeader*>(mem_alloc(sizeof(TkHeader)));
  header_set_defaults(d->header);
  d->file = file_open(name);
  const std::vector<uint8_t>& bytes = load_test::mem_files[name];
  char v[7] = {0};
  std::memcpy(v, bytes.data(), 6);
  d->version = tk_version_from_string(v);
  bool ok = d->file && dwg_open_check(d) == 1;
  if (ok) {
    Dwg13File* f = dwg13_file(d);
    std::vector<TkHandle> handles(size_t(f->map_count));
    handles.resize(size_t(dwg13_map_handles(d, handles.data(), f->map_count)));
    for (TkHandle& h : handles) {
      if (dwg_objmap_seek(d, &h) && dwg13_open_object_window(d)) {
        ++objects_read;
        TkBitReader* b = f->bits;
        bits_read_short(b);
        if (d->version >= TK_VERSION_AC1015) bits_read_raw_long(b);
        bits_read_handle(b, &h);
      }
    }
  }
  if (d->file) file_close(d->file);
  d->file = nullptr;
  tk_close_drawing(d);
  return ok;
}

void run(benchmark::State& state, const char* name) {
  static bool started = start();
  if (!started) {
    state.SkipWithError("toolkit did not start");
    return;
  }
  size_t size = load_test::mem_files[name].size();
  for (auto _ : state) {
    objects_read = 0;
    peak = live;
    size_t base = live;
    if (!open_and_walk(name)) {
      state.SkipWithError("file did not open");
      return;
    }
    state.counters["peak_bytes"] = double(peak - base);
    state.counters["objects"] = double(objects_read);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(size));
  state.counters["peak_per_file_byte"] = state.counters["peak_bytes"] / double(size);
  state.counters["file_bytes"] = double(size);
}

void BM_LargestSharedFile(benchmark::State& state) {
  std::string best;
  std::vector<unsigned char> best_bytes;
  for (const std::string& name : vvtest::TestDataFiles("dwg")) {
    std::vector<unsigned char> bytes;
    if (name.size() < 4 || name.substr(name.size() - 4) != ".dwg" ||
        !vvtest::ReadWholeFile(vvtest::TestDataPath("dwg/" + name), bytes) || bytes.size() < 6)
      continue;
    std::string v(bytes.begin(), bytes.begin() + 6);
    if ((v == "AC1012" || v == "AC1014" || v == "AC1015") && bytes.size() > best_bytes.size())
      best = name, best_bytes = bytes;
  }
  if (best.empty()) {
    state.SkipWithError("shared test data not present");
    return;
  }
  state.SetLabel(best);
  load_test::mem_files["largest.dwg"].assign(best_bytes.begin(), best_bytes.end());
  run(state, "largest.dwg");
}
BENCHMARK(BM_LargestSharedFile)->Unit(benchmark::kMillisecond);

// A built file whose map names 300,000 objects over the ten control objects.
void BM_BuiltFileWithLargeMap(benchmark::State& state) {
  dwg13_fixture::Layout s;
  s.extra_map_entries = 300000;
  s.bmp = std::vector<uint8_t>(200000, 0x42);
  load_test::mem_files["built.dwg"] = dwg13_fixture::build(s);
  run(state, "built.dwg");
}
BENCHMARK(BM_BuiltFileWithLargeMap)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
