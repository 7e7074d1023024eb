// Fuzzing proxy-graphics reading from untrusted bytes: the walk over primitives, the meshes and
// shells behind them, and the extended-data and group items read from the same bytes. Every
// read must stay inside the blob, and everything allocated must be freed again.
//   byte 0   chunk size of the blob (1 to 256)
//   rest     the blob's bytes
#include <cstddef>
#include <cstdint>

#include "toolkit/core/blob.h"
#include "toolkit/core/object.h"
#include "toolkit/core/proxy.h"

namespace {

TkBlob* blob_with(int16_t chunk, const uint8_t* data, size_t size) {
  TkBlob* stored = blob_alloc(chunk);
  if (!stored) return nullptr;
  TkBlob* w = blob_create(stored);
  if (!w) {
    blob_free(stored);
    return nullptr;
  }
  blob_write(w, data, size);
  blob_close_write(w);
  return stored;
}

void walk_primitives(TkBlob* r) {
  if (!xd_skip_proxy_header(r)) return;
  ProxyPrimitive p;
  while (xd_read_proxy_primitive(r, &p)) {
    if (p.end > blob_length(r)) __builtin_trap();
    blob_free(p.image_data);
    if (p.type == TK_PROXY_MESH) {
      ProxyMesh m;
      if (xd_read_proxy_mesh(r, &p, &m)) xd_free_proxy_mesh(&m);
    } else if (p.type == TK_PROXY_SHELL) {
      ProxyShell s;
      if (xd_read_proxy_shell(r, &p, &s)) xd_free_proxy_shell(&s);
    }
    if (!blob_seek(r, p.end)) break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  auto chunk = int16_t(data[0] % 256 + 1);
  TkBlob* stored = blob_with(chunk, data + 1, size - 1);
  if (!stored) return 0;
  if (TkBlob* r = blob_open_read(stored)) {
    walk_primitives(r);
    blob_rewind(r);
    TkXdataItem item;
    while (xdata_read_item(r, &item)) {
    }
    blob_rewind(r);
    while (resbuf_read_item(r, &item)) {
    }
    blob_close(r);
  }
  blob_free(stored);
  return 0;
}
