// CRect: a rectangle over the platform's RECT (left and top inside, right and bottom outside), with
// the framework's operations: normalising, hit tests, intersection and union, inflating and
// offsetting, and the operators with points, sizes and rectangles.
// An empty rectangle is one whose width or height is not positive; IntersectRect and UnionRect
// treat empty rectangles as the framework does (an intersection that is empty gives (0,0,0,0)).
// Not for: regions (the Win32 half's CRgn).
#ifndef FRAMEWORK_RECT_H
#define FRAMEWORK_RECT_H

#include "Point.h"

class CRect : public tagRECT {
 public:
  CRect() : tagRECT{0, 0, 0, 0} {}
  CRect(int l, int t, int r, int b) : tagRECT{l, t, r, b} {}
  CRect(const RECT& srcRect) : tagRECT(srcRect) {}
  CRect(LPCRECT lpSrcRect) : tagRECT(*lpSrcRect) {}
  CRect(POINT point, SIZE size) : tagRECT{point.x, point.y, point.x + size.cx, point.y + size.cy} {}
  CRect(POINT topLeft, POINT bottomRight)
      : tagRECT{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y} {}

  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  CSize Size() const { return CSize(Width(), Height()); }
  CPoint& TopLeft() { return *reinterpret_cast<CPoint*>(&left); }
  CPoint& BottomRight() { return *reinterpret_cast<CPoint*>(&right); }
  const CPoint& TopLeft() const { return *reinterpret_cast<const CPoint*>(&left); }
  const CPoint& BottomRight() const { return *reinterpret_cast<const CPoint*>(&right); }
  CPoint CenterPoint() const { return CPoint((left + right) / 2, (top + bottom) / 2); }

  operator LPRECT() { return this; }
  operator LPCRECT() const { return this; }

  BOOL IsRectEmpty() const { return right <= left || bottom <= top; }
  BOOL IsRectNull() const { return left == 0 && right == 0 && top == 0 && bottom == 0; }
  BOOL PtInRect(POINT point) const {
    return point.x >= left && point.x < right && point.y >= top && point.y < bottom;
  }

  void SetRect(int x1, int y1, int x2, int y2) { left = x1; top = y1; right = x2; bottom = y2; }
  void SetRectEmpty() { SetRect(0, 0, 0, 0); }
  void CopyRect(LPCRECT lpSrcRect) { *static_cast<tagRECT*>(this) = *lpSrcRect; }
  BOOL EqualRect(LPCRECT lpRect) const {
    return left == lpRect->left && top == lpRect->top && right == lpRect->right &&
           bottom == lpRect->bottom;
  }

  void InflateRect(int x, int y) { left -= x; top -= y; right += x; bottom += y; }
  void InflateRect(SIZE size) { InflateRect(size.cx, size.cy); }
  void InflateRect(LPCRECT lpRect);
  void InflateRect(int l, int t, int r, int b);
  void DeflateRect(int x, int y) { InflateRect(-x, -y); }
  void DeflateRect(SIZE size) { InflateRect(-size.cx, -size.cy); }
  void DeflateRect(LPCRECT lpRect);
  void DeflateRect(int l, int t, int r, int b);
  void OffsetRect(int x, int y) { left += x; top += y; right += x; bottom += y; }
  void OffsetRect(POINT point) { OffsetRect(point.x, point.y); }
  void OffsetRect(SIZE size) { OffsetRect(size.cx, size.cy); }
  // Swaps left and right, top and bottom where they are the wrong way round.
  void NormalizeRect();

  // The overlap of the two (FALSE and an empty (0,0,0,0) when they do not overlap).
  BOOL IntersectRect(LPCRECT lpRect1, LPCRECT lpRect2);
  // The smallest rectangle holding both; an empty one counts for nothing (FALSE when both are).
  BOOL UnionRect(LPCRECT lpRect1, LPCRECT lpRect2);

  void operator=(const RECT& srcRect) { CopyRect(&srcRect); }
  BOOL operator==(const RECT& rect) const { return EqualRect(&rect); }
  BOOL operator!=(const RECT& rect) const { return !EqualRect(&rect); }
  void operator+=(POINT point) { OffsetRect(point); }
  void operator+=(SIZE size) { OffsetRect(size); }
  void operator+=(LPCRECT lpRect) { InflateRect(lpRect); }
  void operator-=(POINT point) { OffsetRect(-point.x, -point.y); }
  void operator-=(SIZE size) { OffsetRect(-size.cx, -size.cy); }
  void operator-=(LPCRECT lpRect) { DeflateRect(lpRect); }
  void operator&=(const RECT& rect) { IntersectRect(this, &rect); }
  void operator|=(const RECT& rect) { UnionRect(this, &rect); }

  CRect operator+(POINT point) const;
  CRect operator-(POINT point) const;
  CRect operator+(SIZE size) const;
  CRect operator-(SIZE size) const;
  CRect operator+(LPCRECT lpRect) const;
  CRect operator-(LPCRECT lpRect) const;
  CRect operator&(const RECT& rect2) const;
  CRect operator|(const RECT& rect2) const;
};

#endif  // FRAMEWORK_RECT_H
