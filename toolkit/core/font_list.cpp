// The two built-in shape fonts every drawing falls back on ("SIMPLEX.SHX" for text, "GDT.SHX"
// for tolerance symbols), made at start-up over the tables of the init data. Loading fonts from
// files and reading glyphs belongs to display generation.
#include <cstring>

#include "toolkit/core/drawing.h"
#include "toolkit/core/font.h"
#include "toolkit/core/mem.h"
#include "toolkit/core/state.h"

namespace {

const char* const builtin_paths[TK_BUILTIN_FONTS] = {"SIMPLEX.SHX", "GDT.SHX"};

void free_font(TkFont* font) {
  if (!font) return;
  mem_free(font->pages);
  mem_free(font);
}

TkFont* make_font(size_t which) {
  TkState* s = tk_state;
  auto* font = static_cast<TkFont*>(mem_alloc(sizeof(TkFont)));
  if (!font) return nullptr;
  std::memset(font, 0, sizeof *font);
  std::strcpy(font->path, builtin_paths[which]);
  font->kind = TK_FONT_SHAPES_11;
  font->above = 21;
  font->below = 6;
  font->modes = 2;
  font->first_code = 0;
  font->last_code = 258;
  font->shape_count = static_cast<int16_t>(tk_builtin_font_entries[which]);
  font->index_count = tk_builtin_font_entries[which];
  font->shape_index = reinterpret_cast<TkShapeIndexEntry*>(s->font_index[which]);
  // The definition bytes are one block at "file offset" 0, seen as 8,192-byte pages.
  uint32_t size = s->font_data_size[which];
  font->page_count = static_cast<int16_t>((size + TK_FONT_PAGE_SIZE - 1) / TK_FONT_PAGE_SIZE);
  font->pages = static_cast<TkFontPage*>(mem_alloc(font->page_count * sizeof(TkFontPage)));
  if (!font->pages) {
    free_font(font);
    return nullptr;
  }
  for (int16_t p = 0; p < font->page_count; ++p) {
    uint32_t start = static_cast<uint32_t>(p) * TK_FONT_PAGE_SIZE;
    font->pages[p].file_offset = start;
    font->pages[p].valid =
        static_cast<uint16_t>(size - start < TK_FONT_PAGE_SIZE ? size - start : TK_FONT_PAGE_SIZE);
    font->pages[p].buffer = s->font_data[which] + start;
  }
  return font;
}

}  // namespace

int16_t font_list_init() {
  TkState* s = tk_state;
  for (size_t i = 0; i < TK_BUILTIN_FONTS; ++i) {
    s->builtin_fonts[i] = make_font(i);
    if (!s->builtin_fonts[i]) {
      font_list_free();
      return tk_fail_alloc(TK_ERR_SHAPEFILE_ALLOC);
    }
  }
  return 1;
}

void font_list_free() {
  TkState* s = tk_state;
  if (!s) return;
  for (TkFont*& font : s->builtin_fonts) {
    free_font(font);
    font = nullptr;
  }
}

void font_cache_free(TkDrawing* drawing) {
  if (!drawing) return;
  TkFont* font = drawing->font_cache;
  while (font) {
    TkFont* next = font->next;
    if (font->pages) mem_free(font->pages[0].buffer);
    mem_free(font->pages);
    mem_free(font->shape_index);
    mem_free(font->big_index);
    mem_free(font);
    font = next;
  }
  drawing->font_cache = nullptr;
}
