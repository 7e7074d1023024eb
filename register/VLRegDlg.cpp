// VLReg's dialog. It looks for Vellview.exe beside this program before it shows itself, keeps
// the Other box in step with the typed extension, and on OK writes the registration plan to
// HKEY_CLASSES_ROOT and tells the outcome in a message box.
#include "VLRegDlg.h"

#include "RegistryWriter.h"
#include "resource.h"

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX) {}

BEGIN_MESSAGE_MAP(CVLRegDlg, CDialog)
  ON_WM_SYSCOMMAND()
  ON_WM_PAINT()
  ON_MESSAGE(WM_QUERYDRAGICON, OnQueryDragIcon)
  ON_EN_CHANGE(IDC_OTHER_TYPE, OnChangeOtherType)
END_MESSAGE_MAP()

CVLRegDlg::CVLRegDlg(CWnd* pParent)
    : CDialog(IDD_VLREG_DIALOG, pParent),
      m_bCal(TRUE),
      m_bDwg(TRUE),
      m_bDxf(TRUE),
      m_bTif(TRUE),
      m_bOther(FALSE),
      m_hIcon(AfxGetApp()->LoadIcon(IDR_MAINFRAME)) {}

void CVLRegDlg::DoDataExchange(CDataExchange* pDX) {
  DDX_Check(pDX, IDC_CAL, m_bCal);
  DDX_Check(pDX, IDC_DWG, m_bDwg);
  DDX_Check(pDX, IDC_DXF, m_bDxf);
  DDX_Check(pDX, IDC_TIF, m_bTif);
  DDX_Check(pDX, IDC_OTHER, m_bOther);
  DDX_Text(pDX, IDC_OTHER_TYPE, m_strOther);
  DDV_MaxChars(pDX, m_strOther, 3);
}

BOOL CVLRegDlg::OnInitDialog() {
  CDialog::OnInitDialog();

  CMenu* pSysMenu = GetSystemMenu(FALSE);
  CString strAboutMenu;
  if (pSysMenu && strAboutMenu.LoadString(IDS_ABOUTBOX) && !strAboutMenu.IsEmpty()) {
    pSysMenu->AppendMenu(MF_SEPARATOR);
    pSysMenu->AppendMenu(MF_STRING, IDM_ABOUTBOX, strAboutMenu);
  }
  SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
  SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

  {
    CWaitCursor wait;
    m_strMainProgram = FindMainProgram();
  }
  if (m_strMainProgram.IsEmpty()) {
    // Nothing to register: the dialog closes before it is ever shown.
    AfxMessageBox(IDS_VLREG_NOT_FOUND, MB_OK | MB_ICONSTOP);
    OnCancel();
    return TRUE;
  }
  UpdateData(FALSE);
  return TRUE;
}

void CVLRegDlg::OnSysCommand(UINT nID, LPARAM lParam) {
  if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
    CAboutDlg dlgAbout;
    dlgAbout.DoModal();
  } else {
    CDialog::OnSysCommand(nID, lParam);
  }
}

void CVLRegDlg::OnPaint() {
  if (!IsIconic()) {
    CDialog::OnPaint();
    return;
  }
  CPaintDC dc(this);
  SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.m_hDC), 0);
  const int cxIcon = ::GetSystemMetrics(SM_CXICON);
  const int cyIcon = ::GetSystemMetrics(SM_CYICON);
  CRect rect;
  GetClientRect(&rect);
  dc.DrawIcon((rect.Width() - cxIcon + 1) / 2, (rect.Height() - cyIcon + 1) / 2, m_hIcon);
}

LRESULT CVLRegDlg::OnQueryDragIcon(WPARAM, LPARAM) { return reinterpret_cast<LRESULT>(m_hIcon); }

void CVLRegDlg::OnChangeOtherType() {
  // Typing a type checks Other, emptying the field clears it; blanks at either end go at once.
  UpdateData(TRUE);
  m_strOther.TrimLeft();
  m_strOther.TrimRight();
  m_bOther = m_strOther.IsEmpty() ? FALSE : TRUE;
  UpdateData(FALSE);
}

void CVLRegDlg::OnOK() {
  // A field the exchange refuses (a text longer than the field takes, put there other than by
  // typing) has been told; the user corrects it before anything is written.
  if (!UpdateData(TRUE)) return;
  m_strOther = PrepareOtherExtension(m_strOther);
  if (m_bOther && !m_strOther.IsEmpty() && !IsFileExtension(m_strOther)) {
    CString text;
    AfxFormatString1(text, IDS_VLREG_BAD_EXTENSION, m_strOther);
    AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION);
    GotoDlgCtrl(GetDlgItem(IDC_OTHER_TYPE));
    return;
  }

  RegistrationOutcome outcome;
  {
    CWaitCursor wait;
    outcome = Register(m_strMainProgram);
  }
  const RegistrationMessage message = MessageForOutcome(outcome);
  CString text;
  AfxFormatString1(text, message.nIDPrompt, message.strInsert);
  AfxMessageBox(text, MB_OK | (message.icon == MessageIcon::Stop ? MB_ICONSTOP : MB_ICONEXCLAMATION));
  CDialog::OnOK();
}

RegistrationOutcome CVLRegDlg::Register(CString strMainProgram) {
  VLRegChoices choices;
  choices.bCal = m_bCal;
  choices.bDwg = m_bDwg;
  choices.bDxf = m_bDxf;
  choices.bTif = m_bTif;
  choices.bOther = m_bOther;
  choices.strOther = m_strOther;
  std::vector<RegWrite> plan;
  if (!BuildRegistrationPlan(strMainProgram, choices, plan)) {
    // An extension that is none writes nothing at all.
    return RegistrationOutcome{RegistrationResult::Failed, {}};
  }
  CRegistryWriter writer;
  return RunRegistrationPlan(plan, writer);
}

CString CVLRegDlg::FindMainProgram() {
  CString path = GetPathBesideProgram(kMainProgramName);
  CFileStatus status;
  if (path.IsEmpty() || !CFile::GetStatus(path, status)) return CString();
  return path;
}

CString GetPathBesideProgram(LPCSTR lpszFileName) {
  char module[MAX_PATH] = "";
  const DWORD n = ::GetModuleFileNameA(AfxGetInstanceHandle(), module, sizeof module);
  // A cut-off name does not name this program's folder.
  if (n == 0 || n >= sizeof module) return CString();
  return PathBesideModule(module, lpszFileName);
}
