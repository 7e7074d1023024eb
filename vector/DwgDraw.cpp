// Drawing a vector drawing into a device context: the pass (CDwg::Draw), its cached screen
// bitmap, the installation of the display callbacks, and the callbacks that put lines, filled
// polygons and colours on the device.
#include "vector/Dwg.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "toolkit/core/blob.h"
#include "toolkit/core/display_block.h"
#include "toolkit/core/drawing_life.h"
#include "toolkit/core/hdr.h"
#include "toolkit/core/object.h"
#include "toolkit/core/symtab.h"
#include "toolkit/display/image_frame.h"
#include "toolkit/display/regen.h"
#include "toolkit/display/vec_output.h"
#include "vector/DwgDrawContext.h"
#include "vector/PenTable.h"
#include "vector/TrueTypeLocator.h"
#include "vector/model/LocatorPaths.h"
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
  tk_set_draw_image_callback(&CDwg::DrawImageCallback);
  tk_set_draw_pixels_callback(&CDwg::DrawPixelsCallback);
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
  if (clearPending && m_pDrawing) {
    tk_display_clear_pending(m_pDrawing);
    // What is drawn changed (layers, settings, the kind of view): the display lists go too.
    tk_display_invalidate(m_pDrawing);
  }
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

  if (c.snap_reset) {
    // No entity was read (the view was redrawn from the display lists): the snap geometry of
    // the last regeneration is carried over to this view.
    if (m_snapScale > 0 && c.scale > 0) {
      auto carry = [&](CPoint& p) {
        const double x = p.x / m_snapScale + m_snapLowerLeft[0];
        const double y = (m_snapHeight - p.y) / m_snapScale + m_snapLowerLeft[1];
        int32_t q[2];
        SnapDevicePoint(x, y, c.lower_left[0], c.lower_left[1], c.scale, c.device_height_f, q);
        p = CPoint(q[0], q[1]);
      };
      for (CPoint& p : m_snap.points) carry(p);
      for (auto& chain : m_snap.polygons)
        for (CPoint& p : chain) carry(p);
    }
  }
  m_snapScale = c.scale;
  m_snapLowerLeft[0] = c.lower_left[0];
  m_snapLowerLeft[1] = c.lower_left[1];
  m_snapHeight = c.device_height_f;
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

// GDI coordinates hold 16 bits on some systems: a deep zoom must not wrap a line across the
// window, so segments are cut to this square around the origin before they are narrowed.
constexpr int64_t kDeviceLimit = 32000;

bool DwgClipToDevice(int64_t* x0, int64_t* y0, int64_t* x1, int64_t* y1) {
  const int64_t lo = -kDeviceLimit, hi = kDeviceLimit;
  auto code = [&](int64_t x, int64_t y) {
    return (x < lo ? 1 : 0) | (x > hi ? 2 : 0) | (y < lo ? 4 : 0) | (y > hi ? 8 : 0);
  };
  int ca = code(*x0, *y0), cb = code(*x1, *y1);
  while (ca | cb) {
    if (ca & cb) return false;
    const int c = ca ? ca : cb;
    const double ax = double(*x0), ay = double(*y0), bx = double(*x1), by = double(*y1);
    double x, y;
    if (c & 8) {
      y = double(hi);
      x = ax + (bx - ax) * (y - ay) / (by - ay);
    } else if (c & 4) {
      y = double(lo);
      x = ax + (bx - ax) * (y - ay) / (by - ay);
    } else if (c & 2) {
      x = double(hi);
      y = ay + (by - ay) * (x - ax) / (bx - ax);
    } else {
      x = double(lo);
      y = ay + (by - ay) * (x - ax) / (bx - ax);
    }
    if (c == ca) {
      *x0 = int64_t(std::llround(x));
      *y0 = int64_t(std::llround(y));
      ca = code(*x0, *y0);
    } else {
      *x1 = int64_t(std::llround(x));
      *y1 = int64_t(std::llround(y));
      cb = code(*x1, *y1);
    }
  }
  return true;
}

void DwgMoveToCallback(int32_t x, int32_t y, TkUserData) {
  DwgDrawContext& c = g_dwgContext;
  c.pen[0] = x;
  c.pen[1] = int64_t(c.device_height) - y;
}

void DwgLineToCallback(int32_t x, int32_t y, TkUserData) {
  DwgDrawContext& c = g_dwgContext;
  int64_t x0 = c.pen[0], y0 = c.pen[1], x1 = x, y1 = int64_t(c.device_height) - y;
  c.pen[0] = x1;
  c.pen[1] = y1;
  if (!c.target || !DwgClipToDevice(&x0, &y0, &x1, &y1)) return;
  c.target->MoveTo(int(x0), int(y0));
  c.target->LineTo(int(x1), int(y1));
}

void DwgFillPolygonCallback(const int16_t range[2], const int32_t* points, TkUserData) {
  DwgDrawContext& c = g_dwgContext;
  if (!c.target || range[1] < range[0] || range[0] < 0) return;
  std::vector<int32_t> flipped;
  flipped.reserve(size_t(range[1] - range[0] + 1) * 2);
  for (int i = range[0]; i <= range[1]; ++i) {
    flipped.push_back(points[2 * i]);
    const int64_t y = int64_t(c.device_height) - points[2 * i + 1];
    flipped.push_back(int32_t(std::max<int64_t>(INT32_MIN, std::min<int64_t>(INT32_MAX, y))));
  }
  // The outline is cut to what GDI coordinates hold, as lines are.
  static std::vector<int32_t> clipped;
  const int32_t limit[4] = {-int32_t(kDeviceLimit), -int32_t(kDeviceLimit), int32_t(kDeviceLimit),
                            int32_t(kDeviceLimit)};
  const int32_t n = vec_clip_fill_polygon(int32_t(flipped.size() / 2), flipped.data(), limit, &clipped);
  if (n < 3) return;
  std::vector<POINT> device;
  device.reserve(size_t(n));
  for (int32_t i = 0; i < n; ++i) device.push_back({clipped[2 * size_t(i)], clipped[2 * size_t(i) + 1]});
  HGDIOBJ brush = c.fill == 1 && c.brushes && c.slots && c.brushes[c.slots->current]
                      ? c.brushes[c.slots->current]->m_hObject
                      : ::GetStockObject(NULL_BRUSH);
  HGDIOBJ old = ::SelectObject(c.target->m_hDC, brush);
  c.target->Polygon(device.data(), int(device.size()));
  ::SelectObject(c.target->m_hDC, old);
  if (c.dlp == 0) {
    const POINT last = {flipped[flipped.size() - 2], flipped.back()};
    c.pen[0] = last.x;
    c.pen[1] = last.y;
    if (std::abs(last.x) <= kDeviceLimit && std::abs(last.y) <= kDeviceLimit) c.target->MoveTo(last);
  }
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

// --- raster images ------------------------------------------------------------------------------

void CDwg::DrawImageCallback(const TkImageDefData* definition, TkBlob** picture, TkUserData) {
  DwgDrawContext& c = g_dwgContext;
  *picture = nullptr;
  if (!definition || !definition->path[0]) return;
  // The path as stored, else the file of that name beside the drawing.
  CString path = definition->path;
  FILE* f = std::fopen((const char*)path, "rb");
  if (!f && !c.drawing_path.IsEmpty()) {
    CString name = path;
    const int cut = std::max(name.ReverseFind('\\'), name.ReverseFind('/'));
    if (cut >= 0) name = name.Mid(cut + 1);
    CString folder = c.drawing_path;
    const int slash = std::max(folder.ReverseFind('\\'), folder.ReverseFind('/'));
    folder = slash >= 0 ? folder.Left(slash + 1) : CString();
    const CString beside = folder + name;
    f = std::fopen((const char*)beside, "rb");
  }
  if (!f) return;
  // Pictures of more than 64 MB are not drawn.
  std::vector<uint8_t> bytes;
  uint8_t chunk[65536];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0 && bytes.size() <= (64u << 20))
    bytes.insert(bytes.end(), chunk, chunk + n);
  std::fclose(f);
  if (bytes.empty() || bytes.size() > (64u << 20)) return;
  TkBlob* blob = blob_alloc(TK_BLOB_CHUNK_SIZE);
  TkBlob* w = blob ? blob_create(blob) : nullptr;
  if (!w || !blob_write(w, bytes.data(), bytes.size()) || !blob_close_write(w)) {
    blob_free(blob);
    return;
  }
  *picture = blob;
}

void CDwg::DrawPixelsCallback(const uint8_t* p, int32_t length, TkUserData) {
  DwgDrawContext& c = g_dwgContext;
  if (!c.target || !p || length <= 0) return;
  auto i32 = [&](int32_t at) {
    int32_t v;
    std::memcpy(&v, p + at, 4);
    return v;
  };
  auto f64 = [&](int32_t at) {
    double v;
    std::memcpy(&v, p + at, 8);
    return v;
  };
  int32_t at = 0, mode = 0;
  while (at + 4 <= length) {
    const int32_t kind = i32(at) >> 24;
    if (kind == 1) {
      if (at + 16 > length) return;
      mode = i32(at + 12);
      c.row_height = 0;
      at += 16;
      continue;
    }
    if (kind == 3) {
      at += 4;
      continue;
    }
    if (kind != 2 || at + 120 > length) return;
    const double x0 = f64(at + 4), y0 = f64(at + 12);
    const int32_t count = i32(at + 100);
    const double sx = f64(at + 104), sy = f64(at + 112);
    const COLORREF first = RGB(p[at + 44], p[at + 45], p[at + 46]);
    const COLORREF last = RGB(p[at + 92], p[at + 93], p[at + 94]);
    at += 120;
    const int64_t bytes = mode == 2 ? (int64_t(count) + 7) / 8 : int64_t(count) * 3;
    if (count <= 0 || bytes > length - at) return;
    // Rows follow each other by the image's own height per pixel: the distance between the
    // starts of two rows, or the pixel's width before the second row.
    if (c.last_row_y != y0 && c.row_height == 0) c.row_height = std::fabs(c.last_row_y - y0);
    c.last_row_y = y0;
    const double along = std::hypot(sx, sy);
    const double height = c.row_height > 0 && c.row_height < 4 * along + 4 ? c.row_height : along;
    auto colour_of = [&](int32_t i) -> COLORREF {
      if (mode != 2) return RGB(p[at + 3 * i], p[at + 3 * i + 1], p[at + 3 * i + 2]);
      const int bit = (p[at + i / 8] >> (7 - i % 8)) & 1;
      const int first_bit = p[at] >> 7 & 1;
      const int last_bit = (p[at + (count - 1) / 8] >> (7 - (count - 1) % 8)) & 1;
      if (bit == first_bit) return first;
      if (bit == last_bit) return last;
      return bit ? RGB(0, 0, 0) : RGB(255, 255, 255);
    };
    // Runs of one colour go out as one rectangle.
    for (int32_t i = 0; i < count;) {
      int32_t j = i + 1;
      const COLORREF colour = colour_of(i);
      while (j < count && colour_of(j) == colour) ++j;
      const double ax = x0 + i * sx, ay = y0 + i * sy, bx = x0 + j * sx, by = y0 + j * sy;
      double left = std::min(ax, bx), right = std::max(ax, bx);
      double bottom = std::min(ay, by), top = std::max(ay, by);
      if (std::fabs(sy) < 1e-9) {
        bottom -= height / 2;
        top += height / 2;
      } else if (std::fabs(sx) < 1e-9) {
        left -= height / 2;
        right += height / 2;
      }
      int64_t l = int64_t(std::floor(left)), r = int64_t(std::ceil(right));
      int64_t t = int64_t(c.device_height) - int64_t(std::ceil(top));
      int64_t b = int64_t(c.device_height) - int64_t(std::floor(bottom));
      if (r <= l) r = l + 1;
      if (b <= t) b = t + 1;
      l = std::max(l, -kDeviceLimit);
      t = std::max(t, -kDeviceLimit);
      r = std::min(r, kDeviceLimit);
      b = std::min(b, kDeviceLimit);
      if (r > l && b > t) c.target->FillSolidRect(int(l), int(t), int(r - l), int(b - t), colour);
      i = j;
    }
    at += int32_t(bytes);
  }
}
