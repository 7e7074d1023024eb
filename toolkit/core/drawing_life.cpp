// Creating a new drawing with its default content, closing a drawing with everything it owns,
// and handing out new handles from a drawing's seed. Loading from files is the loader's.
#include "toolkit/core/drawing_life.h"

#include <cstring>

#include "toolkit/core/blob.h"
#include "toolkit/core/class_list.h"
#include "toolkit/core/defaults.h"
#include "toolkit/core/hdr.h"
#include "toolkit/core/list.h"
#include "toolkit/core/mem.h"
#include "toolkit/core/symtab.h"

namespace {

// Frees what the records of one table own (extended data and reactor blobs) and the records.
template <typename Record, typename FreeOwned>
void free_table(TkList* list, FreeOwned free_owned) {
  for (TkLink* l = list_first(list); l; l = l->next)
    free_owned(static_cast<Record*>(tk_link_data(l)));
  list_free_links(list);
}

template <typename Record>
void free_reactors(Record* r) {
  blob_free(r->reactors);
}

template <typename Record>
void free_xdata_and_reactors(Record* r) {
  blob_free(r->xdata);
  blob_free(r->reactors);
}

void free_blocks(TkDrawing* d) {
  for (TkLink* l = list_first(&d->blocks); l; l = l->next) {
    auto* b = static_cast<TkBlockRecord*>(tk_link_data(l));
    blob_free(b->first_blob);
    blob_free(b->second_blob);
    blob_free(b->references);
    // The space blocks point at the drawing's own entity lists, freed below.
    if (b->entities != &d->model_entities && b->entities != &d->paper_entities)
      list_free(b->entities);
  }
  list_free_links(&d->blocks);
}

// Everything a drawing owns, children first; safe on a partly built drawing.
void free_drawing(TkDrawing* d) {
  for (int16_t i = 0; i < d->child_count && i < TK_MAX_CHILD_DRAWINGS; ++i) {
    tk_close_drawing(d->children[i]);
    d->children[i] = nullptr;
  }
  d->child_count = 0;
  list_free_links(&d->objects);
  free_blocks(d);
  list_free_links(&d->model_entities);
  list_free_links(&d->paper_entities);
  list_free_links(&d->classes);
  free_table<TkDimStyleRecord>(&d->dimstyles, free_reactors<TkDimStyleRecord>);
  free_table<TkTextStyleRecord>(&d->styles, free_reactors<TkTextStyleRecord>);
  free_table<TkViewRecord>(&d->views, free_reactors<TkViewRecord>);
  free_table<TkAppIdRecord>(&d->appids, free_xdata_and_reactors<TkAppIdRecord>);
  free_table<TkUcsRecord>(&d->ucss, free_reactors<TkUcsRecord>);
  free_table<TkVportRecord>(&d->vports, free_xdata_and_reactors<TkVportRecord>);
  free_table<TkLayerRecord>(&d->layers, free_xdata_and_reactors<TkLayerRecord>);
  free_table<TkLinetypeRecord>(&d->linetypes, free_xdata_and_reactors<TkLinetypeRecord>);
  hidx_free_all(&d->index);
  mem_free(d->header);
  mem_free(d);
}

// The order in which a new drawing draws its fixed handles from the seed.
const int fixed_handle_order[TK_FIXED_HANDLES] = {0, 1, 2, 3, 4, 5, 6, 7, 8,
                                                  TK_FIXED_MODEL_SPACE, TK_FIXED_PAPER_SPACE, 9};

}  // namespace

int16_t tk_next_handle(TkDrawing* drawing, const TkHandle* handle_template, int position,
                       TkHandle* out) {
  if (handle_template) {
    *out = handle_template[position];
    return 1;
  }
  if (tk_handle_is_null(&drawing->seed)) return tk_fail(TK_ERR_NULL_OBJHANDLE);
  *out = drawing->seed;
  // A seed that wraps past the largest handle is null afterwards and hands out nothing more.
  tk_handle_increment(&drawing->seed);
  return 1;
}

TkDrawing* tk_new_drawing(const TkHandle* handle_template, const TkClassRecord* classes,
                          int16_t class_count, uint16_t output_version) {
  tk_fail(TK_ERR_NONE);
  auto* d = static_cast<TkDrawing*>(mem_alloc(sizeof(TkDrawing)));
  if (!d) {
    tk_fail_alloc(TK_ERR_CONTROL_BLOCK);
    return nullptr;
  }
  std::memset(d, 0, sizeof *d);
  d->header = static_cast<TkHeader*>(mem_alloc(sizeof(TkHeader)));
  if (!d->header) {
    tk_fail_alloc(TK_ERR_TEMP_HEADER);
    mem_free(d);
    return nullptr;
  }
  header_set_defaults(d->header);
  d->load_mode = 1;
  d->output_version = output_version;
  d->seed.bytes[7] = 1;

  bool ok = true;
  for (int i : fixed_handle_order)
    ok = ok && tk_next_handle(d, handle_template, TK_TEMPLATE_FIXED + i, &d->fixed[i]);
  for (int i = 0; i < TK_FURTHER_HANDLES; ++i)
    ok = ok && tk_next_handle(d, handle_template, TK_TEMPLATE_FURTHER + i, &d->further[i]);

  if (ok) {
    if (classes) {
      for (int16_t i = 0; i < class_count && ok; ++i) ok = class_add(d, &classes[i]) != 0;
    } else {
      ok = tk_add_default_classes(d) != 0;
    }
  }
  ok = ok && tk_add_default_linetypes(d, handle_template) &&
       tk_add_continuous_linetype(d, handle_template) && tk_add_layer0(d, handle_template) &&
       tk_add_active_vport(d, handle_template) && tk_add_acad_appid(d, handle_template) &&
       tk_add_standard_style(d, handle_template) &&
       tk_add_standard_dimstyle(d, handle_template) && tk_add_space_blocks(d);
  if (!ok) {
    TkError error = tk_state ? tk_state->last_error : TK_ERR_GENERAL;
    free_drawing(d);
    tk_fail(error);
    return nullptr;
  }

  if (handle_template) {
    // Go on after the largest handle the template named.
    TkHandle largest{};
    for (int i = 0; i < TK_TEMPLATE_HANDLES; ++i)
      if (tk_handle_compare(&handle_template[i], &largest) > 0) largest = handle_template[i];
    d->seed = largest;
    tk_handle_increment(&d->seed);
  }
  d->header->handseed = d->seed;
  return d;
}

int16_t tk_close_drawing(TkDrawing* drawing) {
  if (!drawing) return 0;
  free_drawing(drawing);
  return 1;
}

int16_t tk_get_file_kind(const TkDrawing* drawing) { return drawing->file_kind; }
int16_t tk_get_version(const TkDrawing* drawing) { return drawing->version; }

int16_t tk_is_pre_ac1009(const TkDrawing* drawing, int16_t flag) {
  return drawing->version < 4 || flag != 0;
}

TkHeader* tk_get_header(TkDrawing* drawing) { return drawing ? drawing->header : nullptr; }

TkUserData tk_set_user_data(TkDrawing* drawing, TkUserData value) {
  drawing->user_data = value;
  return value;
}
