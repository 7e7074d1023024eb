// Drawing a vector drawing into a device context: the pass (CDwg::Draw), its cached screen
// bitmap, the installation of the display callbacks, and the callbacks that put lines, filled
// polygons and colours on the device.
#include "vector/Dwg.h"

#include <cstring>
#include <vector>

#include "toolkit/core/display_block.h"
#include "toolkit/core/drawing_life.h"
#include "toolkit/core/hdr.h"
#include "toolkit/core/symtab.h"
#include "toolkit/display/regen.h"
#include "vector/DwgDrawContext.h"
#include "vector/PenTable.h"
#include "vector/TrueTypeLocator.h"
#include "vector/model/TrueTypeText.h"

DwgDrawContext g_dwgContext;

namespace {

DwgSettings Settings() {
  DwgHost* host = GetDwgHost();
  return host ? host->Settings() : DwgSettings();
}

void ShowProgress(int percent) {
  if (DwgHost* host = GetDwgHost()) host->SetProgress(percent);
}

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

}  // namespace

// --- pens --------------------------------------------------------------------------------------------

void CDwg::RefillSlot(int slot, COLORREF colour, int width) {
  delete m_pens[slot];
  delete m_brushes[slot];
  m_pens[slot] = new CPen(PS_SOLID, width, colour);
  m_brushes[slot] = new CBrush(colour);
}

void CDwg::CreatePens() {
  for (int i = 0; i < DwgPenSlots::kSlots; ++i) RefillSlot(i, m_palette[i], 0);
  m_slots.Reset();
}

void CDwg::DeletePens() {
  for (int i = 0; i < DwgPenSlots::kSlots; ++i) {
    delete m_pens[i];
    delete m_brushes[i];
    m_pens[i] = nullptr;
    m_brushes[i] = nullptr;
  }
}

void CDwg::InstallDisplayCallbacks() {
  tk_set_moveto_callback(&DwgMoveToCallback);
  tk_set_lineto_callback(&DwgLineToCallback);
  tk_set_fill_polygon_callback(&DwgFillPolygonCallback);
  tk_set_color_callback(&DwgSetColorCallback);
  tk_set_progress_callback(&DwgProgressCallback);
  tk_set_find_xref_callback(&DwgFindXrefCallback);
  tk_set_find_shape_font_callback(&DwgFindShapeFontCallback);
  tk_set_text_hook(&DwgTextEntityHook);
  tk_set_begin_xref_callback(&DwgBeginXrefCallback);
  tk_set_xref_name_callback(&DwgNoteXrefNameCallback);
  tk_set_end_xref_callback(nullptr);
  tk_set_draw_truetype_text_callback(&DwgDrawTrueTypeText);
  tk_set_find_truetype_font_callback(&DwgFindTrueTypeFontCallback);
  if (tk_display_callbacks)
    for (size_t i = 0; i < TK_COLOUR_MAP_SIZE; ++i) tk_display_callbacks->colour_map[i] = int16_t(i);
  DeletePens();
  CreatePens();
}

void CDwg::ReinstallAndDraw() {
  // No snap geometry and no reference bookkeeping in a pass that draws nothing.
  tk_set_text_hook(nullptr);
  tk_set_begin_xref_callback(nullptr);
  tk_set_xref_name_callback(nullptr);
  const RECT drawingRect = {0, 0, 10000, 10000};
  const RECT clientRect = {0, 0, int(m_nDeviceWidth + 0.5), int(m_nDeviceHeight + 0.5)};
  Draw(nullptr, drawingRect, clientRect, nullptr, FALSE);
  tk_set_text_hook(&DwgTextEntityHook);
  tk_set_begin_xref_callback(&DwgBeginXrefCallback);
  tk_set_xref_name_callback(&DwgNoteXrefNameCallback);
}

void CDwg::DiscardCachedBitmap(BOOL clearPending) {
  delete m_pCachedBitmap;
  m_pCachedBitmap = nullptr;
  if (clearPending && m_pDrawing) tk_display_clear_pending(m_pDrawing);
}

// --- the pass ------------------------------------------------------------------------------------------

void CDwg::Draw(CDC* dc, RECT drawingRect, RECT clientRect, CWnd*, BOOL direct) {
  if (!m_pDrawing || !m_pHeader || m_dScale <= 0) return;
  const bool printer = dc && dc->IsPrinting();
  if (printer) DiscardCachedBitmap(TRUE);

  TkViewDesc view;
  if (!tk_display_get_view(m_pDrawing, &view)) return;
  if (view.direction[0] == 0 && view.direction[1] == 0 && view.direction[2] == 1) {
    view.target[0] = ((clientRect.left + clientRect.right) / 2) / m_dScale + m_dWindowX;
    view.target[1] = m_nDeviceHeight / m_dScale - ((clientRect.top + clientRect.bottom) / 2) / m_dScale +
                     m_dWindowY;
  } else {
    DiscardCachedBitmap(TRUE);
  }
  view.width = (clientRect.right - clientRect.left) / m_dScale;
  view.height = (clientRect.bottom - clientRect.top) / m_dScale;

  ShowProgress(0);
  HCURSOR before = ::SetCursor(::LoadCursor(nullptr, IDC_WAIT));
  const DwgSettings settings = Settings();

  if (dc && m_pCachedBitmap && !printer && !direct) {
    if (SameRect(drawingRect, m_rcCachedDrawing) && SameRect(clientRect, m_rcCachedClient)) {
      CDC memory;
      memory.CreateCompatibleDC(dc);
      CBitmap* old = memory.SelectObject(m_pCachedBitmap);
      dc->BitBlt(drawingRect.left, drawingRect.top, drawingRect.right - drawingRect.left,
                 drawingRect.bottom - drawingRect.top, &memory, drawingRect.left, drawingRect.top, SRCCOPY);
      memory.SelectObject(old);
      ::SetCursor(before);
      return;
    }
    DiscardCachedBitmap(!SameRect(drawingRect, m_rcCachedDrawing));
  }

  DwgDrawContext& c = g_dwgContext;
  c = DwgDrawContext();
  c.snap_reset = true;
  c.snap = &m_snap;
  c.scale = m_dScale;
  c.lower_left[0] = m_dWindowX;
  c.lower_left[1] = m_dWindowY;
  c.device_height_f = m_nDeviceHeight;
  c.drawing = m_pDrawing;
  c.header = m_pHeader;
  c.black_white = settings.black_white != 0;
  c.dlp = settings.dlp;
  c.shx_dir = settings.use_shx && !settings.shx_dir.IsEmpty() ? settings.shx_dir : CString();

  // Screen drawings go through a bitmap that later paints of the same rectangles reuse.
  CDC memory;
  CBitmap* bitmap = nullptr;
  CBitmap* oldBitmap = nullptr;
  if (dc) {
    SetBackgroundEntries(m_palette, !printer && settings.dark);
    RefillSlot(0, m_palette[0], 0);
    RefillSlot(7, m_palette[7], 0);
    if (printer || direct) {
      c.target = dc;
    } else {
      bitmap = new CBitmap;
      if (memory.CreateCompatibleDC(dc) &&
          bitmap->CreateCompatibleBitmap(dc, drawingRect.right > 0 ? drawingRect.right : 1,
                                         drawingRect.bottom > 0 ? drawingRect.bottom : 1)) {
        oldBitmap = memory.SelectObject(bitmap);
        memory.FillSolidRect(&drawingRect, settings.dark ? RGB(0, 0, 0) : RGB(255, 255, 255));
        c.target = &memory;
      } else {
        // No bitmap to be had: draw straight into the context.
        delete bitmap;
        bitmap = nullptr;
        c.target = dc;
      }
    }
    c.target->SetPolyFillMode(WINDING);
  }
  // The slots' pens are replaced during and after the pass: none of them may stay selected.
  HGDIOBJ oldPen = c.target ? ::SelectObject(c.target->m_hDC, ::GetStockObject(BLACK_PEN)) : nullptr;

  c.device_height = drawingRect.bottom + drawingRect.top;
  m_rcDisplay = drawingRect;
  const int32_t rect[4] = {drawingRect.left, drawingRect.top, drawingRect.right, drawingRect.bottom};
  tk_display_set_view(m_pDrawing, &view, rect);

  if (printer) {
    c.black_pens = settings.pen_type != 0;
    if (!c.black_pens) c.black_white = false;
    CPenTable table;
    if (settings.pen_width) {
      c.pen_widths = true;
      const int mm = dc->GetDeviceCaps(HORZSIZE);
      const double k = mm > 0 ? double(dc->GetDeviceCaps(HORZRES)) / mm : 1.0;
      table.Init("ProgramDefault", k * 0.01);
      for (int i = 0; i < CPenTable::PenCount; ++i) c.widths[i] = table.GetWidth(i);
    }
    for (int i = 1; i < DwgPenSlots::kSlots; ++i)
      RefillSlot(i, c.black_pens ? RGB(0, 0, 0) : m_palette[i], c.pen_widths ? c.widths[i - 1] : 0);
  }

  c.pens = m_pens;
  c.brushes = m_brushes;
  c.slots = &m_slots;
  c.palette = m_palette;
  c.fill = uint16_t(m_pHeader->fillmode);
  c.display = m_rcDisplay;
  c.drawing_path = m_strPath;
  c.user_layer_states = &m_userLayerStates;
  c.xref_paths = &m_xrefPaths;
  c.thumbnail = settings.thumbnail;
  c.xref_missing_warning = settings.xref_missing_warning;
  c.xref_show_text = settings.xref_show_text;

  TkLayerRecord layer;
  tk_layer_list_rewind(m_pDrawing);
  while (tk_layer_list_next(m_pDrawing, &layer)) {
    int16_t on = 0, frozen = 0, vpFrozen = 0, locked = 0;
    if (tk_layer_get_state(m_pDrawing, &layer.handle, &on, &frozen, &vpFrozen, &locked) && on && !frozen)
      c.visible_layers.insert(layer.name);
  }
  m_pHeader->attmode = 1;

  tk_set_user_data(m_pDrawing, 0);
  try {
    regen_drawing(m_pDrawing);
  } catch (CException* e) {
    e->Delete();
  }

  if (DwgHost* host = GetDwgHost()) host->SetStatusText("");
  ShowProgress(0);
  // A chain still open at the end of the pass is a polyline like any other.
  if (c.chain.size() > 1) m_snap.polygons.push_back(c.chain);

  if (c.target) ::SelectObject(c.target->m_hDC, oldPen);
  if (bitmap) {
    memory.SelectObject(oldBitmap);
    CDC paint;
    paint.CreateCompatibleDC(dc);
    CBitmap* old = paint.SelectObject(bitmap);
    dc->BitBlt(drawingRect.left, drawingRect.top, drawingRect.right - drawingRect.left,
               drawingRect.bottom - drawingRect.top, &paint, drawingRect.left, drawingRect.top, SRCCOPY);
    paint.SelectObject(old);
    m_pCachedBitmap = bitmap;
    m_rcCachedDrawing = drawingRect;
    m_rcCachedClient = clientRect;
  }
  c = DwgDrawContext();
  InstallDisplayCallbacks();
  ::SetCursor(before);
}

// --- the callbacks -----------------------------------------------------------------------------------

void DwgMoveToCallback(int32_t x, int32_t y, TkUserData) {
  DwgDrawContext& c = g_dwgContext;
  if (c.target) c.target->MoveTo(x, c.device_height - y);
}

void DwgLineToCallback(int32_t x, int32_t y, TkUserData) {
  DwgDrawContext& c = g_dwgContext;
  if (c.target) c.target->LineTo(x, c.device_height - y);
}

void DwgFillPolygonCallback(const int16_t range[2], const int32_t* points, TkUserData) {
  DwgDrawContext& c = g_dwgContext;
  if (!c.target || range[1] < range[0] || range[0] < 0) return;
  std::vector<POINT> device;
  device.reserve(size_t(range[1] - range[0] + 1));
  for (int i = range[0]; i <= range[1]; ++i) device.push_back({points[2 * i], c.device_height - points[2 * i + 1]});
  HGDIOBJ brush = c.fill == 1 && c.brushes && c.slots && c.brushes[c.slots->current]
                      ? c.brushes[c.slots->current]->m_hObject
                      : ::GetStockObject(NULL_BRUSH);
  HGDIOBJ old = ::SelectObject(c.target->m_hDC, brush);
  c.target->Polygon(device.data(), int(device.size()));
  ::SelectObject(c.target->m_hDC, old);
  if (c.dlp == 0) c.target->MoveTo(device.back());
}

void DwgSetColorCallback(int16_t index, TkUserData) {
  DwgDrawContext& c = g_dwgContext;
  if (!c.slots || !c.pens) return;
  bool refill = false;
  const uint16_t slot = c.slots->Select(index, c.black_white, &refill);
  if (refill) {
    // The pen going may be the one selected.
    if (c.target) ::SelectObject(c.target->m_hDC, ::GetStockObject(BLACK_PEN));
    delete c.pens[slot];
    delete c.brushes[slot];
    const COLORREF colour = c.palette[index];
    if (c.pen_widths && index != 0)
      c.pens[slot] = new CPen(PS_SOLID, c.widths[(index - 1) % CPenTable::PenCount],
                              c.black_pens ? RGB(0, 0, 0) : colour);
    else
      c.pens[slot] = new CPen(PS_SOLID, 0, colour);
    c.brushes[slot] = new CBrush(colour);
  }
  if (c.target && c.pens[slot]) c.target->SelectObject(c.pens[slot]);
}

void DwgProgressCallback(int16_t percent, TkUserData) { ShowProgress(percent); }
