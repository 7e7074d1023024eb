// The combo cells: the edit cell with an arrow button and a drop-down list of the style's choice list,
// storing the chosen text or its index (mode bits), and the multi-column kind whose lines are records of
// tab-separated fields (a key column stored, a text column shown and typed). The list itself lives in
// the combo: its lines, its selection and what its keys and clicks do; the window that shows it is made
// through a hook the Windows build installs, so that the combo runs and is tested without one.
// Not for: the windowed combo boxes over the system combo box.
#ifndef GRID_CONTROLS_GXCOMBOBOX_H
#define GRID_CONTROLS_GXCOMBOBOX_H

#include "GXButton.h"
#include "GXEditControl.h"

#include <vector>

enum : UINT {
  GXComboTextFit = 1,
  GXComboNoTextFit = 2,
  GXComboZeroBased = 4,
  GXComboOneBased = 8,
  GXComboDisplayChoice = 16
};

class CGXComboBox;

// The window that shows an open list: it draws the combo's lines and selection and hands clicks back
// (CGXComboBox::OnListClick); the combo deletes it when the list closes.
class CGXComboDropDownWnd {
 public:
  virtual ~CGXComboDropDownWnd() = default;
  // The lines or the selection changed.
  virtual void UpdateList() = 0;
};
// Makes the window of an open list below (or above) the cell rectangle, in grid-window coordinates.
typedef CGXComboDropDownWnd* (*GX_CREATEDROPDOWN_PROC)(CGXComboBox* pCombo, const CRect& rectCell, int nHeight);
void GXSetCreateDropDownProc(GX_CREATEDROPDOWN_PROC pfn);

class CGXComboBox : public CGXEditControl {
 public:
  CGXComboBox(CGXGridCore* pGrid, UINT nEditID, UINT nListBoxID, UINT nFlags);
  ~CGXComboBox() override;
  static const GXCONTROLCLASS classCGXComboBox;
  const GXCONTROLCLASS* GetRuntimeClass() const override { return &classCGXComboBox; }

  void SetActive(BOOL bActive) override;
  void Init(ROWCOL nRow, ROWCOL nCol) override;
  void Reset() override;
  CRect GetCellRect(ROWCOL nRow, ROWCOL nCol, const CRect* pRect = nullptr, const CGXStyle* pStyle = nullptr) override;
  CSize AddBorders(CSize size, const CGXStyle& style) override;
  CSize CalcSize(CGXTextMeasurer& m, ROWCOL nRow, ROWCOL nCol, const CGXStyle& style, BOOL bHeight) override;
  BOOL GetValue(CString& s) override;
  BOOL GetControlText(CString& s, ROWCOL nRow, ROWCOL nCol, LPCTSTR pszValue, const CGXStyle& style) override;
  BOOL ConvertControlTextToValue(CString& s, ROWCOL nRow, ROWCOL nCol, const CGXStyle* pStyle) override;
  BOOL KeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) override;
  BOOL SysKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) override;
  BOOL ReplaceSel(LPCTSTR pszText) override;
  BOOL OnClickedButton(CGXChild* pChild) override;
  BOOL HandleGridMessage(UINT nMessage) override;
  void InitChildren(ROWCOL nRow, ROWCOL nCol, const CRect& rect) override;
  BOOL ValidateText(const CString& s) override;
  using CGXControl::GetControlText;

  // The list.
  virtual void ShowDropDown(BOOL bShow);
  virtual BOOL IsDroppedDown() const { return m_bDropped; }
  virtual void SetValueFromListBox();
  virtual void FillListBox();
  // What the list reports: take the selection and close; close without taking it (keeping the edit
  // active or not); the selection moved by a key; a click on a line.
  void OnListSelect();
  void OnListClose(BOOL bKeepFocus);
  void OnListSelChange();
  void OnListClick(int nIndex);
  // A key while the list is open: TRUE when the list took it.
  BOOL ListKeyDown(UINT nChar);
  const std::vector<CString>& GetListLines() const { return m_lines; }
  int GetListSel() const { return m_nListSel; }
  // The list's height for its number of lines, at most the grid's drop-down height.
  int DropDownHeight(int nTextHeight) const;

  UINT m_nFlags;
  BOOL m_bSizeToContent = TRUE;
  CGXComboBoxButton* m_pButton;  // one of the children
  UINT m_nListBoxID;
  int m_nTextHeight = 0;

 protected:
  // The lines the list offers for the cell's style.
  virtual std::vector<CString> ListLines(const CGXStyle& style);
  // The index a list line has for a text or value, -1 for none.
  virtual int ListIndexFor(const CString& sText, BOOL bMatchText);
  virtual CString ValueOfListLine(int nIndex);

  BOOL m_bDropped = FALSE;
  std::vector<CString> m_lines;
  int m_nListSel = -1;
  CGXComboDropDownWnd* m_pDropDownWnd = nullptr;  // owned while the list is open
};

// The n-th (zero-based) tab-separated field of a line, at most nMax characters; empty when missing.
CString GXGetTabField(const CString& sLine, int n, int nMax = 127);
// The zero-based index (title line skipped) of the first line whose field nColumn equals the key, or,
// without bExact, begins with it ignoring case; -1 and an empty line when none.
int GXFindChoiceListEntry(const CString& sKey, int nColumn, const CString& sChoices, BOOL bHasTitle,
                          CString& sLine, BOOL bExact);
// The key of a typed text in a multi-column list: an entry whose text field equals the text wins over an
// earlier one that only begins with it. FALSE when no entry begins with the text.
BOOL GXTabbedKeyForText(const CString& sText, const CString& sChoices, int nKeyColumn, int nTextColumn,
                        BOOL bHasTitle, CString& sKey);

enum : WORD {
  GX_IDS_UA_TABLIST_KEYCOL = 51028,
  GX_IDS_UA_TABLIST_TEXTCOL = 51029,
  GX_IDS_UA_TABLIST_SHOWALLCOLS = 51030,
  GX_IDS_UA_TABLIST_TITLES = 51031,
  GX_IDS_UA_TABLIST_COLWIDTHS = 51032,
  GX_IDS_UA_TABLIST_SORTCOL = 51033,
  GX_IDS_UA_TABLIST_UNIQUEID = 51055
};

class CGXTabbedComboBox : public CGXComboBox {
 public:
  CGXTabbedComboBox(CGXGridCore* pGrid, UINT nEditID, UINT nListBoxID);
  static const GXCONTROLCLASS classCGXTabbedComboBox;
  const GXCONTROLCLASS* GetRuntimeClass() const override { return &classCGXTabbedComboBox; }

  void Init(ROWCOL nRow, ROWCOL nCol) override;
  CString EditTextForValue(LPCTSTR pszValue) override;
  BOOL GetValue(CString& s) override;
  BOOL GetControlText(CString& s, ROWCOL nRow, ROWCOL nCol, LPCTSTR pszValue, const CGXStyle& style) override;
  BOOL ConvertControlTextToValue(CString& s, ROWCOL nRow, ROWCOL nCol, const CGXStyle* pStyle) override;
  BOOL ValidateText(const CString& s) override;
  BOOL ValidateInput() override;
  static void AddUserAttributes(CGXStylesMap* pStylesMap);
  using CGXControl::GetControlText;

  // The column settings of a style.
  struct Columns {
    int nKey = 0, nText = 0;
    BOOL bShowAll = TRUE, bTitles = FALSE;
    int nSort = -1;
  };
  static Columns ReadColumns(const CGXStyle& style);

  // The windowed multi-column kind (ids 52539, 52540) takes the value of a typed text that only begins
  // an entry's text, as its list's search does; an entry equal to the text still comes first.
  BOOL m_bValueByPrefix = FALSE;

 protected:
  std::vector<CString> ListLines(const CGXStyle& style) override;
  int ListIndexFor(const CString& sText, BOOL bMatchText) override;
  CString ValueOfListLine(int nIndex) override;
};

#endif  // GRID_CONTROLS_GXCOMBOBOX_H
