// Decoding the extended data of the bit-stream releases. The bytes come from a file: every length
// is checked against what is left of its application block before it is used, and an item that
// does not fit ends the data instead of being read past.
#include "toolkit/read/dwg13_xdata.h"

#include <cstring>

#include "toolkit/core/blob.h"
#include "toolkit/core/object.h"

namespace {

uint16_t get_u16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

// Fixed value sizes of the codes that have one; -1 for the counted ones, 0 for none.
int value_size(uint16_t code) {
  switch (code) {
    case 1002: return 1;
    case 1003:
    case 1005: return 8;
    case 1010:
    case 1011:
    case 1012:
    case 1013: return 24;
    case 1040:
    case 1041:
    case 1042: return 8;
    case 1070: return 2;
    case 1071: return 4;
    case 1000:
    case 1004: return -1;
    default: return 0;
  }
}

}  // namespace

void eed13_begin_read(Dwg13XdataReader* reader, const uint8_t* data, size_t length) {
  reader->data = data;
  reader->length = data ? length : 0;
  reader->position = 0;
  reader->block_left = 0;
}

int16_t eed13_read_item(Dwg13XdataReader* r, TkXdataItem* item) {
  std::memset(item, 0, sizeof *item);
  const uint8_t* p = r->data;
  size_t left = r->length - r->position;
  if (r->block_left == 0) {
    // A new application block: size, handle byte, handle.
    if (left < 3) return 0;
    uint16_t size = get_u16(p + r->position);
    if (size == 0) return 0;
    uint8_t counter = p[r->position + 2] & 0x0F;
    if (counter > 8 || left < 3u + counter + size) return 0;
    item->code = 1001;
    item->length = 8;
    std::memcpy(item->value + 8 - counter, p + r->position + 3, counter);
    r->position += 3u + counter;
    r->block_left = size;
    return 1;
  }

  const uint8_t* at = p + r->position;
  size_t block = r->block_left;
  uint16_t code = static_cast<uint16_t>(1000 + at[0]);
  size_t used = 1;
  item->code = code;
  int size = value_size(code);
  if (code == 1000) {
    // Length byte, the string's code page (2 bytes), the characters.
    if (block < 4 || block - 4 < at[1]) return 0;
    uint8_t n = at[1];
    std::memcpy(item->value, at + 4, n);
    item->value[n] = 0;
    item->length = n;
    used = 4u + n;
  } else if (code == 1004) {
    if (block < 2 || block - 2 < at[1]) return 0;
    uint8_t n = at[1];
    std::memcpy(item->value, at + 2, n);
    item->length = n;
    used = 2u + n;
  } else {
    if (block < 1u + static_cast<size_t>(size)) return 0;
    if (code == 1002) {
      item->value[0] = at[1] == 0 ? '{' : '}';
    } else {
      std::memcpy(item->value, at + 1, static_cast<size_t>(size));
    }
    item->length = static_cast<uint16_t>(size);
    used = 1u + static_cast<size_t>(size);
  }
  r->position += used;
  r->block_left -= used;
  return 1;
}

int16_t eed13_to_blob(const uint8_t* data, size_t length, TkBlob** out) {
  *out = nullptr;
  Dwg13XdataReader reader;
  eed13_begin_read(&reader, data, length);
  TkXdataItem item;
  if (!eed13_read_item(&reader, &item)) return 1;
  TkBlob* blob = blob_alloc(TK_BLOB_CHUNK_SIZE);
  TkBlob* w = blob ? blob_create(blob) : nullptr;
  bool ok = w != nullptr;
  do {
    ok = xdata_append_item(w, &item) != 0;
  } while (ok && eed13_read_item(&reader, &item));
  if (w && !blob_close_write(w)) ok = false;
  if (!ok) {
    blob_free(blob);
    return 0;
  }
  *out = blob;
  return 1;
}
