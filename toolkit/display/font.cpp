// Font resolution: the font file names of a style to a loaded font record, through the
// shape-font locator and the drawing's font cache; reading SHX files of the three layouts from
// memory with every count and offset checked against the file's length; glyph lookup.
#include "toolkit/display/font.h"

#include <cctype>
#include <cstdlib>
#include <initializer_list>
#include <cstring>

#include "toolkit/core/display_block.h"
#include "toolkit/core/hdr.h"
#include "toolkit/core/mem.h"
#include "toolkit/core/state.h"

namespace {

uint16_t u16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t u32(const uint8_t* p) { return u16(p) | (uint32_t(u16(p + 2)) << 16); }

void copy_name(char* out, size_t size, const char* in) {
  size_t n = strnlen(in, size - 1);
  std::memcpy(out, in, n);
  out[n] = 0;
}

void upper(char* s) {
  for (; *s; ++s) *s = char(std::toupper(static_cast<unsigned char>(*s)));
}

uint8_t detect_kind(const uint8_t* b, uint32_t size, uint32_t* header_end) {
  char text[42] = {};
  uint32_t n = 0;
  while (n < size && n < 41) {
    text[n] = char(b[n]);
    ++n;
    if (n >= 24 && b[n - 1] == 0x1A) break;
  }
  text[n] = 0;
  // The header text ends at its 0x1A; a NUL inside it ends the search as well.
  *header_end = n;
  if (std::strstr(text, "bigfont")) return TK_FONT_BIG;
  if (std::strstr(text, "unifont 1.0")) return TK_FONT_UNIFONT;
  if (std::strstr(text, "1.0")) return TK_FONT_SHAPES_10;
  if (std::strstr(text, "1.1")) return TK_FONT_SHAPES_11;
  return 0;
}

bool set_pages(TkFont* font, uint8_t* bytes, uint32_t size) {
  font->page_count = int16_t(size / TK_FONT_PAGE_SIZE + 1);
  font->pages = static_cast<TkFontPage*>(mem_alloc(sizeof(TkFontPage) * font->page_count));
  if (!font->pages) return false;
  for (int16_t p = 0; p < font->page_count; ++p) {
    uint32_t start = uint32_t(p) * TK_FONT_PAGE_SIZE;
    font->pages[p].file_offset = start;
    font->pages[p].valid = uint16_t(size - start < TK_FONT_PAGE_SIZE ? size - start : TK_FONT_PAGE_SIZE);
    font->pages[p].buffer = bytes + start;
  }
  return true;
}

// The information record of code 0: its name, then above, below and modes (or the big font's
// height, width and modes).
void read_info(TkFont* font, const uint8_t* b, uint32_t size, uint32_t offset) {
  uint32_t at = offset;
  while (at < size && b[at]) ++at;
  ++at;
  if (at + 5 > size) return;
  const uint8_t* i = b + at;
  if (font->kind == TK_FONT_BIG) {
    font->big_height = i[0];
    if (i[1] == 0) {
      font->modes = i[2];
      font->big_width = i[3];
    } else {
      font->big_width = i[1];
      font->modes = i[2];
    }
  } else {
    font->above = i[0];
    font->below = i[1];
    font->modes = i[2];
  }
}

bool find_missing(const TkDrawing* d, const char* name) {
  if (!name || !*name) return false;
  for (int i = 0; i < d->missing_count && i < 5; ++i)
    if (std::strcmp(d->missing_fonts[i], name) == 0) return true;
  return false;
}

void note_missing(TkDrawing* d, const char* name) {
  if (!name || !*name) return;
  int16_t slot = d->missing_next;
  if (slot < 0 || slot > 4) slot = 0;
  copy_name(d->missing_fonts[slot], sizeof d->missing_fonts[slot], name);
  d->missing_next = int16_t((slot + 1) % 5);
  if (d->missing_count < 5) ++d->missing_count;
}

bool ends_with_any(const char* s, const char* const* items) {
  for (; *items; ++items)
    if (std::strstr(s, *items)) return true;
  return false;
}

}  // namespace

void font_free(TkFont* font) {
  if (!font) return;
  if (font->pages) mem_free(font->pages[0].buffer);
  mem_free(font->pages);
  mem_free(font->shape_index);
  mem_free(font->big_index);
  mem_free(font);
}

TkFont* font_load_bytes(const uint8_t* src, uint32_t size, uint16_t mask) {
  if (!src || size < 24 || size > TK_FONT_MAX_FILE) return nullptr;
  uint32_t at = 0;
  uint8_t kind = detect_kind(src, size, &at);
  if (!kind || !(kind & mask)) return nullptr;
  auto* font = static_cast<TkFont*>(mem_alloc(sizeof(TkFont)));
  auto* bytes = static_cast<uint8_t*>(mem_alloc(size));
  if (!font || !bytes) {
    mem_free(font);
    mem_free(bytes);
    tk_fail_alloc(TK_ERR_SHAPEFILE_ALLOC);
    return nullptr;
  }
  std::memset(font, 0, sizeof *font);
  std::memcpy(bytes, src, size);
  font->kind = kind;
  bool ok = set_pages(font, bytes, size);
  if (!ok) mem_free(bytes);
  int64_t info = -1;
  if (ok && (kind == TK_FONT_SHAPES_10 || kind == TK_FONT_SHAPES_11)) {
    ok = at + 6 <= size;
    uint16_t count = ok ? u16(bytes + at + 4) : 0;
    if (ok) {
      font->first_code = u16(bytes + at);
      font->last_code = u16(bytes + at + 2);
      font->shape_count = int16_t(count);
      at += 6;
      ok = at + 4u * count <= size;
    }
    if (ok && count) {
      font->shape_index =
          static_cast<TkShapeIndexEntry*>(mem_alloc(sizeof(TkShapeIndexEntry) * count));
      ok = font->shape_index != nullptr;
      if (!ok) tk_fail_alloc(TK_ERR_FONT_INDEX);
    }
    if (ok) {
      uint32_t base = at + 4u * count, running = 0;
      int special = 0;
      for (uint16_t i = 0; i < count; ++i) {
        uint16_t code = u16(bytes + at + 4u * i), len = u16(bytes + at + 4u * i + 2);
        font->shape_index[i] = TkShapeIndexEntry{code, 0, base + running};
        if (code == 0) info = base + running;
        if (code == 127 || code == 248) ++special;
        running += len;
      }
      font->index_count = count;
      if (special == 2) font->kind = TK_FONT_TEXT;
    }
  } else if (ok && kind == TK_FONT_UNIFONT) {
    ok = at + 4 <= size;
    uint16_t count = ok ? u16(bytes + at) : 0;
    if (ok && count) {
      font->shape_index =
          static_cast<TkShapeIndexEntry*>(mem_alloc(sizeof(TkShapeIndexEntry) * count));
      ok = font->shape_index != nullptr;
      if (!ok) tk_fail_alloc(TK_ERR_FONT_INDEX);
    }
    // The count's high half is the first entry's code; each entry's bytes follow its head.
    uint32_t pos = at + 2;
    uint16_t n = 0;
    for (uint16_t i = 0; ok && i < count && pos + 4 <= size; ++i) {
      uint16_t code = u16(bytes + pos), len = u16(bytes + pos + 2);
      font->shape_index[n++] = TkShapeIndexEntry{code, 0, pos + 4};
      if (i == 0 && code == 0) info = pos + 4;
      pos += 4u + len;
    }
    font->index_count = n;
    font->shape_count = int16_t(n);
  } else if (ok) {  // big font
    ok = at + 6 <= size;
    if (ok) {
      font->big_header_length = u16(bytes + at);
      font->big_entry_count = u16(bytes + at + 2);
      uint16_t ranges = u16(bytes + at + 4);
      at += 6;
      // More escape ranges than the record holds are refused: such a file is damaged.
      ok = ranges <= TK_FONT_ESCAPE_RANGES && at + 4u * ranges <= size;
      for (uint16_t i = 0; ok && i < ranges; ++i) {
        font->escape_ranges[i][0] = u16(bytes + at + 4u * i);
        font->escape_ranges[i][1] = u16(bytes + at + 4u * i + 2);
      }
      font->escape_range_count = ok ? ranges : 0;
      at += 4u * ranges;
    }
    uint32_t n = font->big_entry_count;
    ok = ok && at + 8u * n <= size;
    if (ok) {
      font->big_index_start[0] = font->big_index_start[1] = at;
      font->big_data_start = at + 8u * n;
      if (n) {
        font->big_index = static_cast<uint8_t*>(mem_alloc(5u * n));
        ok = font->big_index != nullptr;
        if (!ok) tk_fail_alloc(TK_ERR_FONT_BIGINDEX);
      }
      for (uint32_t i = 0; ok && i < n; ++i) {
        const uint8_t* e = bytes + at + 8u * i;
        uint32_t offset = u32(e + 4) & 0xFFFFFF;
        uint32_t rel = offset >= font->big_data_start ? offset - font->big_data_start : 0;
        uint8_t* out = font->big_index + 5u * i;
        out[0] = e[0];
        out[1] = e[1];
        out[2] = uint8_t(rel);
        out[3] = uint8_t(rel >> 8);
        out[4] = uint8_t(rel >> 16);
        if (e[0] == 0 && e[1] == 0 && rel != 0) info = u32(e + 4);
      }
    }
  }
  if (ok && info >= 0 && info < int64_t(size)) read_info(font, bytes, size, uint32_t(info));
  if (!ok) {
    font_free(font);
    return nullptr;
  }
  return font;
}

TkFont* font_resolve(TkDrawing* d, const char* spec, uint16_t mask, TkFont* fallback,
                     const char* face, uint32_t style_bits) {
  if (!spec) spec = "";
  if (!*spec && (!face || !*face)) return fallback;
  TkState* st = tk_state;
  TkFont* first_builtin = st ? st->builtin_fonts[0] : nullptr;
  char name[TK_PATH_MAX];
  copy_name(name, sizeof name, spec);
  static const char* const tt_marks[] = {"|b", ".ttc", ".TTC", ".ttf", ".TTF", nullptr};
  bool truetype = (face && *face) || ends_with_any(spec, tt_marks);
  if (std::strchr(name, '|')) {
    style_bits = 0;
    const char* bar = std::strchr(spec, '|');
    for (const char* p = bar; p && *p; p = std::strchr(p + 1, '|')) {
      char option = p[1];
      const char* value = p[2] ? p + 2 : nullptr;
      if (option == 'b' && value && *value != '0') style_bits |= 0x02000000;
      if (option == 'i' && value && *value != '0') style_bits |= 0x01000000;
      if (option == 'c' && value) style_bits |= uint32_t(std::atoi(value)) << 8;
      if (option == 'p' && value) style_bits |= uint32_t(std::atoi(value));
    }
    *std::strchr(name, '|') = 0;
  }
  if (find_missing(d, spec) || (!*spec && find_missing(d, face))) return fallback;
  if (!truetype) {
    size_t len = std::strlen(name);
    if (!(len > 4 && name[len - 4] == '.') && len + 4 < sizeof name) std::strcat(name, ".shx");
    upper(name);
    if (tk_name_compare(name, "GDT.SHX") == 0) return st ? st->builtin_fonts[1] : fallback;
  }
  for (TkFont* f = d->font_cache; f; f = f->next) {
    if (std::strcmp(f->name, name) != 0) continue;
    if ((f->kind & mask) && f->kind != TK_FONT_TRUETYPE) return f;
    if (f->kind == TK_FONT_TRUETYPE && f->truetype.style == style_bits) return f;
    break;
  }
  char path[TK_PATH_MAX] = {};
  TkTrueTypeRequest request{};
  if (!truetype) {
    TkFindFileFn locate = st ? st->find_shape_font : nullptr;
    if (locate)
      locate(name, path, d->user_data);
    else
      copy_name(path, sizeof path, name);
  } else if (st && st->find_truetype_font && tk_display_callbacks &&
             tk_display_callbacks->truetype_text) {
    request.style = style_bits;
    copy_name(request.file, sizeof request.file, name);
    if (face && *face) copy_name(request.face, sizeof request.face, face);
    st->find_truetype_font(&request, d->user_data);
    copy_name(path, sizeof path, request.file[0] ? request.file : request.face);
  }
  path[sizeof path - 1] = 0;
  if (!*path) {
    note_missing(d, *spec ? spec : face);
    return fallback;
  }
  if (!truetype && std::strchr(path, '.') && !std::strstr(path, ".shx") &&
      !std::strstr(path, ".SHX")) {
    note_missing(d, spec);
    return fallback;
  }
  upper(path);
  for (TkFont* f = d->font_cache; f; f = f->next)
    if (std::strcmp(f->path, path) == 0 && (f->kind & mask)) return f;
  TkFont* font = nullptr;
  if (truetype) {
    font = static_cast<TkFont*>(mem_alloc(sizeof(TkFont)));
    if (!font) {
      tk_fail_alloc(TK_ERR_SHAPEFILE_ALLOC);
      return fallback;
    }
    std::memset(font, 0, sizeof *font);
    font->truetype = request;
    font->kind = TK_FONT_TRUETYPE;
    font->above = 1000;
    if (!(font->kind & mask)) {
      mem_free(font);
      return fallback;
    }
  } else {
    TkFile* file = file_open(path);
    if (!file) {
      if (st && st->font_open_failed) st->font_open_failed(name, d->user_data);
      note_missing(d, spec);
      return fallback;
    }
    uint32_t size = file_length(file);
    uint8_t* bytes = size && size <= TK_FONT_MAX_FILE ? static_cast<uint8_t*>(mem_alloc(size))
                                                      : nullptr;
    bool read = bytes && file_read(bytes, 1, size, file) == size;
    file_close(file);
    if (read) font = font_load_bytes(bytes, size, mask);
    mem_free(bytes);
    if (!font) {
      note_missing(d, spec);
      return fallback ? fallback : (mask & TK_FONT_MASK_MAIN) ? first_builtin : nullptr;
    }
  }
  copy_name(font->path, sizeof font->path, path);
  copy_name(font->name, sizeof font->name, name);
  TkFont** tail = &d->font_cache;
  while (*tail) tail = &(*tail)->next;
  *tail = font;
  return font;
}

TkFont* font_find_glyph(TkDrawing* d, TkFont* main, TkFont* big, uint16_t code,
                        uint8_t codepage) {
  if (!main) return nullptr;
  if (main->kind == TK_FONT_TRUETYPE) return main;
  if (big && big->big_index && big->big_entry_count) {
    bool use = false;
    uint8_t high = uint8_t(code >> 8);
    if (code >= 222) {
      for (uint16_t i = 0; i < big->escape_range_count && i < TK_FONT_ESCAPE_RANGES; ++i)
        if (big->escape_ranges[i][0] <= high && high <= big->escape_ranges[i][1]) use = true;
    } else {
      use = big->escape_range_count > 0;
    }
    if (use) {
      int32_t n = big->big_entry_count;
      int32_t start = (int32_t((code & 0xFF) * 256 + high) % n) - 1;
      if (start < 0 || start >= n - 2) start = 0;
      // The guess is only where the search begins: the scan wraps round to the entries before
      // it, so a font whose index is not in hash order still finds every code.
      for (int32_t k = 0; k < n; ++k) {
        int32_t i = (start + k) % n;
        const uint8_t* e = big->big_index + 5 * i;
        if (uint16_t(e[0] | (e[1] << 8)) == code) {
          big->big_position = big->big_data_start + (e[2] | (e[3] << 8) | (uint32_t(e[4]) << 16));
          return big;
        }
      }
    }
  }
  if (main->kind == TK_FONT_UNIFONT && codepage && d && d->header) {
    uint16_t mapped = code;
    if (tk_codepage_map_char(d->header->dwgcodepage, code, &mapped) && mapped)
      code = mapped;
  }
  for (uint16_t want : {code, uint16_t('?'), uint16_t(' ')}) {
    int32_t lo = 0, hi = int32_t(main->index_count) - 1;
    while (lo <= hi && main->shape_index) {
      int32_t mid = (lo + hi) / 2;
      uint16_t c = main->shape_index[mid].code;
      if (c == want) {
        uint32_t off = main->shape_index[mid].offset;
        main->big_position = 0;
        main->current_page = uint16_t(off / TK_FONT_PAGE_SIZE);
        main->page_offset = uint16_t(off % TK_FONT_PAGE_SIZE);
        return main;
      }
      if (c < want)
        lo = mid + 1;
      else
        hi = mid - 1;
    }
  }
  return nullptr;
}

uint8_t font_next_byte(TkFont* font) {
  if (!font || !font->pages) return 0;
  uint32_t at;
  if (font->kind == TK_FONT_BIG) {
    at = font->big_position++;
  } else {
    at = uint32_t(font->current_page) * TK_FONT_PAGE_SIZE + font->page_offset;
    if (++font->page_offset >= TK_FONT_PAGE_SIZE) {
      font->page_offset = 0;
      ++font->current_page;
    }
  }
  uint32_t page = at / TK_FONT_PAGE_SIZE, offset = at % TK_FONT_PAGE_SIZE;
  if (page >= uint32_t(font->page_count) || offset >= font->pages[page].valid) return 0;
  return font->pages[page].buffer[offset];
}

TkFontPos font_tell(const TkFont* font) {
  return TkFontPos{font->current_page, font->page_offset, font->big_position};
}

int16_t font_seek(TkFont* font, const TkFontPos& pos) {
  font->current_page = pos.page;
  font->page_offset = pos.offset;
  font->big_position = pos.big;
  return 1;
}
