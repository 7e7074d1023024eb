// External references: the insertions of reference blocks met while a pass draws are queued;
// after the host's list the queue is drawn one reference after the other: the referenced drawing
// is found among the host's children or opened as a new child, given a display state that looks
// through the host's viewports, and its model space is drawn with the insertion's transform.
// References met inside a referenced drawing join the same queue, so nesting needs no recursion;
// a path already on the way from the host is not queued again.
#include "toolkit/display/xref.h"

#include <cctype>
#include <cstring>
#include <deque>

#include "toolkit/core/display_block.h"
#include "toolkit/core/hdr.h"
#include "toolkit/core/load.h"
#include "toolkit/core/matrix.h"
#include "toolkit/core/mem.h"
#include "toolkit/core/state.h"
#include "toolkit/core/symtab.h"
#include "toolkit/display/xclip.h"

namespace {

std::deque<TkXrefRequest> g_queue;

bool exists(const char* path) {
  TkFile* f = file_open(path);
  if (!f) return false;
  file_close(f);
  return true;
}

bool ends_with(const std::string& s, const char* tail) {
  size_t n = std::strlen(tail);
  return s.size() >= n && s.compare(s.size() - n, n, tail) == 0;
}

// Paths name the same file whatever the case of their letters and the kind of their slashes
// (the locator writes backslashes).
bool same_path(const char* a, const char* b) {
  for (;; ++a, ++b) {
    char x = *a == '\\' ? '/' : char(std::tolower(static_cast<unsigned char>(*a)));
    char y = *b == '\\' ? '/' : char(std::tolower(static_cast<unsigned char>(*b)));
    if (x != y) return false;
    if (!x) return true;
  }
}

std::vector<TkLayerRecord> layers_of(TkDrawing* drawing) {
  std::vector<TkLayerRecord> out;
  TkLayerRecord layer;
  tk_layer_list_rewind(drawing);
  while (tk_layer_list_next(drawing, &layer)) out.push_back(layer);
  return out;
}

// Notes that a layer of the reference being drawn looks its linetype up in the host (holder),
// or no longer does (null).
void borrow_linetype(const TkHandle& layer, TkDrawing* holder) {
  auto& list = tk_regen.borrowed_linetypes;
  for (size_t i = 0; i < list.size(); ++i)
    if (tk_handle_compare(&list[i].first, &layer) == 0) list.erase(list.begin() + long(i--));
  if (holder) list.emplace_back(layer, holder);
}

TkDrawing* find_child(TkDrawing* host, const std::string& path) {
  for (int16_t i = 0; i < host->child_count && i < TK_MAX_CHILD_DRAWINGS; ++i)
    if (host->children[i] && same_path(host->children[i]->path, path.c_str()))
      return host->children[i];
  return nullptr;
}

}  // namespace

void regen_queue_xref(TkDrawing* drawing, const char* block_path, const char* block_name,
                      const TkLayerRecord& layer, const double transform[16], int16_t colour,
                      int16_t lineweight, int16_t xref_depth, uint64_t mask,
                      const std::vector<std::string>& chain) {
  TkDisplayCallbacks* cb = tk_display_callbacks;
  std::string path(block_path, strnlen(block_path, TK_PATH_MAX - 1));
  if (path.empty()) return;
  if (!ends_with(path, ".DWG") && !ends_with(path, ".dwg") && !ends_with(path, ".DXF") &&
      !ends_with(path, ".dxf"))
    path += drawing->file_kind == 0 ? ".dwg" : ".dxf";
  if (cb && cb->find_xref) {
    char found[512] = {};
    cb->find_xref(path.c_str(), found, drawing->user_data);
    found[sizeof found - 1] = 0;
    if (found[0]) path = found;
  }
  if (!exists(path.c_str())) {
    tk_fail(TK_ERR_XREF_OPEN);
    if (cb && cb->xref_not_opened) cb->xref_not_opened(path.c_str(), drawing->user_data);
    return;
  }
  for (const std::string& on_way : chain)
    if (same_path(on_way.c_str(), path.c_str())) return;  // a circular reference
  TkXrefRequest request;
  request.path = path;
  std::memcpy(request.transform, transform, sizeof request.transform);
  request.colour = colour;
  request.lineweight = lineweight;
  request.xref_depth = xref_depth;
  request.mask = mask;
  request.chain = chain;
  request.chain.push_back(path);
  const TkRegenContext& r = tk_regen;
  for (const TkFilterNode* f = r.state ? r.state->filters : nullptr; f; f = f->next)
    request.filters.push_back(*f);
  request.outer_drawing = r.outer_drawing;
  request.outer_handle = r.outer_handle;
  request.block_name = block_name;
  request.layer_colour = layer.color;
  request.layer_lineweight = layer.lineweight;
  request.layer_plot_style = layer.plot_style;
  request.layer_linetype = layer.linetype;
  request.linetype_drawing = regen_layer_linetype_drawing(drawing, layer.handle);
  g_queue.push_back(std::move(request));
}

TkDrawing* regen_layer_linetype_drawing(TkDrawing* drawing, const TkHandle& layer) {
  for (const auto& [handle, holder] : tk_regen.borrowed_linetypes)
    if (tk_handle_compare(&handle, &layer) == 0 && holder != drawing) return holder;
  return drawing;
}

int16_t regen_sync_xref_layers(TkDrawing* drawing) {
  TkRegenContext& r = tk_regen;
  TkDrawing* host = drawing && drawing->display ? drawing->display->owner : nullptr;
  if (!host || host == drawing || !host->header || host->header->visretain == 0) return 1;
  std::vector<TkLayerRecord> mine = layers_of(drawing);
  for (const TkLayerRecord& lent : layers_of(host)) {
    const char* bar = std::strchr(lent.name, '|');
    if (!bar || r.xref_name.compare(0, std::string::npos, lent.name, size_t(bar - lent.name)) != 0)
      continue;
    for (TkLayerRecord& layer : mine) {
      if (std::strcmp(layer.name, bar + 1) != 0) continue;
      layer.color = lent.color;
      layer.flags = uint8_t((layer.flags & ~TK_LAYER_FROZEN) | (lent.flags & TK_LAYER_FROZEN));
      layer.plot_style = lent.plot_style;
      layer.lineweight = lent.lineweight;
      // The host's own linetype is lent with the host as its holder; a linetype the host itself
      // took from a reference stays the layer's own.
      TkLinetypeRecord lt;
      bool host_own = tk_ltype_get(host, &lent.linetype, &lt) && !std::strchr(lt.name, '|');
      if (host_own) layer.linetype = lent.linetype;
      borrow_linetype(layer.handle, host_own ? host : nullptr);
      tk_layer_put(drawing, &layer);
      break;
    }
  }
  return 1;
}

int16_t tk_draw_xrefs(TkDrawing* host, TkList* list) {
  TkDisplayCallbacks* cb = tk_display_callbacks;
  TkRegenContext& r = tk_regen;
  double identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  g_queue.clear();
  r.chain.assign(1, std::string(host->path));
  r.xref_depth = 0;
  int16_t ok = regen_entity(host, list, identity, 7, nullptr, 25, 0, 0, 0);
  TkUserData user = host->user_data;
  TkDisplayState* hs = host->display;
  while (ok && regen_continue && !g_queue.empty()) {
    TkXrefRequest req = std::move(g_queue.front());
    g_queue.pop_front();
    if (cb->xref_name) {
      TkXrefOrigin origin{host, {}};
      cb->xref_name(req.path.c_str(), &origin, user);
    }
    TkDrawing* child = find_child(host, req.path);
    if (!child) {
      // The host keeps room for a fixed number of children; a reference beyond them is reported
      // as not opened and dropped rather than written past the table.
      if (host->child_count >= TK_MAX_CHILD_DRAWINGS) {
        if (cb->xref_not_opened) cb->xref_not_opened(req.path.c_str(), user);
        continue;
      }
      child = tk_open_drawing(req.path.c_str(), 1, 0);
      if (!child) {
        if (cb->xref_not_opened) cb->xref_not_opened(req.path.c_str(), user);
        continue;
      }
      host->children[host->child_count++] = child;
    }
    if (cb->begin_xref) cb->begin_xref(child, user);
    if (!tk_display_create(child, &hs->view, 1, 1, host, nullptr)) {
      if (cb->xref_not_opened) cb->xref_not_opened(req.path.c_str(), user);
      if (cb->end_xref) cb->end_xref(child, user);
      continue;
    }
    // The child looks through the host's viewports.
    TkDisplayState* cs = child->display;
    cs->viewport_count = hs->viewport_count;
    cs->paper_space = hs->paper_space;
    std::memcpy(cs->viewports, hs->viewports, sizeof cs->viewports);
    while (cs->clip) tk_clip_pop_polygon(cs);
    tk_clip_push_polygon(cs, nullptr, 0, nullptr);
    cs->xclipframe = hs->xclipframe;
    cs->image_frame = hs->image_frame;
    // The reference's base point moves to the insertion point.
    const double* insbase = child->header ? child->header->insbase : nullptr;
    double to_base[3] = {insbase ? -insbase[0] : 0.0, insbase ? -insbase[1] : 0.0,
                         insbase ? -insbase[2] : 0.0};
    tk_matrix_translate_local(to_base, req.transform);
    // The filters in force where the reference was met clip it too; the one of the reference
    // insertion itself is built here, against the reference's base point.
    for (const TkFilterNode& f : req.filters) {
      double m[16];
      std::memcpy(m, f.matrix, sizeof m);
      TkHandle value = f.value;
      if (f.drawing == req.outer_drawing && tk_handle_compare(&f.value, &req.outer_handle) == 0) {
        tk_matrix_translate_local(to_base, m);
        value = TkHandle{};
      }
      tk_clip_push_xclip(child, cs, f.drawing, &f.filter, &value, m);
    }
    if (cb->progress) cb->progress(0, user);
    // Loans undone after the reference is drawn: the host's display settings in the child's
    // header, and the child's user data.
    TkHeader* ch = child->header;
    TkHeader saved_header;
    if (ch) {
      saved_header = *ch;
      if (const TkHeader* hh = host->header) {
        ch->attmode = hh->attmode;
        ch->qtextmode = hh->qtextmode;
        ch->fillmode = hh->fillmode;
        ch->pdmode = hh->pdmode;
        ch->pdsize = hh->pdsize;
        ch->psltscale = hh->psltscale;
        ch->splframe = hh->splframe;
        ch->ltscale = hh->ltscale;
      }
    }
    TkUserData child_user = child->user_data;
    child->user_data = host->user_data;
    TkRegenContext saved = r;
    regen_begin_pass(child);
    // The child's first layer (its "0") shows the inserting layer's properties; the host's
    // "<name>|<layer>" layers lend theirs when the host keeps them.
    r.xref_name = req.block_name;
    std::vector<TkLayerRecord> layers = layers_of(child);
    // The child's layers are frozen in no viewport of their own: only the host decides below.
    for (TkLayerRecord& layer : layers) {
      if (layer.viewport_frozen == 0 && &layer != &layers.front()) continue;
      layer.viewport_frozen = 0;
      if (&layer == &layers.front()) {
        layer.color = req.layer_colour;
        layer.lineweight = req.layer_lineweight;
        layer.plot_style = req.layer_plot_style;
        layer.linetype = req.layer_linetype;
      }
      tk_layer_put(child, &layer);
    }
    if (!layers.empty())
      borrow_linetype(layers.front().handle,
                      req.linetype_drawing == child ? nullptr : req.linetype_drawing);
    regen_sync_xref_layers(child);
    // Per-viewport freezing: a host layer "<reference>|<layer>" frozen in some viewports
    // freezes the reference's layer of that name in those viewports only.
    for (const TkLayerRecord& lent : layers_of(host)) {
      const char* bar = std::strchr(lent.name, '|');
      if (!bar || lent.viewport_frozen == 0 ||
          req.block_name.compare(0, std::string::npos, lent.name, size_t(bar - lent.name)) != 0)
        continue;
      for (TkLayerRecord& layer : layers_of(child))
        if (std::strcmp(layer.name, bar + 1) == 0) {
          layer.viewport_frozen = lent.viewport_frozen;
          tk_layer_put(child, &layer);
          break;
        }
    }
    regen_forget_cached_records();
    r.host = saved.host;
    r.viewport_count = saved.viewport_count;
    r.visible_mask = saved.visible_mask;
    r.ltscale_base = saved.ltscale_base;
    r.ltscale = saved.ltscale;
    r.inside_paper = 0;
    r.chain = req.chain;
    r.xref_depth = int16_t(req.xref_depth + 1);
    r.outer_drawing = req.outer_drawing;
    r.outer_handle = req.outer_handle;
    r.last_colour = saved.last_colour;
    r.last_lineweight = saved.last_lineweight;
    uint8_t model_only = cb->model_only;
    cb->model_only = 1;
    cb->in_xref = 1;
    ok = regen_entity(child, &child->model_entities, req.transform, req.colour, nullptr,
                      req.lineweight, 0, r.xref_depth, req.mask);
    cb->in_xref = 0;
    cb->model_only = model_only;
    int16_t last_colour = r.last_colour, last_lineweight = r.last_lineweight;
    if (ch) *ch = saved_header;
    child->user_data = child_user;
    regen_forget_cached_records();
    r = saved;
    r.last_colour = last_colour;
    r.last_lineweight = last_lineweight;
    tk_display_close(child);
    if (cb->end_xref) cb->end_xref(child, user);
  }
  g_queue.clear();
  return ok;
}
