// The bitmap pool on a fake window system: which texts name a bitmap, one load per bitmap however many
// cells name it, and every handle freed with the call that matches how it was made.
#include "GXDIBPool.h"

#include "GridTestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

class FakeBitmaps : public CGXDIBPlatform {
 public:
  void* LoadDIBResource(LPCTSTR pszName, UINT nId, int& nKind) override {
    const std::string key = pszName != nullptr ? pszName : std::to_string(nId);
    if (known.count(key) == 0)
      return nullptr;
    ++loads[key];
    nKind = known[key];
    return reinterpret_cast<void*>(++nNext);
  }
  void FreeDIB(void* h, int nKind) override { frees.push_back({(UINT_PTR)h, nKind}); }
  BOOL ReadHeader(void*, int, LONG& w, LONG& h, int& c) override {
    w = 32;
    h = 16;
    c = 2;
    return TRUE;
  }
  std::map<std::string, int> known = {{"7", gxDibGlobal}, {"LOGO", gxDibObject}};
  std::map<std::string, int> loads;
  std::vector<std::pair<UINT_PTR, int>> frees;
  UINT_PTR nNext = 0x100;
};

class DIBPoolTest : public ::testing::Test {
 protected:
  void SetUp() override { GXSetDIBPlatform(&bitmaps); }
  void TearDown() override { GXSetDIBPlatform(nullptr); }
  FakeBitmaps bitmaps;
};

TEST_F(DIBPoolTest, WhichTextsNameABitmap) {
  struct Case {
    const char* pszText;
    int nResult;
    UINT nId;
    const char* pszKey;
  } cases[] = {
      {"#BMP(7)", 1, 7, "#BMP(7)"},
      {"#bmp(7)", 1, 7, "#BMP(7)"},
      {"#BMP(0)", 0, 0, ""},
      {"#BMP(\"LOGO\")", 1, 0, "LOGO"},
      {"#BMP(\"\")", 0, 0, ""},
      {"#BMP(\"LOGO", 0, 0, ""},
      {"#BM", 0, 0, ""},
      {"text", 0, 0, ""},
      {"#BMP(99999999999)", 0, 0, ""},
  };
  CGXDIBPool pool;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pszText);
    CString sKey, sName;
    UINT nId = 99;
    EXPECT_EQ(pool.ParseBitmapText(c.pszText, sKey, nId, sName), c.nResult);
    EXPECT_EQ(nId, c.nId);
    EXPECT_STREQ(sKey, c.pszKey);
  }
}

TEST_F(DIBPoolTest, EachBitmapLoadsOnceAndIsFreedAsItWasMade) {
  void* hId = nullptr;
  void* hNamed = nullptr;
  {
    CGXDIBPool pool;
    for (int i = 0; i < 50; ++i) {
      hId = pool.GetDIB(i % 2 ? "#BMP(7)" : "#bmp(7)");
      hNamed = pool.GetDIB("#BMP(\"LOGO\")");
    }
    EXPECT_EQ(pool.GetDIB("#BMP(8)"), nullptr);  // no such resource
    EXPECT_EQ(pool.GetCount(), 2);
    EXPECT_EQ(bitmaps.loads["7"], 1);
    EXPECT_EQ(bitmaps.loads["LOGO"], 1);
  }
  ASSERT_EQ(bitmaps.frees.size(), 2u);
  for (const auto& f : bitmaps.frees)
    EXPECT_EQ(f.second, f.first == (UINT_PTR)hId ? gxDibGlobal : gxDibObject);
  EXPECT_NE(hNamed, nullptr);
}

TEST_F(DIBPoolTest, AHolderFreesWhatItHoldsWhenGivenAnother) {
  CGXDIB dib;
  EXPECT_FALSE(dib.Attach(nullptr, gxDibGlobal));
  EXPECT_TRUE(dib.Attach(reinterpret_cast<void*>(0x10), gxDibObject));
  EXPECT_EQ(dib.GetWidth(), 32);
  EXPECT_EQ(dib.GetHeight(), 16);
  EXPECT_TRUE(dib.Attach(reinterpret_cast<void*>(0x20), gxDibGlobal));
  ASSERT_EQ(bitmaps.frees.size(), 1u);
  EXPECT_EQ(bitmaps.frees[0], std::make_pair((UINT_PTR)0x10, (int)gxDibObject));
  EXPECT_EQ(dib.Detach(), reinterpret_cast<void*>(0x20));
}

}  // namespace
