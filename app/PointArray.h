// CPolygon and CPolyPolygon: integer point lists in document coordinates. A CPolygon is a
// polyline or closed polygon (freehand and polygon annotations, measured clicks); a CPolyPolygon
// combines polygons by union and difference (the raster selection). Both report bounds, area and
// length and serialise themselves in the framework archive.
// Not for: converting into the annotation set's length units (that needs the set's scale).
// The region operations need the window system and exist in the Windows build only.
#ifndef APP_POINTARRAY_H
#define APP_POINTARRAY_H

#include <memory>
#include <vector>

#include "Array.h"
#include "Object.h"
#include "Point.h"
#include "Rect.h"

class CRgn;

class CPolygon : public CObject {
  DECLARE_SERIAL(CPolygon)
 public:
  CPolygon() = default;
  CPolygon(const CPolygon& other);
  CPolygon& operator=(const CPolygon& other) {
    Copy(other);
    return *this;
  }
  void Copy(const CPolygon& other);

  int GetSize() const { return m_points.GetSize(); }
  // (0, 0) for an index outside the list.
  CPoint GetAt(int nIndex) const;
  void Add(int x, int y) { m_points.Add(CPoint(x, y)); }
  // A negative index is ignored.
  void SetAtGrow(int nIndex, int x, int y);
  // An index outside the list is ignored.
  void RemoveAt(int nIndex);
  void RemoveAll() { m_points.RemoveAll(); }
  void AddRect(int left, int top, int right, int bottom);
  const CPoint* GetData() const { return m_points.GetData(); }

  // (INT_MAX, INT_MAX, INT_MIN, INT_MIN) for an empty list, so a union with it is the other.
  CRect GetBounds() const;
  // Shoelace area of the points taken as a closed polygon, whatever the winding.
  double GetRawArea() const;
  // Closed length; each segment's signed differences are taken plus one unit.
  double GetRawLength() const;

  // A new region (owned by the caller) over the points scaled by 1 / step from the origin,
  // alternate fill. Windows build only.
  CRgn* CreateRegion(int nOriginX, int nOriginY, double dStep) const;

  void Serialize(CArchive& ar) override;

 private:
  CArray<CPoint, CPoint> m_points;
};

class CPolyPolygon : public CObject {
  DECLARE_SERIAL(CPolyPolygon)
 public:
  enum { combineUnion = 1, combineDifference = 2 };

  CPolyPolygon() = default;
  ~CPolyPolygon() override;

  int GetSize() const { return (int)m_polygons.size(); }
  // No range check, as callers walk 0 .. GetSize() - 1.
  CPolygon& GetAt(int nIndex) { return *m_polygons[(size_t)nIndex]; }
  const CPolygon& GetAt(int nIndex) const { return *m_polygons[(size_t)nIndex]; }
  // The combine value of polygon nIndex; 0 out of range. Polygon 0's value is not used.
  UINT GetValue(int nIndex) const;
  void Add(const CPolygon& polygon, UINT nValue);
  void RemoveAll();

  CRect GetBounds() const;
  // One polygon: its own area. Several: counted on a grid of about 10000 cells along the longer
  // side of the bounds, filled by the alternate rule as the window system fills regions.
  double GetRawArea() const;
  double GetRawLength() const;

  // Polygon 0, then each further polygon joined (value 1) or cut out (value 2). Windows only.
  CRgn* CreateRegion(int nOriginX, int nOriginY, double dStep) const;

  void Serialize(CArchive& ar) override;

 private:
  std::vector<std::unique_ptr<CPolygon>> m_polygons;
  CUIntArray m_values;
};

#endif  // APP_POINTARRAY_H
