// Proxy data reads: thin calls of the bit-stream reader over a blob source, which refills its
// window from the blob in bounded steps, so data of any length reads without a copy of it all.
#include "toolkit/read/proxy_data.h"

#include "toolkit/core/error.h"
#include "toolkit/core/object.h"
#include "toolkit/read/bits_reader.h"

int16_t xd_open_proxy_data(TkBitReader* reader, TkBlob* blob) {
  if (!blob) {
    bits_open_memory(reader, nullptr, 0);
    return tk_fail(TK_ERR_READ_NULL_BLOB);
  }
  return bits_open_blob(reader, blob);
}

void xd_close_proxy_data(TkBitReader* reader) { bits_open_memory(reader, nullptr, 0); }

int16_t xd_read_text(TkBitReader* reader, char* out, uint16_t capacity) {
  if (capacity == 0) return 0;
  if (capacity > TK_PROXY_TEXT_MAX + 1) capacity = TK_PROXY_TEXT_MAX + 1;
  if (bits_read_text(reader, out, capacity)) return 1;
  out[0] = 0;
  return 0;
}

int16_t xd_read_handle(TkBitReader* reader, TkHandle* out) {
  bits_read_handle(reader, out);
  return 1;
}

int16_t xd_read_long(TkBitReader* reader, int32_t* out) {
  *out = bits_read_long(reader);
  return 1;
}

int16_t xd_read_short(TkBitReader* reader, int16_t* out) {
  *out = bits_read_short(reader);
  return 1;
}

int16_t xd_read_double(TkBitReader* reader, double* out) {
  *out = bits_read_double(reader);
  return 1;
}

int16_t xd_read_point(TkBitReader* reader, double out[3]) {
  bits_read_3bd(reader, out);
  return 1;
}
