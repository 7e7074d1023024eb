#include "vector/model/Tavelo.h"

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <cstring>

#include "toolkit/core/blob.h"
#include "toolkit/core/class_list.h"
#include "toolkit/core/drawing_life.h"
#include "toolkit/core/entity.h"
#include "toolkit/core/entity_list.h"
#include "toolkit/core/hdr.h"
#include "toolkit/core/state.h"
#include "toolkit/core/symtab.h"
#include "toolkit/core/object.h"
#include "vector/model/AciPalette.h"
#include "vector/model/TaveloModel.h"

namespace {

uint64_t ToWord(const TkHandle& h) {
  uint64_t v = 0;
  for (uint8_t b : h.bytes) v = v << 8 | b;
  return v;
}
TkHandle FromWord(uint64_t v) {
  TkHandle h{};
  for (int i = 7; i >= 0; --i, v >>= 8) h.bytes[i] = uint8_t(v);
  return h;
}

}  // namespace

CTavelo::CTavelo() {
  if (!tk_state) return;
  m_drawing = tk_new_drawing(nullptr, nullptr, 0, 6);
  if (!m_drawing) return;
  m_header = tk_get_header(m_drawing);
  int16_t index = 0;
  if (m_header && tk_codepage_index("ansi_1252", &index)) m_header->dwgcodepage = index;
  TkHandle block{};
  if (!m_header || !tk_find_record_by_name(m_drawing, "*MODEL_SPACE", &block) ||
      !(m_modelSpace = tk_block_entity_list(m_drawing, &block))) {
    CloseDrawing();
  }
}

CTavelo::~CTavelo() { CloseDrawing(); }

void CTavelo::CloseDrawing() {
  if (m_drawing) tk_close_drawing(m_drawing);
  m_drawing = nullptr;
  m_header = nullptr;
  m_modelSpace = nullptr;
}

TkDrawing* CTavelo::DetachDrawing() {
  TkDrawing* d = m_drawing;
  m_drawing = nullptr;
  m_header = nullptr;
  m_modelSpace = nullptr;
  return d;
}

void CTavelo::UpdateExtents(const double p1[3], const double p2[3]) {
  if (!m_header) return;
  for (int i = 0; i < 3; ++i) {
    double lo = std::min(p1[i], p2[i]), hi = std::max(p1[i], p2[i]);
    // The first entity sets the extents: a new drawing's defaults would otherwise stay in them.
    if (!m_extentsSet || lo < m_header->extmin[i]) m_header->extmin[i] = lo;
    if (!m_extentsSet || hi > m_header->extmax[i]) m_header->extmax[i] = hi;
  }
  m_extentsSet = true;
}

CTLEntity::CTLEntity(CTavelo* owner, const TkHandle* handle, uint16_t kind) {
  if (!owner || !owner->Drawing()) return;
  m_owner = owner;
  m_data.reset(new TkEntityData());
  if (handle && ToWord(*handle) != 0 &&
      tk_get_entity_by_handle(owner->Drawing(), owner->ModelSpace(), handle, &m_header,
                              m_data.get()))
    return;
  if (!ReadUntil(kind, true)) Clear();
}

CTLEntity::~CTLEntity() = default;

bool CTLEntity::IsValid() const { return ToWord(m_header.handle) != 0; }

void CTLEntity::Clear() { m_header.handle = TkHandle{}; }

bool CTLEntity::ReadUntil(uint16_t kind, bool rewind) {
  if (!m_owner || !m_owner->ModelSpace()) return false;
  if (!m_data) m_data.reset(new TkEntityData());
  TkList* list = m_owner->ModelSpace();
  if (rewind && !entity_list_rewind(list)) return false;
  while (entity_list_next(list, &m_header, m_data.get()))
    if (kind == 0 || m_header.kind == kind) return true;
  return false;
}

bool CTLEntity::FindNext(uint16_t kind) {
  if (!m_owner || !m_owner->Drawing() || !IsValid()) return false;
  // Reading the entity again puts the list just behind it.
  const TkHandle at = m_header.handle;
  if (!m_data) m_data.reset(new TkEntityData());
  if (tk_get_entity_by_handle(m_owner->Drawing(), m_owner->ModelSpace(), &at, &m_header,
                              m_data.get()) &&
      ReadUntil(kind, false))
    return true;
  Clear();
  return false;
}

bool CTLEntity::First(uint16_t kind) {
  if (ReadUntil(kind, true)) return true;
  Clear();
  return false;
}

int16_t CTLEntity::Delete() {
  if (!m_owner || !m_owner->Drawing() || !IsValid()) return 0;
  const TkHandle at = m_header.handle;
  Clear();
  return tk_delete_entity(m_owner->Drawing(), m_owner->ModelSpace(), &at, 1);
}

int16_t CTLEntity::Update() {
  if (!m_owner || !m_owner->Drawing() || !IsValid() || !m_data) return 0;
  return tk_replace_entity(m_owner->Drawing(), m_owner->ModelSpace(), &m_header.handle, &m_header,
                           m_data.get());
}

uint32_t CTLEntity::ColorRGB() const {
  return AciRgbPalette[std::abs(int(int16_t(m_header.colour))) & 0xff];
}

bool CTLEntity::Add(CTavelo* owner, uint16_t kind, const TkHandle* layer, int64_t rgb,
                    void (*fill)(void*, void*), void* context) {
  if (!owner || !owner->Drawing() || !owner->ModelSpace()) return false;
  TkEntityHeader header{};
  static TkEntityData data;  // large; the GUI thread is the only one that builds drawings
  std::memset(&data, 0, sizeof data);
  header.kind = kind;
  tk_init_entity(owner->Drawing(), &header, &data);
  if (layer && ToWord(*layer) != 0) header.layer = *layer;
  if (rgb != -1) header.colour = uint16_t(NearestColorIndex(rgb));
  TkHandle handle{};
  if (!tk_next_handle(owner->Drawing(), nullptr, 0, &handle)) return false;
  header.handle = handle;
  fill(context, &data);
  if (!tk_add_entity(owner->Drawing(), owner->ModelSpace(), &header, &data)) return false;
  m_owner = owner;
  m_header = header;
  return true;
}

CTLRaster::CTLRaster(CTavelo* owner, const TkHandle* handle)
    : CTLEntity(owner, handle, owner && owner->Drawing() ? tk_class_image(owner->Drawing()) : 0) {
  // Without an IMAGE class there is no image: the kind-0 walk must not stand for one.
  if (!owner || !owner->Drawing() || tk_class_image(owner->Drawing()) == 0 ||
      m_header.kind != tk_class_image(owner->Drawing()))
    Clear();
  ReadDefinition();
}

bool CTLRaster::FindNext(uint16_t) {
  const uint16_t image = m_owner && m_owner->Drawing() ? tk_class_image(m_owner->Drawing()) : 0;
  bool found = image != 0 && CTLEntity::FindNext(image);
  ReadDefinition();
  return found;
}

bool CTLRaster::First(uint16_t) {
  const uint16_t image = m_owner && m_owner->Drawing() ? tk_class_image(m_owner->Drawing()) : 0;
  bool found = image != 0 && CTLEntity::First(image);
  if (!found) Clear();
  ReadDefinition();
  return found;
}

void CTLRaster::ReadDefinition() {
  m_imageFile.clear();
  m_xResolution = 0;
  if (!IsValid() || !m_data) return;
  const TkHandle definition = tk_data_get<TkHandle>(m_data.get(), TK_IMAGE_DEFINITION);
  static TkObjectHeader header;
  static TkObjectData data;
  if (!tk_object_get(m_owner->Drawing(), &definition, &header, &data)) return;
  if (tk_object_data_kind(m_owner->Drawing(), header.type) == TK_OBJDATA_IMAGEDEF) {
    m_imageFile.assign(data.imagedef.path, strnlen(data.imagedef.path, sizeof data.imagedef.path));
    if (data.imagedef.pixel_size[0] > 0) m_xResolution = 1.0 / data.imagedef.pixel_size[0];
  }
}

namespace {

struct Geometry {
  double a[3], b[3];
  double r, s, e;
  const std::string* text;
};

void PutPoint(TkEntityData* d, size_t at, const double p[3]) {
  for (int i = 0; i < 3; ++i) tk_data_put<double>(d, at + 8 * i, p[i]);
}

}  // namespace

CTLLine::CTLLine(CTavelo* owner, const double start[3], const double end[3],
                 const TkHandle* layer, int64_t rgb) {
  Geometry g{{start[0], start[1], start[2]}, {end[0], end[1], end[2]}, 0, 0, 0, nullptr};
  if (Add(owner, TK_LINE, layer, rgb,
          [](void* c, void* d) {
            auto* geo = static_cast<Geometry*>(c);
            PutPoint(static_cast<TkEntityData*>(d), 0, geo->a);
            PutPoint(static_cast<TkEntityData*>(d), 24, geo->b);
          },
          &g))
    owner->UpdateExtents(start, end);
}

CTLArc::CTLArc(CTavelo* owner, const double centre[3], double startAngle, double endAngle,
               double radius, const TkHandle* layer, int64_t rgb) {
  Geometry g{{centre[0], centre[1], centre[2]}, {}, radius, startAngle, endAngle, nullptr};
  if (Add(owner, TK_ARC, layer, rgb,
          [](void* c, void* d) {
            auto* geo = static_cast<Geometry*>(c);
            auto* data = static_cast<TkEntityData*>(d);
            PutPoint(data, 0, geo->a);
            tk_data_put<double>(data, 24, geo->r);
            tk_data_put<double>(data, 32, geo->s);
            tk_data_put<double>(data, 40, geo->e);
          },
          &g)) {
    double lo[3] = {centre[0] - radius, centre[1] - radius, centre[2]};
    double hi[3] = {centre[0] + radius, centre[1] + radius, centre[2]};
    owner->UpdateExtents(lo, hi);
  }
}

CTLCircle::CTLCircle(CTavelo* owner, const double centre[3], double radius,
                     const TkHandle* layer, int64_t rgb) {
  Geometry g{{centre[0], centre[1], centre[2]}, {}, radius, 0, 0, nullptr};
  if (Add(owner, TK_CIRCLE, layer, rgb,
          [](void* c, void* d) {
            auto* geo = static_cast<Geometry*>(c);
            auto* data = static_cast<TkEntityData*>(d);
            PutPoint(data, 0, geo->a);
            tk_data_put<double>(data, 24, geo->r);
          },
          &g)) {
    double lo[3] = {centre[0] - radius, centre[1] - radius, centre[2]};
    double hi[3] = {centre[0] + radius, centre[1] + radius, centre[2]};
    owner->UpdateExtents(lo, hi);
  }
}

CTLText::CTLText(CTavelo* owner, const double at[3], const std::string& text, double height,
                 double rotation, const TkHandle* layer, int64_t rgb) {
  Geometry g{{at[0], at[1], at[2]}, {}, height, rotation, 0, &text};
  if (Add(owner, TK_TEXT, layer, rgb,
          [](void* c, void* d) {
            auto* geo = static_cast<Geometry*>(c);
            auto* data = static_cast<TkEntityData*>(d);
            PutPoint(data, 0, geo->a);
            tk_data_put<double>(data, 24, geo->r);
            tk_data_put<double>(data, 32, geo->s);
            char* out = tk_data_text(data, TK_TEXT_STRING);
            size_t room = TK_ENTITY_DATA_SIZE - TK_TEXT_STRING - 1;
            size_t n = std::min(geo->text->size(), std::min<size_t>(room, 255));
            std::memcpy(out, geo->text->data(), n);
            out[n] = 0;
          },
          &g)) {
    double hi[3] = {at[0] + double(text.size()) * height * 0.8, at[1] + height, at[2]};
    owner->UpdateExtents(at, hi);
  }
}

namespace {

// The entries [begin, end) of the buffer, in pairs, that make one boundary path.
struct HatchPath {
  size_t begin, end;
};

TkBlob* WriteHatchPaths(const std::vector<HpglPoint>& buffer, const std::vector<HatchPath>& paths) {
  TkBlob* stored = blob_alloc(TK_BLOB_CHUNK_SIZE);
  TkBlob* w = stored ? blob_create(stored) : nullptr;
  bool ok = w != nullptr;
  for (const HatchPath& p : paths) {
    ok = ok && blob_write_long_raw(w, 1);  // an outer boundary
    ok = ok && blob_write_long_raw(w, int32_t((p.end - p.begin) / 2));
    for (size_t i = p.begin; ok && i < p.end; i += 2) {
      const HpglPoint& a = buffer[i];
      const HpglPoint& b = buffer[i + 1];
      if (HpglIsArcCentre(a)) {
        ok = blob_write_short_raw(w, 2) && blob_write_double(w, a.x) && blob_write_double(w, a.y) &&
             blob_write_double(w, a.z) && blob_write_double(w, b.x) && blob_write_double(w, b.y) &&
             blob_write_short_raw(w, 1);
      } else {
        ok = blob_write_short_raw(w, 1) && blob_write_double(w, a.x) && blob_write_double(w, a.y) &&
             blob_write_double(w, b.x) && blob_write_double(w, b.y);
      }
    }
    ok = ok && blob_write_long_raw(w, 0);  // no source objects: plotted fills are not associative
  }
  if (w && !blob_close_write(w)) ok = false;
  if (!ok) {
    blob_free(stored);
    return nullptr;
  }
  return stored;
}

TkBlob* WriteSeed() {
  TkBlob* stored = blob_alloc(TK_BLOB_CHUNK_SIZE);
  TkBlob* w = stored ? blob_create(stored) : nullptr;
  const double origin[2] = {0, 0};
  bool ok = w && blob_write_point2(w, origin);
  if (w && !blob_close_write(w)) ok = false;
  if (!ok) {
    blob_free(stored);
    return nullptr;
  }
  return stored;
}

}  // namespace

CTLHatch::CTLHatch(CTavelo* owner, const std::vector<HpglPoint>& buffer, const TkHandle* layer,
                   int64_t rgb) {
  if (!owner || !owner->Drawing()) return;
  uint16_t kind = tk_class_hatch(owner->Drawing());
  if (kind == 0) return;
  // A marker pair ends a path; edges after the last marker make a path too.
  std::vector<HatchPath> paths;
  size_t begin = 0;
  for (size_t i = 0; i + 1 < buffer.size(); i += 2) {
    if (!HpglIsMarker(buffer[i + 1])) continue;
    if (i > begin) paths.push_back({begin, i});
    begin = i + 2;
  }
  size_t whole = buffer.size() & ~size_t(1);
  if (whole > begin) paths.push_back({begin, whole});
  if (paths.empty()) return;
  struct Fill {
    TkBlob* paths;
    TkBlob* seeds;
    uint32_t count;
  } fill{WriteHatchPaths(buffer, paths), WriteSeed(), uint32_t(paths.size())};
  if (fill.paths && fill.seeds &&
      Add(owner, kind, layer, rgb,
          [](void* c, void* d) {
            auto* f = static_cast<Fill*>(c);
            auto* data = static_cast<TkEntityData*>(d);
            std::memcpy(tk_data_text(data, TK_HATCH_PATTERN), "SOLID", 6);
            tk_data_put<int16_t>(data, TK_HATCH_SOLID, 1);
            tk_data_put<int16_t>(data, TK_HATCH_PATTERN_TYPE, 1);
            tk_data_put<double>(data, TK_HATCH_SCALE, 1.0);
            tk_data_put<uint32_t>(data, TK_HATCH_PATH_COUNT, f->count);
            tk_data_put<uint32_t>(data, TK_HATCH_SEED_COUNT, 1);
            tk_data_put(data, TK_HATCH_PATHS, f->paths);
            tk_data_put(data, TK_HATCH_SEEDS, f->seeds);
          },
          &fill)) {
    for (const HatchPath& p : paths)
      for (size_t i = p.begin; i < p.end; i += 2) {
        const HpglPoint& a = buffer[i];
        const HpglPoint& b = buffer[i + 1];
        if (HpglIsArcCentre(a)) {
          double lo[3] = {a.x - a.z, a.y - a.z, 0}, hi[3] = {a.x + a.z, a.y + a.z, 0};
          owner->UpdateExtents(lo, hi);
        } else {
          double p1[3] = {a.x, a.y, 0}, p2[3] = {b.x, b.y, 0};
          owner->UpdateExtents(p1, p2);
        }
      }
    return;
  }
  // The entity did not take the blobs.
  blob_free(fill.paths);
  blob_free(fill.seeds);
}

CTLHatch::CTLHatch(CTavelo* owner, const TkHandle* handle)
    : CTLEntity(owner, handle, owner && owner->Drawing() ? tk_class_hatch(owner->Drawing()) : 0) {
  if (!owner || !owner->Drawing() || tk_class_hatch(owner->Drawing()) == 0 ||
      m_header.kind != tk_class_hatch(owner->Drawing()))
    Clear();
}

bool CTLHatch::FindNext(uint16_t) {
  const uint16_t hatch = m_owner && m_owner->Drawing() ? tk_class_hatch(m_owner->Drawing()) : 0;
  return hatch != 0 && CTLEntity::FindNext(hatch);
}

bool CTLHatch::First(uint16_t) {
  const uint16_t hatch = m_owner && m_owner->Drawing() ? tk_class_hatch(m_owner->Drawing()) : 0;
  if (hatch != 0 && CTLEntity::First(hatch)) return true;
  Clear();
  return false;
}

CTLLayer::CTLLayer(CTavelo* owner, const TkHandle* handle) {
  if (!owner || !owner->Drawing()) return;
  m_owner = owner;
  TkDrawing* d = owner->Drawing();
  static TkLayerRecord record;
  if ((handle && ToWord(*handle) != 0 && tk_layer_get(d, handle, &record)) ||
      (tk_layer_list_rewind(d) && tk_layer_list_next(d, &record))) {
    m_handle = record.handle;
    m_color = record.color;
  }
}

bool CTLLayer::IsValid() const { return ToWord(m_handle) != 0; }

uint32_t CTLLayer::ColorRGB() const { return AciRgbPalette[std::abs(int(m_color)) & 0xff]; }

bool CTLLayer::IsOn() const {
  if (!m_owner || !m_owner->Drawing() || ToWord(m_handle) == 0) return false;
  int16_t on = 0, frozen = 0, vpFrozen = 0, locked = 0;
  return tk_layer_get_state(m_owner->Drawing(), &m_handle, &on, &frozen, &vpFrozen, &locked) &&
         on != 0;
}

CTLLayer::CTLLayer(CTavelo* owner, const char* name, int64_t rgb) {
  if (!owner || !owner->Drawing()) return;
  TkDrawing* d = owner->Drawing();
  static TkLayerRecord record;
  std::memset(&record, 0, sizeof record);
  tk_init_layer_record(d, &record);
  std::string n = TaveloRecordName(name ? name : "");
  std::snprintf(record.name, sizeof record.name, "%s", n.c_str());
  record.color = int16_t(NearestColorIndex(rgb));
  static TkLinetypeRecord linetype;
  if (tk_ltype_rewind(d) && tk_ltype_next(d, &linetype)) record.linetype = linetype.handle;
  TkHandle handle{};
  if (!tk_next_handle(d, nullptr, 0, &handle)) return;
  record.handle = handle;
  if (tk_layer_add(d, &record)) {
    m_owner = owner;
    m_handle = handle;
    m_color = record.color;
  }
}

uint64_t TaveloHpglOutput::AddLayer(const char* name, uint32_t rgb) {
  return ToWord(CTLLayer(m_drawing, name, rgb).Handle());
}

void TaveloHpglOutput::AddLine(const HpglPoint& s, const HpglPoint& e, uint64_t layer,
                               uint32_t rgb) {
  double a[3] = {s.x, s.y, 0}, b[3] = {e.x, e.y, 0};
  TkHandle h = FromWord(layer);
  CTLLine(m_drawing, a, b, &h, rgb);
}

void TaveloHpglOutput::AddArc(const HpglPoint& c, double s, double e, double r, uint64_t layer,
                              uint32_t rgb) {
  double p[3] = {c.x, c.y, 0};
  TkHandle h = FromWord(layer);
  CTLArc(m_drawing, p, s, e, r, &h, rgb);
}

void TaveloHpglOutput::AddCircle(const HpglPoint& c, double r, uint64_t layer, uint32_t rgb) {
  double p[3] = {c.x, c.y, 0};
  TkHandle h = FromWord(layer);
  CTLCircle(m_drawing, p, r, &h, rgb);
}

void TaveloHpglOutput::AddText(const HpglPoint& at, const std::string& text, double height,
                               const char*, double rotation, int, int, uint64_t layer,
                               uint32_t rgb) {
  double p[3] = {at.x, at.y, 0};
  TkHandle h = FromWord(layer);
  CTLText(m_drawing, p, text, height, rotation, &h, rgb);
}

void TaveloHpglOutput::AddHatch(const std::vector<HpglPoint>& buffer, uint64_t layer,
                                uint32_t rgb) {
  TkHandle h = FromWord(layer);
  CTLHatch(m_drawing, buffer, &h, rgb);
}

TkDrawing* ConvertHpglFile(const char* path, const HpglProgressFn& progress, int* status) {
  FILE* f = std::fopen(path, "rb");
  if (!f) {
    if (status) *status = 12;
    return nullptr;
  }
  std::fclose(f);
  CTavelo drawing;
  if (!drawing.Drawing()) return nullptr;
  TaveloHpglOutput out(&drawing);
  HpglResult r = ConvertHpglPath(path, out, progress);
  if (r == kHpglCannotOpen && status) *status = 12;
  if (r != kHpglConverted) return nullptr;
  return drawing.DetachDrawing();
}
