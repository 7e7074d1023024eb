// The annotation set: its layers and objects, the side file's layout, loading and saving.
#include "Vlr.h"

#include <cstring>
#include <unordered_set>

#include "AnnLayer.h"
#include "AnnObj.h"
#include "Archive.h"
#include "Exception.h"
#include "File.h"
#include "VlrNaming.h"

IMPLEMENT_SERIAL(CVlr, CObject, 1)

const char kVlrMagic[5] = {'V', 'V', 'X', '3', '\0'};

namespace {
CVlrHost* g_pHost = nullptr;
}

void SetVlrHost(CVlrHost* pHost) { g_pHost = pHost; }
CVlrHost* GetVlrHost() { return g_pHost; }

CVlr::CVlr() = default;

CVlr::CVlr(LPCSTR lpszDrawingPath, BOOL bUseRedlineDir, LPCSTR lpszRedlineDir) : m_strDrawingPath(lpszDrawingPath) {
  if (g_pHost != nullptr)
    m_strAnnotationPath = VlrSideFileName(lpszDrawingPath, bUseRedlineDir, lpszRedlineDir, *g_pHost);
}

CVlr::~CVlr() { DeleteContents(); }

void CVlr::DeleteContents() {
  POSITION pos = m_layers.GetStartPosition();
  while (pos != nullptr) {
    WORD nId;
    CObject* pLayer;
    m_layers.GetNextAssoc(pos, nId, pLayer);
    delete pLayer;
  }
  m_layers.RemoveAll();
  pos = m_objects.GetHeadPosition();
  while (pos != nullptr) delete m_objects.GetNext(pos);
  m_objects.RemoveAll();
  m_pSelected = nullptr;
}

CAnnLayer* CVlr::GetLayer(WORD nId) const {
  CObject* pLayer = nullptr;
  return m_layers.Lookup(nId, pLayer) ? static_cast<CAnnLayer*>(pLayer) : nullptr;
}

WORD CVlr::GetFreeLayerId() const {
  for (WORD nId = 0; nId < 0xFFFF; ++nId) {
    if (GetLayer(nId) == nullptr) return nId;
  }
  return 0xFFFF;
}

void CVlr::SetLayer(WORD nId, CAnnLayer* pLayer) {
  CAnnLayer* pOld = GetLayer(nId);
  if (pOld == pLayer) return;
  delete pOld;
  m_layers.SetAt(nId, pLayer);
}

void CVlr::EnsureLayer() {
  if (!m_layers.IsEmpty()) return;
  const WORD nId = GetFreeLayerId();
  SetLayer(nId, new CAnnLayer("0", 0x000000FF, 1));
  m_nCurrentLayer = nId;
}

void CVlr::Add(CAnnObj* pObj) {
  m_objects.AddTail(pObj);
  SetModified();
}

CAnnObj* CVlr::HitTest(const CTGraph& graph, int x, int y) const {
  POSITION pos = m_objects.GetHeadPosition();
  while (pos != nullptr) {
    CAnnObj* pObj = static_cast<CAnnObj*>(m_objects.GetNext(pos));
    if (pObj->HitTest(*this, graph, x, y)) return pObj;
  }
  return nullptr;
}

void CVlr::Remove(CAnnObj* pObj) {
  POSITION pos = m_objects.Find(pObj);
  if (pos == nullptr) return;
  m_objects.RemoveAt(pos);
  if (m_pSelected == pObj) m_pSelected = nullptr;
  delete pObj;
  SetModified();
}

void CVlr::DeleteSelected() {
  Remove(m_pSelected);
  m_pSelected = nullptr;
  SetModified();
}

int CVlr::CountOnLayer(WORD nId) const {
  int nCount = 0;
  POSITION pos = m_objects.GetHeadPosition();
  while (pos != nullptr) {
    if (static_cast<const CAnnObj*>(m_objects.GetNext(pos))->m_nLayerId == nId) ++nCount;
  }
  return nCount;
}

void CVlr::DeleteLayerObjects(WORD nId) {
  POSITION pos = m_objects.GetHeadPosition();
  while (pos != nullptr) {
    POSITION here = pos;
    CAnnObj* pObj = static_cast<CAnnObj*>(m_objects.GetNext(pos));
    if (pObj->m_nLayerId != nId) continue;
    m_objects.RemoveAt(here);
    if (m_pSelected == pObj) m_pSelected = nullptr;
    delete pObj;
  }
  SetModified();
}

BOOL CVlr::Load() {
  CFileStatus status;
  if (!m_strAnnotationPath.IsEmpty() && CFile::GetStatus(m_strAnnotationPath, status)) {
    try {
      CFile file(m_strAnnotationPath, CFile::modeRead | CFile::shareDenyWrite);
      CArchive ar(&file, CArchive::load);
      ar.m_strFileName = m_strAnnotationPath;
      Serialize(ar);
      ar.Close();
    } catch (CException* e) {
      // A damaged side file leaves the drawing without annotations; it still opens.
      e->Delete();
    }
  }
  EnsureLayer();
  return m_bPresent;
}

BOOL CVlr::Save(BOOL bForce) {
  if (g_pHost == nullptr) return FALSE;
  if (!bForce) {
    if (!m_bModified) return FALSE;
    if (!g_pHost->AskSaveChanges(m_strDrawingPath)) return FALSE;
  }
  const BOOL bModified = m_bModified;
  if (!VlrWriteFile(m_strAnnotationPath, *g_pHost, [this](CArchive& ar) { Serialize(ar); })) {
    m_bModified = bModified;
    return FALSE;
  }
  return TRUE;
}

void CVlr::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar.Write(kVlrMagic, sizeof kVlrMagic);
    ar << VlrDrawingName(m_strDrawingPath);
    ar << (unsigned)m_nReserved << m_dScaleFirst << m_dScaleSecond << (BYTE)m_nScaleUnit << m_nCurrentLayer;
    ar << m_dStored[0] << m_dStored[1] << m_dStored[2];
    ar.WriteCount((DWORD)m_layers.GetCount());
    POSITION pos = m_layers.GetStartPosition();
    while (pos != nullptr) {
      WORD nId;
      CObject* pLayer;
      m_layers.GetNextAssoc(pos, nId, pLayer);
      ar << nId;
      ar.WriteObject(pLayer);
    }
    ar.WriteCount((DWORD)m_objects.GetCount());
    pos = m_objects.GetHeadPosition();
    while (pos != nullptr) ar.WriteObject(m_objects.GetNext(pos));
    m_bModified = FALSE;
    return;
  }

  m_bPresent = FALSE;
  char magic[sizeof kVlrMagic];
  if (ar.Read(magic, sizeof magic) != sizeof magic || std::memcmp(magic, kVlrMagic, sizeof magic) != 0) return;
  CString name;
  ar >> name;
  if (name.CompareNoCase(VlrDrawingName(m_strDrawingPath)) != 0) return;
  DeleteContents();
  try {
    LoadBody(ar);
  } catch (...) {
    DeleteContents();
    throw;
  }
  m_bPresent = TRUE;
  m_bModified = FALSE;
}

void CVlr::LoadBody(CArchive& ar) {
  unsigned nReserved = 0;
  BYTE nScaleUnit = 0;
  ar >> nReserved >> m_dScaleFirst >> m_dScaleSecond >> nScaleUnit >> m_nCurrentLayer;
  ar >> m_dStored[0] >> m_dStored[1] >> m_dStored[2];
  m_nReserved = nReserved;
  m_nScaleUnit = nScaleUnit;
  // The set owns what it reads, so an object may be read only once: a file that names one
  // object twice (by the archive's back references) or repeats a layer id would have it deleted
  // twice or leaked.
  std::unordered_set<const CObject*> seen;
  for (DWORD nCount = ar.ReadCount(); nCount > 0; --nCount) {
    WORD nId = 0;
    ar >> nId;
    CObject* pLayer = ar.ReadObject(RUNTIME_CLASS(CAnnLayer));
    if (pLayer == nullptr) continue;
    if (!seen.insert(pLayer).second) AfxThrowArchiveException(CArchiveException::badIndex, ar.m_strFileName);
    if (GetLayer(nId) != nullptr) {
      delete pLayer;  // new, so not yet the set's
      AfxThrowArchiveException(CArchiveException::badIndex, ar.m_strFileName);
    }
    m_layers.SetAt(nId, pLayer);
  }
  for (DWORD nCount = ar.ReadCount(); nCount > 0; --nCount) {
    CObject* pObj = ar.ReadObject(RUNTIME_CLASS(CAnnObj));
    if (pObj == nullptr) continue;
    if (!seen.insert(pObj).second) AfxThrowArchiveException(CArchiveException::badIndex, ar.m_strFileName);
    m_objects.AddTail(pObj);
  }
}
