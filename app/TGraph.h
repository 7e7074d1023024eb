// CTGraph: the mapping between the three integer spaces of one view. Document coordinates are
// where annotations, measured points and the zoom rectangle live (a unit is 1/10000 mm of the
// sheet); client coordinates are pixels of the view window or of the printer page; image
// coordinates are pixels of the document's raster. The view owns one, and everything that turns a
// mouse position into a stored point, or a stored point into a pixel, goes through it.
// Not for: drawing itself (it only remembers the device context drawing code uses at the moment).
#ifndef APP_TGRAPH_H
#define APP_TGRAPH_H

#include "FrameworkTypes.h"
#include "Point.h"

class CDC;

class CTGraph {
 public:
  CTGraph() = default;
  CTGraph(int nImageWidth, int nImageHeight, double dImageScale);
  virtual ~CTGraph();

  CTGraph(const CTGraph&) = delete;
  CTGraph& operator=(const CTGraph&) = delete;

  void SetDC(CDC* pDC) { m_pDC = pDC; }
  CDC* GetDC() const { return m_pDC; }

  // Whole document units per pixel, so that the document rectangle fits the client rectangle,
  // centred along the axis that does not limit. A fit that would need less than one unit per
  // pixel (or an empty rectangle) keeps the mapping that was in force.
  void Fit(const RECT& client, const RECT& document, double dAspect);

  CPoint DocToClient(int x, int y) const;
  CPoint ClientToDoc(int x, int y) const;
  // Clamped to 0 .. image width and 0 .. image height (the width itself is a valid result).
  CPoint DocToImage(int x, int y) const;
  CPoint ImageToDoc(int x, int y) const;

  // A stack of saved states: the view pushes before printing and pops afterwards.
  void Push();
  void Pop();

  double GetImageScale() const { return m_dImageScale; }
  int GetImageWidth() const { return m_nImageWidth; }
  int GetImageHeight() const { return m_nImageHeight; }
  int GetFactorX() const { return m_nFactorX; }
  int GetFactorY() const { return m_nFactorY; }
  int GetOffsetX() const { return m_nOffsetX; }
  int GetOffsetY() const { return m_nOffsetY; }

 private:
  void CopyStateFrom(const CTGraph& other);

  CDC* m_pDC = nullptr;  // borrowed: the context of the paint or print in progress
  double m_dImageScale = 1.0;
  int m_nImageWidth = 0;
  int m_nImageHeight = 0;
  // Before the first Fit a unit is a pixel, so a conversion never divides by zero.
  int m_nFactorX = 1;
  int m_nFactorY = 1;
  int m_nOffsetX = 0;
  int m_nOffsetY = 0;
  CTGraph* m_pSaved = nullptr;  // owned: top of the saved copies, each owning the one below
};

#endif  // APP_TGRAPH_H
