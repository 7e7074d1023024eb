// Building the layout objects of an AC1015 drawing, in the records the readers fill for these
// kinds, so the writers read one form whatever made the object.
#include "toolkit/core/layout.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "toolkit/core/blob.h"
#include "toolkit/core/defaults.h"
#include "toolkit/core/drawing_life.h"
#include "toolkit/core/list.h"
#include "toolkit/core/object.h"
#include "toolkit/core/state.h"
#include "toolkit/core/symtab.h"

namespace {

// An object of the type with its defaults, its handle from the template or the seed, and,
// when an owner is given, that owner as its owner and only reactor.
bool begin_object(TkDrawing* d, uint16_t type, const TkHandle* handle_template, int position,
                  const TkHandle* owner, TkObjectHeader* h, TkObjectData* data) {
  h->type = type;
  tk_init_object(d, h, data);
  if (!tk_next_handle(d, handle_template, position, &h->handle)) return false;
  if (!owner) return true;
  h->owner = *owner;
  h->reactors = blob_alloc(TK_BLOB_CHUNK_SIZE);
  TkBlob* w = h->reactors ? blob_create(h->reactors) : nullptr;
  bool ok = w && blob_put_handle(w, owner);
  if (w && !blob_close_write(w)) ok = false;
  h->reactor_count = 1;
  return ok;
}

// Stores the object; on failure its blobs are freed.
bool store(TkDrawing* d, TkObjectHeader* h, TkObjectData* data) {
  if (tk_object_add(d, h, data)) return true;
  tk_object_free_data(d, h, data);
  return false;
}

bool set_entries(TkObjectData* data, std::initializer_list<TkDictEntry> entries) {
  data->dictionary.cloning = 1;
  data->dictionary.entry_count = static_cast<uint32_t>(entries.size());
  data->dictionary.entries = blob_alloc(TK_BLOB_CHUNK_SIZE);
  TkBlob* w = data->dictionary.entries ? blob_create(data->dictionary.entries) : nullptr;
  bool ok = w != nullptr;
  for (const TkDictEntry& e : entries) ok = ok && tk_dict_entry_write(w, &e);
  if (w && !blob_close_write(w)) ok = false;
  return ok;
}

TkDictEntry entry(const char* name, const TkHandle& object) {
  TkDictEntry e{};
  std::snprintf(e.name, sizeof e.name, "%s", name);
  e.object = object;
  return e;
}

// A dictionary with a default of one entry, which is also its default.
bool set_wdflt_entry(TkDictionaryWdfltData* x, const TkDictEntry& only) {
  x->cloning = 1;
  x->entry_count = 1;
  x->default_entry = only.object;
  x->entries = blob_alloc(TK_BLOB_CHUNK_SIZE);
  TkBlob* w = x->entries ? blob_create(x->entries) : nullptr;
  bool ok = w && tk_dict_entry_write(w, &only);
  if (w && !blob_close_write(w)) ok = false;
  return ok;
}

// A layout object for the block record, which then names the layout as its own.
bool add_layout(TkDrawing* d, uint16_t type, const TkHandle* handle_template, int position,
                const TkHandle& owner, const char* name, int16_t plot_flags, int16_t tab_order,
                const TkHandle& block, TkHandle* out) {
  TkObjectHeader h{};
  TkObjectData data;
  TkBlockRecord record;
  if (!tk_block_get(d, &block, &record)) return false;
  bool ok = begin_object(d, type, handle_template, position, &owner, &h, &data);
  if (ok) {
    TkLayoutData& l = data.layout;
    l.plot.layout_flags = plot_flags;
    std::snprintf(l.name, sizeof l.name, "%s", name);
    l.tab_order = tab_order;
    l.block_record = block;
  }
  if (!ok) {
    tk_object_free_data(d, &h, &data);
    return false;
  }
  if (!store(d, &h, &data)) return false;
  *out = h.handle;
  record.layout = h.handle;
  return tk_block_put(d, &record) != 0;
}

struct NamedEntry {
  const char* name;
  const TkHandle* object;
};

// Rewrites the named-object dictionary's entries: the four names point at the new objects,
// those it lacked are appended in order.
bool update_named_objects(TkDrawing* d, const NamedEntry* named, int count_named) {
  TkObjectHeader h;
  TkObjectData data;
  if (!tk_object_get(d, &d->named_objects, &h, &data) || h.type != TK_OBJ_DICTIONARY)
    return false;
  TkBlob* stored = blob_alloc(TK_BLOB_CHUNK_SIZE);
  TkBlob* w = stored ? blob_create(stored) : nullptr;
  TkBlob* r = w && data.dictionary.entries ? blob_open_read(data.dictionary.entries) : nullptr;
  bool ok = w != nullptr;
  bool present[4] = {};
  if (count_named > 4) count_named = 4;
  uint32_t count = 0;
  static TkDictEntry e;
  // The count came from a file: the entries blob's own length ends the walk as well.
  for (uint32_t i = 0; ok && r && i < data.dictionary.entry_count && tk_dict_entry_read(r, &e);
       ++i) {
    for (int k = 0; k < count_named; ++k)
      if (tk_name_compare(e.name, named[k].name) == 0) {
        e.object = *named[k].object;
        present[k] = true;
      }
    ok = tk_dict_entry_write(w, &e) != 0;
    ++count;
  }
  if (r) blob_close(r);
  for (int k = 0; ok && k < count_named; ++k) {
    if (present[k]) continue;
    e = entry(named[k].name, *named[k].object);
    ok = tk_dict_entry_write(w, &e) != 0;
    ++count;
  }
  if (w && !blob_close_write(w)) ok = false;
  if (!ok) {
    blob_free(stored);
    return false;
  }
  TkBlob* old = data.dictionary.entries;
  data.dictionary.entries = stored;
  data.dictionary.entry_count = count;
  if (!tk_object_replace(d, &h, &data)) {
    blob_free(stored);
    return false;
  }
  blob_free(old);
  return true;
}

}  // namespace

int16_t tk_add_layout_objects(TkDrawing* d, const TkHandle* handle_template) {
  const TkLink* first = list_first(&d->objects);
  if (!first) return 0;
  d->named_objects = static_cast<const TkObjectHeader*>(tk_link_data(first))->handle;
  const TkHandle named = d->named_objects;

  // An older drawing has no classes for these objects yet.
  uint16_t placeholder_type = tk_ensure_default_class(d, "ACDBPLACEHOLDER");
  uint16_t wdflt_type = tk_ensure_default_class(d, "ACDBDICTIONARYWDFLT");
  uint16_t layout_type = tk_ensure_default_class(d, "LAYOUT");
  if (!placeholder_type || !wdflt_type || !layout_type) return 0;

  TkObjectHeader placeholder{};
  TkObjectData placeholder_data;
  if (!begin_object(d, placeholder_type, handle_template, TK_TEMPLATE_PLACEHOLDER, nullptr,
                    &placeholder, &placeholder_data))
    return 0;
  TkObjectHeader layouts{};
  TkObjectData layouts_data;
  if (!begin_object(d, TK_OBJ_DICTIONARY, handle_template, TK_TEMPLATE_LAYOUT_DICTIONARY, nullptr,
                    &layouts, &layouts_data))
    return 0;

  TkObjectHeader styles{};
  TkObjectData styles_data;
  bool ok = begin_object(d, wdflt_type, handle_template, TK_TEMPLATE_PLOTSTYLE_DICTIONARY, &named,
                         &styles, &styles_data) &&
            set_wdflt_entry(&styles_data.dictionary_wdflt, entry("Normal", placeholder.handle));
  if (!ok) {
    tk_object_free_data(d, &styles, &styles_data);
    return 0;
  }
  if (!store(d, &styles, &styles_data)) return 0;
  d->plotstyle_dictionary = styles.handle;

  // The placeholder's owner is known only now.
  placeholder.owner = styles.handle;
  placeholder.reactors = blob_alloc(TK_BLOB_CHUNK_SIZE);
  TkBlob* w = placeholder.reactors ? blob_create(placeholder.reactors) : nullptr;
  ok = w && blob_put_handle(w, &styles.handle);
  if (w && !blob_close_write(w)) ok = false;
  placeholder.reactor_count = 1;
  if (!ok) {
    tk_object_free_data(d, &placeholder, &placeholder_data);
    return 0;
  }
  if (!store(d, &placeholder, &placeholder_data)) return 0;
  d->default_plot_style = placeholder.handle;
  for (TkLink* l = list_first(&d->layers); l; l = l->next)
    static_cast<TkLayerRecord*>(tk_link_data(l))->plot_style = placeholder.handle;

  TkHandle model_layout{}, paper_layout{};
  if (!add_layout(d, layout_type, handle_template, TK_TEMPLATE_MODEL_LAYOUT, layouts.handle,
                  "Model", TK_LAYOUT_MODEL_FLAG, 0, d->fixed[TK_FIXED_MODEL_SPACE],
                  &model_layout) ||
      !add_layout(d, layout_type, handle_template, TK_TEMPLATE_PAPER_LAYOUT, layouts.handle,
                  "Layout1", 0, 1, d->fixed[TK_FIXED_PAPER_SPACE], &paper_layout))
    return 0;

  // The layout dictionary got its handle first; it is stored once its entries exist.
  layouts.owner = named;
  layouts.reactors = blob_alloc(TK_BLOB_CHUNK_SIZE);
  w = layouts.reactors ? blob_create(layouts.reactors) : nullptr;
  ok = w && blob_put_handle(w, &named);
  if (w && !blob_close_write(w)) ok = false;
  layouts.reactor_count = 1;
  ok = ok && set_entries(&layouts_data,
                         {entry("Layout1", paper_layout), entry("Model", model_layout)});
  if (!ok) {
    tk_object_free_data(d, &layouts, &layouts_data);
    return 0;
  }
  if (!store(d, &layouts, &layouts_data)) return 0;
  d->layout_dictionary = layouts.handle;

  TkObjectHeader settings{};
  TkObjectData settings_data;
  ok = begin_object(d, TK_OBJ_DICTIONARY, handle_template, TK_TEMPLATE_PLOTSETTINGS_DICTIONARY,
                    &named, &settings, &settings_data) &&
       set_entries(&settings_data, {});
  if (!ok) {
    tk_object_free_data(d, &settings, &settings_data);
    return 0;
  }
  if (!store(d, &settings, &settings_data)) return 0;
  d->plotsettings_dictionary = settings.handle;

  TkHandle wipeout{};
  if (tk_state->extended_classes) {
    uint16_t wipeout_type = tk_ensure_default_class(d, "WIPEOUTVARIABLES");
    TkObjectHeader vars{};
    TkObjectData vars_data;
    ok = wipeout_type &&
         begin_object(d, wipeout_type, handle_template, TK_TEMPLATE_WIPEOUT_VARIABLES, &named,
                      &vars, &vars_data);
    if (!ok) {
      tk_object_free_data(d, &vars, &vars_data);
      return 0;
    }
    if (!store(d, &vars, &vars_data)) return 0;
    wipeout = vars.handle;
  }

  const NamedEntry entries[4] = {{"ACAD_LAYOUT", &d->layout_dictionary},
                                 {"ACAD_PLOTSETTINGS", &d->plotsettings_dictionary},
                                 {"ACAD_PLOTSTYLENAME", &d->plotstyle_dictionary},
                                 {"ACAD_WIPEOUT_VARS", &wipeout}};
  // Without the wipeout variables there is nothing for their entry to name.
  int count = tk_state->extended_classes ? 4 : 3;
  return update_named_objects(d, entries, count) ? 1 : 0;
}
