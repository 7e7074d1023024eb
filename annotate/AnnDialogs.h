// The dialogs an annotation object is edited in: CAnnPropDlg takes the colour and the fill style
// of a line, rectangle, circle, polygon or freehand stroke; CAnnTextDlg ("Enter annotation text")
// takes a text, its font, its height in true millimetres and its colour. Both change nothing
// before OK; the caller reads their members then.
// Not for: the layer dialogs (AnnLayerDlgs.h), storing the values into an object (AnnotateWin.h).
#pragma once

#include "AnnObj.h"
#include "FrameworkWin.h"

// A colour swatch button's face: the colour inside a sunken frame of the system's highlight and
// shadow colours.
void AnnDrawSwatch(LPDRAWITEMSTRUCT pItem, COLORREF crColour);

class CAnnPropDlg : public CDialog {
 public:
  // Without bFill the fill radios are disabled: a line or a stroke has no area to fill.
  CAnnPropDlg(COLORREF crColour, int nFillStyle, BOOL bFill, CWnd* pParent);
  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnSelectColour();
  void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct);

  COLORREF m_crColour;
  int m_nFillStyle;

  DECLARE_MESSAGE_MAP()

 private:
  BOOL m_bFill;
};

class CAnnTextDlg : public CDialog {
 public:
  CAnnTextDlg(LPCSTR lpszText, const AnnLogFont& font, int nHeight, COLORREF crColour, CWnd* pParent);
  ~CAnnTextDlg() override;
  BOOL OnInitDialog() override;
  // An empty text keeps the dialog open: it would make an object nobody can see or hit.
  void OnOK() override;
  void OnSelectFont();
  void OnChangeColour();
  void OnHeightChange();
  void OnHeightKillFocus();
  void OnHeightSpin(NMHDR* pNotify, LRESULT* pResult);
  void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct);

  CString m_strText;
  AnnLogFont m_font;
  int m_nHeight;  // true millimetres, within the spin's range
  COLORREF m_crColour;

  DECLARE_MESSAGE_MAP()

 private:
  void ShowFont();
  void ShowHeight();
  // A height the user typed replaces the spin's value.
  void TakeTypedHeight();

  HFONT m_hEditFont = nullptr;  // owned: the text field's font
  BOOL m_bHeightTyped = FALSE;
  BOOL m_bShowingHeight = FALSE;
};
