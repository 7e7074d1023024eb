// The rules of a document's raster selection: how each new shape the raster-area tools make
// joins it by the modifier keys, and the status-bar text of its area and perimeter in true
// measures through the annotation set's drawing scale.
// Not for: the mouse, the rubber bands or drawing the selection (the tools and the view).
#pragma once

#include "Str.h"

class CPolygon;
class CPolyPolygon;
class CVlr;

// Shift or Ctrl held: a new shape joins the selection. Neither: it starts a new one, so the
// tools drop the old selection as the shape begins.
BOOL RasAreaKeepsSelection(BOOL bShift, BOOL bCtrl);
// The new shape's combine value: cut out with Ctrl from a selection that has members; joined
// in every other case, so Ctrl over nothing still selects.
UINT RasAreaCombineValue(BOOL bCtrl, const CPolyPolygon* pSelection);
// The selection with the shape added by that value; a new selection (owned by the caller) when
// pSelection is null, else pSelection itself.
CPolyPolygon* RasAreaAddShape(CPolyPolygon* pSelection, const CPolygon& shape, BOOL bCtrl);

// How a document's units become true measures: the view's image scale (document units per
// base unit), the drawing form for a loaded vector drawing or else the raster's resolution,
// and the set's scale pair and unit (1 : 1 without a set).
struct CRasAreaScale {
  double dImageScale;
  BOOL bDrawing;
  double dDpi;
  const CVlr* pSet;  // borrowed; may be null
};

// "Area: %1², Perimeter: %2" with the area in square metres and the perimeter in metres, each
// as "%.1lf".
CString RasAreaStatusText(const CPolyPolygon& selection, const CRasAreaScale& scale);
