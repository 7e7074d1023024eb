// The engines the DXF record readers share: the reader's per-drawing state, position lists, the
// extended-data collector, reactor lists, and the record reader that stores groups into a record
// through its kind's group-code descriptor table. Which records are read when is the table,
// class and object readers' business.
#include <cstdio>
#include <cstring>

#include "toolkit/core/blob.h"
#include "toolkit/core/mem.h"
#include "toolkit/core/object.h"
#include "toolkit/core/state.h"
#include "toolkit/core/symtab.h"
#include "toolkit/read/dxf_reader.h"
#include "toolkit/write/bits_writer.h"

namespace {

void free_state(void* p) {
  auto* s = static_cast<DxfState*>(p);
  dxf_positions_free(&s->blocks);
  dxf_positions_free(&s->viewports);
  if (s->proxy_writer) bits_discard(s->proxy_writer);
  mem_free(s->proxy_writer);
  mem_free(s->block_names);
  mem_free(s->block_name_at);
  mem_free(s);
}

// The item's head in the stored extended-data form: code, length and four zero bytes.
bool xdata_put(DxfState* s, uint16_t code, const void* value, size_t n) {
  if (s->xdata_length + TK_XDATA_ITEM_HEAD + n > DXF_XDATA_CAPACITY) {
    s->xdata_overflow = 1;
    return false;
  }
  uint8_t* out = s->xdata + s->xdata_length;
  auto length = static_cast<uint16_t>(n);
  std::memset(out, 0, TK_XDATA_ITEM_HEAD);
  std::memcpy(out, &code, 2);
  std::memcpy(out + 2, &length, 2);
  if (n) std::memcpy(out + TK_XDATA_ITEM_HEAD, value, n);
  s->xdata_length += TK_XDATA_ITEM_HEAD + n;
  return true;
}

void store_by_type(DxfState* s, const TkGroupDesc* row, uint8_t* field) {
  const TkDxfGroup& g = s->group;
  switch (row->store) {
    case TK_GROUP_BYTE: field[0] = static_cast<uint8_t>(g.i16); break;
    case TK_GROUP_INT16:
      // A 32-bit group into a 16-bit field keeps its low 16 bits.
      if (g.code >= 90 && g.code <= 99) {
        auto v = static_cast<int16_t>(g.i32);
        std::memcpy(field, &v, 2);
      } else {
        std::memcpy(field, &g.i16, 2);
      }
      break;
    case TK_GROUP_DOUBLE:
      if (static_cast<size_t>(row->element) * 8 + 8 <= row->size)
        std::memcpy(field + 8 * row->element, &g.real, 8);
      break;
    case TK_GROUP_ANGLE: {
      double radians = g.real * 0.017453292519943295;
      std::memcpy(field, &radians, 8);
      break;
    }
    case TK_GROUP_TEXT:
    case TK_GROUP_NAME:
      dxf_copy_text(reinterpret_cast<char*>(field), row->size, s->text);
      break;
    case TK_GROUP_HANDLE: std::memcpy(field, g.handle.bytes, 8); break;
    case TK_GROUP_INT32: std::memcpy(field, &g.i32, 4); break;
    default: break;
  }
}

}  // namespace

DxfState* dxf_state(TkDrawing* drawing) {
  return drawing && drawing->reader_state_free == free_state
             ? static_cast<DxfState*>(drawing->reader_state)
             : nullptr;
}

DxfState* dxf_state_create(TkDrawing* drawing) {
  if (drawing->reader_state && drawing->reader_state_free)
    drawing->reader_state_free(drawing->reader_state);
  drawing->reader_state = nullptr;
  auto* s = static_cast<DxfState*>(mem_alloc(sizeof(DxfState)));
  if (!s) return nullptr;
  std::memset(s, 0, sizeof *s);
  s->drawing = drawing;
  s->file_length = drawing->file ? file_length(drawing->file) : 0;
  s->group.text = s->text;
  drawing->reader_state = s;
  drawing->reader_state_free = free_state;
  return s;
}

int16_t dxf_positions_add(DxfPositions* list, uint32_t position) {
  if (list->count == list->capacity) {
    uint32_t grown = list->capacity ? list->capacity * 2 : 256;
    if (grown < list->capacity) return 0;
    auto* items = static_cast<uint32_t*>(mem_alloc(sizeof(uint32_t) * grown));
    if (!items) return tk_fail_alloc(TK_ERR_DXF_TEMP_LIST);
    if (list->count) std::memcpy(items, list->items, sizeof(uint32_t) * list->count);
    mem_free(list->items);
    list->items = items;
    list->capacity = grown;
  }
  list->items[list->count++] = position;
  return 1;
}

void dxf_positions_free(DxfPositions* list) {
  mem_free(list->items);
  *list = DxfPositions{};
}

void dxf_xdata_reset(DxfState* s) {
  s->xdata_length = 0;
  s->xdata_overflow = 0;
}

int16_t dxf_read_xdata_group(DxfState* s) {
  const TkDxfGroup& g = s->group;
  uint16_t code = g.code;
  TkDrawing* d = s->drawing;
  switch (code) {
    case 1000:
    case 1003: {
      if (code == 1003) {
        // A layer named in extended data is kept as the layer's handle.
        TkHandle h{};
        tk_layer_find(d, s->text, &h);
        return xdata_put(s, code, h.bytes, 8);
      }
      size_t n = g.length < 255 ? g.length : 255;
      return xdata_put(s, code, s->text, n);
    }
    case 1001: {
      TkHandle h{};
      tk_appid_find(d, s->text, &h);
      return xdata_put(s, code, h.bytes, 8);
    }
    case 1002: {
      uint8_t v = s->text[0] == '{' ? 0 : 1;
      return xdata_put(s, code, &v, 1);
    }
    case 1004: {
      uint8_t bytes[255];
      size_t n = 0;
      if (d->file_kind == TK_FILE_BINARY_DXF) {
        n = g.length < sizeof bytes ? g.length : sizeof bytes;
        std::memcpy(bytes, s->text, n);
      } else {
        n = dxf_hex_to_bytes(s->text, bytes, sizeof bytes);
      }
      return xdata_put(s, code, bytes, n);
    }
    case 1005: return xdata_put(s, code, g.handle.bytes, 8);
    case 1070: return xdata_put(s, code, &g.i16, 2);
    case 1071: return xdata_put(s, code, &g.i32, 4);
    default: break;
  }
  if (code >= 1010 && code <= 1013) {
    double p[3];
    if (!dxf_read_point(s, p)) return 0;
    return xdata_put(s, code, p, sizeof p);
  }
  if (code >= 1040 && code <= 1042) return xdata_put(s, code, &g.real, 8);
  return 0;
}

TkBlob* dxf_xdata_blob(DxfState* s) {
  if (s->xdata_length == 0) return nullptr;
  TkBlob* blob = dxf_blob_for(s->xdata_length);
  if (!blob) return nullptr;
  TkBlob* w = blob_create(blob);
  bool ok = w && blob_write(w, s->xdata, s->xdata_length);
  if (w && !blob_close_write(w)) ok = false;
  if (!ok) {
    blob_free(blob);
    return nullptr;
  }
  return blob;
}

int16_t dxf_read_group_xdata(DxfState* s, uint8_t* has_xdata, uint32_t* position) {
  for (;;) {
    *position = dxf_tell(s);
    if (!dxf_read_group(s)) return 0;
    if (s->group.code < 1000) return 1;
    dxf_read_xdata_group(s);
    if (has_xdata) *has_xdata = 1;
    if (dxf_at_end(s)) return 1;
  }
}

int16_t dxf_read_point(DxfState* s, double point[3]) {
  const uint16_t x_code = s->group.code;
  point[0] = s->group.real;
  point[1] = point[2] = 0;
  for (int axis = 1; axis < 3; ++axis) {
    uint32_t position = dxf_tell(s);
    if (!dxf_read_group(s)) return 0;
    // A coordinate that is missing leaves the group that stands in its place to its reader;
    // in a damaged file that may be the next record's group 0.
    if (s->group.code != x_code + 10 * axis || dxf_at_end(s)) {
      dxf_seek(s, position);
      return 1;
    }
    point[axis] = s->group.real;
  }
  return 1;
}

int16_t dxf_read_reactors(DxfState* s, uint32_t* count, TkBlob** reactors) {
  blob_free(*reactors);
  *reactors = nullptr;
  *count = 0;
  TkBlob* blob = blob_alloc(TK_BLOB_CHUNK_SIZE);
  TkBlob* w = blob ? blob_create(blob) : nullptr;
  bool ok = w != nullptr;
  while (ok) {
    if (!dxf_read_group(s)) {
      ok = false;
      break;
    }
    if (s->group.code == 102 || s->group.code == 0 || dxf_at_end(s)) break;
    ok = blob_write(w, s->group.handle.bytes, 8) != 0;
    ++*count;
  }
  if (w && !blob_close_write(w)) ok = false;
  if (!ok) {
    blob_free(blob);
    *count = 0;
    return 0;
  }
  *reactors = blob;
  return 1;
}

void dxf_record_group(DxfState* s, const TkGroupTable* table, void* record) {
  const TkGroupDesc* row = tk_group_find(table, static_cast<int16_t>(s->group.code));
  if (!row) return;
  auto* field = static_cast<uint8_t*>(record) + row->offset;
  if (row->store == TK_GROUP_NAME && table == &tk_group_tables[TK_GROUPS_DIMSTYLE]) {
    // Older files name the arrow blocks; the field keeps the named block's handle.
    TkHandle h{};
    if (tk_find_record_by_name(s->drawing, s->text, &h) && row->size >= 8)
      std::memcpy(field, h.bytes, 8);
    else if (s->group.code >= 5 && s->group.code <= 7)
      dxf_copy_text(s->pending_arrows[s->group.code - 5], DXF_NAME_SIZE, s->text);
    return;
  }
  store_by_type(s, row, field);
}

int16_t dxf_read_table_record(DxfState* s, const TkGroupTable* table, void* record,
                              uint8_t* has_xdata, uint32_t* reactor_count, TkBlob** reactors,
                              TkHandle* owner) {
  if (has_xdata) *has_xdata = 0;
  for (;;) {
    if (!dxf_read_group(s)) return 0;
    if (dxf_text_is(s, table->kind) && s->group.code == 0) break;
    if (dxf_text_is(s, "ENDSEC") || dxf_at_end(s)) return 0;
  }
  const bool layer = table == &tk_group_tables[TK_GROUPS_LAYER];
  for (;;) {
    uint32_t position = dxf_tell(s);
    if (!dxf_read_group(s)) return 0;
    uint16_t code = s->group.code;
    if (code == 0 || dxf_at_end(s)) {
      if (code == 0) dxf_seek(s, position);
      return 1;
    }
    if (code == 102 && dxf_text_is(s, "{ACAD_REACTORS")) {
      uint32_t n = 0;
      TkBlob* blob = nullptr;
      if (!dxf_read_reactors(s, &n, &blob)) return 0;
      if (reactors && !*reactors) {
        *reactors = blob;
        *reactor_count = n;
      } else {
        blob_free(blob);
      }
      continue;
    }
    if (layer && code == 6) {
      dxf_copy_text(s->pending_layer_linetype, sizeof s->pending_layer_linetype, s->text);
      dxf_copy_text(tk_state->pending.linetype, sizeof tk_state->pending.linetype, s->text);
      continue;
    }
    if (code == 330 && owner) {
      *owner = s->group.handle;
      continue;
    }
    if (code >= 1000) {
      dxf_read_xdata_group(s);
      if (has_xdata) *has_xdata = 1;
      continue;
    }
    dxf_record_group(s, table, record);
  }
}

TkDate dxf_date(double value) {
  // Dates beyond any calendar are damage and read as day 0.
  TkDate date{0, 0};
  if (value > -2147483648.0 && value < 2147483648.0) {
    double whole = static_cast<double>(static_cast<int32_t>(value));
    date.day = static_cast<int32_t>(whole);
    // To the nearest millisecond: a cut-off one would lose a millisecond on every save.
    double msec = (value - whole) * 86400000.0;
    date.msec = static_cast<int32_t>(msec < 0 ? msec - 0.5 : msec + 0.5);
    if (date.msec >= 86400000 && date.day < 2147483647) date.msec -= 86400000, ++date.day;
  }
  return date;
}

size_t dxf_hex_to_bytes(const char* text, uint8_t* out, size_t capacity) {
  auto digit = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return 0;
  };
  size_t n = 0;
  while (text[0] && text[1] && n < capacity) {
    out[n++] = static_cast<uint8_t>(digit(text[0]) << 4 | digit(text[1]));
    text += 2;
  }
  return n;
}

int16_t dxf_read_preview(DxfState* s, TkBlob** out, uint32_t* bytes) {
  *out = nullptr;
  if (bytes) *bytes = 0;
  TkBlob* blob = blob_alloc(TK_BLOB_CHUNK_SIZE);
  TkBlob* w = blob ? blob_create(blob) : nullptr;
  bool ok = w != nullptr;
  uint32_t total = 0;
  for (;;) {
    uint32_t position = dxf_tell(s);
    if (!ok || !dxf_read_group(s)) {
      ok = false;
      break;
    }
    if (s->group.code != 310 || dxf_at_end(s)) {
      dxf_seek(s, position);
      break;
    }
    uint8_t chunk[1100];
    size_t n = dxf_hex_to_bytes(s->text, chunk, sizeof chunk);
    ok = blob_write(w, chunk, n) != 0;
    total += static_cast<uint32_t>(n);
  }
  if (w && !blob_close_write(w)) ok = false;
  if (!ok) {
    blob_free(blob);
    return 0;
  }
  *out = blob;
  if (bytes) *bytes = total;
  return 1;
}

TkBlob* dxf_blob_for(size_t bytes) {
  size_t chunk = bytes < 16 ? 16 : bytes;
  if (chunk > TK_BLOB_CHUNK_SIZE) chunk = TK_BLOB_CHUNK_SIZE;
  return blob_alloc(static_cast<int16_t>(chunk));
}

void dxf_copy_text(char* field, size_t size, const char* text) {
  if (size == 0) return;
  size_t n = strnlen(text, size - 1);
  std::memcpy(field, text, n);
  field[n] = 0;
}
