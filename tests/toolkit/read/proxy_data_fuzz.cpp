// Fuzz target of reading stored class data: any bytes as a blob, read as a walk of every field
// kind until the data runs out.
#include <cstddef>
#include <cstdint>

#include "toolkit/core/blob.h"
#include "toolkit/core/initdata.h"
#include "toolkit/core/state.h"
#include "toolkit/read/bits_reader.h"
#include "toolkit/read/proxy_data.h"

namespace {

size_t served = 0;
int16_t init_open() {
  served = 0;
  return 1;
}
int init_getc() { return served < tk_initdata_builtin_size ? tk_initdata_builtin[served++] : -1; }
size_t init_read(void* buffer, size_t n) {
  size_t left = tk_initdata_builtin_size - served;
  if (n > left) n = left;
  for (size_t i = 0; i < n; ++i) static_cast<uint8_t*>(buffer)[i] = tk_initdata_builtin[served++];
  return n;
}
void init_close() {}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!tk_state) {
    tk_set_initdata_open_callback(init_open);
    tk_set_initdata_getc_callback(init_getc);
    tk_set_initdata_read_callback(init_read);
    tk_set_initdata_close_callback(init_close);
    uint16_t status = 0;
    if (!tk_init_core(nullptr, 1, &status)) return 0;
  }
  TkBlob* blob = blob_alloc(TK_BLOB_CHUNK_SIZE);
  TkBlob* w = blob ? blob_create(blob) : nullptr;
  if (!w) return 0;
  blob_write(w, data, size);
  blob_close_write(w);
  TkBitReader* r = bits_reader_create();
  if (r && xd_open_proxy_data(r, blob)) {
    static char text[TK_PROXY_TEXT_MAX + 1];
    for (int i = 0; i < 4096 && !r->past_end; ++i) {
      TkHandle h;
      int32_t l;
      int16_t s;
      double d, p[3];
      switch (i % 6) {
        case 0: xd_read_text(r, text, sizeof text); break;
        case 1: xd_read_handle(r, &h); break;
        case 2: xd_read_long(r, &l); break;
        case 3: xd_read_short(r, &s); break;
        case 4: xd_read_double(r, &d); break;
        default: xd_read_point(r, p); break;
      }
    }
    xd_close_proxy_data(r);
  }
  bits_reader_free(r);
  blob_free(blob);
  return 0;
}
