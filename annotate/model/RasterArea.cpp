// The raster selection's modifier rule and its measures.
#include "RasterArea.h"

#include "PointArray.h"
#include "Units.h"
#include "Vlr.h"

BOOL RasAreaKeepsSelection(BOOL bShift, BOOL bCtrl) { return bShift || bCtrl; }

UINT RasAreaCombineValue(BOOL bCtrl, const CPolyPolygon* pSelection) {
  const BOOL bHasMembers = pSelection && pSelection->GetSize() > 0;
  return bCtrl && bHasMembers ? CPolyPolygon::combineDifference : CPolyPolygon::combineUnion;
}

CPolyPolygon* RasAreaAddShape(CPolyPolygon* pSelection, const CPolygon& shape, BOOL bCtrl) {
  const UINT nValue = RasAreaCombineValue(bCtrl, pSelection);
  if (!pSelection) pSelection = new CPolyPolygon;
  pSelection->Add(shape, nValue);
  return pSelection;
}

CString RasAreaStatusText(const CPolyPolygon& selection, const CRasAreaScale& scale) {
  const double dFirst = scale.pSet ? scale.pSet->m_dScaleFirst : 1.0;
  const double dSecond = scale.pSet ? scale.pSet->m_dScaleSecond : 1.0;
  const int nUnit = scale.pSet ? scale.pSet->m_nScaleUnit : 0;
  const double dBaseArea = selection.GetRawArea() / scale.dImageScale / scale.dImageScale;
  const double dBaseLength = selection.GetRawLength() / scale.dImageScale;
  const double dMm2 = scale.bDrawing ? BaseAreaToTrueMm2(dBaseArea, dFirst, dSecond, nUnit)
                                     : BaseAreaToTrueMm2(dBaseArea, dFirst, dSecond, nUnit, scale.dDpi);
  const double dMm = scale.bDrawing ? BaseToTrueMm(dBaseLength, dFirst, dSecond, nUnit)
                                    : BaseToTrueMm(dBaseLength, dFirst, dSecond, nUnit, scale.dDpi);
  CString area, perimeter;
  area.Format("%.1lf", dMm2 / 1000000.0);
  perimeter.Format("%.1lf", dMm / 1000.0);
  return "Area: " + area + "\xB2, Perimeter: " + perimeter;
}
