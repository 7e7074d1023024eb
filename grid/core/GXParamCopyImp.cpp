// The deep assignment of the parameter object, its named base styles and its properties: the
// application-wide parameter copy feature, which the classes' assignment operators reach.
#include "GXGridParam.h"
#include "GXGridState.h"

namespace {

class CGXGridParamCopyOperatorImp : public CGXAbstractGridParamCopyOperatorImp {
 public:
  void CopyParam(CGXGridParam& dest, const CGXGridParam& src) override;
  void CopyStylesMap(CGXStylesMap& dest, const CGXStylesMap& src) override;
  void CopyProperties(CGXProperties& dest, const CGXProperties& src) override;
};

template <class T>
T* CopyPart(T* pSrc, BOOL bOwned) {
  if (pSrc == nullptr || !bOwned)
    return pSrc;
  T* pCopy = new T;
  try {
    *pCopy = *pSrc;
  } catch (...) {
    delete pCopy;
    throw;
  }
  return pCopy;
}

// The cell store is copied as an object of the source's own class (a formula sheet stays one).
CGXData* CopyData(CGXData* pSrc, BOOL bOwned) {
  if (pSrc == nullptr || !bOwned)
    return pSrc;
  CObject* pObject = pSrc->GetRuntimeClass()->CreateObject();
  CGXData* pCopy = dynamic_cast<CGXData*>(pObject);
  if (pCopy == nullptr) {
    delete pObject;
    pCopy = new CGXData;
  }
  try {
    *pCopy = *pSrc;
  } catch (...) {
    delete pCopy;
    throw;
  }
  return pCopy;
}

void CGXGridParamCopyOperatorImp::CopyParam(CGXGridParam& d, const CGXGridParam& s) {
  if (&d == &s)
    return;
  d.SetStylesMap(nullptr);
  d.SetData(nullptr);
  d.SetProperties(nullptr);
  d.SetPrintDevice(nullptr);
  d.m_bNumberedRowHeaders = s.m_bNumberedRowHeaders;
  d.m_bNumberedColHeaders = s.m_bNumberedColHeaders;
  d.m_nPercent = s.m_nPercent;
  d.m_bFocusOnClick = s.m_bFocusOnClick;
  d.m_bTransparentBackground = s.m_bTransparentBackground;
  d.m_nCount1 = s.m_nCount1;
  d.m_nCount2 = s.m_nCount2;
  d.m_nActivateFlags = s.m_nActivateFlags;
  d.m_nAllowSelection = s.m_nAllowSelection;
  d.m_bColDrag = s.m_bColDrag;
  d.m_bRowDrag = s.m_bRowDrag;
  d.m_nAllowResizeRow = s.m_nAllowResizeRow;
  d.m_nAllowResizeCol = s.m_nAllowResizeCol;
  d.m_nSpecialMode = s.m_nSpecialMode;
  d.m_bSwitch1 = s.m_bSwitch1;
  d.m_bLockReadOnly = s.m_bLockReadOnly;
  d.m_bOptimizedResize = s.m_bOptimizedResize;
  d.m_bNoZoom = s.m_bNoZoom;
  d.m_nInvertCurrentCell = s.m_nInvertCurrentCell;
  d.m_nPreload = s.m_nPreload;
  d.m_nHeaderRows = s.m_nHeaderRows;
  d.m_nHeaderCols = s.m_nHeaderCols;
  d.m_bLockFirstScrolled = s.m_bLockFirstScrolled;
  d.m_sText = s.m_sText;
  d.m_nFrozenRows = s.m_nFrozenRows;
  d.m_nFrozenCols = s.m_nFrozenCols;
  d.m_bRestoreCurrentCell = s.m_bRestoreCurrentCell;
  d.m_nCurrentRow = s.m_nCurrentRow;
  d.m_nCurrentCol = s.m_nCurrentCol;
  d.m_nMaxUndo = s.m_nMaxUndo;
  d.m_nEnterDirection = s.m_nEnterDirection;
  d.m_bReadOnly = s.m_bReadOnly;
  d.m_nOptionWord = s.m_nOptionWord;
  d.m_bUndoEnabled = s.m_bUndoEnabled;
  d.m_hiddenRows.Copy(s.m_hiddenRows);
  d.m_hiddenCols.Copy(s.m_hiddenCols);
  d.m_rowHeights = s.m_rowHeights;
  d.m_colWidths = s.m_colWidths;
  d.m_nDefaultRowHeight = s.m_nDefaultRowHeight;
  d.m_nDefaultColWidth = s.m_nDefaultColWidth;
  d.m_bLockUpdate = s.m_bLockUpdate;
  d.m_bGridLinesRightBottom = s.m_bGridLinesRightBottom;
  d.m_nGridLineStyle = s.m_nGridLineStyle;
  d.m_bSelectionFollowsCurrentCell = s.m_bSelectionFollowsCurrentCell;
  d.m_bSpreadsheetFill = s.m_bSpreadsheetFill;
  d.m_bMarking = s.m_bMarking;
  d.m_bCutMarking = s.m_bCutMarking;

  d.SetStylesMap(CopyPart(s.m_pStylesMap, s.m_bOwnStylesMap), s.m_bOwnStylesMap);
  d.SetData(CopyData(s.m_pData, s.m_bOwnData), s.m_bOwnData);
  d.SetProperties(CopyPart(s.m_pProperties, s.m_bOwnProperties), s.m_bOwnProperties);
  if (s.m_pPrintDevice != nullptr && s.m_bOwnPrintDevice) {
    CGXPrintDevice* pDevice = new CGXPrintDevice;
    *pDevice = *s.m_pPrintDevice;
    d.SetPrintDevice(pDevice, TRUE);
  } else {
    d.SetPrintDevice(s.m_pPrintDevice, FALSE);
  }

  d.m_selection = s.m_selection;
  d.m_coveredCells = s.m_coveredCells;
  d.m_markedRanges = s.m_markedRanges;
  d.SyncCoveredCellPool();
  d.m_nFloatCellsMode = s.m_nFloatCellsMode;
  d.m_nMergeCellsMode = s.m_nMergeCellsMode;
  // The span pools are worked out anew by the features that own them.
  for (CObject*& p : d.m_pSpan) {
    delete p;
    p = nullptr;
  }
}

void CGXGridParamCopyOperatorImp::CopyStylesMap(CGXStylesMap& d, const CGXStylesMap& s) {
  if (&d == &s)
    return;
  d.RemoveStyles();
  d.m_resourceIds.RemoveAll();
  d.m_sSection = s.m_sSection;
  d.m_nStandardStyleId = s.m_nStandardStyleId;
  d.m_nColHeaderStyleId = s.m_nColHeaderStyleId;
  d.m_nRowHeaderStyleId = s.m_nRowHeaderStyleId;
  d.m_nNextId = s.m_nNextId;
  d.m_pStyleClass = s.m_pStyleClass;
  for (POSITION pos = s.m_baseStyles.GetStartPosition(); pos != nullptr;) {
    WORD nId;
    void* p;
    s.m_baseStyles.GetNextAssoc(pos, nId, p);
    const GXBaseStyleEntry* pEntry = static_cast<const GXBaseStyleEntry*>(p);
    d.SetEntry(pEntry->nId, pEntry->nResourceId, pEntry->sName, *pEntry->pStyle, pEntry->nFlags);
  }
  for (POSITION pos = s.m_names.GetStartPosition(); pos != nullptr;) {
    CString sName;
    void* p;
    s.m_names.GetNextAssoc(pos, sName, p);
    d.m_names[sName] = p;
  }
  for (POSITION pos = s.m_resourceIds.GetStartPosition(); pos != nullptr;) {
    void* pKey;
    WORD nId;
    s.m_resourceIds.GetNextAssoc(pos, pKey, nId);
    d.m_resourceIds[pKey] = nId;
  }
  for (POSITION pos = s.m_controls.GetStartPosition(); pos != nullptr;) {
    WORD nId;
    void* p;
    s.m_controls.GetNextAssoc(pos, nId, p);
    d.m_controls[nId] = new CString(*static_cast<CString*>(p));
  }
  d.RemoveUserAttributeNames();
  for (POSITION pos = s.m_userAttributeNames.GetStartPosition(); pos != nullptr;) {
    WORD nId;
    void* p;
    s.m_userAttributeNames.GetNextAssoc(pos, nId, p);
    d.SetUserAttributeName(nId, *static_cast<CString*>(p));
  }
  for (POSITION pos = s.m_userAttributes.GetStartPosition(); pos != nullptr;) {
    WORD nId;
    void* p;
    s.m_userAttributes.GetNextAssoc(pos, nId, p);
    const GXUserAttributeEntry* pEntry = static_cast<const GXUserAttributeEntry*>(p);
    d.SetUserAttributeEntry(nId, pEntry->sName, pEntry->pStyle != nullptr ? pEntry->pStyle->Clone() : nullptr);
  }
}

void CGXGridParamCopyOperatorImp::CopyProperties(CGXProperties& d, const CGXProperties& s) {
  if (&d == &s)
    return;
  d.RemoveAll();
  d.m_bVerticalLines = s.m_bVerticalLines;
  d.m_bHorizontalLines = s.m_bHorizontalLines;
  d.m_b3dHeader = s.m_b3dHeader;
  d.m_bMarkRowHeader = s.m_bMarkRowHeader;
  d.m_bMarkColHeader = s.m_bMarkColHeader;
  d.m_sSection = s.m_sSection;
  d.m_nValue = s.m_nValue;
  d.m_colorNames.Copy(s.m_colorNames);
  d.m_colors.Copy(s.m_colors);
  for (POSITION pos = s.m_userProperties.GetStartPosition(); pos != nullptr;) {
    WORD nId;
    void* p;
    s.m_userProperties.GetNextAssoc(pos, nId, p);
    const GXUserPropertyEntry* pEntry = static_cast<const GXUserPropertyEntry*>(p);
    d.SetUserPropertyEntry(nId, pEntry->sName, pEntry->pStyle->Clone());
  }
  d.m_nPageOrder = s.m_nPageOrder;
  d.m_bPrintVertLines = s.m_bPrintVertLines;
  d.m_bPrintHorzLines = s.m_bPrintHorzLines;
  d.m_bPrintRowHeaders = s.m_bPrintRowHeaders;
  d.m_bPrintColHeaders = s.m_bPrintColHeaders;
  d.m_bBlackWhite = s.m_bBlackWhite;
  d.m_bCenterHorizontal = s.m_bCenterHorizontal;
  d.m_bCenterVertical = s.m_bCenterVertical;
  for (int i = 0; i < 4; ++i)
    d.m_nMargins[i] = s.m_nMargins[i];
  d.m_bPrintFrame = s.m_bPrintFrame;
  d.m_nDistances[0] = s.m_nDistances[0];
  d.m_nDistances[1] = s.m_nDistances[1];
  d.m_nFirstPage = s.m_nFirstPage;
  d.m_footer = s.m_footer;
  d.m_header = s.m_header;
}

}  // namespace

void InstallGridParamCopyOperatorImp() {
  GX_GRID_STATE* pState = GXGetAppState();
  if (pState->m_pParamCopyOperatorImp == nullptr) {
    pState->m_pParamCopyOperatorImp = new CGXGridParamCopyOperatorImp;
    pState->AddAppAutoDelete(pState->m_pParamCopyOperatorImp);
  }
}
