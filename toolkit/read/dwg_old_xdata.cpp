// Walking the extended data of AC1002 to AC1009 entity records: a type byte (the group code
// less 1000) and a value whose size the code gives. Every value is read only when the data
// still holds all of it.
#include "toolkit/read/dwg_old_xdata.h"

#include <cstring>

#include "toolkit/core/blob.h"
#include "toolkit/core/object.h"
#include "toolkit/read/dwg_old_file.h"

DwgOldXdata dwg_old_eed_begin_read(const uint8_t* data, size_t size) {
  return DwgOldXdata{data, size, 0, 0, 0};
}

int16_t dwg_old_eed_read_item(DwgOldXdata* r, TkXdataItem* item) {
  if (r->pos >= r->size) return 0;
  DwgOldCursor c = dwg_old_cursor(r->data, r->size);
  c.pos = r->pos;
  std::memset(item, 0, TK_XDATA_ITEM_HEAD);
  item->code = static_cast<uint16_t>(1000 + c.u8());
  item->length = 0;
  uint8_t* v = item->value;
  switch (item->code) {
    case 1000: {
      uint8_t n = c.u8();
      c.bytes(v, n);
      v[n] = 0;
      break;
    }
    case 1001:
    case 1003: {
      uint16_t number = c.u16();
      std::memset(v, 0, 8);
      std::memcpy(v, &number, 2);
      (item->code == 1001 ? r->appid : r->layer) = number;
      break;
    }
    case 1002: v[0] = c.u8() == 0 ? '{' : '}'; break;
    case 1004: {
      uint8_t n = c.u8();
      c.bytes(v, n);
      item->length = n;
      break;
    }
    case 1005: c.bytes(v, 8); break;
    case 1010:
    case 1011:
    case 1012:
    case 1013: {
      double p[3];
      c.point(p, 3);
      std::memcpy(v, p, sizeof p);
      break;
    }
    case 1040:
    case 1041:
    case 1042: {
      double d = c.rd();
      std::memcpy(v, &d, sizeof d);
      break;
    }
    case 1070: {
      int16_t s = c.i16();
      std::memcpy(v, &s, 2);
      break;
    }
    case 1071: {
      int32_t l = c.i32();
      std::memcpy(v, &l, 4);
      break;
    }
    default: break;
  }
  if (c.bad) {
    r->pos = r->size;
    return 0;
  }
  r->pos = c.pos;
  return 1;
}

TkBlob* dwg_old_eed_to_blob(const uint8_t* data, size_t size, bool* failed) {
  *failed = false;
  DwgOldXdata r = dwg_old_eed_begin_read(data, size);
  TkBlob* stored = nullptr;
  TkBlob* w = nullptr;
  bool ok = true;
  TkXdataItem item;
  while (ok && dwg_old_eed_read_item(&r, &item)) {
    if (!stored) {
      stored = blob_alloc(TK_BLOB_CHUNK_SIZE);
      w = stored ? blob_create(stored) : nullptr;
      if (!w) ok = false;
    }
    if (ok && !xdata_append_item(w, &item)) ok = false;
  }
  if (w && !blob_close_write(w)) ok = false;
  if (!ok) {
    blob_free(stored);
    *failed = true;
    return nullptr;
  }
  return stored;
}
