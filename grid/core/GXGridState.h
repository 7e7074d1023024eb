// The grid library's process-wide state: the application-wide feature objects, the texts of long
// operations and undo, the version flags, the registry of the grid engines that show each shared
// model object, and the table of system colours. The window-system half of the start-up
// (clipboard format, window classes, loading the texts) lives in GXGridStateWin.cpp.
// Not for: the per-grid state (the engine) or the parameter object.
#ifndef GRID_CORE_GXGRIDSTATE_H
#define GRID_CORE_GXGRIDSTATE_H

#include "GXFeatures.h"

#include <vector>

class CGXGridCore;
class CGXAbstractControlFactory;

// The string ids of the 30 shared texts, in the order the state keeps them.
enum GXStateText {
  gxTextRedoing, gxTextUndoing, gxTextGenUndo, gxTextStoring, gxTextRestoring, gxTextCells,
  gxTextRemovingRows, gxTextRemovingCols, gxTextMoveRows, gxTextMoveCols, gxTextInsertRows,
  gxTextInsertCols, gxTextCopyingText, gxTextCopyingInternal, gxTextCutData, gxTextClearCells,
  gxTextCutting, gxTextPasting, gxTextPaste, gxTextReplacing, gxTextReplaceAll, gxTextSearching,
  gxTextResizingRows, gxTextResizingCols, gxTextFreezeRows, gxTextFreezeCols, gxTextCurrentCell,
  gxTextClipboardSize, gxTextCopy, gxTextMove, gxTextCount
};
extern const UINT GXStateTextIds[gxTextCount];

struct GX_GRID_STATE {
  GX_GRID_STATE();
  ~GX_GRID_STATE();
  GX_GRID_STATE(const GX_GRID_STATE&) = delete;
  GX_GRID_STATE& operator=(const GX_GRID_STATE&) = delete;

  // The start-up: keeps the factory and lets it install the application-wide features, loads the
  // texts and, in the Windows build, registers the clipboard format and the window classes.
  void Init(int nValue, CGXAbstractControlFactory* pFactory, int a, int b);
  // Sets the version word and flags from the platform's version number (GetVersion's form).
  void SetVersion(DWORD dwVersion);
  // Loads the shared texts from the string table (a missing text stays empty).
  void LoadTexts();
  // Puts an application-wide feature at the head of the list the state frees at exit.
  void AddAppAutoDelete(CGXAbstractFeature* pFeature);

  void RegisterGridForData(const void* pObject, CGXGridCore* pGrid);
  void UnregisterGrid(CGXGridCore* pGrid);
  CGXGridCore* GetFirstGridOfData(const void* pObject) const;
  // The engines registered for an object, or null.
  CPtrList* GetGridsOfData(const void* pObject) const;
  // Adds a sheet-tab window to the list of tab windows unless it is there already.
  void AddTabWindow(void* pTabWnd);

  BOOL m_bInitDone = FALSE;
  UINT m_nStylesClipboardFormat = 0;
  UINT m_nDirectCopyClipboardFormat = 0;  // "GX_DIRECTCOPY"
  // The window classes the start-up registered, by name.
  CStringArray m_windowClasses;
  CString m_sText[gxTextCount];
  CString m_sDragLineWndClass;
  DWORD m_dwVersion = 0;
  BOOL m_bNotNT = FALSE;
  BOOL m_bWin4 = TRUE;
  BOOL m_bBeforeWin4 = FALSE;
  BOOL m_bWin32s = FALSE;
  BOOL m_bControlPopup = FALSE;
  BOOL m_bSwitch = TRUE;
  CGXAbstractControlFactory* m_pControlFactory = nullptr;  // owned
  CPtrList m_tabWindows;
  CMapPtrToPtr m_dataToGrids;  // model object -> owned CPtrList of CGXGridCore*
  // The pattern table of interior fills drawn through a bitmap (kind 3), filled by the drawing
  // side: each entry's hatch value and bitmap handle.
  std::vector<BYTE> m_patternHatches;
  std::vector<UINT_PTR> m_patternBitmaps;
  int GetPatternCount() const { return (int)m_patternBitmaps.size(); }
  // The library's base unit of the print margins.
  int m_nBaseUnit = 72;
  // Copied into every new parameter object: where grid lines lie and their pen style.
  BOOL m_bGridLinesRightBottom = FALSE;
  WORD m_nGridLineStyle = 0;
  // The screen's logical pixels per inch.
  int m_nLogPixelsX = 96;
  int m_nLogPixelsY = 96;

  // Application-wide features, null = absent.
  CGXAbstractFeature* m_pCoveredCellPoolImp = nullptr;
  CGXAbstractFeature* m_pSpanCellPoolImp = nullptr;
  CGXAbstractFeature* m_pDelayedRangePoolImp = nullptr;
  CGXAbstractPrintDeviceImp* m_pPrintDeviceImp = nullptr;
  CGXAbstractStyleCompareSubsetImp* m_pStyleCompareSubsetImp = nullptr;
  CGXAbstractStyleSerializeImp* m_pStyleSerializeImp = nullptr;
  CGXAbstractGridDocSerializeImp* m_pGridDocSerializeImp = nullptr;
  CGXAbstractFeature* m_pGridProfileImp = nullptr;
  CGXAbstractGridParamCopyOperatorImp* m_pParamCopyOperatorImp = nullptr;
  CGXAbstractFeature* m_pSortMoveDataImp = nullptr;
  CGXAbstractFeature* m_pDrawRotatedTextImp = nullptr;
  CGXAbstractFeature* m_pDateTimeImp = nullptr;
  CGXAbstractFeature* m_pDataCopyMoveCellsImp = nullptr;
  CGXAbstractLongOperationImp* m_pLongOperationImp = nullptr;
  CGXAbstractSerializeCR5CompatibleImp* m_pSerializeCR5CompatibleImp = nullptr;
  CGXAbstractNumberFormattingImp* m_pNumberFormattingImp = nullptr;

  // Newest first; freed at exit.
  CPtrList m_appAutoDelete;

  // The nesting level of long operations when no long-operation feature is installed.
  int m_nLongOperationLevel = 0;
  // The long operations' texts, loaded at start-up: "Processing...", "Done.", "Press ESC to
  // cancel" and "Do you want to abort the operation?".
  CString m_sLongOperationText[4];
};

GX_GRID_STATE* GXGetAppState();
// Raised by cell controls while they show a popup of their own.
inline BOOL GetControlPopupFlag() { return GXGetAppState()->m_bControlPopup; }

// The installers of the application-wide features that the data model itself provides: each
// creates its object once, stores it in the state and puts it on the auto-delete list.
void InstallGridDocSerializeImp();
void InstallStyleSerializeImp();
void InstallStyleCompareSubsetImp();
void InstallGridParamCopyOperatorImp();

// The library's table of system colours (index -> current RGB).
struct GX_SYSCOLOR_STATE {
  GX_SYSCOLOR_STATE();
  // The colour of a system-colour index: from the table when the index lies within it, else from
  // the platform.
  DWORD GetColor(int nIndex) const;
  // Refills the table from the platform.
  void Refresh();

  CDWordArray m_colors;
  int m_nColorCount = 24;
  // The widths of 3-D borders: 2 on Windows 4 or later, else 1.
  int m_nBorderX = 2;
  int m_nBorderY = 2;
  // The ten colours the drawing reads most, refreshed with the table.
  DWORD m_clrBtnFace = 0;
  DWORD m_clrBtnShadow = 0;
  DWORD m_clrBtnHilite = 0;
  DWORD m_clrWindowFrame = 0;
  DWORD m_clr3DLight = 0;
  DWORD m_clr3DDkShadow = 0;
  DWORD m_clrWindowText = 0;
  DWORD m_clrWindow = 0;
  DWORD m_clrHighlight = 0;
  DWORD m_clrHighlightText = 0;
  // The system's arrow cursor (a cursor handle; the Windows build sets it at start-up).
  UINT_PTR m_hArrowCursor = 0;
  BOOL m_bWin4 = TRUE;
};

GX_SYSCOLOR_STATE* GXGetSysColorState();

// Where system colours come from: the Windows build installs GetSysColor; without it a fixed
// table of the classic Windows colours answers.
typedef DWORD (*GX_SYSCOLOR_PROC)(int nIndex);
void GXSetSysColorProc(GX_SYSCOLOR_PROC pfn);
GX_SYSCOLOR_PROC GXGetSysColorProc();
DWORD GXGetSysColorFromPlatform(int nIndex);

// Where the bytes of a program resource come from: the Windows build installs a lookup in the
// program's modules; natively (and in tests) another may be installed. Null when it is missing.
typedef const BYTE* (*GX_FINDRESOURCE_PROC)(LPCTSTR pszName, LPCTSTR pszType, UINT* pnSize);
void GXSetFindResourceProc(GX_FINDRESOURCE_PROC pfn);
const BYTE* GXFindResource(LPCTSTR pszName, LPCTSTR pszType, UINT* pnSize);

// The string-table text of an id; FALSE and an empty text when the table lacks it.
BOOL GXLoadString(UINT nID, CString& s);

// The long-operation bracket: a scope object around a lengthy grid operation.
class CGXLongOperation {
 public:
  CGXLongOperation();
  ~CGXLongOperation();
  CGXLongOperation(const CGXLongOperation&) = delete;
  CGXLongOperation& operator=(const CGXLongOperation&) = delete;
  void FreeStatusText();
  BOOL SetStatusText(LPCTSTR pszText, BOOL bCopy = TRUE);
  BOOL CheckAbort(BOOL* pbAbort = nullptr);
  BOOL ShowProgress();
  void ProcessMessages();

  // What the long-operation feature keeps per bracket (tick counts in ms).
  DWORD m_nStartTicks = 0;
  DWORD m_nLastTicks = 0;
  LPCTSTR m_pszText = nullptr;  // the level's text (the record owns a copy)
  BOOL m_bShowDone = FALSE;
  BOOL m_bShowText = FALSE;
};

#endif  // GRID_CORE_GXGRIDSTATE_H
