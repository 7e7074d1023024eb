// Device contexts and GDI objects: drawing reaches a memory bitmap, selection hands back the
// object it replaced, objects free their handles, and a metafile records what was drawn. Built
// against the framework's one Win32 header, as the application includes it.
#include <gtest/gtest.h>

#include "FrameworkWin.h"

namespace {

TEST(Gdi, DrawingIntoAMemoryBitmap) {
  CClientDC screen(nullptr);
  CDC dc;
  ASSERT_TRUE(dc.CreateCompatibleDC(&screen));
  CBitmap bitmap;
  ASSERT_TRUE(bitmap.CreateCompatibleBitmap(&screen, 20, 20));
  CBitmap* old = dc.SelectObject(&bitmap);
  ASSERT_NE(old, nullptr);
  // The replaced object is the DC's own one-pixel bitmap, wrapped for the caller.
  BITMAP bm;
  ASSERT_TRUE(old->GetBitmap(&bm));
  EXPECT_EQ(bm.bmWidth, 1);

  dc.FillSolidRect(0, 0, 20, 20, RGB(255, 255, 255));
  dc.FillSolidRect(CRect(2, 2, 5, 5), RGB(255, 0, 0));
  CPen pen(PS_SOLID, 1, RGB(0, 0, 255));
  CPen* oldPen = dc.SelectObject(&pen);
  dc.MoveTo(0, 10);
  dc.LineTo(20, 10);
  dc.SelectObject(oldPen);
  EXPECT_EQ(dc.GetPixel(3, 3), RGB(255, 0, 0));
  EXPECT_EQ(dc.GetPixel(5, 5), RGB(255, 255, 255));  // the rectangle's right and bottom are outside
  EXPECT_EQ(dc.GetPixel(7, 10), RGB(0, 0, 255));
  EXPECT_EQ(dc.GetCurrentPosition(), CPoint(20, 10));

  // Mapping: one logical unit is two pixels.
  dc.SetMapMode(MM_ANISOTROPIC);
  dc.SetWindowExt(10, 10);
  dc.SetViewportExt(20, 20);
  CPoint p(3, 4);
  dc.LPtoDP(&p);
  EXPECT_EQ(p, CPoint(6, 8));
  dc.SelectObject(old);
  AfxDeleteTempMaps();
}

TEST(Gdi, ObjectsFreeTheirHandles) {
  HGDIOBJ pen, detached;
  {
    CPen p(PS_SOLID, 2, RGB(1, 2, 3));
    pen = p.m_hObject;
    EXPECT_EQ(GetObjectType(pen), static_cast<DWORD>(OBJ_PEN));
    CBrush b(RGB(4, 5, 6));
    detached = b.Detach();
  }
  EXPECT_EQ(GetObjectType(pen), 0u);
  // A detached handle is the caller's.
  EXPECT_EQ(GetObjectType(detached), static_cast<DWORD>(OBJ_BRUSH));
  DeleteObject(detached);

  CFont font;
  ASSERT_TRUE(font.CreatePointFont(100, "Arial"));
  LOGFONTA lf;
  ASSERT_TRUE(font.GetLogFont(&lf));
  EXPECT_LT(lf.lfHeight, 0);  // a character height, not a cell height
  EXPECT_STREQ(lf.lfFaceName, "Arial");

  CRgn a, b, both;
  ASSERT_TRUE(a.CreateRectRgn(0, 0, 10, 10));
  ASSERT_TRUE(b.CreateRectRgn(20, 0, 30, 10));
  ASSERT_TRUE(both.CreateRectRgn(0, 0, 0, 0));
  EXPECT_EQ(both.CombineRgn(&a, &b, RGN_OR), COMPLEXREGION);
  EXPECT_TRUE(both.PtInRegion(25, 5));
  EXPECT_FALSE(both.PtInRegion(15, 5));
}

TEST(Gdi, MetafileRecordsTheDrawing) {
  CMetaFileDC mf;
  ASSERT_TRUE(mf.CreateEnhanced(nullptr, nullptr, nullptr, "Vellview\0Drawing\0"));
  mf.Rectangle(0, 0, 100, 50);
  mf.TextOut(10, 10, CString("A1"));
  HENHMETAFILE h = mf.CloseEnhanced();
  ASSERT_NE(h, nullptr);
  ENHMETAHEADER header;
  ASSERT_TRUE(GetEnhMetaFileHeader(h, sizeof header, &header));
  EXPECT_GT(header.nRecords, 3u);
  DeleteEnhMetaFile(h);
}

}  // namespace
