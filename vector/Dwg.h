// CDwg: the vector drawing of one document. It opens a DWG or DXF file through the toolkit (or
// takes a drawing a plot-file converter built), fits it into a device space whose larger side is
// 10,000,000 units, switches between model space (extents or limits) and paper space, draws
// itself into a device context through the toolkit's display callbacks with a cached screen
// bitmap, snaps points to what it drew, makes a print copy, and keeps its layer states.
// The arithmetic lives in model/ (DwgFit, DwgSnap, AciPalette); this is the Windows side.
// Not for: the layer and properties dialogs, the plot-file converters.
#pragma once

#include "FrameworkWin.h"

#include <cstdint>
#include <vector>

#include "toolkit/core/display_state.h"
#include "toolkit/core/state.h"
#include "vector/model/AciPalette.h"
#include "vector/model/DwgFit.h"
#include "vector/model/DwgSnap.h"
#include "vector/model/LayerDialogModel.h"
#include "toolkit/core/handle.h"

struct TkDrawing;
struct TkHeader;
class CLayerList;
struct TkBlob;
struct TkImageDefData;

// The program's settings that drawing reads, with their defaults.
struct DwgSettings {
  int dlp = 1;
  int dark = 0;            // "DarkDWG"
  int black_white = 0;     // "BWDWG"
  CString shx_dir;         // "SHXDir", ending in "\" when not empty
  int use_shx = 1;
  int xref_missing_warning = 1;
  int xref_show_text = 1;
  int use_prev_lset = 0;
  CString llset;           // "LLSet"
  int dwg_local = 1;       // "DWGLocal" of "Options"
  int pen_type = 0;        // "PenType" of "PaperHead"
  int pen_width = 1;       // "PenWidth" of "PaperHead"
  int thumbnail = 0;       // set while the shell's thumbnail command runs
};

// What a drawing needs of the program around it: its settings, the status bar's progress control
// and text pane. The program installs one; without it the defaults hold and nothing is shown.
class DwgHost {
 public:
  virtual ~DwgHost() = default;
  virtual DwgSettings Settings() = 0;
  virtual void SetProgress(int percent) = 0;
  virtual void SetStatusText(const char* text) = 0;
  // Files that the program keeps beside itself (DWG_OEM.SHX, DWG_ANSI.SHX).
  virtual CString ProgramFile(const char* name) = 0;
  // The font substitution list: requested font, file used, in pairs.
  virtual CStringArray* FontSubstitutions() = 0;
  // The program's one-line text entry, owned by pParent: caption above, text proposed and
  // returned. FALSE when the user cancels.
  // A number as the program's settings format numbers (the properties dialog's sizes).
  virtual CString FormatNumber(double value) {
    CString s;
    s.Format("%g", value);
    return s;
  }
  virtual BOOL AskText(CWnd* pParent, const char* caption, CString& text) {
    (void)pParent;
    (void)caption;
    (void)text;
    return FALSE;
  }
};
void SetDwgHost(DwgHost* host);  // borrowed; null removes it
DwgHost* GetDwgHost();

class CDwg : public CObject {
  DECLARE_DYNCREATE(CDwg)
 public:
  CDwg();
  // localPath null: the object decides on a local copy itself.
  CDwg(const char* path, const char* localPath);
  CDwg(TkDrawing* drawing, const char* path);
  ~CDwg() override;
  CDwg(const CDwg&) = delete;
  CDwg& operator=(const CDwg&) = delete;

  void SetViewMode(int mode);
  void GetExtentsRect(RECT* out) const { *out = m_rcDevice; }
  CString GetVersionText() const;
  BOOL HasViewports() const;
  void CloseDrawing();

  // Building a drawing for a plot-file converter (DwgBuild.cpp): an empty drawing, then lines
  // in model space (colour < 0 keeps the default, BYLAYER); each widens the header's extents.
  BOOL NewDrawing();
  BOOL AddLine(double x1, double y1, double x2, double y2, int16_t colour);
  // Saves the drawing: version the toolkit's version index (6 = AC1014), dwg nonzero a DWG file,
  // zero a DXF file. FALSE without a drawing or when the toolkit's save fails.
  BOOL SaveAs(const char* path, int32_t version, int32_t dwg);

  // Drawing (the view, printing, copying).
  void Draw(CDC* dc, RECT drawingRect, RECT clientRect, CWnd* view, BOOL direct);
  void DiscardCachedBitmap(BOOL clearPending);
  void InstallDisplayCallbacks();
  void ReinstallAndDraw();
  // Raster images: the picture of an image definition read from its file (display slot 15),
  // and the spans of pixels the toolkit sends for it (slots 16 and 25).
  static void DrawImageCallback(const TkImageDefData* definition, TkBlob** picture, TkUserData user);
  static void DrawPixelsCallback(const uint8_t* commands, int32_t length, TkUserData user);

  // Snapping, print copy, layer states.
  BOOL SnapToNearestPoint(int x, int y, CPoint* out) const;
  CPoint SnapToNearestSegment(int x, int y, RECT search) const;
  void ReloadForPrinting();
  void RestoreAfterPrinting();
  void ApplyLayerStates();
  void ApplyDefaultLayerList();
  void RestoreLayerStates();

  TkDrawing* GetDrawing() const { return m_pDrawing; }
  TkDrawing* GetKeptDrawing() const { return m_pKeptDrawing; }
  CLayerList* GetLayerLists() const { return m_pLayerLists; }
  const DwgSnapGeometry& GetSnapGeometry() const { return m_snap; }

  CString m_strCurrentLayerList;
  CMapStringToString m_userLayerStates;  // layer name to "ON"/"OFF"
  CMapStringToString m_xrefPaths;        // reference name to chosen path ("" declined)
  int32_t m_bFromHpgl = 0;
  int32_t m_bFromCalcomp = 0;
  int32_t m_bDisplayOpen = 0;
  CString m_strPath;
  CString m_strLocalCopy;
  int32_t m_nDeviceWidth = 0;
  int32_t m_nDeviceHeight = 0;
  double m_dScale = 0;
  int32_t m_nViewMode = 0;
  TkViewDesc m_view = {};
  double m_dWindowX = 0, m_dWindowY = 0;          // lower-left, drawing units
  double m_dWindowWidth = 0, m_dWindowHeight = 0;  // as construction fitted them
  // Three values the annotation set keeps in its side file for the drawing, exchanged with it
  // when the document opens.
  double m_dViewValues[3] = {0, 0, 0};

 private:
  friend struct DwgPass;
  void Open(const char* openPath);
  void Fit();
  void Finish();
  BOOL OpenDisplay();
  void CreatePens();
  void DeletePens();
  void RefillSlot(int slot, COLORREF colour, int width);
  DwgHeaderBoxes HeaderBoxes() const;
  void SetLayerOn(const TkHandle& handle, bool on);

  CLayerList* m_pLayerLists = nullptr;  // owned
  RECT m_rcDevice = {0, 0, 0, 0};
  TkDrawing* m_pDrawing = nullptr;       // owned
  TkDrawing* m_pKeptDrawing = nullptr;   // owned while a print copy is open
  CBitmap* m_pCachedBitmap = nullptr;    // owned
  RECT m_rcCachedDrawing = {0, 0, 0, 0};
  RECT m_rcCachedClient = {0, 0, 0, 0};
  CPen* m_pens[DwgPenSlots::kSlots] = {};      // owned
  CBrush* m_brushes[DwgPenSlots::kSlots] = {};  // owned
  DwgPenSlots m_slots = {};
  uint32_t m_palette[256] = {};  // entries 0 and 7 follow the background
  TkHeader* m_pHeader = nullptr;  // the drawing's
  RECT m_rcDisplay = {0, 0, 10000, 10000};
  DwgSnapGeometry m_snap;
  // The view the snap geometry was gathered in: a pass redrawn from the toolkit's display lists
  // reads no entity, and the geometry is carried over to the new view.
  double m_snapScale = 0;
  double m_snapLowerLeft[2] = {0, 0};
  double m_snapHeight = 0;
};

// The layers of a toolkit drawing in its order, read once: what the layer dialog and the layer
// lists switch.
class DwgToolkitLayers : public DwgLayerAccess {
 public:
  explicit DwgToolkitLayers(TkDrawing* drawing);  // borrowed
  int Count() override { return static_cast<int>(m_layers.size()); }
  CString Name(int index) override { return m_layers[static_cast<size_t>(index)].name; }
  DwgLayerState State(int index) override;
  void SetState(int index, const DwgLayerState& state) override;

 private:
  struct Layer {
    CString name;
    TkHandle handle;
  };
  TkDrawing* m_pDrawing;
  std::vector<Layer> m_layers;
};

// Empties the name of the external reference being entered (DwgLocators.cpp).
void DwgForgetCurrentXref();
