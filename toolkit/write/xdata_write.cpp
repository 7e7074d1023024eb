// Extended-data item encoding. Every value is checked against its length byte and the room
// left before a byte is written.
#include "toolkit/write/xdata_write.h"

#include <cstring>
#include <initializer_list>

#include "toolkit/core/blob.h"
#include "toolkit/core/entity.h"

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

namespace {

void append_item(TkBlob* blob, bool* ok, uint16_t code, const void* value, uint16_t length) {
  TkXdataItem item{};
  item.code = code;
  item.length = length;
  std::memcpy(item.value, value, length);
  *ok = *ok && xdata_append_item(blob, &item) == 1;
}

}  // namespace

TkBlob* tk_viewport_mview_xdata(const TkHandle& acad, const TkEntityHeader& h,
                                const TkEntityData& data) {
  const TkEntityData* d = &data;
  TkBlob* made = blob_alloc(TK_BLOB_CHUNK_SIZE);
  TkBlob* blob = made ? blob_create(made) : nullptr;
  if (!blob) {
    blob_free(made);
    return nullptr;
  }
  bool ok = true;
  auto text = [&](uint16_t code, const char* s) {
    append_item(blob, &ok, code, s, uint16_t(std::strlen(s) + 1));
  };
  auto real = [&](double v) { append_item(blob, &ok, 1040, &v, 8); };
  auto word = [&](int v) {
    int16_t w = int16_t(v);
    append_item(blob, &ok, 1070, &w, 2);
  };
  auto point = [&](size_t at) {
    double p[3];
    for (int i = 0; i < 3; ++i) p[i] = tk_data_get<double>(d, at + 8 * size_t(i));
    append_item(blob, &ok, 1010, p, 24);
  };
  append_item(blob, &ok, 1001, acad.bytes, 8);
  text(1000, "MVIEW");
  text(1002, "{");
  word(16);
  point(712);
  point(736);
  for (size_t at :
       {size_t(760), size_t(768), size_t(776), size_t(784), size_t(792), size_t(800), size_t(808)})
    real(tk_data_get<double>(d, at));
  uint32_t status = tk_data_get<uint32_t>(d, TK_VIEWPORT_FLAGS);
  word(int(status & 0x1F));
  word(tk_data_get<int16_t>(d, 816));
  for (uint32_t bit : {0x80u, 0x20u, 0x100u, 0x200u, 0x400u}) word((status & bit) ? 1 : 0);
  word((status & 0x1000) ? 1 : (status & 0x2000) ? 2 : 0);
  real(tk_data_get<double>(d, 856));
  for (size_t at : {size_t(864), size_t(872), size_t(824), size_t(832), size_t(840), size_t(848)})
    real(tk_data_get<double>(d, at));
  word((status & 0x800) ? 1 : 0);
  text(1002, "{");
  {
    TkBlob* layers = tk_data_blob(d, TK_VIEWPORT_BLOB);
    TkBlob* r = layers ? blob_open_read(layers) : nullptr;
    uint32_t frozen = r ? tk_data_get<uint32_t>(d, TK_VIEWPORT_LAYER_COUNT) : 0;
    for (uint32_t i = 0; ok && i < frozen; ++i) {
      TkHandle layer{};
      if (!blob_read(r, layer.bytes, 8)) break;
      append_item(blob, &ok, 1003, layer.bytes, 8);
    }
    if (r) blob_close(r);
  }
  text(1002, "}");
  text(1002, "}");
  if (h.xdata) {
    TkBlob* r = blob_open_read(h.xdata);
    TkXdataItem item;
    while (ok && r && xdata_read_item(r, &item)) ok = xdata_append_item(blob, &item) == 1;
    if (r) blob_close(r);
  }
  if (!blob_close_write(blob)) ok = false;
  if (!ok) {
    blob_free(made);
    return nullptr;
  }
  return made;
}
