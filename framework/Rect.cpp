// CRect's operations that are more than one line.
#include "Rect.h"

#include <algorithm>

void CRect::InflateRect(LPCRECT lpRect) {
  InflateRect(lpRect->left, lpRect->top, lpRect->right, lpRect->bottom);
}

void CRect::InflateRect(int l, int t, int r, int b) {
  left -= l;
  top -= t;
  right += r;
  bottom += b;
}

void CRect::DeflateRect(LPCRECT lpRect) {
  DeflateRect(lpRect->left, lpRect->top, lpRect->right, lpRect->bottom);
}

void CRect::DeflateRect(int l, int t, int r, int b) {
  InflateRect(-l, -t, -r, -b);
}

void CRect::NormalizeRect() {
  if (left > right)
    std::swap(left, right);
  if (top > bottom)
    std::swap(top, bottom);
}

BOOL CRect::IntersectRect(LPCRECT lpRect1, LPCRECT lpRect2) {
  CRect r((std::max)(lpRect1->left, lpRect2->left), (std::max)(lpRect1->top, lpRect2->top),
          (std::min)(lpRect1->right, lpRect2->right), (std::min)(lpRect1->bottom, lpRect2->bottom));
  if (CRect(lpRect1).IsRectEmpty() || CRect(lpRect2).IsRectEmpty() || r.IsRectEmpty()) {
    SetRectEmpty();
    return FALSE;
  }
  *this = r;
  return TRUE;
}

BOOL CRect::UnionRect(LPCRECT lpRect1, LPCRECT lpRect2) {
  CRect r1(lpRect1), r2(lpRect2);
  if (r1.IsRectEmpty()) {
    if (r2.IsRectEmpty()) {
      SetRectEmpty();
      return FALSE;
    }
    *this = r2;
    return TRUE;
  }
  if (r2.IsRectEmpty()) {
    *this = r1;
    return TRUE;
  }
  SetRect((std::min)(r1.left, r2.left), (std::min)(r1.top, r2.top), (std::max)(r1.right, r2.right),
          (std::max)(r1.bottom, r2.bottom));
  return TRUE;
}

CRect CRect::operator+(POINT point) const {
  CRect r(*this);
  r.OffsetRect(point);
  return r;
}

CRect CRect::operator-(POINT point) const {
  CRect r(*this);
  r.OffsetRect(-point.x, -point.y);
  return r;
}

CRect CRect::operator+(SIZE size) const {
  CRect r(*this);
  r.OffsetRect(size);
  return r;
}

CRect CRect::operator-(SIZE size) const {
  CRect r(*this);
  r.OffsetRect(-size.cx, -size.cy);
  return r;
}

CRect CRect::operator+(LPCRECT lpRect) const {
  CRect r(*this);
  r.InflateRect(lpRect);
  return r;
}

CRect CRect::operator-(LPCRECT lpRect) const {
  CRect r(*this);
  r.DeflateRect(lpRect);
  return r;
}

CRect CRect::operator&(const RECT& rect2) const {
  CRect r;
  r.IntersectRect(this, &rect2);
  return r;
}

CRect CRect::operator|(const RECT& rect2) const {
  CRect r;
  r.UnionRect(this, &rect2);
  return r;
}
