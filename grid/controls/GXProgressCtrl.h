// The progress-bar cell: the value between a lower and an upper bound (user attributes 51025, 51026) as a
// filled part of the cell, with a caption formatted from the value (51027). Stored values are kept inside
// the bounds.
// Not for: anything editable.
#ifndef GRID_CONTROLS_GXPROGRESSCTRL_H
#define GRID_CONTROLS_GXPROGRESSCTRL_H

#include "GXGridCore.h"

enum : WORD { GX_IDS_UA_PROGRESS_LOW = 51025, GX_IDS_UA_PROGRESS_HIGH = 51026, GX_IDS_UA_PROGRESS_CAPTION = 51027 };

// The width of the filled part for a value in a cell of nWidth pixels. Equal or reversed bounds give an
// empty bar, or a full one when the value is the upper bound; never a division by zero.
int GXProgressFilledWidth(long nValue, long nLower, long nUpper, int nWidth);
// A caption format with its one number: "%d" (and "%%") only, so that a stored caption cannot make the
// formatting read arguments that are not there.
CString GXFormatProgressCaption(const CString& sFormat, long nValue);

class CGXProgressCtrl : public CGXControl {
 public:
  explicit CGXProgressCtrl(CGXGridCore* pGrid) : CGXControl(pGrid) {}
  static const GXCONTROLCLASS classCGXProgressCtrl;
  const GXCONTROLCLASS* GetRuntimeClass() const override { return &classCGXProgressCtrl; }

  void Draw(CGXGridSurface& surface, const CRect& rect, ROWCOL nRow, ROWCOL nCol, const CGXStyle& style) override;
  BOOL StoreStyle(ROWCOL nRow, ROWCOL nCol, const CGXStyle* pStyle, int nMode, int nType,
                  const CGXStyle* pCellStyle) override;

  virtual CString GetProgressText(ROWCOL nRow, ROWCOL nCol, const CGXStyle& style);
  virtual DWORD GetBarColor(BOOL bFilled, const CGXStyle& style);
  virtual DWORD GetCaptionColor(BOOL bFilled, const CGXStyle& style);
  static void AddUserAttributes(CGXStylesMap* pStylesMap);

  double m_dScale = 1.0;
};

#endif  // GRID_CONTROLS_GXPROGRESSCTRL_H
