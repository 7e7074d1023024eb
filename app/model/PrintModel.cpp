// Printing's arithmetic and texts: tiling, true scale, the paper head, the
// pen-width table.
#include "model/PrintModel.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int RoundToInt(double v) {
  if (!(v == v)) return 0;
  const double r = std::floor(v + 0.5);
  return r <= -2147483648.0 ? INT32_MIN : r >= 2147483647.0 ? INT32_MAX : (int)r;
}

int TileCount(double dArea, double dPage) {
  if (!(dPage > 0) || !(dArea > 0)) return 1;
  const double n = std::ceil(dArea / dPage);
  return n < 1 ? 1 : n > kMaxPrintTiles ? kMaxPrintTiles : (int)n;
}

}  // namespace

PrintTiling FitTiling(const CRect& rcArea) {
  PrintTiling t;
  t.dLeft = rcArea.left;
  t.dTop = rcArea.top;
  t.dPageWidth = rcArea.Width();
  t.dPageHeight = rcArea.Height();
  return t;
}

PrintTiling TrueScaleTiling(const CRect& rcArea, double dPageWidth, double dPageHeight) {
  PrintTiling t;
  if (!(dPageWidth > 0) || !(dPageHeight > 0)) return FitTiling(rcArea);
  const double w = rcArea.Width(), h = rcArea.Height();
  t.nColumns = TileCount(w, dPageWidth);
  t.nRows = TileCount(h, dPageHeight);
  t.dPageWidth = dPageWidth;
  t.dPageHeight = dPageHeight;
  t.dLeft = rcArea.left;
  t.dTop = rcArea.top;
  if (w < dPageWidth && h < dPageHeight) {
    t.dLeft -= (dPageWidth - w) / 2;
    t.dTop -= (dPageHeight - h) / 2;
  }
  return t;
}

CRect PrintTileRect(const PrintTiling& t, int nPage) {
  const int n = nPage < 1 ? 0 : nPage - 1;
  const int column = n % t.nColumns, row = n / t.nColumns;
  const double left = t.dLeft + column * t.dPageWidth, top = t.dTop + row * t.dPageHeight;
  return CRect(RoundToInt(left), RoundToInt(top), RoundToInt(left + t.dPageWidth), RoundToInt(top + t.dPageHeight));
}

double TrueScalePageExtent(double dPaperMm, double dScale1, double dScale2, double dDocUnitsPerMm) {
  if (!(dScale1 > 0) || !(dScale2 > 0) || !std::isfinite(dScale1) || !std::isfinite(dScale2)) return 0;
  const double v = dPaperMm * dScale2 / dScale1 * dDocUnitsPerMm;
  return std::isfinite(v) && v > 0 ? v : 0;
}

// --- paper head
// -----------------------------------------------------------------------------------

CString PaperHeadText(const PaperHeadParts& p) {
  CString text;
  if (p.bFileName) text = p.strPath;
  if (p.bScale) {
    text += " ";
    text += p.strScale;
  }
  if (!text.IsEmpty() && (p.bText || p.bTime)) text += "\r\n";
  if (p.bText) text += p.strUserText;
  if (p.bTime) {
    text += " ";
    text += p.strDate;
    text += "  -  ";
    text += p.strTime;
  }
  return text;
}

CString PaperHeadScaleText(BOOL bFit, const CString& strScalePair) {
  if (bFit) return CString("Not according to scale");
  return CString("Scale: ") + strScalePair;
}

double ScaleBarValue(double dNominal) {
  if (!(dNominal >= 0.01)) return 0;
  if (dNominal >= 200000) return 200000;
  // Each decade's steps, largest first; values are whole hundredths to stay
  // exact.
  static const struct {
    long long top, step;  // hundredths
  } kDecades[] = {{20000000, 10000}, {9000, 1000}, {900, 100}, {90, 10}, {9, 1}};
  const long long nominal = (long long)std::floor(dNominal * 100 + 1e-6);
  for (const auto& d : kDecades) {
    const long long bottom = d.step;
    if (nominal < bottom) continue;
    long long v = nominal > d.top ? d.top : nominal / d.step * d.step;
    return v / 100.0;
  }
  return 0;
}

PaperHeadBox LayoutPaperHead(int nLeftMm, int nTopMm, int nTextWidth, int nLines, int nPageWidth, double dBarShare,
                             double dPixelsPerMmX, double dPixelsPerMmY) {
  PaperHeadBox b;
  b.nLeft = RoundToInt(nLeftMm * dPixelsPerMmX);
  b.nTop = RoundToInt(nTopMm * dPixelsPerMmY);
  b.nBarLength = dBarShare > 0 ? RoundToInt(50.0 * dBarShare * dPixelsPerMmX) : 0;
  int width = nTextWidth < nPageWidth ? nTextWidth : nPageWidth;
  if (b.nBarLength > 0) {
    const int least = b.nBarLength + RoundToInt(15 * dPixelsPerMmX);
    if (width < least) width = least;
  }
  b.nWidth = width + RoundToInt(3 * dPixelsPerMmX);
  const double lines = (nLines < 1 ? 1 : nLines) + (b.nBarLength > 0 ? 1.2 : 0.0);
  b.nHeight = RoundToInt(4 * dPixelsPerMmY * lines);
  return b;
}

// --- pen widths
// -----------------------------------------------------------------------------------

CPenWidthList::CPenWidthList() {
  static const int32_t kFirst[] = {13, 20, 35, 50, 70, 18, 120};
  for (int i = 0; i < kPenCount; ++i) m_widths[i] = i < 7 ? kFirst[i] : 20;
}

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads the whole pairs present, up to nCount, into pens from nFirst; a pair
// that is no hex number ends the reading.
void ReadPairs(const char* s, int32_t* widths, int nCount) {
  const size_t len = strlen(s);
  for (int i = 0; i < nCount && (size_t)(2 * i + 1) < len; ++i) {
    const int hi = HexDigit(s[2 * i]), lo = HexDigit(s[2 * i + 1]);
    if (hi < 0 || lo < 0) return;
    widths[i] = hi * 16 + lo;
  }
}

CString WritePairs(const int32_t* widths, int nCount) {
  CString s;
  char pair[16];
  for (int i = 0; i < nCount; ++i) {
    const int32_t w = widths[i] < 0 ? 0 : widths[i] > kMaxPenWidth ? kMaxPenWidth : widths[i];
    snprintf(pair, sizeof pair, "%02x", (unsigned)w);
    s += pair;
  }
  return s;
}

}  // namespace

void CPenWidthList::ReadProfile(const char* lpszPenlist1, const char* lpszPenlist2) {
  if (!lpszPenlist1 || !*lpszPenlist1) return;
  for (int i = 127; i < kPenCount; ++i) m_widths[i] = 20;
  ReadPairs(lpszPenlist1, m_widths, 127);
  if (lpszPenlist2 && *lpszPenlist2) ReadPairs(lpszPenlist2, m_widths + 127, 128);
}

CString CPenWidthList::GetPenlist1() const { return WritePairs(m_widths, 127); }

CString CPenWidthList::GetPenlist2() const { return WritePairs(m_widths + 127, 128); }

CString CPenWidthList::FormatPenFile() const {
  int last = kPenCount;
  while (last > 1 && m_widths[last - 1] == m_widths[last - 2]) --last;
  CString text;
  char line[32];
  for (int i = 0; i < last; ++i) {
    snprintf(line, sizeof line, "%d\n", (int)m_widths[i]);
    text += line;
  }
  return text;
}

BOOL CPenWidthList::ReadPenFile(const char* lpszText) {
  int32_t read[kPenCount];
  int n = 0;
  const char* p = lpszText;
  while (p && *p && n < kPenCount) {
    const char* end = strchr(p, '\n');
    const size_t len = end ? (size_t)(end - p) : strlen(p);
    char line[64];
    const size_t take = len < sizeof line - 1 ? len : sizeof line - 1;
    memcpy(line, p, take);
    line[take] = '\0';
    // A blank last line is the file's end, not a pen.
    if (take > 0 && !(take == 1 && line[0] == '\r')) read[n++] = (int32_t)atoi(line);
    p = end ? end + 1 : nullptr;
  }
  if (n == 0) return FALSE;
  for (int i = 0; i < kPenCount; ++i) m_widths[i] = read[i < n ? i : n - 1];
  return TRUE;
}

BOOL ParsePenWidth(const char* lpszText, int32_t* pnWidth) {
  if (!lpszText) return FALSE;
  char* end = nullptr;
  const double v = strtod(lpszText, &end);
  if (end == lpszText || !(v > 0) || v > kMaxPenWidth / 100.0 + 1e-9) return FALSE;
  // Hundredths, truncated as typed; the tiny allowance keeps 2.55 at 255
  // despite binary fractions.
  *pnWidth = (int32_t)(v * 100 + 1e-6);
  return *pnWidth > 0;
}

CString FormatPenWidth(int32_t nWidth) {
  CString s;
  s.Format("%.2lf mm", nWidth / 100.0);
  return s;
}
