// The locators a drawing pass answers the toolkit with (shape fonts, external references), the
// reference bookkeeping that carries the user's layer states into a reference, and the text hook
// that gathers snap geometry and mends MTEXT before it is drawn. Every path goes into the
// toolkit's fixed buffers through the bounded helpers of model/LocatorPaths.
#include <io.h>

#include <cmath>
#include <cstring>
#include <string>

#include "toolkit/core/display_block.h"
#include "toolkit/core/entity.h"
#include "toolkit/core/hdr.h"
#include "toolkit/core/drawing_life.h"
#include "toolkit/core/load.h"
#include "toolkit/core/symtab.h"
#include "toolkit/display/text_box.h"
#include "toolkit/write/save.h"
#include "vector/Dwg.h"
#include "vector/DwgDrawContext.h"
#include "vector/model/LocatorPaths.h"

namespace {

bool Exists(const char* path) { return path[0] && _access(path, 0) == 0; }

// Layer names of visible layers, for the hook.
bool LayerVisible(TkDrawing* drawing, const TkHandle& handle) {
  TkLayerRecord layer;
  if (!tk_layer_get(drawing, &handle, &layer)) return false;
  return g_dwgContext.visible_layers.count(layer.name) != 0;
}

CPoint DevicePoint(double x, double y) {
  const DwgDrawContext& c = g_dwgContext;
  int32_t p[2];
  SnapDevicePoint(x, y, c.lower_left[0], c.lower_left[1], c.scale, c.device_height_f, p);
  return CPoint(p[0], p[1]);
}

// The empty drawing put in place of a missing reference, made on first need. Should it not be
// made (a full or read-only temporary folder), the toolkit skips the reference, which draws the
// same nothing.
CString EmptySubstitute() {
  char dir[MAX_PATH];
  if (!::GetTempPathA(sizeof dir, dir)) return CString();
  const CString path = CString(dir) + "EMPTXREF.DWG";
  if (!Exists(path)) {
    if (TkDrawing* empty = tk_new_drawing(nullptr, nullptr, 0, TK_VERSION_AC1014)) {
      tk_save_drawing(empty, path, TK_FILE_DWG, TK_VERSION_AC1014, 0, 6, 1, 1);
      tk_close_drawing(empty);
    }
  }
  return path;
}

// A fit TEXT gets the width factor that spans its two points, measured as the right-justified
// text it would be with its own width factor; a ratio outside 0.1 to 10 is taken for a damaged
// record and left alone.
void FitTextWidth(TkDrawing* drawing, TkEntityData* data) {
  const size_t attrs = TK_TEXT_ATTRS;
  if (tk_data_get<uint8_t>(data, attrs + 33) != 5) return;
  const char* text = tk_data_text(data, TK_TEXT_STRING);
  if (strnlen(text, TK_ENTITY_DATA_SIZE - TK_TEXT_STRING) == TK_ENTITY_DATA_SIZE - TK_TEXT_STRING) return;
  TkTextStyleRecord style;
  const TkHandle handle = tk_data_get<TkHandle>(data, attrs + 56);
  if (!tk_style_get(drawing, &handle, &style)) return;
  TkTextParams params{};
  params.height = tk_data_get<double>(data, attrs);
  params.rotation = tk_data_get<double>(data, attrs + 8);
  params.width_factor = tk_data_get<double>(data, attrs + 16);
  params.oblique = tk_data_get<double>(data, attrs + 24);
  params.generation = tk_data_get<uint8_t>(data, attrs + 32);
  params.halign = 2;
  params.valign = tk_data_get<uint8_t>(data, attrs + 34);
  const double first[2] = {tk_data_get<double>(data, 0), tk_data_get<double>(data, 8)};
  const double second[2] = {tk_data_get<double>(data, 64), tk_data_get<double>(data, 72)};
  TkTextBox box;
  if (!tk_text_box(drawing, text, &style, &params, first, second, &box)) return;
  const double spanned = std::hypot(first[0] - second[0], first[1] - second[1]);
  const double natural = std::hypot(box.insertion[0] - second[0], box.insertion[1] - second[1]);
  if (natural <= 0) return;
  const double ratio = spanned / natural;
  if (std::fabs(ratio) > 0.1 && std::fabs(ratio) < 10)
    tk_data_put<double>(data, attrs + 16, params.width_factor * ratio);
}

void Put(char* result, const char* path) { JoinPath(result, kXrefPathSize, {path}); }

}  // namespace

void DwgForgetCurrentXref() { g_dwgContext.current_xref.Empty(); }

void DwgFindShapeFontCallback(const char* name_in, char* result, TkUserData) {
  DwgDrawContext& c = g_dwgContext;
  char name[kShapeFontPathSize];
  if (!JoinPath(name, sizeof name, {name_in})) name[0] = 0;
  ToBackslashes(name);
  bool found = JoinPath(result, kShapeFontPathSize, {name}) && Exists(result);
  if (!found && !c.shx_dir.IsEmpty())
    found = JoinPath(result, kShapeFontPathSize, {c.shx_dir, FileNamePart(name)}) && Exists(result);
  if (!found) {
    const int16_t codepage = c.header ? c.header->dwgcodepage : 0;
    DwgHost* host = GetDwgHost();
    CString substitute = host ? host->ProgramFile(SubstituteShapeFont(codepage))
                              : CString(SubstituteShapeFont(codepage));
    JoinPath(result, kShapeFontPathSize, {substitute});
  }
  if (DwgHost* host = GetDwgHost()) {
    if (CStringArray* list = host->FontSubstitutions()) {
      for (int i = 0; i + 1 < list->GetSize(); i += 2)
        if (list->GetAt(i) == name) return;
      list->Add(name);
      list->Add(result);
    }
  }
}

void DwgFindXrefCallback(const char* name, char* result, TkUserData) {
  DwgDrawContext& c = g_dwgContext;
  char candidate[kXrefPathSize];
  if (Exists(name)) return Put(result, name);
  if (XrefBesideDrawing(c.drawing_path, name, candidate, sizeof candidate) && Exists(candidate))
    return Put(result, candidate);
  if (XrefRelativeToDrawing(c.drawing_path, name, candidate, sizeof candidate) && Exists(candidate))
    return Put(result, candidate);
  CString stored;
  if (c.xref_paths && c.xref_paths->Lookup(name, stored)) {
    if (stored.IsEmpty()) return;
    if (Exists(stored)) return Put(result, stored);
  }
  const CString substitute = EmptySubstitute();
  if (!c.thumbnail && c.xref_missing_warning) {
    CString text;
    text.Format("Can not find the X-Ref file '%s'!\nPlease locate its position.", name);
    AfxMessageBox(text, MB_ICONEXCLAMATION);
    CFileDialog dialog(TRUE, "DWG", nullptr, OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST,
                       "DWG - AutoCAD (*.dwg)|*.dwg|DXF - CAD (*.dxf)|*.dxf|All files (*.*)|*.*||");
    if (dialog.DoModal() == IDOK) {
      if (c.xref_paths) c.xref_paths->SetAt(name, dialog.GetPathName());
      return Put(result, dialog.GetPathName());
    }
    if (c.xref_show_text) {
      if (c.xref_paths) c.xref_paths->SetAt(name, "");
      return;
    }
    if (c.xref_paths) c.xref_paths->SetAt(name, substitute);
    return Put(result, substitute);
  }
  if (c.thumbnail || !c.xref_show_text) Put(result, substitute);
}

void DwgNoteXrefNameCallback(const char* path, const TkXrefOrigin*, TkUserData) {
  char title[kXrefPathSize];
  g_dwgContext.current_xref = FileTitle(path, title, sizeof title) ? title : "";
}

void DwgBeginXrefCallback(TkDrawing* xref, TkUserData) {
  DwgDrawContext& c = g_dwgContext;
  if (c.current_xref.IsEmpty() || !xref) return;
  TkLayerRecord layer;
  tk_layer_list_rewind(xref);
  while (tk_layer_list_next(xref, &layer)) {
    CString value;
    if (!c.user_layer_states || !c.user_layer_states->Lookup(c.current_xref + "|" + layer.name, value)) continue;
    int16_t on = 0, frozen = 0, vpFrozen = 0, locked = 0;
    if (!tk_layer_get_state(xref, &layer.handle, &on, &frozen, &vpFrozen, &locked)) continue;
    tk_layer_set_state(xref, &layer.handle, value == "ON" ? 1 : 0, 0, vpFrozen, locked);
  }
  c.current_xref.Empty();
}

void DwgTextEntityHook(TkEntityHeader* header, TkEntityData* data, TkUserData) {
  DwgDrawContext& c = g_dwgContext;
  if (!c.snap) return;
  if (c.snap_reset) {
    c.snap->Clear();
    c.chain.clear();
    c.snap_reset = false;
  }
  if (header->kind != TK_VERTEX) {
    if (c.chain.size() > 1) c.snap->polygons.push_back(c.chain);
    c.chain.clear();
  }
  switch (header->kind) {
    case TK_LINE:
      if (LayerVisible(c.drawing, header->layer)) {
        c.snap->points.push_back(DevicePoint(tk_data_get<double>(data, 0), tk_data_get<double>(data, 8)));
        c.snap->points.push_back(DevicePoint(tk_data_get<double>(data, 24), tk_data_get<double>(data, 32)));
      }
      break;
    case TK_VERTEX:
      if (LayerVisible(c.drawing, header->layer))
        c.chain.push_back(DevicePoint(tk_data_get<double>(data, 0), tk_data_get<double>(data, 8)));
      break;
    case TK_TEXT:
      FitTextWidth(c.drawing, data);
      break;
    case TK_MTEXT: {
      bool paragraph = false;
      RewriteMtextHeights(tk_data_text(data, TK_MTEXT_STRING), TK_ENTITY_DATA_SIZE - TK_MTEXT_STRING,
                          &paragraph);
      // A text turned upright loses the line its first paragraph break made.
      if (paragraph && tk_data_get<double>(data, 32) == 1.0)
        tk_data_put<double>(data, 0, tk_data_get<double>(data, 0) - tk_data_get<double>(data, 48));
      break;
    }
    default:
      break;
  }
}
