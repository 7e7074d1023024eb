// What display needs to draw dimensions and clipped insertions: the few dimension settings that
// shape arrows and text (from the style and the entity's own overrides), arrow kinds from block
// names, lookups in dictionaries, and a handful of small angle and handle helpers. Drawing
// anything is display generation's business.
#pragma once

#include <cstdint>

#include "toolkit/core/drawing.h"
#include "toolkit/core/handle.h"

struct TkEntityHeader;
struct TkDictionaryData;

// Arrow kinds by the name of the arrow block.
enum : uint16_t {
  TK_ARROW_DEFAULT = 0,
  TK_ARROW_CLOSED = 1,
  TK_ARROW_OPEN = 2,
  TK_ARROW_DOT = 3,
  TK_ARROW_ORIGIN = 4,
  TK_ARROW_OPEN90 = 5,
  TK_ARROW_NONE = 6,
  TK_ARROW_USER_BLOCK = 7,
  TK_ARROW_OBLIQUE = 8,
};

// The dimension settings display takes from a style and an entity's overrides.
struct TkDimSettings {
  double scale;        // DIMSCALE
  double arrow_size;   // DIMASZ
  double gap;          // DIMGAP
  uint16_t text_position;  // DIMTAD
  uint16_t arrow_kind;
  TkHandle arrow_block;    // DIMBLK, or DIMBLK1 while DIMSAH is on
  uint16_t line_colour;    // DIMCLRD
  double text_height;      // DIMTXT
  uint16_t text_colour;    // DIMCLRT
  TkHandle text_style;     // DIMTXSTY
};

// Fills the settings from the dimension style, then from the "DSTYLE" overrides in the entity's
// extended data of the application "ACAD". 0 when the style is not found.
int16_t tk_read_dimstyle_overrides(TkDrawing* drawing, const TkEntityHeader* header,
                                   TkDimSettings* settings, const TkHandle* dimstyle);

// The object of the dictionary entry of exactly that name (bytes compared); 1 when there is one,
// else 0 and, when out is given, the null handle.
int16_t tk_dict_find_entry(TkDrawing* drawing, const TkDictionaryData* dictionary,
                           const char* name, TkHandle* out);
// The SPATIAL_FILTER an insertion is clipped by, through its extension dictionary's
// "ACAD_FILTER" dictionary and its "SPATIAL" entry; 0 and the null handle when there is none.
int16_t tk_get_spatial_filter(TkDrawing* drawing, const TkEntityHeader* header, TkHandle* out);

// The kind of the arrow block of that name, compared without regard to case; any name the
// toolkit does not know is a user's block. 1.
int16_t tk_arrow_kind(const char* name, uint16_t* kind);

// The longest symbol name the writers keep.
uint16_t tk_get_max_name_length();
// The integer value of the dictionary variable of that name (entries compared without regard to
// case, in every dictionary of the object list), or the default when there is none or its value
// is not a number.
int32_t tk_get_dictionary_var(TkDrawing* drawing, const char* name, int32_t default_value);
// The model-space (which 1) or paper-space (which 0) block handle; 0 for another value of which
// or while that handle is null.
int16_t tk_get_space_block_handle(const TkDrawing* drawing, TkHandle* out, uint16_t which);

// An angle seen through a scaling of its sine or its cosine by k (an ellipse's ratio).
double tk_angle_from_sin_scaled(double angle, double k);
double tk_angle_from_cos_scaled(double angle, double k);
// The angle of the line from p0 to p1 (x, y); a vertical or zero-length line is pi/2 upwards and
// -pi/2 downwards.
double tk_angle_of_line(const double p0[2], const double p1[2]);
// The angle at p1 between the rays to p0 and p2, in [0, pi].
double tk_angle_at_vertex(const double p0[2], const double p1[2], const double p2[2]);
