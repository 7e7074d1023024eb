// DwgDrawContext: the one process-wide record a drawing pass of a vector drawing works on. The
// toolkit's display callbacks get no object, so CDwg::Draw fills this record before the pass and
// the callbacks (DwgDraw.cpp, DwgLocators.cpp) read it; it is valid only during a pass.
// Not for: anything that outlives a pass (that stays in the CDwg).
#pragma once

#include "FrameworkWin.h"

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "toolkit/core/state.h"
#include "vector/model/AciPalette.h"
#include "vector/model/DwgSnap.h"

struct TkDrawing;
struct TkHeader;
struct TkEntityHeader;
struct TkEntityData;
struct TkXrefOrigin;
struct TkTrueTypeRequest;

struct DwgDrawContext {
  CDC* target = nullptr;  // null: a pass without output
  int32_t device_height = 0;  // callbacks flip y as device_height - y
  double scale = 0;
  double lower_left[2] = {0, 0};
  double device_height_f = 0;
  TkDrawing* drawing = nullptr;
  TkHeader* header = nullptr;
  RECT display = {0, 0, 0, 0};
  // The object's pen slots, borrowed for the pass.
  CPen** pens = nullptr;
  CBrush** brushes = nullptr;
  DwgPenSlots* slots = nullptr;
  const uint32_t* palette = nullptr;
  uint16_t fill = 1;
  bool black_white = false;
  bool black_pens = false;
  bool pen_widths = false;
  int32_t widths[254] = {};  // device units by pen (colour - 1)
  int dlp = 1;
  CString shx_dir;
  CString drawing_path;
  CMapStringToString* user_layer_states = nullptr;
  CMapStringToString* xref_paths = nullptr;
  int thumbnail = 0;
  int xref_missing_warning = 1;
  int xref_show_text = 1;
  // Snap geometry gathered by the text hook.
  bool snap_reset = false;
  DwgSnapGeometry* snap = nullptr;
  std::vector<CPoint> chain;
  std::set<std::string> visible_layers;  // on and not frozen
  CString current_xref;
  // The pen where the toolkit left it, before clipping to what GDI coordinates hold.
  int64_t pen[2] = {0, 0};
  // Rows of an image being drawn: where the last span started, for the row height.
  double last_row_y = 0;
  double row_height = 0;
};

extern DwgDrawContext g_dwgContext;

// The callbacks of a pass (the toolkit's signatures).
void DwgMoveToCallback(int32_t x, int32_t y, TkUserData user);
void DwgLineToCallback(int32_t x, int32_t y, TkUserData user);
void DwgFillPolygonCallback(const int16_t range[2], const int32_t* points, TkUserData user);
void DwgSetColorCallback(int16_t index, TkUserData user);
void DwgProgressCallback(int16_t percent, TkUserData user);
// Clips the segment to the coordinates GDI carries (16 bits): false when nothing is left.
bool DwgClipToDevice(int64_t* x0, int64_t* y0, int64_t* x1, int64_t* y1);
void DwgFindShapeFontCallback(const char* name, char* result, TkUserData user);
void DwgFindXrefCallback(const char* name, char* result, TkUserData user);
void DwgNoteXrefNameCallback(const char* path, const TkXrefOrigin* origin, TkUserData user);
void DwgBeginXrefCallback(TkDrawing* xref, TkUserData user);
void DwgTextEntityHook(TkEntityHeader* header, TkEntityData* data, TkUserData user);
