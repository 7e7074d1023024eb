// User attributes: values and their types, equality, the attribute map and the stored forms,
// with the ellipsis kind's range and OLE variants stored neutral.
#include "GXUserAttribute.h"

#include "GridTestSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

TEST(UserAttribute, ValueTypes) {
  CGXUserAttribute a;
  a.SetValue("");
  EXPECT_EQ(a.GetValueType(), (DWORD)CGXUserAttribute::vtEmpty);
  EXPECT_STREQ(a.GetValueText(), "");
  a.SetValue("12345678");
  EXPECT_EQ(a.GetValueType(), (DWORD)CGXUserAttribute::vtShortText);
  EXPECT_STREQ(a.GetValueText(), "12345678");
  a.SetValue("123456789");
  EXPECT_EQ(a.GetValueType(), (DWORD)CGXUserAttribute::vtText);
  EXPECT_EQ(a.GetLongValue(), 123456789);
  a.SetLong(-5);
  EXPECT_STREQ(a.GetValueText(), "-5");
  a.SetDWord(7);
  EXPECT_STREQ(a.GetValueText(), "7");
  a.SetDouble(2.5);
  EXPECT_STREQ(a.GetValueText(), "2.5");
  EXPECT_EQ(a.GetLongValue(), 2);
  const BYTE bytes[8] = {1, 0, 0, 0, 2, 0, 0, 0};
  a.SetBytes8(bytes);
  EXPECT_STREQ(a.GetValueText(), "0000000100000002");
}

TEST(UserAttribute, EqualityNeedsTheSameType) {
  CGXUserAttribute number, text("5");
  number.SetLong(5);
  number.m_nId = text.m_nId = 3;
  EXPECT_FALSE(number.IsEqual(text));
  CGXUserAttribute text2("5");
  text2.m_nId = 3;
  EXPECT_TRUE(text.IsEqual(text2));
}

TEST(UserAttributeMap, KeepsIdsSortedAndMergesByMode) {
  CGXUserAttributeMap map;
  map.SetAttribute(7, CGXUserAttribute("seven"));
  map.SetAttribute(3, CGXUserAttribute("three"));
  map.SetAttribute(5, CGXUserAttribute("five"));
  ASSERT_EQ(map.GetSize(), 3);
  EXPECT_EQ(map.GetAttributeAt(0)->m_nId, 3);
  EXPECT_EQ(map.GetAttributeAt(1)->m_nId, 5);
  EXPECT_EQ(map.GetAttributeAt(2)->m_nId, 7);

  CGXUserAttributeMap other;
  other.SetAttribute(5, CGXUserAttribute("FIVE"));
  other.SetAttribute(9, CGXUserAttribute("nine"));
  map.ChangeMap(&other, 1);
  EXPECT_STREQ(map.GetAttribute(5)->GetValueText(), "five");
  EXPECT_STREQ(map.GetAttribute(9)->GetValueText(), "nine");
  map.ChangeMap(&other, 0);
  EXPECT_STREQ(map.GetAttribute(5)->GetValueText(), "FIVE");
  map.ChangeMap(&other, 3);
  EXPECT_EQ(map.GetAttribute(5), nullptr);
  EXPECT_EQ(map.GetSize(), 2);
  map.RemoveAttribute(3);
  map.RemoveAttribute(4);
  EXPECT_EQ(map.GetSize(), 1);
}

TEST(UserAttributeMap, StoredForm) {
  CGXUserAttributeMap map;
  map.SetAttribute(4, CGXUserAttribute("ab"));
  Bytes bytes = Store([&](CArchive& ar) { ar << static_cast<const CObject*>(&map); });
  Bytes expected = ByteString()
                       .Le(0xFFFF, 2).Le(0, 2).Le(19, 2).Text("CGXUserAttributeMap")
                       .Le(1, 2)
                       .Le(0xFFFF, 2).Le(0, 2).Le(16, 2).Text("CGXUserAttribute")
                       .B({3, 2}).Text("ab")
                       .Le(4, 2)
                       .bytes;
  EXPECT_EQ(bytes, expected);
  std::unique_ptr<CGXUserAttributeMap> loaded;
  Load(bytes, [&](CArchive& ar) {
    loaded.reset(static_cast<CGXUserAttributeMap*>(ar.ReadNewObject(RUNTIME_CLASS(CGXUserAttributeMap))));
  });
  ASSERT_NE(loaded, nullptr);
  EXPECT_STREQ(loaded->GetAttribute(4)->GetValueText(), "ab");
}

TEST(UserAttributeMap, OneAttributeTwiceInAnArchiveIsRefused) {
  // Two entries that name the same attribute object: the second is a reference back to the
  // first, which the map would own twice.
  Bytes bytes = ByteString()
                    .Le(2, 2)
                    .Le(0xFFFF, 2).Le(0, 2).Le(16, 2).Text("CGXUserAttribute").B({3, 1}).Text("a").Le(4, 2)
                    .Le(2, 2).Le(5, 2)
                    .bytes;
  CGXUserAttributeMap map;
  try {
    Load(bytes, [&](CArchive& ar) { map.Serialize(ar); });
    FAIL() << "a repeated attribute was taken";
  } catch (CArchiveException* e) {
    EXPECT_EQ(e->m_cause, CArchiveException::badIndex);
    e->Delete();
  }
}

TEST(EllipseUserAttribute, KeepsItsValueOrRefusesToStoreIt) {
  CGXEllipseUserAttribute a(65535);
  Bytes bytes = Store([&](CArchive& ar) { a.Serialize(ar); });
  EXPECT_EQ(bytes, ByteString().Le(65535, 2).bytes);
  CGXEllipseUserAttribute b;
  Load(bytes, [&](CArchive& ar) { b.Serialize(ar); });
  EXPECT_EQ(b.GetNumber(), 65535);
  for (LONG nBad : {65536L, -1L}) {
    CGXEllipseUserAttribute big(nBad);
    try {
      Store([&](CArchive& ar) { big.Serialize(ar); });
      FAIL() << nBad << " was cut to 16 bits";
    } catch (CArchiveException* e) {
      e->Delete();
    }
  }
}

TEST(OleVarUserAttribute, StoredNeutralAndLoadedEmpty) {
  COleVariant v(12345L);
  CGXOleVarUserAttribute a(v);
  EXPECT_FALSE(a.IsEmpty());
  Bytes bytes = Store([&](CArchive& ar) { a.Serialize(ar); });
  EXPECT_EQ(bytes, ByteString().Le(0, 4).bytes);
  CGXOleVarUserAttribute b(v);
  Load(ByteString().Le(0xDEADBEEF, 4).bytes, [&](CArchive& ar) { b.Serialize(ar); });
  EXPECT_TRUE(b.IsEmpty());
  std::unique_ptr<CGXAbstractUserAttribute> clone(a.Clone());
  EXPECT_FALSE(clone->IsEmpty());
}

TEST(OleVarUserAttribute, VariantsReturnToThePool) {
  { CGXOleVarUserAttribute a{COleVariant(1.5)}; }
  int nFree = GXGetVariantPool()->GetFreeCount();
  EXPECT_GE(nFree, 1);
  CGXOleVarUserAttribute b{COleVariant(2L)};
  EXPECT_EQ(GXGetVariantPool()->GetFreeCount(), nFree - 1);
  EXPECT_EQ(b.GetVariant()->lVal, 2);
}

}  // namespace
