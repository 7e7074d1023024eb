// Entity kinds that display generation draws from records of their own beside
// the dispatcher's common ones: proxy graphics of the classes the toolkit does
// not know, tolerance frames, multilines, RTEXT and OLE frames, and the
// standard dimension arrowhead blocks that a load builds for arrow names
// without a block. The dispatcher hands each entity here; the records come from
// the core.
#pragma once

#include <cstdint>

#include "toolkit/display/regen.h"

enum : TkError {
  TK_ERR_PROXY_MATRICES = 255,
  TK_ERR_MLINE_LINETYPE = 256,
  TK_ERR_MLINE_ELEMENTS = 257,
};

// Proxy graphics (regen_proxy.cpp). Draws the primitives of the blob through
// the per-viewport transforms; sub-entity colours 0 and 256 take the two
// colours given. 1 drawn; 0 when the blob does not open or memory ran out.
int16_t regen_proxy_graphics(TkDrawing* drawing, TkBlob* graphics, const double base[16],
                             TkConstViewMatrices matrices, const TkLinetypeRecord* linetype,
                             TkDrawing* style_drawing, int16_t byblock_colour,
                             int16_t bylayer_colour);
// The linetype of a proxy's linetype index (32767 BYLAYER, 32766 BYBLOCK, else
// the k-th record of the list); an index the list does not hold leaves the
// record as it is.
void proxy_ltype_by_index(TkDrawing* drawing, uint32_t index, TkLinetypeRecord* record);
// The layer of a proxy's layer index: its colour, and its linetype into the
// record.
void proxy_layer_by_index(TkDrawing* drawing, uint32_t index, int16_t* colour,
                          TkLinetypeRecord* record);
// The proxy-graphics blob of an entity of a class kind, or null when it carries
// none.
TkBlob* regen_proxy_blob(TkDrawing* drawing, const TkEntityHeader* header,
                         const TkEntityData* data);

// Construction lines (regen_entity.cpp): kind TK_RAY from the base point,
// TK_XLINE both ways, clipped to each served viewport.
void regen_infinite_line(TkDrawing* drawing, uint16_t kind, const double base[3],
                         const double direction[3], const double transform[16],
                         TkConstViewMatrices matrices, const TkLinetypeRecord* linetype);

// Tolerance frames (regen_tolerance.cpp). Colours 0 and 256 of the settings
// take the two given.
void regen_tolerance(TkDrawing* drawing, const TkEntityHeader* header, const TkEntityData* data,
                     const double base[16], int16_t byblock_colour, int16_t bylayer_colour);

// Multilines (regen_mline.cpp). 1 drawn; 0 when memory ran out.
int16_t regen_mline(TkDrawing* drawing, const TkEntityData* data, int16_t bylayer_colour,
                    int16_t byblock_colour, const TkLinetypeRecord* bylayer_linetype,
                    const TkLinetypeRecord* byblock_linetype, const double base[16],
                    TkConstViewMatrices matrices);

// RTEXT whose text names a file (regen_rtext.cpp): the file's text drawn as
// paragraph text. Reads at most TK_RTEXT_FILE_MAX bytes of it; a file that
// cannot be read draws nothing. 1; 0 when memory ran out.
constexpr int32_t TK_RTEXT_FILE_MAX = 256 * 1024;
int16_t regen_rtext(TkDrawing* drawing, const TkEntityData* data, const double transform[16],
                    int16_t colour);
// The file's bytes, at most max of them, into a new blob; null when it cannot
// be read.
TkBlob* regen_read_text_file(const char* path, int32_t max);
// An OLE2FRAME: its picture through the application when it gives one, and its
// outline.
void regen_ole_frame(TkDrawing* drawing, const TkEntityData* data, TkConstViewMatrices matrices);

// Dimension arrowhead blocks (arrow_blocks.cpp). Builds the standard arrowhead
// of that name (with or without its leading underscore) as a block of that
// name; a block of that name already in the drawing is used as it is. 1 with
// the handle; 0 for a name that is no standard arrowhead, or when the block
// could not be built (then nothing of it stays).
int16_t arrow_block_create(TkDrawing* drawing, const char* name, TkHandle* out);
// The arrow names the reader queued for the dimension styles, turned into
// blocks.
void arrow_blocks_resolve(TkDrawing* drawing);

// Installs the services the core asks of the display through its hooks: the two above, the
// shape lookup by name (font_install_hooks) and the spline evaluation of entity outlines
// (core_hooks.cpp).
void regen_install_core_hooks();
