// The toolkit's memory through a counter, for the benchmarks that report what a load or a save
// took at its peak: each block carries its size in front of it.
#pragma once

#include <cstddef>
#include <cstdlib>

namespace counting_alloc {

inline size_t live_bytes = 0;
inline size_t peak_bytes = 0;

inline void* sized_alloc(size_t n) {
  auto* p = static_cast<size_t*>(std::malloc(n + 16));
  if (!p) return nullptr;
  *p = n;
  live_bytes += n;
  if (live_bytes > peak_bytes) peak_bytes = live_bytes;
  return reinterpret_cast<char*>(p) + 16;
}

inline void sized_free(void* block) {
  if (!block) return;
  auto* p = reinterpret_cast<size_t*>(static_cast<char*>(block) - 16);
  live_bytes -= *p;
  std::free(p);
}

}  // namespace counting_alloc
