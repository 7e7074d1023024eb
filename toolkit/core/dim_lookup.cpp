// Dimension settings, arrow kinds, dictionary lookups and the small helpers beside them.
#include "toolkit/core/dim_lookup.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "toolkit/core/blob.h"
#include "toolkit/core/class_list.h"
#include "toolkit/core/drawing_life.h"
#include "toolkit/core/entity.h"
#include "toolkit/core/object.h"
#include "toolkit/core/state.h"
#include "toolkit/core/symtab.h"

namespace {

constexpr double pi = 3.14159265358979323846;

// The pairs of a "DSTYLE" list: the dimension variable's group code, then its value.
struct Overrides {
  bool dimsah_given = false;
  uint8_t dimsah = 0;
  bool arrow_given = false;
  TkHandle arrow{};
  uint16_t arrow_kind = TK_ARROW_DEFAULT;
};

uint16_t kind_of_block(TkDrawing* d, const TkHandle* block) {
  TkBlockRecord record;
  uint16_t kind = TK_ARROW_USER_BLOCK;
  if (tk_block_get(d, block, &record)) tk_arrow_kind(record.name, &kind);
  return kind;
}

void apply_pair(TkDrawing* d, int16_t variable, const TkXdataItem& v, TkDimSettings* s,
                Overrides* o) {
  double real;
  int16_t word;
  TkHandle handle;
  const char* text = reinterpret_cast<const char*>(v.value);
  std::memcpy(&real, v.value, sizeof real);
  std::memcpy(&word, v.value, sizeof word);
  std::memcpy(handle.bytes, v.value, sizeof handle.bytes);
  switch (variable) {
    case 40: if (v.code == 1040) s->scale = real; break;
    case 41: if (v.code == 1040) s->arrow_size = real; break;
    case 147: if (v.code == 1040) s->gap = real; break;
    case 77: if (v.code == 1070) s->text_position = static_cast<uint16_t>(word); break;
    case 176: if (v.code == 1070) s->line_colour = static_cast<uint16_t>(word); break;
    case 140: if (v.code == 1040) s->text_height = real; break;
    case 178: if (v.code == 1070) s->text_colour = static_cast<uint16_t>(word); break;
    case 340: if (v.code == 1005) s->text_style = handle; break;
    case 173:
      if (v.code == 1070) {
        o->dimsah_given = true;
        o->dimsah = word != 0;
      }
      break;
    case 5:
      if (v.code == 1000 && !tk_find_record_by_name(d, text, &s->arrow_block))
        s->arrow_block = TkHandle{};
      break;
    case 7:
      if (v.code == 1000) {
        o->arrow_given = true;
        if (!tk_find_record_by_name(d, text, &o->arrow)) o->arrow = TkHandle{};
        tk_arrow_kind(text, &o->arrow_kind);
      }
      break;
    case 341:
    case 342:
      if (v.code == 1005) s->arrow_block = handle;
      break;
    case 343:
    case 344:
      if (v.code == 1005) {
        o->arrow_given = true;
        o->arrow = handle;
        o->arrow_kind = kind_of_block(d, &handle);
      }
      break;
    default: break;
  }
}

bool is_brace(const TkXdataItem& item, bool open) {
  uint8_t c = item.value[0];
  return item.code == 1002 && (open ? (c == 0 || c == '{') : (c == 1 || c == '}'));
}

// Walks the "DSTYLE" list of the ACAD application's extended data. The walk is bounded by the
// blob: every item read moves on, and the end of the data ends it.
void read_overrides(TkDrawing* d, TkBlob* xdata, const TkHandle* acad, TkDimSettings* s,
                    Overrides* o) {
  TkBlob* r = blob_open_read(xdata);
  if (!r) return;
  TkXdataItem item;
  bool in_acad = false, after_dstyle = false, in_list = false;
  while (xdata_read_item(r, &item)) {
    if (item.code == 1001) {
      in_acad = std::memcmp(item.value, acad->bytes, 8) == 0;
      after_dstyle = in_list = false;
    } else if (!in_acad) {
      continue;
    } else if (!after_dstyle) {
      after_dstyle = item.code == 1000 && std::strcmp(reinterpret_cast<char*>(item.value),
                                                      "DSTYLE") == 0;
    } else if (!in_list) {
      in_list = is_brace(item, true);
    } else if (is_brace(item, false)) {
      break;
    } else if (item.code == 1070) {
      int16_t variable;
      std::memcpy(&variable, item.value, sizeof variable);
      TkXdataItem value;
      if (!xdata_read_item(r, &value)) break;
      apply_pair(d, variable, value, s, o);
    }
  }
  blob_close(r);
}

bool get_dictionary(TkDrawing* d, const TkHandle* handle, TkObjectHeader* h, TkObjectData* data) {
  return !tk_handle_is_null(handle) && tk_object_get(d, handle, h, data) &&
         h->type == TK_OBJ_DICTIONARY && data->dictionary.entry_count > 0;
}

}  // namespace

int16_t tk_read_dimstyle_overrides(TkDrawing* drawing, const TkEntityHeader* header,
                                   TkDimSettings* settings, const TkHandle* dimstyle) {
  *settings = TkDimSettings{1.0, 0.09, 0.09, 0, TK_ARROW_DEFAULT, TkHandle{}, 0, 0.18, 0, TkHandle{}};
  TkDimStyleRecord style;
  if (!tk_dimstyle_get(drawing, dimstyle, &style)) return 0;
  settings->arrow_size = style.dimasz;
  settings->text_position = style.dimtad;
  settings->scale = style.dimscale;
  settings->gap = style.dimgap;
  settings->line_colour = static_cast<uint16_t>(style.dimclrd);
  settings->text_height = style.dimtxt;
  settings->text_colour = static_cast<uint16_t>(style.dimclrt);
  settings->text_style = style.dimtxsty;
  settings->arrow_block = style.dimsah ? style.dimblk1 : style.dimblk;

  TkHandle acad;
  if (!header->xdata || !tk_appid_find(drawing, "ACAD", &acad)) return 1;
  Overrides o;
  read_overrides(drawing, header->xdata, &acad, settings, &o);
  if (o.arrow_given) {
    settings->arrow_block = o.arrow;
    bool dimsah = o.dimsah_given ? o.dimsah != 0 : style.dimsah != 0;
    if (dimsah) settings->arrow_kind = o.arrow_kind;
  }
  return 1;
}

int16_t tk_dict_find_entry(TkDrawing*, const TkDictionaryData* dictionary, const char* name,
                           TkHandle* out) {
  if (out) *out = TkHandle{};
  TkBlob* r = dictionary->entries ? blob_open_read(dictionary->entries) : nullptr;
  if (!r) return 0;
  TkDictEntry entry;
  int16_t found = 0;
  for (uint32_t i = 0; i < dictionary->entry_count && tk_dict_entry_read(r, &entry); ++i) {
    if (std::strcmp(entry.name, name) == 0) {
      if (out) *out = entry.object;
      found = 1;
      break;
    }
  }
  blob_close(r);
  return found;
}

int16_t tk_get_spatial_filter(TkDrawing* drawing, const TkEntityHeader* header, TkHandle* out) {
  *out = TkHandle{};
  TkObjectHeader h;
  TkObjectData data;
  TkHandle filters, spatial;
  if (!get_dictionary(drawing, &header->xdictionary, &h, &data) ||
      !tk_dict_find_entry(drawing, &data.dictionary, "ACAD_FILTER", &filters) ||
      !get_dictionary(drawing, &filters, &h, &data) ||
      !tk_dict_find_entry(drawing, &data.dictionary, "SPATIAL", &spatial) ||
      !tk_object_get(drawing, &spatial, &h, &data))
    return 0;
  uint16_t filter_class = tk_class_spatial_filter(drawing);
  if (filter_class == 0 || h.type != filter_class) return 0;
  *out = spatial;
  return 1;
}

int16_t tk_arrow_kind(const char* name, uint16_t* kind) {
  static const struct {
    const char* name;
    uint16_t kind;
  } known[] = {
      {"", TK_ARROW_DEFAULT},         {"_CLOSED", TK_ARROW_CLOSED}, {"_OPEN", TK_ARROW_OPEN},
      {"_DOT", TK_ARROW_DOT},         {"_ORIGIN", TK_ARROW_ORIGIN}, {"_OPEN90", TK_ARROW_OPEN90},
      {"_NONE", TK_ARROW_NONE},       {"_OBLIQUE", TK_ARROW_OBLIQUE},
  };
  *kind = TK_ARROW_USER_BLOCK;
  for (const auto& k : known)
    if (tk_name_compare(name, k.name) == 0) *kind = k.kind;
  return 1;
}

int32_t tk_get_dictionary_var(TkDrawing* drawing, const char* name, int32_t default_value) {
  uint16_t var_type = drawing->class_numbers[TK_CLASS_DICTIONARYVAR];
  if (var_type == 0) return default_value;
  for (const TkLink* l = list_first(&drawing->objects); l; l = l->next) {
    const auto* h = static_cast<const TkObjectHeader*>(tk_link_data(l));
    if (h->type != TK_OBJ_DICTIONARY) continue;
    TkHandle object;
    if (!tk_dict_lookup(drawing, &h->handle, name, &object)) continue;
    TkObjectHeader vh;
    TkObjectData vd;
    // The walk's list position is not the object list's current record: look the entry up
    // through the index, which leaves this walk alone.
    if (!tk_object_get(drawing, &object, &vh, &vd) || vh.type != var_type) continue;
    char text[64];
    std::memcpy(text, vd.dictionaryvar.value, sizeof text - 1);
    text[sizeof text - 1] = 0;
    if (!text[0]) return default_value;
    errno = 0;
    char* end = nullptr;
    long long value = std::strtoll(text, &end, 10);
    if (end == text || errno == ERANGE || value < INT32_MIN || value > INT32_MAX)
      return default_value;
    return static_cast<int32_t>(value);
  }
  return default_value;
}

uint16_t tk_get_max_name_length() { return tk_state ? tk_state->max_symbol_name : 0; }

int16_t tk_get_space_block_handle(const TkDrawing* drawing, TkHandle* out, uint16_t which) {
  if (which > 1) return 0;
  *out = drawing->fixed[which == 1 ? TK_FIXED_MODEL_SPACE : TK_FIXED_PAPER_SPACE];
  return tk_handle_is_null(out) ? 0 : 1;
}

double tk_angle_from_sin_scaled(double angle, double k) {
  return std::atan2(std::sin(angle) * k, std::cos(angle));
}

double tk_angle_from_cos_scaled(double angle, double k) {
  return std::atan2(std::sin(angle), std::cos(angle) * k);
}

double tk_angle_of_line(const double p0[2], const double p1[2]) {
  if (p0[0] == p1[0]) return p0[1] <= p1[1] ? pi / 2 : -pi / 2;
  double a = std::atan((p1[1] - p0[1]) / (p1[0] - p0[0]));
  return p1[0] < p0[0] ? a + pi : a;
}

double tk_angle_at_vertex(const double p0[2], const double p1[2], const double p2[2]) {
  double a = std::fabs(tk_angle_of_line(p1, p0) - tk_angle_of_line(p1, p2));
  a = std::fmod(a, 2 * pi);
  return a > pi ? 2 * pi - a : a;
}
