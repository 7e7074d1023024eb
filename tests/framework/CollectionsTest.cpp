// The array, list and map classes: the growth rule, list and map operations, the walking order of
// maps, and the serialised bytes of each kind the application serialises.
#include "ArchiveTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>

class CCollItem : public CObject {
  DECLARE_SERIAL(CCollItem)

 public:
  CCollItem() = default;
  explicit CCollItem(WORD w) : m_w(w) {}
  void Serialize(CArchive& ar) override {
    if (ar.IsStoring())
      ar << m_w;
    else
      ar >> m_w;
  }
  WORD m_w = 0;
};
IMPLEMENT_SERIAL(CCollItem, CObject, 1)

namespace {

// Exposes the capacity of an array.
template <class ARRAY>
struct Probe : ARRAY {
  int MaxSize() const { return this->m_nMaxSize; }
};

struct GrowthStep {
  int nAdds;    // elements added one by one since the step before
  int maxSize;  // capacity after them
};

TEST(CollectionsTest, AddGrowsByAnEighthClampedTo4To1024) {
  const GrowthStep steps[] = {
      {1, 1},    // an empty array gets exactly the size asked
      {1, 5},    // the 2nd element at size 1: grow by 4 (1 / 8 = 0, clamped up)
      {4, 9},    {4, 13}, {20, 33},
      {4, 37},   // the 34th at size 33: 33 / 8 = 4
      {4, 41},   // the 38th at size 37: 4
      {4, 46},   // the 42nd at size 41: 5
      {5, 51},   // the 47th at size 46: 5
      {5, 57},   // the 52nd at size 51: 6
  };
  Probe<CArray<int, int>> a;
  int n = 0;
  for (const GrowthStep& s : steps) {
    for (int i = 0; i < s.nAdds; ++i, ++n)
      EXPECT_EQ(a.Add(n), n);
    EXPECT_EQ(a.GetSize(), n);
    EXPECT_EQ(a.MaxSize(), s.maxSize) << "after " << n << " elements";
  }
  for (int i = 0; i < n; ++i)
    EXPECT_EQ(a[i], i);

  Probe<CByteArray> big;
  big.SetSize(10000);
  EXPECT_EQ(big.MaxSize(), 10000);
  big.Add(1);
  EXPECT_EQ(big.MaxSize(), 11024);  // 10000 / 8 = 1250, clamped to 1024
}

TEST(CollectionsTest, SetSizeGrowByAndExactFit) {
  Probe<CWordArray> a;
  a.SetSize(10, 3);
  EXPECT_EQ(a.MaxSize(), 10);
  a.Add(7);
  EXPECT_EQ(a.MaxSize(), 13);
  a.SetSize(12);
  EXPECT_EQ(a.MaxSize(), 13);
  a.SetSize(100);  // more than the capacity plus grow-by: exactly the size
  EXPECT_EQ(a.MaxSize(), 100);
  EXPECT_EQ(a[99], 0);
  a.SetSize(5);
  EXPECT_EQ(a.MaxSize(), 100);
  a.FreeExtra();
  EXPECT_EQ(a.MaxSize(), 5);
  a.RemoveAll();
  EXPECT_EQ(a.GetSize(), 0);
  EXPECT_EQ(a.MaxSize(), 0);
  EXPECT_EQ(a.GetData(), nullptr);
}

TEST(CollectionsTest, SetAtGrowInsertAtAndRemoveAt) {
  Probe<CDWordArray> a;
  a.SetAtGrow(3, 9);
  EXPECT_EQ(a.GetSize(), 4);
  EXPECT_EQ(a[0], 0u);
  EXPECT_EQ(a[3], 9u);
  a.InsertAt(1, 5, 2);
  ASSERT_EQ(a.GetSize(), 6);
  const DWORD after[] = {0, 5, 5, 0, 0, 9};
  for (int i = 0; i < 6; ++i)
    EXPECT_EQ(a[i], after[i]) << i;
  a.InsertAt(8, 1);  // beyond the end: the gap is zero
  EXPECT_EQ(a.GetSize(), 9);
  EXPECT_EQ(a[7], 0u);
  EXPECT_EQ(a[8], 1u);
  a.RemoveAt(1, 2);
  EXPECT_EQ(a.GetSize(), 7);
  EXPECT_EQ(a[4], 0u);
  EXPECT_EQ(a[5], 0u);
  EXPECT_EQ(a[6], 1u);
  EXPECT_EQ(a.GetUpperBound(), 6);

  CStringArray s, t;
  s.Add("a");
  s.Add("b");
  t.Add("x");
  t.InsertAt(0, &s);
  ASSERT_EQ(t.GetSize(), 3);
  EXPECT_STREQ(t[0], "a");
  EXPECT_STREQ(t[1], "b");
  EXPECT_STREQ(t[2], "x");
  EXPECT_EQ(t.Append(s), 3);
  EXPECT_EQ(t.GetSize(), 5);
  s.Copy(t);
  EXPECT_EQ(s.GetSize(), 5);
  EXPECT_STREQ(s[4], "b");
  s.ElementAt(0) = "z";
  EXPECT_STREQ(s.GetAt(0), "z");
}

TEST(CollectionsTest, ArrayBytes) {
  CByteArray by;
  by.Add(1);
  by.Add(0xFF);
  CWordArray w;
  w.Add(0x1234);
  CDWordArray dw;
  dw.Add(0x89ABCDEF);
  dw.Add(1);
  CUIntArray u;
  u.Add(7);
  CStringArray s;
  s.Add("ab");
  s.Add("");
  CArray<CPoint, CPoint> points;
  points.Add(CPoint(1, -2));
  Bytes bytes = Store([&](CArchive& ar) {
    by.Serialize(ar);
    w.Serialize(ar);
    dw.Serialize(ar);
    u.Serialize(ar);
    s.Serialize(ar);
    points.Serialize(ar);
  });
  Bytes expected = ByteString()
                       .B({2, 0, 0x01, 0xFF})
                       .B({1, 0, 0x34, 0x12})
                       .B({2, 0, 0xEF, 0xCD, 0xAB, 0x89, 1, 0, 0, 0})
                       .B({1, 0, 7, 0, 0, 0})
                       .B({2, 0, 2, 'a', 'b', 0})
                       .B({1, 0}).Le(1, 4).Le(0xFFFFFFFE, 4)
                       .bytes;
  EXPECT_EQ(bytes, expected);

  CByteArray by2;
  CWordArray w2;
  CDWordArray dw2;
  CUIntArray u2;
  CStringArray s2;
  CArray<CPoint, CPoint> points2;
  EXPECT_EQ(Load(bytes,
                 [&](CArchive& ar) {
                   by2.Serialize(ar);
                   w2.Serialize(ar);
                   dw2.Serialize(ar);
                   u2.Serialize(ar);
                   s2.Serialize(ar);
                   points2.Serialize(ar);
                 }),
            0u);
  ASSERT_EQ(by2.GetSize(), 2);
  EXPECT_EQ(by2[1], 0xFF);
  EXPECT_EQ(w2[0], 0x1234);
  EXPECT_EQ(dw2[0], 0x89ABCDEFu);
  EXPECT_EQ(u2[0], 7u);
  ASSERT_EQ(s2.GetSize(), 2);
  EXPECT_STREQ(s2[0], "ab");
  EXPECT_STREQ(s2[1], "");
  ASSERT_EQ(points2.GetSize(), 1);
  EXPECT_TRUE(points2[0] == CPoint(1, -2));
}

TEST(CollectionsTest, PointArrayOf70000CountsWithTheEscape) {
  CArray<CPoint, CPoint> points;
  points.SetSize(70000);
  points[69999] = CPoint(5, 6);
  Bytes bytes = Store([&](CArchive& ar) { points.Serialize(ar); });
  ASSERT_EQ(bytes.size(), 6u + 70000 * 8);
  EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 6), (Bytes{0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}));
  CArray<CPoint, CPoint> back;
  Load(bytes, [&](CArchive& ar) { back.Serialize(ar); });
  ASSERT_EQ(back.GetSize(), 70000);
  EXPECT_TRUE(back[69999] == CPoint(5, 6));
}

TEST(CollectionsTest, ArrayWithMissingElementsThrows) {
  Bytes bytes = ByteString().B({0xFF, 0xFF}).Le(0x7FFFFFFF, 4).B({1, 2, 3}).bytes;
  CDWordArray a;
  try {
    Load(bytes, [&](CArchive& ar) { a.Serialize(ar); });
    FAIL() << "no exception";
  } catch (CArchiveException* e) {
    EXPECT_EQ(e->m_cause, CArchiveException::endOfFile);
    e->Delete();
  }
}

TEST(CollectionsTest, ElementsWithoutAStoredFormAreNotSerialised) {
  CArray<std::string, const std::string&> a;
  a.Add("x");
  try {
    Store([&](CArchive& ar) { a.Serialize(ar); });
    FAIL() << "no exception";
  } catch (CNotSupportedException* e) {
    e->Delete();
  }
}

TEST(CollectionsTest, ObArrayAndObListBytes) {
  CCollItem a(1), b(2);
  CObArray arr;
  arr.Add(&a);
  arr.Add(&b);
  arr.Add(&a);
  CObList list;
  list.AddTail(&b);
  list.AddTail((CObject*)nullptr);
  Bytes bytes = Store([&](CArchive& ar) {
    arr.Serialize(ar);
    list.Serialize(ar);
  });
  Bytes expected = ByteString()
                       .B({3, 0})
                       .B({0xFF, 0xFF, 1, 0, 9, 0}).Text("CCollItem").B({1, 0})
                       .B({0x01, 0x80, 2, 0})
                       .B({0x02, 0x00})
                       .B({2, 0})
                       .B({0x03, 0x00})
                       .B({0x00, 0x00})
                       .bytes;
  EXPECT_EQ(bytes, expected);

  CObArray arr2;
  CObList list2;
  Load(bytes, [&](CArchive& ar) {
    arr2.Serialize(ar);
    list2.Serialize(ar);
  });
  ASSERT_EQ(arr2.GetSize(), 3);
  ASSERT_EQ(list2.GetCount(), 2);
  EXPECT_EQ(arr2[0], arr2[2]);
  EXPECT_EQ(list2.GetHead(), arr2[1]);
  EXPECT_EQ(list2.GetTail(), nullptr);
  EXPECT_EQ(static_cast<CCollItem*>(arr2[1])->m_w, 2);
  delete arr2[0];
  delete arr2[1];
}

TEST(CollectionsTest, ListOperations) {
  CStringList l;
  EXPECT_TRUE(l.IsEmpty());
  EXPECT_EQ(l.GetHeadPosition(), nullptr);
  POSITION pb = l.AddTail("b");
  l.AddHead("a");
  POSITION pd = l.AddTail("d");
  l.InsertBefore(pd, "c");
  l.InsertAfter(pd, "e");
  auto Text = [&] {
    std::string s;
    for (POSITION pos = l.GetHeadPosition(); pos != nullptr;)
      s += (LPCTSTR)l.GetNext(pos);
    return s;
  };
  EXPECT_EQ(Text(), "abcde");
  std::string back;
  for (POSITION pos = l.GetTailPosition(); pos != nullptr;)
    back += (LPCTSTR)l.GetPrev(pos);
  EXPECT_EQ(back, "edcba");
  EXPECT_EQ(l.Find("b"), pb);
  EXPECT_EQ(l.Find("b", pb), nullptr);
  EXPECT_EQ(l.Find("z"), nullptr);
  EXPECT_EQ(l.FindIndex(3), pd);
  EXPECT_EQ(l.FindIndex(5), nullptr);
  EXPECT_EQ(l.FindIndex(-1), nullptr);
  l.SetAt(pb, "B");
  l.RemoveAt(pd);
  EXPECT_EQ(Text(), "aBce");
  EXPECT_STREQ(l.RemoveHead(), "a");
  EXPECT_STREQ(l.RemoveTail(), "e");
  EXPECT_EQ(l.GetCount(), 2);
  CStringList m;
  m.AddTail("x");
  m.AddTail(&l);
  m.AddHead(&l);
  std::string all;
  for (POSITION pos = m.GetHeadPosition(); pos != nullptr;)
    all += (LPCTSTR)m.GetNext(pos);
  EXPECT_EQ(all, "BcxBc");

  Bytes bytes = Store([&](CArchive& ar) { m.Serialize(ar); });
  EXPECT_EQ(bytes, (ByteString().B({5, 0, 1, 'B', 1, 'c', 1, 'x', 1, 'B', 1, 'c'}).bytes));
  CStringList m2;
  m2.AddTail("kept");
  Load(bytes, [&](CArchive& ar) { m2.Serialize(ar); });
  EXPECT_EQ(m2.GetCount(), 6);  // loading appends
  EXPECT_STREQ(m2.GetHead(), "kept");
}

TEST(CollectionsTest, WordMapWalksBucketsInOrderNewestFirst) {
  CMapWordToOb map;
  EXPECT_EQ(map.GetHashTableSize(), 17u);
  EXPECT_EQ(map.GetStartPosition(), nullptr);
  CCollItem items[4] = {CCollItem(1), CCollItem(16), CCollItem(2), CCollItem(272)};
  // Buckets of 17: 1 and 2 -> 0 (1 >> 4, 2 >> 4), 16 -> 1, 272 -> (272 >> 4) % 17 = 0.
  for (CCollItem& item : items)
    map.SetAt(item.m_w, &item);
  std::vector<WORD> order;
  for (POSITION pos = map.GetStartPosition(); pos != nullptr;) {
    WORD key;
    CObject* value;
    map.GetNextAssoc(pos, key, value);
    EXPECT_EQ(static_cast<CCollItem*>(value)->m_w, key);
    order.push_back(key);
  }
  EXPECT_EQ(order, (std::vector<WORD>{272, 2, 1, 16}));

  Bytes bytes = Store([&](CArchive& ar) { map.Serialize(ar); });
  Bytes expected = ByteString()
                       .B({4, 0})
                       .Le(272, 2).B({0xFF, 0xFF, 1, 0, 9, 0}).Text("CCollItem").Le(272, 2)
                       .Le(2, 2).B({0x01, 0x80}).Le(2, 2)
                       .Le(1, 2).B({0x01, 0x80}).Le(1, 2)
                       .Le(16, 2).B({0x01, 0x80}).Le(16, 2)
                       .bytes;
  EXPECT_EQ(bytes, expected);

  CMapWordToOb back;
  Load(bytes, [&](CArchive& ar) { back.Serialize(ar); });
  EXPECT_EQ(back.GetCount(), 4);
  CObject* p = nullptr;
  ASSERT_TRUE(back.Lookup(16, p));
  EXPECT_EQ(static_cast<CCollItem*>(p)->m_w, 16);
  // Loaded in stored order, so the walk is reversed within bucket 0.
  std::vector<WORD> order2;
  for (POSITION pos = back.GetStartPosition(); pos != nullptr;) {
    WORD key;
    CObject* value;
    back.GetNextAssoc(pos, key, value);
    order2.push_back(key);
    delete value;
  }
  EXPECT_EQ(order2, (std::vector<WORD>{1, 2, 272, 16}));
}

TEST(CollectionsTest, MapOperations) {
  CMapStringToPtr m;
  int x = 0, y = 0;
  m.SetAt("x", &x);
  m["y"] = &y;
  EXPECT_EQ(m.GetCount(), 2);
  void* p = nullptr;
  EXPECT_TRUE(m.Lookup("x", p));
  EXPECT_EQ(p, &x);
  EXPECT_FALSE(m.Lookup("X", p));  // case matters
  m.SetAt("x", &y);
  EXPECT_EQ(m.GetCount(), 2);
  EXPECT_TRUE(m.Lookup("x", p));
  EXPECT_EQ(p, &y);
  EXPECT_TRUE(m.RemoveKey("x"));
  EXPECT_FALSE(m.RemoveKey("x"));
  EXPECT_EQ(m.GetCount(), 1);
  m.RemoveAll();
  EXPECT_TRUE(m.IsEmpty());
  EXPECT_FALSE(m.Lookup("y", p));

  CMapPtrToWord pw;
  pw[&x] = 3;
  WORD w = 0;
  EXPECT_TRUE(pw.Lookup(&x, w));
  EXPECT_EQ(w, 3);
  CMapPtrToPtr pp;
  pp[&x] = &y;
  EXPECT_TRUE(pp.Lookup(&x, p));
  CMapWordToPtr wp;
  wp[5] = &x;
  EXPECT_TRUE(wp.Lookup(5, p));
  EXPECT_EQ(p, &x);
  try {
    Store([&](CArchive& ar) { wp.Serialize(ar); });
    FAIL() << "a pointer map was serialised";
  } catch (CNotSupportedException* e) {
    e->Delete();
  }
}

TEST(CollectionsTest, StringMapHashAndBytes) {
  // HashKey: "a" 97, "b" 98, "ab" 97 * 33 + 98 = 3299, "\xe4" (signed char -28) 4294967268.
  EXPECT_EQ(HashKey("ab"), 3299u);
  EXPECT_EQ(HashKey("\xe4"), 4294967268u);
  struct Case {
    UINT nHashSize;
    std::vector<std::string> order;  // walking order after inserting a, b, ab, \xe4
  };
  const Case cases[] = {
      {17, {"ab", "\xe4", "a", "b"}},  // buckets 12, 13, 1, 7
      {7, {"b", "ab", "\xe4", "a"}},   // buckets 6, 0, 2, 4
  };
  for (const Case& c : cases) {
    CMapStringToString m;
    m.InitHashTable(c.nHashSize);
    for (const char* k : {"a", "b", "ab", "\xe4"})
      m[k] = CString(k) + "=";
    std::vector<std::string> order;
    for (POSITION pos = m.GetStartPosition(); pos != nullptr;) {
      CString key, value;
      m.GetNextAssoc(pos, key, value);
      EXPECT_TRUE(value == key + "=");
      order.push_back((LPCTSTR)key);
    }
    EXPECT_EQ(order, c.order) << c.nHashSize;
  }

  CMapStringToString m;
  m.SetAt("C:\\a.dwg", "C:\\VLR1.VLR");
  m.SetAt("b", "x");
  Bytes bytes = Store([&](CArchive& ar) { m.Serialize(ar); });
  // "C:\a.dwg" hashes to bucket 14 of 17, "b" to 13.
  Bytes expected = ByteString()
                       .B({2, 0})
                       .B({1}).Text("b").B({1}).Text("x")
                       .B({8}).Text("C:\\a.dwg").B({11}).Text("C:\\VLR1.VLR")
                       .bytes;
  EXPECT_EQ(bytes, expected);
  CMapStringToString back;
  Load(bytes, [&](CArchive& ar) { back.Serialize(ar); });
  CString value;
  ASSERT_TRUE(back.Lookup("C:\\a.dwg", value));
  EXPECT_STREQ(value, "C:\\VLR1.VLR");

  CCollItem item(9);
  CMapStringToOb mo;
  mo.SetAt("k", &item);
  bytes = Store([&](CArchive& ar) { mo.Serialize(ar); });
  expected = ByteString().B({1, 0, 1, 'k', 0xFF, 0xFF, 1, 0, 9, 0}).Text("CCollItem").B({9, 0}).bytes;
  EXPECT_EQ(bytes, expected);
  CMapStringToOb mo2;
  Load(bytes, [&](CArchive& ar) { mo2.Serialize(ar); });
  CObject* p = nullptr;
  ASSERT_TRUE(mo2.Lookup("k", p));
  EXPECT_EQ(static_cast<CCollItem*>(p)->m_w, 9);
  delete p;
}

}  // namespace
