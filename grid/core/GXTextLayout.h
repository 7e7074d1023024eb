// The text layout of the grid's cells, kept apart from the window system: breaking a cell text into lines
// that fit a rectangle, placing each line by the alignment, the overflow treatment of a line that does
// not fit (an ellipsis, or "#" for a number), and finding the character under a point. Every width comes
// from a measurer, so the layout is the same on the screen, on a printer and in a test with a fake
// measurer. Also the fill patterns and the two bitmap helpers whose arithmetic does not need a device.
// Not for: putting the text into a device context (the grid window's drawing surface does).
#ifndef GRID_CORE_GXTEXTLAYOUT_H
#define GRID_CORE_GXTEXTLAYOUT_H

#include "Framework.h"

#include <vector>

// The DrawText format bits the layout reads.
enum : UINT {
  GX_DT_CENTER = 1,
  GX_DT_RIGHT = 2,
  GX_DT_VCENTER = 4,
  GX_DT_BOTTOM = 8,
  GX_DT_WORDBREAK = 16,
  GX_DT_SINGLELINE = 32,
  GX_DT_NOPREFIX = 0x800
};

struct GXTEXTMETRICS {
  int nHeight = 0;
  int nExternalLeading = 0;
  int nAscent = 0;
  int nAveCharWidth = 0;
  int nMaxCharWidth = 0;
  BOOL bVariablePitch = TRUE;
};

// Measures text in the font currently chosen; the grid window's surface measures through its device
// context, tests through a table of widths.
class CGXTextMeasurer {
 public:
  virtual ~CGXTextMeasurer() = default;
  virtual CSize GetTextExtent(LPCTSTR psz, int nLength) = 0;
  virtual GXTEXTMETRICS GetTextMetrics() = 0;
  // Whether the text runs right to left (the device's TA_RTLREADING alignment).
  virtual BOOL IsRtlReading() { return FALSE; }
};

// The most lines a cell shows.
enum { GX_MAXLINES = 32 };

struct GXTEXTLINE {
  int nStart;   // byte offset in the text
  int nLength;  // bytes
};

// Splits the text into at most nMaxLines lines that fit the rectangle's width; rect.top may move for the
// vertical alignment. nLength -1 is the whole NUL-terminated text.
int GXBreakTextLines(CGXTextMeasurer& m, LPCTSTR psz, int nLength, CRect& rect, UINT nFormat,
                     std::vector<GXTEXTLINE>& lines, int nMaxLines = GX_MAXLINES);

// One line as drawn: its text (overflow dots or "#" included), where it starts, and whether it is drawn
// clipped to the clip rectangle.
struct GXPLACEDLINE {
  CString sText;
  int x = 0;
  int y = 0;
  BOOL bClipped = FALSE;
};

// Lays out and places the lines of a cell text: the overflow mode 0 draws the lines as they are, 1 ends a
// line that does not fit with "...", 2 replaces a single-line number that does not fit with "#" signs.
// clip null means the rectangle itself.
std::vector<GXPLACEDLINE> GXPlaceTextLines(CGXTextMeasurer& m, LPCTSTR psz, int nLength, const CRect& rect,
                                           UINT nFormat, const CRect* pClip, int nOverflowMode);

// The line height the drawing steps by (one less from 20 pixels up, as the drawing has it).
int GXDrawLineHeight(const GXTEXTMETRICS& tm);

// The byte offset of the character at (x, y), or -1.
int GXHitTestText(CGXTextMeasurer& m, LPCTSTR psz, int nLength, const CRect& rect, UINT nFormat, int x, int y);

// The 41 fill patterns (8 rows of 8 bits each); null for an index outside 0 to 40, so that a stored style
// with a wrong pattern number draws no pattern instead of reading past the table.
enum { GX_PATTERN_COUNT = 41 };
const BYTE* GXGetPatternRows(int nIndex);

// The colours a system-coloured bitmap resource has re-mapped: where its colour table and its bits lie,
// from the header's own size (biSize) and colour count. FALSE for a resource too short for what its
// header says.
struct GXDIBLAYOUT {
  DWORD nHeaderSize = 0;
  DWORD nColors = 0;
  DWORD nColorTableOffset = 0;
  DWORD nBitsOffset = 0;
  LONG nWidth = 0;
  LONG nHeight = 0;
  WORD nBitCount = 0;
};
BOOL GXGetDibLayout(const BYTE* pBytes, DWORD nSize, GXDIBLAYOUT& layout);
// The number of colour-table entries of a header: biClrUsed, else by the bit count (2, 16, 256, 0).
DWORD GXDibNumColors(DWORD nClrUsed, WORD nBitCount);
// Replaces the four button colours of a colour table (blue-green-red-reserved entries) by the current
// system colours; returns how many entries changed.
int GXMapSysColorTable(BYTE* pTable, DWORD nColors, DWORD (*pfnSysColor)(int nIndex));

// The side flags of an edge rectangle: the whole rectangle, and with adjust also the adjustment (the
// frame is still drawn).
UINT GXEdgeRectFlags(BOOL bAdjust);

#endif  // GRID_CORE_GXTEXTLAYOUT_H
