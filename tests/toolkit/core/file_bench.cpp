// How fast the cached file layer serves the readers: byte-wise reading, and random jumps that
// stay within the 8 cached blocks against jumps all over a larger file (each a system read).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <string>

#include "toolkit/core/mem.h"

namespace {

std::string make_file(size_t blocks) {
  std::string path = "/tmp/vv_file_bench_" + std::to_string(blocks) + ".bin";
  std::ofstream out(path, std::ios::binary);
  std::string block(TK_FILE_BLOCK_SIZE, 'x');
  for (size_t i = 0; i < blocks; ++i) out << block;
  return path;
}

void BM_Getc(benchmark::State& state) {
  std::string path = make_file(64);
  TkFile* f = file_open(path.c_str());
  for (auto _ : state) {
    file_seek(f, 0, 0);
    int sum = 0;
    for (uint32_t i = 0; i < 64 * TK_FILE_BLOCK_SIZE; ++i) sum += file_getc(f);
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 64 * TK_FILE_BLOCK_SIZE);
  file_close(f);
  std::remove(path.c_str());
}
BENCHMARK(BM_Getc);

// Jumps to random offsets in a file of state.range(0) blocks, reading 16 bytes at each.
void BM_RandomAccess(benchmark::State& state) {
  size_t blocks = static_cast<size_t>(state.range(0));
  std::string path = make_file(blocks);
  TkFile* f = file_open(path.c_str());
  std::mt19937 rng(1);
  std::uniform_int_distribution<uint32_t> offset(0, static_cast<uint32_t>(blocks * TK_FILE_BLOCK_SIZE - 16));
  char buf[16];
  for (auto _ : state) {
    file_seek(f, offset(rng), 0);
    benchmark::DoNotOptimize(file_read(buf, 1, sizeof buf, f));
  }
  file_close(f);
  std::remove(path.c_str());
}
BENCHMARK(BM_RandomAccess)->Arg(8)->Arg(256);

}  // namespace

BENCHMARK_MAIN();
