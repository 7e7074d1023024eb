// The standard and common controls as thin CWnd objects: creation with the control's window
// class and the messages the application sends them. A control object made by DDX_Control or
// SubclassDlgItem wraps a control of a dialog template; one made with Create owns its window.
#pragma once

#include "Win32Platform.h"
#include <commctrl.h>

#include "Wnd.h"

class CImageList;

class CButton : public CWnd {
  DECLARE_DYNAMIC(CButton)
 public:
  BOOL Create(LPCSTR lpszCaption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return CreateEx(0, "BUTTON", lpszCaption, dwStyle | WS_CHILD, rect, pParentWnd, nID);
  }
  int GetCheck() const { return static_cast<int>(::SendMessageA(m_hWnd, BM_GETCHECK, 0, 0)); }
  void SetCheck(int nCheck) { SendMessage(BM_SETCHECK, static_cast<WPARAM>(nCheck)); }
  UINT GetState() const { return static_cast<UINT>(::SendMessageA(m_hWnd, BM_GETSTATE, 0, 0)); }
  void SetState(BOOL bHighlight) { SendMessage(BM_SETSTATE, bHighlight); }
  void SetButtonStyle(UINT nStyle, BOOL bRedraw = TRUE) { SendMessage(BM_SETSTYLE, nStyle, bRedraw); }
  HBITMAP SetBitmap(HBITMAP h) {
    return reinterpret_cast<HBITMAP>(SendMessage(BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(h)));
  }
  HICON SetIcon(HICON h) {
    return reinterpret_cast<HICON>(SendMessage(BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(h)));
  }
};

class CStatic : public CWnd {
  DECLARE_DYNAMIC(CStatic)
 public:
  BOOL Create(LPCSTR lpszText, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID = 0xFFFF) {
    return CreateEx(0, "STATIC", lpszText, dwStyle | WS_CHILD, rect, pParentWnd, nID);
  }
  HBITMAP SetBitmap(HBITMAP h) {
    return reinterpret_cast<HBITMAP>(SendMessage(STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(h)));
  }
  HICON SetIcon(HICON h) { return reinterpret_cast<HICON>(SendMessage(STM_SETICON, reinterpret_cast<WPARAM>(h))); }
};

class CEdit : public CWnd {
  DECLARE_DYNAMIC(CEdit)
 public:
  BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return CreateEx(WS_EX_CLIENTEDGE, "EDIT", nullptr, dwStyle | WS_CHILD, rect, pParentWnd, nID);
  }
  void SetLimitText(UINT nMax) { SendMessage(EM_LIMITTEXT, nMax); }
  void LimitText(int nChars = 0) { SendMessage(EM_LIMITTEXT, static_cast<WPARAM>(nChars)); }
  void SetSel(int nStart, int nEnd, BOOL bNoScroll = FALSE) {
    SendMessage(EM_SETSEL, static_cast<WPARAM>(nStart), nEnd);
    if (!bNoScroll) SendMessage(EM_SCROLLCARET);
  }
  void GetSel(int& nStart, int& nEnd) const {
    DWORD s = 0, e = 0;
    ::SendMessageA(m_hWnd, EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
    nStart = static_cast<int>(s);
    nEnd = static_cast<int>(e);
  }
  void ReplaceSel(LPCSTR lpszNewText, BOOL bCanUndo = FALSE) {
    SendMessage(EM_REPLACESEL, bCanUndo, reinterpret_cast<LPARAM>(lpszNewText));
  }
  BOOL SetReadOnly(BOOL bReadOnly = TRUE) { return static_cast<BOOL>(SendMessage(EM_SETREADONLY, bReadOnly)); }
  int GetLineCount() const { return static_cast<int>(::SendMessageA(m_hWnd, EM_GETLINECOUNT, 0, 0)); }
  BOOL GetModify() const { return static_cast<BOOL>(::SendMessageA(m_hWnd, EM_GETMODIFY, 0, 0)); }
  void SetModify(BOOL bModified = TRUE) { SendMessage(EM_SETMODIFY, bModified); }
  void Clear() { SendMessage(WM_CLEAR); }
  void Copy() { SendMessage(WM_COPY); }
  void Cut() { SendMessage(WM_CUT); }
  void Paste() { SendMessage(WM_PASTE); }
};

class CListBox : public CWnd {
  DECLARE_DYNAMIC(CListBox)
 public:
  BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return CreateEx(WS_EX_CLIENTEDGE, "LISTBOX", nullptr, dwStyle | WS_CHILD, rect, pParentWnd, nID);
  }
  int GetCount() const { return static_cast<int>(::SendMessageA(m_hWnd, LB_GETCOUNT, 0, 0)); }
  int GetCurSel() const { return static_cast<int>(::SendMessageA(m_hWnd, LB_GETCURSEL, 0, 0)); }
  int SetCurSel(int nSelect) { return static_cast<int>(SendMessage(LB_SETCURSEL, static_cast<WPARAM>(nSelect))); }
  int GetSel(int nIndex) const { return static_cast<int>(::SendMessageA(m_hWnd, LB_GETSEL, static_cast<WPARAM>(nIndex), 0)); }
  int SetSel(int nIndex, BOOL bSelect = TRUE) { return static_cast<int>(SendMessage(LB_SETSEL, bSelect, nIndex)); }
  int GetSelCount() const { return static_cast<int>(::SendMessageA(m_hWnd, LB_GETSELCOUNT, 0, 0)); }
  int GetSelItems(int nMax, LPINT rgIndex) const {
    return static_cast<int>(::SendMessageA(m_hWnd, LB_GETSELITEMS, static_cast<WPARAM>(nMax), reinterpret_cast<LPARAM>(rgIndex)));
  }
  int AddString(LPCSTR s) { return static_cast<int>(SendMessage(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s))); }
  int InsertString(int nIndex, LPCSTR s) {
    return static_cast<int>(SendMessage(LB_INSERTSTRING, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(s)));
  }
  int DeleteString(UINT nIndex) { return static_cast<int>(SendMessage(LB_DELETESTRING, nIndex)); }
  void ResetContent() { SendMessage(LB_RESETCONTENT); }
  int FindStringExact(int nStart, LPCSTR s) const {
    return static_cast<int>(::SendMessageA(m_hWnd, LB_FINDSTRINGEXACT, static_cast<WPARAM>(nStart), reinterpret_cast<LPARAM>(s)));
  }
  void GetText(int nIndex, CString& rString) const;
  DWORD_PTR GetItemData(int nIndex) const {
    return static_cast<DWORD_PTR>(::SendMessageA(m_hWnd, LB_GETITEMDATA, static_cast<WPARAM>(nIndex), 0));
  }
  int SetItemData(int nIndex, DWORD_PTR dwItemData) {
    return static_cast<int>(SendMessage(LB_SETITEMDATA, static_cast<WPARAM>(nIndex), static_cast<LPARAM>(dwItemData)));
  }
};

class CComboBox : public CWnd {
  DECLARE_DYNAMIC(CComboBox)
 public:
  BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return CreateEx(0, "COMBOBOX", nullptr, dwStyle | WS_CHILD, rect, pParentWnd, nID);
  }
  int GetCount() const { return static_cast<int>(::SendMessageA(m_hWnd, CB_GETCOUNT, 0, 0)); }
  int GetCurSel() const { return static_cast<int>(::SendMessageA(m_hWnd, CB_GETCURSEL, 0, 0)); }
  int SetCurSel(int nSelect) { return static_cast<int>(SendMessage(CB_SETCURSEL, static_cast<WPARAM>(nSelect))); }
  int AddString(LPCSTR s) { return static_cast<int>(SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s))); }
  int InsertString(int nIndex, LPCSTR s) {
    return static_cast<int>(SendMessage(CB_INSERTSTRING, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(s)));
  }
  int DeleteString(UINT nIndex) { return static_cast<int>(SendMessage(CB_DELETESTRING, nIndex)); }
  void ResetContent() { SendMessage(CB_RESETCONTENT); }
  int FindStringExact(int nStart, LPCSTR s) const {
    return static_cast<int>(::SendMessageA(m_hWnd, CB_FINDSTRINGEXACT, static_cast<WPARAM>(nStart), reinterpret_cast<LPARAM>(s)));
  }
  int SelectString(int nStart, LPCSTR s) {
    return static_cast<int>(SendMessage(CB_SELECTSTRING, static_cast<WPARAM>(nStart), reinterpret_cast<LPARAM>(s)));
  }
  void GetLBText(int nIndex, CString& rString) const;
  DWORD_PTR GetItemData(int nIndex) const {
    return static_cast<DWORD_PTR>(::SendMessageA(m_hWnd, CB_GETITEMDATA, static_cast<WPARAM>(nIndex), 0));
  }
  int SetItemData(int nIndex, DWORD_PTR dwItemData) {
    return static_cast<int>(SendMessage(CB_SETITEMDATA, static_cast<WPARAM>(nIndex), static_cast<LPARAM>(dwItemData)));
  }
  void LimitText(int nMaxChars) { SendMessage(CB_LIMITTEXT, static_cast<WPARAM>(nMaxChars)); }
  void ShowDropDown(BOOL bShow = TRUE) { SendMessage(CB_SHOWDROPDOWN, bShow); }
};

class CScrollBar : public CWnd {
  DECLARE_DYNAMIC(CScrollBar)
 public:
  BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return CreateEx(0, "SCROLLBAR", nullptr, dwStyle | WS_CHILD, rect, pParentWnd, nID);
  }
  int GetScrollPos() const { return ::GetScrollPos(m_hWnd, SB_CTL); }
  int SetScrollPos(int nPos, BOOL bRedraw = TRUE) { return ::SetScrollPos(m_hWnd, SB_CTL, nPos, bRedraw); }
  void SetScrollRange(int nMin, int nMax, BOOL bRedraw = TRUE) { ::SetScrollRange(m_hWnd, SB_CTL, nMin, nMax, bRedraw); }
  void GetScrollRange(LPINT pMin, LPINT pMax) const { ::GetScrollRange(m_hWnd, SB_CTL, pMin, pMax); }
  BOOL SetScrollInfo(LPSCROLLINFO p, BOOL bRedraw = TRUE) {
    ::SetScrollInfo(m_hWnd, SB_CTL, p, bRedraw);
    return TRUE;
  }
  BOOL GetScrollInfo(LPSCROLLINFO p) const { return ::GetScrollInfo(m_hWnd, SB_CTL, p); }
};

class CProgressCtrl : public CWnd {
  DECLARE_DYNAMIC(CProgressCtrl)
 public:
  BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
  void SetRange(short nLower, short nUpper) { SendMessage(PBM_SETRANGE, 0, MAKELPARAM(nLower, nUpper)); }
  void SetRange32(int nLower, int nUpper) { SendMessage(PBM_SETRANGE32, static_cast<WPARAM>(nLower), nUpper); }
  int SetPos(int nPos) { return static_cast<int>(SendMessage(PBM_SETPOS, static_cast<WPARAM>(nPos))); }
  int GetPos() const { return static_cast<int>(::SendMessageA(m_hWnd, PBM_GETPOS, 0, 0)); }
  int OffsetPos(int nPos) { return static_cast<int>(SendMessage(PBM_DELTAPOS, static_cast<WPARAM>(nPos))); }
  int SetStep(int nStep) { return static_cast<int>(SendMessage(PBM_SETSTEP, static_cast<WPARAM>(nStep))); }
  int StepIt() { return static_cast<int>(SendMessage(PBM_STEPIT)); }
};

class CSpinButtonCtrl : public CWnd {
  DECLARE_DYNAMIC(CSpinButtonCtrl)
 public:
  BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
  void SetRange(short nLower, short nUpper) { SendMessage(UDM_SETRANGE, 0, MAKELPARAM(nUpper, nLower)); }
  void SetRange32(int nLower, int nUpper) { SendMessage(UDM_SETRANGE32, static_cast<WPARAM>(nLower), nUpper); }
  int SetPos(int nPos) { return static_cast<int>(SendMessage(UDM_SETPOS32, 0, nPos)); }
  int GetPos() const { return static_cast<int>(::SendMessageA(m_hWnd, UDM_GETPOS32, 0, 0)); }
  CWnd* SetBuddy(CWnd* pWndBuddy) {
    return CWnd::FromHandle(reinterpret_cast<HWND>(SendMessage(UDM_SETBUDDY, reinterpret_cast<WPARAM>(AfxSafeHwnd(pWndBuddy)))));
  }
  CWnd* GetBuddy() const { return CWnd::FromHandle(reinterpret_cast<HWND>(::SendMessageA(m_hWnd, UDM_GETBUDDY, 0, 0))); }
  UINT SetBase(int nBase) { return static_cast<UINT>(SendMessage(UDM_SETBASE, static_cast<WPARAM>(nBase))); }
};

// An image list owns its handle unless detached.
class CImageList : public CObject {
  DECLARE_DYNCREATE(CImageList)
 public:
  HIMAGELIST m_hImageList = nullptr;

  CImageList() = default;
  ~CImageList() override { DeleteImageList(); }
  CImageList(const CImageList&) = delete;
  CImageList& operator=(const CImageList&) = delete;

  BOOL Create(int cx, int cy, UINT nFlags, int nInitial, int nGrow) {
    return Attach(ImageList_Create(cx, cy, nFlags, nInitial, nGrow));
  }
  BOOL Create(UINT nBitmapID, int cx, int nGrow, COLORREF crMask);
  BOOL Attach(HIMAGELIST h) {
    if (!h) return FALSE;
    DeleteImageList();
    m_hImageList = h;
    return TRUE;
  }
  HIMAGELIST Detach() {
    HIMAGELIST h = m_hImageList;
    m_hImageList = nullptr;
    return h;
  }
  BOOL DeleteImageList() {
    if (!m_hImageList) return FALSE;
    return ImageList_Destroy(Detach());
  }
  HIMAGELIST GetSafeHandle() const { return m_hImageList; }
  operator HIMAGELIST() const { return m_hImageList; }
  int GetImageCount() const { return ImageList_GetImageCount(m_hImageList); }
  int Add(HBITMAP hbmImage, HBITMAP hbmMask) { return ImageList_Add(m_hImageList, hbmImage, hbmMask); }
  int Add(HBITMAP hbmImage, COLORREF crMask) { return ImageList_AddMasked(m_hImageList, hbmImage, crMask); }
  int Add(HICON hIcon) { return ImageList_AddIcon(m_hImageList, hIcon); }
  BOOL Remove(int nImage) { return ImageList_Remove(m_hImageList, nImage); }
  BOOL Draw(CDC* pDC, int nImage, POINT pt, UINT nStyle);
  COLORREF SetBkColor(COLORREF cr) { return ImageList_SetBkColor(m_hImageList, cr); }
};

class CListCtrl : public CWnd {
  DECLARE_DYNAMIC(CListCtrl)
 public:
  BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
  int GetItemCount() const { return ListView_GetItemCount(m_hWnd); }
  int InsertColumn(int nCol, LPCSTR lpszHeading, int nFormat = LVCFMT_LEFT, int nWidth = -1, int nSubItem = -1);
  BOOL DeleteColumn(int nCol) { return ListView_DeleteColumn(m_hWnd, nCol); }
  int GetColumnWidth(int nCol) const { return ListView_GetColumnWidth(m_hWnd, nCol); }
  BOOL SetColumnWidth(int nCol, int cx) { return ListView_SetColumnWidth(m_hWnd, nCol, cx); }
  int InsertItem(int nItem, LPCSTR lpszItem, int nImage = -1);
  int InsertItem(const LVITEMA* pItem) {
    return static_cast<int>(SendMessage(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(pItem)));
  }
  BOOL SetItemText(int nItem, int nSubItem, LPCSTR lpszText);
  CString GetItemText(int nItem, int nSubItem) const;
  BOOL SetItemData(int nItem, DWORD_PTR dwData);
  DWORD_PTR GetItemData(int nItem) const;
  BOOL SetItemState(int nItem, UINT nState, UINT nMask);
  UINT GetItemState(int nItem, UINT nMask) const { return ListView_GetItemState(m_hWnd, nItem, nMask); }
  BOOL SetCheck(int nItem, BOOL fCheck = TRUE) {
    return SetItemState(nItem, INDEXTOSTATEIMAGEMASK(fCheck ? 2 : 1), LVIS_STATEIMAGEMASK);
  }
  BOOL GetCheck(int nItem) const { return ((GetItemState(nItem, LVIS_STATEIMAGEMASK) >> 12) - 1) != 0; }
  BOOL DeleteItem(int nItem) { return ListView_DeleteItem(m_hWnd, nItem); }
  BOOL DeleteAllItems() { return ListView_DeleteAllItems(m_hWnd); }
  int GetNextItem(int nItem, int nFlags) const { return ListView_GetNextItem(m_hWnd, nItem, nFlags); }
  POSITION GetFirstSelectedItemPosition() const;
  int GetNextSelectedItem(POSITION& pos) const;
  int GetSelectedCount() const { return static_cast<int>(ListView_GetSelectedCount(m_hWnd)); }
  BOOL EnsureVisible(int nItem, BOOL bPartialOK) { return ListView_EnsureVisible(m_hWnd, nItem, bPartialOK); }
  DWORD SetExtendedStyle(DWORD dwNewStyle) {
    return static_cast<DWORD>(SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, static_cast<LPARAM>(dwNewStyle)));
  }
  DWORD GetExtendedStyle() const { return static_cast<DWORD>(::SendMessageA(m_hWnd, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0)); }
  CImageList* SetImageList(CImageList* pImageList, int nImageListType);
};

class CTreeCtrl : public CWnd {
  DECLARE_DYNAMIC(CTreeCtrl)
 public:
  BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
  HTREEITEM InsertItem(LPCSTR lpszItem, HTREEITEM hParent = TVI_ROOT, HTREEITEM hInsertAfter = TVI_LAST);
  HTREEITEM InsertItem(LPCSTR lpszItem, int nImage, int nSelectedImage, HTREEITEM hParent = TVI_ROOT,
                       HTREEITEM hInsertAfter = TVI_LAST);
  BOOL DeleteItem(HTREEITEM hItem) { return TreeView_DeleteItem(m_hWnd, hItem); }
  BOOL DeleteAllItems() { return TreeView_DeleteAllItems(m_hWnd); }
  BOOL Expand(HTREEITEM hItem, UINT nCode) { return TreeView_Expand(m_hWnd, hItem, nCode); }
  HTREEITEM GetRootItem() const { return TreeView_GetRoot(m_hWnd); }
  HTREEITEM GetChildItem(HTREEITEM hItem) const { return TreeView_GetChild(m_hWnd, hItem); }
  HTREEITEM GetNextSiblingItem(HTREEITEM hItem) const { return TreeView_GetNextSibling(m_hWnd, hItem); }
  HTREEITEM GetParentItem(HTREEITEM hItem) const { return TreeView_GetParent(m_hWnd, hItem); }
  HTREEITEM GetSelectedItem() const { return TreeView_GetSelection(m_hWnd); }
  BOOL SelectItem(HTREEITEM hItem) { return TreeView_SelectItem(m_hWnd, hItem); }
  CString GetItemText(HTREEITEM hItem) const;
  BOOL SetItemText(HTREEITEM hItem, LPCSTR lpszItem);
  DWORD_PTR GetItemData(HTREEITEM hItem) const;
  BOOL SetItemData(HTREEITEM hItem, DWORD_PTR dwData);
  UINT GetCount() const { return TreeView_GetCount(m_hWnd); }
  CImageList* SetImageList(CImageList* pImageList, int nImageListType);
};

class CToolTipCtrl : public CWnd {
  DECLARE_DYNAMIC(CToolTipCtrl)
 public:
  BOOL Create(CWnd* pParentWnd, DWORD dwStyle = 0);
  // A tip for a rectangle of pWnd (lpRectTool) or for the whole window pWnd (nIDTool 0).
  BOOL AddTool(CWnd* pWnd, LPCSTR lpszText, const RECT* lpRectTool = nullptr, UINT_PTR nIDTool = 0);
  BOOL AddTool(CWnd* pWnd, UINT nIDText, const RECT* lpRectTool = nullptr, UINT_PTR nIDTool = 0);
  void DelTool(CWnd* pWnd, UINT_PTR nIDTool = 0);
  void UpdateTipText(LPCSTR lpszText, CWnd* pWnd, UINT_PTR nIDTool = 0);
  void Activate(BOOL bActivate) { SendMessage(TTM_ACTIVATE, bActivate); }
  void RelayEvent(LPMSG lpMsg) { SendMessage(TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(lpMsg)); }
  void SetMaxTipWidth(int iWidth) { SendMessage(TTM_SETMAXTIPWIDTH, 0, iWidth); }
  int GetToolCount() const { return static_cast<int>(::SendMessageA(m_hWnd, TTM_GETTOOLCOUNT, 0, 0)); }

 private:
  void FillInToolInfo(TOOLINFOA& ti, CWnd* pWnd, UINT_PTR nIDTool) const;
};
