// CRaster: the one raster image of a document, over an image handle of the imaging library
// (zeri8v98.dll). It loads a file (through a temporary copy), a clipboard image or a scan, keeps
// the image's size, depth, resolution, pages and file format, and draws, prints, rotates,
// mirrors, inverts, copies and saves through the library. It owns its image.
// It also sends an area to a raster printer on a parallel port (RasterPrinter.cpp).
// Not for: the raster dialogs.
#pragma once

#include <cstdint>

#include "FrameworkWin.h"

class CMainFrame;

class CRaster : public CObject {
  DECLARE_DYNCREATE(CRaster)
 public:
  enum { kFormatCals = 18, kNoClipboardImage = -14 };

  // The clipboard's image (a new document shows it); handle -14 when there is none.
  CRaster();
  // The file's image (its current page 0); a negative handle when the library can't read it.
  explicit CRaster(LPCSTR lpszPath);
  ~CRaster() override;

  // A scanned image; null when the scan gives none, with the library's result in *pnResult.
  static CRaster* FromScanner(CWnd* pOwner, int* pnResult = nullptr);
  // The library's result: 0, or a negative error number.
  static int SelectSource(CWnd* pOwner);

  BOOL IsValid() const { return m_hImage >= 0; }

  // Target in device units, source in image pixels; nothing for an empty rectangle.
  void Draw(CDC* pDC, const CRect& target, const CRect& source);
  void Print(CDC* pDC, const CRect& target, const CRect& source);
  // Selects the image's palette into the context and realises it; the number of colours that
  // changed (0 for images without a palette).
  UINT RealizePalette(CDC* pDC);
  void Invert();
  void MirrorY();
  void MirrorX();
  // Hundredths of a degree; width and height follow the turn. A refused turn is shown with the
  // library's text.
  void Rotate(int nAngle);
  // A bitmap of the rectangle (the whole image when null) for the clipboard, owned by the caller.
  HBITMAP CopyRegion(const CRect* pRect);
  // The library's result: negative on failure, which is shown in an error box with the path and
  // the library's text.
  int Save(LPCSTR lpszPath, int nFormat);
  // FALSE, keeping the current image, when the page does not exist or can't be read.
  BOOL LoadPage(int nPage);
  // Saves the pixel rectangle as CALS (or TIFF G4, as the settings say), fitted to paper format
  // nSize of the raster printer's table, and sends it to port nPort (0: LPT1) nCopies times;
  // TRUE when every copy was sent. Every failure is shown in an error box.
  BOOL PrintToRasterPrinter(int nSize, const CRect& rect, int nPort, int nCopies);
  // Copies the file byte for byte to the port (or any file name); a failure is shown and FALSE.
  static BOOL CopyToPort(LPCSTR lpszPath, LPCSTR lpszPort);

  // The percentage the progress control shows at a callback: 1 at the first call, then the share
  // of the calls made, at least 1. A total of 0 or less counts as done.
  static int ProgressPercent(int32_t nCounter, int32_t nTotal);

  int m_nPages = 1;
  int m_nCurPage = 0;
  CString m_strPath;  // the file opened, not its temporary copy
  int m_hImage = -1;
  int m_nWidth = 0;
  int m_nHeight = 0;
  int m_nBitsPerPixel = 0;
  int m_nResolution = 0;   // dpi: the CALS header's for CALS files, else the image's; 400 when unknown
  int m_nResolutionY = 0;  // the image's vertical dpi
  int m_nFormat = -1;      // the library's code of the file's format

 private:
  struct AcquiredTag {};
  CRaster(AcquiredTag, int32_t hImage);

  struct ProgressRecord {
    int32_t nCounter;
    CMainFrame* pFrame;  // borrowed; null when there is no main frame
  };
  static int32_t WINAPI ProgressCallback(void* record, int32_t total);

  void LoadFromPath(LPCSTR lpszPath);
  // Reads the image's information; with a path, the file's format and its CALS header.
  void AfterLoad(LPCSTR lpszPath);
  void FreeImage();
  void BeginProgress(ProgressRecord* record);
  void EndProgress();
};
