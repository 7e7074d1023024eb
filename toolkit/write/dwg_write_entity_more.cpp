// The entity records of the bit-stream releases beyond the common kinds:
// splines, the modeler kinds with their SAT data, viewports, leaders,
// tolerances and multilines, and the class-registered entities (hatches,
// images, wipeouts, OLE frames, RTEXT) and proxies, whose data the reader kept
// raw. Each body is the mirror of the reader's, so what the reader kept comes
// back as it was read.
#include <cstdio>
#include <cstring>
#include <vector>

#include "toolkit/core/class_list.h"
#include "toolkit/core/dim_lookup.h"
#include "toolkit/core/drawing.h"
#include "toolkit/core/entity.h"
#include "toolkit/core/mem.h"
#include "toolkit/core/object.h"
#include "toolkit/core/state.h"
#include "toolkit/core/symtab.h"
#include "toolkit/read/dwg13_entity_class.h"
#include "toolkit/read/dwg13_object.h"
#include "toolkit/write/dwg_write_body.h"
#include "toolkit/write/xdata_write.h"

namespace {

double get_d(const TkEntityData* d, size_t at) { return tk_data_get<double>(d, at); }
void get_pt(const TkEntityData* d, size_t at, double p[3]) {
  for (int i = 0; i < 3; ++i) p[i] = get_d(d, at + 8 * size_t(i));
}
void get_2(const TkEntityData* d, size_t at, double p[2]) {
  p[0] = get_d(d, at);
  p[1] = get_d(d, at + 8);
}
TkHandle get_h(const TkEntityData* d, size_t at) { return tk_data_get<TkHandle>(d, at); }

// Which class-registered entity a kind is, by the drawing's class numbers.
enum class ClassKind { none, hatch, image, wipeout, ole2frame, rtext, raw };

ClassKind class_kind(DwgOut& o, uint16_t kind) {
  // Class numbers start at 500 (498 is the proxy entity); below are the fixed
  // types.
  if (kind < DWG13_TYPE_PROXY_ENTITY) return ClassKind::none;
  TkDrawing* d = o.d;
  if (kind == tk_class_lwpolyline(d)) return ClassKind::none;
  if (kind == tk_class_hatch(d)) return ClassKind::hatch;
  if (kind == tk_class_image(d)) return ClassKind::image;
  if (kind == tk_class_wipeout(d)) return ClassKind::wipeout;
  if (kind == tk_class_ole2frame(d)) return ClassKind::ole2frame;
  if (kind == tk_class_rtext(d)) return ClassKind::rtext;
  if (kind == tk_class_arcalignedtext(d)) return ClassKind::none;  // its numbers were not kept
  return ClassKind::raw;
}

// The bits of a blob: whole bytes first, then the rest of the last byte, high
// bit first.
void bits_of_blob(DwgBits& out, TkBlob* blob, size_t skip, uint32_t bit_count) {
  DwgBlobIn in(blob);
  if (!in.ok) return;
  if (skip && !blob_seek(in.r, int32_t(skip))) {
    out.ok = false;
    return;
  }
  uint8_t piece[512];
  for (uint32_t left = bit_count / 8; out.ok && left > 0;) {
    uint32_t n = left < sizeof piece ? left : uint32_t(sizeof piece);
    if (!in.read(piece, n)) {
      out.ok = false;
      return;
    }
    out.bytes(piece, n);
    left -= n;
  }
  uint32_t rest = bit_count % 8;
  uint8_t last = 0;
  if (out.ok && rest && in.read(&last, 1))
    for (uint32_t i = 0; i < rest; ++i) out.b((last >> (7 - i)) & 1);
}

// Every 8-byte handle of a blob.
void handles_of_blob(DwgBits& out, TkBlob* blob, uint32_t count, uint8_t code) {
  DwgBlobIn in(blob);
  for (uint32_t i = 0; in.ok && out.ok && i < count; ++i) {
    TkHandle h{};
    if (!in.read(h.bytes, 8)) break;
    out.h(h, code);
  }
}

void write_spline(DwgBody& b) {
  TkEntityData* d = b.data;
  DwgBits& o = b.out;
  uint16_t flags = tk_data_get<uint16_t>(d, 2);
  int16_t degree = tk_data_get<int16_t>(d, 0);
  uint32_t knots = uint16_t(tk_data_get<int16_t>(d, 4));
  uint32_t controls = uint16_t(tk_data_get<int16_t>(d, 6));
  uint32_t fits = uint16_t(tk_data_get<int16_t>(d, 8));
  bool rational = flags & 4;
  DwgBlobIn in(tk_data_blob(d, TK_SPLINE_BLOB));
  if (!in.ok) knots = controls = fits = 0;
  double p[3];
  if (fits) {
    o.bs(2).bs(degree).bd(get_d(d, 32));
    get_pt(d, 40, p);
    o.p3(p);
    get_pt(d, 64, p);
    o.p3(p);
    // The fit points follow the knots and control points in the blob.
    size_t skip = 8 * (size_t(knots) + size_t(controls) * (rational ? 4 : 3));
    if (skip && !blob_seek(in.r, int32_t(skip))) fits = 0;
    o.bl(int32_t(fits));
    for (uint32_t i = 0; o.ok && in.ok && i < fits; ++i) {
      in.pt(p, 3);
      o.p3(p);
    }
    return;
  }
  o.bs(1).bs(degree).b(rational).b(flags & 1).b(flags & 2).bd(get_d(d, 16)).bd(get_d(d, 24));
  o.bl(int32_t(knots)).bl(int32_t(controls)).b(rational);
  for (uint32_t i = 0; o.ok && in.ok && i < knots; ++i) o.bd(in.d());
  for (uint32_t i = 0; o.ok && in.ok && i < controls; ++i) {
    in.pt(p, 3);
    o.p3(p);
    if (rational) o.bd(in.d());
  }
}

// SAT text as the modeler kinds store it: blocks of at most 4,096 bytes, each
// behind its size, the printable characters mirrored about 159/2.
void write_sat(DwgBody& b, TkBlob* text) {
  DwgBits& o = b.out;
  DwgBlobIn in(text);
  int32_t length = in.ok ? blob_length(in.r) : 0;
  auto* block = static_cast<uint8_t*>(mem_alloc(4097));
  if (!block) {
    o.ok = false;
    tk_fail_alloc(TK_ERR_READ_BUFFER);
    if (tk_state && tk_state->error_callback) tk_state->error_callback(2);
    return;
  }
  o.bs(64).bd(1.0);
  bool first = true;
  for (int32_t left = length; o.ok && left > 0;) {
    int32_t n = left < 4096 ? left : 4096;
    if (!in.read(block, size_t(n))) {
      o.ok = false;
      break;
    }
    if (first) {
      // Version and date marks that older releases expect of their modeler.
      block[n] = 0;
      const char* text_start = reinterpret_cast<const char*>(block);
      const char* v = std::strstr(text_start, "13 A CIS 4.0.2 NT");
      if (v && v + 1 < text_start + n) block[v - text_start + 1] = '4';
      const char* m = std::strstr(text_start, "A pr");
      if (!m) m = std::strstr(text_start, "A ug");
      if (m && m - text_start >= 7 && m[-6] == '4') block[m - text_start - 6] = '5';
      first = false;
    }
    for (int32_t i = 0; i < n; ++i)
      if (block[i] >= 0x21 && block[i] <= 0x7E) block[i] = uint8_t(159 - block[i]);
    o.bl(n).bytes(block, size_t(n));
    left -= n;
  }
  mem_free(block);
  o.bs(0);
}

void write_modeler(DwgBody& b) {
  TkEntityData* d = b.data;
  DwgBits& o = b.out;
  TkBlob* text = tk_data_blob(d, TK_MODELER_BLOB_1);
  if (text)
    write_sat(b, text);
  else
    o.bs(256);
  // The rest of the data as the reader kept it: a byte saying whether SAT text
  // came first, the bit count, and the bits.
  TkBlob* rest = tk_data_blob(d, TK_MODELER_BLOB_2);
  DwgBlobIn in(rest);
  uint8_t had_text = 0;
  uint32_t bits = 0;
  if (!in.ok || !in.read(&had_text, 1) || !in.read(&bits, 4)) {
    o.b(0);
    return;
  }
  int32_t stored = blob_length(in.r) - 5;
  if (stored < 0 || uint64_t(bits) > uint64_t(stored) * 8)
    bits = stored < 0 ? 0 : uint32_t(stored) * 8;
  bits_of_blob(o, rest, 5, bits);
}

void write_viewport(DwgBody& b) {
  TkEntityData* d = b.data;
  DwgBits& o = b.out;
  double p[3];
  get_pt(d, 16, p);
  o.p3(p).bd(get_d(d, 40)).bd(get_d(d, 48));
  if (!b.r15) return;
  get_pt(d, 712, p);
  o.p3(p);
  get_pt(d, 736, p);
  o.p3(p);
  o.bd(get_d(d, 760)).bd(get_d(d, 768)).bd(get_d(d, 792)).bd(get_d(d, 800)).bd(get_d(d, 808));
  o.bd(get_d(d, 856));
  for (size_t at : {size_t(776), size_t(864), size_t(824), size_t(840)}) {
    get_2(d, at, p);
    o.p2(p);
  }
  uint32_t frozen = tk_data_blob(d, TK_VIEWPORT_BLOB) ? tk_data_get<uint32_t>(d, 12) : 0;
  o.bs(tk_data_get<int16_t>(d, 816)).bl(int32_t(frozen)).bl(int32_t(tk_data_get<uint32_t>(d, 80)));
  char style[512];
  std::memcpy(style, tk_data_text(d, 86), sizeof style);
  style[sizeof style - 1] = 0;
  o.t(style).rc(tk_data_get<int16_t>(d, 84)).b(tk_data_get<int16_t>(d, 600));
  o.b(tk_data_get<int16_t>(d, 598));
  for (size_t at : {size_t(608), size_t(632), size_t(656)}) {
    get_pt(d, at, p);
    o.p3(p);
  }
  o.bd(get_d(d, 688)).bs(tk_data_get<int16_t>(d, 680));
}

void write_viewport_handles(DwgBody& b) {
  TkEntityData* d = b.data;
  DwgBits& o = b.out;
  if (b.r15) {
    uint32_t frozen = tk_data_get<uint32_t>(d, 12);
    handles_of_blob(o, tk_data_blob(d, TK_VIEWPORT_BLOB), frozen, 0x50);
    o.h(get_h(d, TK_VIEWPORT_CLIP_ENTITY), 0x50);
  }
  o.h(dwg_vpent_of(b.o, b.h->handle), 0x50);
  if (b.r15) o.h(get_h(d, 696), 0x50).h(get_h(d, 704), 0x50);
}

void write_leader(DwgBody& b) {
  TkEntityData* d = b.data;
  DwgBits& o = b.out;
  // The effective dimension values: the leader's style with its own overrides;
  // a style the drawing lacks leaves the release's defaults.
  TkDimSettings dim{1.0, 0.18, 0.09, 0, 0, TkHandle{}, 0, 0.18, 0, TkHandle{}};
  TkHandle style = get_h(d, TK_LEADER_DIMSTYLE);
  (void)tk_read_dimstyle_overrides(b.o.d, b.h, &dim, &style);
  uint32_t count = uint16_t(tk_data_get<int16_t>(d, 0));
  DwgBlobIn in(tk_data_blob(d, TK_LEADER_BLOB));
  if (!in.ok) count = 0;
  o.b(0).bs(tk_data_get<int16_t>(d, 6)).bs(tk_data_get<uint8_t>(d, 2)).bl(int32_t(count));
  double first[3] = {0, 0, 0}, p[3];
  for (uint32_t i = 0; o.ok && in.ok && i < count; ++i) {
    in.pt(p, 3);
    if (i == 0) std::memcpy(first, p, sizeof first);
    o.p3(p);
  }
  o.p3(first).p3(b.h->extrusion);
  get_pt(d, 56, p);
  o.p3(p);
  get_pt(d, 80, p);
  o.p3(p);
  if (b.o.version >= 6) {
    get_pt(d, 32, p);
    o.p3(p);
  }
  if (!b.r15) o.bd(dim.gap * dim.scale);
  o.bd(get_d(d, 16)).bd(get_d(d, 24)).b(tk_data_get<uint8_t>(d, 4)).b(tk_data_get<uint8_t>(d, 3));
  if (!b.r15) {
    o.bs(dim.arrow_kind).bd(dim.arrow_size * dim.scale).b(0).b(0).bs(dim.line_colour);
    o.bs(tk_data_get<int16_t>(d, 8));
  } else {
    o.bs(0);
  }
  o.b(0).b(0);
}

void write_tolerance(DwgBody& b) {
  TkEntityData* d = b.data;
  DwgBits& o = b.out;
  if (!b.r15) {
    TkDimStyleRecord style{};
    TkHandle handle = get_h(d, TK_TOLERANCE_DIMSTYLE);
    double height = 0.18, gap = 0.09;
    if (tk_dimstyle_get(b.o.d, &handle, &style)) height = style.dimtxt, gap = style.dimgap;
    o.bs(0).bd(height).bd(gap);
  }
  double p[3];
  get_pt(d, 0, p);
  o.p3(p);
  get_pt(d, 24, p);
  o.p3(p).p3(b.h->extrusion).t(tk_data_text(d, TK_TOLERANCE_STRING));
}

void write_mline(DwgBody& b) {
  TkEntityData* d = b.data;
  DwgBits& o = b.out;
  double p[3];
  get_pt(d, 16, p);
  int lines = tk_data_get<int16_t>(d, 12) & 0xFF;
  uint32_t vertices = uint16_t(tk_data_get<int16_t>(d, 14));
  DwgBlobIn in(tk_data_blob(d, TK_MLINE_BLOB));
  if (!in.ok) vertices = 0;
  o.bd(get_d(d, 0)).rc(tk_data_get<int16_t>(d, 8)).p3(p).p3(b.h->extrusion);
  o.bs(tk_data_get<int16_t>(d, 10)).rc(lines).bs(int16_t(vertices));
  for (uint32_t v = 0; o.ok && v < vertices; ++v) {
    for (int i = 0; i < 3; ++i) {
      in.pt(p, 3);
      o.p3(p);
    }
    for (int l = 0; o.ok && l < lines; ++l)
      for (int part = 0; o.ok && part < 2; ++part) {
        int16_t n = in.i16();
        if (n < 0 || !in.ok) n = 0;
        o.bs(n);
        for (int16_t k = 0; o.ok && k < n; ++k) o.bd(in.d());
      }
  }
}

void write_hatch(DwgBody& b) {
  TkEntityData* d = b.data;
  DwgBits& o = b.out;
  double p[2];
  bool solid = tk_data_get<int16_t>(d, TK_HATCH_SOLID) != 0;
  uint32_t paths = tk_data_get<uint32_t>(d, TK_HATCH_PATH_COUNT);
  DwgBlobIn in(tk_data_blob(d, TK_HATCH_PATHS));
  if (!in.ok) paths = 0;
  char pattern[TK_HATCH_PATTERN_SIZE];
  std::memcpy(pattern, tk_data_text(d, TK_HATCH_PATTERN), sizeof pattern);
  pattern[sizeof pattern - 1] = 0;
  o.bd(get_d(d, TK_HATCH_ELEVATION + 16)).p3(b.h->extrusion).t(pattern).b(solid);
  o.b(tk_data_get<int16_t>(d, TK_HATCH_ASSOCIATIVE)).bl(int32_t(paths));
  bool pixel_size = false;
  for (uint32_t i = 0; o.ok && in.ok && i < paths; ++i) {
    uint32_t flags = in.u32();
    if (flags & 4) pixel_size = true;
    o.bl(int32_t(flags));
    if (flags & 2) {
      int16_t bulges = in.i16();
      int16_t closed = in.i16();
      uint32_t n = in.u32();
      o.b(bulges).b(closed).bl(int32_t(n));
      for (uint32_t k = 0; o.ok && in.ok && k < n; ++k) {
        in.pt(p, 2);
        o.p2(p);
        if (bulges) o.bd(in.d());
      }
    } else {
      uint32_t n = in.u32();
      o.bl(int32_t(n));
      for (uint32_t k = 0; o.ok && in.ok && k < n; ++k) {
        int16_t type = in.i16();
        o.rc(type);
        switch (type) {
          case 1:
            in.pt(p, 2);
            o.p2(p);
            in.pt(p, 2);
            o.p2(p);
            break;
          case 2:
            in.pt(p, 2);
            o.p2(p);
            for (int j = 0; j < 3; ++j) o.bd(in.d());
            o.b(in.i16());
            break;
          case 3:
            in.pt(p, 2);
            o.p2(p);
            in.pt(p, 2);
            o.p2(p);
            for (int j = 0; j < 3; ++j) o.bd(in.d());
            o.b(in.i16());
            break;
          case 4: {
            o.bl(int32_t(in.u32()));
            int16_t rational = in.i16();
            o.b(rational).b(in.i16());
            uint32_t knots = in.u32(), controls = in.u32();
            o.bl(int32_t(knots)).bl(int32_t(controls));
            for (uint32_t j = 0; o.ok && in.ok && j < knots; ++j) o.bd(in.d());
            for (uint32_t j = 0; o.ok && in.ok && j < controls; ++j) {
              in.pt(p, 2);
              o.p2(p);
              if (rational) o.bd(in.d());
            }
            break;
          }
          default:
            o.ok = false;
            break;
        }
      }
    }
    o.bl(int32_t(in.u32()));
  }
  if (!in.ok && paths) o.ok = false;
  o.bs(tk_data_get<int16_t>(d, TK_HATCH_STYLE)).bs(tk_data_get<int16_t>(d, TK_HATCH_PATTERN_TYPE));
  if (!solid) {
    uint16_t lines = uint16_t(tk_data_get<int16_t>(d, TK_HATCH_LINE_COUNT));
    DwgBlobIn ln(tk_data_blob(d, TK_HATCH_LINES));
    if (!ln.ok) lines = 0;
    o.bd(get_d(d, TK_HATCH_ANGLE)).bd(get_d(d, TK_HATCH_SCALE));
    o.b(tk_data_get<int16_t>(d, TK_HATCH_DOUBLE)).bs(int16_t(lines));
    for (uint16_t i = 0; o.ok && i < lines; ++i) {
      for (int k = 0; k < 5; ++k) o.bd(ln.d());
      int16_t dashes = ln.i16();
      if (dashes < 0 || !ln.ok) dashes = 0;
      o.bs(dashes);
      for (int16_t k = 0; o.ok && k < dashes; ++k) o.bd(ln.d());
    }
  }
  if (pixel_size) o.bd(get_d(d, TK_HATCH_PIXEL_SIZE));
  uint32_t seeds = tk_data_get<uint32_t>(d, TK_HATCH_SEED_COUNT);
  DwgBlobIn sd(tk_data_blob(d, TK_HATCH_SEEDS));
  if (!sd.ok) seeds = 0;
  o.bl(int32_t(seeds));
  for (uint32_t i = 0; o.ok && sd.ok && i < seeds; ++i) {
    sd.pt(p, 2);
    o.p2(p);
  }
}

// IMAGE and WIPEOUT: the clip boundary as the reader kept it, every vertex it
// gave.
void write_image(DwgBody& b) {
  TkEntityData* d = b.data;
  DwgBits& o = b.out;
  double p[3];
  o.bl(int32_t(tk_data_get<uint32_t>(d, DWG13_IMAGE_VERSION)));
  for (size_t at : {size_t(DWG13_IMAGE_INSERTION), size_t(DWG13_IMAGE_U), size_t(DWG13_IMAGE_V)}) {
    get_pt(d, at, p);
    o.p3(p);
  }
  get_2(d, DWG13_IMAGE_SIZE, p);
  o.p2(p).bs(tk_data_get<int16_t>(d, DWG13_IMAGE_DISPLAY));
  o.b(tk_data_get<uint8_t>(d, DWG13_IMAGE_CLIPPING))
      .rc(tk_data_get<uint8_t>(d, DWG13_IMAGE_BRIGHTNESS));
  o.rc(tk_data_get<uint8_t>(d, DWG13_IMAGE_CONTRAST)).rc(tk_data_get<uint8_t>(d, DWG13_IMAGE_FADE));
  int16_t clip = tk_data_get<int16_t>(d, DWG13_IMAGE_CLIP_TYPE);
  uint32_t n = tk_data_get<uint32_t>(d, DWG13_IMAGE_CLIP_COUNT);
  DwgBlobIn in(tk_data_blob(d, DWG13_IMAGE_CLIP));
  if (!in.ok) n = 0;
  if (clip == 1 && n != 2) clip = n == 0 ? 0 : 2;
  o.bs(clip);
  if (clip != 1) o.bl(int32_t(n));
  for (uint32_t i = 0; o.ok && in.ok && i < n; ++i) {
    in.pt(p, 2);
    o.p2(p);
  }
}

void write_ole2frame(DwgBody& b) {
  TkEntityData* d = b.data;
  DwgBits& o = b.out;
  o.bs(tk_data_get<int16_t>(d, DWG13_OLE_FLAGS));
  if (b.r15) o.bs(tk_data_get<int16_t>(d, DWG13_OLE_MODE));
  TkBlob* blob = tk_data_blob(d, DWG13_OLE_DATA);
  uint32_t length = tk_data_get<uint32_t>(d, DWG13_OLE_LENGTH);
  int32_t stored = blob ? blob_length(blob) : 0;
  if (int64_t(length) > stored) length = uint32_t(stored < 0 ? 0 : stored);
  o.bl(int32_t(length));
  bits_of_blob(o, blob, 0, length * 8);
  if (b.r15) o.rc(tk_data_get<uint8_t>(d, DWG13_OLE_TRAILER));
}

void write_rtext(DwgBody& b) {
  TkEntityData* d = b.data;
  DwgBits& o = b.out;
  double p[3];
  get_pt(d, DWG13_RTEXT_INSERTION, p);
  char contents[1016];
  std::memcpy(contents, tk_data_text(d, DWG13_RTEXT_CONTENTS), sizeof contents);
  contents[sizeof contents - 1] = 0;
  o.p3(p).p3(b.h->extrusion).bd(get_d(d, DWG13_RTEXT_ROTATION)).bd(get_d(d, DWG13_RTEXT_HEIGHT));
  o.bs(tk_data_get<int16_t>(d, DWG13_RTEXT_FLAGS)).t(contents);
}

// A proxy or an entity of a class without a body here: its data bits as the
// reader kept them.
void write_raw(DwgBody& b) {
  TkEntityData* d = b.data;
  DwgBits& o = b.out;
  if (b.r15 && b.h->kind == DWG13_TYPE_PROXY_ENTITY)
    o.bl(int32_t(tk_data_get<uint32_t>(d, DWG13_RAW_CLASS_ID))).bl(0).b(0);
  TkBlob* blob = tk_data_blob(d, DWG13_RAW_DATA);
  uint32_t bytes = tk_data_get<uint32_t>(d, DWG13_RAW_SIZE);
  int32_t stored = blob ? blob_length(blob) : 0;
  if (int64_t(bytes) > stored) bytes = uint32_t(stored < 0 ? 0 : stored);
  bits_of_blob(o, blob, 0, bytes * 8);
}

void write_raw_handles(DwgBody& b) {
  TkEntityData* d = b.data;
  if (!tk_data_get<uint32_t>(d, TK_CLASS_DATA_FLAG)) return;
  DwgBlobIn in(tk_data_blob(d, DWG13_RAW_HANDLES));
  uint8_t record[9];
  while (in.ok && b.out.ok && in.read(record, 9))
    b.out.ok = bits_write_handle_kind(b.o.b, record) == 1;
}


}  // namespace

TkHandle dwg_vpent_of(const DwgOut& o, const TkHandle& viewport) {
  for (const DwgOut::Vpent& v : o.vpents)
    if (std::memcmp(v.viewport.bytes, viewport.bytes, 8) == 0) return v.header;
  return TkHandle{};
}

TkBlob* dwg_viewport_to_mview_xdata(DwgOut& o, const TkEntityHeader& h, const TkEntityData& data) {
  return tk_viewport_mview_xdata(o.acad_appid, h, data);
}

bool dwg_more_writable(DwgOut& o, const TkEntityHeader& h, const TkEntityData& data) {
  switch (h.kind) {
    case TK_SPLINE:
    case TK_REGION:
    case TK_3DSOLID:
    case TK_BODY:
    case TK_LEADER:
    case TK_TOLERANCE:
    case TK_MLINE:
      return true;
    case TK_VIEWPORT:
      return true;
    default:
      break;
  }
  switch (class_kind(o, h.kind)) {
    case ClassKind::hatch:
    case ClassKind::image:
    case ClassKind::wipeout:
    case ClassKind::rtext:
      return true;
    case ClassKind::ole2frame:
      return tk_data_blob(&data, DWG13_OLE_DATA) != nullptr;
    case ClassKind::raw:
      // A proxy entity has a type of its own from R2000 on only; the raw data of
      // a class entity is what the DWG reader kept.
      if (h.kind == DWG13_TYPE_PROXY_ENTITY && o.version < 7) return false;
      return !o.d->is_dxf && tk_data_blob(&data, DWG13_RAW_DATA) != nullptr;
    default:
      return false;
  }
}

TkBlob* dwg_more_graphics(DwgOut& o, const TkEntityHeader& h, const TkEntityData& data) {
  switch (class_kind(o, h.kind)) {
    case ClassKind::image:
    case ClassKind::wipeout:
      return tk_data_blob(&data, DWG13_IMAGE_GRAPHICS);
    case ClassKind::rtext:
      return tk_data_blob(&data, DWG13_RTEXT_GRAPHICS);
    case ClassKind::raw:
      return tk_data_blob(&data, DWG13_RAW_GRAPHICS);
    default:
      return nullptr;
  }
}

uint16_t dwg_more_header_type(DwgOut& o, uint16_t type) {
  // R2000 gives these classes fixed types.
  if (o.version >= 7 && type > TK_LAST_FIXED_KIND) {
    if (type == tk_class_hatch(o.d)) return 78;
    if (type == tk_class_ole2frame(o.d)) return 74;
  }
  return type;
}

bool dwg_write_more_body(DwgBody& b, uint16_t type, bool* known) {
  *known = true;
  switch (type) {
    case 34:
      write_viewport(b);
      return b.out.ok;
    case 36:
      write_spline(b);
      return b.out.ok;
    case 37:
    case 38:
    case 39:
      write_modeler(b);
      return b.out.ok;
    case 45:
      write_leader(b);
      return b.out.ok;
    case 46:
      write_tolerance(b);
      return b.out.ok;
    case 47:
      write_mline(b);
      return b.out.ok;
    default:
      break;
  }
  switch (class_kind(b.o, type)) {
    case ClassKind::hatch:
      write_hatch(b);
      break;
    case ClassKind::image:
    case ClassKind::wipeout:
      write_image(b);
      break;
    case ClassKind::ole2frame:
      write_ole2frame(b);
      break;
    case ClassKind::rtext:
      write_rtext(b);
      break;
    case ClassKind::raw:
      write_raw(b);
      break;
    default:
      *known = false;
      return false;
  }
  return b.out.ok;
}

void dwg_write_more_handles(DwgBody& b, uint16_t type) {
  TkEntityData* d = b.data;
  DwgBits& o = b.out;
  switch (type) {
    case 34:
      write_viewport_handles(b);
      return;
    case 45:
      o.h(get_h(d, 104), 0x50).h(get_h(d, TK_LEADER_DIMSTYLE), 0x50);
      return;
    case 46:
      o.h(get_h(d, TK_TOLERANCE_DIMSTYLE), 0x50);
      return;
    case 47:
      o.h(get_h(d, TK_MLINE_STYLE), 0x50);
      return;
    default:
      break;
  }
  switch (class_kind(b.o, type)) {
    case ClassKind::hatch:
      handles_of_blob(o, tk_data_blob(d, TK_HATCH_SOURCES),
                      tk_data_get<uint32_t>(d, TK_HATCH_SOURCE_COUNT), 0x40);
      break;
    case ClassKind::image:
      o.h(get_h(d, DWG13_IMAGE_DEFINITION), 0x50).h(get_h(d, DWG13_IMAGE_REACTOR), 0x30);
      break;
    case ClassKind::wipeout:
      o.h(get_h(d, DWG13_IMAGE_DEFINITION), 0x50).h(TkHandle{}, 0x30);
      break;
    case ClassKind::rtext:
      o.h(get_h(d, DWG13_RTEXT_STYLE), 0x40);
      break;
    case ClassKind::raw:
      write_raw_handles(b);
      break;
    default:
      break;
  }
}
