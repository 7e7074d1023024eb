// The loaded shape-font record and the two built-in fonts that every drawing falls back on. The
// core only creates and frees the built-in pair at start-up and shutdown; resolving and reading
// fonts belongs to display generation.
#pragma once

#include <cstdint>

struct TkDrawing;

enum : uint8_t {
  TK_FONT_TEXT = 1,
  TK_FONT_SHAPES_10 = 2,
  TK_FONT_SHAPES_11 = 4,
  TK_FONT_BIG = 8,
  TK_FONT_UNIFONT = 16,
  TK_FONT_TRUETYPE = 32,
};

enum : uint32_t {
  TK_FONT_PAGE_SIZE = 8192,
  TK_FONT_ESCAPE_RANGES = 60,
};

struct TkTrueTypeRequest {
  char file[512];
  char face[512];
  uint32_t style;  // 0x02000000 bold, 0x01000000 italic, bits 8-15 charset, 0-7 pitch and family
};

// One entry of a shapes-file index as held in memory: the code and the definition's offset.
struct TkShapeIndexEntry {
  uint16_t code;
  uint16_t unused;
  uint32_t offset;
};

struct TkFontPage {
  uint32_t file_offset;
  uint16_t valid;
  uint8_t* buffer;
};

struct TkFont {
  TkFont* next;
  char path[80];
  char name[80];
  TkTrueTypeRequest truetype;
  uint8_t kind;
  uint16_t above;
  uint16_t below;
  uint16_t first_code;
  uint16_t last_code;
  int16_t shape_count;
  int16_t modes;
  uint8_t big_height;
  uint8_t big_width;
  uint16_t big_header_length;
  uint16_t big_entry_count;
  uint16_t escape_range_count;
  uint16_t escape_ranges[TK_FONT_ESCAPE_RANGES][2];
  uint32_t big_index_start[2];
  uint32_t big_data_start;
  uint8_t* big_index;
  TkShapeIndexEntry* shape_index;
  uint16_t index_count;
  uint16_t current_page;
  uint16_t page_offset;
  uint32_t big_position;
  int16_t page_count;
  TkFontPage* pages;
  // The big-font blob and its reader join here with the big-font loader.
};

// Builds the built-in "SIMPLEX.SHX" and "GDT.SHX" records over the font tables that the init
// data loaded into the global state. 1, or 0 with error 293 when memory runs out.
int16_t font_list_init();
// Frees both built-in records and their page tables (not the tables they point into).
void font_list_free();
// Frees the fonts a drawing loaded: each owns its index, its page table and the file bytes the
// first page points at.
void font_cache_free(TkDrawing* drawing);
