// The properties dialog and the text dialog of annotation objects, and the properties command of
// every kind.
#include "AnnDialogs.h"

#include <commctrl.h>
#include <dlgs.h>

#include <cmath>
#include <cstring>

#include "AnnDlgFields.h"
#include "AnnResource.h"
#include "AnnotateWin.h"
#include "Units.h"
#include "VLRApp.h"

static_assert(sizeof(LOGFONTA) == sizeof(AnnLogFont), "a text's font is a LOGFONTA");

namespace {

LOGFONTA ToLogFont(const AnnLogFont& font) {
  LOGFONTA lf;
  std::memcpy(&lf, &font, sizeof lf);
  lf.lfFaceName[sizeof lf.lfFaceName - 1] = '\0';
  return lf;
}

void InvalidateSwatch(HWND hDlg) { ::InvalidateRect(::GetDlgItem(hDlg, IDC_ANN_SWATCH), nullptr, TRUE); }

BOOL ChooseColour(CWnd* pParent, COLORREF& crColour) {
  CColorDialog dlg(crColour, 0, pParent);
  if (dlg.DoModal() != IDOK) return FALSE;
  crColour = dlg.GetColor();
  return TRUE;
}

// The system's font dialog still lists sizes with CF_NOSIZESEL; a text's size comes from its
// height, so the size list and its label are hidden rather than offered and ignored.
UINT_PTR CALLBACK HideFontSizeHook(HWND hDlg, UINT message, WPARAM, LPARAM) {
  if (message == WM_INITDIALOG) {
    for (int nId : {cmb3, stc3}) {
      if (HWND hItem = ::GetDlgItem(hDlg, nId)) ::ShowWindow(hItem, SW_HIDE);
    }
    return TRUE;
  }
  return FALSE;
}

}  // namespace

void AnnDrawSwatch(LPDRAWITEMSTRUCT pItem, COLORREF crColour) {
  RECT rc = pItem->rcItem;
  ::DrawEdge(pItem->hDC, &rc, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
  HBRUSH hBrush = ::CreateSolidBrush(crColour);
  ::FillRect(pItem->hDC, &rc, hBrush);
  ::DeleteObject(hBrush);
}

// --- colour and fill -----------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CAnnPropDlg, CDialog)
  ON_BN_CLICKED(IDC_ANN_SELECT_COLOUR, OnSelectColour)
  ON_WM_DRAWITEM()
END_MESSAGE_MAP()

CAnnPropDlg::CAnnPropDlg(COLORREF crColour, int nFillStyle, BOOL bFill, CWnd* pParent)
    : CDialog(IDD_ANN_PROPS, pParent), m_crColour(crColour), m_nFillStyle(nFillStyle), m_bFill(bFill) {}

BOOL CAnnPropDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  const int nRadio = FillRadioOfStyle(m_nFillStyle);
  if (nRadio >= 0) ::CheckRadioButton(m_hWnd, IDC_ANN_FILL_FIRST, IDC_ANN_FILL_LAST, IDC_ANN_FILL_FIRST + nRadio);
  for (int nId = IDC_ANN_FILL_FIRST; nId <= IDC_ANN_FILL_LAST; ++nId)
    ::EnableWindow(::GetDlgItem(m_hWnd, nId), m_bFill);
  return TRUE;
}

void CAnnPropDlg::OnOK() {
  if (m_bFill) {
    int nChecked = -1;
    for (int nId = IDC_ANN_FILL_FIRST; nId <= IDC_ANN_FILL_LAST; ++nId)
      if (::IsDlgButtonChecked(m_hWnd, nId) == BST_CHECKED) nChecked = nId - IDC_ANN_FILL_FIRST;
    m_nFillStyle = FillStyleOfRadio(nChecked, m_nFillStyle);
  }
  EndDialog(IDOK);
}

void CAnnPropDlg::OnSelectColour() {
  if (ChooseColour(this, m_crColour)) InvalidateSwatch(m_hWnd);
}

void CAnnPropDlg::OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct) {
  if (nIDCtl == IDC_ANN_SWATCH) AnnDrawSwatch(lpDrawItemStruct, m_crColour);
}

// --- text ----------------------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CAnnTextDlg, CDialog)
  ON_BN_CLICKED(IDC_ANN_SELECT_FONT, OnSelectFont)
  ON_BN_CLICKED(IDC_ANN_CHANGE_COLOUR, OnChangeColour)
  ON_EN_CHANGE(IDC_ANN_HEIGHT, OnHeightChange)
  ON_EN_KILLFOCUS(IDC_ANN_HEIGHT, OnHeightKillFocus)
  ON_NOTIFY(UDN_DELTAPOS, IDC_ANN_HEIGHT_SPIN, OnHeightSpin)
  ON_WM_DRAWITEM()
END_MESSAGE_MAP()

CAnnTextDlg::CAnnTextDlg(LPCSTR lpszText, const AnnLogFont& font, int nHeight, COLORREF crColour, CWnd* pParent)
    : CDialog(IDD_ANN_TEXT, pParent),
      m_strText(lpszText),
      m_font(font),
      m_nHeight(ClampTextHeight(nHeight)),
      m_crColour(crColour) {}

CAnnTextDlg::~CAnnTextDlg() {
  if (m_hEditFont) ::DeleteObject(m_hEditFont);
}

BOOL CAnnTextDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  ::SetDlgItemTextA(m_hWnd, IDC_ANN_TEXT, m_strText);
  ShowFont();
  const HWND hSpin = ::GetDlgItem(m_hWnd, IDC_ANN_HEIGHT_SPIN);
  ::SendMessageA(hSpin, UDM_SETRANGE32, kTextHeightMin, kTextHeightMax);
  ::SendMessageA(hSpin, UDM_SETPOS32, 0, m_nHeight);
  // The control's usual acceleration (1, after two seconds 5, after five 20), each increment
  // times the unit's step, so a height in metres does not creep by millimetres.
  UDACCEL accel[] = {{0, 1}, {2, 5}, {5, 20}};
  for (UDACCEL& a : accel) a.nInc = ScaleSpinIncrement(a.nInc, GetUnitStep());
  ::SendMessageA(hSpin, UDM_SETACCEL, sizeof accel / sizeof accel[0], (LPARAM)accel);
  ShowHeight();
  return TRUE;
}

void CAnnTextDlg::ShowFont() {
  ::SetDlgItemTextA(m_hWnd, IDC_ANN_FONT_NAME, DescribeFont(m_font));
  // The text in its own face, a little larger than the dialog's font so the face shows.
  HFONT hDialogFont = (HFONT)::SendMessageA(m_hWnd, WM_GETFONT, 0, 0);
  if (!hDialogFont) hDialogFont = (HFONT)::GetStockObject(DEFAULT_GUI_FONT);
  LOGFONTA dialogFont = {};
  ::GetObjectA(hDialogFont, sizeof dialogFont, &dialogFont);
  LOGFONTA lf = ToLogFont(m_font);
  lf.lfHeight = (LONG)std::lround(dialogFont.lfHeight * 1.2);
  lf.lfWidth = 0;
  HFONT hFont = ::CreateFontIndirectA(&lf);
  ::SendDlgItemMessageA(m_hWnd, IDC_ANN_TEXT, WM_SETFONT, (WPARAM)hFont, TRUE);
  if (m_hEditFont) ::DeleteObject(m_hEditFont);
  m_hEditFont = hFont;
}

void CAnnTextDlg::ShowHeight() {
  m_bShowingHeight = TRUE;
  ::SetDlgItemTextA(m_hWnd, IDC_ANN_HEIGHT, FormatLength(m_nHeight, TRUE, -1));
  m_bShowingHeight = FALSE;
  m_bHeightTyped = FALSE;
}

void CAnnTextDlg::TakeTypedHeight() {
  if (!m_bHeightTyped) return;
  char text[64] = {};
  ::GetDlgItemTextA(m_hWnd, IDC_ANN_HEIGHT, text, sizeof text);
  m_nHeight = ParseTextHeight(text, m_nHeight);
  ::SendDlgItemMessageA(m_hWnd, IDC_ANN_HEIGHT_SPIN, UDM_SETPOS32, 0, m_nHeight);
  m_bHeightTyped = FALSE;
}

void CAnnTextDlg::OnHeightChange() {
  if (!m_bShowingHeight) m_bHeightTyped = TRUE;
}

void CAnnTextDlg::OnHeightKillFocus() {
  if (!m_bHeightTyped) return;
  TakeTypedHeight();
  ShowHeight();
}

// The dialog moves the value itself: the field may hold a height typed since the last press,
// which the press must start from.
void CAnnTextDlg::OnHeightSpin(NMHDR* pNotify, LRESULT* pResult) {
  TakeTypedHeight();
  const NMUPDOWN* pUpDown = reinterpret_cast<const NMUPDOWN*>(pNotify);
  m_nHeight = ClampTextHeight((double)m_nHeight + pUpDown->iDelta);
  ::SendDlgItemMessageA(m_hWnd, IDC_ANN_HEIGHT_SPIN, UDM_SETPOS32, 0, m_nHeight);
  ShowHeight();
  *pResult = 1;
}

void CAnnTextDlg::OnSelectFont() {
  LOGFONTA lf = ToLogFont(m_font);
  CFontDialog dlg(&lf, CF_SCREENFONTS | CF_NOSIZESEL, nullptr, this);
  dlg.m_cf.Flags |= CF_ENABLEHOOK;
  dlg.m_cf.lpfnHook = &HideFontSizeHook;
  if (dlg.DoModal() != IDOK) return;
  // The size is no choice here: the text's height sets it when the text is drawn.
  LOGFONTA chosen = dlg.m_lf;
  chosen.lfHeight = lf.lfHeight;
  std::memcpy(&m_font, &chosen, sizeof m_font);
  ShowFont();
}

void CAnnTextDlg::OnChangeColour() {
  if (ChooseColour(this, m_crColour)) InvalidateSwatch(m_hWnd);
}

void CAnnTextDlg::OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct) {
  if (nIDCtl == IDC_ANN_SWATCH) AnnDrawSwatch(lpDrawItemStruct, m_crColour);
}

void CAnnTextDlg::OnOK() {
  TakeTypedHeight();
  const HWND hText = ::GetDlgItem(m_hWnd, IDC_ANN_TEXT);
  const int nLength = ::GetWindowTextLengthA(hText);
  if (nLength <= 0) {
    ::MessageBeep(MB_ICONEXCLAMATION);
    ::SetFocus(hText);
    return;
  }
  CString text;
  ::GetWindowTextA(hText, text.GetBuffer(nLength + 1), nLength + 1);
  text.ReleaseBuffer();
  m_strText = text;
  EndDialog(IDOK);
}

// --- the properties command ----------------------------------------------------------------------

BOOL AnnEditProperties(CAnnObj& obj, CWnd* pParent) {
  if (obj.GetKind() == CAnnObj::kindText) {
    CAnnText& text = static_cast<CAnnText&>(obj);
    CAnnTextDlg dlg(text.m_strText, text.m_logFont, text.m_nHeight, text.m_crColour, pParent);
    if (dlg.DoModal() != IDOK) return FALSE;
    text.SetProperties(dlg.m_strText, dlg.m_font, dlg.m_nHeight, dlg.m_crColour);
    // The next new text takes the height last chosen.
    CVLRApp* app = GetVLRApp();
    if (app && app->m_pConfig) app->m_pConfig->m_nTextHeight = dlg.m_nHeight;
    return TRUE;
  }
  const BOOL bFill = obj.GetKind() != CAnnObj::kindLine && obj.GetKind() != CAnnObj::kindFreehand;
  CAnnPropDlg dlg(obj.m_crColour, obj.m_nFillStyle, bFill, pParent);
  if (dlg.DoModal() != IDOK) return FALSE;
  obj.m_crColour = dlg.m_crColour;
  obj.m_nFillStyle = dlg.m_nFillStyle;
  return TRUE;
}
