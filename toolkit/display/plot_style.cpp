// Plot style tables: the file (a 60-byte head and a zlib stream of text), its
// grammar, the binding of named styles and the lineweight lookup of
// regeneration. See plot_style.h.
#include "toolkit/display/plot_style.h"

#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "toolkit/core/blob.h"
#include "toolkit/core/display_block.h"
#include "toolkit/core/display_state.h"
#include "toolkit/core/hdr.h"
#include "toolkit/core/mem.h"
#include "toolkit/core/symtab.h"

TkPlotStyleState pstyle_state;

namespace {

constexpr long kHeadText = 52;

const int16_t kLineweights[27] = {0,  5,  9,  10, 13, 15, 18,  20,  25,  30,  35,  40,  45, 50,
                                  53, 60, 65, 70, 80, 90, 100, 106, 120, 140, 158, 200, 211};

// A cursor over the lines of the text.
struct Lines {
  const char* at;
  const char* end;
  const char* line;
  size_t length;
  bool next() {
    if (at >= end) return false;
    line = at;
    const void* nl = std::memchr(at, '\n', size_t(end - at));
    const char* stop = nl ? static_cast<const char*>(nl) : end;
    length = size_t(stop - at);
    if (length && line[length - 1] == '\r') --length;
    at = nl ? stop + 1 : end;
    return true;
  }
  bool starts(const char* prefix) const {
    const size_t n = std::strlen(prefix);
    return length >= n && std::memcmp(line, prefix, n) == 0;
  }
  // The line as a string, cut to the buffer: the text need not end with a zero.
  void copy(char* out, size_t size) const {
    const size_t n = length < size - 1 ? length : size - 1;
    std::memcpy(out, line, n);
    out[n] = 0;
  }
  const char* equals() const { return static_cast<const char*>(std::memchr(line, '=', length)); }
  bool key_is(const char* key) const {
    const char* eq = equals();
    return eq && size_t(eq - line) == std::strlen(key) &&
           std::memcmp(line, key, size_t(eq - line)) == 0;
  }
  // The value after the equals sign; a leading double quote is skipped.
  void value(char* out, size_t size) const {
    const char* v = equals();
    size_t n = 0;
    if (v) {
      ++v;
      if (v < line + length && *v == '"') ++v;
      n = size_t(line + length - v);
      if (n > size - 1) n = size - 1;
      std::memcpy(out, v, n);
    }
    out[n] = 0;
  }
  long integer() const {
    char buf[64];
    value(buf, sizeof buf);
    return std::strtol(buf, nullptr, 10);
  }
  double real() const {
    char buf[64];
    value(buf, sizeof buf);
    return std::strtod(buf, nullptr);
  }
  bool truth() const {
    char buf[8];
    value(buf, sizeof buf);
    return std::strcmp(buf, "TRUE") == 0;
  }
};

void parse_style_key(const Lines& l, TkPlotStyle* s) {
  if (l.key_is("  name"))
    l.value(s->name, sizeof s->name);
  else if (l.key_is("  localized_name"))
    l.value(s->localized_name, sizeof s->localized_name);
  else if (l.key_is("  description"))
    l.value(s->description, sizeof s->description);
  else if (l.key_is("  color"))
    s->color = int32_t(l.integer());
  else if (l.key_is("  color_policy"))
    s->color_policy = int16_t(l.integer());
  else if (l.key_is("  physical_pen_number"))
    s->physical_pen_number = int16_t(l.integer());
  else if (l.key_is("  virtual_pen_number"))
    s->virtual_pen_number = int16_t(l.integer());
  else if (l.key_is("  screen"))
    s->screen = int16_t(l.integer());
  else if (l.key_is("  linepattern_size"))
    s->linepattern_size = l.real();
  else if (l.key_is("  linetype"))
    s->linetype = int16_t(l.integer());
  else if (l.key_is("  adaptive_linetype"))
    s->adaptive_linetype = l.truth() ? 1 : 0;
  else if (l.key_is("  lineweight"))
    s->lineweight = int16_t(l.integer());
  else if (l.key_is("  fill_style"))
    s->fill_style = int16_t(l.integer());
  else if (l.key_is("  end_style"))
    s->end_style = int16_t(l.integer());
  else if (l.key_is("  join_style"))
    s->join_style = int16_t(l.integer());
}

bool same_handle(const TkHandle& a, const TkHandle& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

}  // namespace

int16_t pstyle_lineweight(int16_t index) {
  return index >= 1 && index <= 27 ? kLineweights[index - 1] : 0;
}

int16_t pstyle_inflate(const uint8_t* compressed, uint32_t count, uint8_t* out, uint32_t size) {
  z_stream z;
  std::memset(&z, 0, sizeof z);
  if (inflateInit(&z) != Z_OK) return tk_fail(TK_ERR_GENERAL);
  z.next_in = const_cast<uint8_t*>(compressed);
  z.avail_in = count;
  z.next_out = out;
  z.avail_out = size;
  int16_t ok = 1;
  // The whole input and output at once: zlib never writes past avail_out, so
  // the buffer the caller sized bounds the text whatever the stream claims.
  const int result = inflate(&z, Z_FINISH);
  if (result != Z_STREAM_END && result != Z_OK && result != Z_BUF_ERROR) ok = 0;
  if (inflateEnd(&z) != Z_OK) ok = 0;
  return ok ? 1 : tk_fail(TK_ERR_GENERAL);
}

int16_t pstyle_read_file(const char* path, char** text, uint32_t* size) {
  *text = nullptr;
  *size = 0;
  FILE* f = std::fopen(path, "rb");
  if (!f) return tk_fail(TK_ERR_OPEN_FILE);
  uint8_t sizes[8];
  if (std::fseek(f, kHeadText, SEEK_SET) != 0 || std::fread(sizes, 1, 8, f) != 8) {
    std::fclose(f);
    return tk_fail(TK_ERR_PSTYLE_HEADER);
  }
  const uint32_t plain = uint32_t(sizes[0]) | uint32_t(sizes[1]) << 8 | uint32_t(sizes[2]) << 16 |
                         uint32_t(sizes[3]) << 24;
  const uint32_t packed = uint32_t(sizes[4]) | uint32_t(sizes[5]) << 8 | uint32_t(sizes[6]) << 16 |
                          uint32_t(sizes[7]) << 24;
  if (plain == 0 || packed == 0) {
    std::fclose(f);
    return tk_fail(TK_ERR_PSTYLE_HEADER);
  }
  // Sizes from the file are capped before anything is allocated for them.
  if (plain > TK_PSTYLE_MAX_TEXT || packed > TK_PSTYLE_MAX_COMPRESSED) {
    std::fclose(f);
    return tk_fail(TK_ERR_PSTYLE_ALLOC);
  }
  auto* in = static_cast<uint8_t*>(mem_alloc(packed));
  if (!in) {
    std::fclose(f);
    return tk_fail(TK_ERR_PSTYLE_ALLOC);
  }
  if (std::fread(in, 1, packed, f) != packed) {
    mem_free(in);
    std::fclose(f);
    return tk_fail(TK_ERR_UNEXPECTED_EOF);
  }
  std::fclose(f);
  auto* out = static_cast<char*>(mem_alloc(size_t(plain) + 1));
  if (!out) {
    mem_free(in);
    return tk_fail(TK_ERR_PSTYLE_ALLOC);
  }
  std::memset(out, 0, size_t(plain) + 1);
  const int16_t ok = pstyle_inflate(in, packed, reinterpret_cast<uint8_t*>(out), plain);
  mem_free(in);
  if (!ok) {
    mem_free(out);
    return 0;
  }
  *text = out;
  *size = uint32_t(std::strlen(out));
  return 1;
}

void pstyle_free(TkPlotStyleTable* table) {
  if (!table) return;
  while (TkPlotStyle* s = table->styles) {
    table->styles = s->next;
    mem_free(s);
  }
  mem_free(table->colours);
  mem_free(table);
}

int16_t pstyle_parse_text(const char* text, uint32_t size, TkPlotStyleTable** out) {
  *out = nullptr;
  auto* t = static_cast<TkPlotStyleTable*>(mem_alloc(sizeof(TkPlotStyleTable)));
  if (!t) return tk_fail(TK_ERR_PSTYLE_ALLOC);
  std::memset(t, 0, sizeof *t);
  // The colour section's names, by colour number - 1, until the styles are
  // known.
  char(*names)[TK_PSTYLE_TEXT_SIZE] = nullptr;
  Lines l{text, text + size, nullptr, 0};
  bool have_line = l.next();
  // Head: key=value lines up to the first without an equals sign.
  for (; have_line && l.equals(); have_line = l.next()) {
    if (l.key_is("description"))
      l.value(t->description, sizeof t->description);
    else if (l.key_is("aci_table_available"))
      t->aci_table_available = l.truth() ? 1 : 0;
    else if (l.key_is("scale_factor"))
      t->scale_factor = l.real();
    else if (l.key_is("apply_factor"))
      t->apply_factor = l.truth() ? 1 : 0;
    else if (l.key_is("custom_lineweight_display_units"))
      t->custom_lineweight_display_units = l.truth() ? 1 : 0;
  }
  TkPlotStyle* tail = nullptr;
  int16_t ok = 1;
  while (ok && have_line) {
    if (l.starts("aci_table{")) {
      if (!names) {
        names = static_cast<char(*)[TK_PSTYLE_TEXT_SIZE]>(mem_alloc(255 * TK_PSTYLE_TEXT_SIZE));
        if (!names) {
          ok = tk_fail(TK_ERR_PSTYLE_ALLOC);
          break;
        }
        std::memset(names, 0, 255 * TK_PSTYLE_TEXT_SIZE);
      }
      while ((have_line = l.next()) && l.equals()) {
        char head[32];
        l.copy(head, sizeof head);
        const long n = std::strtol(head, nullptr, 10);
        if (n >= 0 && n < 255) l.value(names[n], TK_PSTYLE_TEXT_SIZE);
      }
      if (have_line) have_line = l.next();  // the closing line
    } else if (l.starts("plot_style{")) {
      // Each style: an opening line, then its key lines up to one without an
      // equals sign.
      while ((have_line = l.next()) && !l.starts("}")) {
        auto* s = static_cast<TkPlotStyle*>(mem_alloc(sizeof(TkPlotStyle)));
        if (!s) {
          ok = tk_fail(TK_ERR_PSTYLE_ALLOC);
          break;
        }
        std::memset(s, 0, sizeof *s);
        while ((have_line = l.next()) && l.equals()) parse_style_key(l, s);
        if (!s->name[0] || t->style_count == INT16_MAX) {
          mem_free(s);
        } else {
          if (tail)
            tail->next = s;
          else
            t->styles = s;
          tail = s;
          ++t->style_count;
        }
        if (!have_line) break;
      }
      if (have_line) have_line = l.next();
    } else if (l.starts("custom_lineweight_table{")) {
      while ((have_line = l.next()) && !l.starts("}")) {
        int index = -1;
        double value = 0;
        char line[128];
        l.copy(line, sizeof line);
        if (std::sscanf(line, "%d=%lf", &index, &value) == 2 && index >= 0 && index < 27)
          t->custom_lineweights[index] = value;
      }
      if (have_line) have_line = l.next();
    } else {
      have_line = l.next();
    }
  }
  if (ok && names) {
    t->colours = static_cast<TkPlotStyle**>(mem_alloc(255 * sizeof(TkPlotStyle*)));
    if (!t->colours) {
      ok = tk_fail(TK_ERR_PSTYLE_ALLOC);
    } else {
      for (int i = 0; i < 255; ++i) {
        const TkPlotStyle* s = nullptr;
        t->colours[i] = names[i][0] && pstyle_find_by_name(names[i], t, &s)
                            ? const_cast<TkPlotStyle*>(s)
                            : nullptr;
      }
    }
  }
  mem_free(names);
  if (!ok) {
    pstyle_free(t);
    return 0;
  }
  *out = t;
  return 1;
}

int16_t pstyle_parse(const char* path, TkPlotStyleTable** out) {
  *out = nullptr;
  char* text = nullptr;
  uint32_t size = 0;
  if (!pstyle_read_file(path, &text, &size)) return 0;
  const int16_t ok = pstyle_parse_text(text, size, out);
  mem_free(text);
  return ok;
}

int16_t pstyle_find_by_handle(const TkHandle* handle, const TkPlotStyleTable* table,
                              const TkPlotStyle** style) {
  *style = nullptr;
  if (tk_handle_is_null(handle)) return 1;
  for (const TkPlotStyle* s = table ? table->styles : nullptr; s; s = s->next)
    if (same_handle(s->handle, *handle)) {
      *style = s;
      return 1;
    }
  return tk_fail(TK_ERR_GENERAL);
}

int16_t pstyle_find_by_name(const char* name, const TkPlotStyleTable* table,
                            const TkPlotStyle** style) {
  *style = nullptr;
  for (const TkPlotStyle* s = table ? table->styles : nullptr; s; s = s->next)
    if (std::strcmp(s->name, name) == 0) {
      *style = s;
      return 1;
    }
  return tk_fail(TK_ERR_GENERAL);
}

int16_t pstyle_find_by_localized_name(const char* name, const TkPlotStyleTable* table,
                                      const TkPlotStyle** style) {
  *style = nullptr;
  for (const TkPlotStyle* s = table ? table->styles : nullptr; s; s = s->next)
    if (std::strcmp(s->localized_name, name) == 0) {
      *style = s;
      return 1;
    }
  return tk_fail(TK_ERR_GENERAL);
}

int16_t pstyle_bind_named(TkDrawing* drawing, TkPlotStyleTable* table) {
  TkObjectHeader header;
  TkObjectData data;
  if (!tk_object_rewind(drawing)) return 1;
  TkHandle target{};
  bool found = false;
  while (!found && tk_object_next(drawing, &header, &data)) {
    if (tk_object_data_kind(drawing, header.type) == TK_OBJDATA_DICTIONARY &&
        data.dictionary.entry_count > 0)
      found = tk_dict_lookup(drawing, &header.handle, "ACAD_PLOTSTYLENAME", &target) == 1;
  }
  if (!found) return 1;
  if (!tk_object_get(drawing, &target, &header, &data)) return 1;
  const uint16_t wdflt = drawing->class_numbers[TK_CLASS_DICTIONARYWDFLT];
  if (wdflt && header.type == wdflt && data.dictionary_wdflt.entries) {
    TkBlob* in = blob_open_read(data.dictionary_wdflt.entries);
    TkDictEntry entry;
    for (uint32_t i = 0; in && i < data.dictionary_wdflt.entry_count; ++i) {
      if (!tk_dict_entry_read(in, &entry)) break;
      for (TkPlotStyle* s = table->styles; s; s = s->next)
        if (std::strcmp(s->localized_name, entry.name) == 0) s->handle = entry.object;
    }
    if (in) blob_close(in);
  }
  return 1;
}

int16_t pstyle_load_layout_settings(TkDrawing* drawing) {
  TkPlotStyleState& p = pstyle_state;
  p.layout_loaded = 0;
  std::memset(&p.layout, 0, sizeof p.layout);
  if (!drawing || drawing->version <= 6 || !drawing->display) return 0;
  const uint16_t layout_class = drawing->class_numbers[TK_CLASS_LAYOUT];
  if (!layout_class) return 0;
  TkHandle space = drawing->display->paper_space ? drawing->fixed[11] : drawing->fixed[10];
  if (drawing->display->paper_space && !tk_handle_is_null(&drawing->display->layout))
    space = drawing->display->layout;
  TkBlockRecord block;
  if (!tk_block_get(drawing, &space, &block) || tk_handle_is_null(&block.layout)) return 0;
  TkObjectHeader header;
  TkObjectData data;
  if (!tk_object_get(drawing, &block.layout, &header, &data)) return 0;
  if (header.type == layout_class) {
    p.layout = data.layout;
    p.layout_loaded = 1;
  }
  return p.layout_loaded;
}

int16_t pstyle_load(TkDrawing* drawing) {
  TkPlotStyleState& p = pstyle_state;
  const TkPlotSettings& plot = p.layout.plot;
  if (!p.layout_loaded || !plot.style_sheet[0] || !(plot.layout_flags & 32)) return 0;
  char path[TK_PSTYLE_TEXT_SIZE] = {0};
  TkDisplayCallbacks* cb = tk_display_callbacks;
  if (cb && cb->plot_style_path) {
    cb->plot_style_path(plot.style_sheet, path, drawing->user_data);
    path[sizeof path - 1] = 0;
  } else {
    std::snprintf(path, sizeof path, "%s", plot.style_sheet);
  }
  if (!path[0]) return 0;
  TkPlotStyleTable* table = nullptr;
  if (!pstyle_parse(path, &table)) return 0;
  const TkHeader* h = drawing->header;
  if (h && h->pstylemode == 0) {
    pstyle_bind_named(drawing, table);
  } else if (!table->aci_table_available) {
    pstyle_free(table);
    return 0;
  }
  p.table = table;
  return 1;
}

int16_t pstyle_apply(const TkDrawing* host, const TkHandle* entity_style,
                     const TkHandle* layer_style, int16_t colour, int16_t lineweight) {
  const TkPlotStyleTable* t = pstyle_state.table;
  if (!t || colour < 0) return lineweight;
  const TkPlotStyle* style = nullptr;
  const TkHeader* h = host ? host->header : nullptr;
  if (h && h->pstylemode == 0) {
    const TkHandle* handle =
        entity_style && !tk_handle_is_null(entity_style) ? entity_style : layer_style;
    if (!handle || !pstyle_find_by_handle(handle, t, &style)) return lineweight;
  } else if (t->colours && colour >= 1 && colour <= 255) {
    style = t->colours[colour - 1];
  }
  if (!style || style->lineweight == 0) return lineweight;
  return pstyle_lineweight(style->lineweight);
}
