// The annotation objects: lines, rectangles, circles (ellipses), freehand strokes, polygons and
// texts laid over a drawing in document coordinates. Each kind keeps its fields in the side file
// and the clipboard (schema 1, the base fields first), knows its outline in client pixels of a
// view and whether a client point hits it. Every object belongs to a layer of the annotation set
// by id; on a missing or hidden layer it is neither hit nor drawn.
// Not for: drawing into a device context, invalidating and the properties dialogs (Windows side,
// AnnDraw.cpp and AnnDialogs.cpp), owning objects (the annotation set does).
#pragma once

#include <cstdint>
#include <vector>

#include "Object.h"
#include "Point.h"
#include "PointArray.h"
#include "Rect.h"
#include "Str.h"

class CAnnLayer;
class CTGraph;
class CVlr;

// The window system's LOGFONTA, byte for byte: the side file keeps a text's font as these 60
// bytes, little-endian.
struct AnnLogFont {
  int32_t lfHeight;
  int32_t lfWidth;
  int32_t lfEscapement;
  int32_t lfOrientation;
  int32_t lfWeight;
  uint8_t lfItalic;
  uint8_t lfUnderline;
  uint8_t lfStrikeOut;
  uint8_t lfCharSet;
  uint8_t lfOutPrecision;
  uint8_t lfClipPrecision;
  uint8_t lfQuality;
  uint8_t lfPitchAndFamily;
  char lfFaceName[32];  // may lack its terminating zero in a file read
};
static_assert(sizeof(AnnLogFont) == 60, "the stored font is 60 bytes");

class CAnnObj : public CObject {
  DECLARE_SERIAL(CAnnObj)
 public:
  enum Kind { kindNone, kindLine, kindRect, kindCircle, kindFreehand, kindPolygon, kindText };
  // Fill styles: outline only, filled, or the window system's six hatch styles 0 to 5.
  enum { fillFrame = -2, fillSolid = -1, fillLastHatch = 5 };
  // Client pixels around a point within which an outline is hit.
  enum { kHitTolerance = 3 };

  CAnnObj() = default;

  virtual Kind GetKind() const { return kindNone; }

  // The object's layer in the set, when it exists and is visible; else null.
  CAnnLayer* GetVisibleLayer(const CVlr& set) const;
  // Whether the client point hits the object as the view of graph shows it.
  BOOL HitTest(const CVlr& set, const CTGraph& graph, int x, int y) const;
  // The client rectangle the object covers (normalised); what a view invalidates for it.
  virtual CRect GetClientBounds(const CTGraph& graph) const;
  // Moves the anchor by a delta in client pixels: to client, plus the delta, back to document.
  void MoveByClientDelta(const CTGraph& graph, int dx, int dy);

  void Serialize(CArchive& ar) override;

  DWORD m_crColour = 0;  // COLORREF: pen, brush and text colour
  CPoint m_ptAnchor;     // document coordinates
  WORD m_nLayerId = 0;
  int m_nFillStyle = fillFrame;

 protected:
  // Outline hit without regard to the layer.
  virtual BOOL HitShape(const CTGraph& graph, int x, int y) const;
  void InitFromLayer(const CAnnLayer* pLayer, WORD nLayerId);
};

// Line, rectangle and circle: the anchor and a second corner at anchor + (dx, dy).
class CAnnSpan : public CAnnObj {
  DECLARE_DYNAMIC(CAnnSpan)
 public:
  CAnnSpan() = default;
  // From a tool's rectangle: anchor at its first corner.
  CAnnSpan(const RECT& rcDoc, const CAnnLayer* pLayer, WORD nLayerId);
  CPoint GetEnd() const;
  // The two corners in client pixels, as stored (not normalised).
  void GetClientCorners(const CTGraph& graph, CPoint& ptStart, CPoint& ptEnd) const;
  CRect GetClientBounds(const CTGraph& graph) const override;
  void Serialize(CArchive& ar) override;

  int m_nDx = 0;
  int m_nDy = 0;
};

class CAnnLine : public CAnnSpan {
  DECLARE_SERIAL(CAnnLine)
 public:
  CAnnLine() = default;
  CAnnLine(const RECT& rcDoc, const CAnnLayer* pLayer, WORD nLayerId) : CAnnSpan(rcDoc, pLayer, nLayerId) {}
  Kind GetKind() const override { return kindLine; }

 protected:
  BOOL HitShape(const CTGraph& graph, int x, int y) const override;
};

class CAnnRect : public CAnnSpan {
  DECLARE_SERIAL(CAnnRect)
 public:
  CAnnRect() = default;
  CAnnRect(const RECT& rcDoc, const CAnnLayer* pLayer, WORD nLayerId) : CAnnSpan(rcDoc, pLayer, nLayerId) {}
  Kind GetKind() const override { return kindRect; }

 protected:
  BOOL HitShape(const CTGraph& graph, int x, int y) const override;
};

class CAnnCircle : public CAnnSpan {
  DECLARE_SERIAL(CAnnCircle)
 public:
  CAnnCircle() = default;
  CAnnCircle(const RECT& rcDoc, const CAnnLayer* pLayer, WORD nLayerId) : CAnnSpan(rcDoc, pLayer, nLayerId) {}
  Kind GetKind() const override { return kindCircle; }

 protected:
  BOOL HitShape(const CTGraph& graph, int x, int y) const override;
};

// Freehand stroke and polygon: the anchor, then each stored point added to it.
class CAnnPointList : public CAnnObj {
  DECLARE_DYNAMIC(CAnnPointList)
 public:
  CAnnPointList() = default;
  // From a tool's points in document coordinates: the first is the anchor and is not stored.
  CAnnPointList(const CPolygon& points, const CAnnLayer* pLayer, WORD nLayerId);
  // The anchor and every point, in client pixels.
  void GetClientPoints(const CTGraph& graph, std::vector<CPoint>& points) const;
  CRect GetClientBounds(const CTGraph& graph) const override;
  void Serialize(CArchive& ar) override;

  CPolygon m_points;  // relative to the anchor

 protected:
  BOOL HitSegments(const CTGraph& graph, int x, int y, BOOL bClosed) const;
};

class CAnnFreehand : public CAnnPointList {
  DECLARE_SERIAL(CAnnFreehand)
 public:
  CAnnFreehand() = default;
  CAnnFreehand(const CPolygon& points, const CAnnLayer* pLayer, WORD nLayerId)
      : CAnnPointList(points, pLayer, nLayerId) {}
  Kind GetKind() const override { return kindFreehand; }

 protected:
  BOOL HitShape(const CTGraph& graph, int x, int y) const override { return HitSegments(graph, x, y, FALSE); }
};

class CAnnPolygon : public CAnnPointList {
  DECLARE_SERIAL(CAnnPolygon)
 public:
  CAnnPolygon() = default;
  CAnnPolygon(const CPolygon& points, const CAnnLayer* pLayer, WORD nLayerId)
      : CAnnPointList(points, pLayer, nLayerId) {}
  Kind GetKind() const override { return kindPolygon; }

 protected:
  BOOL HitShape(const CTGraph& graph, int x, int y) const override { return HitSegments(graph, x, y, TRUE); }
};

class CAnnText : public CAnnObj {
  DECLARE_SERIAL(CAnnText)
 public:
  CAnnText();
  CAnnText(CPoint ptDoc, LPCSTR lpszText, const AnnLogFont& font, int nHeight, DWORD crColour, WORD nLayerId);
  Kind GetKind() const override { return kindText; }
  // The last drawing's rectangle: a text is hit and invalidated where it was last drawn.
  CRect GetClientBounds(const CTGraph& graph) const override;
  // The face name, safe when the stored one lacks its terminating zero.
  CString GetFaceName() const;
  // Archive form after the base fields: the string, the 60 font bytes, the i32 height.
  void Serialize(CArchive& ar) override;
  // Takes the text dialog's values. A text that may now reach beyond its last drawing (taller,
  // or another text or font) is marked grown: its old rectangle no longer covers it.
  void SetProperties(LPCSTR lpszText, const AnnLogFont& font, int nHeight, DWORD crColour);

  BOOL m_bGrown = FALSE;  // the properties dialog made the text taller: invalidate the whole view
  CString m_strText;
  AnnLogFont m_logFont;
  // Positive: true millimetres. Negative: an older form in image pixels, made positive at the
  // first drawing.
  int m_nHeight = 0;
  CRect m_rcLast;  // client rectangle of the last drawing, empty before it

 protected:
  BOOL HitShape(const CTGraph& graph, int x, int y) const override;
};

// Whether a client point lies on the segment from a to b (the line hit rule, for each point of
// the tolerance square around it).
BOOL HitSegment(CPoint a, CPoint b, int x, int y);
