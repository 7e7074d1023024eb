// Opening a DXF file: the HEADER section is read into the drawing's header block, the other
// sections are only scanned for where each table's records, each block, the entities and the
// objects begin. The loaders then seek to those places through the rewind operations here and
// read the records with the table, entity and object readers.
#include <cstring>

#include "toolkit/core/hdr.h"
#include "toolkit/core/load.h"
#include "toolkit/core/mem.h"
#include "toolkit/core/state.h"
#include "toolkit/read/dxf_readers.h"

namespace {

const char* const kTableNames[DXF_TABLE_KINDS] = {"LTYPE", "LAYER",    "STYLE", "VIEW",
                                                  "VPORT", "APPID",    "DIMSTYLE", "UCS",
                                                  "BLOCK_RECORD"};

// Where the core keeps the declared record count of each scanned table.
const int kCoreCount[DXF_TABLE_KINDS] = {TK_COUNT_LTYPE, TK_COUNT_LAYER,    TK_COUNT_STYLE,
                                         TK_COUNT_VIEW,  TK_COUNT_VPORT,    TK_COUNT_APPID,
                                         TK_COUNT_DIMSTYLE, TK_COUNT_UCS,   -1};

const char* const kPendingDefaults[DXF_PENDING_HEADER_NAMES] = {
    "Continuous", "0", "Standard", "Standard", "Standard", "", "", "", "Standard", "", "", ""};

constexpr double kPi = 3.14159265358979323846;

void count_progress(DxfState* s) {
  if (++s->groups_since_check < 100) return;
  s->groups_since_check = 0;
  if (!tk_state->progress) return;
  int16_t before = s->percent;
  uint32_t here = dxf_tell(s);
  while (here > s->next_threshold && s->percent < 100 && s->step > 0) {
    s->percent = static_cast<int16_t>(s->percent + 5);
    s->next_threshold += s->step;
  }
  if (s->percent > 100) s->percent = 100;
  if (s->percent != before) tk_state->progress(s->percent, s->drawing->user_data);
}

// The next group of a scan that looks at the names of records only, and its position; 0 at the
// end of the file or when a group cannot be read. The groups in between are passed over where
// the file allows, never past the group at which the progress is checked next, so the progress
// is reported as when every group is read.
int16_t next_scanned_group(DxfState* s, uint32_t* position) {
  if (s->groups_since_check < 99)
    s->groups_since_check =
        static_cast<uint16_t>(s->groups_since_check + dxf_skip_groups(s, 99u - s->groups_since_check));
  *position = dxf_tell(s);
  if (!dxf_read_group(s) || dxf_at_end(s)) return 0;
  count_progress(s);
  return 1;
}

bool at_endsec(const DxfState* s) { return s->group.code == 0 && dxf_text_is(s, "ENDSEC"); }

int16_t store_header_value(DxfState* s, TkHeader* header, const TkHeaderVarDesc* v) {
  void* place = hdr_value(header, v);
  auto* bytes = static_cast<uint8_t*>(place);
  const TkDxfGroup& g = s->group;
  switch (v->type) {
    case TK_HV_BYTE: bytes[0] = static_cast<uint8_t>(g.i16); break;
    case TK_HV_INT16: std::memcpy(place, &g.i16, 2); break;
    case TK_HV_TEXT: dxf_copy_text(static_cast<char*>(place), v->size, s->text); break;
    case TK_HV_DATE: {
      TkDate date = dxf_date(g.real);
      std::memcpy(place, &date, sizeof date);
      break;
    }
    case TK_HV_USER_INT:
      if (v->size < 5) std::memcpy(bytes + 2 * v->size, &g.i16, 2);
      break;
    case TK_HV_USER_DOUBLE:
      if (v->size < 5) std::memcpy(bytes + 8 * v->size, &g.real, 8);
      break;
    case TK_HV_HANDLE: std::memcpy(place, g.handle.bytes, 8); break;
    case TK_HV_CODEPAGE: {
      int16_t index = 0;
      if (!tk_codepage_index(s->text, &index)) index = 0;
      std::memcpy(place, &index, 2);
      break;
    }
    default: break;
  }
  return 1;
}

// A real or point variable: its coordinates come in the value group and the groups 20 and 30
// that follow; the first group of another code is the next variable's name.
int16_t store_header_point(DxfState* s, TkHeader* header, const TkHeaderVarDesc* v) {
  auto* p = static_cast<double*>(hdr_value(header, v));
  std::memcpy(&p[0], &s->group.real, 8);
  if (!dxf_read_group(s)) return 0;
  if (v->type == TK_HV_DOUBLE) return 1;
  if (s->group.code != 20) return 1;
  std::memcpy(&p[1], &s->group.real, 8);
  if (!dxf_read_group(s)) return 0;
  if (v->type == TK_HV_POINT3 && s->group.code == 30) {
    std::memcpy(&p[2], &s->group.real, 8);
    if (!dxf_read_group(s)) return 0;
  }
  return 1;
}

// "AC" and four digits above 1015: a release after the newest the readers know.
bool is_later_release(const char* text) {
  if (text[0] != 'A' || text[1] != 'C') return false;
  int number = 0;
  for (int i = 2; i < 6; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    number = number * 10 + (text[i] - '0');
  }
  return text[6] == 0 && number > 1015;
}

int16_t read_header(DxfState* s, TkHeader* header) {
  TkDrawing* d = s->drawing;
  bool seed_read = false;
  if (!dxf_read_group(s)) return 0;
  while (!dxf_at_end(s) && !dxf_text_is(s, "ENDSEC")) {
    char name[DXF_HEADER_NAME_AREA];
    const char* text = s->text[0] ? s->text + 1 : s->text;
    // A name longer than its area is no variable the reader knows.
    bool fits = std::strlen(text) < sizeof name;
    const TkHeaderVarDesc* v = nullptr;
    int pending = -1;
    if (fits && s->group.code == 9) {
      std::memcpy(name, text, std::strlen(text) + 1);
      v = hdr_find(name);
      if (!v) pending = hdr_find_name_var(name);
    }
    if (v) {
      if (!dxf_read_group(s)) return 0;
      if (v->type == TK_HV_DOUBLE || v->type == TK_HV_POINT2 || v->type == TK_HV_POINT3) {
        if (!store_header_point(s, header, v)) return 0;
        continue;
      }
      store_header_value(s, header, v);
      if (v->type == TK_HV_HANDLE && std::strcmp(v->name, "HANDSEED") == 0) seed_read = true;
    } else if (pending >= 0) {
      if (!dxf_read_group(s)) return 0;
      dxf_copy_text(s->pending_names[pending], DXF_NAME_SIZE, s->text);
    }
    if (!dxf_read_group(s)) return 0;
  }
  if (dxf_at_end(s) && !dxf_text_is(s, "ENDSEC")) return tk_fail(TK_ERR_DXF_HEADER_EOF);

  header->acadver[sizeof header->acadver - 1] = 0;
  if (std::strncmp(header->acadver, "AC2.1", 5) == 0) std::strcpy(header->acadver, "AC1002");
  int16_t version = tk_version_from_string(header->acadver);
  if (version < 0) {
    // A later release keeps the sections, classes, objects and entity groups of AC1015, the
    // newest layout the readers know, and adds to them; anything else is read as the last
    // record-layout release.
    version = is_later_release(header->acadver) ? TK_VERSION_AC1015 : TK_VERSION_AC1009;
    std::strcpy(header->acadver, version == TK_VERSION_AC1015 ? "AC1015" : "AC1009");
    s->unknown_version = 1;
  }
  d->version = version;
  if (version == TK_VERSION_AC1012 || version == TK_VERSION_AC1014) {
    // Before AC1015 the fraction formats were units of their own.
    int16_t unit = header->dimlunit;
    if (unit == 4 || unit == 5) {
      header->dimfrac = 0;
    } else if (unit == 6 || unit == 7) {
      header->dimlunit = static_cast<int16_t>(unit - 2);
      header->dimfrac = 2;
    } else if (unit == 8) {
      header->dimlunit = 6;
      header->dimfrac = 0;
    }
  }
  const char* celtype = s->pending_names[hdr_find_name_var("CELTYPE")];
  if (tk_name_compare(celtype, "BYLAYER") == 0) s->pending_celtype_code = 32767;
  if (tk_name_compare(celtype, "BYBLOCK") == 0) s->pending_celtype_code = 32766;
  // The load resolves the names once the tables are in.
  static_assert(DXF_PENDING_HEADER_NAMES == TK_HEADER_NAME_VAR_COUNT, "one name per variable");
  for (size_t i = 0; i < DXF_PENDING_HEADER_NAMES; ++i)
    dxf_copy_text(tk_state->header_names[i], TK_HEADER_NAME_VAR_CAPACITY, s->pending_names[i]);
  header->angbase = header->angbase * (1.0 / 180.0) * kPi;
  if (seed_read) {
    d->has_file_seed = 1;
    d->file_seed = header->handseed;
  }
  return 1;
}

// Reads groups up to ENDTAB; counts and places the records named `record` (when given).
int16_t scan_table_body(DxfState* s, int kind) {
  for (;;) {
    uint32_t position = dxf_tell(s);
    if (!dxf_read_group(s) || dxf_at_end(s)) return 0;
    count_progress(s);
    if (s->group.code != 0) continue;
    if (dxf_text_is(s, "ENDTAB")) return 1;
    if (dxf_text_is(s, "ENDSEC")) {
      // A table without its end: the section ends here all the same.
      dxf_seek(s, position);
      return 1;
    }
    if (kind >= 0 && dxf_text_is(s, kTableNames[kind])) {
      s->tables_present |= 2u << kind;
      if (s->record_count[kind] == 0) s->first_record[kind] = position;
      ++s->record_count[kind];
    }
  }
}

int16_t scan_tables(DxfState* s) {
  for (;;) {
    if (!dxf_read_group(s) || dxf_at_end(s)) return 0;
    if (at_endsec(s)) return 1;
    if (s->group.code != 0 || !dxf_text_is(s, "TABLE")) continue;
    if (!dxf_read_group(s) || dxf_at_end(s)) return 0;
    int kind = -1;
    for (int k = 0; k < DXF_TABLE_KINDS; ++k)
      if (dxf_text_is(s, kTableNames[k])) kind = k;
    if (kind >= 0 && s->drawing->version >= TK_VERSION_AC1012) {
      uint32_t position = dxf_tell(s);
      if (!dxf_read_group(s)) return 0;
      if (s->group.code == 5 || s->group.code == 105) {
        s->table_handles[kind] = s->group.handle;
        // The drawing keeps the control handles, so a drawing saved again names the same.
        static const int kFixedSlot[DXF_TABLE_KINDS] = {3, 1, 2, 4, 6, 7, 8, 5, 0};
        if (!tk_handle_is_null(&s->group.handle))
          s->drawing->fixed[kFixedSlot[kind]] = s->group.handle;
      } else {
        dxf_seek(s, position);
      }
    }
    if (!scan_table_body(s, kind)) return 0;
  }
}

int16_t scan_entities(DxfState* s) {
  s->entities_start = dxf_tell(s);
  bool viewports = s->drawing->version >= TK_VERSION_AC1009;
  for (;;) {
    uint32_t position;
    if (!next_scanned_group(s, &position)) return 0;
    if (s->group.code != 0) continue;
    if (dxf_text_is(s, "ENDSEC")) {
      s->entities_end = position;
      return 1;
    }
    if (viewports && dxf_text_is(s, "VIEWPORT") && !dxf_positions_add(&s->viewports, position))
      return 0;
  }
}

int16_t scan_blocks(DxfState* s) {
  s->blocks_start = dxf_tell(s);
  for (;;) {
    uint32_t position;
    if (!next_scanned_group(s, &position)) return 0;
    if (s->group.code != 0) continue;
    if (dxf_text_is(s, "ENDSEC")) return 1;
    if (dxf_text_is(s, "BLOCK") && !dxf_positions_add(&s->blocks, position)) return 0;
  }
}

int16_t scan_objects(DxfState* s) {
  s->objects_start = dxf_tell(s);
  for (;;) {
    uint32_t position;
    if (!next_scanned_group(s, &position)) return 0;
    if (s->group.code != 0) continue;
    if (dxf_text_is(s, "ENDSEC")) return 1;
    if (dxf_text_is(s, "MLINESTYLE")) {
      if (s->mlinestyle_count == 0) s->mlinestyle_position = position;
      ++s->mlinestyle_count;
    }
  }
}

void fail_sections(DxfState* s) {
  dxf_positions_free(&s->blocks);
  dxf_positions_free(&s->viewports);
}

// The scan's findings as the core's loaders read them.
void publish(DxfState* s) {
  TkDrawing* d = s->drawing;
  for (int k = 0; k < DXF_TABLE_KINDS; ++k)
    if (kCoreCount[k] >= 0) d->record_counts[kCoreCount[k]] = s->record_count[k];
  d->record_counts[TK_COUNT_BLOCK] = static_cast<int32_t>(s->blocks.count);
  d->progress_start = s->entities_start;
  d->progress_end = s->entities_end;
}

}  // namespace

int16_t dxf_read_sections(TkDrawing* d) {
  DxfState* s = dxf_state_create(d);
  if (!s) return tk_fail_alloc(TK_ERR_DXF_TEMP_LIST);
  uint32_t length = file_length(d->file);
  s->step = s->next_threshold = length / 20;
  dxf_seek(s, 0);
  if (d->file_kind == TK_FILE_BINARY_DXF) {
    // The sentinel line runs up to its zero byte.
    for (;;) {
      int c = file_getc(d->file);
      if (file_eof(d->file) || c == 0) break;
    }
  }
  header_set_defaults(d->header);
  d->header->handling = 1;
  d->header->acadver[0] = 0;
  for (size_t i = 0; i < DXF_PENDING_HEADER_NAMES; ++i)
    dxf_copy_text(s->pending_names[i], DXF_NAME_SIZE, kPendingDefaults[i]);
  s->text[0] = 0;
  s->group.length = 0;

  for (;;) {
    if (tk_state->load_continue != 1 || dxf_text_is(s, "EOF")) break;
    // A file that ends after a section without its end marker was cut short.
    if (dxf_at_end(s)) {
      fail_sections(s);
      return tk_fail(TK_ERR_UNEXPECTED_EOF);
    }
    count_progress(s);
    bool found = false;
    for (;;) {
      if (!dxf_read_group(s)) {
        if (dxf_at_end(s)) break;
        fail_sections(s);
        return 0;
      }
      if (tk_state->load_continue != 1) {
        fail_sections(s);
        return 0;
      }
      if (dxf_text_is(s, "SECTION")) {
        found = true;
        break;
      }
      if (dxf_at_end(s) || dxf_text_is(s, "EOF")) break;
    }
    if (!found) {
      if (dxf_text_is(s, "EOF")) break;
      fail_sections(s);
      return tk_fail(TK_ERR_UNEXPECTED_EOF);
    }
    if (!dxf_read_group(s)) {
      fail_sections(s);
      return tk_fail(TK_ERR_UNEXPECTED_EOF);
    }
    int16_t ok = 1;
    TkError error = TK_ERR_NONE;
    if (dxf_text_is(s, "HEADER")) {
      s->tables_present |= 1;
      ok = read_header(s, d->header);
      error = TK_ERR_DXF_HEADER;
    } else if (dxf_text_is(s, "ENTITIES")) {
      // The scans look at group codes and names only; the values are read when the records
      // are.
      s->names_only = 1;
      ok = scan_entities(s);
      s->names_only = 0;
      error = TK_ERR_DXF_ENTITY;
    } else if (dxf_text_is(s, "TABLES") && !s->seen_tables) {
      s->seen_tables = 1;
      ok = scan_tables(s);
      error = TK_ERR_DXF_TABLE;
    } else if (dxf_text_is(s, "BLOCKS")) {
      s->names_only = 1;
      ok = scan_blocks(s);
      s->names_only = 0;
      error = TK_ERR_DXF_BLOCK;
    } else if (dxf_text_is(s, "OBJECTS")) {
      s->names_only = 1;
      ok = scan_objects(s);
      s->names_only = 0;
      error = TK_ERR_DXF_OBJECT;
    } else if (dxf_text_is(s, "CLASSES")) {
      if (s->classes_position == 0) s->classes_position = dxf_tell(s);
    }
    if (!ok) {
      fail_sections(s);
      // A fault of the group reader keeps its own number.
      TkError last = tk_state->last_error;
      if (last != TK_ERR_DXF_LINE_TOO_LONG && last != TK_ERR_DXF_NOT_NUMERIC) tk_fail(error);
      return 0;
    }
  }
  // A file without a header names no release; it is read as the last record-layout one.
  if (d->version < 0 || d->version >= TK_VERSION_COUNT) {
    d->version = TK_VERSION_AC1009;
    s->unknown_version = 1;
  }
  publish(s);
  d->seed = d->header->handseed;
  tk_fail(TK_ERR_NONE);
  if (tk_state->progress) tk_state->progress(100, d->user_data);
  return tk_state->load_continue == 1 ? 1 : 0;
}

namespace {

int16_t seek_table(TkDrawing* d, int kind) {
  DxfState* s = dxf_state(d);
  if (!s) return 0;
  if (s->first_record[kind]) dxf_seek(s, s->first_record[kind]);
  return 1;
}

}  // namespace

int16_t dxf_rewind_vports(TkDrawing* d) { return seek_table(d, DXF_VPORT); }
int16_t dxf_rewind_views(TkDrawing* d) { return seek_table(d, DXF_VIEW); }
int16_t dxf_rewind_ucs(TkDrawing* d) { return seek_table(d, DXF_UCS); }
int16_t dxf_rewind_styles(TkDrawing* d) { return seek_table(d, DXF_STYLE); }
int16_t dxf_rewind_appids(TkDrawing* d) { return seek_table(d, DXF_APPID); }
int16_t dxf_rewind_ltypes(TkDrawing* d) { return seek_table(d, DXF_LTYPE); }
int16_t dxf_rewind_layers(TkDrawing* d) { return seek_table(d, DXF_LAYER); }
int16_t dxf_rewind_dimstyles(TkDrawing* d) { return seek_table(d, DXF_DIMSTYLE); }
int16_t dxf_seek_block_records(TkDrawing* d) { return seek_table(d, DXF_BLOCK_RECORD); }

int16_t dxf_seek_classes(TkDrawing* d) {
  DxfState* s = dxf_state(d);
  if (!s) return 0;
  // Without a CLASSES section there is nothing to read: the class reader finds ENDSEC or the end.
  dxf_seek(s, s->classes_position ? s->classes_position : file_length(d->file));
  return 1;
}

int16_t dxf_rewind_objects(TkDrawing* d) {
  DxfState* s = dxf_state(d);
  if (!s) return 0;
  dxf_seek(s, s->objects_start ? s->objects_start : file_length(d->file));
  return 1;
}

int16_t dxf_rewind_entities(TkDrawing* d) {
  DxfState* s = dxf_state(d);
  if (!s) return 0;
  s->in_block = 0;
  dxf_seek(s, s->entities_start ? s->entities_start : file_length(d->file));
  return 1;
}

int16_t dxf_begin_blocks(TkDrawing* d) {
  DxfState* s = dxf_state(d);
  if (!s) return 0;
  s->blocks.next = 0;
  s->block_headers_read = 0;
  s->block_names_used = 0;
  s->block_cursor = 0;
  dxf_seek(s, s->blocks_start);
  return 1;
}
