// Extended-data item encoding. Every value is checked against its length byte and the room
// left before a byte is written.
#include "toolkit/write/xdata_write.h"

#include <cstring>

namespace {

struct Out {
  TkXdataBuffer* b;
  size_t at;
  bool put(const void* p, size_t n) {
    if (n > b->capacity - at) return false;
    std::memcpy(b->data + at, p, n);
    at += n;
    return true;
  }
  bool byte(uint8_t v) { return put(&v, 1); }
};

bool put_string(Out& o, const TkXdataTarget* t, const char* text, size_t n) {
  if (n > 255) return false;
  if (!t->dxf && t->version >= 5) {
    uint8_t head[3] = {uint8_t(n), 0, uint8_t(t->version == 5 ? 12 : 30)};
    return o.put(head, 3) && o.put(text, n);
  }
  return o.byte(uint8_t(n)) && o.put(text, n);
}

size_t text_length(const TkXdataItem* item) {
  return strnlen(reinterpret_cast<const char*>(item->value), sizeof item->value);
}

}  // namespace

void xdata_buffer_reset(TkXdataBuffer* buffer) { buffer->used = 0; }

int16_t xdata_serialize(TkXdataBuffer* buffer, const TkXdataTarget* t, const TkXdataItem* item) {
  Out o{buffer, buffer->used};
  const auto* text = reinterpret_cast<const char*>(item->value);
  bool ok = buffer->used <= buffer->capacity && o.byte(uint8_t(item->code + 24));
  bool dwg13 = !t->dxf && t->version >= 5;
  if (ok) {
    switch (item->code) {
      case 1000: ok = put_string(o, t, text, text_length(item)); break;
      case 1001:
        if (t->dxf) {
          const char* name = t->app_name ? t->app_name : "";
          ok = put_string(o, t, name, std::strlen(name));
        } else {
          ok = o.put(&t->app_number, 2);
        }
        break;
      case 1002: ok = o.byte(text[0] == '{' ? 0 : 1); break;
      case 1003:
        if (t->dxf) {
          const char* name = t->layer_name ? t->layer_name : "";
          ok = put_string(o, t, name, std::strlen(name));
        } else if (dwg13) {
          ok = o.put(item->value, 8);
        } else {
          ok = o.put(&t->layer_number, 2);
        }
        break;
      case 1004: ok = item->length <= 255 && o.byte(uint8_t(item->length)) &&
                      o.put(item->value, item->length);
        break;
      case 1005: ok = o.put(item->value, 8); break;
      case 1010: case 1011: case 1012: case 1013: ok = o.put(item->value, 24); break;
      case 1040: case 1041: case 1042: ok = o.put(item->value, 8); break;
      case 1070: ok = o.put(item->value, 2); break;
      case 1071: ok = o.put(item->value, 4); break;
      default: break;
    }
  }
  if (!ok) return tk_fail(TK_ERR_XDATA_WRITE);
  buffer->used = o.at;
  return 1;
}
