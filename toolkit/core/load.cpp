// The load road: sniffing a file's kind and version, opening it through the right reader set,
// and running the numbered load steps, each of which stores its error number before it runs so
// that a failure names the step it reached. Also the table loaders, which drive one table's
// reader operations and add the records every drawing needs. How a reader parses its format is
// the reader's business.
#include "toolkit/core/load.h"

#include <cstring>
#include <initializer_list>

#include "toolkit/core/blob.h"
#include "toolkit/core/class_list.h"
#include "toolkit/core/defaults.h"
#include "toolkit/core/drawing_life.h"
#include "toolkit/core/entity_list.h"
#include "toolkit/core/hdr.h"
#include "toolkit/core/hidx.h"
#include "toolkit/core/layout.h"
#include "toolkit/core/list.h"
#include "toolkit/core/load_complete.h"
#include "toolkit/core/load_entities.h"
#include "toolkit/core/mem.h"
#include "toolkit/core/reader_ops.h"
#include "toolkit/core/state.h"
#include "toolkit/core/symtab.h"

namespace {

const char* const version_texts[TK_VERSION_COUNT] = {"AC1002", "AC1003", "AC1004", "AC1006",
                                                     "AC1009", "AC1012", "AC1014", "AC1015"};

constexpr char binary_dxf_sentinel[] = "AutoCAD Binary DXF";

bool starts_with(const uint8_t* buffer, size_t length, const char* text) {
  size_t n = std::strlen(text);
  return length >= n && std::memcmp(buffer, text, n) == 0;
}

// Every start position of the window is tried, the last ones too: a marker that ends exactly at
// the end of a short file still counts.
bool contains(const uint8_t* buffer, size_t length, const char* text) {
  size_t n = std::strlen(text);
  if (length < n) return false;
  for (size_t p = 0; p + n <= length; ++p)
    if (std::memcmp(buffer + p, text, n) == 0) return true;
  return false;
}

// DWG files of the first releases name them "AC1.40", "AC2.10" and the like: they are DWG all
// the same, so the DWG reader refuses them as an unsupported version rather than their being
// taken for DXF.
bool is_early_dwg(const uint8_t* buffer, size_t length) {
  return length >= 6 && buffer[0] == 'A' && buffer[1] == 'C' && buffer[2] >= '1' &&
         buffer[2] <= '2' && buffer[3] == '.';
}

bool is_pre_r13(const TkDrawing* d) { return d->version < TK_VERSION_AC1012; }

int32_t declared_count(const TkDrawing* d, TkTableCount table) {
  int32_t n = d->record_counts[table];
  return n > 0 ? n : 0;
}

// Every record takes at least one byte of the file, so a count beyond the file's length is
// damage; refusing it keeps a reader that never runs dry from looping for a count of billions.
bool count_fits(const TkDrawing* d, int32_t count) {
  return !d->file || static_cast<uint32_t>(count) <= file_length(d->file);
}

// What a table record owns besides its bytes; freed when the record is dropped or its table is
// given up.
void free_owned(TkLinetypeRecord* r) { blob_free(r->xdata), blob_free(r->reactors); }
void free_owned(TkLayerRecord* r) { blob_free(r->xdata), blob_free(r->reactors); }
void free_owned(TkVportRecord* r) { blob_free(r->xdata), blob_free(r->reactors); }
void free_owned(TkAppIdRecord* r) { blob_free(r->xdata), blob_free(r->reactors); }
void free_owned(TkTextStyleRecord* r) { blob_free(r->xdata), blob_free(r->reactors); }
void free_owned(TkViewRecord* r) { blob_free(r->reactors); }
void free_owned(TkUcsRecord* r) { blob_free(r->reactors); }
void free_owned(TkDimStyleRecord* r) { blob_free(r->reactors); }

// The extended data a stored record owns, whose references the load resolves at its end.
TkBlob* xdata_of(TkLinetypeRecord* r) { return r->xdata; }
TkBlob* xdata_of(TkLayerRecord* r) { return r->xdata; }
TkBlob* xdata_of(TkVportRecord* r) { return r->xdata; }
TkBlob* xdata_of(TkAppIdRecord* r) { return r->xdata; }
TkBlob* xdata_of(TkTextStyleRecord* r) { return r->xdata; }
TkBlob* xdata_of(void*) { return nullptr; }

template <typename Record>
void free_table(TkList* list) {
  for (TkLink* l = list_first(list); l; l = l->next)
    free_owned(static_cast<Record*>(tk_link_data(l)));
  list_free_links(list);
}

enum class Keep { store, skip };

// Starts the table, then reads and stores one record per declared record. `decide` may look at
// or change a record before it is stored, or have it dropped. A read or store failure gives up
// the whole table.
template <typename Record, typename Read, typename Decide>
int16_t load_table(TkDrawing* d, TkList* list, TkTableCount table, int16_t (*begin)(TkDrawing*),
                   Read read, Decide decide) {
  int32_t count = declared_count(d, table);
  if (!count_fits(d, count)) return 0;
  if (!begin(d) && count > 0) {
    free_table<Record>(list);
    return 0;
  }
  for (int32_t i = 0; i < count; ++i) {
    Record record;
    std::memset(&record, 0, sizeof record);
    std::memset(&tk_state->pending, 0, sizeof tk_state->pending);
    uint8_t has_xdata = 0;
    tk_state->record_skipped = 0;
    bool ok = read(d, &record, &has_xdata) != 0;
    if (ok && tk_state->record_skipped) {
      free_owned(&record);
      continue;
    }
    const TkHandle as_read = record.handle;
    if (ok && is_pre_r13(d)) ok = tk_next_handle(d, nullptr, 0, &record.handle) != 0;
    if (ok && decide(&record) == Keep::skip) {
      free_owned(&record);
      continue;
    }
    ok = ok && tk_fresh_handle_if_taken(d, &record.handle) &&
         record_store_indexed(&record.handle, &d->index, &record, sizeof record, list,
                              TK_POS_END, nullptr) != nullptr;
    // What the reader queued under the record's handle as read follows the handle it got.
    if (ok && list == &d->dimstyles && d->arrow_name_count > 0)
      ok = tk_name_refs_rekey(d, &as_read, &record.handle) != 0;
    // Stored, the record owns its extended data until the drawing closes.
    if (ok && !tk_collect_xdata_fixups(d, xdata_of(&record))) {
      free_table<Record>(list);
      return 0;
    }
    if (!ok) {
      free_owned(&record);
      free_table<Record>(list);
      return 0;
    }
  }
  return 1;
}

bool is_dxf(const TkDrawing* d) { return d->is_dxf != 0; }

void free_block_records(TkDrawing* d) {
  for (TkLink* l = list_first(&d->blocks); l; l = l->next) {
    auto* b = static_cast<TkBlockRecord*>(tk_link_data(l));
    blob_free(b->first_blob);
    blob_free(b->second_blob);
    blob_free(b->references);
    if (b->entities != &d->model_entities && b->entities != &d->paper_entities)
      list_free(b->entities);
  }
  list_free_links(&d->blocks);
}

int16_t resolve_header_step(TkDrawing* d) { return tk_resolve_header_references(d, d->header); }

int16_t current_mlstyle_step(TkDrawing* d) {
  if (!is_dxf(d) || is_pre_r13(d)) return 1;
  int16_t ok = tk_find_current_mlstyle(d, &d->header->name_handles[TK_HNV_CMLSTYLE]) &&
               tk_resolve_mline_styles(d);
  // Text DXF of AC1015 names its plot styles through the named-object dictionary; a drawing
  // without them still loads.
  if (ok && d->file_kind == TK_FILE_TEXT_DXF && d->version == TK_VERSION_AC1015)
    tk_find_plotstyle_dictionary(d);
  return ok;
}

// The steps after the reader has opened the file, in load order.
struct LoadStep {
  TkError error;
  int16_t progress;  // -1: the step reports none
  int16_t (*run)(TkDrawing* drawing);
};

const LoadStep load_steps[] = {
    {TK_ERR_LOAD_LTYPES, 4, tk_load_ltypes},
    {TK_ERR_LOAD_LAYERS, 8, tk_load_layers},
    {TK_ERR_LOAD_CLASSES, 12, tk_load_classes},
    {TK_ERR_LOAD_VPORTS, 16, tk_load_vports},
    {TK_ERR_LOAD_UCSS, 20, tk_load_ucs},
    {TK_ERR_LOAD_APPIDS, 24, tk_load_appids},
    {TK_ERR_LOAD_VIEWS, 28, tk_load_views},
    {TK_ERR_LOAD_STYLES, 32, tk_load_styles},
    {TK_ERR_LOAD_BLOCK_HEADERS, 36, tk_load_block_headers},
    {TK_ERR_LOAD_DIMSTYLES, 40, tk_load_dimstyles},
    {TK_ERR_LOAD_ENTITIES, 46, tk_load_entities},
    {TK_ERR_LOAD_BLOCK_ENTITIES, -1, tk_load_block_entities},
    {TK_ERR_LOAD_OBJECTS, -1, tk_load_objects},
    {TK_ERR_RESOLVE_VIEWPORTS, 96, tk_resolve_viewport_entities},
    {TK_ERR_RESOLVE_HEADER, -1, resolve_header_step},
    {TK_ERR_CURRENT_MLSTYLE, -1, current_mlstyle_step},
    {TK_ERR_DEFAULT_OBJECTS, -1, tk_add_default_objects_on_load},
};

// Gives up an open: the file is closed and everything the drawing holds is freed, keeping the
// error that names what failed.
TkDrawing* fail_open(TkDrawing* d) {
  TkError error = tk_state->last_error;
  if (d->file) file_close(d->file);
  d->file = nullptr;
  tk_close_drawing(d);
  tk_fail(error);
  return nullptr;
}

// Reads the first bytes and decides kind, reader set and version. 1 when the file may be read on.
int16_t sniff(TkDrawing* d, bool* readable) {
  auto* buffer = static_cast<uint8_t*>(mem_alloc(TK_SNIFF_SIZE));
  if (!buffer) return tk_fail_alloc(TK_ERR_READ_BUFFER);
  size_t length = file_length(d->file);
  if (length > TK_SNIFF_SIZE) length = TK_SNIFF_SIZE;
  file_seek(d->file, 0, 0);
  length = file_read(buffer, 1, length, d->file);

  *readable = true;
  if (!starts_with(buffer, length, "AC10") && !is_early_dwg(buffer, length)) {
    d->is_dxf = 1;
    d->file_kind = TK_FILE_TEXT_DXF;
    d->readers = tk_dxf_readers();
    if (starts_with(buffer, length, binary_dxf_sentinel)) d->file_kind = TK_FILE_BINARY_DXF;
    *readable = contains(buffer, length, "SECTION") || starts_with(buffer, length, "999");
  }
  d->version = tk_detect_version(buffer, length);
  // A binary file names its release in its header, which is read with the code width of the
  // release: a release the search does not know (a later one) is read with two-byte codes when
  // its first group has one (code 0 or a comment 999), until its header says more.
  const size_t first_code = sizeof binary_dxf_sentinel + 3;
  if (d->version < 0 && d->file_kind == TK_FILE_BINARY_DXF && length >= first_code + 2 &&
      ((buffer[first_code] == 0 && buffer[first_code + 1] == 0) ||
       (buffer[first_code] == 0xE7 && buffer[first_code + 1] == 0x03)))
    d->version = TK_VERSION_AC1015;
  mem_free(buffer);
  return 1;
}

}  // namespace

int16_t tk_detect_version(const uint8_t* buffer, size_t length) {
  tk_state->codepage_beta = 0;
  for (int16_t i = 0; i < TK_VERSION_COUNT; ++i)
    if (contains(buffer, length, version_texts[i])) return i;
  if (starts_with(buffer, length, "AC1013")) {
    tk_state->codepage_beta = 1;
    return TK_VERSION_AC1014;
  }
  return -1;
}

int16_t tk_version_from_string(const char* text) {
  for (int16_t i = 0; i < TK_VERSION_COUNT; ++i)
    if (std::strcmp(text, version_texts[i]) == 0) return i;
  return -1;
}

int16_t tk_read_progress(TkDrawing* drawing) {
  uint32_t start = drawing->progress_start;
  uint32_t end = drawing->progress_end;
  if (end <= start) return drawing->progress = 100;
  int64_t position = drawing->file ? file_tell(drawing->file) : 0;
  int64_t percent = 100 * (position - start) / (end - start) + 1;
  if (percent >= 1 && percent <= 100) drawing->progress = static_cast<int16_t>(percent);
  if (drawing->progress < 0) drawing->progress = 0;
  return drawing->progress;
}

void tk_report_load_progress(TkDrawing* drawing, int16_t percent) {
  if (tk_state->progress) tk_state->progress(percent, drawing->user_data);
}

int16_t tk_assign_table_handles(TkDrawing* drawing, const TkHandle* handles) {
  if (handles) {
    std::memcpy(drawing->fixed, handles, sizeof drawing->fixed);
    return 1;
  }
  static const int order[TK_FIXED_HANDLES] = {0, 1, 2, 3, 4, 5, 6, 7, 8,
                                              TK_FIXED_MODEL_SPACE, TK_FIXED_PAPER_SPACE, 9};
  for (int i : order)
    if (!tk_next_handle(drawing, nullptr, 0, &drawing->fixed[i])) return 0;
  return 1;
}

int16_t tk_load_ltypes(TkDrawing* d) {
  if (is_pre_r13(d) && !tk_add_default_linetypes(d, nullptr)) return 0;
  bool continuous = false;
  int16_t ok = load_table<TkLinetypeRecord>(
      d, &d->linetypes, TK_COUNT_LTYPE, reader_call_begin_linetypes, reader_call_read_linetype,
      [d, &continuous](TkLinetypeRecord* r) {
        // The by-linetypes are kept as drawing handles and stored again under those below, so a
        // file's own records never make a second pair.
        if (tk_name_compare(r->name, "BYLAYER") == 0) {
          if (!is_pre_r13(d)) d->bylayer_linetype = r->handle;
          return Keep::skip;
        }
        if (tk_name_compare(r->name, "BYBLOCK") == 0) {
          if (!is_pre_r13(d)) d->byblock_linetype = r->handle;
          return Keep::skip;
        }
        TkHandle present;
        if (is_dxf(d) && tk_ltype_find(d, r->name, &present)) return Keep::skip;
        if (tk_name_compare(r->name, "CONTINUOUS") == 0) {
          std::memcpy(tk_state->continuous_linetype_handle, r->handle.bytes, 8);
          continuous = true;
        }
        return Keep::store;
      });
  if (!ok) return 0;
  if (!is_pre_r13(d)) {
    // A file without its own by-linetypes still needs them; they take fresh handles.
    if (tk_handle_is_null(&d->byblock_linetype) &&
        !tk_next_handle(d, nullptr, 0, &d->byblock_linetype))
      return 0;
    if (tk_handle_is_null(&d->bylayer_linetype) &&
        !tk_next_handle(d, nullptr, 0, &d->bylayer_linetype))
      return 0;
    if (!tk_add_linetype(d, "ByBlock", &d->byblock_linetype) ||
        !tk_add_linetype(d, "ByLayer", &d->bylayer_linetype))
      return 0;
  }
  if (is_dxf(d) && !continuous) {
    if (!tk_add_continuous_linetype(d, nullptr)) return 0;
    TkHandle h;
    if (tk_ltype_find(d, "Continuous", &h))
      std::memcpy(tk_state->continuous_linetype_handle, h.bytes, 8);
  }
  return 1;
}

int16_t tk_load_layers(TkDrawing* d) {
  TkHandle continuous{};
  bool has_continuous = tk_ltype_find(d, "Continuous", &continuous) != 0;
  bool layer0 = false;
  int16_t ok = load_table<TkLayerRecord>(
      d, &d->layers, TK_COUNT_LAYER, reader_call_begin_layers, reader_call_read_layer,
      [&](TkLayerRecord* r) {
        TkHandle present;
        if (is_dxf(d) && tk_layer_find(d, r->name, &present)) return Keep::skip;
        // Older files name a layer's linetype by name or table position; one they do not
        // define draws continuous.
        if (is_pre_r13(d) && !tk_resolve_linetype_ref(d, &tk_state->pending, &r->linetype))
          r->linetype = continuous;
        // Layers of external references draw continuous unless the drawing keeps their own
        // settings.
        if (d->header->visretain == 0 && std::strchr(r->name, '|') && has_continuous)
          r->linetype = continuous;
        if (std::strcmp(r->name, "0") == 0) layer0 = true;
        return Keep::store;
      });
  if (!ok) return 0;
  if (is_dxf(d) && !layer0 && !tk_add_layer0(d, nullptr)) return 0;
  return 1;
}

int16_t tk_load_classes(TkDrawing* d) {
  if (is_pre_r13(d)) return 1;
  if (!reader_call_begin_classes(d)) return 0;
  // Class numbers are 16-bit from TK_FIRST_CLASS_NUMBER on; a file claiming more is damaged,
  // and the bound keeps a reader that never says "no more" from looping for ever.
  const int32_t max_classes = 0xFFFF - TK_FIRST_CLASS_NUMBER;
  for (int32_t n = 0;; ++n) {
    TkClassRecord record;
    std::memset(&record, 0, sizeof record);
    if (!reader_call_read_class(d, &record)) break;
    if (n >= max_classes || !class_add(d, &record)) {
      list_free_links(&d->classes);
      return 0;
    }
  }
  return 1;
}

int16_t tk_load_vports(TkDrawing* d) {
  if (declared_count(d, TK_COUNT_VPORT) > TK_MAX_VPORTS) return 0;
  bool active = false;
  int16_t ok = load_table<TkVportRecord>(d, &d->vports, TK_COUNT_VPORT, reader_call_begin_vports,
                                         reader_call_read_vport, [&](TkVportRecord* r) {
                                           if (tk_name_compare(r->name, "*ACTIVE") == 0)
                                             active = true;
                                           return Keep::store;
                                         });
  if (!ok) return 0;
  return active ? 1 : tk_add_active_vport(d, nullptr);
}

int16_t tk_load_ucs(TkDrawing* d) {
  return load_table<TkUcsRecord>(d, &d->ucss, TK_COUNT_UCS, reader_call_begin_ucss,
                                 reader_call_read_ucs, [](TkUcsRecord*) { return Keep::store; });
}

int16_t tk_load_appids(TkDrawing* d) {
  bool acad = false;
  int16_t ok = load_table<TkAppIdRecord>(d, &d->appids, TK_COUNT_APPID, reader_call_begin_appids,
                                         reader_call_read_appid, [&](TkAppIdRecord* r) {
                                           if (tk_name_compare(r->name, "ACAD") == 0) acad = true;
                                           return Keep::store;
                                         });
  if (!ok) return 0;
  bool needs_acad = tk_appid_count(d) == 0 || (is_dxf(d) && !acad);
  return needs_acad ? tk_add_acad_appid(d, nullptr) : 1;
}

int16_t tk_load_views(TkDrawing* d) {
  return load_table<TkViewRecord>(d, &d->views, TK_COUNT_VIEW, reader_call_begin_views,
                                  reader_call_read_view, [](TkViewRecord*) { return Keep::store; });
}

int16_t tk_load_styles(TkDrawing* d) {
  bool standard = false;
  int16_t ok = load_table<TkTextStyleRecord>(
      d, &d->styles, TK_COUNT_STYLE, reader_call_begin_styles, reader_call_read_style,
      [&](TkTextStyleRecord* r) {
        if (tk_name_compare(r->name, "STANDARD") == 0) standard = true;
        return Keep::store;
      });
  if (!ok) return 0;
  return is_dxf(d) && !standard ? tk_add_standard_style(d, nullptr) : 1;
}

int16_t tk_load_dimstyles(TkDrawing* d) {
  int16_t ok = load_table<TkDimStyleRecord>(d, &d->dimstyles, TK_COUNT_DIMSTYLE,
                                            reader_call_begin_dimstyles, reader_call_read_dimstyle,
                                            [](TkDimStyleRecord*) { return Keep::store; });
  if (!ok) return 0;
  return tk_dimstyle_count(d) == 0 ? tk_add_standard_dimstyle(d, nullptr) : 1;
}

int16_t tk_create_space_blocks(TkDrawing* drawing, const TkHandle* model, const TkHandle* paper,
                               const char* model_name, const char* paper_name,
                               uint8_t model_flags, uint8_t paper_flags) {
  struct Space {
    const TkHandle* handle;
    const char* name;
    uint8_t flags;
    TkList* entities;
  } const spaces[] = {
      // Paper space first: each goes to the front, so model space ends up leading the list.
      {paper, paper_name, paper_flags, &drawing->paper_entities},
      {model, model_name, model_flags, &drawing->model_entities},
  };
  for (const Space& space : spaces) {
    TkBlockRecord record;
    tk_init_block_record(&record);
    std::strncpy(record.name, space.name, sizeof record.name - 1);
    record.name[sizeof record.name - 1] = 0;
    record.handle = *space.handle;
    record.flags = space.flags;
    record.entities = space.entities;
    if (!record_store_indexed(&record.handle, &drawing->index, &record, sizeof record,
                              &drawing->blocks, TK_POS_FRONT, nullptr))
      return 0;
  }
  return 1;
}

namespace {

// Reads the next BLOCK_RECORD table record through the DXF set (the n-th of the pass). The
// reader does not say where the table ends: a record without a name, or one that the table's
// control object (the owner of the pass's first record) does not own, lies behind it.
bool next_block_record(TkDrawing* d, uint32_t n, TkHandle* table, TkBlockRecord* record) {
  tk_init_block_record(record);
  if (!tk_dxf_readers()->read_block_record(d, record)) return false;
  blob_free(record->first_blob);
  blob_free(record->second_blob);
  blob_free(record->references);
  record->first_blob = record->second_blob = record->references = nullptr;
  if (n == 0) *table = record->owner;
  return record->name[0] && tk_handle_compare(&record->owner, table) == 0;
}

bool begin_block_records(TkDrawing* d) {
  const TkReaderOps* dxf = tk_dxf_readers();
  return dxf->seek_block_records && dxf->read_block_record && dxf->seek_block_records(d);
}

// Reads BLOCK_RECORD table records through the DXF set until both space records are found.
void find_space_block_records(TkDrawing* d, TkHandle* model, TkHandle* paper) {
  if (!begin_block_records(d)) return;
  bool have_model = false, have_paper = false;
  const uint32_t bound = d->file ? file_length(d->file) : 0;
  TkHandle table{};
  TkBlockRecord record;
  for (uint32_t n = 0; n <= bound && !(have_model && have_paper); ++n) {
    if (!next_block_record(d, n, &table, &record)) break;
    if (tk_handle_is_null(&record.handle)) continue;
    if (!have_model && tk_name_compare(record.name, "*MODEL_SPACE") == 0) {
      *model = record.handle;
      have_model = true;
    } else if (!have_paper && tk_name_compare(record.name, "*PAPER_SPACE") == 0) {
      *paper = record.handle;
      have_paper = true;
    }
  }
}

// The second pass over the BLOCK_RECORD table: a block whose BLOCK did not name its record (no
// owner group) was keyed by a handle from the seed, while the entities and objects that belong
// to it name the record's own handle. Such a block takes the record's handle; a record whose
// handle some other record holds already keeps the block as it is. The pass reads no more
// records than there are blocks.
void rekey_blocks_to_records(TkDrawing* d) {
  if (!begin_block_records(d)) return;
  const int32_t count = list_count(&d->blocks);
  TkHandle table{};
  TkBlockRecord record;
  for (int32_t n = 0; n < count; ++n) {
    if (!next_block_record(d, static_cast<uint32_t>(n), &table, &record)) break;
    if (tk_handle_is_null(&record.handle)) continue;
    for (TkLink* l = list_first(&d->blocks); l; l = l->next) {
      auto* b = static_cast<TkBlockRecord*>(tk_link_data(l));
      if (tk_name_compare(b->name, record.name) != 0) continue;
      if (tk_handle_compare(&b->handle, &record.handle) != 0 &&
          !hidx_lookup(&d->index, &record.handle) &&
          hidx_insert(&d->index, &record.handle, l) == 1) {
        hidx_remove(&d->index, &b->handle);
        for (int i = 0; i < TK_FIXED_HANDLES; ++i)
          if (tk_handle_compare(&d->fixed[i], &b->handle) == 0) d->fixed[i] = record.handle;
        b->handle = record.handle;
      }
      break;
    }
  }
}

}  // namespace

int16_t tk_load_block_headers(TkDrawing* d) {
  struct Kept {
    bool found = false;
    TkHandle handle{};
    char name[TK_NAME_SIZE] = {};
    uint8_t flags = 0;
  } model, paper;

  int32_t count = declared_count(d, TK_COUNT_BLOCK);
  if (!count_fits(d, count)) return 0;
  if (!reader_call_begin_block_headers(d) && count > 0) return 0;
  for (int32_t i = 0; i < count; ++i) {
    TkBlockRecord record;
    tk_init_block_record(&record);
    uint8_t has_xdata = 0;
    tk_state->record_skipped = 0;
    bool ok = reader_call_read_block_header(d, &record, &has_xdata) != 0;
    if (ok && tk_state->record_skipped) {
      blob_free(record.first_blob);
      blob_free(record.second_blob);
      blob_free(record.references);
      continue;
    }
    if (ok) {
      Kept* space = nullptr;
      if (tk_name_compare(record.name, "*MODEL_SPACE") == 0) {
        space = &model;
      } else if (tk_name_compare(record.name, "*PAPER_SPACE") == 0 &&
                 (is_dxf(d) || d->version < TK_VERSION_AC1015 ||
                  tk_handle_compare(&record.handle, &d->fixed[TK_FIXED_PAPER_SPACE]) == 0)) {
        space = &paper;
      }
      if (space) {
        space->found = true;
        space->handle = record.handle;
        std::memcpy(space->name, record.name, sizeof space->name);
        space->flags = record.flags;
        blob_free(record.first_blob);
        blob_free(record.second_blob);
        blob_free(record.references);
        continue;
      }
      const TkHandle as_read = record.handle;
      if (is_pre_r13(d)) ok = tk_next_handle(d, nullptr, 0, &record.handle) != 0;
      record.entities = nullptr;
      if (ok) record.entities = list_new();
      ok = ok && record.entities && tk_fresh_handle_if_taken(d, &record.handle) &&
           record_store_indexed(&record.handle, &d->index, &record, sizeof record, &d->blocks,
                                TK_POS_END, nullptr) != nullptr;
      if (ok && d->version < TK_VERSION_AC1014 && (record.flags & TK_BLOCK_XREF) &&
          !tk_note_xref_block(d, &as_read, &record.handle)) {
        free_block_records(d);
        return 0;
      }
      if (!ok) {
        blob_free(record.first_blob);
        blob_free(record.second_blob);
        blob_free(record.references);
        list_free(record.entities);
        free_block_records(d);
        return 0;
      }
      continue;
    }
    if (!ok) {
      blob_free(record.first_blob);
      blob_free(record.second_blob);
      blob_free(record.references);
      list_free(record.entities);
      free_block_records(d);
      return 0;
    }
  }

  // Newer DXF names the space blocks' records in the BLOCK_RECORD table, whose handles the
  // entities' owners use; the DXF reader's own pass over it finds them.
  if (is_dxf(d) && !is_pre_r13(d)) find_space_block_records(d, &model.handle, &paper.handle);

  // Older drawings number their space blocks themselves; newer ones keep the file's handles, or
  // the fixed ones when the file lacked the record.
  if (is_pre_r13(d)) {
    if (!tk_next_handle(d, nullptr, 0, &model.handle) ||
        !tk_next_handle(d, nullptr, 0, &paper.handle))
      return 0;
  } else {
    if (!model.found) model.handle = d->fixed[TK_FIXED_MODEL_SPACE];
    if (!paper.found) paper.handle = d->fixed[TK_FIXED_PAPER_SPACE];
    for (Kept* space : {&model, &paper})
      if (tk_handle_is_null(&space->handle) && !tk_next_handle(d, nullptr, 0, &space->handle))
        return 0;
  }
  d->fixed[TK_FIXED_MODEL_SPACE] = model.handle;
  d->fixed[TK_FIXED_PAPER_SPACE] = paper.handle;
  if (!tk_create_space_blocks(d, &model.handle, &paper.handle,
                              model.found ? model.name : "*Model_Space",
                              paper.found ? paper.name : "*Paper_Space", model.flags,
                              paper.flags)) {
    free_block_records(d);
    return 0;
  }
  if (is_dxf(d) && !is_pre_r13(d)) rekey_blocks_to_records(d);
  return 1;
}

TkDrawing* tk_open_drawing(const char* path, uint8_t load_mode, int16_t upgrade) {
  if (!tk_state || !path) return nullptr;
  tk_state->load_continue = 1;
  // What the previous load's header named must not leak into this one.
  std::memset(tk_state->header_names, 0, sizeof tk_state->header_names);
  std::memset(&tk_state->header_indexes, 0xFF, sizeof tk_state->header_indexes);
  auto* d = static_cast<TkDrawing*>(mem_alloc(sizeof(TkDrawing)));
  if (!d) {
    tk_fail_alloc(TK_ERR_CONTROL_BLOCK);
    return nullptr;
  }
  std::memset(d, 0, sizeof *d);
  std::strncpy(d->path, path, sizeof d->path - 1);
  d->header = static_cast<TkHeader*>(mem_alloc(sizeof(TkHeader)));
  if (!d->header) {
    tk_fail_alloc(TK_ERR_TEMP_HEADER);
    mem_free(d);
    return nullptr;
  }
  header_set_defaults(d->header);

  tk_fail(TK_ERR_OPEN_FILE);
  d->file = file_open(path);
  if (!d->file) return fail_open(d);

  tk_fail(TK_ERR_READ_HEADER);
  d->file_kind = TK_FILE_DWG;
  d->output_version = 0xFFFF;
  d->readers = tk_dwg_readers();
  bool readable = false;
  if (!sniff(d, &readable)) return fail_open(d);
  if (tk_state->codepage_beta) {
    tk_fail(TK_ERR_BETA_FORMAT);
    return fail_open(d);
  }

  d->loading = 1;
  // The blobs the load makes belong to the drawing's records: their pieces come from its pool.
  // A failed open frees the pool with the drawing before the lending ends.
  struct BlobPoolLoan {
    TkRecordPool* before;
    ~BlobPoolLoan() { pool_lend_to_blobs(before); }
  } loan{pool_lend_to_blobs(&d->entity_pool)};
  tk_fail(TK_ERR_FILE_TYPE);
  if (!readable) return fail_open(d);
  file_seek(d->file, 0, 0);
  tk_fail(TK_ERR_DXF_VERSION);
  if (!reader_call_open(d)) return fail_open(d);
  // A reader that opened the file without learning its version cannot say how to read the rest.
  if (d->version < 0 || d->version >= TK_VERSION_COUNT) {
    tk_fail(TK_ERR_FILE_VERSION);
    return fail_open(d);
  }
  tk_set_load_flags(d);
  d->progress = 0;

  if (d->has_file_seed && !tk_handle_is_null(&d->file_seed)) {
    d->seed = d->file_seed;
  } else {
    std::memcpy(d->seed.bytes, tk_state->default_handle_seed, 8);
  }
  bool fixed_ok = true;
  if (is_pre_r13(d)) {
    fixed_ok = tk_assign_table_handles(d, nullptr) != 0;
  } else if (is_dxf(d) && tk_handle_is_null(&d->fixed[0])) {
    // A file that names its block table's handle keeps it.
    fixed_ok = tk_next_handle(d, nullptr, 0, &d->fixed[0]) != 0;
  }
  if (!fixed_ok) return fail_open(d);
  d->load_mode = load_mode;

  tk_report_load_progress(d, 0);
  for (const LoadStep& step : load_steps) {
    if (tk_state->load_continue != 1) break;
    tk_fail(step.error);
    if (step.progress >= 0) tk_report_load_progress(d, step.progress);
    if (!step.run(d)) return fail_open(d);
  }
  if (upgrade && d->version < TK_VERSION_AC1015) tk_add_layout_objects(d, nullptr);

  file_close(d->file);
  d->file = nullptr;
  tk_fail(TK_ERR_NONE);
  if (d->xdata_fixups) {
    tk_resolve_xdata_fixups(d);
    if (d->version < TK_VERSION_AC1015) tk_viewport_settings_from_xdata(d);
  }
  if (d->xref_blocks) tk_resolve_xref_block_pairs(d);
  if (tk_state->arrow_blocks_resolve) tk_state->arrow_blocks_resolve(d);
  tk_fail(TK_ERR_NONE);
  tk_report_load_progress(d, 100);
  tk_free_load_lists(d);
  d->header->handseed = d->seed;
  d->loading = 0;
  return d;
}
