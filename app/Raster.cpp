// The raster image object: loading with its retries, the after-load step, pages, progress, and
// the library operations in the orders the library expects.
#include "Raster.h"

#include <cstdio>
#include <vector>

#include "MainFrm.h"
#include "RasterCals.h"
#include "VLRApp.h"
#include "zeri8v98.h"

IMPLEMENT_DYNCREATE(CRaster, CObject)

namespace {

// Settings the raster object follows; their defaults when the program runs without its record.
int AliasMode() {
  CVLRApp* app = GetVLRApp();
  return (app && app->m_pConfig) ? app->m_pConfig->m_nAlias : 1;
}

bool RotateCalsOn() {
  CVLRApp* app = GetVLRApp();
  return app && app->m_pConfig && app->m_pConfig->m_nRotateCals != 0;
}

CMainFrame* MainFrame() {
  CVLRApp* app = GetVLRApp();
  if (!app || !app->m_pMainWnd) return nullptr;
  if (!app->m_pMainWnd->IsKindOf(RUNTIME_CLASS(CMainFrame))) return nullptr;
  return static_cast<CMainFrame*>(app->m_pMainWnd);
}

// A copy of the file in the temporary folder ("VLR" prefix) for the library to read, removed
// when it goes out of scope whatever happened in between.
class CTempCopy {
 public:
  explicit CTempCopy(LPCSTR lpszSource) {
    char dir[MAX_PATH];
    DWORD n = ::GetTempPathA(MAX_PATH, dir);
    if (n == 0 || n >= MAX_PATH) return;
    char name[MAX_PATH];
    if (!::GetTempFileNameA(dir, "VLR", 0, name)) return;
    m_path = name;
    if (!::CopyFileA(lpszSource, name, FALSE)) m_ok = false;
    else m_ok = true;
  }
  ~CTempCopy() {
    if (!m_path.IsEmpty()) ::DeleteFileA(m_path);
  }
  CTempCopy(const CTempCopy&) = delete;
  CTempCopy& operator=(const CTempCopy&) = delete;
  bool IsOk() const { return m_ok; }
  LPCSTR Path() const { return m_path; }

 private:
  CString m_path;
  bool m_ok = false;
};

// An imaging failure as an error box: the application's message, when it has one, and below it the
// library's text for the error number, which says why.
void ShowImagingError(LPCSTR lpszMessage, int32_t code) {
  CString text = lpszMessage ? lpszMessage : "";
  if (!text.IsEmpty()) text += "\n\n";
  text += ImgGetErrorText(code);
  AfxMessageBox(text, MB_ICONSTOP);
}

bool ReadCalsFields(LPCSTR lpszPath, CalsHeaderFields* fields) {
  HANDLE f = ::CreateFileA(lpszPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  std::vector<uint8_t> header(kCalsHeaderSize);
  DWORD got = 0;
  BOOL ok = ::ReadFile(f, header.data(), (DWORD)header.size(), &got, nullptr);
  ::CloseHandle(f);
  return ok && CalsHeaderRead(header.data(), got, fields);
}

}  // namespace

CRaster::CRaster() {
  m_hImage = kNoClipboardImage;
  CWnd* main = AfxGetMainWnd();
  if (!::OpenClipboard(main ? main->m_hWnd : nullptr)) return;
  if (::IsClipboardFormatAvailable(CF_DIB)) {
    HANDLE h = ::GetClipboardData(CF_DIB);
    const void* packed = h ? ::GlobalLock(h) : nullptr;
    if (packed) {
      m_hImage = ImgFromPackedDib(packed);
      ::GlobalUnlock(h);
    }
  } else if (::IsClipboardFormatAvailable(CF_BITMAP)) {
    HBITMAP bitmap = static_cast<HBITMAP>(::GetClipboardData(CF_BITMAP));
    HPALETTE palette = ::IsClipboardFormatAvailable(CF_PALETTE)
                           ? static_cast<HPALETTE>(::GetClipboardData(CF_PALETTE))
                           : nullptr;
    if (bitmap) m_hImage = ImgFromBitmap(bitmap, palette);
  } else {
    ::CloseClipboard();
    return;
  }
  ::CloseClipboard();
  if (m_hImage < 0) return;
  ImgSetDisplayMode(AliasMode());
  m_nResolution = 0;
  AfterLoad(nullptr);
}

CRaster::CRaster(LPCSTR lpszPath) { LoadFromPath(lpszPath); }

CRaster::~CRaster() { FreeImage(); }

CRaster* CRaster::FromScanner(CWnd* pOwner, int* pnResult) {
  int32_t handle = ImgAcquire(pOwner ? pOwner->m_hWnd : nullptr, 1);
  if (pnResult) *pnResult = handle < 0 ? handle : 0;
  if (handle < 0) return nullptr;
  return new CRaster(AcquiredTag(), handle);
}

CRaster::CRaster(AcquiredTag, int32_t hImage) {
  m_hImage = hImage;
  ImgSetDisplayMode(AliasMode());
  m_nResolution = 0;
  AfterLoad(nullptr);
}

int CRaster::SelectSource(CWnd* pOwner) { return ImgSelectSource(pOwner ? pOwner->m_hWnd : nullptr); }

void CRaster::FreeImage() {
  if (m_hImage >= 0) ImgFree(m_hImage);
  m_hImage = -1;
}

void CRaster::BeginProgress(ProgressRecord* record) {
  record->nCounter = 0;
  record->pFrame = MainFrame();
  if (record->pFrame && record->pFrame->m_wndProgress.m_hWnd) record->pFrame->m_wndProgress.SetRange(0, 100);
  ImgSetProgressCallback(record, &CRaster::ProgressCallback, 1);
}

void CRaster::EndProgress() {
  ImgSetProgressCallback(nullptr, &CRaster::ProgressCallback, 0);
  if (CMainFrame* frame = MainFrame()) frame->SetProgress(0);
}

void CRaster::LoadFromPath(LPCSTR lpszPath) {
  m_strPath = lpszPath ? lpszPath : "";
  m_hImage = -1;
  CTempCopy copy(m_strPath);
  if (!copy.IsOk()) return;

  int32_t format = -1;
  for (int attempt = 0; attempt < 3 && format < 0; ++attempt) format = ImgGetFileFormat(copy.Path());
  if (format < 0) return;

  m_nPages = ImgGetPageCount(copy.Path());
  if (m_nPages < 1) m_nPages = 1;
  m_nCurPage = 0;
  ProgressRecord record;
  BeginProgress(&record);
  int32_t handle = -1;
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (record.pFrame) record.pFrame->SetProgress(0);
    handle = ImgIsMultiPage(copy.Path()) ? ImgLoadPage(copy.Path(), m_nCurPage) : ImgLoadFile(copy.Path());
    if (handle >= 0) break;
  }
  EndProgress();
  m_hImage = handle;
  if (m_hImage < 0) return;
  ImgSetDisplayMode(AliasMode());
  m_nResolution = 0;
  AfterLoad(copy.Path());
}

void CRaster::AfterLoad(LPCSTR lpszPath) {
  ImgInfoBlock info;
  memset(&info, 0, sizeof info);
  ImgGetInfo(m_hImage, &info);
  CalsHeaderFields cals = {0, 0};
  if (lpszPath) {
    m_nFormat = ImgGetFileFormat(lpszPath);
    if (m_nFormat == kFormatCals && ReadCalsFields(lpszPath, &cals)) m_nResolution = cals.density;
  }
  if (m_nResolution == 0) m_nResolution = info.dpiX;
  if (m_nResolution < 1 || m_nResolution > 9999) m_nResolution = 400;
  m_nResolutionY = info.dpiY;
  m_nWidth = info.width;
  m_nHeight = info.height;
  m_nBitsPerPixel = info.bitsPerPixel;
  if (RotateCalsOn() && cals.rotation != 0) {
    int32_t rotated = ImgRotate(m_hImage, cals.rotation * 100);
    if (rotated >= 0) {
      if (cals.rotation == 90 || cals.rotation == 270) {
        int w = m_nWidth;
        m_nWidth = m_nHeight;
        m_nHeight = w;
      }
    } else {
      ShowImagingError("Unable to rotate the image!", rotated);
    }
  }
  if (m_nBitsPerPixel == 32) {
    ImgReduceTo24Bpp(m_hImage);
    m_nBitsPerPixel = 24;
  }
}

int CRaster::ProgressPercent(int32_t nCounter, int32_t nTotal) {
  if (nCounter == 0) return 1;
  // A library that reports no total gives no share to show: the load counts as done.
  if (nTotal <= 0) return 100;
  int64_t percent = (int64_t)nCounter * 100 / nTotal;
  if (percent == 0) return 1;
  return percent > 100 ? 100 : (int)percent;
}

int32_t WINAPI CRaster::ProgressCallback(void* record, int32_t total) {
  ProgressRecord* r = static_cast<ProgressRecord*>(record);
  if (!r) return 0;
  int percent = ProgressPercent(r->nCounter, total);
  ++r->nCounter;
  // Every fourth step is left out: the control is not worth a repaint that often.
  if (percent % 4 != 0 && r->pFrame) r->pFrame->SetProgress(percent);
  return 0;
}

void CRaster::Draw(CDC* pDC, const CRect& target, const CRect& source) {
  if (m_hImage < 0 || target.Width() == 0 || target.Height() == 0 || source.Width() == 0 ||
      source.Height() == 0)
    return;
  CWaitCursor wait;
  ImgSetDisplayMode(AliasMode());
  ImgSetRegion(m_hImage, source.left, source.top, source.Width(), source.Height());
  if (m_nBitsPerPixel > 2) ImgSetupDcPalette(m_hImage, pDC->GetSafeHdc());
  ImgDrawToDc(m_hImage, pDC->GetSafeHdc(), target.left, target.top, target.Width(), target.Height());
}

UINT CRaster::RealizePalette(CDC* pDC) {
  if (m_hImage < 0 || m_nBitsPerPixel <= 2 || !pDC) return 0;
  ImgSetupDcPalette(m_hImage, pDC->GetSafeHdc());
  const UINT changed = ::RealizePalette(pDC->GetSafeHdc());
  return changed == GDI_ERROR ? 0 : changed;
}

void CRaster::Print(CDC* pDC, const CRect& target, const CRect& source) {
  if (m_hImage < 0) return;
  CWaitCursor wait;
  ImgSetRegion(m_hImage, source.left, source.top, source.Width(), source.Height());
  ImgSetDisplayMode(IMG_DISPLAY_ALIAS);
  ImgPrintToDc(m_hImage, pDC->GetSafeHdc(), target.left, target.top, target.Width(), target.Height());
  ImgSetDisplayMode(AliasMode());
}

void CRaster::Invert() {
  if (m_hImage < 0) return;
  CWaitCursor wait;
  ImgInvert(m_hImage);
}

void CRaster::MirrorY() {
  if (m_hImage < 0) return;
  CWaitCursor wait;
  ImgMirrorY(m_hImage);
}

void CRaster::MirrorX() {
  if (m_hImage < 0) return;
  CWaitCursor wait;
  ImgMirrorX(m_hImage);
}

void CRaster::Rotate(int nAngle) {
  if (m_hImage < 0) return;
  CWaitCursor wait;
  // A turn the library refuses (an image too large for the turned canvas) would otherwise do
  // nothing without a word.
  int32_t rotated = ImgRotate(m_hImage, nAngle);
  if (rotated < 0) ShowImagingError("Unable to rotate the image!", rotated);
  AfterLoad(nullptr);
}

HBITMAP CRaster::CopyRegion(const CRect* pRect) {
  if (m_hImage < 0) return nullptr;
  int32_t x = 0, y = 0, w = 0, h = 0;
  ImgGetRegion(m_hImage, &x, &y, &w, &h);
  CRect region = pRect ? *pRect : CRect(0, 0, m_nWidth, m_nHeight);
  ImgSetRegion(m_hImage, region.left, region.top, region.Width(), region.Height());
  HBITMAP bitmap = ImgCopyRegion(m_hImage, region.Width(), region.Height());
  ImgSetRegion(m_hImage, x, y, w, h);
  return bitmap;
}

int CRaster::Save(LPCSTR lpszPath, int nFormat) {
  if (m_hImage < 0) return m_hImage;
  CWaitCursor wait;
  ImgBeginSave(m_hImage);
  int result = ImgSaveFile(m_hImage, lpszPath, nFormat);
  ImgEndSave(m_hImage);
  // The callers only learn that the save failed; the library knows why (a folder that is not
  // there, a format that cannot hold the image's colours).
  if (result < 0) ShowImagingError(lpszPath, result);
  return result;
}

BOOL CRaster::LoadPage(int nPage) {
  if (nPage < 0 || nPage >= m_nPages) return FALSE;
  ProgressRecord record;
  BeginProgress(&record);
  int32_t handle = -1;
  bool opened = true;
  if (!ImgIsMultiPage(m_strPath)) {
    HANDLE file = ::CreateFileA(m_strPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      opened = false;
    } else {
      handle = ImgLoadFromHandle((int32_t)(intptr_t)file, 0, nPage);
      ::CloseHandle(file);
    }
  } else {
    handle = ImgLoadPage(m_strPath, nPage);
  }
  EndProgress();
  if (!opened || handle < 0) return FALSE;
  FreeImage();
  m_hImage = handle;
  m_nCurPage = nPage;
  ImgSetDisplayMode(AliasMode());
  m_nResolution = 0;
  AfterLoad(m_strPath);
  return TRUE;
}
