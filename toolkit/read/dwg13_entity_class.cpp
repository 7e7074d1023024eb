// The bodies of the class-registered entities of the bit-stream releases (LWPOLYLINE, HATCH,
// IMAGE, WIPEOUT, OLE2FRAME, RTEXT, ARCALIGNEDTEXT) and of proxies and classes the toolkit does
// not know, which keep their data raw. The class numbers of the drawing say which is which.
#include <cstring>
#include <initializer_list>

#include "toolkit/core/blob.h"
#include "toolkit/core/class_list.h"
#include "toolkit/core/drawing.h"
#include "toolkit/core/entity.h"
#include "toolkit/core/load.h"
#include "toolkit/core/load_entities.h"
#include "toolkit/core/mem.h"
#include "toolkit/core/state.h"
#include "toolkit/read/bits_reader.h"
#include "toolkit/read/dwg13_entity.h"
#include "toolkit/read/dwg13_entity_class.h"
#include "toolkit/read/dwg13_file.h"
#include "toolkit/read/dwg13_object.h"

namespace {

bool count_fits(TkBitReader* r, uint32_t count, uint32_t bits_each) {
  return count <= dwg13_object_bits_left(r) / bits_each;
}

void put_h(TkBitReader* r, TkEntityData* data, size_t at) {
  TkHandle h;
  bits_read_handle(r, &h);
  tk_data_put(data, at, h);
}

// A blob writer that frees its blob when it is not handed on.
struct BlobOut {
  TkBlob* blob = nullptr;
  TkBlob* w = nullptr;
  bool ok = false;
  BlobOut() {
    blob = blob_alloc(TK_BLOB_CHUNK_SIZE);
    w = blob ? blob_create(blob) : nullptr;
    ok = w != nullptr;
  }
  TkBlob* finish() {
    if (w && !blob_close_write(w)) ok = false;
    w = nullptr;
    if (!ok) {
      blob_free(blob);
      blob = nullptr;
    }
    TkBlob* out = blob;
    blob = nullptr;
    return out;
  }
  ~BlobOut() {
    if (w) blob_close_write(w);
    blob_free(blob);
  }
  void d(double v) { ok = ok && blob_write_double(w, v); }
  void u32(uint32_t v) { ok = ok && blob_write(w, &v, 4); }
  void u8(uint8_t v) { ok = ok && blob_write_byte(w, v); }
  void i16(int16_t v) { ok = ok && blob_write(w, &v, 2); }
  void p2(TkBitReader* r) {
    double p[2];
    bits_read_2rd(r, p);
    ok = ok && blob_write_point2(w, p);
  }
};

int16_t read_lwpolyline(TkDrawing* d, TkEntityHeader* h, TkEntityData* data) {
  TkBitReader* r = dwg13_bits(d);
  bool r15 = d->version >= TK_VERSION_AC1015;
  uint16_t flags = static_cast<uint16_t>(bits_read_short(r));
  if (flags & TK_LWPL_CONSTANT_WIDTH) tk_data_put(data, TK_LWPOLYLINE_WIDTH, bits_read_double(r));
  if (flags & TK_LWPL_ELEVATION) tk_data_put(data, TK_LWPOLYLINE_ELEVATION, bits_read_double(r));
  if (flags & TK_LWPL_THICKNESS) h->thickness = bits_read_double(r);
  if (flags & TK_LWPL_EXTRUDED) dwg_read_extrusion13(r, h->extrusion);
  uint32_t points = static_cast<uint32_t>(bits_read_long(r));
  uint32_t bulges = (flags & TK_LWPL_BULGES) ? static_cast<uint32_t>(bits_read_long(r)) : 0;
  uint32_t widths = (flags & TK_LWPL_WIDTHS) ? static_cast<uint32_t>(bits_read_long(r)) : 0;
  if (!count_fits(r, points, 4) || !count_fits(r, bulges, 2) || !count_fits(r, widths, 4)) {
    points = bulges = widths = 0;
  }
  tk_data_put(data, TK_LWPOLYLINE_FLAGS, flags);
  tk_data_put(data, TK_LWPOLYLINE_COUNT, points);
  // The stream gives all points, then all bulges, then all widths; a vertex keeps its own
  // together, so the values wait in temporary storage first.
  size_t per_vertex = 2 + (bulges ? 1 : 0) + (widths ? 2 : 0);
  double* values = nullptr;
  if (points > 0) {
    values = static_cast<double*>(mem_alloc(sizeof(double) * per_vertex * points));
    if (!values) {
      tk_fail_alloc(224);
      if (tk_state->error_callback) tk_state->error_callback(2);
      return 0;
    }
    std::memset(values, 0, sizeof(double) * per_vertex * points);
  }
  double prev[2] = {0, 0};
  for (uint32_t i = 0; i < points; ++i) {
    double p[2];
    if (r15 && i > 0) {
      p[0] = bits_read_default_double(r, prev[0]);
      p[1] = bits_read_default_double(r, prev[1]);
    } else {
      bits_read_2rd(r, p);
    }
    values[i * per_vertex] = p[0];
    values[i * per_vertex + 1] = p[1];
    prev[0] = p[0];
    prev[1] = p[1];
  }
  for (uint32_t i = 0; i < bulges; ++i) {
    double bulge = bits_read_double(r);
    if (i < points) values[i * per_vertex + 2] = bulge;
  }
  size_t width_at = bulges ? 3 : 2;
  for (uint32_t i = 0; i < widths; ++i) {
    double start = bits_read_double(r), end = bits_read_double(r);
    if (i < points) {
      values[i * per_vertex + width_at] = start;
      values[i * per_vertex + width_at + 1] = end;
    }
  }
  // Flags say what each stored vertex holds; they follow what the stream gave.
  if (!bulges) flags &= static_cast<uint16_t>(~TK_LWPL_BULGES);
  if (!widths) flags &= static_cast<uint16_t>(~TK_LWPL_WIDTHS);
  tk_data_put(data, TK_LWPOLYLINE_FLAGS, flags);
  BlobOut out;
  for (uint32_t i = 0; i < points && out.ok; ++i)
    out.ok = blob_write(out.w, values + i * per_vertex, per_vertex * sizeof(double)) != 0;
  mem_free(values);
  TkBlob* blob = out.finish();
  if (!blob) return 0;
  tk_data_put(data, TK_LWPOLYLINE_VERTICES, blob);
  return dwg_read_entity_common(d, h);
}

int16_t read_hatch(TkDrawing* d, TkEntityHeader* h, TkEntityData* data) {
  // The record's layout is the core's, which the DXF reader fills as well.
  TkBitReader* r = dwg13_bits(d);
  tk_data_put(data, TK_HATCH_ELEVATION + 16, bits_read_double(r));
  dwg_read_extrusion13(r, h->extrusion);
  bits_read_text(r, tk_data_text(data, TK_HATCH_PATTERN), TK_HATCH_PATTERN_SIZE);
  uint8_t solid = bits_read_bit(r);
  tk_data_put(data, TK_HATCH_SOLID, static_cast<int16_t>(solid));
  tk_data_put(data, TK_HATCH_ASSOCIATIVE, static_cast<int16_t>(bits_read_bit(r)));
  uint32_t paths = static_cast<uint32_t>(bits_read_long(r));
  if (!count_fits(r, paths, 8)) paths = 0;
  tk_data_put(data, TK_HATCH_PATH_COUNT, paths);

  BlobOut loops;
  bool pixel_size = false;
  uint32_t boundary_total = 0;
  for (uint32_t i = 0; i < paths && loops.ok; ++i) {
    uint32_t flags = static_cast<uint32_t>(bits_read_long(r));
    loops.u32(flags);
    if (flags & 4) pixel_size = true;
    if (flags & 2) {
      uint8_t bulges = bits_read_bit(r);
      loops.i16(bulges);
      loops.i16(bits_read_bit(r));
      uint32_t n = static_cast<uint32_t>(bits_read_long(r));
      if (!count_fits(r, n, 4)) n = 0;
      loops.u32(n);
      for (uint32_t k = 0; k < n && loops.ok; ++k) {
        loops.p2(r);
        if (bulges) loops.d(bits_read_double(r));
      }
    } else {
      uint32_t n = static_cast<uint32_t>(bits_read_long(r));
      if (!count_fits(r, n, 8)) n = 0;
      loops.u32(n);
      for (uint32_t k = 0; k < n && loops.ok; ++k) {
        uint8_t type = bits_read_char(r);
        loops.i16(type);
        switch (type) {
          case 1: loops.p2(r); loops.p2(r); break;
          case 2:
            loops.p2(r);
            for (int j = 0; j < 3; ++j) loops.d(bits_read_double(r));
            loops.i16(bits_read_bit(r));
            break;
          case 3:
            loops.p2(r);
            loops.p2(r);
            for (int j = 0; j < 3; ++j) loops.d(bits_read_double(r));
            loops.i16(bits_read_bit(r));
            break;
          case 4: {
            loops.u32(static_cast<uint32_t>(bits_read_long(r)));
            uint8_t rational = bits_read_bit(r);
            loops.i16(rational);
            loops.i16(bits_read_bit(r));
            uint32_t knots = static_cast<uint32_t>(bits_read_long(r));
            uint32_t controls = static_cast<uint32_t>(bits_read_long(r));
            if (!count_fits(r, knots, 2) || !count_fits(r, controls, 4)) knots = controls = 0;
            loops.u32(knots);
            loops.u32(controls);
            for (uint32_t j = 0; j < knots; ++j) loops.d(bits_read_double(r));
            for (uint32_t j = 0; j < controls && loops.ok; ++j) {
              loops.p2(r);
              if (rational) loops.d(bits_read_double(r));
            }
            break;
          }
          default:
            // An unknown segment type has no known length: the rest of the path cannot be read.
            loops.ok = false;
            break;
        }
      }
    }
    uint32_t boundary = static_cast<uint32_t>(bits_read_long(r));
    loops.u32(boundary);
    boundary_total += boundary;
  }
  if (!loops.ok) return 0;
  TkBlob* loop_blob = loops.finish();
  if (!loop_blob) return 0;
  tk_data_put(data, TK_HATCH_PATHS, loop_blob);
  if (pixel_size) data->bytes[TK_HATCH_DERIVED] = 1;

  tk_data_put(data, TK_HATCH_STYLE, static_cast<int16_t>(bits_read_short(r)));
  tk_data_put(data, TK_HATCH_PATTERN_TYPE, static_cast<int16_t>(bits_read_short(r)));
  if (!solid) {
    tk_data_put(data, TK_HATCH_ANGLE, bits_read_double(r));
    tk_data_put(data, TK_HATCH_SCALE, bits_read_double(r));
    tk_data_put(data, TK_HATCH_DOUBLE, static_cast<int16_t>(bits_read_bit(r)));
    uint16_t lines = static_cast<uint16_t>(bits_read_short(r));
    if (!count_fits(r, lines, 10) || lines > 0x7FFF) lines = 0;
    tk_data_put(data, TK_HATCH_LINE_COUNT, static_cast<int16_t>(lines));
    BlobOut out;
    for (uint16_t i = 0; i < lines && out.ok; ++i) {
      for (int k = 0; k < 5; ++k) out.d(bits_read_double(r));
      uint16_t dashes = static_cast<uint16_t>(bits_read_short(r));
      if (!count_fits(r, dashes, 2) || dashes > 0x7FFF) dashes = 0;
      out.i16(static_cast<int16_t>(dashes));
      for (uint16_t k = 0; k < dashes; ++k) out.d(bits_read_double(r));
    }
    TkBlob* line_blob = lines ? out.finish() : nullptr;
    if (lines && !line_blob) return 0;
    tk_data_put(data, TK_HATCH_LINES, line_blob);
  }
  if (pixel_size) tk_data_put(data, TK_HATCH_PIXEL_SIZE, bits_read_double(r));
  uint32_t seeds = static_cast<uint32_t>(bits_read_long(r));
  if (!count_fits(r, seeds, 4)) seeds = 0;
  tk_data_put(data, TK_HATCH_SEED_COUNT, seeds);
  if (seeds) {
    BlobOut out;
    for (uint32_t i = 0; i < seeds && out.ok; ++i) out.p2(r);
    TkBlob* seed_blob = out.finish();
    if (!seed_blob) return 0;
    tk_data_put(data, TK_HATCH_SEEDS, seed_blob);
  }
  if (!dwg_read_entity_common(d, h)) return 0;
  if (!count_fits(r, boundary_total, 8)) boundary_total = 0;
  tk_data_put(data, TK_HATCH_SOURCE_COUNT, boundary_total);
  if (boundary_total) {
    TkBlob* handles = nullptr;
    if (!dwg_read_reactors(r, boundary_total, &handles)) return 0;
    tk_data_put(data, TK_HATCH_SOURCES, handles);
  }
  return 1;
}

int16_t read_image(TkDrawing* d, TkEntityHeader* h, TkEntityData* data, bool image) {
  TkBitReader* r = dwg13_bits(d);
  tk_data_put(data, DWG13_IMAGE_VERSION, static_cast<uint32_t>(bits_read_long(r)));
  double p[3];
  for (size_t at : {DWG13_IMAGE_INSERTION, DWG13_IMAGE_U, DWG13_IMAGE_V}) {
    bits_read_3bd(r, p);
    for (int i = 0; i < 3; ++i) tk_data_put(data, at + 8 * static_cast<size_t>(i), p[i]);
  }
  double size[2];
  bits_read_2rd(r, size);
  tk_data_put(data, DWG13_IMAGE_SIZE, size[0]);
  tk_data_put(data, DWG13_IMAGE_SIZE + 8, size[1]);
  tk_data_put(data, DWG13_IMAGE_DISPLAY, static_cast<int16_t>(bits_read_short(r)));
  tk_data_put(data, DWG13_IMAGE_CLIPPING, static_cast<uint8_t>(bits_read_bit(r)));
  tk_data_put(data, DWG13_IMAGE_BRIGHTNESS, bits_read_char(r));
  tk_data_put(data, DWG13_IMAGE_CONTRAST, bits_read_char(r));
  tk_data_put(data, DWG13_IMAGE_FADE, bits_read_char(r));
  int16_t clip = bits_read_short(r);
  tk_data_put(data, DWG13_IMAGE_CLIP_TYPE, clip);
  uint32_t n = clip == 1 ? 2 : static_cast<uint32_t>(bits_read_long(r));
  if (!count_fits(r, n, 4)) n = 0;
  tk_data_put(data, DWG13_IMAGE_CLIP_COUNT, n);
  if (n) {
    BlobOut out;
    for (uint32_t i = 0; i < n && out.ok; ++i) out.p2(r);
    TkBlob* blob = out.finish();
    if (!blob) return 0;
    tk_data_put(data, DWG13_IMAGE_CLIP, blob);
  }
  if (!dwg_read_entity_common(d, h)) return 0;
  put_h(r, data, DWG13_IMAGE_DEFINITION);
  if (image) put_h(r, data, DWG13_IMAGE_REACTOR);
  return 1;
}

int16_t read_ole2frame(TkDrawing* d, TkEntityHeader* h, TkEntityData* data) {
  TkBitReader* r = dwg13_bits(d);
  bool r15 = d->version >= TK_VERSION_AC1015;
  tk_data_put(data, DWG13_OLE_FLAGS, static_cast<int16_t>(bits_read_short(r)));
  tk_data_put(data, DWG13_OLE_MODE, static_cast<int16_t>(r15 ? bits_read_short(r) : 0));
  uint32_t length = static_cast<uint32_t>(bits_read_long(r));
  if (!count_fits(r, length, 8)) length = 0;
  tk_data_put(data, DWG13_OLE_LENGTH, length);
  auto* piece = static_cast<uint8_t*>(mem_alloc(4096));
  if (!piece) {
    tk_fail_alloc(208);
    if (tk_state->error_callback) tk_state->error_callback(2);
    return 0;
  }
  BlobOut out;
  bool first = true;
  for (uint32_t left = length; left > 0 && out.ok;) {
    uint32_t step = left < 4096 ? left : 4096;
    bits_read_bytes(r, piece, step);
    if (first && step >= 74) {
      std::memcpy(data->bytes + DWG13_OLE_CORNER1, piece + 2, 24);
      std::memcpy(data->bytes + DWG13_OLE_CORNER2, piece + 50, 24);
    }
    first = false;
    out.ok = blob_write(out.w, piece, step) != 0;
    left -= step;
  }
  mem_free(piece);
  TkBlob* blob = out.finish();
  if (!blob) return 0;
  tk_data_put(data, DWG13_OLE_DATA, blob);
  tk_data_put(data, DWG13_OLE_TRAILER, static_cast<uint8_t>(r15 ? bits_read_char(r) : 1));
  return dwg_read_entity_common(d, h);
}

int16_t read_rtext(TkDrawing* d, TkEntityHeader* h, TkEntityData* data) {
  TkBitReader* r = dwg13_bits(d);
  double p[3];
  bits_read_3bd(r, p);
  for (int i = 0; i < 3; ++i) tk_data_put(data, DWG13_RTEXT_INSERTION + 8 * static_cast<size_t>(i), p[i]);
  bits_read_3bd(r, h->extrusion);
  tk_data_put(data, DWG13_RTEXT_ROTATION, bits_read_double(r));
  tk_data_put(data, DWG13_RTEXT_HEIGHT, bits_read_double(r));
  tk_data_put(data, DWG13_RTEXT_FLAGS, static_cast<int16_t>(bits_read_short(r)));
  bits_read_text(r, tk_data_text(data, DWG13_RTEXT_CONTENTS), 1016);
  if (!dwg_read_entity_common(d, h)) return 0;
  put_h(r, data, DWG13_RTEXT_STYLE);
  return 1;
}

int16_t read_arcalignedtext(TkDrawing* d, TkEntityHeader* h, TkEntityData* data) {
  TkBitReader* r = dwg13_bits(d);
  char scratch[1024];
  for (int i = 0; i < 3; ++i) bits_read_text(r, scratch, sizeof scratch);
  bits_read_text(r, scratch, sizeof scratch);  // font name
  bits_read_text(r, tk_data_text(data, DWG13_ARCTEXT_TEXT1), 512);
  bits_read_text(r, tk_data_text(data, DWG13_ARCTEXT_TEXT2), 512);
  bits_read_text(r, tk_data_text(data, DWG13_ARCTEXT_TEXT), 1024);
  for (int i = 0; i < 3; ++i) bits_read_text(r, scratch, sizeof scratch);
  double p[3];
  bits_read_3bd(r, p);
  for (int i = 0; i < 3; ++i) tk_data_put(data, DWG13_ARCTEXT_CENTRE + 8 * static_cast<size_t>(i), p[i]);
  for (int i = 0; i < 3; ++i) tk_data_put(data, DWG13_ARCTEXT_RADIUS + 8 * static_cast<size_t>(i), bits_read_double(r));
  bits_read_3bd(r, h->extrusion);
  tk_data_put(data, DWG13_ARCTEXT_COLOUR, static_cast<uint32_t>(bits_read_long(r)));
  for (size_t i = 0; i < 11; ++i)
    tk_data_put(data, DWG13_ARCTEXT_SETTINGS + 2 * i, static_cast<int16_t>(bits_read_short(r)));
  if (!dwg_read_entity_common(d, h)) return 0;
  put_h(r, data, DWG13_ARCTEXT_STYLE);
  return 1;
}

// Proxies and classes without a reader of their own: the data kept raw, then the handles.
int16_t read_raw_entity(TkDrawing* d, uint16_t code, TkEntityHeader* h, TkEntityData* data) {
  TkBitReader* r = dwg13_bits(d);
  if (d->version >= TK_VERSION_AC1015 && code == DWG13_TYPE_PROXY_ENTITY) {
    tk_data_put(data, DWG13_RAW_CLASS_ID, static_cast<uint32_t>(bits_read_long(r)));
    bits_read_long(r);
    bits_read_bit(r);
    h->kind = DWG13_TYPE_PROXY_ENTITY;
  }
  // For AC1015 the handles begin where the data ends; the raw data runs up to there.
  TkBlob* raw = nullptr;
  uint32_t bytes = 0;
  if (!dwg_read_proxy_data(r, &raw, &bytes)) return 0;
  tk_data_put(data, DWG13_RAW_DATA, raw);
  tk_data_put(data, DWG13_RAW_SIZE, bytes);
  if (!dwg_read_entity_common(d, h)) return 0;
  TkBlob* handles = nullptr;
  if (!dwg_read_proxy_handles(r, &handles)) return 0;
  tk_data_put(data, TK_CLASS_DATA_FLAG, static_cast<uint32_t>(handles != nullptr));
  tk_data_put(data, DWG13_RAW_HANDLES, handles);
  return 1;
}

}  // namespace

int16_t dwg13_read_class_entity(TkDrawing* d, uint16_t code, TkEntityHeader* h,
                                TkEntityData* data) {
  Dwg13EntityScratch& e = dwg13_objects(d)->entity;
  TkBlob* graphics = e.graphics;
  e.graphics = nullptr;
  int16_t ok;
  size_t graphics_at = 0;
  if (code == tk_class_lwpolyline(d)) {
    ok = read_lwpolyline(d, h, data);
  } else if (code == tk_class_hatch(d)) {
    ok = read_hatch(d, h, data);
  } else if (code == tk_class_image(d)) {
    ok = read_image(d, h, data, true);
    graphics_at = DWG13_IMAGE_GRAPHICS;
  } else if (code == tk_class_wipeout(d)) {
    ok = read_image(d, h, data, false);
    graphics_at = DWG13_IMAGE_GRAPHICS;
  } else if (code == tk_class_ole2frame(d)) {
    ok = read_ole2frame(d, h, data);
  } else if (code == tk_class_rtext(d)) {
    ok = read_rtext(d, h, data);
    graphics_at = DWG13_RTEXT_GRAPHICS;
  } else if (code == tk_class_arcalignedtext(d)) {
    ok = read_arcalignedtext(d, h, data);
    graphics_at = DWG13_ARCTEXT_GRAPHICS;
  } else {
    ok = read_raw_entity(d, code, h, data);
    graphics_at = DWG13_RAW_GRAPHICS;
  }
  if (ok && graphics_at && graphics) {
    tk_data_put(data, graphics_at, graphics);
    graphics = nullptr;
  }
  blob_free(graphics);
  return ok;
}
