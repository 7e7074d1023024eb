// CDPensize: the pen-width table, the printed width of each of the 255 pens
// (numbered as the drawing's colours), edited in place in a list, loaded from
// and saved to pen files, and written to the profile's "Penlist1" and
// "Penlist2" on OK. Not for: drawing with the widths (the drawing wrapper's pen
// table reads the profile).
#pragma once

#include "FrameworkWin.h"
#include "model/PrintModel.h"

class CDPensize : public CDialog {
  DECLARE_DYNAMIC(CDPensize)
 public:
  explicit CDPensize(CWnd* pParentWnd = nullptr);

  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnOpen();
  void OnSave();
  void OnEndLabelEdit(NMHDR* pNMHDR, LRESULT* pResult);

  // Reads and writes the pen files; FALSE when the file cannot be opened.
  BOOL LoadPenFile(LPCSTR lpszPath);
  BOOL SavePenFile(LPCSTR lpszPath) const;

  CPenWidthList m_widths;

  DECLARE_MESSAGE_MAP()

 private:
  void FillList();
  CListCtrl m_list;
};
