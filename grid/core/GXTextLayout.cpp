// The cells' text layout, the fill patterns and the arithmetic of the bitmap helpers.
#include "GXTextLayout.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {

BOOL IsBreak(TCHAR c) { return c == '\r' || c == '\n'; }

int LineHeight(const GXTEXTMETRICS& tm) { return tm.nHeight + tm.nExternalLeading; }

}  // namespace

int GXDrawLineHeight(const GXTEXTMETRICS& tm) {
  int n = LineHeight(tm);
  return n >= 20 ? n - 1 : n;
}

int GXBreakTextLines(CGXTextMeasurer& m, LPCTSTR psz, int nLength, CRect& rect, UINT nFormat,
                     std::vector<GXTEXTLINE>& lines, int nMaxLines) {
  lines.clear();
  if (psz == nullptr)
    return 0;
  if (nLength == -1)
    nLength = (int)std::strlen(psz);
  if (nLength < 1 || nMaxLines < 1)
    return 0;
  const GXTEXTMETRICS tm = m.GetTextMetrics();
  const int nLineHeight = std::max(1, LineHeight(tm));
  const int nAvail = rect.right - rect.left + 1;
  const BOOL bWrap = (nFormat & GX_DT_WORDBREAK) != 0;
  int nCountdown = 0;
  if (rect.bottom - rect.top - nLineHeight / 3 > nLineHeight)
    nCountdown = std::max(0, (int)(rect.bottom - rect.top) / nLineHeight);
  int y = rect.top;
  int nStart = 0;
  for (;;) {
    int p = nStart, nWords = 0, nLastWordBlanks = nStart, nHeight = nLineHeight;
    BOOL bTooWide = FALSE;
    for (;;) {
      const int nBlanks = p;
      while (p < nLength && psz[p] == ' ')
        ++p;
      const int nWord = p;
      while (p < nLength && psz[p] != ' ' && !IsBreak(psz[p]))
        ++p;
      if (p > nWord) {
        ++nWords;
        nLastWordBlanks = nBlanks;
      }
      CSize ext = m.GetTextExtent(psz + nStart, p - nStart);
      nHeight = ext.cy;
      if (ext.cx > nAvail) {
        bTooWide = TRUE;
        break;
      }
      if (p >= nLength || IsBreak(psz[p]))
        break;
    }
    y += nHeight + 1;
    BOOL bStop = FALSE;
    if (bTooWide) {
      if (nWords >= 2 && nCountdown >= 1 && bWrap && nLastWordBlanks > nStart) {
        lines.push_back({nStart, nLastWordBlanks - nStart});
        nStart = nLastWordBlanks;
      } else {
        // Cut by characters; one is always taken so that the layout moves on.
        int n = 1;
        while (nStart + n < nLength && !IsBreak(psz[nStart + n]) && m.GetTextExtent(psz + nStart, n + 1).cx <= nAvail)
          ++n;
        lines.push_back({nStart, n});
        nStart += n;
      }
      if (nCountdown == 0)
        bStop = TRUE;
      else
        --nCountdown;
    } else if (p < nLength && IsBreak(psz[p])) {
      lines.push_back({nStart, p - nStart});
      int nNext = p + 1;
      if (psz[p] == '\r' && nNext < nLength && psz[nNext] == '\n')
        ++nNext;
      nStart = nNext;
      if (nStart >= nLength) {
        if ((int)lines.size() < nMaxLines && bWrap)
          lines.push_back({nLength, 0});
        bStop = TRUE;
      } else if (nCountdown == 0) {
        bStop = TRUE;
      } else {
        --nCountdown;
      }
    } else {
      lines.push_back({nStart, p - nStart});
      bStop = TRUE;
    }
    if (bStop || (int)lines.size() >= nMaxLines || !bWrap || nStart >= nLength)
      break;
  }
  if (y < rect.bottom) {
    if (nFormat & GX_DT_VCENTER)
      rect.top += (rect.bottom - y + tm.nExternalLeading) / 2;
    else if (nFormat & GX_DT_BOTTOM)
      rect.top += rect.bottom - y;
  }
  return (int)lines.size();
}

std::vector<GXPLACEDLINE> GXPlaceTextLines(CGXTextMeasurer& m, LPCTSTR psz, int nLength, const CRect& rectIn,
                                           UINT nFormat, const CRect* pClip, int nOverflowMode) {
  std::vector<GXPLACEDLINE> placed;
  if (psz == nullptr)
    return placed;
  if (nLength == -1)
    nLength = (int)std::strlen(psz);
  CRect rect = rectIn;
  const CRect clip = pClip != nullptr ? *pClip : rectIn;
  std::vector<GXTEXTLINE> lines;
  GXBreakTextLines(m, psz, nLength, rect, nFormat, lines);
  const GXTEXTMETRICS tm = m.GetTextMetrics();
  const int nStep = GXDrawLineHeight(tm);
  const int nCellWidth = rect.right - rect.left;
  int y = rect.top;
  for (size_t i = 0; i < lines.size(); ++i, y += nStep) {
    const GXTEXTLINE& line = lines[i];
    GXPLACEDLINE out;
    out.sText = CString(psz + line.nStart, line.nLength);
    out.y = y;
    const int w = m.GetTextExtent(out.sText, line.nLength).cx;
    BOOL bPlaced = FALSE;
    if (line.nLength == 1) {
      if (w > clip.Width()) {
        out.bClipped = TRUE;
        out.x = clip.left;
        bPlaced = TRUE;
      } else if (w > nCellWidth) {
        out.x = std::min((int)clip.right - w, (int)rect.left);
        bPlaced = TRUE;
      }
    }
    if (!bPlaced) {
      if (nFormat & GX_DT_RIGHT)
        out.x = std::max((int)rect.left, (int)rect.right - w);
      else if (nFormat & GX_DT_CENTER)
        out.x = std::max((int)rect.left, (int)rect.left + (nCellWidth - w) / 2);
      else
        out.x = rect.left;
    }
    const BOOL bLast = i + 1 == lines.size();
    const BOOL bRoomBelow = tm.nAscent * 3 / 4 + nStep <= rect.bottom - (y + nStep);
    const BOOL bMoreText = line.nStart + line.nLength < nLength;
    if (nOverflowMode != 0 && (bLast || !bRoomBelow)) {
      if (nOverflowMode == 1 && line.nLength >= 2 && bMoreText) {
        int n = line.nLength;
        CString sDots = "...";
        for (;;) {
          CString s = CString(psz + line.nStart, n) + sDots;
          if (m.GetTextExtent(s, s.GetLength()).cx <= nCellWidth)
            break;
          if (n > 1)
            --n;
          else if (!sDots.IsEmpty())
            sDots = sDots.Left(sDots.GetLength() - 1);
          else
            break;
          if (n + sDots.GetLength() < 2)
            break;
        }
        out.sText = CString(psz + line.nStart, n) + sDots;
      } else if (nOverflowMode == 2 && (nFormat & GX_DT_SINGLELINE) && (bMoreText || out.bClipped)) {
        const int nHash = std::max(1, (int)m.GetTextExtent("#", 1).cx);
        const int nCount = nCellWidth / nHash;
        if (nCount >= 1 && !out.bClipped) {
          out.sText = CString(std::string((size_t)nCount, '#').c_str());
        } else {
          out.sText = "#";
          out.x = clip.left;
          out.bClipped = TRUE;
        }
      }
    }
    placed.push_back(out);
  }
  return placed;
}

int GXHitTestText(CGXTextMeasurer& m, LPCTSTR psz, int nLength, const CRect& rectIn, UINT nFormat, int x, int y) {
  if (psz == nullptr)
    return -1;
  if (nLength == -1)
    nLength = (int)std::strlen(psz);
  CRect rect = rectIn;
  std::vector<GXTEXTLINE> lines;
  GXBreakTextLines(m, psz, nLength, rect, nFormat, lines);
  if (lines.empty() || y < rect.top)
    return -1;
  const GXTEXTMETRICS tm = m.GetTextMetrics();
  const int nLineHeight = std::max(1, LineHeight(tm));
  const int nLine = (y - rect.top) / nLineHeight;
  if (nLine >= (int)lines.size())
    return -1;
  const GXTEXTLINE& line = lines[nLine];
  const LPCTSTR pLine = psz + line.nStart;
  const int w = m.GetTextExtent(pLine, line.nLength).cx;
  const int nTolerance = tm.nMaxCharWidth / 3;
  const BOOL bRtl = m.IsRtlReading();
  int x0;
  if (!bRtl) {
    x0 = rect.left;
    if (nFormat & GX_DT_RIGHT)
      x0 = std::max((int)rect.left, (int)rect.right - w);
    else if (nFormat & GX_DT_CENTER)
      x0 = std::max((int)rect.left, (int)(rect.left + (rect.right - w - rect.left) / 2));
    if (x < x0 - nTolerance)
      return -1;
  } else {
    if (nFormat & GX_DT_CENTER)
      x0 = std::min((int)rect.right, (int)(rect.right - (rect.right - w - rect.left) / 2));
    else if (nFormat & GX_DT_RIGHT)
      x0 = rect.right;
    else
      x0 = std::min((int)rect.right, (int)rect.left + w);
    if (x > x0 + nTolerance)
      return -1;
  }
  // Distance from the line's start edge, measured in the reading direction.
  const int d = bRtl ? x0 - x : x - x0;
  int nPrev = 0;
  for (int n = 1; n <= line.nLength; ++n) {
    const int nExtent = m.GetTextExtent(pLine, n).cx;
    if (nExtent > d)
      return line.nStart + nPrev;
    nPrev = n;
  }
  if (d > w + nTolerance)
    return -1;
  return line.nStart + line.nLength;
}

namespace {

const BYTE kPatterns[GX_PATTERN_COUNT][8] = {
    {0x44, 0x11, 0x44, 0x11, 0x44, 0x11, 0x44, 0x11}, {0x55, 0xaa, 0x55, 0xaa, 0x55, 0xaa, 0x55, 0xaa},
    {0xbb, 0xee, 0xbb, 0xee, 0xbb, 0xee, 0xbb, 0xee}, {0xee, 0xff, 0xbb, 0xff, 0xee, 0xff, 0xbb, 0xff},
    {0xff, 0xff, 0xee, 0xff, 0xff, 0xff, 0xbb, 0xff}, {0xfb, 0xff, 0xbf, 0xff, 0xfa, 0xff, 0xaf, 0xff},
    {0xff, 0xff, 0x00, 0x00, 0xff, 0xff, 0x00, 0x00}, {0xcc, 0xcc, 0xcc, 0xcc, 0xcc, 0xcc, 0xcc, 0xcc},
    {0x55, 0xcc, 0x99, 0x44, 0x55, 0xcc, 0x99, 0x44}, {0x44, 0x99, 0xcc, 0x55, 0x44, 0x99, 0xcc, 0x55},
    {0x55, 0x55, 0x99, 0x99, 0x55, 0x55, 0x99, 0x99}, {0x55, 0x00, 0x99, 0x00, 0x55, 0x00, 0x99, 0x00},
    {0xff, 0x00, 0xff, 0xff, 0xff, 0x00, 0xff, 0xff}, {0xdd, 0xdd, 0xdd, 0xdd, 0xdd, 0xdd, 0xdd, 0xdd},
    {0xee, 0xdd, 0xbb, 0x77, 0xee, 0xdd, 0xbb, 0x77}, {0x77, 0xbb, 0xdd, 0xee, 0x77, 0xbb, 0xdd, 0xee},
    {0xee, 0x00, 0xee, 0xee, 0xee, 0x00, 0xee, 0xee}, {0xee, 0x55, 0xbb, 0x55, 0xee, 0xbb, 0x55, 0xee},
    {0x88, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff}, {0xfe, 0xff, 0xfe, 0xff, 0xfe, 0xff, 0xfe, 0xff},
    {0xfe, 0xff, 0xfb, 0xff, 0xef, 0xff, 0xbf, 0xff}, {0xf7, 0xff, 0xfd, 0xff, 0x7f, 0xff, 0xdf, 0xff},
    {0x88, 0xff, 0xfe, 0xff, 0xfe, 0xff, 0xfe, 0xff}, {0x00, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff},
    {0xfe, 0xfe, 0xfe, 0xfe, 0xfe, 0xfe, 0xfe, 0xfe}, {0xfe, 0xfd, 0xfb, 0xf7, 0xef, 0xdf, 0xbf, 0x7f},
    {0xf7, 0xfb, 0xfd, 0xfe, 0x7f, 0xbf, 0xdf, 0xef}, {0x00, 0xfe, 0xfe, 0xfe, 0xfe, 0xfe, 0xfe, 0xfe},
    {0x00, 0x00, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff}, {0xf3, 0xf3, 0xf3, 0xf3, 0xf3, 0xf3, 0xf3, 0xf3},
    {0xf3, 0xf9, 0xfc, 0x7e, 0x3f, 0x9f, 0xcf, 0xe7}, {0xe7, 0xcf, 0x9f, 0x3f, 0x7e, 0xfc, 0xf9, 0xf3},
    {0x00, 0x00, 0xf3, 0xf3, 0xf3, 0xf3, 0xf3, 0xf3}, {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11},
    {0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55}, {0xb1, 0xb1, 0xb1, 0xb1, 0xb1, 0xb1, 0xb1, 0xb1},
    {0x51, 0x51, 0x51, 0x51, 0x51, 0x51, 0x51, 0x51}, {0x00, 0x00, 0x00, 0xff, 0x00, 0x00, 0x00, 0xff},
    {0x00, 0xff, 0x00, 0xff, 0x00, 0xff, 0x00, 0xff}, {0x00, 0x00, 0x00, 0xff, 0xff, 0x00, 0xff, 0xff},
    {0x00, 0x00, 0x00, 0xff, 0x00, 0xff, 0x00, 0xff}};

DWORD ReadDword(const BYTE* p) { return (DWORD)p[0] | ((DWORD)p[1] << 8) | ((DWORD)p[2] << 16) | ((DWORD)p[3] << 24); }
WORD ReadWord(const BYTE* p) { return (WORD)(p[0] | (p[1] << 8)); }

}  // namespace

const BYTE* GXGetPatternRows(int nIndex) {
  if (nIndex < 0 || nIndex >= GX_PATTERN_COUNT)
    return nullptr;
  return kPatterns[nIndex];
}

DWORD GXDibNumColors(DWORD nClrUsed, WORD nBitCount) {
  if (nClrUsed != 0)
    return nClrUsed;
  switch (nBitCount) {
    case 1:
      return 2;
    case 4:
      return 16;
    case 8:
      return 256;
    default:
      return 0;
  }
}

BOOL GXGetDibLayout(const BYTE* pBytes, DWORD nSize, GXDIBLAYOUT& layout) {
  layout = GXDIBLAYOUT();
  // Only the headers that carry the 40-byte fields (and their longer versions) are read.
  if (pBytes == nullptr || nSize < 40)
    return FALSE;
  const DWORD nHeader = ReadDword(pBytes);
  if (nHeader < 40 || nHeader > nSize)
    return FALSE;
  layout.nHeaderSize = nHeader;
  layout.nWidth = (LONG)ReadDword(pBytes + 4);
  layout.nHeight = (LONG)ReadDword(pBytes + 8);
  layout.nBitCount = ReadWord(pBytes + 14);
  const DWORD nClrUsed = ReadDword(pBytes + 32);
  layout.nColors = GXDibNumColors(nClrUsed, layout.nBitCount);
  if (layout.nColors > 256 || (layout.nBitCount <= 8 && layout.nColors > (1u << layout.nBitCount)))
    return FALSE;
  layout.nColorTableOffset = nHeader;
  layout.nBitsOffset = nHeader + 4 * layout.nColors;
  if (layout.nBitsOffset > nSize || layout.nWidth <= 0 || layout.nHeight == 0)
    return FALSE;
  return TRUE;
}

int GXMapSysColorTable(BYTE* pTable, DWORD nColors, DWORD (*pfnSysColor)(int nIndex)) {
  static const struct {
    DWORD rgb;
    int nSysColor;
  } kMap[4] = {{0x000000, 18}, {0x808080, 16}, {0xC0C0C0, 15}, {0xFFFFFF, 20}};
  int nChanged = 0;
  for (DWORD i = 0; i < nColors; ++i) {
    BYTE* p = pTable + 4 * i;
    const DWORD rgb = ((DWORD)p[2] << 16) | ((DWORD)p[1] << 8) | p[0];  // blue, green, red in the table
    for (const auto& entry : kMap) {
      if (rgb == entry.rgb) {
        const DWORD c = pfnSysColor(entry.nSysColor);  // COLORREF: red low
        p[0] = (BYTE)(c >> 16);
        p[1] = (BYTE)(c >> 8);
        p[2] = (BYTE)c;
        ++nChanged;
        break;
      }
    }
  }
  return nChanged;
}

UINT GXEdgeRectFlags(BOOL bAdjust) { return bAdjust ? 0x200F : 0x000F; }
