// The document's OLE items under Wine's real OLE: an object embedded in a Vellview document (a
// static picture, made and drawn by the system's handler) lies and draws at its fixed place; the
// document's embedded item tells containers its extent and draws the document's embedded objects
// into its picture; the in-place frame's toolbar carries its 14 commands.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include "InPlaceFrame.h"
#include "VLRCntrItem.h"
#include "VLRDoc.h"
#include "VLRSrvrItem.h"
#include "WinTestSupport.h"
#include "resource.h"

namespace {

// A data object that offers one picture: a black square filling a 100 x 100 window.
class SquarePicture final : public IDataObject {
 public:
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    *ppv = nullptr;
    if (riid != IID_IUnknown && riid != IID_IDataObject) return E_NOINTERFACE;
    *ppv = static_cast<IDataObject*>(this);
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP GetData(FORMATETC* f, STGMEDIUM* m) override {
    if (QueryGetData(f) != S_OK) return DV_E_FORMATETC;
    HDC dc = CreateMetaFileA(nullptr);
    SetWindowOrgEx(dc, 0, 0, nullptr);
    SetWindowExtEx(dc, 100, 100, nullptr);
    SelectObject(dc, GetStockObject(BLACK_BRUSH));
    SelectObject(dc, GetStockObject(BLACK_PEN));
    Rectangle(dc, 0, 0, 100, 100);
    HMETAFILE mf = CloseMetaFile(dc);
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, sizeof(METAFILEPICT));
    auto* p = static_cast<METAFILEPICT*>(GlobalLock(h));
    p->mm = MM_ANISOTROPIC;
    p->xExt = 2000;
    p->yExt = 2000;
    p->hMF = mf;
    GlobalUnlock(h);
    m->tymed = TYMED_MFPICT;
    m->hMetaFilePict = h;
    m->pUnkForRelease = nullptr;
    return S_OK;
  }
  STDMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  STDMETHODIMP QueryGetData(FORMATETC* f) override {
    return f && f->cfFormat == CF_METAFILEPICT && (f->tymed & TYMED_MFPICT) ? S_OK : DV_E_FORMATETC;
  }
  STDMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
    out->ptd = nullptr;
    return DATA_S_SAMEFORMATETC;
  }
  STDMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
  STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return OLE_E_ADVISENOTSUPPORTED; }
  STDMETHODIMP DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
  STDMETHODIMP EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }
};

// A white memory bitmap to draw into.
struct Canvas {
  Canvas(int w, int h) {
    HDC screen = GetDC(nullptr);
    dc.Attach(CreateCompatibleDC(screen));
    bmp = CreateCompatibleBitmap(screen, w, h);
    ReleaseDC(nullptr, screen);
    old = SelectObject(dc.m_hDC, bmp);
    RECT r = {0, 0, w, h};
    FillRect(dc.m_hDC, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  }
  ~Canvas() {
    SelectObject(dc.m_hDC, old);
    DeleteObject(bmp);
  }
  bool Black(int x, int y) { return (GetPixel(dc.m_hDC, x, y) & 0xFFFFFF) == 0; }
  CDC dc;
  HBITMAP bmp;
  HGDIOBJ old;
};

class OleItemsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    doc_ = new CVLRDoc;
  }
  void TearDown() override {
    delete doc_;
    OleUninitialize();
  }
  CVLRDoc* doc_ = nullptr;
};

TEST_F(OleItemsTest, AnEmbeddedObjectDrawsAtItsFixedPlace) {
  SquarePicture data;
  auto* item = new CVLRCntrItem(doc_);  // the document owns it
  ASSERT_TRUE(item->CreateStaticFromData(&data));
  ASSERT_EQ(doc_->GetClientItems().size(), 1u);
  CRect place;
  item->OnGetItemPosition(place);
  EXPECT_EQ(place, CRect(10, 10, 210, 210));
  SIZE extent = {};
  ASSERT_TRUE(item->GetExtent(&extent));
  EXPECT_EQ(extent.cx, 2000);

  Canvas canvas(300, 300);
  ASSERT_TRUE(item->Draw(&canvas.dc, &place));
  struct Probe {
    int x, y;
    bool black;
  } probes[] = {{12, 12, true}, {110, 110, true}, {205, 205, true}, {5, 5, false}, {110, 5, false},
                {5, 110, false}, {250, 110, false}, {110, 250, false}};
  for (const Probe& p : probes) EXPECT_EQ(canvas.Black(p.x, p.y), p.black) << p.x << "," << p.y;
}

TEST_F(OleItemsTest, TheEmbeddedItemTellsItsExtentAndDrawsTheDocumentsObjects) {
  COleServerItem* item = doc_->GetEmbeddedItem();
  ASSERT_NE(item, nullptr);
  EXPECT_TRUE(item->IsEmbeddedItem());
  EXPECT_EQ(doc_->GetEmbeddedItem(), item);  // one per document
  CSize size(0, 0);
  ASSERT_TRUE(item->OnGetExtent(DVASPECT_CONTENT, size));
  EXPECT_EQ(size, CSize(3000, 3000));
  CSize icon(0, 0);
  EXPECT_FALSE(item->OnGetExtent(DVASPECT_ICON, icon));

  // The picture sets the 3000 x 3000 window; the document's embedded objects draw into it (the
  // system's handler records their pictures there), the drawing itself does not.
  UINT emptySize = 0;
  for (bool withObject : {false, true}) {
    SquarePicture data;
    if (withObject) {
      ASSERT_TRUE((new CVLRCntrItem(doc_))->CreateStaticFromData(&data));
    }
    HGLOBAL h = item->GetMetafilePict();
    ASSERT_NE(h, nullptr);
    auto* pict = static_cast<METAFILEPICT*>(GlobalLock(h));
    EXPECT_EQ(pict->mm, MM_ANISOTROPIC);
    EXPECT_EQ(pict->xExt, 3000);
    EXPECT_EQ(pict->yExt, 3000);
    const UINT size = GetMetaFileBitsEx(pict->hMF, 0, nullptr);
    if (withObject) {
      EXPECT_GT(size, emptySize);
    } else {
      emptySize = size;
    }
    DeleteMetaFile(pict->hMF);
    GlobalUnlock(h);
    GlobalFree(h);
  }
}

TEST(InPlaceFrameTest, TheToolbarCarriesItsFourteenCommands) {
  const UINT expected[14] = {ID_EDIT_CUT, ID_EDIT_COPY,      ID_EDIT_PASTE, 0, ID_FILE_PRINT,   0,    ID_ZOOM_IN,
                             ID_ZOOM_OUT, 0, ID_VIEW_ENTIRE, ID_REDLINE_SELECT, 0, ID_RASTER_ARROW, ID_TOOLS_LENGTH};
  for (int i = 0; i < 14; ++i) EXPECT_EQ(CInPlaceFrame::kToolbarButtons[i], expected[i]) << i;
}

}  // namespace
