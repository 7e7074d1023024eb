// Font resolution and glyph reading: turning a style's font file names into a loaded shape
// font (shapes 1.0/1.1, unifont, big font) or a TrueType request, caching the loaded fonts per
// drawing, positioning a font at one character's definition and handing out its bytes. What
// the bytes mean is the shape interpreter's business (shx.h).
#pragma once

#include <cstdint>

#include "toolkit/core/drawing.h"
#include "toolkit/core/font.h"

enum : TkError {
  TK_ERR_FONT_INDEX = 267,
  TK_ERR_FONT_TEMP = 268,
  TK_ERR_FONT_BIGINDEX = 270,
  TK_ERR_FONT_OPEN = 296,
  TK_ERR_BIGFONT_OPEN = 297,
};

// Kind masks callers pass: the main font of a style, its big font.
constexpr uint16_t TK_FONT_MASK_MAIN = 0x37;
constexpr uint16_t TK_FONT_MASK_BIG = 0x08;
// A font file larger than this is not a shape font this program reads.
constexpr uint32_t TK_FONT_MAX_FILE = 16u * 1024u * 1024u;

// Read position of a font: page, offset in page, big-font position.
struct TkFontPos {
  uint16_t page;
  uint16_t offset;
  uint32_t big;
};

// The loaded font, the fallback or the first built-in font (see the rules in font.cpp).
TkFont* font_resolve(TkDrawing* drawing, const char* spec, uint16_t mask, TkFont* fallback,
                     const char* face, uint32_t style_bits);
// Positions the font that defines the code (the big font or the main font) and returns it; null
// when neither the code, "?" nor a blank is defined.
TkFont* font_find_glyph(TkDrawing* drawing, TkFont* main, TkFont* big, uint16_t code,
                        uint8_t codepage);
// The next definition byte; 0 past the end of the font's bytes.
uint8_t font_next_byte(TkFont* font);
TkFontPos font_tell(const TkFont* font);
int16_t font_seek(TkFont* font, const TkFontPos& pos);
// Loads a shape font from bytes in memory (the file's whole contents); null when they are not
// a shape font of the mask. The record is not cached anywhere: the caller owns it and frees it
// with font_free.
TkFont* font_load_bytes(const uint8_t* bytes, uint32_t size, uint16_t mask);
void font_free(TkFont* font);

// The name of shape `number` in the shape file of the style (cached per drawing); 1 and the
// name, or 0.
int16_t font_shape_name(TkDrawing* drawing, const TkHandle* style, uint8_t number, char name[32]);
// The style whose shape file defines the named shape, and the shape's number; 1, or 0 with a
// null handle and number 0.
int16_t font_find_shape(TkDrawing* drawing, const char* name, TkHandle* style, uint8_t* number);
// Installs the core's shape lookup (a DXF SHAPE names its shape) over font_find_shape. Called
// once the core has started, by regen_install_core_hooks.
void font_install_hooks();
