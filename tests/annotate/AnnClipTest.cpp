// One annotation object as clipboard bytes: the one-element array, read back, and foreign data.
#include <gtest/gtest.h>

#include <memory>

#include "AnnClip.h"
#include "AnnLayer.h"
#include "AnnObj.h"
#include "ArchiveTestSupport.h"

namespace {

TEST(AnnClipTest, OneElementArrayBytes) {
  CAnnLayer layer("0", 0xFF, 1);
  CAnnCircle circle(RECT{10, 20, 40, 60}, &layer, 3);
  circle.m_nFillStyle = 4;
  ByteString expected;
  expected.Le(1, 2).Le(0xFFFF, 2).Le(1, 2).Le(10, 2).Text("CAnnCircle");
  expected.Le(0xFF, 4).Le(10, 4).Le(20, 4).Le(3, 2).Le(4, 4).Le(30, 4).Le(40, 4);
  const Bytes bytes = Store([&](CArchive& ar) { AnnStoreClip(ar, circle); });
  EXPECT_EQ(expected.bytes, bytes);

  std::unique_ptr<CAnnObj> pasted;
  EXPECT_EQ(0u, Load(bytes, [&](CArchive& ar) { pasted.reset(AnnLoadClip(ar)); }));
  ASSERT_TRUE(pasted && pasted->IsKindOf(RUNTIME_CLASS(CAnnCircle)));
  EXPECT_EQ(3, pasted->m_nLayerId);
  EXPECT_EQ(4, pasted->m_nFillStyle);
  EXPECT_EQ(30, static_cast<CAnnCircle*>(pasted.get())->m_nDx);
}

TEST(AnnClipTest, FirstOfSeveralAndEmptyArray) {
  ByteString two;
  two.Le(3, 2).Le(0xFFFF, 2).Le(1, 2).Le(8, 2).Text("CAnnLine").Le(1, 4).Le(2, 4).Le(3, 4).Le(0, 2).Le(0xFFFFFFFE, 4);
  two.Le(1, 4).Le(1, 4);
  two.Le(2, 2);  // the first element again, by back reference
  two.Le(0x8001, 2).Le(9, 4).Le(9, 4).Le(9, 4).Le(0, 2).Le(0xFFFFFFFE, 4).Le(1, 4).Le(1, 4);
  std::unique_ptr<CAnnObj> pasted;
  Load(two.bytes, [&](CArchive& ar) { pasted.reset(AnnLoadClip(ar)); });
  ASSERT_TRUE(pasted);
  EXPECT_EQ(CPoint(2, 3), pasted->m_ptAnchor);

  ByteString empty;
  empty.Le(0, 2);
  Load(empty.bytes, [&](CArchive& ar) { pasted.reset(AnnLoadClip(ar)); });
  EXPECT_EQ(nullptr, pasted);
}

TEST(AnnClipTest, ForeignDataIsRefused) {
  ByteString layer;
  layer.Le(1, 2).Le(0xFFFF, 2).Le(1, 2).Le(9, 2).Text("CAnnLayer").Le(1, 1).Text("0").Le(0, 4).Le(1, 2);
  ByteString cut;
  cut.Le(1, 2).Le(0xFFFF, 2).Le(1, 2).Le(8, 2).Text("CAnnLine").Le(1, 4);
  for (const Bytes& bytes : {layer.bytes, cut.bytes}) {
    bool bThrown = false;
    try {
      Load(bytes, [&](CArchive& ar) { delete AnnLoadClip(ar); });
    } catch (CArchiveException* e) {
      bThrown = true;
      e->Delete();
    }
    EXPECT_TRUE(bThrown);
  }
}

}  // namespace
