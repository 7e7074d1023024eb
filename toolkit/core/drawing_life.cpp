// Creating a new drawing with its default content, closing a drawing with everything it owns,
// and handing out new handles from a drawing's seed. Loading from files is the loader's.
#include "toolkit/core/drawing_life.h"

#include <cstring>
#include <initializer_list>

#include "toolkit/core/blob.h"
#include "toolkit/core/class_list.h"
#include "toolkit/core/defaults.h"
#include "toolkit/core/display_state.h"
#include "toolkit/core/font.h"
#include "toolkit/core/entity.h"
#include "toolkit/core/free.h"
#include "toolkit/core/hdr.h"
#include "toolkit/core/hidx.h"
#include "toolkit/core/layout.h"
#include "toolkit/core/list.h"
#include "toolkit/core/load.h"
#include "toolkit/core/load_complete.h"
#include "toolkit/core/load_entities.h"
#include "toolkit/core/mem.h"
#include "toolkit/core/pool.h"
#include "toolkit/core/symtab.h"

namespace {

// Everything a drawing owns, children first; safe on a partly built drawing.
void free_drawing(TkDrawing* d) {
  for (int16_t i = 0; i < d->child_count && i < TK_MAX_CHILD_DRAWINGS; ++i) {
    tk_close_drawing(d->children[i]);
    d->children[i] = nullptr;
  }
  d->child_count = 0;
  tk_display_close(d);
  font_cache_free(d);
  tk_free_load_lists(d);
  tk_free_drawing_buffers(d);
  if (d->reader_state && d->reader_state_free) d->reader_state_free(d->reader_state);
  d->reader_state = nullptr;
  tk_free_object_list(d);
  tk_free_block_list(d);
  tk_free_entity_list(d, &d->model_entities);
  tk_free_entity_list(d, &d->paper_entities);
  tk_free_pspace_viewport_list(d);
  tk_free_class_list(d);
  tk_free_dimstyle_list(d);
  tk_free_style_list(d);
  tk_free_view_list(d);
  tk_free_appid_list(d);
  tk_free_ucs_list(d);
  tk_free_vport_list(d);
  tk_free_layer_list(d);
  tk_free_ltype_list(d);
  pool_free_all(&d->entity_pool);
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
  // A file without a seed of its own (or with one that lags behind its handles) must not have
  // its handles given out again: handles already in the index are passed over.
  while (!tk_handle_is_null(&drawing->seed) && hidx_lookup(&drawing->index, &drawing->seed))
    tk_handle_increment(&drawing->seed);
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
       tk_add_standard_dimstyle(d, handle_template) &&
       tk_create_default_objects(
           d, handle_template ? handle_template + TK_TEMPLATE_DEFAULT_OBJECTS : nullptr) &&
       tk_add_space_blocks(d);
  if (ok && output_version >= TK_VERSION_AC1015)
    ok = tk_add_layout_objects(d, handle_template) != 0;
  if (ok) ok = tk_resolve_header_references(d, d->header) != 0;
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

int16_t tk_has_viewport_entities(const TkDrawing* drawing) {
  if (!drawing || drawing->version < TK_VERSION_AC1009) return 0;
  for (const TkList* list : {&drawing->model_entities, &drawing->paper_entities})
    for (const TkLink* l = list_first(list); l; l = l->next) {
      uint16_t kind;
      if (l->size < sizeof kind) continue;
      std::memcpy(&kind, static_cast<const uint8_t*>(tk_link_data(l)) + TK_STORED_KIND,
                  sizeof kind);
      if (kind == TK_VIEWPORT) return 1;
    }
  return 0;
}

TkHeader* tk_get_header(TkDrawing* drawing) { return drawing ? drawing->header : nullptr; }

TkUserData tk_set_user_data(TkDrawing* drawing, TkUserData value) {
  drawing->user_data = value;
  return value;
}
