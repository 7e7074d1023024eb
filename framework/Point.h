// CSize and CPoint: a 2-D extent and a position in LONG coordinates over the platform's SIZE and
// POINT, with the arithmetic the application uses (point plus size is a point, point minus point a size).
// Not for: rectangles (Rect.h) or world coordinates (the application's CTGraph).
#ifndef FRAMEWORK_POINT_H
#define FRAMEWORK_POINT_H

#include "FrameworkTypes.h"

class CPoint;

class CSize : public tagSIZE {
 public:
  CSize() : tagSIZE{0, 0} {}
  CSize(int initCX, int initCY) : tagSIZE{initCX, initCY} {}
  CSize(SIZE initSize) : tagSIZE(initSize) {}
  explicit CSize(POINT initPt) : tagSIZE{initPt.x, initPt.y} {}

  BOOL operator==(SIZE size) const { return cx == size.cx && cy == size.cy; }
  BOOL operator!=(SIZE size) const { return !(*this == size); }
  void operator+=(SIZE size) { cx += size.cx; cy += size.cy; }
  void operator-=(SIZE size) { cx -= size.cx; cy -= size.cy; }
  CSize operator+(SIZE size) const { return CSize(cx + size.cx, cy + size.cy); }
  CSize operator-(SIZE size) const { return CSize(cx - size.cx, cy - size.cy); }
  CSize operator-() const { return CSize(-cx, -cy); }
  CPoint operator+(POINT point) const;
  CPoint operator-(POINT point) const;
};

class CPoint : public tagPOINT {
 public:
  CPoint() : tagPOINT{0, 0} {}
  CPoint(int initX, int initY) : tagPOINT{initX, initY} {}
  CPoint(POINT initPt) : tagPOINT(initPt) {}
  explicit CPoint(SIZE initSize) : tagPOINT{initSize.cx, initSize.cy} {}

  void Offset(int xOffset, int yOffset) { x += xOffset; y += yOffset; }
  void Offset(POINT point) { Offset(point.x, point.y); }
  void Offset(SIZE size) { Offset(size.cx, size.cy); }

  BOOL operator==(POINT point) const { return x == point.x && y == point.y; }
  BOOL operator!=(POINT point) const { return !(*this == point); }
  void operator+=(SIZE size) { Offset(size); }
  void operator-=(SIZE size) { Offset(-size.cx, -size.cy); }
  void operator+=(POINT point) { Offset(point); }
  void operator-=(POINT point) { Offset(-point.x, -point.y); }
  CPoint operator+(SIZE size) const { return CPoint(x + size.cx, y + size.cy); }
  CPoint operator-(SIZE size) const { return CPoint(x - size.cx, y - size.cy); }
  CPoint operator-() const { return CPoint(-x, -y); }
  CPoint operator+(POINT point) const { return CPoint(x + point.x, y + point.y); }
  CSize operator-(POINT point) const { return CSize(x - point.x, y - point.y); }
};

inline CPoint CSize::operator+(POINT point) const { return CPoint(cx + point.x, cy + point.y); }
inline CPoint CSize::operator-(POINT point) const { return CPoint(cx - point.x, cy - point.y); }

#endif  // FRAMEWORK_POINT_H
