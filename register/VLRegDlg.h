// VLReg's dialog: the file types to register, the lookup of Vellview.exe beside this program,
// the registration itself and the message that tells how it went; and its About box.
#pragma once

#include "FrameworkWin.h"
#include "RegistrationPlan.h"

class CAboutDlg : public CDialog {
 public:
  CAboutDlg();
};

class CVLRegDlg : public CDialog {
 public:
  explicit CVLRegDlg(CWnd* pParent = nullptr);

  int m_bCal;
  int m_bDwg;
  int m_bDxf;
  int m_bTif;
  int m_bOther;
  CString m_strOther;
  HICON m_hIcon;  // shared: an icon of the program's resources, never destroyed
  CString m_strMainProgram;

  // The full path of Vellview.exe in this program's folder, or an empty text when it is not there.
  static CString FindMainProgram();
  // Writes the registration of the main program at that path for the chosen types.
  RegistrationOutcome Register(CString strMainProgram);

  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnSysCommand(UINT nID, LPARAM lParam);
  void OnPaint();
  LRESULT OnQueryDragIcon(WPARAM, LPARAM);
  void OnChangeOtherType();

  DECLARE_MESSAGE_MAP()
};

// This program's folder, with its closing backslash, joined with the file name.
CString GetPathBesideProgram(LPCSTR lpszFileName);
