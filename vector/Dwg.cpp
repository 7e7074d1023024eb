// The vector drawing object: opening, fitting, view modes, version text, snapping, the print
// copy and layer states. Drawing passes are DwgDraw.cpp's.
#include "vector/Dwg.h"

#include "toolkit/core/display_block.h"
#include "toolkit/core/drawing_life.h"
#include "toolkit/core/hdr.h"
#include "toolkit/core/load.h"
#include "toolkit/core/symtab.h"
#include "vector/model/LayerList.h"
#include "vector/model/TrueTypeText.h"

IMPLEMENT_DYNCREATE(CDwg, CObject)

namespace {

DwgHost* g_host = nullptr;

// Screen passes work at this detail; a print copy at 1.
constexpr double kScreenDetail = 20.0;

// A network or CD-ROM drive: the root up to the first "\" (or "/").
bool IsNetworkOrCdDrive(const char* path) {
  CString root(path);
  int slash = root.Find('\\');
  if (slash < 0) slash = root.Find('/');
  if (slash < 0) return false;
  root = root.Left(slash + 1);
  UINT type = ::GetDriveTypeA(root);
  return type == DRIVE_REMOTE || type == DRIVE_CDROM;
}

CString LocalCopyOf(const char* path) {
  char dir[MAX_PATH];
  char name[MAX_PATH];
  if (!::GetTempPathA(sizeof dir, dir) || !::GetTempFileNameA(dir, "VLR", 0, name)) return CString();
  if (::CopyFileA(path, name, FALSE)) return CString(name);
  ::DeleteFileA(name);
  return CString();
}

}  // namespace

void SetDwgHost(DwgHost* host) { g_host = host; }
DwgHost* GetDwgHost() { return g_host; }

namespace {

DwgSettings Settings() { return g_host ? g_host->Settings() : DwgSettings(); }

void ShowProgress(int percent) {
  if (g_host) g_host->SetProgress(percent);
}

}  // namespace

// --- construction --------------------------------------------------------------------------------

CDwg::CDwg() {
  for (int i = 0; i < 256; ++i) m_palette[i] = AciRgbPalette[i];
  // Until the first drawing the copy is set for a dark screen.
  SetBackgroundEntries(m_palette, true);
  m_pLayerLists = new CLayerList(ProfileLayerListStore());
  m_pLayerLists->Load();
  ResetTrueTypeFaceCache();
  InstallDisplayCallbacks();
  ShowProgress(0);
  if (tk_display_callbacks) tk_display_callbacks->detail = kScreenDetail;
}

CDwg::CDwg(const char* path, const char* localPath) : CDwg() {
  m_strPath = path;
  if (localPath) {
    m_strLocalCopy = localPath;
  } else if (Settings().dwg_local == 1 && IsNetworkOrCdDrive(path)) {
    m_strLocalCopy = LocalCopyOf(path);
  }
  Open(m_strLocalCopy.IsEmpty() ? path : (const char*)m_strLocalCopy);
}

CDwg::CDwg(TkDrawing* drawing, const char* path) : CDwg() {
  m_strPath = path;
  m_pDrawing = drawing;
  if (!m_pDrawing) return;
  // The converter left a display state on its drawing: it is replaced by ours.
  m_bDisplayOpen = 1;
  Finish();
}

void CDwg::Open(const char* openPath) {
  m_pDrawing = tk_open_drawing(openPath, 1, 1);
  if (m_pDrawing) Finish();
}

void CDwg::Finish() {
  m_pHeader = tk_get_header(m_pDrawing);
  tk_set_draw_enabled(Settings().dlp != 0);
  if (m_bDisplayOpen) tk_display_close(m_pDrawing);
  m_bDisplayOpen = 0;
  if (!m_pHeader || !OpenDisplay()) {
    tk_close_drawing(m_pDrawing);
    m_pDrawing = nullptr;
    m_pHeader = nullptr;
    return;
  }
  ApplyDefaultLayerList();
  ApplyLayerStates();
  Fit();
}

BOOL CDwg::OpenDisplay() {
  m_rcDisplay = {0, 0, 10000, 10000};
  if (!tk_display_open(m_pDrawing, nullptr, m_rcDisplay.right, m_rcDisplay.bottom, nullptr)) return FALSE;
  // The screen view keeps display lists: pans and zooms inside what was recorded are redrawn
  // from them without reading the drawing again.
  tk_display_set_recording(m_pDrawing, 1);
  m_bDisplayOpen = 1;
  return TRUE;
}

DwgHeaderBoxes CDwg::HeaderBoxes() const {
  DwgHeaderBoxes b = {};
  if (!m_pHeader) return b;
  for (int i = 0; i < 2; ++i) {
    b.extmin[i] = m_pHeader->extmin[i];
    b.extmax[i] = m_pHeader->extmax[i];
    b.pextmin[i] = m_pHeader->pextmin[i];
    b.pextmax[i] = m_pHeader->pextmax[i];
    b.limmin[i] = m_pHeader->limmin[i];
    b.limmax[i] = m_pHeader->limmax[i];
  }
  return b;
}

void CDwg::Fit() {
  const DwgViewMode mode = InitialViewMode(tk_is_pre_ac1009(m_pDrawing, m_pHeader->tilemode));
  m_nViewMode = mode;
  SetViewMode(mode);
  if (!m_pDrawing || !m_bDisplayOpen) return;
  tk_display_get_view(m_pDrawing, &m_view);
  double dw = 0, dh = 0;
  tk_display_get_extents_size(m_pDrawing, &dw, &dh);
  const DwgViewBox box = {{m_view.target[0], m_view.target[1]}, {m_view.width, m_view.height}};
  DwgWindow w = WindowOrHeaderExtents(WindowOfView(box, dw, dh, true), mode, HeaderBoxes());
  m_dWindowX = w.x;
  m_dWindowY = w.y;
  m_dWindowWidth = w.width;
  m_dWindowHeight = w.height;
  const DwgFit fit = FitScale(w.width, w.height);
  m_dScale = fit.scale;
  m_nDeviceWidth = fit.device_width;
  m_nDeviceHeight = fit.device_height;
  m_rcDevice = {0, 0, m_nDeviceWidth, m_nDeviceHeight};
}

// --- view modes ------------------------------------------------------------------------------------

void CDwg::SetViewMode(int mode) {
  // A mode that is none of the three changes nothing: closing the display for it would leave a
  // drawing whose flag says its display is open when it is not.
  if (!m_pDrawing || mode < kDwgModelExtents || mode > kDwgPaperSpace) return;
  m_nViewMode = mode;
  DiscardCachedBitmap(TRUE);
  m_pHeader->tilemode = 1;
  if (m_bDisplayOpen) tk_display_close(m_pDrawing);
  m_bDisplayOpen = 0;
  const DwgHeaderBoxes header = HeaderBoxes();
  auto take = [this](const DwgWindow& w) {
    m_dWindowX = w.x;
    m_dWindowY = w.y;
    const DwgFit fit = FitScale(w.width, w.height);
    m_dScale = fit.scale;
    m_nDeviceWidth = fit.device_width;
    m_nDeviceHeight = fit.device_height;
  };
  if (mode == kDwgModelLimits) {
    take(LimitsWindow(header));
    OpenDisplay();
  } else if (mode == kDwgModelExtents || mode == kDwgPaperSpace) {
    if (mode == kDwgPaperSpace) m_pHeader->tilemode = 0;
    if (!OpenDisplay()) return;
    // One pass without output lets the display find what the drawing covers; its full view is
    // then the view the window is taken from. The display records only what falls inside the
    // pass's window, and header extents are often stale: the pass looks at three times the
    // start window, centred on it.
    DwgWindow start = StartWindow(header);
    start.x -= start.width;
    start.y -= start.height;
    start.width *= 3;
    start.height *= 3;
    take(start);
    ReinstallAndDraw();
    TkViewDesc full;
    tk_display_full_view(m_pDrawing, &full);
    const int32_t rect[4] = {m_rcDisplay.left, m_rcDisplay.top, m_rcDisplay.right, m_rcDisplay.bottom};
    tk_display_set_view(m_pDrawing, &full, rect);
    tk_display_get_view(m_pDrawing, &m_view);
    double dw = 0, dh = 0;
    tk_display_get_extents_size(m_pDrawing, &dw, &dh);
    const DwgViewBox box = {{m_view.target[0], m_view.target[1]}, {m_view.width, m_view.height}};
    take(WindowOrHeaderExtents(WindowOfView(box, dw, dh, false), DwgViewMode(mode), header));
  }
  // The flag says what is so: set by OpenDisplay only when the display state exists, so that it
  // is never closed twice.
  // The view's extent follows the mode's device space (construction refines it with its margin).
  m_rcDevice = {0, 0, m_nDeviceWidth, m_nDeviceHeight};
}

CString CDwg::GetVersionText() const {
  return VersionTextOf(m_pDrawing != nullptr, m_bFromHpgl != 0, m_bFromCalcomp != 0,
                       m_pHeader ? m_pHeader->acadver : "")
      .text;
}

BOOL CDwg::HasViewports() const { return m_pDrawing && tk_has_viewport_entities(m_pDrawing); }

void CDwg::CloseDrawing() {
  if (!m_pDrawing) return;
  if (m_bDisplayOpen) tk_display_close(m_pDrawing);
  m_bDisplayOpen = 0;
  tk_close_drawing(m_pDrawing);
  m_pDrawing = nullptr;
  m_pHeader = nullptr;
}

CDwg::~CDwg() {
  delete m_pCachedBitmap;
  m_pCachedBitmap = nullptr;
  CloseDrawing();
  // A print copy still open leaves the displayed drawing kept: it goes too.
  if (m_pKeptDrawing) {
    tk_close_drawing(m_pKeptDrawing);
    m_pKeptDrawing = nullptr;
  }
  FreeTrueTypeFaceCache();
  DeletePens();
  if (!m_strLocalCopy.IsEmpty()) ::DeleteFileA(m_strLocalCopy);
  delete m_pLayerLists;
}

// --- snapping --------------------------------------------------------------------------------------

BOOL CDwg::SnapToNearestPoint(int x, int y, CPoint* out) const {
  return ::SnapToNearestPoint(m_snap, x, y, out) ? TRUE : FALSE;
}

CPoint CDwg::SnapToNearestSegment(int x, int y, RECT search) const {
  return ::SnapToNearestSegment(m_snap, x, y, search);
}

// --- print copy ------------------------------------------------------------------------------------

void CDwg::ReloadForPrinting() {
  if (!m_pDrawing || m_pKeptDrawing) return;
  DiscardCachedBitmap(TRUE);
  ::SetCursor(::LoadCursor(nullptr, IDC_WAIT));
  TkDrawing* shown = m_pDrawing;
  TkHeader* shownHeader = m_pHeader;
  const RECT shownDisplay = m_rcDisplay;
  ShowProgress(0);
  if (tk_display_callbacks) tk_display_callbacks->detail = 1.0;
  tk_set_draw_enabled(0);
  TkDrawing* copy = tk_open_drawing(m_strPath, 1, 1);
  TkHeader* copyHeader = copy ? tk_get_header(copy) : nullptr;
  if (copy && copyHeader &&
      tk_display_open(copy, nullptr, 10000, 10000, nullptr)) {
    // The copy becomes the drawing; the shown one is kept, display state and all, untouched.
    m_pKeptDrawing = shown;
    m_pDrawing = copy;
    m_pHeader = copyHeader;
    m_rcDisplay = {0, 0, 10000, 10000};
    ApplyLayerStates();
    RestoreLayerStates();
    tk_display_get_view(m_pDrawing, &m_view);
    const int own = InitialViewMode(tk_is_pre_ac1009(m_pDrawing, m_pHeader->tilemode));
    if (m_nViewMode != own) {
      // SetViewMode works on the display flag of the drawing in hand: the copy's is open.
      const int32_t kept = m_bDisplayOpen;
      m_bDisplayOpen = 1;
      SetViewMode(m_nViewMode);
      m_bDisplayOpen = kept;
    }
  } else {
    // A copy that cannot be opened leaves the shown drawing in place; printing goes on with it.
    if (copy) tk_close_drawing(copy);
    m_pDrawing = shown;
    m_pHeader = shownHeader;
    m_rcDisplay = shownDisplay;
    if (tk_display_callbacks) tk_display_callbacks->detail = kScreenDetail;
    tk_set_draw_enabled(Settings().dlp != 0);
  }
  ::SetCursor(::LoadCursor(nullptr, IDC_ARROW));
}

void CDwg::RestoreAfterPrinting() {
  if (!m_pDrawing || !m_pKeptDrawing) return;
  tk_display_close(m_pDrawing);
  tk_close_drawing(m_pDrawing);
  m_pDrawing = m_pKeptDrawing;
  m_pKeptDrawing = nullptr;
  m_pHeader = tk_get_header(m_pDrawing);
  m_rcDisplay = {0, 0, 10000, 10000};
  if (tk_display_callbacks) tk_display_callbacks->detail = kScreenDetail;
  tk_set_draw_enabled(Settings().dlp != 0);
}

// --- layer states ------------------------------------------------------------------------------

void CDwg::SetLayerOn(const TkHandle& handle, bool on) {
  int16_t isOn = 0, frozen = 0, vpFrozen = 0, locked = 0;
  if (!tk_layer_get_state(m_pDrawing, &handle, &isOn, &frozen, &vpFrozen, &locked)) return;
  tk_layer_set_state(m_pDrawing, &handle, on ? 1 : 0, 0, vpFrozen, locked);
}

DwgToolkitLayers::DwgToolkitLayers(TkDrawing* drawing) : m_pDrawing(drawing) {
  if (!drawing) return;
  TkLayerRecord layer;
  tk_layer_list_rewind(drawing);
  while (tk_layer_list_next(drawing, &layer)) m_layers.push_back(Layer{CString(layer.name), layer.handle});
}

DwgLayerState DwgToolkitLayers::State(int index) {
  DwgLayerState s;
  tk_layer_get_state(m_pDrawing, &m_layers[static_cast<size_t>(index)].handle, &s.on, &s.frozen, &s.vp_frozen,
                     &s.locked);
  return s;
}

void DwgToolkitLayers::SetState(int index, const DwgLayerState& s) {
  tk_layer_set_state(m_pDrawing, &m_layers[static_cast<size_t>(index)].handle, s.on, s.frozen, s.vp_frozen, s.locked);
}

void CDwg::ApplyLayerStates() {
  if (!m_pDrawing) return;
  DwgToolkitLayers layers(m_pDrawing);
  ApplyLayerList(*m_pLayerLists, layers);
}

void CDwg::ApplyDefaultLayerList() {
  if (!m_pDrawing) return;
  const DwgSettings s = Settings();
  CString name = s.use_prev_lset && !s.llset.IsEmpty() ? s.llset : CString(CLayerList::kStandard);
  m_strCurrentLayerList = name;
  m_pLayerLists->SelectList(name);
  TkLayerRecord layer;
  tk_layer_list_rewind(m_pDrawing);
  while (tk_layer_list_next(m_pDrawing, &layer)) {
    int16_t on = 0, frozen = 0, vpFrozen = 0, locked = 0;
    if (!tk_layer_get_state(m_pDrawing, &layer.handle, &on, &frozen, &vpFrozen, &locked)) continue;
    m_pLayerLists->SetStandardState(layer.name, on && !frozen);
  }
}

void CDwg::RestoreLayerStates() {
  if (!m_pDrawing) return;
  TkLayerRecord layer;
  tk_layer_list_rewind(m_pDrawing);
  while (tk_layer_list_next(m_pDrawing, &layer)) {
    CString value;
    if (m_userLayerStates.Lookup(layer.name, value)) SetLayerOn(layer.handle, value == "ON");
  }
  DwgForgetCurrentXref();
}
