// The rules the font and external-reference locators and the text hook follow, without the
// window system: composing the candidate paths into the toolkit's fixed buffers (never past
// their end: a path that does not fit is no candidate), the substitute shape font by code page,
// the TrueType face aliases, and the text rewrites of the hook (MTEXT heights, FIT widths).
// Testing files for existence, the registry and the dialogs are the Windows side's
// (DwgLocators.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>

// Sizes of the buffers the toolkit hands the locators.
enum : size_t {
  kShapeFontPathSize = 256,  // the shape-font locator's result
  kXrefPathSize = 512,       // the external-reference locator's result
  kFontNameSize = 512,       // each name of a TrueType request
};

// The parts one after the other into out; false, with out emptied, when they do not fit.
bool JoinPath(char* out, size_t size, std::initializer_list<const char*> parts);
// The file name and extension of a path (after its last "\", "/" or ":").
const char* FileNamePart(const char* path);
// The drive and directory of a path, up to and including its last "\", "/" or ":"; false when
// it does not fit.
bool DirectoryPart(const char* path, char* out, size_t size);
// The file name without directory and extension; false when it does not fit.
bool FileTitle(const char* path, char* out, size_t size);
// Every "/" becomes "\".
void ToBackslashes(char* path);

// "DWG_OEM.SHX" for DWGCODEPAGE 0 ("undefined") or 12 ("dos850"), else "DWG_ANSI.SHX".
const char* SubstituteShapeFont(int16_t codepage);
// The registry's name of a face that drawings spell otherwise, or the face itself.
const char* TrueTypeFaceAlias(const char* face);
// A value of the registry's font list names the face when it begins with it.
bool FontValueNamesFace(const char* value_name, const char* face);
// A value of the font list is the face itself: its name is the face, alone or followed by a
// " (...)" kind such as " (TrueType)". "DejaVu Sans Bold (TrueType)" names "DejaVu Sans" but is
// not it.
bool FontValueIsFace(const char* value_name, const char* face);

// The reference beside the drawing: the drawing's directory + the reference's file name.
bool XrefBesideDrawing(const char* drawing_path, const char* name, char* out, size_t size);
// The reference relative to the drawing: its directory, a "\" unless it ends in one, and the
// name without a leading "\" or "/".
bool XrefRelativeToDrawing(const char* drawing_path, const char* name, char* out, size_t size);

// The MTEXT rewrite of the text hook, in place in a buffer of capacity bytes. paragraph is set
// when a "\P" was removed (the caller then moves the insertion point). A rewrite that would not
// fit leaves the text as it was.
void RewriteMtextHeights(char* text, size_t capacity, bool* paragraph);
// The width factor of a FIT text from its two alignment points p and a and the right end b of
// its centred box: multiplied by |p - a| / |b - a| when that ratio lies between 0.1 and 10.
double FitWidthFactor(double width_factor, const double p[2], const double a[2],
                      const double b[2]);
// A drawing point in the fitted device space (y down from the device height).
void SnapDevicePoint(double x, double y, double lower_left_x, double lower_left_y, double scale,
                     double device_height, int32_t out[2]);
