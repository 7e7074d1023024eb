// Plot style tables (.ctb colour-dependent, .stb named): reading and inflating
// the file, parsing its text into TkPlotStyleTable, binding named styles to the
// drawing's plot style handles, and the lineweight a style gives an entity
// during regeneration. A table lives for one regeneration; referenced drawings
// use their host's. Not for: the colours, pens and screening of a style (kept,
// not applied).
#pragma once

#include <cstdint>

#include "toolkit/core/drawing.h"
#include "toolkit/core/error.h"
#include "toolkit/core/handle.h"
#include "toolkit/core/object.h"

enum : TkError {
  TK_ERR_PSTYLE_HEADER = 4,
  TK_ERR_PSTYLE_ALLOC = 136,
};

// A plot style table's text is inflated into at most this many bytes: the size
// the file declares is not trusted beyond it.
constexpr uint32_t TK_PSTYLE_MAX_TEXT = 16u << 20;
constexpr uint32_t TK_PSTYLE_MAX_COMPRESSED = 16u << 20;
constexpr int TK_PSTYLE_TEXT_SIZE = 512;

struct TkPlotStyle {
  char name[TK_PSTYLE_TEXT_SIZE];
  char localized_name[TK_PSTYLE_TEXT_SIZE];
  char description[TK_PSTYLE_TEXT_SIZE];
  int32_t color;
  int16_t color_policy;
  int16_t physical_pen_number;
  int16_t virtual_pen_number;
  int16_t screen;
  double linepattern_size;
  int16_t linetype;
  uint8_t adaptive_linetype;
  int16_t lineweight;  // index into the lineweight table; 0 keeps the entity's
  int16_t fill_style;
  int16_t end_style;
  int16_t join_style;
  TkHandle handle;  // the bound plot style handle; null until bound
  TkPlotStyle* next;
};

struct TkPlotStyleTable {
  uint8_t aci_table_available;
  uint8_t apply_factor;
  char description[TK_PSTYLE_TEXT_SIZE];
  double scale_factor;
  int16_t custom_lineweight_display_units;
  int16_t style_count;
  TkPlotStyle* styles;    // file order, owned
  TkPlotStyle** colours;  // 255 entries by colour number - 1, or null; borrowed styles
  double custom_lineweights[27];
};

// The layout settings and table of the regeneration that runs.
struct TkPlotStyleState {
  uint8_t layout_loaded;
  TkLayoutData layout;
  TkPlotStyleTable* table;  // owned while the regeneration runs
};
extern TkPlotStyleState pstyle_state;

int16_t pstyle_load_layout_settings(TkDrawing* drawing);
int16_t pstyle_load(TkDrawing* drawing);
int16_t pstyle_parse(const char* path, TkPlotStyleTable** out);
// The file's text, inflated: an owned buffer (mem_free) of size bytes plus a
// closing zero.
int16_t pstyle_read_file(const char* path, char** text, uint32_t* size);
int16_t pstyle_inflate(const uint8_t* compressed, uint32_t count, uint8_t* out, uint32_t size);
// Parses text already inflated.
int16_t pstyle_parse_text(const char* text, uint32_t size, TkPlotStyleTable** out);
int16_t pstyle_find_by_handle(const TkHandle* handle, const TkPlotStyleTable* table,
                              const TkPlotStyle** style);
int16_t pstyle_find_by_name(const char* name, const TkPlotStyleTable* table,
                            const TkPlotStyle** style);
int16_t pstyle_find_by_localized_name(const char* name, const TkPlotStyleTable* table,
                                      const TkPlotStyle** style);
int16_t pstyle_bind_named(TkDrawing* drawing, TkPlotStyleTable* table);
void pstyle_free(TkPlotStyleTable* table);
// The lineweight (hundredths of a millimetre) of a style's lineweight index.
int16_t pstyle_lineweight(int16_t index);
// The entity's lineweight after the table of the running regeneration: host is
// the drawing whose header gives the plot style mode; entity_style the entity's
// plot style handle, layer_style its layer's; colour its colour number.
int16_t pstyle_apply(const TkDrawing* host, const TkHandle* entity_style,
                     const TkHandle* layer_style, int16_t colour, int16_t lineweight);
