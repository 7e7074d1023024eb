// Test support for the record structures: a started toolkit (so failures leave their error
// numbers) over a counting allocator that can be told to fail, so each test can prove that a
// failed operation leaves its structure as it was and that nothing leaks.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "toolkit/core/initdata.h"
#include "toolkit/core/mem.h"
#include "toolkit/core/state.h"

namespace records_test {

struct Allocations {
  long calls = 0;     // allocations asked for so far
  long live = 0;      // allocated and not yet freed
  long fail_at = -1;  // the call number that fails; -1 for none
};

inline Allocations allocations;

inline void* counting_alloc(size_t size) {
  long call = allocations.calls++;
  if (call == allocations.fail_at) return nullptr;
  void* p = std::malloc(size ? size : 1);
  if (p) ++allocations.live;
  return p;
}

inline void counting_free(void* block) {
  if (!block) return;
  --allocations.live;
  std::free(block);
}

inline size_t init_pos = 0;
inline int16_t init_open() {
  init_pos = 0;
  return 1;
}
inline int init_getc() {
  return init_pos < tk_initdata_builtin_size ? tk_initdata_builtin[init_pos++] : -1;
}
inline size_t init_read(void* buffer, size_t n) {
  size_t left = tk_initdata_builtin_size - init_pos;
  if (n > left) n = left;
  std::memcpy(buffer, tk_initdata_builtin + init_pos, n);
  init_pos += n;
  return n;
}
inline void init_close() {}

// A started toolkit over the counting allocator; every test ends with nothing left allocated
// beyond what start-up itself holds.
class StartedToolkit : public ::testing::Test {
 protected:
  void SetUp() override {
    TkHostLayer layer{};
    layer.alloc = counting_alloc;
    layer.free = counting_free;
    tk_set_host_layer(&layer);
    allocations = Allocations{};
    tk_set_initdata_open_callback(init_open);
    tk_set_initdata_getc_callback(init_getc);
    tk_set_initdata_read_callback(init_read);
    tk_set_initdata_close_callback(init_close);
    uint16_t status = 0;
    ASSERT_EQ(tk_init_core(nullptr, 1, &status), 1) << "status " << status;
    started_live_ = allocations.live;
  }

  void TearDown() override {
    EXPECT_EQ(allocations.live, started_live_) << "blocks leaked by the test";
    tk_shutdown_core();
    EXPECT_EQ(allocations.live, 0);
    tk_set_host_layer(nullptr);
  }

  // Makes the n-th allocation from now fail (0 = the next one); -1 stops failing.
  static void fail_allocation(long n) { allocations.fail_at = n < 0 ? -1 : allocations.calls + n; }

  long started_live_ = 0;
};

}  // namespace records_test
