// The parameter object of a browse grid (a grid that shows the records of an outside source row
// by row): the grid parameter object with the state such a grid keeps about its source.
// Not for: reading records (the browse grids themselves).
#ifndef GRID_CORE_GXBROWSEPARAM_H
#define GRID_CORE_GXBROWSEPARAM_H

#include "GXGridParam.h"

struct GXBrowseColumn {
  DWORD nWord = 0;
  CString sName;
  CObject* pObject = nullptr;  // owned
};

class CGXBrowseParam : public CGXGridParam {
  DECLARE_SERIAL(CGXBrowseParam)

 public:
  CGXBrowseParam();
  ~CGXBrowseParam() override;

  // The base's stored form, then a version word (2), the stored flag as a byte and, from version
  // 2, the archived object.
  void Serialize(CArchive& ar) override;
  using CGXGridParam::operator=;
  // The base's copy, then the words, the byte-range value, the first switch and the limit.
  virtual CGXBrowseParam& CopyFrom(const CGXBrowseParam& other);

  DWORD m_nWord1 = 0;
  DWORD m_nWord2 = 0;
  DWORD m_nByteRange = 255;
  BOOL m_bSwitch1 = TRUE;
  DWORD m_nWords[2] = {0, 0};
  BOOL m_bStored = FALSE;
  CDWordArray m_indexes1;
  CDWordArray m_indexes2;
  GXBrowseColumn* m_pColumns = nullptr;  // owned array of m_nColumns
  int m_nColumns = 0;
  DWORD m_nWords3[3] = {0, 0, 0};
  CObject* m_pAuxiliary = nullptr;  // owned
  BOOL m_bSwitch2 = TRUE;
  LONG m_nIndex1 = -1;
  LONG m_nIndex2 = -1;
  DWORD m_nWords4[3] = {0, 0, 0};
  LONG m_nLimit = 2147483647;
  CObject* m_pArchived = nullptr;  // owned
  BOOL m_bBrowseOption = TRUE;
};

#endif  // GRID_CORE_GXBROWSEPARAM_H
