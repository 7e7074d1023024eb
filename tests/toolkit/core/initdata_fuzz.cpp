// Fuzzing the init-data reader of start-up. Random bytes rarely get past the banner, so the
// input mostly damages the generated init data instead: the first byte chooses the mode.
//   0        the rest is the whole stream
//   other    the rest is a list of (u32 offset, u8 value) patches, and the patched data is cut
//            at the first patch's offset when the mode byte is odd
// Start-up must then either succeed and shut down, or fail with a status; never crash.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "toolkit/core/initdata.h"
#include "toolkit/core/state.h"

namespace {

std::vector<uint8_t> stream;
size_t pos = 0;

int16_t open_hook() {
  pos = 0;
  return 1;
}
int getc_hook() { return pos < stream.size() ? stream[pos++] : -1; }
size_t read_hook(void* buffer, size_t n) {
  size_t left = stream.size() - pos;
  if (n > left) n = left;
  if (n) std::memcpy(buffer, stream.data() + pos, n);
  pos += n;
  return n;
}
void close_hook() {}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  if (data[0] == 0) {
    stream.assign(data + 1, data + size);
  } else {
    stream.assign(tk_initdata_builtin, tk_initdata_builtin + tk_initdata_builtin_size);
    size_t cut = stream.size();
    for (size_t i = 1; i + 5 <= size; i += 5) {
      uint32_t at;
      std::memcpy(&at, data + i, 4);
      at %= static_cast<uint32_t>(stream.size());
      if (i == 1) cut = at;
      stream[at] = data[i + 4];
    }
    if (data[0] & 1) stream.resize(cut);
  }
  tk_set_initdata_open_callback(open_hook);
  tk_set_initdata_getc_callback(getc_hook);
  tk_set_initdata_read_callback(read_hook);
  tk_set_initdata_close_callback(close_hook);
  uint16_t status = 0;
  if (tk_init_core(nullptr, 1, &status)) tk_shutdown_core();
  return 0;
}
