// CVlr: the annotation set of one open document: its layers by id, its objects in drawing order,
// the selected object, the drawing scale with its unit, and the side file ("VVX3") that keeps all
// of that beside the drawing or in the annotation folder. The document creates, loads, saves and
// deletes it; views hit-test it; tools add to it; measuring reads its scale.
// What it needs of the platform (the save question, the volume's name length, unique names,
// replacing a file) comes through CVlrHost, which the Windows side fills in.
// Not for: drawing, invalidating and the clipboard (Windows side), naming rules (VlrNaming.h).
#pragma once

#include "List.h"
#include "Map.h"
#include "Object.h"
#include "Str.h"

class CAnnLayer;
class CAnnObj;
class CTGraph;

class CVlrHost {
 public:
  virtual ~CVlrHost() = default;
  // "The image information and/or the annotation information for %1 has been changed, save
  // changes?": TRUE for Yes.
  virtual BOOL AskSaveChanges(LPCSTR lpszDrawingPath) = 0;
  // Whether the volume of the path takes file names longer than 8.3 (component length above 32).
  virtual BOOL HasLongFileNames(LPCSTR lpszPath) = 0;
  // A new unique file name in the folder with the prefix; the system creates the (empty) file.
  // Empty when none can be had.
  virtual CString GetUniqueFileName(LPCSTR lpszFolder, LPCSTR lpszPrefix) = 0;
  // Puts the file lpszNew in the place of lpszTarget, replacing it at once when it exists.
  virtual BOOL ReplaceFile(LPCSTR lpszNew, LPCSTR lpszTarget) = 0;
};

// Borrowed; must be set before a set is named, loaded or saved.
void SetVlrHost(CVlrHost* pHost);
CVlrHost* GetVlrHost();

class CVlr : public CObject {
  DECLARE_SERIAL(CVlr)
 public:
  CVlr();
  // Names the side file of the drawing by the naming rules, with the annotation folder when
  // bUseRedlineDir is on and lpszRedlineDir (ending in a separator) is not empty.
  CVlr(LPCSTR lpszDrawingPath, BOOL bUseRedlineDir, LPCSTR lpszRedlineDir);
  ~CVlr() override;

  // Reads the side file when it exists; then makes sure there is a layer. The present flag.
  BOOL Load();
  // Without bForce nothing is saved unless modified and the user agrees. The side file is written
  // under a temporary name and then put in the place of the old one, so a failure part-way keeps
  // what was saved before. FALSE when nothing was saved.
  BOOL Save(BOOL bForce);
  // The side file layout. Loading stops after the magic or the drawing name when either differs;
  // a damaged file throws the archive's exception and leaves the set without layers and objects.
  void Serialize(CArchive& ar) override;

  CAnnLayer* GetLayer(WORD nId) const;
  // The lowest id no layer uses; 65535 when all below are taken.
  WORD GetFreeLayerId() const;
  // Adds a layer (owned from now on) under its id, replacing and deleting one there before.
  void SetLayer(WORD nId, CAnnLayer* pLayer);
  // Makes layer "0" (red, visible) the current layer when there is no layer at all.
  void EnsureLayer();

  // Appends the object (owned from now on), drawn on top.
  void Add(CAnnObj* pObj);
  // The first object in list order that the client point hits, or null.
  CAnnObj* HitTest(const CTGraph& graph, int x, int y) const;
  // Takes the object out of the list and deletes it, when it is there.
  void Remove(CAnnObj* pObj);
  void DeleteSelected();
  int CountOnLayer(WORD nId) const;
  void DeleteLayerObjects(WORD nId);
  // A change that the set itself does not see (an object moved, a layer edited).
  void SetModified() { m_bPresent = TRUE; m_bModified = TRUE; }

  BOOL m_bPresent = FALSE;
  BOOL m_bModified = FALSE;
  DWORD m_nReserved = 0;
  double m_dScaleFirst = 1.0;
  double m_dScaleSecond = 1.0;
  short m_nScaleUnit = 0;
  CString m_strDrawingPath;
  CString m_strAnnotationPath;
  WORD m_nCurrentLayer = 0;
  CMapWordToOb m_layers;  // owned CAnnLayer objects
  CObList m_objects;      // owned CAnnObj objects, drawing order
  CAnnObj* m_pSelected = nullptr;  // one of m_objects, or null
  double m_dStored[3] = {0.0, 0.0, 0.0};  // kept in the file and written back unchanged

 private:
  void DeleteContents();
  void LoadBody(CArchive& ar);
};

// The side file's first five bytes.
extern const char kVlrMagic[5];
