// The grid parameter object: construction, ownership of its parts, and loading stored layouts.
#include "GXGridParam.h"

#include "GXGridState.h"

#include <memory>

IMPLEMENT_SERIAL(CGXGridParam, CObject, 1)

CGXGridParam::CGXGridParam() : m_pAppState(GXGetAppState()) {
  m_rowHeights.InitHashTable(1021, FALSE);
  m_colWidths.InitHashTable(257, FALSE);
  m_rowHeights[0] = 1400;
  m_colWidths[0] = 6000;
  m_bGridLinesRightBottom = m_pAppState->m_bGridLinesRightBottom;
  m_nGridLineStyle = m_pAppState->m_nGridLineStyle;
  CreateCoveredCellPool();
}

CGXGridParam::~CGXGridParam() {
  ClearUndoList();
  ClearRedoList();
  delete m_pCoveredCellPool;
  for (CObject*& p : m_pSpan) {
    delete p;
    p = nullptr;
  }
  GXDeleteAllObjects(m_owned1);
  GXDeleteAllObjects(m_owned2);
  SetStylesMap(nullptr);
  SetProperties(nullptr);
  SetData(nullptr);
  SetPrintDevice(nullptr);
}

void CGXGridParam::Serialize(CArchive& ar) {
  if (CGXAbstractGridDocSerializeImp* p = m_pAppState->m_pGridDocSerializeImp)
    p->SerializeParam(this, ar);
}

CGXGridParam& CGXGridParam::operator=(const CGXGridParam& other) {
  if (&other != this) {
    if (CGXAbstractGridParamCopyOperatorImp* p = m_pAppState->m_pParamCopyOperatorImp)
      p->CopyParam(*this, other);
  }
  return *this;
}

void CGXGridParam::SetProperties(CGXProperties* pProperties, BOOL bOwned) {
  if (m_bOwnProperties && m_pProperties != pProperties)
    delete m_pProperties;
  m_pProperties = pProperties;
  m_bOwnProperties = pProperties != nullptr && bOwned;
}

void CGXGridParam::SetStylesMap(CGXStylesMap* pStylesMap, BOOL bOwned) {
  if (m_bOwnStylesMap && m_pStylesMap != pStylesMap)
    delete m_pStylesMap;
  m_pStylesMap = pStylesMap;
  m_bOwnStylesMap = pStylesMap != nullptr && bOwned;
}

void CGXGridParam::SetData(CGXData* pData, BOOL bOwned) {
  if (m_bOwnData && m_pData != pData)
    delete m_pData;
  m_pData = pData;
  m_bOwnData = pData != nullptr && bOwned;
}

void CGXGridParam::SetPrintDevice(CGXPrintDevice* pDevice, BOOL bOwned) {
  if (m_bOwnPrintDevice && m_pPrintDevice != pDevice)
    delete m_pPrintDevice;
  m_pPrintDevice = pDevice;
  m_bOwnPrintDevice = pDevice != nullptr && bOwned;
}

void CGXGridParam::ClearRedoList() {
  GXDeleteAllObjects(m_redoList);
}

void CGXGridParam::ClearUndoList() {
  GXDeleteAllObjects(m_undoList);
}

// The covered-cell pool is the covered-cells feature's, which this library does not carry: the
// parameter object keeps whatever pool it is given and the list alone otherwise.
void CGXGridParam::CreateCoveredCellPool() {}
void CGXGridParam::SyncCoveredCellPool() {}

CGXGridParam* CGXGridParam::CreateFromResource(UINT nID) {
  return static_cast<CGXGridParam*>(
      LoadObjectFromResource((LPCTSTR)(UINT_PTR)nID, "GXLAYOUT", RUNTIME_CLASS(CGXGridParam)));
}

namespace {

CObject* ReadObjectFrom(CFile* pFile, const CRuntimeClass* pClass) {
  CObject* pObject = nullptr;
  try {
    CArchive ar(pFile, CArchive::load | CArchive::bNoFlushOnDelete, 4096);
    // A stored object of another class is refused before anything of it is built.
    pObject = ar.ReadNewObject(pClass);
    ar.Abort();
  } catch (CException* e) {
    e->Delete();
    return nullptr;
  }
  return pObject;
}

}  // namespace

CObject* ReadObjectFromFile(CFile* pFile, const CRuntimeClass* pClass) {
  return ReadObjectFrom(pFile, pClass);
}

CObject* ReadObjectFromBytes(const BYTE* pBytes, UINT nSize, const CRuntimeClass* pClass) {
  CMemFile file(const_cast<BYTE*>(pBytes), nSize, 1024);
  return ReadObjectFrom(&file, pClass);
}

CObject* LoadObjectFromResource(LPCTSTR pszName, LPCTSTR pszType, const CRuntimeClass* pClass) {
  UINT nSize = 0;
  const BYTE* pBytes = GXFindResource(pszName, pszType, &nSize);
  if (pBytes == nullptr)
    return nullptr;
  return ReadObjectFromBytes(pBytes, nSize, pClass);
}
