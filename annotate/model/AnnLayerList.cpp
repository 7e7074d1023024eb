// The working state of the annotation-layer dialog.
#include "AnnLayerList.h"

#include "AnnLayer.h"
#include "Vlr.h"

CAnnLayerList::CAnnLayerList(CVlr& set) : m_set(set), m_nCurrent(set.m_nCurrentLayer) {
  POSITION pos = set.m_layers.GetStartPosition();
  while (pos != nullptr) {
    WORD nId;
    CObject* pObj;
    set.m_layers.GetNextAssoc(pos, nId, pObj);
    const CAnnLayer* pLayer = static_cast<const CAnnLayer*>(pObj);
    m_layers.SetAt(nId, new CAnnLayer(pLayer->m_strName, pLayer->m_crColour, pLayer->m_nVisible));
  }
}

CAnnLayerList::~CAnnLayerList() {
  POSITION pos = m_layers.GetStartPosition();
  while (pos != nullptr) {
    WORD nId;
    CObject* pLayer;
    m_layers.GetNextAssoc(pos, nId, pLayer);
    delete pLayer;
  }
}

CAnnLayer* CAnnLayerList::GetLayer(WORD nId) const {
  CObject* pLayer = nullptr;
  return m_layers.Lookup(nId, pLayer) ? static_cast<CAnnLayer*>(pLayer) : nullptr;
}

std::vector<WORD> CAnnLayerList::BuildList() {
  std::vector<WORD> ids;
  bool bCurrentListed = false;
  POSITION pos = m_layers.GetStartPosition();
  while (pos != nullptr) {
    WORD nId;
    CObject* pLayer;
    m_layers.GetNextAssoc(pos, nId, pLayer);
    if (static_cast<CAnnLayer*>(pLayer)->m_strName.IsEmpty()) continue;
    ids.push_back(nId);
    bCurrentListed = bCurrentListed || nId == m_nCurrent;
  }
  if (!bCurrentListed && !ids.empty()) m_nCurrent = ids.front();
  return ids;
}

void CAnnLayerList::ToggleVisible(WORD nId) {
  if (CAnnLayer* pLayer = GetLayer(nId)) pLayer->m_nVisible = pLayer->m_nVisible != 0 ? 0 : 1;
}

void CAnnLayerList::SetAllVisible(BOOL bVisible) {
  for (WORD nId : BuildList()) GetLayer(nId)->m_nVisible = bVisible ? 1 : 0;
}

WORD CAnnLayerList::Create(LPCSTR lpszName, BOOL bVisible, DWORD crColour) {
  WORD nId = 0;
  while (nId < 0xFFFF && (GetLayer(nId) != nullptr || m_set.GetLayer(nId) != nullptr)) ++nId;
  delete GetLayer(nId);  // only when all 65535 ids below are taken
  m_layers.SetAt(nId, new CAnnLayer(lpszName, crColour, bVisible ? 1 : 0));
  m_nCurrent = nId;
  return nId;
}

CAnnLayerList::RemoveResult CAnnLayerList::Remove(WORD nId) {
  if (BuildList().size() < 2) return lastLayer;
  if (m_set.CountOnLayer(nId) != 0) return notEmpty;
  if (CAnnLayer* pLayer = GetLayer(nId)) pLayer->m_strName.Empty();
  return removed;
}

void CAnnLayerList::Empty(WORD nId) { m_set.DeleteLayerObjects(nId); }

void CAnnLayerList::Commit() {
  POSITION pos = m_set.m_layers.GetStartPosition();
  while (pos != nullptr) {
    WORD nId;
    CObject* pLayer;
    m_set.m_layers.GetNextAssoc(pos, nId, pLayer);
    delete pLayer;
  }
  m_set.m_layers.RemoveAll();
  pos = m_layers.GetStartPosition();
  while (pos != nullptr) {
    WORD nId;
    CObject* pLayer;
    m_layers.GetNextAssoc(pos, nId, pLayer);
    if (static_cast<CAnnLayer*>(pLayer)->m_strName.IsEmpty())
      delete pLayer;
    else
      m_set.m_layers.SetAt(nId, pLayer);
  }
  m_layers.RemoveAll();
  m_set.m_nCurrentLayer = m_nCurrent;
  m_set.SetModified();
}
