// Sending a raster to a raster printer on a parallel port: the area saved as CALS or TIFF G4,
// resampled, turned and fitted to the paper, and copied byte for byte to the port as many times
// as copies are asked. Not for: the dialog or the job header (the view's command).
#include <vector>

#include "Raster.h"
#include "RasterCals.h"
#include "VLRApp.h"
#include "model/RasterPrintModel.h"
#include "zeri8v98.h"

namespace {

const int32_t kFormatTiffG4 = 10;

void ShowSaveFailure(const CString& why) {
  AfxMessageBox("Can not save to raster file! (" + why + ")", MB_ICONSTOP);
}

CString Numbered(LPCSTR lpszWhat, int nValue) {
  CString text;
  text.Format("%s: %d", lpszWhat, nValue);
  return text;
}

// A new empty file in the temporary folder with the prefix "VLR"; empty when none can be made.
CString NewTempFile() {
  char dir[MAX_PATH], name[MAX_PATH];
  const DWORD n = ::GetTempPathA(MAX_PATH, dir);
  if (n == 0 || n >= MAX_PATH || !::GetTempFileNameA(dir, "VLR", 0, name)) return CString();
  return CString(name);
}

// The density record of the CALS file's header, rewritten in place.
bool WriteCalsDensity(LPCSTR lpszPath, int nDpi) {
  HANDLE f = ::CreateFileA(lpszPath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  std::vector<uint8_t> header(kCalsHeaderSize);
  DWORD got = 0, put = 0;
  bool ok = ::ReadFile(f, header.data(), (DWORD)header.size(), &got, nullptr) &&
            CalsHeaderWriteDensity(header.data(), got, nDpi) &&
            ::SetFilePointer(f, 0, nullptr, FILE_BEGIN) == 0 &&
            ::WriteFile(f, header.data(), got, &put, nullptr) && put == got;
  ::CloseHandle(f);
  return ok;
}

}  // namespace

BOOL CRaster::CopyToPort(LPCSTR lpszPath, LPCSTR lpszPort) {
  auto fail = [](LPCSTR what) {
    AfxMessageBox("Can't print the raster file: " + Numbered(what, (int)::GetLastError()), MB_ICONSTOP);
    return FALSE;
  };
  HANDLE port = ::CreateFileA(lpszPort, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (port == INVALID_HANDLE_VALUE) return fail("open prn");
  // A port redirected to a file keeps what was sent before (the job header, earlier copies): the
  // data goes after it. A device has no end to move to and takes the data as it comes.
  ::SetFilePointer(port, 0, nullptr, FILE_END);
  HANDLE file = ::CreateFileA(lpszPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    BOOL r = fail("open CALS");
    ::CloseHandle(port);
    return r;
  }
  BOOL ok = TRUE;
  LARGE_INTEGER size;
  std::vector<char> buffer;
  DWORD got = 0, put = 0;
  if (!::GetFileSizeEx(file, &size) || size.QuadPart > 0x7FFFFFFF - 1024) {
    ::SetLastError(ERROR_FILE_TOO_LARGE);
    ok = fail("read CALS");
  } else {
    buffer.resize((size_t)size.QuadPart + 1024);
    if (!::ReadFile(file, buffer.data(), (DWORD)buffer.size(), &got, nullptr))
      ok = fail("read CALS");
    else if (!::WriteFile(port, buffer.data(), got, &put, nullptr) || put != got)
      ok = fail("write CALS");
    else
      ::FlushFileBuffers(port);
  }
  ::CloseHandle(file);
  ::CloseHandle(port);
  return ok;
}

BOOL CRaster::PrintToRasterPrinter(int nSize, const CRect& rect, int nPort, int nCopies) {
  if (m_hImage < 0) return FALSE;
  CWaitCursor wait;
  CVLRApp* app = GetVLRApp();
  const CConfig* c = app ? app->m_pConfig : nullptr;
  const CString port = RasterPortName(nPort);
  const int32_t format = (c && c->m_nRasterFormat == 1) ? kFormatTiffG4 : (int32_t)kFormatCals;

  const CString temp = NewTempFile();
  if (temp.IsEmpty()) {
    ShowSaveFailure(Numbered("SaveRaster I", (int)::GetLastError()));
    return FALSE;
  }
  int32_t x = 0, y = 0, w = 0, h = 0;
  ImgGetRegion(m_hImage, &x, &y, &w, &h);
  // An area the library refuses (empty, or off the image) would otherwise send the whole image.
  int32_t result = ImgSetRegion(m_hImage, rect.left, rect.top, rect.Width(), rect.Height());
  if (result >= 0) {
    ImgBeginSave(m_hImage);
    result = ImgSaveFile(m_hImage, temp, format);
    ImgEndSave(m_hImage);
  }
  ImgSetRegion(m_hImage, x, y, w, h);
  auto failed = [&temp](const CString& why) {
    ShowSaveFailure(why);
    ::DeleteFileA(temp);
    return FALSE;
  };
  if (result < 0) return failed(Numbered("SaveRaster I", result));

  RasterDpiSettings dpi;
  if (c) {
    dpi.nForceDpi = c->m_nForceDpi;
    dpi.nDpi = c->m_nDpi;
    dpi.nAllowDpi = c->m_nAllowDpi;
    dpi.nDpi2 = c->m_nDpi2;
  }
  CStringArray names;
  CWordArray sizes;
  if (app) BuildRasterPaperTable(app->m_paperNames, app->m_paperSizes, names, sizes);
  int paperW = 0, paperH = 0;
  // A size outside the table prints as the entry that does not fit to paper.
  if (!RasterPaperSize(sizes, nSize, &paperW, &paperH)) paperW = paperH = 0;
  if (paperW != 0) {
    const RasterPrintTarget t = FitRasterToPaper(rect.Width(), rect.Height(), m_nResolution, dpi, paperW, paperH);
    if (t.bResize || t.bRotate) {
      const int32_t image = ImgLoadFile(temp);
      if (image < 0) return failed(Numbered("Decompress", image));
      auto failedWith = [&](const CString& why) {
        ImgFree(image);
        return failed(why);
      };
      ImgInfoBlock info;
      memset(&info, 0, sizeof info);
      ImgGetInfo(image, &info);
      if (info.width != t.nWidth || info.height != t.nHeight) {
        result = ImgResize(image, t.nWidth, t.nHeight);
        if (result < 0) return failedWith(Numbered("Resize", result));
        memset(&info, 0, sizeof info);
        ImgGetInfo(image, &info);
        if (info.width != t.nWidth || info.height != t.nHeight) return failedWith("Check after resize");
      }
      if (t.bRotate) {
        result = ImgRotate(image, 9000);
        if (result < 0) return failedWith(Numbered("Rotate", result));
      }
      ImgBeginSave(image);
      result = ImgSaveFile(image, temp, format);
      ImgEndSave(image);
      ImgFree(image);
      if (result < 0) return failed(Numbered("SaveRaster II", result));
      if (format == kFormatCals) WriteCalsDensity(temp, t.nResolution);
    }
  }
  for (int i = 0; i < nCopies; ++i)
    if (!CopyToPort(temp, port)) return failed(temp + " " + port);
  ::DeleteFileA(temp);
  return TRUE;
}
