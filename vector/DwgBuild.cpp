// The vector drawing object as a builder: what a plot-file converter needs to fill a new
// drawing with lines before it saves it.
#include <algorithm>

#include "toolkit/core/drawing_life.h"
#include "toolkit/core/entity.h"
#include "toolkit/core/entity_list.h"
#include "toolkit/core/hdr.h"
#include "toolkit/core/symtab.h"
#include "vector/Dwg.h"

BOOL CDwg::NewDrawing() {
  CloseDrawing();
  m_pDrawing = tk_new_drawing(nullptr, nullptr, 0, 6);
  m_pHeader = m_pDrawing ? tk_get_header(m_pDrawing) : nullptr;
  return m_pDrawing != nullptr;
}

BOOL CDwg::AddLine(double x1, double y1, double x2, double y2, int16_t colour) {
  if (!m_pDrawing) return FALSE;
  TkHandle block{};
  if (!tk_find_record_by_name(m_pDrawing, "*MODEL_SPACE", &block)) return FALSE;
  TkList* list = tk_block_entity_list(m_pDrawing, &block);
  if (!list) return FALSE;
  TkEntityHeader header{};
  static TkEntityData data;  // large; built on the GUI thread only
  data = TkEntityData{};
  header.kind = TK_LINE;
  tk_init_entity(m_pDrawing, &header, &data);
  if (colour >= 0) header.colour = uint16_t(colour);
  const double start[3] = {x1, y1, 0}, end[3] = {x2, y2, 0};
  for (int i = 0; i < 2; ++i) {
    tk_data_put<double>(&data, size_t(8 * i), start[i]);
    tk_data_put<double>(&data, size_t(24 + 8 * i), end[i]);
  }
  if (!tk_next_handle(m_pDrawing, nullptr, 0, &header.handle)) return FALSE;
  if (!tk_add_entity(m_pDrawing, list, &header, &data)) return FALSE;
  TkHeader* h = m_pHeader ? m_pHeader : tk_get_header(m_pDrawing);
  if (h) {
    h->extmin[0] = std::min({h->extmin[0], x1, x2});
    h->extmin[1] = std::min({h->extmin[1], y1, y2});
    h->extmax[0] = std::max({h->extmax[0], x1, x2});
    h->extmax[1] = std::max({h->extmax[1], y1, y2});
    h->extmin[2] = h->extmax[2] = 0;
  }
  return TRUE;
}
