// The annotation layer and its archive form.
#include "AnnLayer.h"

#include "Archive.h"

IMPLEMENT_SERIAL(CAnnLayer, CObject, 1)

CAnnLayer::CAnnLayer(LPCSTR lpszName, DWORD crColour, DWORD nVisible)
    : m_strName(lpszName), m_crColour(crColour), m_nVisible(nVisible) {}

void CAnnLayer::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar << m_strName << (unsigned)m_crColour << (WORD)m_nVisible;
  } else {
    unsigned crColour = 0;
    WORD nVisible = 0;
    ar >> m_strName >> crColour >> nVisible;
    m_crColour = crColour;
    m_nVisible = nVisible;
  }
}
