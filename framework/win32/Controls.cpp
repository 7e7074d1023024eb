// The controls' members that are more than one message: creation of common controls, text
// read back into strings, item records of the list and tree views, and tooltips.
#include "Controls.h"

#include "Gdi.h"
#include "WinApp.h"

IMPLEMENT_DYNAMIC(CButton, CWnd)
IMPLEMENT_DYNAMIC(CStatic, CWnd)
IMPLEMENT_DYNAMIC(CEdit, CWnd)
IMPLEMENT_DYNAMIC(CListBox, CWnd)
IMPLEMENT_DYNAMIC(CComboBox, CWnd)
IMPLEMENT_DYNAMIC(CScrollBar, CWnd)
IMPLEMENT_DYNAMIC(CProgressCtrl, CWnd)
IMPLEMENT_DYNAMIC(CSpinButtonCtrl, CWnd)
IMPLEMENT_DYNCREATE(CImageList, CObject)
IMPLEMENT_DYNAMIC(CListCtrl, CWnd)
IMPLEMENT_DYNAMIC(CTreeCtrl, CWnd)
IMPLEMENT_DYNAMIC(CToolTipCtrl, CWnd)

namespace {
void InitCommonControl(DWORD icc) {
  INITCOMMONCONTROLSEX init = {sizeof init, icc};
  ::InitCommonControlsEx(&init);
}
}  // namespace

void CListBox::GetText(int nIndex, CString& rString) const {
  LRESULT n = ::SendMessageA(m_hWnd, LB_GETTEXTLEN, static_cast<WPARAM>(nIndex), 0);
  if (n == LB_ERR) {
    rString.Empty();
    return;
  }
  n = ::SendMessageA(m_hWnd, LB_GETTEXT, static_cast<WPARAM>(nIndex),
                     reinterpret_cast<LPARAM>(rString.GetBuffer(static_cast<int>(n))));
  rString.ReleaseBuffer(n == LB_ERR ? 0 : static_cast<int>(n));
}

void CComboBox::GetLBText(int nIndex, CString& rString) const {
  LRESULT n = ::SendMessageA(m_hWnd, CB_GETLBTEXTLEN, static_cast<WPARAM>(nIndex), 0);
  if (n == CB_ERR) {
    rString.Empty();
    return;
  }
  n = ::SendMessageA(m_hWnd, CB_GETLBTEXT, static_cast<WPARAM>(nIndex),
                     reinterpret_cast<LPARAM>(rString.GetBuffer(static_cast<int>(n))));
  rString.ReleaseBuffer(n == CB_ERR ? 0 : static_cast<int>(n));
}

BOOL CProgressCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  InitCommonControl(ICC_PROGRESS_CLASS);
  return CreateEx(0, PROGRESS_CLASSA, nullptr, dwStyle | WS_CHILD, rect, pParentWnd, nID);
}

BOOL CSpinButtonCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  InitCommonControl(ICC_UPDOWN_CLASS);
  return CreateEx(0, UPDOWN_CLASSA, nullptr, dwStyle | WS_CHILD, rect, pParentWnd, nID);
}

BOOL CImageList::Create(UINT nBitmapID, int cx, int nGrow, COLORREF crMask) {
  return Attach(ImageList_LoadImageA(AfxGetResourceHandle(), MAKEINTRESOURCEA(nBitmapID), cx, nGrow, crMask,
                                     IMAGE_BITMAP, LR_CREATEDIBSECTION));
}

BOOL CImageList::Draw(CDC* pDC, int nImage, POINT pt, UINT nStyle) {
  return ImageList_Draw(m_hImageList, nImage, pDC->m_hDC, pt.x, pt.y, nStyle);
}

// --- list view ----------------------------------------------------------------------------------------

BOOL CListCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  InitCommonControl(ICC_LISTVIEW_CLASSES);
  return CreateEx(WS_EX_CLIENTEDGE, WC_LISTVIEWA, nullptr, dwStyle | WS_CHILD, rect, pParentWnd, nID);
}

int CListCtrl::InsertColumn(int nCol, LPCSTR lpszHeading, int nFormat, int nWidth, int nSubItem) {
  LVCOLUMNA col = {};
  col.mask = LVCF_FMT | LVCF_TEXT;
  col.fmt = nFormat;
  col.pszText = const_cast<LPSTR>(lpszHeading);
  if (nWidth != -1) {
    col.mask |= LVCF_WIDTH;
    col.cx = nWidth;
  }
  if (nSubItem != -1) {
    col.mask |= LVCF_SUBITEM;
    col.iSubItem = nSubItem;
  }
  return static_cast<int>(SendMessage(LVM_INSERTCOLUMNA, static_cast<WPARAM>(nCol), reinterpret_cast<LPARAM>(&col)));
}

int CListCtrl::InsertItem(int nItem, LPCSTR lpszItem, int nImage) {
  LVITEMA item = {};
  item.mask = LVIF_TEXT | (nImage >= 0 ? LVIF_IMAGE : 0);
  item.iItem = nItem;
  item.pszText = const_cast<LPSTR>(lpszItem);
  item.iImage = nImage;
  return InsertItem(&item);
}

BOOL CListCtrl::SetItemText(int nItem, int nSubItem, LPCSTR lpszText) {
  LVITEMA item = {};
  item.iSubItem = nSubItem;
  item.pszText = const_cast<LPSTR>(lpszText);
  return static_cast<BOOL>(SendMessage(LVM_SETITEMTEXTA, static_cast<WPARAM>(nItem), reinterpret_cast<LPARAM>(&item)));
}

CString CListCtrl::GetItemText(int nItem, int nSubItem) const {
  // The control copies at most the buffer's size: grow until the text fits.
  for (int size = 256;; size *= 2) {
    CString s;
    LVITEMA item = {};
    item.iSubItem = nSubItem;
    item.cchTextMax = size;
    item.pszText = s.GetBuffer(size);
    int n = static_cast<int>(::SendMessageA(m_hWnd, LVM_GETITEMTEXTA, static_cast<WPARAM>(nItem), reinterpret_cast<LPARAM>(&item)));
    s.ReleaseBuffer(n);
    if (n < size - 1 || size >= (1 << 16)) return s;
  }
}

BOOL CListCtrl::SetItemData(int nItem, DWORD_PTR dwData) {
  LVITEMA item = {};
  item.mask = LVIF_PARAM;
  item.iItem = nItem;
  item.lParam = static_cast<LPARAM>(dwData);
  return static_cast<BOOL>(SendMessage(LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

DWORD_PTR CListCtrl::GetItemData(int nItem) const {
  LVITEMA item = {};
  item.mask = LVIF_PARAM;
  item.iItem = nItem;
  ::SendMessageA(m_hWnd, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
  return static_cast<DWORD_PTR>(item.lParam);
}

BOOL CListCtrl::SetItemState(int nItem, UINT nState, UINT nMask) {
  LVITEMA item = {};
  item.state = nState;
  item.stateMask = nMask;
  return static_cast<BOOL>(SendMessage(LVM_SETITEMSTATE, static_cast<WPARAM>(nItem), reinterpret_cast<LPARAM>(&item)));
}

POSITION CListCtrl::GetFirstSelectedItemPosition() const {
  // The position is the item's index plus one, so that 0 ends the walk.
  int first = ListView_GetNextItem(m_hWnd, -1, LVNI_SELECTED);
  return first < 0 ? nullptr : reinterpret_cast<POSITION>(static_cast<INT_PTR>(first) + 1);
}

int CListCtrl::GetNextSelectedItem(POSITION& pos) const {
  int item = static_cast<int>(reinterpret_cast<INT_PTR>(pos)) - 1;
  int next = ListView_GetNextItem(m_hWnd, item, LVNI_SELECTED);
  pos = next < 0 ? nullptr : reinterpret_cast<POSITION>(static_cast<INT_PTR>(next) + 1);
  return item;
}

CImageList* CListCtrl::SetImageList(CImageList* pImageList, int nImageListType) {
  ListView_SetImageList(m_hWnd, pImageList ? pImageList->m_hImageList : nullptr, nImageListType);
  return nullptr;  // the previous list is the caller's, who still holds it
}

// --- tree view ----------------------------------------------------------------------------------------

BOOL CTreeCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  InitCommonControl(ICC_TREEVIEW_CLASSES);
  return CreateEx(WS_EX_CLIENTEDGE, WC_TREEVIEWA, nullptr, dwStyle | WS_CHILD, rect, pParentWnd, nID);
}

HTREEITEM CTreeCtrl::InsertItem(LPCSTR lpszItem, HTREEITEM hParent, HTREEITEM hInsertAfter) {
  TVINSERTSTRUCTA tvis = {};
  tvis.hParent = hParent;
  tvis.hInsertAfter = hInsertAfter;
  tvis.item.mask = TVIF_TEXT;
  tvis.item.pszText = const_cast<LPSTR>(lpszItem);
  return reinterpret_cast<HTREEITEM>(SendMessage(TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&tvis)));
}

HTREEITEM CTreeCtrl::InsertItem(LPCSTR lpszItem, int nImage, int nSelectedImage, HTREEITEM hParent,
                                HTREEITEM hInsertAfter) {
  TVINSERTSTRUCTA tvis = {};
  tvis.hParent = hParent;
  tvis.hInsertAfter = hInsertAfter;
  tvis.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
  tvis.item.pszText = const_cast<LPSTR>(lpszItem);
  tvis.item.iImage = nImage;
  tvis.item.iSelectedImage = nSelectedImage;
  return reinterpret_cast<HTREEITEM>(SendMessage(TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&tvis)));
}

CString CTreeCtrl::GetItemText(HTREEITEM hItem) const {
  char buf[1024] = "";
  TVITEMA item = {};
  item.mask = TVIF_TEXT;
  item.hItem = hItem;
  item.pszText = buf;
  item.cchTextMax = sizeof buf;
  ::SendMessageA(m_hWnd, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
  return CString(buf);
}

BOOL CTreeCtrl::SetItemText(HTREEITEM hItem, LPCSTR lpszItem) {
  TVITEMA item = {};
  item.mask = TVIF_TEXT;
  item.hItem = hItem;
  item.pszText = const_cast<LPSTR>(lpszItem);
  return static_cast<BOOL>(SendMessage(TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

DWORD_PTR CTreeCtrl::GetItemData(HTREEITEM hItem) const {
  TVITEMA item = {};
  item.mask = TVIF_PARAM;
  item.hItem = hItem;
  ::SendMessageA(m_hWnd, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
  return static_cast<DWORD_PTR>(item.lParam);
}

BOOL CTreeCtrl::SetItemData(HTREEITEM hItem, DWORD_PTR dwData) {
  TVITEMA item = {};
  item.mask = TVIF_PARAM;
  item.hItem = hItem;
  item.lParam = static_cast<LPARAM>(dwData);
  return static_cast<BOOL>(SendMessage(TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

CImageList* CTreeCtrl::SetImageList(CImageList* pImageList, int nImageListType) {
  TreeView_SetImageList(m_hWnd, pImageList ? pImageList->m_hImageList : nullptr, nImageListType);
  return nullptr;  // the previous list is the caller's, who still holds it
}

// --- tooltips -----------------------------------------------------------------------------------------

BOOL CToolTipCtrl::Create(CWnd* pParentWnd, DWORD dwStyle) {
  InitCommonControl(ICC_WIN95_CLASSES);
  return CreateEx(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | dwStyle, CW_USEDEFAULT,
                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, AfxSafeHwnd(pParentWnd), nullptr);
}

void CToolTipCtrl::FillInToolInfo(TOOLINFOA& ti, CWnd* pWnd, UINT_PTR nIDTool) const {
  ti = {};
  // The tool structure of older common controls: without the reserved field at its end.
  ti.cbSize = TTTOOLINFOA_V2_SIZE;
  ti.hwnd = AfxSafeHwnd(pWnd);
  if (nIDTool == 0) {
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.uId = reinterpret_cast<UINT_PTR>(ti.hwnd);
  } else {
    ti.uFlags = TTF_SUBCLASS;
    ti.uId = nIDTool;
  }
}

BOOL CToolTipCtrl::AddTool(CWnd* pWnd, LPCSTR lpszText, const RECT* lpRectTool, UINT_PTR nIDTool) {
  TOOLINFOA ti;
  FillInToolInfo(ti, pWnd, nIDTool);
  if (lpRectTool) ti.rect = *lpRectTool;
  ti.lpszText = const_cast<LPSTR>(lpszText);
  return static_cast<BOOL>(SendMessage(TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti)));
}

BOOL CToolTipCtrl::AddTool(CWnd* pWnd, UINT nIDText, const RECT* lpRectTool, UINT_PTR nIDTool) {
  CString text;
  text.LoadString(nIDText);
  return AddTool(pWnd, text, lpRectTool, nIDTool);
}

void CToolTipCtrl::DelTool(CWnd* pWnd, UINT_PTR nIDTool) {
  TOOLINFOA ti;
  FillInToolInfo(ti, pWnd, nIDTool);
  SendMessage(TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
}

void CToolTipCtrl::UpdateTipText(LPCSTR lpszText, CWnd* pWnd, UINT_PTR nIDTool) {
  TOOLINFOA ti;
  FillInToolInfo(ti, pWnd, nIDTool);
  ti.lpszText = const_cast<LPSTR>(lpszText);
  SendMessage(TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&ti));
}
