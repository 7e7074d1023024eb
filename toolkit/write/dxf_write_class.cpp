// DXF records of the entity kinds whose data is not a fixed row of values: modeler solids with
// their SAT text, multilines, viewports (their view settings as groups from AC1015, as the
// "ACAD"/"MVIEW" extended data before), and the class entities: raster images and wipeouts,
// OLE frames, RTEXT, and every entity of a class the toolkit keeps as data only, written back
// as a proxy entity or, when the DXF reader kept its groups, group for group.
#include <cstring>
#include <string>
#include <vector>

#include "toolkit/core/blob.h"
#include "toolkit/core/class_list.h"
#include "toolkit/core/drawing.h"
#include "toolkit/core/entity.h"
#include "toolkit/core/load_entities.h"
#include "toolkit/core/object.h"
#include "toolkit/read/bits_reader.h"
#include "toolkit/read/dwg13_entity_class.h"
#include "toolkit/read/proxy_data.h"
#include "toolkit/write/dxf_write.h"
#include "toolkit/write/xdata_write.h"

namespace {

double get_d(const TkEntityData* d, size_t at) { return tk_data_get<double>(d, at); }
int16_t get_s(const TkEntityData* d, size_t at) { return tk_data_get<int16_t>(d, at); }
uint32_t get_u(const TkEntityData* d, size_t at) { return tk_data_get<uint32_t>(d, at); }
TkHandle get_h(const TkEntityData* d, size_t at) { return tk_data_get<TkHandle>(d, at); }
void get_pt(const TkEntityData* d, size_t at, double p[3]) {
  for (int i = 0; i < 3; ++i) p[i] = get_d(d, at + 8 * size_t(i));
}

// Where the DXF reader keeps an entity of a class it has no record for: its groups re-encoded
// as a bit stream (or a zombie's raw data), its graphics and the handles its groups named.
enum : size_t {
  kGroupsClass = 0,
  kGroupsBits = 4,
  kGroupsHasGraphics = 8,
  kGroupsHandleCount = 12,
  kGroupsData = 16,
  kGroupsGraphics = 24,
  kGroupsHandles = 32,
};

// Reads a blob of 8-byte handles in order.
struct HandleSource {
  TkBlob* r = nullptr;
  explicit HandleSource(TkBlob* blob) : r(blob ? blob_open_read(blob) : nullptr) {}
  ~HandleSource() {
    if (r) blob_close(r);
  }
  bool next(TkHandle* h) { return r && blob_read(r, h->bytes, 8); }
};

// A bit reader over stored class data, let go of at the end of its scope.
struct DataReader {
  TkBitReader* r = bits_reader_create();
  bool open = false;
  explicit DataReader(TkBlob* blob) { open = r && blob && xd_open_proxy_data(r, blob) == 1; }
  ~DataReader() {
    if (!r) return;
    xd_close_proxy_data(r);
    bits_reader_free(r);
  }
};

bool marker(DxfOut& o, const char* name) { return dxf_write_string_group(o, 100, name); }

// The graphics of a class entity: 92 their length, then 310 chunks of 127 bytes.
void graphics(DxfOut& o, TkBlob* blob) {
  if (!blob) return;
  dxf_write_long_group(o, 92, blob_stored_size(blob));
  dxf_write_blob_chunks(o, blob, 310, 127);
}

// A blob's first `bytes` bytes as 310 chunks; the length group before it is the caller's.
void data_chunks(DxfOut& o, TkBlob* blob, uint32_t bytes) {
  TkBlob* r = blob ? blob_open_read(blob) : nullptr;
  if (!r) return;
  uint8_t piece[127];
  for (uint32_t left = bytes; o.ok && left > 0;) {
    size_t n = left < sizeof piece ? left : sizeof piece;
    if (!blob_read(r, piece, n)) break;
    dxf_write_binary_group(o, 310, piece, n);
    left -= uint32_t(n);
  }
  blob_close(r);
}

uint32_t bounded(uint32_t wanted, TkBlob* blob) {
  int32_t stored = blob ? blob_stored_size(blob) : 0;
  return int64_t(wanted) > stored ? uint32_t(stored < 0 ? 0 : stored) : wanted;
}

// ---------------------------------------------------------------------------------------------
// Modeler solids.

// One line of SAT text, each printable byte turned about 159/2 as DXF keeps modeler data; a
// line too long for one group begins in a group 3.
void modeler_line(DxfOut& o, std::string& line) {
  for (char& c : line) {
    auto b = static_cast<uint8_t>(c);
    if (b >= 33 && b <= 126) c = static_cast<char>(159 - b);
  }
  if (line.size() > 255) {
    std::string head = line.substr(0, 255);
    dxf_write_caret_string_group(o, 3, head.c_str());
    line.erase(0, 255);
  }
  dxf_write_caret_string_group(o, 1, line.c_str());
}

void write_modeler(DxfOut& o, TkEntityData* d) {
  marker(o, "AcDbModelerGeometry");
  dxf_write_short_group(o, 70, 1);
  TkBlob* r = tk_data_blob(d, TK_MODELER_BLOB_1) ? blob_open_read(tk_data_blob(d, TK_MODELER_BLOB_1))
                                                 : nullptr;
  if (!r) return;
  std::string line;
  uint8_t piece[512];
  for (int32_t left = blob_length(r); o.ok && left > 0;) {
    size_t n = size_t(left) < sizeof piece ? size_t(left) : sizeof piece;
    if (!blob_read(r, piece, n)) break;
    left -= int32_t(n);
    for (size_t i = 0; i < n && o.ok; ++i) {
      if (piece[i] == '\n') {
        modeler_line(o, line);
        line.clear();
      } else if (piece[i] != '\r' && piece[i] != 0) {
        line.push_back(static_cast<char>(piece[i]));
      }
    }
  }
  blob_close(r);
  if (o.ok && !line.empty()) modeler_line(o, line);
}

// ---------------------------------------------------------------------------------------------
// Multilines.

void write_mline(DxfOut& o, TkEntityHeader* h, TkEntityData* d) {
  marker(o, "AcDbMline");
  const DxfName* style = dxf_name_of(o.mlinestyles, get_h(d, TK_MLINE_STYLE));
  dxf_write_string_group(o, 2, style ? style->name.c_str() : "STANDARD");
  dxf_write_handle_group(o, 340, get_h(d, TK_MLINE_STYLE));
  dxf_write_real_group(o, 40, get_d(d, 0));
  dxf_write_short_group(o, 70, get_s(d, 8));
  dxf_write_short_group(o, 71, get_s(d, 10));
  int lines = get_s(d, 12) & 0xFF;
  TkBlob* blob = tk_data_blob(d, TK_MLINE_BLOB);
  TkBlob* r = blob ? blob_open_read(blob) : nullptr;
  int vertices = r ? uint16_t(get_s(d, 14)) : 0;
  dxf_write_short_group(o, 72, int16_t(vertices));
  dxf_write_short_group(o, 73, int16_t(lines));
  double p[3];
  get_pt(d, 16, p);
  dxf_write_point3_16(o, 10, p);
  dxf_write_point3_16(o, 210, h->extrusion);
  for (int v = 0; o.ok && v < vertices; ++v) {
    double points[9];
    if (!blob_read(r, points, sizeof points)) break;
    for (int i = 0; i < 3; ++i) dxf_write_point3_16(o, int16_t(11 + i), points + 3 * i);
    for (int l = 0; o.ok && l < lines; ++l)
      for (int16_t code : {int16_t(74), int16_t(75)}) {
        int16_t n = 0;
        if (!blob_read(r, &n, 2) || n < 0) n = 0;
        dxf_write_short_group(o, code, n);
        for (int16_t k = 0; o.ok && k < n; ++k) {
          double value = 0;
          if (!blob_read(r, &value, 8)) value = 0;
          if (code == 74)
            dxf_write_real16_group(o, 41, value);
          else
            dxf_write_real_group(o, 42, value);
        }
      }
  }
  if (r) blob_close(r);
}

// ---------------------------------------------------------------------------------------------
// Viewports.

// The view settings of a viewport as the extended data releases before AC1015 carry them,
// followed by the entity's own items.
TkBlob* mview_xdata(DxfOut& o, const TkEntityHeader& h, const TkEntityData* d) {
  if (tk_handle_is_null(&o.acad_appid)) return nullptr;
  return tk_viewport_mview_xdata(o.acad_appid, h, *d);
}

void write_viewport(DxfOut& o, TkEntityHeader* h, TkEntityData* d, bool* xdata_written) {
  double p[3];
  get_pt(d, 16, p);
  marker(o, "AcDbViewport");
  dxf_write_point(o, 10, p);
  dxf_write_real_group(o, 40, get_d(d, 40));
  dxf_write_real_group(o, 41, get_d(d, 48));
  dxf_write_short_group(o, 68, get_s(d, TK_VIEWPORT_STATUS));
  dxf_write_short_group(o, 69, get_s(d, TK_VIEWPORT_NUMBER));
  if (o.version < 7) {
    // Only a drawing of AC1015 or later holds the settings as fields; an older one kept the
    // extended data it was read with, which goes out as it came.
    if (o.d->version < TK_VERSION_AC1015) return;
    TkBlob* made = mview_xdata(o, *h, d);
    if (!made) return;
    dxf_write_xdata(o, made);
    blob_free(made);
    *xdata_written = true;
    return;
  }
  // View centre, snap base, snap spacing, grid spacing.
  static const struct {
    int16_t code;
    size_t at;
  } kPlanePoints[] = {{12, 776}, {13, 864}, {14, 824}, {15, 840}};
  for (const auto& point : kPlanePoints) {
    double q[2] = {get_d(d, point.at), get_d(d, point.at + 8)};
    dxf_write_point2(o, point.code, q);
  }
  get_pt(d, 736, p);
  dxf_write_point3(o, 16, p);
  get_pt(d, 712, p);
  dxf_write_point3(o, 17, p);
  dxf_write_real_group(o, 42, get_d(d, 792));
  dxf_write_real_group(o, 43, get_d(d, 800));
  dxf_write_real_group(o, 44, get_d(d, 808));
  dxf_write_real_group(o, 45, get_d(d, 768));
  dxf_write_angle_group(o, 50, get_d(d, 856));
  dxf_write_angle_group(o, 51, get_d(d, 760));
  dxf_write_short_group(o, 72, get_s(d, 816));
  {
    HandleSource layers(tk_data_blob(d, TK_VIEWPORT_BLOB));
    uint32_t count = get_u(d, TK_VIEWPORT_LAYER_COUNT);
    TkHandle layer;
    for (uint32_t i = 0; o.ok && i < count && layers.next(&layer); ++i)
      dxf_write_handle_group(o, 341, layer);
  }
  dxf_write_long_group(o, 90, int32_t(get_u(d, TK_VIEWPORT_FLAGS)));
  dxf_write_handle_group(o, 340, get_h(d, TK_VIEWPORT_CLIP_ENTITY));
  char sheet[512];
  std::memcpy(sheet, tk_data_text(d, 86), sizeof sheet);
  sheet[sizeof sheet - 1] = 0;
  dxf_write_string_group(o, 1, sheet);
  dxf_write_short_group(o, 281, get_s(d, 84));
  dxf_write_short_group(o, 71, get_s(d, 598));
  dxf_write_short_group(o, 74, get_s(d, 600));
  for (size_t i = 0; i < 3; ++i) {
    get_pt(d, 608 + 24 * i, p);
    dxf_write_point3(o, int16_t(110 + i), p);
  }
  dxf_write_handle_group(o, 345, get_h(d, 696));
  dxf_write_handle_group(o, 346, get_h(d, 704));
  dxf_write_short_group(o, 79, get_s(d, 680));
  dxf_write_real_group(o, 146, get_d(d, 688));
}

// ---------------------------------------------------------------------------------------------
// Class entities.

void write_image(DxfOut& o, TkEntityData* d, bool wipeout) {
  graphics(o, tk_data_blob(d, DWG13_IMAGE_GRAPHICS));
  marker(o, wipeout ? "AcDbWipeout" : "AcDbRasterImage");
  dxf_write_long_group(o, 90, int32_t(get_u(d, DWG13_IMAGE_VERSION)));
  double p[3];
  for (size_t i = 0; i < 3; ++i) {
    get_pt(d, DWG13_IMAGE_INSERTION + 24 * i, p);
    dxf_write_point3(o, int16_t(10 + i), p);
  }
  double size[2] = {get_d(d, DWG13_IMAGE_SIZE), get_d(d, DWG13_IMAGE_SIZE + 8)};
  dxf_write_point2(o, 13, size);
  if (wipeout)
    dxf_write_string_group(o, 340, "0");
  else
    dxf_write_handle_group(o, 340, get_h(d, DWG13_IMAGE_DEFINITION));
  dxf_write_short_group(o, 70, get_s(d, DWG13_IMAGE_DISPLAY));
  for (size_t i = 0; i < 4; ++i)
    dxf_write_short_group(o, int16_t(280 + i), d->bytes[DWG13_IMAGE_CLIPPING + i]);
  if (wipeout)
    dxf_write_string_group(o, 360, "0");
  else
    dxf_write_handle_group(o, 360, get_h(d, DWG13_IMAGE_REACTOR));
  TkBlob* clip = tk_data_blob(d, DWG13_IMAGE_CLIP);
  uint32_t count = get_u(d, DWG13_IMAGE_CLIP_COUNT);
  if (!clip) count = 0;
  count = bounded(count * 16, clip) / 16;
  int16_t type = get_s(d, DWG13_IMAGE_CLIP_TYPE);
  // A rectangle is its two corners; anything else that holds two points is written as one.
  if (type == 1 && count != 2) type = count == 0 ? 1 : 2;
  if (type != 1 && count == 2) type = 1;
  dxf_write_short_group(o, 71, type);
  dxf_write_long_group(o, 91, int32_t(count));
  TkBlob* r = count ? blob_open_read(clip) : nullptr;
  for (uint32_t i = 0; o.ok && r && i < count; ++i) {
    double q[2];
    if (!blob_read(r, q, sizeof q)) break;
    dxf_write_point2(o, 14, q);
  }
  if (r) blob_close(r);
}

void write_ole2frame(DxfOut& o, TkEntityData* d) {
  marker(o, "AcDbOle2Frame");
  dxf_write_short_group(o, 70, get_s(d, DWG13_OLE_FLAGS));
  double p[3];
  get_pt(d, DWG13_OLE_CORNER1, p);
  dxf_write_point3_z_opt(o, 10, p);
  get_pt(d, DWG13_OLE_CORNER2, p);
  dxf_write_point3_z_opt(o, 11, p);
  dxf_write_short_group(o, 71, 2);
  dxf_write_short_group(o, 72, 0);
  dxf_write_short_group(o, 73, get_s(d, DWG13_OLE_MODE));
  TkBlob* blob = tk_data_blob(d, DWG13_OLE_DATA);
  uint32_t length = bounded(get_u(d, DWG13_OLE_LENGTH), blob);
  dxf_write_long_group(o, 90, int32_t(length));
  data_chunks(o, blob, length);
  dxf_write_string_group(o, 1, "OLE");
}

void write_rtext(DxfOut& o, TkEntityHeader* h, TkEntityData* d) {
  graphics(o, tk_data_blob(d, DWG13_RTEXT_GRAPHICS));
  marker(o, "RText");
  double p[3];
  get_pt(d, DWG13_RTEXT_INSERTION, p);
  dxf_write_point3(o, 10, p);
  dxf_write_point3_16(o, 210, h->extrusion);
  dxf_write_angle_group(o, 50, get_d(d, DWG13_RTEXT_ROTATION));
  dxf_write_real_group(o, 40, get_d(d, DWG13_RTEXT_HEIGHT));
  const DxfName* style = dxf_name_of(o.styles, get_h(d, DWG13_RTEXT_STYLE));
  if (style) dxf_write_name_group(o, 7, style->name.c_str(), style->index);
  dxf_write_short_group(o, 70, get_s(d, DWG13_RTEXT_FLAGS));
  // The contents: a file name or an expression, as the entity gives it.
  char contents[1016];
  std::memcpy(contents, tk_data_text(d, DWG13_RTEXT_CONTENTS), sizeof contents);
  contents[sizeof contents - 1] = 0;
  dxf_write_caret_string_group(o, 1, contents);
}

// 9-byte handle references (handle, kind 0 to 4) as handle groups whose code names the kind.
void object_ids(DxfOut& o, TkBlob* blob) {
  TkBlob* r = blob ? blob_open_read(blob) : nullptr;
  uint8_t record[9];
  while (o.ok && r && blob_read(r, record, 9)) {
    TkHandle h;
    std::memcpy(h.bytes, record, 8);
    int16_t code = int16_t((record[8] <= 4 ? record[8] + 32 : 33) * 10);
    dxf_write_handle_group(o, code, h);
  }
  if (r) blob_close(r);
}

// An entity the DWG reader kept as raw data (a proxy, or a class without a record of its
// own), or a zombie the DXF reader kept as raw bytes: a proxy entity that carries them.
void write_proxy(DxfOut& o, TkEntityHeader* h, TkEntityData* d, bool from_dxf) {
  marker(o, o.version == 5 ? "AcDbZombieEntity" : "AcDbProxyEntity");
  dxf_write_long_group(o, 90, 498);
  uint32_t class_number = h->kind == 498 ? get_u(d, from_dxf ? size_t(kGroupsClass) : size_t(DWG13_RAW_CLASS_ID))
                                         : h->kind;
  dxf_write_long_group(o, 91, int32_t(class_number));
  if (o.version >= 7) {
    dxf_write_long_group(o, 95, 0);
    dxf_write_short_group(o, 70, 0);
  }
  TkBlob* shown = tk_data_blob(d, from_dxf ? size_t(kGroupsGraphics) : size_t(DWG13_RAW_GRAPHICS));
  if (from_dxf && !get_u(d, kGroupsHasGraphics)) shown = nullptr;
  graphics(o, shown);
  TkBlob* data = tk_data_blob(d, from_dxf ? size_t(kGroupsData) : size_t(DWG13_RAW_DATA));
  uint32_t bytes = from_dxf ? (get_u(d, kGroupsBits) + 7) / 8 : get_u(d, DWG13_RAW_SIZE);
  bytes = bounded(bytes, data);
  dxf_write_long_group(o, 93, int32_t(bytes));
  data_chunks(o, data, bytes);
  if (!from_dxf && get_u(d, TK_CLASS_DATA_FLAG)) object_ids(o, tk_data_blob(d, DWG13_RAW_HANDLES));
  dxf_write_long_group(o, 94, 0);
}

// Whether a DXF-read class entity's data is its groups (a flags word and its class number
// first), not a zombie's raw bytes.
bool holds_groups(TkEntityData* d) {
  DataReader data(tk_data_blob(d, kGroupsData));
  if (!data.open) return false;
  int32_t flags = 0, number = 0;
  xd_read_long(data.r, &flags);
  xd_read_long(data.r, &number);
  return !data.r->past_end && uint32_t(number) == get_u(d, kGroupsClass);
}

}  // namespace

// The stored groups of a class entity or object given back in stored order: each 16-bit code,
// its value in the form the code's range gives, handles of 330 to 369 taken from the separate
// handle list; the data ends at a code of 0 or where it runs out.
bool dxf_write_class_data(DxfOut& o, TkBlob* data, int32_t skip_longs, TkBlob* handles) {
  DataReader in(data);
  if (!in.open) return o.ok;
  TkBitReader& r = *in.r;
  int32_t ignored = 0;
  for (int32_t i = 0; i < skip_longs; ++i) xd_read_long(&r, &ignored);
  HandleSource refs(handles);
  std::vector<char> text(TK_PROXY_TEXT_MAX + 1);
  while (o.ok) {
    int16_t code = 0;
    xd_read_short(&r, &code);
    if (r.past_end || code == 0) break;
    if ((code >= 10 && code <= 18) || code == 210) {
      double p[3];
      xd_read_point(&r, p);
      if (r.past_end) break;
      dxf_write_point3(o, code, p);
    } else if (code >= 40 && code <= 48) {
      double v;
      xd_read_double(&r, &v);
      if (r.past_end) break;
      dxf_write_real_group(o, code, v);
    } else if (code >= 50 && code <= 58) {
      double v;
      xd_read_double(&r, &v);
      if (r.past_end) break;
      dxf_write_angle_group(o, code, v);
    } else if ((code >= 70 && code <= 78) || (code >= 170 && code <= 179) ||
               (code >= 270 && code <= 289)) {
      int16_t v;
      xd_read_short(&r, &v);
      if (r.past_end) break;
      dxf_write_short_group(o, code, v);
    } else if (code >= 90 && code <= 99) {
      int32_t v;
      xd_read_long(&r, &v);
      if (r.past_end) break;
      dxf_write_long_group(o, code, v);
    } else if ((code >= 1 && code <= 4) || code == 100 || (code >= 300 && code <= 309)) {
      if (!xd_read_text(&r, text.data(), uint16_t(text.size())) || r.past_end) break;
      dxf_write_string_group(o, code, text.data());
    } else if (code >= 320 && code <= 329) {
      TkHandle h;
      xd_read_handle(&r, &h);
      if (r.past_end) break;
      dxf_write_handle_group(o, 5, h);
    } else if (code >= 330 && code <= 369) {
      TkHandle h{};
      if (!refs.next(&h)) break;
      dxf_write_handle_group(o, code, h);
    }
  }
  return o.ok;
}

const char* dxf_class_entity_name(DxfOut& o, const TkEntityHeader& h, const TkEntityData& d) {
  TkDrawing* drawing = o.d;
  uint16_t kind = h.kind;
  if (kind == tk_class_ole2frame(drawing)) return "OLE2FRAME";
  if (kind == tk_class_lwpolyline(drawing)) return "LWPOLYLINE";
  if (kind == tk_class_hatch(drawing)) return "HATCH";
  if (kind == tk_class_image(drawing)) return "IMAGE";
  if (kind == tk_class_wipeout(drawing)) return "WIPEOUT";
  if (kind == tk_class_rtext(drawing)) return "RTEXT";
  // The DXF reader kept the groups of an entity of another class: it goes back under that
  // class's name.
  if (kind == 498 && drawing->is_dxf && holds_groups(const_cast<TkEntityData*>(&d))) {
    uint32_t number = tk_data_get<uint32_t>(&d, kGroupsClass);
    for (const TkLink* l = list_first(&drawing->classes); l; l = l->next) {
      const auto* c = static_cast<const TkClassRecord*>(tk_link_data(l));
      if (c->number == number && c->dxf_name[0]) return c->dxf_name;
    }
  }
  return o.version == 5 ? "ACAD_ZOMBIE_ENTITY" : "ACAD_PROXY_ENTITY";
}

bool dxf_write_kind_extra(DxfOut& o, TkEntityHeader* h, TkEntityData* d, bool* xdata_written) {
  TkDrawing* drawing = o.d;
  uint16_t kind = h->kind;
  switch (kind) {
    case TK_REGION:
    case TK_3DSOLID:
    case TK_BODY:
      write_modeler(o, d);
      return o.ok;
    case TK_MLINE:
      write_mline(o, h, d);
      return o.ok;
    case TK_VIEWPORT:
      write_viewport(o, h, d, xdata_written);
      return o.ok;
    default:
      break;
  }
  if (kind <= TK_LAST_FIXED_KIND) return o.ok;
  if (kind == tk_class_image(drawing) || kind == tk_class_wipeout(drawing)) {
    write_image(o, d, kind == tk_class_wipeout(drawing));
  } else if (kind == tk_class_ole2frame(drawing)) {
    write_ole2frame(o, d);
  } else if (kind == tk_class_rtext(drawing)) {
    write_rtext(o, h, d);
  } else if (kind == 498 && drawing->is_dxf && holds_groups(d)) {
    if (get_u(d, kGroupsHasGraphics)) graphics(o, tk_data_blob(d, kGroupsGraphics));
    dxf_write_class_data(o, tk_data_blob(d, kGroupsData), 2, tk_data_blob(d, kGroupsHandles));
  } else {
    write_proxy(o, h, d, drawing->is_dxf != 0);
  }
  return o.ok;
}

bool dxf_class_entity_writable(DxfOut& o, const TkEntityHeader& h) {
  if (o.version < 5) return false;
  TkDrawing* drawing = o.d;
  // Its number fields are not kept by the readers: it would come back wrong.
  if (h.kind == tk_class_arcalignedtext(drawing)) return false;
  return true;
}
