// What printing computes without the window system: the tiling of a print area
// into pages, the page at true scale, the paper head's text, scale bar and box,
// and the pen-width table with its profile strings and pen files. Not for:
// device contexts, the print dialogs or the page loop (the view and the
// framework).
#pragma once

#include <cstdint>

#include "Rect.h"
#include "Str.h"

// --- tiling
// -----------------------------------------------------------------------------------

// Columns and rows are each held to this, so a hostile print scale cannot ask
// for more pages than the framework's page numbers count.
const int kMaxPrintTiles = 255;

// The pages of one print: the document rectangle each page shows is page-sized,
// starting at (dLeft, dTop) and going right, then down.
struct PrintTiling {
  int nColumns = 1;
  int nRows = 1;
  double dLeft = 0, dTop = 0;
  double dPageWidth = 0, dPageHeight = 0;  // document units
  int PageCount() const { return nColumns * nRows; }
};

// Fit: one page that is the area itself.
PrintTiling FitTiling(const CRect& rcArea);
// True scale: as many page-sized tiles as cover the area (a partial tile
// counts, an exact multiple adds none), from the area's left, top; an area that
// fits on one page is centred on it.
PrintTiling TrueScaleTiling(const CRect& rcArea, double dPageWidth, double dPageHeight);
// The document rectangle of page nPage (from 1): row (n - 1) / columns, column
// (n - 1) % columns.
CRect PrintTileRect(const PrintTiling& tiling, int nPage);

// The document units one sheet covers along one side at true scale: dPaperMm
// millimetres of paper show dPaperMm x Scale2 / Scale1 millimetres of the drawn
// object. 0 for a scale that is not a positive number.
double TrueScalePageExtent(double dPaperMm, double dScale1, double dScale2, double dDocUnitsPerMm);

// --- paper head
// ---------------------------------------------------------------------------------

struct PaperHeadParts {
  BOOL bFileName = FALSE, bScale = FALSE, bText = FALSE, bTime = FALSE;
  CString strPath, strScale, strUserText, strDate, strTime;
};
// The head's text: path; a blank and the scale text; CR LF when there is text
// so far and user text or time follows; the user text; a blank, the date, "  -
// " and the time.
CString PaperHeadText(const PaperHeadParts& parts);
// "Scale: %1", or "Not according to scale" for a fitted print.
CString PaperHeadScaleText(BOOL bFit, const CString& strScalePair);

// The scale bar's value: the largest value of the series 200000 .. 100 (steps
// of 100), 90 .. 10, 9 .. 1, 0.9 .. 0.1, 0.09 .. 0.01 not above the nominal
// length; 0 below 0.01.
double ScaleBarValue(double dNominal);

// The head's box in device pixels from the page's top left, and the bar's
// length.
struct PaperHeadBox {
  int nLeft, nTop, nWidth, nHeight;
  int nBarLength;  // 0 without a bar
};
// nTextWidth: pixels of the widest text line; nLines: text lines; dBarShare:
// the bar value's share of the nominal length (0 without a bar); pixels per
// millimetre across and down.
PaperHeadBox LayoutPaperHead(int nLeftMm, int nTopMm, int nTextWidth, int nLines, int nPageWidth, double dBarShare,
                             double dPixelsPerMmX, double dPixelsPerMmY);

// --- pen widths
// ---------------------------------------------------------------------------------

const int kPenCount = 255;
// "%02x" holds no more than 0xff hundredths: wider pens are refused by the
// editor.
const int kMaxPenWidth = 255;

class CPenWidthList {
 public:
  CPenWidthList();  // the fresh table: 13, 20, 35, 50, 70, 18, 120, then 20
  // Pen n is 1 .. 255.
  int32_t GetWidth(int nPen) const { return m_widths[nPen - 1]; }
  void SetWidth(int nPen, int32_t nWidth) { m_widths[nPen - 1] = nWidth; }

  // From the profile's two strings; a short string fills the pens it holds
  // whole pairs for and leaves the others at their defaults. An empty
  // "Penlist1" keeps the fresh table.
  void ReadProfile(const char* lpszPenlist1, const char* lpszPenlist2);
  CString GetPenlist1() const;
  CString GetPenlist2() const;

  // The pen file: one "%d" line per pen, without trailing pens equal to their
  // predecessor.
  CString FormatPenFile() const;
  // Widths of up to 255 lines; pens after the last line take the last width
  // read. FALSE (table unchanged) when the text holds no line.
  BOOL ReadPenFile(const char* lpszText);

 private:
  int32_t m_widths[kPenCount];
};

// A width typed in the list, in hundredths of a millimetre; FALSE for text that
// is no number or a value not above 0 or above 2.55 mm.
BOOL ParsePenWidth(const char* lpszText, int32_t* pnWidth);
// "%.2lf mm" of a width in hundredths.
CString FormatPenWidth(int32_t nWidth);
