// The pen-width dialog: the list of 255 widths, their in-place editing, pen
// files and the profile's pen lists.
#include "DPensize.h"

#include <cstdio>
#include <vector>

#include "resource.h"

IMPLEMENT_DYNAMIC(CDPensize, CDialog)

BEGIN_MESSAGE_MAP(CDPensize, CDialog)
ON_COMMAND(IDC_PENSIZE_OPEN, OnOpen)
ON_COMMAND(IDC_PENSIZE_SAVE, OnSave)
ON_NOTIFY(LVN_ENDLABELEDITA, IDC_PENSIZE_LIST, OnEndLabelEdit)
END_MESSAGE_MAP()

namespace {
const char kSection[] = "ProgramDefault";
const char kFilter[] = "Pen files (*.pen)|*.pen||";
}  // namespace

CDPensize::CDPensize(CWnd* pParentWnd) : CDialog(IDD_PENSIZE, pParentWnd) {
  CWinApp* app = AfxGetApp();
  if (app)
    m_widths.ReadProfile(app->GetProfileString(kSection, "Penlist1", ""),
                         app->GetProfileString(kSection, "Penlist2", ""));
}

BOOL CDPensize::OnInitDialog() {
  CWaitCursor wait;
  CDialog::OnInitDialog();
  m_list.SubclassDlgItem(IDC_PENSIZE_LIST, this);
  CString thickness, colour;
  thickness.LoadString(IDS_PENSIZE_THICKNESS);
  colour.LoadString(IDS_PENSIZE_COLOR);
  m_list.InsertColumn(0, thickness, LVCFMT_LEFT, 110);
  m_list.InsertColumn(1, colour, LVCFMT_LEFT, 60);
  FillList();
  CenterWindow();
  return TRUE;
}

void CDPensize::FillList() {
  m_list.DeleteAllItems();
  for (int pen = 1; pen <= kPenCount; ++pen) {
    const int item = m_list.InsertItem(pen - 1, FormatPenWidth(m_widths.GetWidth(pen)));
    CString number;
    number.Format("%d", pen);
    m_list.SetItemText(item, 1, number);
  }
}

// A width that is no number, not above 0 or too wide for the profile's two hex
// digits is refused: the row keeps its old width.
void CDPensize::OnEndLabelEdit(NMHDR* pNMHDR, LRESULT* pResult) {
  const NMLVDISPINFOA* info = reinterpret_cast<const NMLVDISPINFOA*>(pNMHDR);
  *pResult = FALSE;
  int32_t width = 0;
  const int pen = info->item.iItem + 1;
  if (!info->item.pszText || pen < 1 || pen > kPenCount || !ParsePenWidth(info->item.pszText, &width)) return;
  m_widths.SetWidth(pen, width);
  m_list.SetItemText(info->item.iItem, 0, FormatPenWidth(width));
}

BOOL CDPensize::LoadPenFile(LPCSTR lpszPath) {
  FILE* f = fopen(lpszPath, "rb");
  if (!f) return FALSE;
  // 255 lines of a width each: a few kilobytes at most are read.
  std::vector<char> text(16384);
  const size_t n = fread(text.data(), 1, text.size() - 1, f);
  fclose(f);
  text[n] = '\0';
  if (m_widths.ReadPenFile(text.data()) && m_list.m_hWnd) FillList();
  return TRUE;
}

BOOL CDPensize::SavePenFile(LPCSTR lpszPath) const {
  FILE* f = fopen(lpszPath, "w");
  if (!f) return FALSE;
  const CString text = m_widths.FormatPenFile();
  const bool ok = fwrite((LPCSTR)text, 1, (size_t)text.GetLength(), f) == (size_t)text.GetLength();
  return fclose(f) == 0 && ok;
}

void CDPensize::OnOpen() {
  CFileDialog dlg(TRUE, "pen", nullptr, OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY, kFilter, this);
  if (dlg.DoModal() == IDOK) LoadPenFile(dlg.GetPathName());
}

void CDPensize::OnSave() {
  CFileDialog dlg(FALSE, "pen", nullptr, OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY, kFilter, this);
  if (dlg.DoModal() == IDOK) SavePenFile(dlg.GetPathName());
}

void CDPensize::OnOK() {
  if (CWinApp* app = AfxGetApp()) {
    app->WriteProfileString(kSection, "Penlist1", m_widths.GetPenlist1());
    app->WriteProfileString(kSection, "Penlist2", m_widths.GetPenlist2());
  }
  CDialog::OnOK();
}
