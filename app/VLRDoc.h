// CVLRDoc: the document of one drawing. It decides what a file is by offering it to each reader
// in a fixed order (the raster through the imaging library first), owns what accepted it, and
// carries the commands that act on the drawing: rotating, mirroring, inverting and paging a
// raster, and starting an outside program for the file. After every open, successful or not, it
// takes the next file the shell left pending.
// It also owns the raster selection that the raster-area tools build and the view draws.
// It is also an OLE server document: containers embed it through its embedded item (SrvrItem.h).
// Not for: the OLE items' own behaviour (SrvrItem.h, CntrItem.h, IpFrame.h), the plot-file converters
// (they join the open road after the vector drawing), the annotation set.
#pragma once

#include "FrameworkWin.h"

class CRaster;
class CVlr;
class CDwg;
class CPolyPolygon;

class CVLRDoc : public COleServerDoc {
  DECLARE_DYNCREATE(CVLRDoc)
 public:
  CVLRDoc();
  ~CVLRDoc() override;

  BOOL OnNewDocument() override;
  BOOL OnOpenDocument(LPCSTR lpszPathName) override;
  // Offers to save changed annotations, then closes. Every road that closes a document (the
  // menu, its frame, the shell's DDE commands, a thumbnail, the program's end) comes here, so
  // the question is asked once and only here.
  void OnCloseDocument() override;
  // A new embedded item for a container (the document keeps it).
  COleServerItem* OnGetEmbeddedItem() override;

  // A raster document: its raster exists with an image.
  BOOL IsRaster() const;
  // A vector document: its drawing is loaded.
  BOOL IsVector() const;

  CRaster* m_pRaster = nullptr;  // owned; a failed raster (negative handle) may stay attached
  CDwg* m_pDwg = nullptr;        // owned; only a loaded drawing stays attached
  CObject* m_pThird = nullptr;   // owned; nothing sets it yet, deleted with the document
  CVlr* m_pVlr = nullptr;        // owned: the annotation set of the opened drawing

  // The raster selection in document coordinates; null when there is none.
  CPolyPolygon* GetRasterSelection() const { return m_pRasterSelection; }
  // Takes pSelection over (null clears) and deletes the one held before.
  void SetRasterSelection(CPolyPolygon* pSelection);
  void DeleteRasterSelection() { SetRasterSelection(nullptr); }

  // Refreshes every view with a hint (0 when none is given).
  void Refresh(LPARAM lHint = 0) { UpdateAllViews(nullptr, lHint, nullptr); }

  void OnViewInvert();
  void OnRotate();
  void OnProperties();
  void OnSaveRasterAs();
  void OnRotate270();
  void OnRotate90();
  void OnMirrorX();
  void OnMirrorY();
  void OnNextPage();
  void OnPrevPage();
  void OnLaunchApp();
  void OnAnnotationLayers();
  // The drawing scale of the annotation set in the "Original scale" dialog, stored on OK.
  void OnToolsScale();
  void OnUpdateToolsScale(CCmdUI* pCmdUI);
  void OnUpdateRaster(CCmdUI* pCmdUI);
  void OnUpdateNextPage(CCmdUI* pCmdUI);
  void OnUpdatePrevPage(CCmdUI* pCmdUI);
  void OnUpdateLaunchApp(CCmdUI* pCmdUI);
  // The vector drawing's commands: layers, dark background, black and white, the SHX mapping,
  // and the annotation set's save without asking; the CALS header dialog for this document.
  void OnDwgLayers();
  void OnUpdateVector(CCmdUI* pCmdUI);
  void OnDarkDwg();
  void OnUpdateDarkDwg(CCmdUI* pCmdUI);
  void OnBwDwg();
  void OnUpdateBwDwg(CCmdUI* pCmdUI);
  void OnShxMapping();
  void OnUpdateShxMapping(CCmdUI* pCmdUI);
  void OnSaveAnnotations();
  void OnUpdateSaveAnnotations(CCmdUI* pCmdUI);
  void OnCalsHeader();
  void OnUpdateCalsHeader(CCmdUI* pCmdUI);

  // The program to start for the document: "LaunchApp" with every "%1" replaced by the path.
  CString LaunchCommandLine(LPCSTR lpszLaunchApp) const;

  DECLARE_MESSAGE_MAP()

 private:
  void DeleteDrawing();

  CPolyPolygon* m_pRasterSelection = nullptr;  // owned
};
