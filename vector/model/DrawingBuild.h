// Building a drawing from a plot file without the window system: lines added to the model space
// of a toolkit drawing with the header's extents widened, and the Calcomp decoder's output over
// such a drawing. The vector drawing object's AddLine and the Calcomp converter use them.
// The drawing is saved through the toolkit's writers.
// Not for: the HP-GL converter, which builds through the drawing wrapper (Tavelo.h).
#pragma once

#include <cstdint>

#include "toolkit/core/drawing.h"
#include "vector/model/Calcomp.h"

// One LINE in model space with the drawing's defaults; a colour of 0 or more replaces the default
// colour (a negative one keeps BYLAYER). EXTMIN and EXTMAX grow to hold both points (z 0).
bool DrawingAddLine(TkDrawing* drawing, double x1, double y1, double x2, double y2,
                    int16_t colour);

// Saves the drawing: version is the toolkit's version index (6 = AC1014); dwg nonzero writes a DWG
// file, zero a DXF text file. False without a drawing or when the toolkit's save fails (the
// target is then left as it was: the writers replace it only when complete).
bool DrawingSaveAs(TkDrawing* drawing, const char* path, int32_t version, int32_t dwg);

class CalcompDrawingOutput : public CalcompOutput {
 public:
  explicit CalcompDrawingOutput(TkDrawing* drawing) : m_drawing(drawing) {}
  bool AddLine(double x1, double y1, double x2, double y2, int16_t colour) override {
    return DrawingAddLine(m_drawing, x1, y1, x2, y2, colour);
  }

 private:
  TkDrawing* m_drawing;  // borrowed
};

// A Calcomp plot file decoded into a new drawing held in memory; null, with the reason in
// *result, when the file is not a complete Calcomp plot or the toolkit cannot make a drawing.
TkDrawing* ConvertCalcompFile(const char* path, CalcompResult* result);
