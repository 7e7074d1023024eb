// Shapes by number and by name: the name of shape n of a style's shape file (what a writer puts
// into a SHAPE or a linetype), and the style and number of a shape name (what a DXF SHAPE entity
// or a linetype gives). Both read the shape file's index straight from the file, not through the
// font cache: the cached record keeps no names. Drawing shapes is shx.cpp's.
#include <cstring>
#include <vector>

#include "toolkit/core/mem.h"
#include "toolkit/core/state.h"
#include "toolkit/core/symtab.h"
#include "toolkit/display/font.h"

namespace {

// Where the index of a shapes file begins: its 24-byte header text, first and last code, count.
constexpr uint32_t kCountOffset = 28;
constexpr uint32_t kIndexOffset = 30;
// The name-search reads at most this much of a definition at a time.
constexpr uint32_t kDefinitionChunk = 512;
// Entries of a shapes index that the name search walks.
constexpr uint16_t kMaxSearchedEntries = 256;
constexpr int kShapeNameCache = 10;

uint16_t u16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }

struct IndexEntry {
  uint16_t number;
  uint16_t size;
};

// Opens the shape file a style names (".shx" added to a bare name) through the shape-font
// locator; null when it cannot be found or opened.
TkFile* open_shape_file(TkDrawing* d, const TkTextStyleRecord& style) {
  char name[TK_PATH_MAX];
  size_t n = strnlen(style.font_file, 127);
  std::memcpy(name, style.font_file, n);
  name[n] = 0;
  if (!n) return nullptr;
  if (!std::strstr(name, ".shx") && !std::strstr(name, ".SHX") && !(n >= 4 && name[n - 4] == '.'))
    std::strcat(name, ".shx");
  char path[TK_PATH_MAX] = {};
  TkFindFileFn locate = tk_state ? tk_state->find_shape_font : nullptr;
  if (locate) {
    locate(name, path, d->user_data);
    path[sizeof path - 1] = 0;
  } else {
    std::memcpy(path, name, sizeof path);
  }
  return path[0] ? file_open(path) : nullptr;
}

// The index entries of an open shapes file, at most `limit`; the file stands after the index.
// Empty when the count does not fit in the file.
std::vector<IndexEntry> read_index(TkFile* file, uint16_t limit) {
  std::vector<IndexEntry> entries;
  uint8_t b[4];
  uint32_t length = file_length(file);
  if (file_seek(file, kCountOffset, 0) != 0 || file_read(b, 1, 2, file) != 2) return entries;
  uint16_t count = u16(b);
  if (count > limit) count = limit;
  if (kIndexOffset + 4u * count > length) return entries;
  entries.resize(count);
  for (IndexEntry& e : entries) {
    if (file_read(b, 1, 4, file) != 4) return {};
    e = IndexEntry{u16(b), u16(b + 2)};
  }
  return entries;
}

bool find_style(TkDrawing* d, const TkHandle& handle, TkTextStyleRecord* style) {
  tk_style_list_rewind(d);
  while (tk_style_list_next(d, style))
    if (tk_handle_compare(&style->handle, &handle) == 0) return true;
  return false;
}

}  // namespace

int16_t font_shape_name(TkDrawing* d, const TkHandle* style_handle, uint8_t number, char name[32]) {
  if (!d || !style_handle || !name) return 0;
  for (int i = 0; i < d->shape_name_count && i < kShapeNameCache; ++i) {
    const auto& c = d->shape_names[i];
    if (c.number == number && tk_handle_compare(&c.style, style_handle) == 0) {
      std::memcpy(name, c.name, 32);
      return 1;
    }
  }
  TkTextStyleRecord style{};
  if (!find_style(d, *style_handle, &style)) return 0;
  TkFile* file = open_shape_file(d, style);
  if (!file) return 0;
  // The definitions follow the index in its order; each begins with the shape's name.
  uint32_t count = 0;
  std::vector<IndexEntry> entries = read_index(file, 0xFFFF);
  count = uint32_t(entries.size());
  uint32_t at = kIndexOffset + 4u * count;
  bool found = false;
  for (const IndexEntry& e : entries) {
    if (e.number == number) {
      found = true;
      break;
    }
    at += e.size;
  }
  char text[32] = {};
  found = found && file_seek(file, at, 0) == 0 && file_read(text, 1, 31, file) > 0;
  file_close(file);
  if (!found) return 0;
  text[31] = 0;
  std::memcpy(name, text, 32);
  if (d->shape_name_count >= 0 && d->shape_name_count < kShapeNameCache) {
    auto& c = d->shape_names[d->shape_name_count++];
    c.style = *style_handle;
    c.number = number;
    std::memcpy(c.name, text, 32);
  }
  return 1;
}

int16_t font_find_shape(TkDrawing* d, const char* name, TkHandle* style_out, uint8_t* number_out) {
  if (style_out) *style_out = TkHandle{};
  if (number_out) *number_out = 0;
  if (!d || !name || !*name) return 0;
  for (int i = 0; i < d->shape_name_count && i < kShapeNameCache; ++i) {
    const auto& c = d->shape_names[i];
    if (std::strncmp(c.name, name, sizeof c.name) == 0) {
      if (style_out) *style_out = c.style;
      if (number_out) *number_out = uint8_t(c.number);
      return 1;
    }
  }
  std::vector<uint8_t> chunk(kDefinitionChunk + 1);
  TkTextStyleRecord style{};
  tk_style_list_rewind(d);
  while (tk_style_list_next(d, &style)) {
    if (!(style.flags & 1)) continue;
    TkFile* file = open_shape_file(d, style);
    if (!file) continue;
    std::vector<IndexEntry> entries = read_index(file, kMaxSearchedEntries);
    uint32_t length = file_length(file);
    uint32_t at = kIndexOffset + 4u * uint32_t(entries.size());
    for (const IndexEntry& e : entries) {
      if (at >= length) break;
      uint32_t take = e.size < kDefinitionChunk ? e.size : kDefinitionChunk;
      size_t got = file_seek(file, at, 0) == 0 ? file_read(chunk.data(), 1, take, file) : 0;
      chunk[got] = 0;
      at += e.size;
      if (std::strcmp(reinterpret_cast<const char*>(chunk.data()), name) != 0) continue;
      file_close(file);
      if (style_out) *style_out = style.handle;
      if (number_out) *number_out = uint8_t(e.number);
      if (d->shape_name_count > kShapeNameCache - 1 || d->shape_name_count < 0)
        d->shape_name_count = 0;
      auto& c = d->shape_names[d->shape_name_count++];
      c.style = style.handle;
      c.number = int16_t(uint8_t(e.number));
      std::strncpy(c.name, name, sizeof c.name - 1);
      c.name[sizeof c.name - 1] = 0;
      return 1;
    }
    file_close(file);
  }
  return 0;
}

namespace {

int16_t shape_lookup(TkDrawing* d, const char* name, uint16_t* shape, TkHandle* style) {
  uint8_t number = 0;
  int16_t ok = font_find_shape(d, name, style, &number);
  if (shape) *shape = number;
  return ok;
}

}  // namespace

void font_install_hooks() {
  if (tk_state) tk_state->shape_lookup = shape_lookup;
}
