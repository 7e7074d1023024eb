// The browse parameter object: its defaults, stored form and copy.
#include "GXBrowseParam.h"

#include "GXSerializeImp.h"

IMPLEMENT_SERIAL(CGXBrowseParam, CGXGridParam, 0)

namespace {
const WORD kBrowseVersion = 2;
}  // namespace

CGXBrowseParam::CGXBrowseParam() = default;

CGXBrowseParam::~CGXBrowseParam() {
  if (m_pColumns != nullptr) {
    for (int i = 0; i < m_nColumns; ++i)
      delete m_pColumns[i].pObject;
    delete[] m_pColumns;
  }
  delete m_pAuxiliary;
  delete m_pArchived;
}

void CGXBrowseParam::Serialize(CArchive& ar) {
  CGXGridParam::Serialize(ar);
  if (ar.IsStoring()) {
    ar << kBrowseVersion << (BYTE)(m_bStored ? 1 : 0);
    ar.WriteObject(m_pArchived);
    return;
  }
  WORD wVersion;
  ar >> wVersion;
  if (wVersion > kBrowseVersion)
    AfxThrowArchiveException(CArchiveException::badSchema, ar.m_strFileName);
  BYTE bStored;
  ar >> bStored;
  m_bStored = bStored;
  if (wVersion >= 2) {
    // No browse grid of this system archives an object, and the framework's containers that do
    // not own their elements would leak what a foreign archive puts into them: anything but the
    // null object is refused.
    GXReadNullObject(ar);
    delete m_pArchived;
    m_pArchived = nullptr;
  }
}

CGXBrowseParam& CGXBrowseParam::CopyFrom(const CGXBrowseParam& other) {
  if (&other == this)
    return *this;
  CGXGridParam::operator=(other);
  m_nWord1 = other.m_nWord1;
  m_nWord2 = other.m_nWord2;
  m_nByteRange = other.m_nByteRange;
  m_bSwitch1 = other.m_bSwitch1;
  m_nLimit = other.m_nLimit;
  return *this;
}
