// The cell control base: what every cell control of the grid is to the engine. One object per control
// id and grid draws, measures and converts any cell of its kind unbound, and edits the current cell
// when the engine binds it (Init) and activates it. The virtual operations stand in one fixed order,
// which every control follows; the defaults are the behaviour of a control that does not replace them.
// The engine reaches a control also through a few adapters (OnValidate, OnGridKeyDown, ...) that map
// its own steps onto these operations.
// Not for: the controls themselves (grid/controls) or the engine's cell handling (GXGridCoreCell.cpp).
#ifndef GRID_CORE_GXCONTROL_H
#define GRID_CORE_GXCONTROL_H

#include "GXCellRange.h"
#include "OleVariant.h"

// The Windows headers (which the framework's variant brings) name a common dialog FindText; the
// control's operation keeps its own name.
#ifdef FindText
#undef FindText
#endif

class CGXGridCore;
class CGXGridSurface;
class CGXTextMeasurer;
class CGXStyle;
class CGXStylesMap;
class CGXControl;

// A control class's own record: its name and its base's record.
struct GXCONTROLCLASS {
  LPCTSTR pszName;
  const GXCONTROLCLASS* pBase;
};

// A windowless object inside a cell (a button); the controls' library derives the real ones.
class CGXChild {
 public:
  explicit CGXChild(CGXControl* pParent) : m_pParent(pParent) {}
  virtual ~CGXChild() = default;
  CGXChild(const CGXChild&) = delete;
  CGXChild& operator=(const CGXChild&) = delete;

  virtual void SetRect(const CRect& rect) { m_rect = rect; }
  virtual const CRect& GetRect() const { return m_rect; }
  virtual BOOL Intersects(CPoint point) const { return m_rect.PtInRect(point); }
  virtual BOOL HasFocus() const;
  virtual void SetText(LPCTSTR psz) { m_sText = psz; }
  virtual const CString& GetText() const { return m_sText; }
  virtual void Draw(CGXGridSurface& surface, BOOL bActive, const CGXStyle& style);
  virtual void Draw(CGXGridSurface& surface, BOOL bActive) {
    (void)surface;
    (void)bActive;
  }
  virtual void Refresh();
  virtual BOOL MouseMove(UINT nFlags, CPoint point) { return Ignore(nFlags, point); }
  virtual BOOL LButtonDown(UINT nFlags, CPoint point) { return Ignore(nFlags, point); }
  virtual BOOL LButtonUp(UINT nFlags, CPoint point) { return Ignore(nFlags, point); }
  virtual BOOL LButtonDblClk(UINT nFlags, CPoint point) { return Ignore(nFlags, point); }
  virtual BOOL MButtonDown(UINT nFlags, CPoint point) { return Ignore(nFlags, point); }
  virtual BOOL MButtonUp(UINT nFlags, CPoint point) { return Ignore(nFlags, point); }
  virtual BOOL MButtonDblClk(UINT nFlags, CPoint point) { return Ignore(nFlags, point); }
  virtual BOOL RButtonDown(UINT nFlags, CPoint point) { return Ignore(nFlags, point); }
  virtual BOOL RButtonUp(UINT nFlags, CPoint point) { return Ignore(nFlags, point); }
  virtual BOOL RButtonDblClk(UINT nFlags, CPoint point) { return Ignore(nFlags, point); }
  virtual BOOL MouseMoveOver(UINT nFlags, CPoint point) { return Ignore(nFlags, point); }
  virtual BOOL ProcessKeys(UINT nMessage, UINT nChar, UINT nRepCnt, UINT nFlags);
  virtual BOOL KeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) { return IgnoreKey(nChar, nRepCnt, nFlags); }
  virtual BOOL KeyUp(UINT nChar, UINT nRepCnt, UINT nFlags) { return IgnoreKey(nChar, nRepCnt, nFlags); }
  virtual BOOL Char(UINT nChar, UINT nRepCnt, UINT nFlags) { return IgnoreKey(nChar, nRepCnt, nFlags); }
  virtual BOOL CharString(const CString& s, UINT nRepCnt, UINT nFlags) {
    (void)s;
    return IgnoreKey(0, nRepCnt, nFlags);
  }
  virtual BOOL DeadChar(UINT nChar, UINT nRepCnt, UINT nFlags) { return IgnoreKey(nChar, nRepCnt, nFlags); }
  virtual BOOL SysKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) { return IgnoreKey(nChar, nRepCnt, nFlags); }
  virtual BOOL SysKeyUp(UINT nChar, UINT nRepCnt, UINT nFlags) { return IgnoreKey(nChar, nRepCnt, nFlags); }
  virtual BOOL SysChar(UINT nChar, UINT nRepCnt, UINT nFlags) { return IgnoreKey(nChar, nRepCnt, nFlags); }
  virtual BOOL SysDeadChar(UINT nChar, UINT nRepCnt, UINT nFlags) { return IgnoreKey(nChar, nRepCnt, nFlags); }
  virtual void UpdateSettings(UINT nFlags) { (void)nFlags; }
  virtual void UpdateSysColors() {}
  virtual void CancelMode() {}

  CGXControl* m_pParent;  // the owner; not owned
  CRect m_rect;
  CString m_sText;
  BOOL m_bLeadPending = FALSE;
  BYTE m_nLeadByte = 0;

 private:
  static BOOL Ignore(UINT nFlags, CPoint point) {
    (void)nFlags;
    (void)point;
    return FALSE;
  }
  static BOOL IgnoreKey(UINT nChar, UINT nRepCnt, UINT nFlags) {
    (void)nChar;
    (void)nRepCnt;
    (void)nFlags;
    return FALSE;
  }
};

class CGXControl {
 public:
  explicit CGXControl(CGXGridCore* pGrid) : m_pGrid(pGrid) {}
  CGXControl(const CGXControl&) = delete;
  CGXControl& operator=(const CGXControl&) = delete;

  // --- the table of operations, in its order --------------------------------------------------------
  virtual ~CGXControl();
  virtual const GXCONTROLCLASS* GetRuntimeClass() const { return &classCGXControl; }
  // The window part: none for a windowless control.
  virtual const void* GetWindowRuntimeClass() const { return nullptr; }
  virtual void* GetWnd() const { return nullptr; }
  virtual void SetActive(BOOL bActive) { (void)bActive; }
  virtual BOOL IsActive() const { return FALSE; }
  virtual BOOL QueryExtraFlag() const { return FALSE; }
  virtual void SetModify(BOOL bModified) { (void)bModified; }
  virtual BOOL GetModify() const { return FALSE; }
  virtual void Init(ROWCOL nRow, ROWCOL nCol);
  virtual void Reset();
  virtual BOOL Store() { return FALSE; }
  virtual BOOL ValidateInput();
  virtual BOOL BeginEditing();
  virtual void NotifyChanged();
  virtual BOOL QueryCancelEditing();
  virtual void NotifyEditingCanceled();
  virtual BOOL NotifyEditingEnded();
  virtual BOOL NotifyCellLeft(ROWCOL nNewRow, ROWCOL nNewCol);
  virtual BOOL QueryDeleteContents();
  virtual CRect GetCellRect(ROWCOL nRow, ROWCOL nCol, const CRect* pRect = nullptr, const CGXStyle* pStyle = nullptr);
  virtual CSize AddBorders(CSize size, const CGXStyle& style);
  virtual CSize CalcSize(CGXTextMeasurer& m, ROWCOL nRow, ROWCOL nCol, const CGXStyle& style, BOOL bHeight);
  virtual BOOL CanFloatCell(ROWCOL nRow, ROWCOL nCol, const CGXStyle& style, BOOL bFloatCell);
  virtual BOOL HasText(ROWCOL nRow, ROWCOL nCol, const CGXStyle& style);
  virtual void DrawCurrentCellFrame(CGXGridSurface& surface, const CRect& rect);
  // Draws the cell's content into its inner rectangle (background and borders are the engine's).
  virtual void Draw(CGXGridSurface& surface, const CRect& rect, ROWCOL nRow, ROWCOL nCol, const CGXStyle& style);
  virtual BOOL GetCurrentText(CString& s);
  virtual BOOL SetCurrentText(const CString& s);
  virtual BOOL GetValue(CString& s);
  virtual void SetValue(LPCTSTR pszValue);
  virtual BOOL GetControlText(CString& s, ROWCOL nRow, ROWCOL nCol, LPCTSTR pszValue, const CGXStyle& style);
  virtual BOOL SetControlText(ROWCOL nRow, ROWCOL nCol, const CString& s, UINT nFlags = 1,
                              const CGXStyle* pStyle = nullptr);
  virtual BOOL ConvertControlTextToValue(CString& s, ROWCOL nRow, ROWCOL nCol, const CGXStyle* pStyle);
  virtual BOOL StoreStyle(ROWCOL nRow, ROWCOL nCol, const CGXStyle* pStyle, int nMode, int nType,
                          const CGXStyle* pCellStyle);
  virtual BOOL ApplyEditedValue(ROWCOL nRow, ROWCOL nCol, CGXStyle* pStyle);
  virtual BOOL GetChoiceListItem(CString& s, LPCTSTR pszChoiceList, int nIndex);
  virtual int FindChoiceListItem(CString& sFound, LPCTSTR pszText, LPCTSTR pszChoiceList, BOOL bExact);
  virtual void Hide() {}
  virtual void Refresh();
  virtual BOOL MouseMove(UINT nFlags, CPoint point);
  virtual BOOL MouseMoveOver(ROWCOL nRow, ROWCOL nCol, UINT nFlags, CPoint point);
  virtual BOOL LButtonDown(UINT nFlags, CPoint point);
  virtual BOOL LButtonUp(UINT nFlags, CPoint point);
  virtual BOOL LButtonDblClk(UINT nFlags, CPoint point);
  virtual BOOL MButtonDown(UINT nFlags, CPoint point);
  virtual BOOL MButtonUp(UINT nFlags, CPoint point);
  virtual BOOL MButtonDblClk(UINT nFlags, CPoint point);
  virtual BOOL RButtonDown(UINT nFlags, CPoint point);
  virtual BOOL RButtonUp(UINT nFlags, CPoint point);
  virtual BOOL RButtonDblClk(UINT nFlags, CPoint point);
  virtual BOOL HandleMouseActivate(UINT nHitTest, UINT nMessage, int& nResult) {
    (void)nHitTest;
    (void)nMessage;
    (void)nResult;
    return FALSE;
  }
  virtual BOOL QueryExtraKeyFlag(UINT nArg) const {
    (void)nArg;
    return FALSE;
  }
  virtual BOOL ProcessKeys(UINT nMessage, UINT nChar, UINT nRepCnt, UINT nFlags);
  virtual BOOL KeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) { return IgnoreKey(nChar, nRepCnt, nFlags); }
  virtual BOOL KeyUp(UINT nChar, UINT nRepCnt, UINT nFlags) { return IgnoreKey(nChar, nRepCnt, nFlags); }
  virtual BOOL Char(UINT nChar, UINT nRepCnt, UINT nFlags) { return IgnoreKey(nChar, nRepCnt, nFlags); }
  virtual BOOL CharString(const CString& s, UINT nRepCnt, UINT nFlags) {
    (void)s;
    return IgnoreKey(0, nRepCnt, nFlags);
  }
  virtual BOOL DeadChar(UINT nChar, UINT nRepCnt, UINT nFlags) { return IgnoreKey(nChar, nRepCnt, nFlags); }
  virtual BOOL SysKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) { return IgnoreKey(nChar, nRepCnt, nFlags); }
  virtual BOOL SysKeyUp(UINT nChar, UINT nRepCnt, UINT nFlags) { return IgnoreKey(nChar, nRepCnt, nFlags); }
  virtual BOOL SysChar(UINT nChar, UINT nRepCnt, UINT nFlags) { return IgnoreKey(nChar, nRepCnt, nFlags); }
  virtual BOOL SysDeadChar(UINT nChar, UINT nRepCnt, UINT nFlags) { return IgnoreKey(nChar, nRepCnt, nFlags); }
  virtual BOOL Copy();
  virtual BOOL Paste();
  virtual BOOL Cut();
  virtual BOOL CanCopy() { return m_bInit; }
  virtual BOOL CanCut();
  virtual BOOL CanPaste();
  virtual BOOL GetSortKey(ROWCOL nRow, ROWCOL nCol, const CGXStyle& style, CString& sKey);
  // Find and replace go through the grid's find-and-replace feature, which this engine does not carry.
  virtual BOOL FindText(LPCTSTR pszFind, BOOL bMatchCase, ROWCOL nRow, ROWCOL nCol, BOOL bCurrentPos,
                        BOOL bSetCell);
  virtual BOOL ReplaceSel(LPCTSTR pszText);
  virtual BOOL ReplaceAll(LPCTSTR pszFind, LPCTSTR pszReplace, BOOL bMatchCase, ROWCOL nRow, ROWCOL nCol);
  virtual BOOL GetSelectedText(CString& s);
  virtual BOOL OnClickedButton(CGXChild* pChild);
  virtual BOOL HandleCommand(UINT_PTR wParam, LONG_PTR lParam) {
    (void)wParam;
    (void)lParam;
    return FALSE;
  }
  // The grid's scroll messages (nMessage GX_WM_HSCROLL or GX_WM_VSCROLL).
  virtual BOOL HandleGridMessage(UINT nMessage);
  virtual void* GetCtlColorBrush(void* hdc, void* hWnd, UINT nKind) {
    (void)hdc;
    (void)hWnd;
    (void)nKind;
    return nullptr;
  }
  virtual void UpdateSettings(UINT nFlags);
  virtual void UpdateSysColors();
  virtual BOOL IsReadOnly();
  virtual void CancelMode();
  virtual int NeedsCellTip(ROWCOL nRow, ROWCOL nCol, const CGXStyle& style);
  virtual int GetCellTipKind(ROWCOL nRow, ROWCOL nCol, const CGXStyle& style);
  virtual void DrawCellTip(ROWCOL nRow, ROWCOL nCol, const CGXStyle& style, void* pTipWnd);
  virtual BOOL HandlesCoveredCellClick() const { return FALSE; }
  virtual void AddChild(CGXChild* pChild);
  virtual void RemoveChild(CGXChild* pChild);
  virtual CGXChild* GetChild(int nIndex) const;
  virtual int GetChildCount() const;
  virtual CGXChild* GetFocusChild() const { return m_pFocusChild; }
  virtual void SetFocusChild(CGXChild* pChild) { m_pFocusChild = pChild; }
  virtual void InitChildren(ROWCOL nRow, ROWCOL nCol, const CRect& rect) {
    (void)nRow;
    (void)nCol;
    (void)rect;
  }
  virtual void DrawBackground(CGXGridSurface& surface, const CRect& rect, const CGXStyle& style, BOOL bErase);
  virtual void Draw3dFrame(CGXGridSurface& surface, const CRect& rect, const CGXStyle& style);
  virtual BOOL ValidateText(const CString& s) {
    (void)s;
    return TRUE;
  }
  virtual BOOL ValidateInsertion(const CString& s) {
    (void)s;
    return TRUE;
  }
  virtual void ReceiveNotice(UINT nArg) { (void)nArg; }
  virtual BOOL GetMarkEditHeader(ROWCOL nRow, ROWCOL nCol, const CGXStyle& style);

  // --- the engine's own steps, mapped onto the table ------------------------------------------------
  // The check before the cell is left: FALSE keeps the cell (a warning text may be pending).
  virtual BOOL OnValidate() { return ValidateInput(); }
  virtual BOOL OnEndEditing() { return NotifyEditingEnded(); }
  // Throws the typed text away; TRUE when there was an edit to discard.
  virtual BOOL OnCancelEditing() { return GetModify(); }
  // Whether the old cell must be redrawn after leaving it for (nRow, nCol).
  virtual BOOL OnLeftCell(ROWCOL nRow, ROWCOL nCol) { return NotifyCellLeft(nRow, nCol); }
  virtual void HideWindowForUpdate() { Hide(); }
  virtual BOOL OnGridKeyDown(UINT nKey, UINT nRepeat, UINT nFlags) {
    return ProcessKeys(0x100, nKey, nRepeat, nFlags);
  }
  virtual BOOL OnGridChar(UINT nChar, UINT nRepeat, UINT nFlags) { return ProcessKeys(0x102, nChar, nRepeat, nFlags); }
  // The display text of a cell for a style (its value, formatted).
  CString GetControlText(ROWCOL nRow, ROWCOL nCol, const CGXStyle& style);

  // --- helpers ---------------------------------------------------------------------------------------
  static const GXCONTROLCLASS classCGXControl;
  CGXGridCore* Grid() const { return m_pGrid; }
  BOOL IsKindOf(const GXCONTROLCLASS* pClass) const;
  BOOL IsInit() const { return m_bInit; }
  BOOL IsInit(ROWCOL nRow, ROWCOL nCol) const { return m_bInit && m_nRow == nRow && m_nCol == nCol; }
  BOOL IsActiveAt(ROWCOL nRow, ROWCOL nCol) const { return IsInit(nRow, nCol); }
  ROWCOL GetRow() const { return m_nRow; }
  ROWCOL GetCol() const { return m_nCol; }
  CGXStyle* LoadStyle();
  void FreeStyle(BOOL bNotify = FALSE);
  // The cached style of the bound cell (null when none is loaded).
  CGXStyle* CachedStyle() const { return m_pStyle; }
  // WM_CHAR bytes into characters: TRUE when the byte completed (sText set) or began a double-byte one.
  static BOOL AccumulateDoubleByteChar(UINT nChar, CString& sText, BOOL& bPending, BYTE& nLeadByte);
  static void AddUserAttributes(CGXStylesMap* pStylesMap);
  // The cell's value for (nRow, nCol) into the one-cell range through the engine.
  BOOL StoreValue(ROWCOL nRow, ROWCOL nCol, const CString& s, UINT nFlags = 1);

  UINT m_nExtraFlags = 0;

 protected:
  static BOOL IgnoreKey(UINT nChar, UINT nRepCnt, UINT nFlags) {
    (void)nChar;
    (void)nRepCnt;
    (void)nFlags;
    return FALSE;
  }
  // The user attribute's text of a style, empty without it.
  static CString UserAttributeText(const CGXStyle& style, WORD nId);
  CRect BoundInnerRect();

  CGXGridCore* m_pGrid;  // not owned
  ROWCOL m_nRow = (ROWCOL)-1;
  ROWCOL m_nCol = (ROWCOL)-1;
  CGXStyle* m_pStyle = nullptr;  // owned clone of the bound cell's style
  BOOL m_bInit = FALSE;
  CPtrList* m_pChildList = nullptr;  // owned, with its children
  CGXChild* m_pFocusChild = nullptr;  // one of the children
  BOOL m_bLeadPending = FALSE;
  BYTE m_nLeadByte = 0;
};

// The user attributes every control understands.
enum : WORD {
  GX_IDS_UA_VALID_MIN = 51011,
  GX_IDS_UA_VALID_MAX = 51012,
  GX_IDS_UA_VALID_MSG = 51013,
  GX_IDS_UA_RTLREADING = 52570
};

// Whether a byte begins a double-byte character in the current code page; the Windows build installs
// the system's answer, without one no byte does.
typedef BOOL (*GX_ISLEADBYTE_PROC)(BYTE c);
void GXSetIsLeadByteProc(GX_ISLEADBYTE_PROC pfn);

// The clipboard's text as the controls reach it: the Windows build puts CF_TEXT there (emptying the
// clipboard first) and takes CF_TEXT or CF_OEMTEXT back; without the procedures there is no clipboard.
typedef BOOL (*GX_SETCLIPBOARDTEXT_PROC)(CGXGridCore* pGrid, const CString& s);
typedef BOOL (*GX_GETCLIPBOARDTEXT_PROC)(CGXGridCore* pGrid, CString& s);
void GXSetClipboardProcs(GX_SETCLIPBOARDTEXT_PROC pfnSet, GX_GETCLIPBOARDTEXT_PROC pfnGet);

#endif  // GRID_CORE_GXCONTROL_H
