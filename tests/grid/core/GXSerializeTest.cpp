// The archive forms of the grid model: golden bytes of each stored object made here, round trips,
// and archives that are cut short or lie, which fail with the framework's archive exception and
// leave nothing behind (the sanitizers watch for leaks).
#include "GXBrowseParam.h"
#include "GXGridParam.h"
#include "GXSerializeImp.h"

#include "GridTestSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

ByteString& ClassHeader(ByteString& b, const char* pszName, int nSchema) {
  return b.Le(0xFFFF, 2).Le(nSchema, 2).Le(std::strlen(pszName), 2).Text(pszName);
}

template <class T>
std::unique_ptr<T> LoadObject(const Bytes& bytes, CRuntimeClass* pClass) {
  std::unique_ptr<T> p;
  size_t nLeft = Load(bytes, [&](CArchive& ar) { p.reset(static_cast<T*>(ar.ReadNewObject(pClass))); });
  EXPECT_EQ(nLeft, 0u);
  return p;
}

// Loads bytes that must fail with an archive exception; its cause.
int LoadFailure(const Bytes& bytes, CRuntimeClass* pClass) {
  try {
    Load(bytes, [&](CArchive& ar) { delete ar.ReadNewObject(pClass); });
  } catch (CArchiveException* e) {
    int nCause = e->m_cause;
    e->Delete();
    return nCause;
  }
  return -1;
}

TEST(StyleRecord, AnEmptyStyle) {
  CGXStyle s;
  Bytes bytes = Store([&](CArchive& ar) { s.Serialize(ar); });
  EXPECT_EQ(bytes, ByteString().Le(6, 2).Le(0, 4).Le(0, 2).Le(0, 2).bytes);
}

TEST(StyleRecord, GoldenBytesAndRoundTrip) {
  CGXStyle s;
  s.SetHAlign(2).SetControl(52520).SetValue("ab");
  CGXFont font;
  font.SetWeight(700);
  s.SetFont(font);
  Bytes bytes = Store([&](CArchive& ar) { ar << static_cast<const CObject*>(&s); });
  ByteString expected;
  ClassHeader(expected, "CGXStyle", 0).Le(6, 2).Le(0x609, 4).Le(2, 4).Le(52520, 4);
  ClassHeader(expected, "CGXFont", 0).Le(2, 2).Le(64, 4).Le(700, 2);
  expected.B({2}).Text("ab").Le(0, 2).Le(0, 2).B({0});
  EXPECT_EQ(bytes, expected.bytes);
  std::unique_ptr<CGXStyle> loaded = LoadObject<CGXStyle>(bytes, RUNTIME_CLASS(CGXStyle));
  ASSERT_NE(loaded, nullptr);
  EXPECT_TRUE(loaded->CompareSubset(s));
  EXPECT_TRUE(s.CompareSubset(*loaded));
}

TEST(StyleRecord, EveryAttributeRoundTrips) {
  CGXStyle s;
  s.SetHAlign(1).SetVerticalAlignment(8).SetReadOnly(TRUE).SetControl(52529).SetTextColor(0x00112233);
  s.SetWrapText(TRUE).SetAllowEnter(FALSE).SetValue("12").SetValueType(CGXStyle::valueNumber);
  s.SetChoiceText("a\nb").SetVertScrollBar(TRUE).SetMaxLength(40).SetEnabled(FALSE).SetTriState(TRUE);
  s.SetDraw3dFrame(2).SetAutoSize(TRUE).SetFloatCell(TRUE).SetFloodCell(FALSE).SetMergeCell(5);
  s.SetItemData(0xCAFE).SetNumberFormat(17).SetDecimalPlaces(3);
  CGXInteriorFill fill;
  fill.SetInterior(2, 0x00445566, 4);
  fill.SetBackColor(0xEF000000);
  s.SetInterior(fill);
  s.SetBorders(CGXStyle::sideLeft, CGXBorderLine(1, 3, 0x0000FF));
  s.SetCustomAttr(9, "nine");
  CGXFont font;
  font.SetFaceName("Arial");
  font.SetSize(10).SetItalic(TRUE).SetOrientation(450);
  s.SetFont(font);
  Bytes bytes = Store([&](CArchive& ar) { ar << static_cast<const CObject*>(&s); });
  std::unique_ptr<CGXStyle> loaded = LoadObject<CGXStyle>(bytes, RUNTIME_CLASS(CGXStyle));
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->GetIncludeBits(), s.GetIncludeBits());
  EXPECT_TRUE(loaded->CompareSubset(s));
  EXPECT_TRUE(s.CompareSubset(*loaded));
  EXPECT_EQ(loaded->GetBorders(CGXStyle::sideLeft), s.GetBorders(CGXStyle::sideLeft));
  EXPECT_FALSE(loaded->GetBorders(CGXStyle::sideTop).IsSet());
  EXPECT_EQ(loaded->GetInterior().GetBackColorTagged(), fill.GetBackColorTagged());
  // Storing what was loaded gives the same bytes.
  EXPECT_EQ(Store([&](CArchive& ar) { ar << static_cast<const CObject*>(loaded.get()); }), bytes);
}

TEST(StyleRecord, NewerSchemasAndOldRecordsWithoutTheirFeatureAreRefused) {
  ByteString schema7;
  ClassHeader(schema7, "CGXStyle", 0).Le(7, 2).Le(0, 4);
  EXPECT_EQ(LoadFailure(schema7.bytes, RUNTIME_CLASS(CGXStyle)), CArchiveException::badSchema);
  ByteString schema4;
  ClassHeader(schema4, "CGXStyle", 0).Le(4, 2).Le(0, 4).Le(0, 2).Le(0, 2);
  EXPECT_EQ(LoadFailure(schema4.bytes, RUNTIME_CLASS(CGXStyle)), CArchiveException::badSchema);
}

TEST(BorderLine, TextForm) {
  EXPECT_STREQ(GXBorderLineDescription(CGXBorderLine(0, 1, 0x0000FF)), "0 1 255 0 0 0");
  CGXBorderLine line = GXParseBorderLine("  2 3 1 2 3 239");
  EXPECT_EQ(line.GetStyle(), 2u);
  EXPECT_EQ(line.GetWidth(), 3u);
  EXPECT_EQ(line.GetColorTagged() >> 24, 239u);
  EXPECT_FALSE(GXParseBorderLine("1 2 3").IsSet());
  EXPECT_EQ(GXParseBorderLine("7 1 0 0 0").GetStyle(), 0u);
}

TEST(FontRecord, GoldenBytes) {
  CGXFont font;
  font.SetFaceName("Arial");
  font.SetSize(8).SetUnderline(TRUE);
  const GXFaceEntry* pFace = CGXFont::GetFaceEntry(font.GetFaceIndex());
  ASSERT_NE(pFace, nullptr);
  Bytes bytes = Store([&](CArchive& ar) { font.Serialize(ar); });
  Bytes expected = ByteString()
                       .Le(2, 2).Le(2 | 16 | 128 | 512, 4).Le(80, 2)
                       .B({5}).Text("Arial").B({pFace->nCharSet, pFace->nPitchAndFamily})
                       .bytes;
  EXPECT_EQ(bytes, expected);
  CGXFont loaded;
  Load(bytes, [&](CArchive& ar) { loaded.Serialize(ar); });
  EXPECT_TRUE(loaded.IsSubSet(font));
  EXPECT_TRUE(font.IsSubSet(loaded));
}

TEST(FontRecord, OlderLayout) {
  Bytes bytes = ByteString()
                    .Le(1, 2).Le((DWORD)-16, 4).Le(700, 4).B({1, 0, 0}).B({5}).Text("Arial")
                    .Le(1 | 2 | 16, 4)
                    .bytes;
  CGXFont font;
  Load(bytes, [&](CArchive& ar) { font.Serialize(ar); });
  EXPECT_EQ(font.GetWeight(), 700);
  EXPECT_TRUE(font.GetIncludeItalic());
  EXPECT_TRUE(font.GetItalic());
  EXPECT_FALSE(font.GetIncludeUnderline());
  EXPECT_TRUE(font.GetIncludeSize());
  EXPECT_FALSE(font.GetIncludeFaceName());
}

TEST(CellStoreRecord, GoldenBytes) {
  CGXData data;
  CGXStyle s;
  s.SetValue("x");
  data.StoreStyleRowCol(1, 1, &s, CGXStyle::modeCopy, 0);
  Bytes bytes = Store([&](CArchive& ar) { data.Serialize(ar); });
  ByteString expected;
  expected.Le(1, 2).Le(1, 4).Le(1, 4);
  expected.Le(1, 2).Le(2, 4).Le(1, 4);
  expected.Le(1, 2).Le(2, 4).Le(1, 4);
  ClassHeader(expected, "CGXStyle", 0).Le(6, 2).Le(0x400, 4).B({1}).Text("x").Le(0, 2).Le(0, 2).B({0});
  expected.Le(0xFFFFFFFF, 4).Le(0xFFFFFFFF, 4);
  expected.Le(1, 2).Le(0, 4).Le(0xFFFFFFFF, 4);
  expected.Le(1, 2).Le(0, 4).Le(0xFFFFFFFF, 4);
  EXPECT_EQ(bytes, expected.bytes);
  CGXData loaded;
  Load(bytes, [&](CArchive& ar) { loaded.Serialize(ar); });
  ASSERT_NE(loaded.GetStoredStyle(1, 1, 0), nullptr);
  EXPECT_STREQ(loaded.GetStoredStyle(1, 1, 0)->GetValue(), "x");
  EXPECT_EQ(Store([&](CArchive& ar) { loaded.Serialize(ar); }), bytes);
}

TEST(CellStoreRecord, LyingArraysAreRefused) {
  struct Case {
    const char* name;
    Bytes bytes;
    int nCause;
  };
  const Case cases[] = {
      {"a size beyond the cap", ByteString().Le(1, 2).Le(0x40000000, 4).bytes, CArchiveException::generic},
      {"an index beyond the size", ByteString().Le(1, 2).Le(2, 4).Le(2, 4).bytes, CArchiveException::badIndex},
      {"another schema", ByteString().Le(2, 2).Le(0, 4).Le(0xFFFFFFFF, 4).bytes, CArchiveException::badSchema},
      {"no end mark", ByteString().Le(1, 2).Le(1, 4).bytes, CArchiveException::endOfFile},
  };
  for (const Case& c : cases) {
    CGXStylePtrArray array;
    int nCause = -1;
    try {
      Load(c.bytes, [&](CArchive& ar) { array.Serialize(ar); });
    } catch (CArchiveException* e) {
      nCause = e->m_cause;
      e->Delete();
    }
    EXPECT_EQ(nCause, c.nCause) << c.name;
  }
  // One style object named twice would be owned twice.
  ByteString twice;
  twice.Le(1, 2).Le(2, 4).Le(0, 4);
  ClassHeader(twice, "CGXStyle", 0).Le(6, 2).Le(0, 4).Le(0, 2).Le(0, 2);
  twice.Le(1, 4).Le(2, 2).Le(0xFFFFFFFF, 4);
  CGXStylePtrArray array;
  try {
    Load(twice.bytes, [&](CArchive& ar) { array.Serialize(ar); });
    FAIL() << "a style was taken twice";
  } catch (CArchiveException* e) {
    EXPECT_EQ(e->m_cause, CArchiveException::badIndex);
    e->Delete();
  }
}

TEST(StylesMapRecord, GoldenBytes) {
  CGXStylesMap map;
  CGXStyle s;
  s.SetHAlign(1);
  map.RegisterStyle("A", s);
  Bytes bytes = Store([&](CArchive& ar) { map.Serialize(ar); });
  Bytes expected = ByteString()
                       .Le(2, 2).B({6}).Text("Styles").Le(0, 2)
                       .Le(1, 2).Le(0, 2).B({1}).Text("A")
                       .Le(1, 2).Le(0, 2).Le(0, 4).B({1}).Text("A").B({0})
                       .Le(6, 2).Le(1, 4).Le(1, 4).Le(0, 2).Le(0, 2)
                       .Le(1, 2).Le(0, 2)
                       .bytes;
  EXPECT_EQ(bytes, expected);
}

TEST(StylesMapRecord, StandardStylesAndAttributesRoundTrip) {
  CGXStylesMap map;
  map.CreateStandardStyles();
  CGXControlFactory().RegisterUserAttributes(&map);
  CGXStyle based;
  based.SetBaseStyle(map.m_nColHeaderStyleId).SetValue("v");
  map.RegisterStyle("Based", based);
  Bytes bytes = Store([&](CArchive& ar) { map.Serialize(ar); });
  CGXStylesMap loaded;
  Load(bytes, [&](CArchive& ar) { loaded.Serialize(ar); });
  EXPECT_EQ(loaded.m_nColHeaderStyleId, map.m_nColHeaderStyleId);
  WORD nBased;
  ASSERT_TRUE(loaded.LookupBaseStyleId("Based", nBased));
  const CGXStyle* p = nullptr;
  ASSERT_TRUE(loaded.LookupStyle(nBased, p));
  EXPECT_EQ(p->GetBaseStyle(), map.m_nColHeaderStyleId);
  void* pv = nullptr;
  EXPECT_TRUE(loaded.GetCustomAttrMap().Lookup(52792, pv));
}

TEST(StylesMapRecord, SchemaOneKeepsTheUserAttributes) {
  CGXStylesMap map;
  CGXControlFactory().RegisterUserAttributes(&map);
  Bytes bytes = ByteString().Le(1, 2).B({0}).Le(0, 2).Le(0, 2).Le(0, 2).Le(0, 2).bytes;
  Load(bytes, [&](CArchive& ar) { map.Serialize(ar); });
  EXPECT_EQ(map.GetCustomAttrMap().GetCount(), 2);
}

TEST(StylesMapRecord, AnUnknownBaseStyleIsLeftOut) {
  CGXStylesMap map;
  map.CreateStandardStyles();
  // A style that names a base style by a name the map does not know.
  Bytes bytes = ByteString().Le(6, 2).Le(1u << 14, 4).Le(0, 2).Le(0, 4).B({7}).Text("Missing").Le(0, 2).bytes;
  CGXStyle s;
  Load(bytes, [&](CArchive& ar) { CGXStyleSerializeImp().SerializeStyle(&s, ar, &map); });
  EXPECT_FALSE(s.GetInclude(CGXStyle::gxBaseStyle));
}

TEST(PropertiesRecord, RoundTrip) {
  CGXProperties props;
  props.AddDefaultUserProperties();
  props.m_nMargins[0] = 11;
  props.m_nMargins[1] = 22;
  props.m_nMargins[2] = 33;
  props.m_nMargins[3] = 44;
  props.m_bPrintColHeaders = FALSE;
  Bytes bytes = Store([&](CArchive& ar) { props.Serialize(ar); });
  EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 3), (ByteString().Le(4, 2).B({5}).bytes));
  CGXProperties loaded;
  Load(bytes, [&](CArchive& ar) { loaded.Serialize(ar); });
  EXPECT_EQ(loaded.m_nMargins[2], 33);
  EXPECT_EQ(loaded.m_nMargins[3], 44);
  EXPECT_FALSE(loaded.m_bPrintColHeaders);
  EXPECT_STREQ(loaded.GetUserProperty(51005).GetValue(), "Invert Thin.");
  EXPECT_EQ(Store([&](CArchive& ar) { loaded.Serialize(ar); }), bytes);
}

TEST(PrintDeviceRecord, EmptyDeviceAndBadSchema) {
  CGXPrintDevice device;
  Bytes bytes = Store([&](CArchive& ar) { device.Serialize(ar); });
  EXPECT_EQ(bytes, ByteString().Le(1, 2).Le(0, 4).Le(0, 4).bytes);
  try {
    Load(ByteString().Le(2, 2).Le(0, 4).Le(0, 4).bytes, [&](CArchive& ar) { device.Serialize(ar); });
    FAIL() << "schema 2 was read";
  } catch (CArchiveException* e) {
    EXPECT_EQ(e->m_cause, CArchiveException::badSchema);
    e->Delete();
  }
}

Bytes DefaultParamBytes() {
  ByteString b;
  ClassHeader(b, "CGXGridParam", 1).Le(10, 2);
  b.B({1, 1, 0, 1, 0, 1, 0, 1, 1, 1, 0, 0, 0, 0, 1, 1, 0, 0});
  b.Le(255, 2).Le(178, 2).Le(178, 2).Le(0, 4).Le(0, 4).Le(0, 4).Le(0, 4).B({0});
  b.Le(3, 2).Le(3, 2).Le(100, 2).Le(512, 2).Le(1, 2).Le(1200, 4).Le(10000, 4);
  b.Le(1, 2).Le(0, 4).Le(1, 2).Le(0, 4);
  b.Le(1, 2).Le(0, 4).Le(1400, 4).Le(1, 2).Le(0, 4).Le(6000, 4);
  b.Le(0, 2).Le(0, 2);
  b.B({1, 0, 0}).Le(1, 4).Le(1, 4).Le(4, 4).Le(0, 2);
  b.B({0}).Le(2, 2).Le(1, 4);
  b.B({0, 0, 0, 0, 0}).Le(0, 2).Le(0, 2).Le(0, 2).Le(0, 2).Le(0, 2).Le(0, 2).Le(0, 2).Le(0, 2);
  b.B({0, 0, 0}).Le(0, 2).B({0});
  return b.bytes;
}

TEST(ParamRecord, GoldenBytesOfADefaultParam) {
  CGXGridParam param;
  Bytes bytes = Store([&](CArchive& ar) { ar << static_cast<const CObject*>(&param); });
  EXPECT_EQ(bytes, DefaultParamBytes());
  std::unique_ptr<CGXGridParam> loaded = LoadObject<CGXGridParam>(bytes, RUNTIME_CLASS(CGXGridParam));
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->m_nAllowSelection, 255);
  EXPECT_TRUE(loaded->IsUndoEnabled());
}

std::unique_ptr<CGXGridParam> FullParam() {
  auto param = std::make_unique<CGXGridParam>();
  CGXStylesMap* pMap = new CGXStylesMap;
  pMap->CreateStandardStyles();
  CGXControlFactory().RegisterUserAttributes(pMap);
  param->SetStylesMap(pMap);
  CGXProperties* pProps = new CGXProperties;
  pProps->AddDefaultUserProperties();
  param->SetProperties(pProps);
  CGXData* pData = new CGXData;
  CGXStyle s;
  s.SetValue("cell").SetBaseStyle(pMap->m_nRowHeaderStyleId);
  s.SetCustomAttr(51022, "tip");
  pData->StoreStyleRowCol(3, 2, &s, CGXStyle::modeCopy, 0);
  pData->StoreStyleRowCol(0, 2, &s, CGXStyle::modeCopy, -1);
  param->SetData(pData);
  param->SetPrintDevice(new CGXPrintDevice);
  param->m_selection.AddRange(CGXCellRange(1, 1, 2, 2));
  param->m_coveredCells.AddRange(CGXCellRange(4, 4, 5, 6));
  param->m_rowHeights[7] = 300;
  param->m_nFrozenRows = 2;
  param->m_sText = "layout";
  param->m_bUndoEnabled = FALSE;
  param->m_nFloatCellsMode = 1;
  return param;
}

TEST(ParamRecord, OwnedPartsRangesAndSettingsRoundTrip) {
  std::unique_ptr<CGXGridParam> param = FullParam();
  Bytes bytes = Store([&](CArchive& ar) { ar << static_cast<const CObject*>(param.get()); });
  std::unique_ptr<CGXGridParam> loaded = LoadObject<CGXGridParam>(bytes, RUNTIME_CLASS(CGXGridParam));
  ASSERT_NE(loaded, nullptr);
  ASSERT_NE(loaded->GetStylesMap(), nullptr);
  ASSERT_NE(loaded->GetData(), nullptr);
  ASSERT_NE(loaded->GetProperties(), nullptr);
  ASSERT_NE(loaded->GetPrintDevice(), nullptr);
  const CGXStyle* pCell = loaded->GetData()->GetStoredStyle(3, 2, 0);
  ASSERT_NE(pCell, nullptr);
  EXPECT_STREQ(pCell->GetValue(), "cell");
  EXPECT_EQ(pCell->GetBaseStyle(), loaded->GetStylesMap()->m_nRowHeaderStyleId);
  EXPECT_STREQ(pCell->GetCustomAttr(51022).GetValueText(), "tip");
  EXPECT_EQ(loaded->m_selection.GetCount(), 1);
  EXPECT_EQ(*loaded->m_coveredCells.GetRangeAt(loaded->m_coveredCells.GetHeadPosition()), CGXCellRange(4, 4, 5, 6));
  LONG nHeight = 0;
  EXPECT_TRUE(loaded->m_rowHeights.Lookup(7, nHeight));
  EXPECT_EQ(nHeight, 300);
  EXPECT_EQ(loaded->m_nFrozenRows, 2u);
  EXPECT_STREQ(loaded->m_sText, "layout");
  EXPECT_FALSE(loaded->IsUndoEnabled());
  EXPECT_EQ(loaded->m_nFloatCellsMode, 1);
  // The same size again (the name index of the styles map may come back in another order).
  EXPECT_EQ(Store([&](CArchive& ar) { ar << static_cast<const CObject*>(loaded.get()); }).size(), bytes.size());
}

TEST(ParamRecord, EveryTruncationFailsCleanly) {
  std::unique_ptr<CGXGridParam> param = FullParam();
  Bytes bytes = Store([&](CArchive& ar) { ar << static_cast<const CObject*>(param.get()); });
  for (size_t n = 0; n < bytes.size(); ++n) {
    Bytes cut(bytes.begin(), bytes.begin() + (ptrdiff_t)n);
    EXPECT_EQ(LoadFailure(cut, RUNTIME_CLASS(CGXGridParam)), CArchiveException::endOfFile) << n;
  }
}

TEST(ParamRecord, ANewerSchemaAndSpanObjectsAreRefused) {
  Bytes newer = DefaultParamBytes();
  newer[18] = 11;
  EXPECT_EQ(LoadFailure(newer, RUNTIME_CLASS(CGXGridParam)), CArchiveException::badSchema);
  // A range list where the float cells' delayed ranges would be: no such object is read.
  Bytes span = DefaultParamBytes();
  size_t nAt = span.size() - (2 + 2 + 2 + 2 + 2 + 2 + 2 + 2 + 3 + 2 + 1) + 2;
  Bytes inserted = ByteString().Le(0xFFFF, 2).Le(0, 2).Le(12, 2).Text("CGXRangeList").Le(1, 2).Le(0, 4).bytes;
  span.erase(span.begin() + (ptrdiff_t)nAt, span.begin() + (ptrdiff_t)nAt + 2);
  span.insert(span.begin() + (ptrdiff_t)nAt, inserted.begin(), inserted.end());
  EXPECT_EQ(LoadFailure(span, RUNTIME_CLASS(CGXGridParam)), CArchiveException::badClass);
}

#ifndef _WIN32
const Bytes* g_pResourceBytes = nullptr;

const BYTE* FindTestResource(LPCTSTR pszName, LPCTSTR pszType, UINT* pnSize) {
  if ((UINT_PTR)pszName != 325 || std::strcmp(pszType, "GXLAYOUT") != 0 || g_pResourceBytes == nullptr)
    return nullptr;
  *pnSize = (UINT)g_pResourceBytes->size();
  return g_pResourceBytes->data();
}
#endif

TEST(ParamRecord, LayoutsFromResources) {
#ifndef _WIN32
  Bytes layout = DefaultParamBytes();
  g_pResourceBytes = &layout;
  GXSetFindResourceProc(&FindTestResource);
  std::unique_ptr<CGXGridParam> param(CGXGridParam::CreateFromResource(325));
  EXPECT_NE(param, nullptr);
  EXPECT_EQ(CGXGridParam::CreateFromResource(326), nullptr);
  // A layout of another class is refused before it is built.
  Bytes other = ByteString().Le(0xFFFF, 2).Le(0, 2).Le(12, 2).Text("CGXRangeList").Le(1, 2).Le(0, 4).bytes;
  g_pResourceBytes = &other;
  EXPECT_EQ(CGXGridParam::CreateFromResource(325), nullptr);
  Bytes cut(layout.begin(), layout.begin() + 30);
  g_pResourceBytes = &cut;
  EXPECT_EQ(CGXGridParam::CreateFromResource(325), nullptr);
  GXSetFindResourceProc(nullptr);
  g_pResourceBytes = nullptr;
#else
  EXPECT_EQ(CGXGridParam::CreateFromResource(21396), nullptr);
#endif
}

TEST(BrowseParamRecord, VersionsAndTheArchivedObject) {
  CGXBrowseParam browse;
  browse.m_bStored = TRUE;
  Bytes bytes = Store([&](CArchive& ar) { ar << static_cast<const CObject*>(&browse); });
  std::unique_ptr<CGXBrowseParam> loaded = LoadObject<CGXBrowseParam>(bytes, RUNTIME_CLASS(CGXBrowseParam));
  ASSERT_NE(loaded, nullptr);
  EXPECT_TRUE(loaded->m_bStored);
  EXPECT_EQ(loaded->m_pArchived, nullptr);
  // Version 1: the base and the flag only.
  Bytes v1 = bytes;
  v1.resize(v1.size() - 2);
  v1[v1.size() - 3] = 1;
  Bytes header = ByteString().Le(0xFFFF, 2).Le(0, 2).Le(14, 2).Text("CGXBrowseParam").bytes;
  EXPECT_TRUE(std::equal(header.begin(), header.end(), v1.begin()));
  std::unique_ptr<CGXBrowseParam> old = LoadObject<CGXBrowseParam>(v1, RUNTIME_CLASS(CGXBrowseParam));
  ASSERT_NE(old, nullptr);
  EXPECT_TRUE(old->m_bStored);
  Bytes v3 = bytes;
  v3[v3.size() - 5] = 3;
  EXPECT_EQ(LoadFailure(v3, RUNTIME_CLASS(CGXBrowseParam)), CArchiveException::badSchema);
}

TEST(BrowseParam, CopyLeavesTheIndexesAlone) {
  CGXBrowseParam a, b;
  a.m_nWord1 = 5;
  a.m_nLimit = 9;
  b.m_indexes1.Add(3);
  b.CopyFrom(a);
  EXPECT_EQ(b.m_nWord1, 5u);
  EXPECT_EQ(b.m_nLimit, 9);
  EXPECT_EQ(b.m_indexes1.GetSize(), 1);
}

}  // namespace
