// The vector drawing object as a builder: what a plot-file converter needs to fill a new
// drawing with lines and save it.
#include "toolkit/core/drawing_life.h"
#include "toolkit/core/hdr.h"
#include "toolkit/core/state.h"
#include "vector/Dwg.h"
#include "vector/model/DrawingBuild.h"

BOOL CDwg::NewDrawing() {
  CloseDrawing();
  // Without a started toolkit there is nothing to make a drawing with.
  if (!tk_state) return FALSE;
  m_pDrawing = tk_new_drawing(nullptr, nullptr, 0, 6);
  m_pHeader = m_pDrawing ? tk_get_header(m_pDrawing) : nullptr;
  return m_pDrawing != nullptr;
}

BOOL CDwg::AddLine(double x1, double y1, double x2, double y2, int16_t colour) {
  return DrawingAddLine(m_pDrawing, x1, y1, x2, y2, colour) ? TRUE : FALSE;
}

BOOL CDwg::SaveAs(const char* path, int32_t version, int32_t dwg) {
  return DrawingSaveAs(m_pDrawing, path, version, dwg) ? TRUE : FALSE;
}
