// Fuzzing regeneration: a drawing is built from the bytes through the core's entity API (raw
// coordinates, radii, angles, widths, bulges, counts and strings straight from the input, so
// NaNs, infinities and huge values reach every routine), with a dashed linetype, two blocks that
// insert each other and a counting callback block, and regenerated. It must end, without a
// crash or an over-read, whatever the values; the poll slot ends runs that draw too much.
//   byte 0   header switches: FILLMODE, PDMODE bits, SPLFRAME, QTEXTMODE, ATTMODE
//   byte 1   PDSIZE and LTSCALE choice
//   bytes 2-9  the dashed linetype's four elements (signed tenths)
//   then records: kind byte, flags byte, a length byte n, n data bytes copied into the record
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "toolkit/core/blob.h"
#include "toolkit/core/class_list.h"
#include "toolkit/core/display_block.h"
#include "toolkit/core/display_state.h"
#include "toolkit/core/drawing_life.h"
#include "toolkit/core/entity_list.h"
#include "toolkit/core/hdr.h"
#include "toolkit/core/initdata.h"
#include "toolkit/core/load_entities.h"
#include "toolkit/core/symtab.h"
#include "toolkit/display/regen.h"

namespace {

size_t init_pos = 0;
int16_t init_open() {
  init_pos = 0;
  return 1;
}
int init_getc() {
  return init_pos < tk_initdata_builtin_size ? tk_initdata_builtin[init_pos++] : -1;
}
size_t init_read(void* buffer, size_t n) {
  size_t left = tk_initdata_builtin_size - init_pos;
  if (n > left) n = left;
  std::memcpy(buffer, tk_initdata_builtin + init_pos, n);
  init_pos += n;
  return n;
}
void init_close() {}

uint64_t primitives = 0;
uint32_t polls = 0;
void count_xy(int32_t, int32_t, TkUserData) { ++primitives; }
void count_fill(const int16_t* range, const int32_t* points, TkUserData) {
  // Read every point handed over, so an over-read shows.
  volatile int32_t sum = 0;
  for (int i = range[0]; i <= range[1]; ++i) sum = sum + points[2 * i] + points[2 * i + 1];
  ++primitives;
}
void count_colour(int16_t, TkUserData) {}
void poll(TkUserData) {
  if (++polls > 2000) regen_continue = 0;
}

bool start() {
  tk_set_initdata_open_callback(init_open);
  tk_set_initdata_getc_callback(init_getc);
  tk_set_initdata_read_callback(init_read);
  tk_set_initdata_close_callback(init_close);
  uint16_t status = 0;
  if (tk_init_core(nullptr, 1, &status) != 1 || tk_init() != 1) return false;
  tk_set_moveto_callback(count_xy);
  tk_set_lineto_callback(count_xy);
  tk_set_fill_polygon_callback(count_fill);
  tk_set_color_callback(count_colour);
  tk_set_poll_callback(poll);
  return true;
}

const uint16_t kKinds[] = {TK_LINE,  TK_POINT,   TK_CIRCLE, TK_ARC,    TK_ELLIPSE, TK_TRACE,
                           TK_SOLID, TK_3DFACE,  TK_TEXT,   TK_RAY,    TK_XLINE,   TK_POLYLINE,
                           TK_VERTEX, TK_SEQEND, TK_INSERT, TK_ATTRIB, TK_ATTDEF,  TK_VIEWPORT,
                           0 /* LWPOLYLINE */, TK_3DLINE};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool started = start();
  if (!started) std::abort();
  if (size < 10) return 0;
  TkDrawing* d = tk_new_drawing(nullptr, nullptr, 0, 6);
  if (!d) return 0;
  TkHeader* h = d->header;
  h->fillmode = data[0] & 1;
  h->pdmode = int16_t((data[0] >> 1) & 0x67);
  h->splframe = (data[0] >> 3) & 1;
  h->qtextmode = (data[0] >> 4) & 1;
  h->attmode = (data[0] >> 5) & 3;
  h->pdsize = (int8_t(data[1]) >> 2) * 0.5;
  h->ltscale = (data[1] & 3) ? (data[1] & 3) * 0.5 : 1.0;

  TkLinetypeRecord lt;
  tk_init_ltype_record(&lt);
  std::strcpy(lt.name, "FUZZ");
  tk_next_handle(d, nullptr, 0, &lt.handle);
  lt.element_count = 4;
  for (int i = 0; i < 4; ++i) {
    lt.elements[i].length = int8_t(data[2 + i]) / 10.0;
    lt.pattern_length += lt.elements[i].length < 0 ? -lt.elements[i].length : lt.elements[i].length;
  }
  tk_ltype_add(d, &lt);

  TkBlockRecord blocks[2];
  for (int i = 0; i < 2; ++i) {
    tk_init_block_record(&blocks[i]);
    std::strcpy(blocks[i].name, i ? "B" : "A");
    tk_next_handle(d, nullptr, 0, &blocks[i].handle);
    tk_add_block(d, &blocks[i]);
  }
  TkList* lists[3] = {&d->model_entities, tk_block_entity_list(d, &blocks[0].handle),
                      tk_block_entity_list(d, &blocks[1].handle)};

  size_t at = 10;
  TkEntityHeader eh;
  TkEntityData ed;
  while (at + 3 <= size) {
    uint8_t kind_byte = data[at], flags = data[at + 1], n = data[at + 2];
    at += 3;
    if (at + n > size) n = uint8_t(size - at);
    uint16_t kind = kKinds[kind_byte % (sizeof kKinds / sizeof *kKinds)];
    if (kind == 0) kind = tk_class_lwpolyline(d);
    if (kind == 0) kind = TK_LINE;
    eh = TkEntityHeader{};
    eh.kind = kind;
    tk_init_entity(d, &eh, &ed);
    tk_next_handle(d, nullptr, 0, &eh.handle);
    eh.thickness = (flags & 1) ? 2.0 : 0.0;
    if (flags & 2) {
      eh.flags |= TK_ENTITY_EXTRUDED;
      eh.extrusion[0] = 0.6;
      eh.extrusion[1] = 0.0;
      eh.extrusion[2] = 0.8;
    }
    if (flags & 4) eh.linetype = lt.handle;
    eh.colour = uint16_t(flags >> 4);
    // The data bytes land in the record's fixed part, never over a blob word.
    size_t limit = kind == TK_VIEWPORT ? 0 : kind == TK_TEXT ? 1000 : 200;
    if (kind == tk_class_lwpolyline(d)) limit = 8;
    if (kind == TK_INSERT) limit = 84;
    std::memcpy(ed.bytes, data + at, n < limit ? n : limit);
    if (kind == TK_INSERT) {
      tk_data_put(&ed, TK_INSERT_BLOCK, blocks[flags & 1].handle);
      // Arrays up to 8 x 8 cells: the counts come from the input, bounded.
      tk_data_put<int16_t>(&ed, 80, int16_t(tk_data_get<int16_t>(&ed, 80) & 7));
      tk_data_put<int16_t>(&ed, 82, int16_t(tk_data_get<int16_t>(&ed, 82) & 7));
    }
    if (kind == tk_class_lwpolyline(d)) {
      TkBlob* blob = blob_alloc(4096);
      TkBlob* w = blob ? blob_create(blob) : nullptr;
      if (w) {
        blob_write(w, data + at, n);
        blob_close_write(w);
      }
      tk_data_put(&ed, TK_LWPOLYLINE_VERTICES, blob);
      tk_data_put<uint32_t>(&ed, TK_LWPOLYLINE_COUNT, uint32_t(n) / 8 + (flags & 8));
    }
    at += n;
    TkList* list = lists[(flags >> 2) % 3 == 2 ? 1 + (kind_byte & 1) : 0];
    if (!tk_add_entity_flags(d, list, &eh, &ed, TK_PACK_KEEP_UNRESOLVED))
      tk_free_entity_blobs(d, &eh, &ed);
  }

  if (tk_display_open(d, nullptr, 1000, 800, nullptr)) {
    primitives = 0;
    polls = 0;
    regen_drawing(d);
  }
  tk_close_drawing(d);
  return 0;
}
