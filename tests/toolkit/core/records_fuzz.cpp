// Fuzzing the record structures' handling of untrusted bytes: handle text and compact handles
// as DXF and DWG input give them, and typed reads (strings with stored lengths above all) from a
// blob whose bytes come from a file. Every read must stay inside its buffers and the blob.
//   byte 0   chunk size of the blob (1 to 256)
//   byte 1   capacity of the string buffer (0 to 255)
//   rest     the text, the compact handles and the blob's bytes
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "toolkit/core/blob.h"
#include "toolkit/core/handle.h"

namespace {

void fuzz_handles(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  TkHandle h;
  int16_t n = tk_handle_from_hex(text.c_str(), &h);
  if (n > 8) __builtin_trap();
  char hex[TK_HANDLE_HEX_MAX + 1];
  handle_to_hex(&h, hex);
  TkHandle back;
  tk_handle_from_hex(hex, &back);
  if (memcmp(back.bytes, h.bytes, 8) != 0) __builtin_trap();

  for (size_t at = 0; at < size;) {
    size_t used = tk_handle_from_compact(data + at, size - at, &h);
    if (used == 0) break;
    uint8_t compact[9];
    if (tk_handle_to_compact(&h, compact) > used) __builtin_trap();
    at += used;
  }
}

void fuzz_blob(int16_t chunk, size_t capacity, const uint8_t* data, size_t size) {
  TkBlob* stored = blob_alloc(chunk);
  if (!stored) return;
  TkBlob* w = blob_create(stored);
  if (!w) {
    blob_free(stored);
    return;
  }
  blob_write(w, data, size);
  blob_close_write(w);

  TkBlob* r = blob_open_read(stored);
  if (r) {
    std::vector<char> text(capacity ? capacity : 1);
    for (int step = 0; step < 64; ++step) {
      int32_t before = blob_read_pos(r);
      uint8_t kind = 0;
      if (!blob_read_byte(r, &kind)) break;
      double point[3];
      TkHandle h;
      int16_t ok = 1;
      switch (kind % 5) {
        case 0: ok = blob_read_string(r, text.data(), capacity); break;
        case 1: ok = blob_read_point3(r, point); break;
        case 2: ok = blob_get_handle(r, &h); break;
        case 3: ok = blob_seek(r, int32_t(kind) * 7 % (int32_t(size) + 2)); break;
        case 4: ok = blob_unread_byte(r, kind); break;
      }
      if (kind % 5 == 0 && ok && strlen(text.data()) >= capacity) __builtin_trap();
      if (blob_read_pos(r) > blob_stored_size(stored)) __builtin_trap();
      if (!ok && blob_read_pos(r) == before) break;
    }
    blob_close(r);
  }
  TkBlob* copy = blob_alloc(chunk);
  if (copy) {
    blob_copy(copy, stored);
    if (blob_stored_size(copy) != blob_stored_size(stored)) __builtin_trap();
    blob_free(copy);
  }
  blob_free(stored);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  int16_t chunk = int16_t(1 + data[0]);
  size_t capacity = data[1];
  fuzz_handles(data + 2, size - 2);
  fuzz_blob(chunk, capacity, data + 2, size - 2);
  return 0;
}
