// CEnterText: the dialog in which the user types one line of text (an annotation's text, a name
// for a setting). The caller sets the caption, the text and the length limit before DoModal and
// reads the text after IDOK.
#pragma once

#include "FrameworkWin.h"

class CEnterText : public CDialog {
  DECLARE_DYNAMIC(CEnterText)
 public:
  explicit CEnterText(CWnd* pParentWnd = nullptr);

  CString m_strCaption;  // the prompt above the edit control
  CString m_strText;     // trimmed on both sides after IDOK
  UINT m_nMaxLength = 0;  // 0: no limit

  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;
  // Blank text keeps the dialog open, with the focus in the edit control.
  void OnOK() override;
};
