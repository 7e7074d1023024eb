// A real window on the test display: paints lines and text in WM_PAINT and into a memory DC, and
// reads the pixels back. When VV_HARNESS_HOLD_MS is set the window stays up that long afterwards,
// so the run script can take a screenshot of it.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

namespace {

const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kBlack = RGB(0, 0, 0);
const char kText[] = "Vellview";

void PaintScene(HDC dc, const RECT& rc) {
  FillRect(dc, &rc, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  HPEN pen = CreatePen(PS_SOLID, 1, kBlack);
  HGDIOBJ old = SelectObject(dc, pen);
  MoveToEx(dc, 10, 20, nullptr);
  LineTo(dc, 110, 20);  // horizontal: pixels (10..109, 20)
  MoveToEx(dc, 20, 30, nullptr);
  LineTo(dc, 20, 90);   // vertical: pixels (20, 30..89)
  SelectObject(dc, old);
  DeleteObject(pen);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, kBlack);
  TextOutA(dc, 40, 40, kText, sizeof kText - 1);
}

LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT rc;
    GetClientRect(hwnd, &rc);
    PaintScene(dc, rc);
    EndPaint(hwnd, &ps);
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

void PumpMessages(DWORD ms) {
  DWORD end = GetTickCount() + ms;
  MSG m;
  while (static_cast<LONG>(end - GetTickCount()) > 0) {
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&m);
      DispatchMessageA(&m);
    }
    Sleep(10);
  }
}

// Counts black pixels of the text's box, read through the given reader.
template <typename Reader>
int InkInTextBox(HDC measure, Reader pixel) {
  SIZE sz;
  GetTextExtentPoint32A(measure, kText, sizeof kText - 1, &sz);
  int ink = 0;
  for (int y = 40; y < 40 + sz.cy; ++y)
    for (int x = 40; x < 40 + sz.cx; ++x)
      if (pixel(x, y) == kBlack) ++ink;
  return ink;
}

void ExpectScene(HDC measure, const std::function<COLORREF(int, int)>& pixel) {
  for (int x = 10; x < 110; x += 9) EXPECT_EQ(pixel(x, 20), kBlack) << "x=" << x;
  for (int y = 30; y < 90; y += 7) EXPECT_EQ(pixel(20, y), kBlack) << "y=" << y;
  EXPECT_EQ(pixel(110, 20), kWhite);  // LineTo leaves out the last point
  EXPECT_EQ(pixel(20, 90), kWhite);
  EXPECT_EQ(pixel(200, 150), kWhite);
  EXPECT_GT(InkInTextBox(measure, pixel), 10);
}

TEST(Window, PaintsIntoMemoryDC) {
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = 320;
  bi.bmiHeader.biHeight = -240;  // top-down, so row y is at bits + y * 320
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(mem, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(bmp, nullptr);
  HGDIOBJ old = SelectObject(mem, bmp);
  RECT rc = {0, 0, 320, 240};
  PaintScene(mem, rc);
  GdiFlush();
  const DWORD* px = static_cast<const DWORD*>(bits);
  ExpectScene(mem, [&](int x, int y) {
    DWORD v = px[y * 320 + x] & 0xFFFFFF;  // BGRX
    return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
  });
  SelectObject(mem, old);
  DeleteObject(bmp);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
}

TEST(Window, PaintsOnTheDisplay) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = WndProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.lpszClassName = "VVHarnessWindow";
  ASSERT_NE(RegisterClassA(&wc), 0);
  HWND hwnd = CreateWindowExA(0, wc.lpszClassName, "Vellview harness", WS_POPUP | WS_VISIBLE,
                              100, 100, 320, 240, nullptr, nullptr, wc.hInstance, nullptr);
  ASSERT_NE(hwnd, nullptr);
  UpdateWindow(hwnd);
  PumpMessages(300);

  HDC dc = GetDC(hwnd);
  ExpectScene(dc, [&](int x, int y) { return GetPixel(dc, x, y); });
  ReleaseDC(hwnd, dc);

  if (const char* hold = std::getenv("VV_HARNESS_HOLD_MS")) PumpMessages(std::atoi(hold));
  DestroyWindow(hwnd);
  UnregisterClassA(wc.lpszClassName, wc.hInstance);
}

}  // namespace
