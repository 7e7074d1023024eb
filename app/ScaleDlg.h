// CScale: the "Original scale" dialog, where the user types the drawing scale first : second and,
// for a vector drawing, the unit its numbers are in. The document's Tools/Scale command and the
// scale check tool (to review what it just computed) open it over the annotation set's scale.
// Not for: computing a scale from two points (the scale check tool).
#pragma once

#include "FrameworkWin.h"

class CScale : public CDialog {
  DECLARE_DYNAMIC(CScale)
 public:
  // Each number of the scale is taken from 1 to 100000 only.
  static constexpr double kMinNumber = 1.0;
  static constexpr double kMaxNumber = 100000.0;

  explicit CScale(CWnd* pParentWnd = nullptr);

  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;

  // "first : second " and, with a unit, its name.
  CString GetScaleText() const;

  double m_dFirst = 1.0;
  double m_dSecond = 1.0;
  int m_nUnit = -1;  // -1: the scale has no unit (a raster), and the unit list is not shown
};
