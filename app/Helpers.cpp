// Shared helpers that need the window system.
#include "Helpers.h"

#include <vector>

long long RegionArea(HRGN region) {
  CWaitCursor wait;
  DWORD size = ::GetRegionData(region, 0, nullptr);
  if (size < sizeof(RGNDATAHEADER)) return 0;
  std::vector<BYTE> buffer(size);
  RGNDATA* data = reinterpret_cast<RGNDATA*>(buffer.data());
  if (::GetRegionData(region, size, data) != size) return 0;
  const DWORD fits = static_cast<DWORD>((size - sizeof(RGNDATAHEADER)) / sizeof(RECT));
  const DWORD count = data->rdh.nCount < fits ? data->rdh.nCount : fits;
  const RECT* rects = reinterpret_cast<const RECT*>(data->Buffer);
  long long area = 0;
  for (DWORD i = 0; i < count; ++i)
    area += static_cast<long long>(rects[i].right - rects[i].left) * (rects[i].bottom - rects[i].top);
  return area;
}

HBITMAP CaptureWindow(HWND window, const RECT* rect) {
  if (!::IsWindow(window)) return nullptr;
  ::SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  ::UpdateWindow(window);
  RECT r;
  if (rect) {
    r = *rect;
  } else {
    ::GetClientRect(window, &r);
  }
  HDC dc = ::GetDC(window);
  HDC mem = ::CreateCompatibleDC(dc);
  HBITMAP bmp = ::CreateCompatibleBitmap(dc, r.right - r.left, r.bottom - r.top);
  if (bmp) {
    HGDIOBJ old = ::SelectObject(mem, bmp);
    ::BitBlt(mem, 0, 0, r.right - r.left, r.bottom - r.top, dc, r.left, r.top, SRCCOPY);
    ::SelectObject(mem, old);
  }
  ::DeleteDC(mem);
  ::ReleaseDC(window, dc);
  ::SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  return bmp;
}

namespace {

// The path up to and including its first "\" (or "/" when there is none).
CString RootOf(LPCSTR path) {
  CString p(path);
  int cut = p.Find('\\');
  if (cut < 0) cut = p.Find('/');
  return cut < 0 ? p : p.Left(cut + 1);
}

}  // namespace

BOOL SupportsLongFileNames(LPCSTR path) {
  DWORD maxComponent = 0;
  if (!::GetVolumeInformationA(RootOf(path), nullptr, 0, nullptr, &maxComponent, nullptr, nullptr, 0)) return FALSE;
  return maxComponent > 32;
}

BOOL IsNetworkOrCdDrive(LPCSTR path) {
  UINT type = ::GetDriveTypeA(RootOf(path));
  return type == DRIVE_REMOTE || type == DRIVE_CDROM;
}

CString GetProgramDirPath(LPCSTR name) {
  char module[MAX_PATH];
  DWORD n = ::GetModuleFileNameA(nullptr, module, sizeof module);
  CString dir(module, static_cast<int>(n));
  int slash = dir.ReverseFind('\\');
  dir = slash >= 0 ? dir.Left(slash + 1) : CString();
  return dir + name;
}

CString GetTempDirPath(LPCSTR name) {
  char dir[MAX_PATH];
  DWORD n = ::GetTempPathA(sizeof dir, dir);
  return CString(dir, n < sizeof dir ? static_cast<int>(n) : 0) + name;
}

CDocument* FindOpenDocument(LPCSTR path) {
  CWinApp* app = AfxGetApp();
  POSITION tpos = app->GetFirstDocTemplatePosition();
  while (tpos) {
    CDocTemplate* t = app->GetNextDocTemplate(tpos);
    POSITION dpos = t->GetFirstDocPosition();
    while (dpos) {
      CDocument* doc = t->GetNextDoc(dpos);
      if (doc->GetPathName().CompareNoCase(path) == 0) return doc;
    }
  }
  return nullptr;
}

BOOL OpenRegKey(HKEY root, LPCSTR subKey, HKEY& rKey) {
  rKey = nullptr;
  if (::RegOpenKeyA(root, subKey, &rKey) == ERROR_SUCCESS) return TRUE;
  rKey = nullptr;
  return FALSE;
}

void CloseRegKey(HKEY& rKey) {
  if (!rKey) return;
  ::RegCloseKey(rKey);
  rKey = nullptr;
}

BOOL ReadRegString(HKEY key, LPCSTR name, CString& rValue) {
  // The size first, then the data (a value that grew in between fails the second call).
  DWORD type = 0, size = 0;
  if (::RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return FALSE;
  if (type != REG_SZ && type != REG_EXPAND_SZ) return FALSE;
  std::vector<BYTE> data(size + 1);
  if (::RegQueryValueExA(key, name, nullptr, &type, data.data(), &size) != ERROR_SUCCESS) return FALSE;
  // A value stored without its closing zero is not read past its end.
  data[size < data.size() ? size : data.size() - 1] = 0;
  rValue = reinterpret_cast<const char*>(data.data());
  return TRUE;
}
