// CArchive: golden bytes of numbers, counts, strings and object graphs, the same bytes read back,
// and damaged archives (truncated, bad schema, unknown class, bad index) throwing their causes.
#include "ArchiveTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <set>

// Serialisable classes of the tests; run-time classes are registered by name across the program,
// so they live outside any anonymous namespace and carry names no other test uses.
class CArcPoint : public CObject {
  DECLARE_SERIAL(CArcPoint)

 public:
  CArcPoint() = default;
  CArcPoint(LONG x0, LONG y0) : x(x0), y(y0) {}
  void Serialize(CArchive& ar) override {
    if (ar.IsStoring())
      ar << x << y;
    else
      ar >> x >> y;
  }
  LONG x = 0;
  LONG y = 0;
};
IMPLEMENT_SERIAL(CArcPoint, CObject, 1)

// Refers to a point it does not own.
class CArcLink : public CObject {
  DECLARE_SERIAL(CArcLink)

 public:
  void Serialize(CArchive& ar) override {
    if (ar.IsStoring())
      ar << m_pPoint;
    else
      ar >> m_pPoint;
  }
  CArcPoint* m_pPoint = nullptr;
};
IMPLEMENT_SERIAL(CArcLink, CObject, 2)

// A point class with the same shape as CArcPoint, to test reading one where the other is asked.
class CArcOther : public CArcPoint {
  DECLARE_SERIAL(CArcOther)
};
IMPLEMENT_SERIAL(CArcOther, CArcPoint, 1)

// Records the schema its Serialize sees when loading.
class CArcSchemaProbe : public CObject {
  DECLARE_SERIAL(CArcSchemaProbe)

 public:
  void Serialize(CArchive& ar) override {
    if (ar.IsLoading())
      m_nSchemaSeen = ar.GetObjectSchema();
  }
  UINT m_nSchemaSeen = 0;
};
IMPLEMENT_SERIAL(CArcSchemaProbe, CObject, 5)

// Owns one child of any class, which may be another CArcNest.
class CArcNest : public CObject {
  DECLARE_SERIAL(CArcNest)

 public:
  ~CArcNest() override { delete m_pChild; }
  void Serialize(CArchive& ar) override {
    if (ar.IsStoring())
      ar << m_pChild;
    else
      ar >> m_pChild;
  }
  CObject* m_pChild = nullptr;
};
IMPLEMENT_SERIAL(CArcNest, CObject, 1)

class CArcNotSerial : public CObject {
  DECLARE_DYNCREATE(CArcNotSerial)
};
IMPLEMENT_DYNCREATE(CArcNotSerial, CObject)

namespace {

// Deletes each distinct object once.
struct Owned {
  std::set<CObject*> objects;
  CObject* Keep(CObject* p) {
    if (p != nullptr)
      objects.insert(p);
    return p;
  }
  ~Owned() {
    for (CObject* p : objects)
      delete p;
  }
};

TEST(ArchiveTest, NumbersAreLittleEndian) {
  Bytes bytes = Store([](CArchive& ar) {
    ar << (BYTE)0x12 << (WORD)0x3456 << (LONG)-2 << (DWORD)0x89ABCDEF << 1.0f << 1.0;
    ar << (int)-1 << (short)-2 << 'A' << (unsigned)7 << (BOOL)TRUE;
  });
  Bytes expected = ByteString()
                       .B({0x12, 0x56, 0x34, 0xFE, 0xFF, 0xFF, 0xFF, 0xEF, 0xCD, 0xAB, 0x89})
                       .B({0x00, 0x00, 0x80, 0x3F})
                       .B({0, 0, 0, 0, 0, 0, 0xF0, 0x3F})
                       .B({0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 'A', 7, 0, 0, 0, 1, 0, 0, 0})
                       .bytes;
  EXPECT_EQ(bytes, expected);

  BYTE by;
  WORD w;
  LONG l;
  DWORD dw;
  float f;
  double d;
  int i;
  short n;
  char ch;
  unsigned u;
  BOOL b;
  EXPECT_EQ(Load(bytes, [&](CArchive& ar) { ar >> by >> w >> l >> dw >> f >> d >> i >> n >> ch >> u >> b; }), 0u);
  EXPECT_EQ(by, 0x12);
  EXPECT_EQ(w, 0x3456);
  EXPECT_EQ(l, -2);
  EXPECT_EQ(dw, 0x89ABCDEFu);
  EXPECT_EQ(f, 1.0f);
  EXPECT_EQ(d, 1.0);
  EXPECT_EQ(i, -1);
  EXPECT_EQ(n, -2);
  EXPECT_EQ(ch, 'A');
  EXPECT_EQ(u, 7u);
  EXPECT_EQ(b, TRUE);
}

TEST(ArchiveTest, PointsSizesAndRectsAreLongs) {
  Bytes bytes = Store([](CArchive& ar) { ar << CPoint(1, -1) << CSize(2, 3) << CRect(4, 5, 6, 7); });
  Bytes expected = ByteString().Le(1, 4).Le(0xFFFFFFFF, 4).Le(2, 4).Le(3, 4).Le(4, 4).Le(5, 4).Le(6, 4).Le(7, 4).bytes;
  EXPECT_EQ(bytes, expected);
  CPoint p;
  CSize s;
  CRect r;
  Load(bytes, [&](CArchive& ar) { ar >> p >> s >> r; });
  EXPECT_TRUE(p == CPoint(1, -1));
  EXPECT_TRUE(s == CSize(2, 3));
  EXPECT_TRUE(r == CRect(4, 5, 6, 7));
}

struct CountCase {
  DWORD count;
  Bytes bytes;
};

TEST(ArchiveTest, CountsEscapeAtFFFF) {
  const CountCase cases[] = {
      {0, {0x00, 0x00}},
      {0x1234, {0x34, 0x12}},
      {0xFFFE, {0xFE, 0xFF}},
      {0xFFFF, {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}},
      {70000, {0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}},
      {0xFFFFFFFF, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
  };
  for (const CountCase& c : cases) {
    Bytes bytes = Store([&](CArchive& ar) { ar.WriteCount(c.count); });
    EXPECT_EQ(bytes, c.bytes) << c.count;
    DWORD read = 0;
    EXPECT_EQ(Load(bytes, [&](CArchive& ar) { read = ar.ReadCount(); }), 0u);
    EXPECT_EQ(read, c.count);
  }
}

struct StringCase {
  DWORD length;
  Bytes prefix;
};

TEST(ArchiveTest, StringLengthPrefixHasThreeSizes) {
  const StringCase cases[] = {
      {0, {0x00}},
      {3, {0x03}},
      {254, {0xFE}},
      {255, {0xFF, 0xFF, 0x00}},
      {0x1234, {0xFF, 0x34, 0x12}},
      {0xFFFD, {0xFF, 0xFD, 0xFF}},
      {0xFFFE, {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
      {70000, {0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}},
  };
  for (const StringCase& c : cases) {
    std::string text(c.length, 'x');
    for (size_t i = 0; i < text.size(); ++i)
      text[i] = (char)('a' + i % 26);
    Bytes bytes = Store([&](CArchive& ar) { ar << CString(text.c_str()); });
    Bytes expected = c.prefix;
    expected.insert(expected.end(), text.begin(), text.end());
    EXPECT_EQ(bytes, expected) << c.length;
    CString read("old");
    EXPECT_EQ(Load(bytes, [&](CArchive& ar) { ar >> read; }), 0u);
    EXPECT_EQ(read.GetLength(), (int)c.length);
    EXPECT_TRUE(std::string((LPCTSTR)read) == text) << c.length;
  }
}

TEST(ArchiveTest, UnicodeStringMarkIsRefused) {
  Bytes bytes = ByteString().B({0xFF, 0xFE, 0xFF, 0x01, 'a', 0}).bytes;
  CString s;
  try {
    Load(bytes, [&](CArchive& ar) { ar >> s; });
    FAIL() << "no exception";
  } catch (CArchiveException* e) {
    EXPECT_EQ(e->m_cause, CArchiveException::generic);
    e->Delete();
  }
}

// Two points of one class (the second by class reference), the first again (object reference),
// the null object, and an object of a second class that refers to the second point.
TEST(ArchiveTest, ObjectGraphGoldenBytes) {
  CArcPoint a(1, 2), b(3, 4);
  CArcLink link;
  link.m_pPoint = &b;
  Bytes bytes = Store([&](CArchive& ar) {
    ar << &a << &b << &a << (CObject*)nullptr << &link;
  });
  Bytes expected = ByteString()
                       // a: new class (index 1) "CArcPoint" schema 1, new object (index 2)
                       .B({0xFF, 0xFF, 0x01, 0x00, 0x09, 0x00})
                       .Text("CArcPoint")
                       .Le(1, 4)
                       .Le(2, 4)
                       // b: class reference 0x8000 | 1, new object (index 3)
                       .B({0x01, 0x80})
                       .Le(3, 4)
                       .Le(4, 4)
                       // a again: object reference 2
                       .B({0x02, 0x00})
                       // null
                       .B({0x00, 0x00})
                       // link: new class (index 4) "CArcLink" schema 2, new object (index 5),
                       // whose field refers to b (object 3)
                       .B({0xFF, 0xFF, 0x02, 0x00, 0x08, 0x00})
                       .Text("CArcLink")
                       .B({0x03, 0x00})
                       .bytes;
  EXPECT_EQ(bytes, expected);

  Owned owned;
  CObject *pA = nullptr, *pB = nullptr, *pA2 = nullptr, *pNull = &a, *pLink = nullptr;
  EXPECT_EQ(Load(bytes,
                 [&](CArchive& ar) {
                   ar >> pA;
                   owned.Keep(pA);
                   ar >> pB;
                   owned.Keep(pB);
                   ar >> pA2 >> pNull >> pLink;
                   owned.Keep(pLink);
                 }),
            0u);
  ASSERT_NE(pA, nullptr);
  ASSERT_NE(pB, nullptr);
  ASSERT_NE(pLink, nullptr);
  EXPECT_EQ(pA2, pA);
  EXPECT_EQ(pNull, nullptr);
  ASSERT_TRUE(pA->IsKindOf(RUNTIME_CLASS(CArcPoint)));
  ASSERT_TRUE(pLink->IsKindOf(RUNTIME_CLASS(CArcLink)));
  EXPECT_EQ(static_cast<CArcPoint*>(pA)->x, 1);
  EXPECT_EQ(static_cast<CArcPoint*>(pA)->y, 2);
  EXPECT_EQ(static_cast<CArcPoint*>(pB)->x, 3);
  EXPECT_EQ(static_cast<CArcLink*>(pLink)->m_pPoint, pB);
  EXPECT_EQ(owned.objects.size(), 3u);
}

// A reader that takes ownership of what it reads refuses a reference back to an object read
// before, so that no object is owned twice (or handed out after its owner freed it).
TEST(ArchiveTest, ReadNewObjectRefusesRepeatedObjects) {
  CArcPoint a(1, 2);
  Bytes bytes = Store([&](CArchive& ar) { ar << &a << &a << (CObject*)nullptr; });
  Owned owned;
  try {
    Load(bytes, [&](CArchive& ar) {
      owned.Keep(ar.ReadNewObject(RUNTIME_CLASS(CArcPoint)));
      ar.ReadNewObject(RUNTIME_CLASS(CArcPoint));
    });
    FAIL() << "a repeated object was read as a new one";
  } catch (CArchiveException* e) {
    EXPECT_EQ(e->m_cause, CArchiveException::badIndex);
    e->Delete();
  }
  EXPECT_EQ(owned.objects.size(), 1u);
  Bytes null = ByteString().B({0x00, 0x00}).bytes;
  Load(null, [&](CArchive& ar) { EXPECT_EQ(ar.ReadNewObject(nullptr), nullptr); });
}

TEST(ArchiveTest, ObjectSchemaIsSeenInsideSerialize) {
  CArcSchemaProbe probe;
  Bytes bytes = Store([&](CArchive& ar) { ar << &probe; });
  Owned owned;
  CObject* p = nullptr;
  Load(bytes, [&](CArchive& ar) {
    ar >> p;
    owned.Keep(p);
    EXPECT_EQ(ar.GetObjectSchema(), (UINT)-1);
  });
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(static_cast<CArcSchemaProbe*>(p)->m_nSchemaSeen, 5u);
}

// With 0x7FFF or more classes and objects numbered, references take the big-index escape.
TEST(ArchiveTest, BigIndexesUseTheEscape) {
  const int kCount = 40000;  // objects 2 .. 40001, class CArcPoint 1
  std::vector<std::unique_ptr<CArcPoint>> points;
  for (int i = 0; i < kCount; ++i)
    points.emplace_back(new CArcPoint(i, -i));
  CArcLink l1, l2;
  l1.m_pPoint = points.back().get();
  l2.m_pPoint = points.front().get();
  Bytes bytes = Store([&](CArchive& ar) {
    for (auto& p : points)
      ar << p.get();
    ar << points.back().get() << points.front().get() << &l1 << &l2;
  });
  // Each point after the first: class reference 0x8001 then 8 bytes.
  size_t nPoints = 6 + 9 + 8 + (size_t)(kCount - 1) * 10;
  ByteString tail;
  tail.Le(0x7FFF, 2).Le(40001, 4)  // the last point: object 40001 by escape
      .B({0x02, 0x00})               // the first point: object 2
      // l1: new class 40002, new object 40003, its point by escape
      .B({0xFF, 0xFF, 0x02, 0x00, 0x08, 0x00})
      .Text("CArcLink")
      .Le(0x7FFF, 2)
      .Le(40001, 4)
      // l2: class 40002 by escape with the class bit, new object 40004, its point 2
      .Le(0x7FFF, 2)
      .Le(0x80000000u | 40002u, 4)
      .B({0x02, 0x00});
  ASSERT_EQ(bytes.size(), nPoints + tail.bytes.size());
  EXPECT_EQ(Bytes(bytes.begin() + (long)nPoints, bytes.end()), tail.bytes);
  EXPECT_EQ(bytes[nPoints - 10], 0x01);
  EXPECT_EQ(bytes[nPoints - 9], 0x80);

  Owned owned;
  std::vector<CObject*> read;
  Load(bytes, [&](CArchive& ar) {
    for (int i = 0; i < kCount + 4; ++i) {
      CObject* p;
      ar >> p;
      owned.Keep(p);
      read.push_back(p);
    }
  });
  EXPECT_EQ(owned.objects.size(), (size_t)kCount + 2);
  EXPECT_EQ(read[kCount], read[kCount - 1]);
  EXPECT_EQ(read[kCount + 1], read[0]);
  EXPECT_EQ(static_cast<CArcLink*>(read[kCount + 2])->m_pPoint, read[kCount - 1]);
  EXPECT_EQ(static_cast<CArcLink*>(read[kCount + 3])->m_pPoint, read[0]);
  EXPECT_EQ(static_cast<CArcPoint*>(read[kCount - 1])->y, -(kCount - 1));
}

TEST(ArchiveTest, RawBytesAndTheBufferBoundary) {
  std::vector<char> big(10000);
  for (size_t i = 0; i < big.size(); ++i)
    big[i] = (char)(i * 7);
  Bytes bytes = Store([&](CArchive& ar) {
    ar.Write("VVX3", 5);
    ar.Write(big.data(), 4090);  // the next number straddles the 4096-byte buffer
    ar << (DWORD)0xA1B2C3D4;
    ar.Write(big.data(), (UINT)big.size());
  });
  ASSERT_EQ(bytes.size(), 5u + 4090 + 4 + big.size());
  EXPECT_EQ(std::memcmp(bytes.data(), "VVX3", 5), 0);
  char magic[5];
  std::vector<char> a(4090), b(big.size());
  DWORD dw = 0;
  UINT nLast = 0;
  Load(bytes, [&](CArchive& ar) {
    EXPECT_EQ(ar.Read(magic, 5), 5u);
    EXPECT_EQ(ar.Read(a.data(), 4090), 4090u);
    ar >> dw;
    nLast = ar.Read(b.data(), (UINT)b.size() + 100);  // asks past the end: gets what is there
  });
  EXPECT_STREQ(magic, "VVX3");
  EXPECT_EQ(dw, 0xA1B2C3D4u);
  EXPECT_EQ(nLast, big.size());
  EXPECT_TRUE(std::equal(a.begin(), a.end(), big.begin()));
  EXPECT_TRUE(b == big);
}

TEST(ArchiveTest, ModesAndWrongDirection) {
  CMemFile file;
  CArchive store(&file, CArchive::store);
  EXPECT_TRUE(store.IsStoring());
  EXPECT_FALSE(store.IsLoading());
  EXPECT_EQ(store.GetFile(), &file);
  WORD w;
  try {
    store >> w;
    FAIL() << "read from a storing archive";
  } catch (CArchiveException* e) {
    EXPECT_EQ(e->m_cause, CArchiveException::writeOnly);
    e->Delete();
  }
  store.Close();

  BYTE one = 1;
  CMemFile in(&one, 1);
  CArchive load(&in, CArchive::load);
  EXPECT_TRUE(load.IsLoading());
  try {
    load << (WORD)1;
    FAIL() << "write to a loading archive";
  } catch (CArchiveException* e) {
    EXPECT_EQ(e->m_cause, CArchiveException::readOnly);
    e->Delete();
  }
}

TEST(ArchiveTest, LoadingCloseGivesBackTheBytesReadAhead) {
  Bytes bytes = ByteString().Le(0x1111, 2).Le(0x2222, 2).bytes;
  CMemFile file(bytes.data(), (UINT)bytes.size());
  {
    CArchive ar(&file, CArchive::load);
    WORD w;
    ar >> w;
    ar.Close();
  }
  EXPECT_EQ(file.GetPosition(), 2u);
}

TEST(ArchiveTest, NotSerialisableClassIsNotWritten) {
  CArcNotSerial ob;
  try {
    Store([&](CArchive& ar) { ar << &ob; });
    FAIL() << "no exception";
  } catch (CNotSupportedException* e) {
    e->Delete();
  }
}

int CauseOfLoading(const Bytes& bytes, const CRuntimeClass* pClass = nullptr) {
  Owned owned;
  try {
    Load(bytes, [&](CArchive& ar) {
      for (;;)
        owned.Keep(ar.ReadObject(pClass));
    });
  } catch (CArchiveException* e) {
    int cause = e->m_cause;
    e->Delete();
    return cause;
  }
  return -1;
}

TEST(ArchiveTest, TruncatedArchiveThrowsEndOfFileAtEveryLength) {
  CArcPoint a(1, 2), b(3, 4);
  CArcLink link;
  link.m_pPoint = &b;
  Bytes bytes = Store([&](CArchive& ar) {
    ar << &a << &b << &a << &link << CString("tail");
    ar.WriteCount(70000);
  });
  for (size_t n = 0; n < bytes.size(); ++n) {
    Bytes cut(bytes.begin(), bytes.begin() + (long)n);
    Owned owned;
    int cause = -1;
    try {
      Load(cut, [&](CArchive& ar) {
        for (int i = 0; i < 4; ++i) {
          CObject* p;
          ar >> p;
          owned.Keep(p);
        }
        CString s;
        ar >> s;
        ar.ReadCount();
      });
    } catch (CArchiveException* e) {
      cause = e->m_cause;
      e->Delete();
    }
    EXPECT_EQ(cause, CArchiveException::endOfFile) << "cut at " << n;
  }
}

TEST(ArchiveTest, DamagedObjectRecordsThrowTheirCauses) {
  struct Case {
    const char* what;
    Bytes bytes;
    const CRuntimeClass* pRequested;
    int cause;
  };
  const Case cases[] = {
      {"bad schema", ByteString().B({0xFF, 0xFF, 0x02, 0x00, 0x09, 0x00}).Text("CArcPoint").Le(0, 8).bytes,
       nullptr, CArchiveException::badSchema},
      {"unknown class", ByteString().B({0xFF, 0xFF, 0x01, 0x00, 0x09, 0x00}).Text("CArcPoinT").Le(0, 8).bytes,
       nullptr, CArchiveException::badClass},
      {"class not serialisable", ByteString().B({0xFF, 0xFF, 0xFF, 0xFF, 0x07, 0x00}).Text("CObject").bytes,
       nullptr, CArchiveException::badClass},
      {"name too long", ByteString().B({0xFF, 0xFF, 0x01, 0x00, 0x40, 0x00}).Text(std::string(64, 'C')).bytes,
       nullptr, CArchiveException::badClass},
      {"wrong class asked", ByteString().B({0xFF, 0xFF, 0x02, 0x00, 0x08, 0x00}).Text("CArcLink").B({0, 0}).bytes,
       RUNTIME_CLASS(CArcPoint), CArchiveException::badClass},
      {"base class where derived asked",
       ByteString().B({0xFF, 0xFF, 0x01, 0x00, 0x09, 0x00}).Text("CArcPoint").Le(0, 8).bytes,
       RUNTIME_CLASS(CArcOther), CArchiveException::badClass},
      {"object not yet read", ByteString().B({0x05, 0x00}).bytes, nullptr, CArchiveException::badIndex},
      {"class not yet read", ByteString().B({0x01, 0x80}).bytes, nullptr, CArchiveException::badIndex},
      {"class index 0", ByteString().B({0x00, 0x80}).bytes, nullptr, CArchiveException::badIndex},
      {"object tag naming a class",
       ByteString().B({0xFF, 0xFF, 0x01, 0x00, 0x09, 0x00}).Text("CArcPoint").Le(0, 8).B({0x01, 0x00}).bytes,
       nullptr, CArchiveException::badIndex},
      {"big object index out of range", ByteString().Le(0x7FFF, 2).Le(0x1000, 4).bytes, nullptr,
       CArchiveException::badIndex},
      {"big class index out of range", ByteString().Le(0x7FFF, 2).Le(0x80001000, 4).bytes, nullptr,
       CArchiveException::badIndex},
  };
  for (const Case& c : cases)
    EXPECT_EQ(CauseOfLoading(c.bytes, c.pRequested), c.cause) << c.what;

  // A link whose field is a repeated object of the wrong class: its Serialize asks for a CArcPoint.
  Bytes wrongField = ByteString()
                         .B({0xFF, 0xFF, 0x02, 0x00, 0x08, 0x00})
                         .Text("CArcLink")
                         .B({0x02, 0x00})  // itself, a CArcLink, where a CArcPoint is due
                         .bytes;
  EXPECT_EQ(CauseOfLoading(wrongField), CArchiveException::badClass);
}

// A chain of nested objects, each the child of the one before: nDepth objects, the last with a
// null child.
Bytes NestedChain(int nDepth) {
  ByteString s;
  s.B({0xFF, 0xFF, 0x01, 0x00, 0x08, 0x00}).Text("CArcNest");
  for (int i = 1; i < nDepth; ++i)
    s.B({0x01, 0x80});
  s.B({0x00, 0x00});
  return s.bytes;
}

TEST(ArchiveTest, NestingDeeperThanTheLimitIsRefused) {
  CObject* p = nullptr;
  Load(NestedChain(CArchive::kMaxObjectDepth), [&](CArchive& ar) { ar >> p; });
  ASSERT_NE(p, nullptr);
  delete p;

  try {
    Load(NestedChain(CArchive::kMaxObjectDepth + 1), [&](CArchive& ar) { ar >> p; });
    FAIL() << "no exception";
  } catch (CArchiveException* e) {
    EXPECT_EQ(e->m_cause, CArchiveException::generic);
    e->Delete();
  }
}

}  // namespace
