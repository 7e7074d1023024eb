// The shape interpreter and the text driver: running one character's definition bytes (pen
// moves, vectors, arcs, bulges, scales, the position stack, subshapes) into line and arc strokes,
// decoding a string (control codes, \U+, \M+, double-byte pairs) into glyph codes, and drawing
// or measuring single-line text. Fonts are font.h's; the strokes go through regen_line/regen_arc.
#pragma once

#include <cstdint>

#include "toolkit/core/symtab.h"
#include "toolkit/display/font.h"
#include "toolkit/display/regen.h"

enum : TkError {
  TK_ERR_TEXT_MATRICES = 258,
};

// Saved points of the interpreter's position stack.
constexpr int TK_SHAPE_STACK = 5;
// Deepest chain of subshapes one character may call.
constexpr int TK_SHAPE_MAX_NESTING = 8;
// Commands one character may execute, and one string.
constexpr int32_t TK_SHAPE_MAX_STEPS = 20000;
constexpr int32_t TK_STRING_MAX_STEPS = 400000;

struct TkShapeContext {
  double pen[2];   // font units, relative to the string's start
  uint8_t vertical;
  uint8_t draw;    // 1: strokes are drawn; 0: only measured
  TkFont* font;
  TkFont* big;
  double xscale;
  double yscale;
  uint16_t above;
  double transform[16];  // font units to drawing units
  // Where strokes go: the drawing and one transform per viewport (font units to device).
  TkDrawing* drawing;
  TkConstViewMatrices matrices;
  // Extents collected in font units through box_matrix, when box is set (min x, min y, 0, 1,
  // max x, max y, 0, 1).
  double* box;
  const double* box_matrix;
  // The interpreter's position stack, shared by nested subshapes.
  int16_t stack_top;  // -1 empty
  double stack[TK_SHAPE_STACK][2];
  int16_t nesting;
  // Commands still allowed for the character being drawn (subshapes included) and for the
  // whole string: a damaged font whose shapes call each other many times over is cut short.
  int32_t steps_left;
  int32_t string_steps_left;
};

// Toggle bits of a string.
enum : uint8_t { TK_TEXT_OVERLINE = 1, TK_TEXT_UNDERLINE = 2 };

void shx_interpret(TkShapeContext* ctx, uint16_t code, TkFont* glyph_font, uint8_t toggles);
// One character or control sequence of the string; 0 at the end.
uint16_t text_next_char(const char** cursor, TkShapeContext* ctx, int16_t codepage,
                        uint8_t* plain, uint8_t* toggles);
int16_t text_is_blank(const char* text);
// Draws (or measures, with ctx->box) a string from the pen at (0, 0). 0 when a character has no
// glyph at all (the characters before it stay drawn).
int16_t shx_draw_string(TkShapeContext* ctx, const char* text, double big_ratio);

// The TrueType face (the last 1000 string) and style bits (the last 1071 value, else
// 0xFFFFFFFF) that a text style keeps in its extended data; an empty face without any.
void style_truetype_face(const TkTextStyleRecord* style, char face[512], uint32_t* bits);

struct TkTextParams {
  double height;
  double rotation;
  double width_factor;
  double oblique;
  uint8_t generation;  // 2 backwards, 4 upside down
  uint8_t halign;
  uint8_t valign;
};

// A single-line text at the insertion point (alignment already applied) in block coordinates.
int16_t regen_text_entity(TkDrawing* drawing, const double insertion[3], const char* text,
                          const TkTextStyleRecord* style, const TkTextParams* params,
                          const double transform[16], double min_height);
// A SHAPE: shape number of the style's shape font at the insertion point (params: size as the
// height, rotation, width factor, oblique angle). Nothing is drawn when the style names no
// loaded shape font. 0 when memory ran out.
int16_t regen_shape_entity(TkDrawing* drawing, const double insertion[3], uint16_t number,
                           const TkTextStyleRecord* style, const TkTextParams* params,
                           const double transform[16]);
// The box of a string in its own units (height 1 = params->height): lower-left and upper-right.
// With the fallback flag a font that will not load is replaced by the first built-in font and
// a missing big font is left out; without it they fail with error 296 and 297.
int16_t regen_text_extents(TkDrawing* drawing, const char* text, const TkTextParams* params,
                           const TkTextStyleRecord* style, double box[4], double* descent,
                           uint16_t fallback = 1);
