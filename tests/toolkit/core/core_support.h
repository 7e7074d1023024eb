// Test support for the toolkit's foundation: a counting allocator that can fail a chosen call,
// installed as the host layer, and init-data hooks that serve a byte vector (by default the
// generated init data), so start-up can be driven through every failure it can meet.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "toolkit/core/initdata.h"
#include "toolkit/core/mem.h"
#include "toolkit/core/state.h"

namespace core_test {

struct Counts {
  long calls = 0;     // allocations asked for
  long live = 0;      // allocated and not freed
  long fail_at = -1;  // this call number (0-based) fails; -1 none
};

inline Counts counts;

inline void* counting_alloc(size_t size) {
  long call = counts.calls++;
  if (call == counts.fail_at) return nullptr;
  void* p = std::malloc(size ? size : 1);
  if (p) ++counts.live;
  return p;
}

inline void counting_free(void* block) {
  if (!block) return;
  --counts.live;
  std::free(block);
}

inline void use_counting_allocator(long fail_at = -1) {
  counts = Counts{};
  counts.fail_at = fail_at;
  TkHostLayer layer{};
  layer.alloc = counting_alloc;
  layer.free = counting_free;
  tk_set_host_layer(&layer);
}

// The stream the init-data hooks serve.
inline std::vector<uint8_t> init_bytes;
inline size_t init_pos = 0;
inline bool init_opens = true;
inline size_t init_piece = 0;  // when not 0, the read hook hands out at most this many bytes

inline int16_t init_open() {
  init_pos = 0;
  return init_opens ? 1 : 0;
}
inline int init_getc() { return init_pos < init_bytes.size() ? init_bytes[init_pos++] : -1; }
inline size_t init_read(void* buffer, size_t n) {
  size_t left = init_bytes.size() - init_pos;
  if (n > left) n = left;
  if (init_piece && n > init_piece) n = init_piece;
  if (n) std::memcpy(buffer, init_bytes.data() + init_pos, n);
  init_pos += n;
  return n;
}
inline void init_close() {}

inline void serve_init_data(std::vector<uint8_t> bytes) {
  init_bytes = std::move(bytes);
  init_opens = true;
  init_piece = 0;
  tk_set_initdata_open_callback(init_open);
  tk_set_initdata_getc_callback(init_getc);
  tk_set_initdata_read_callback(init_read);
  tk_set_initdata_close_callback(init_close);
}

inline std::vector<uint8_t> builtin_init_data() {
  return std::vector<uint8_t>(tk_initdata_builtin, tk_initdata_builtin + tk_initdata_builtin_size);
}

// A started toolkit over the counting allocator; checks at the end that shutdown freed all.
class StartedToolkit : public ::testing::Test {
 protected:
  void SetUp() override {
    use_counting_allocator();
    serve_init_data(builtin_init_data());
    uint16_t status = 0;
    ASSERT_EQ(tk_init_core(nullptr, 1, &status), 1) << "status " << status;
  }
  void TearDown() override {
    tk_shutdown_core();
    EXPECT_EQ(counts.live, 0) << "blocks left allocated";
    tk_set_host_layer(nullptr);
  }
};

}  // namespace core_test
