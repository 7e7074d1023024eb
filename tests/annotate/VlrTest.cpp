// The annotation set: its side file byte for byte, reading it back, the naming rules beside the
// drawing and through the index of the annotation folder, and damaged files.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "AnnLayer.h"
#include "AnnObj.h"
#include "ArchiveTestSupport.h"
#include "Vlr.h"
#include "VlrNaming.h"

namespace fs = std::filesystem;

namespace {

// The platform as a test sees it: unique names counted up, files replaced by rename.
class CTestHost : public CVlrHost {
 public:
  BOOL m_bAnswerYes = TRUE;
  BOOL m_bLongNames = TRUE;
  BOOL m_bCanReplace = TRUE;
  int m_nAsked = 0;
  int m_nNext = 1;

  BOOL AskSaveChanges(LPCSTR) override {
    ++m_nAsked;
    return m_bAnswerYes;
  }
  BOOL HasLongFileNames(LPCSTR) override { return m_bLongNames; }
  CString GetUniqueFileName(LPCSTR lpszFolder, LPCSTR lpszPrefix) override {
    CString name;
    name.Format("%s%s%04X.tmp", lpszFolder, lpszPrefix, m_nNext++);
    std::ofstream created(std::string(name), std::ios::binary);
    if (!created) return CString();
    return name;
  }
  BOOL ReplaceFile(LPCSTR lpszNew, LPCSTR lpszTarget) override {
    // Replaces an existing target on every system, as the program's own host does.
    std::error_code error;
    if (m_bCanReplace) fs::rename(lpszNew, lpszTarget, error);
    return m_bCanReplace && !error;
  }
};

class VlrFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_dir = fs::temp_directory_path() /
            ("vv_vlr_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(m_dir);
    fs::create_directories(m_dir);
    SetVlrHost(&m_host);
  }
  void TearDown() override {
    SetVlrHost(nullptr);
    fs::remove_all(m_dir);
  }
  std::string Path(const std::string& name) const { return (m_dir / name).string(); }
  std::string Folder() const { return m_dir.string() + "/"; }
  static Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  static void WriteFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write((const char*)bytes.data(), (std::streamsize)bytes.size());
  }

  fs::path m_dir;
  CTestHost m_host;
};

AnnLogFont Arial() {
  AnnLogFont font{};
  font.lfHeight = 10;
  font.lfWeight = 400;
  font.lfPitchAndFamily = 0x20;
  std::snprintf(font.lfFaceName, sizeof font.lfFaceName, "Arial");
  return font;
}

// One object of each kind on two layers (0 red, 1 green and hidden).
void Fill(CVlr& set) {
  set.m_nReserved = 0x11223344;
  set.m_dScaleFirst = 1.0;
  set.m_dScaleSecond = 100.0;
  set.m_nScaleUnit = 3;
  set.m_nCurrentLayer = 1;
  set.m_dStored[0] = 0.5;
  set.m_dStored[2] = -2.0;
  set.SetLayer(0, new CAnnLayer("0", 0x000000FF, 1));
  set.SetLayer(1, new CAnnLayer("Notes", 0x0000FF00, 0));
  const CAnnLayer* red = set.GetLayer(0);
  const CAnnLayer* green = set.GetLayer(1);
  set.Add(new CAnnLine(RECT{10, 20, 30, 50}, red, 0));
  CAnnRect* pRect = new CAnnRect(RECT{1, 2, 3, 4}, green, 1);
  pRect->m_nFillStyle = 2;
  set.Add(pRect);
  set.Add(new CAnnCircle(RECT{-5, -5, 5, 5}, red, 0));
  CPolygon points;
  points.Add(100, 100);
  points.Add(110, 100);
  points.Add(110, 120);
  set.Add(new CAnnPolygon(points, green, 1));
  set.Add(new CAnnFreehand(points, red, 0));
  set.Add(new CAnnText(CPoint(7, 8), "Hi", Arial(), 25, 0x00808080, 1));
}

// Where two byte strings first differ, for a readable failure of a golden comparison.
std::string FirstDifference(const Bytes& expected, const Bytes& actual) {
  size_t i = 0;
  while (i < expected.size() && i < actual.size() && expected[i] == actual[i]) ++i;
  if (i == expected.size() && i == actual.size()) return "equal";
  char text[96];
  std::snprintf(text, sizeof text, "at %zu of %zu/%zu: expected %d, got %d", i, expected.size(), actual.size(),
                i < expected.size() ? expected[i] : -1, i < actual.size() ? actual[i] : -1);
  return text;
}

#define EXPECT_BYTES(expected, actual) EXPECT_EQ("equal", FirstDifference(expected, actual))

ByteString& ClassTag(ByteString& b, const std::string& name) {
  return b.Le(0xFFFF, 2).Le(1, 2).Le(name.size(), 2).Text(name);
}

ByteString& Base(ByteString& b, uint32_t colour, int32_t x, int32_t y, uint16_t layer, int32_t fill) {
  return b.Le(colour, 4).Le((uint32_t)x, 4).Le((uint32_t)y, 4).Le(layer, 2).Le((uint32_t)fill, 4);
}

Bytes ExpectedSideFile() {
  ByteString b;
  b.Text(std::string("VVX3", 5));  // with its NUL
  b.Le(8, 1).Text("plan.tif");
  b.Le(0x11223344, 4);
  b.Le(0x3FF0000000000000ull, 8).Le(0x4059000000000000ull, 8);  // 1.0, 100.0
  b.Le(3, 1).Le(1, 2);
  b.Le(0x3FE0000000000000ull, 8).Le(0, 8).Le(0xC000000000000000ull, 8);  // 0.5, 0.0, -2.0
  // The layer map, in its walking order: ids 0 and 1 share a bucket, the newer first.
  b.Le(2, 2);
  b.Le(1, 2);
  ClassTag(b, "CAnnLayer").Le(5, 1).Text("Notes").Le(0x0000FF00, 4).Le(0, 2);
  b.Le(0, 2).Le(0x8001, 2).Le(1, 1).Text("0").Le(0x000000FF, 4).Le(1, 2);
  // The objects in drawing order; each class first written in full (class 1 is CAnnLayer, each
  // new class and object takes the next index).
  b.Le(6, 2);
  Base(ClassTag(b, "CAnnLine"), 0xFF, 10, 20, 0, -2).Le(20, 4).Le(30, 4);
  Base(ClassTag(b, "CAnnRect"), 0xFF00, 1, 2, 1, 2).Le(2, 4).Le(2, 4);
  Base(ClassTag(b, "CAnnCircle"), 0xFF, -5, -5, 0, -2).Le(10, 4).Le(10, 4);
  Base(ClassTag(b, "CAnnPolygon"), 0xFF00, 100, 100, 1, -2).Le(2, 2).Le(10, 4).Le(0, 4).Le(10, 4).Le(20, 4);
  Base(ClassTag(b, "CAnnFreehand"), 0xFF, 100, 100, 0, -2).Le(2, 2).Le(10, 4).Le(0, 4).Le(10, 4).Le(20, 4);
  Base(ClassTag(b, "CAnnText"), 0x808080, 7, 8, 1, -2).Le(2, 1).Text("Hi");
  // The 60 bytes of the font: height, width, escapement, orientation, weight, eight bytes of
  // flags ending in the pitch and family, the face name padded with zeros.
  b.Le(10, 4).Le(0, 4).Le(0, 4).Le(0, 4).Le(400, 4).B({0, 0, 0, 0, 0, 0, 0, 0x20}).Text("Arial");
  for (int i = 5; i < 32; ++i) b.Le(0, 1);
  b.Le(25, 4);
  return b.bytes;
}

TEST(VlrTest, SideFileBytes) {
  CVlr set;
  set.m_strDrawingPath = "C:\\plans\\plan.tif";
  Fill(set);
  set.m_bModified = TRUE;
  EXPECT_BYTES(ExpectedSideFile(), Store([&](CArchive& ar) { set.Serialize(ar); }));
  EXPECT_FALSE(set.m_bModified) << "saving clears the modified flag";
}

TEST(VlrTest, SideFileReadsBackEqual) {
  CVlr set;
  set.m_strDrawingPath = "D:/elsewhere/PLAN.TIF";  // another folder, the name in other case
  set.m_bModified = TRUE;
  EXPECT_EQ(0u, Load(ExpectedSideFile(), [&](CArchive& ar) { set.Serialize(ar); }));
  EXPECT_TRUE(set.m_bPresent);
  EXPECT_FALSE(set.m_bModified);
  EXPECT_EQ(0x11223344u, set.m_nReserved);
  EXPECT_EQ(100.0, set.m_dScaleSecond);
  EXPECT_EQ(3, set.m_nScaleUnit);
  EXPECT_EQ(1, set.m_nCurrentLayer);
  EXPECT_EQ(-2.0, set.m_dStored[2]);
  ASSERT_NE(nullptr, set.GetLayer(1));
  EXPECT_STREQ("Notes", set.GetLayer(1)->m_strName);
  EXPECT_EQ(0u, set.GetLayer(1)->m_nVisible);
  ASSERT_EQ(6, set.m_objects.GetCount());
  const CAnnText* pText = static_cast<const CAnnText*>(set.m_objects.GetTail());
  ASSERT_TRUE(pText->IsKindOf(RUNTIME_CLASS(CAnnText)));
  EXPECT_STREQ("Hi", pText->m_strText);
  EXPECT_STREQ("Arial", pText->GetFaceName());
  EXPECT_EQ(25, pText->m_nHeight);
  // Stored again, it is the same file but for the order of the two layers, which reading puts
  // into the map's chain the other way round: nothing was lost or added on the way.
  set.m_strDrawingPath = "plan.tif";
  const Bytes expected = ExpectedSideFile();
  const Bytes again = Store([&](CArchive& ar) { set.Serialize(ar); });
  const size_t kObjectsAt = 104;  // after the head (61 bytes) and the layer map (43)
  ASSERT_EQ(expected.size(), again.size());
  EXPECT_BYTES(Bytes(expected.begin(), expected.begin() + 63), Bytes(again.begin(), again.begin() + 63));
  EXPECT_BYTES(Bytes(expected.begin() + kObjectsAt, expected.end()), Bytes(again.begin() + kObjectsAt, again.end()));
}

TEST(VlrTest, ForeignOrDamagedSideFileLoadsNothing) {
  Bytes otherMagic = ExpectedSideFile();
  otherMagic[3] = '2';
  Bytes otherName = ExpectedSideFile();
  otherName[6] = 'x';  // "xlan.tif"
  for (const Bytes& bytes : {otherMagic, otherName}) {
    CVlr set;
    set.m_strDrawingPath = "plan.tif";
    Load(bytes, [&](CArchive& ar) { set.Serialize(ar); });
    EXPECT_FALSE(set.m_bPresent);
    EXPECT_EQ(0, set.m_layers.GetCount());
    EXPECT_EQ(1.0, set.m_dScaleSecond) << "nothing after the stop was read";
  }
  // Cut anywhere after the name: an archive exception, and the set holds nothing half-read.
  const Bytes whole = ExpectedSideFile();
  for (size_t n = 15; n < whole.size(); n += 7) {
    CVlr set;
    set.m_strDrawingPath = "plan.tif";
    Bytes cut(whole.begin(), whole.begin() + (long)n);
    try {
      Load(cut, [&](CArchive& ar) { set.Serialize(ar); });
      ADD_FAILURE() << "a side file cut at " << n << " loaded";
    } catch (CException* e) {
      e->Delete();
    }
    EXPECT_FALSE(set.m_bPresent);
    EXPECT_EQ(0, set.m_layers.GetCount());
    EXPECT_EQ(0, set.m_objects.GetCount());
  }
}

TEST(VlrTest, HostileReferencesAreRefused) {
  ByteString head;
  head.Text(std::string("VVX3", 5)).Le(8, 1).Text("plan.tif").Le(0, 4).Le(0, 8).Le(0, 8).Le(0, 1).Le(0, 2);
  head.Le(0, 8).Le(0, 8).Le(0, 8);
  struct Case {
    const char* what;
    Bytes tail;
  };
  // A layer named twice by back reference (index 2 is the first layer object).
  ByteString twice;
  twice.Le(2, 2).Le(0, 2);
  ClassTag(twice, "CAnnLayer").Le(1, 1).Text("0").Le(0, 4).Le(1, 2);
  twice.Le(1, 2).Le(2, 2);
  // A layer id given twice.
  ByteString sameId;
  sameId.Le(2, 2).Le(0, 2);
  ClassTag(sameId, "CAnnLayer").Le(1, 1).Text("0").Le(0, 4).Le(1, 2);
  sameId.Le(0, 2).Le(0x8001, 2).Le(1, 1).Text("1").Le(0, 4).Le(1, 2);
  // An object in the list that is a layer.
  ByteString layerAsObject;
  layerAsObject.Le(0, 2).Le(1, 2);
  ClassTag(layerAsObject, "CAnnLayer").Le(1, 1).Text("0").Le(0, 4).Le(1, 2);
  // An object listed twice.
  ByteString objectTwice;
  objectTwice.Le(0, 2).Le(2, 2);
  Base(ClassTag(objectTwice, "CAnnLine"), 0, 0, 0, 0, -2).Le(1, 4).Le(1, 4);
  objectTwice.Le(2, 2);
  // A class that is not an annotation.
  ByteString foreign;
  foreign.Le(0, 2).Le(1, 2);
  ClassTag(foreign, "CPolygon").Le(0, 2);
  const Case cases[] = {{"layer twice", twice.bytes},
                        {"same id", sameId.bytes},
                        {"layer as object", layerAsObject.bytes},
                        {"object twice", objectTwice.bytes},
                        {"foreign class", foreign.bytes}};
  for (const Case& c : cases) {
    Bytes bytes = head.bytes;
    bytes.insert(bytes.end(), c.tail.begin(), c.tail.end());
    CVlr set;
    set.m_strDrawingPath = "plan.tif";
    bool bThrown = false;
    try {
      Load(bytes, [&](CArchive& ar) { set.Serialize(ar); });
    } catch (CArchiveException* e) {
      bThrown = true;
      e->Delete();
    }
    EXPECT_TRUE(bThrown) << c.what;
    EXPECT_FALSE(set.m_bPresent) << c.what;
    EXPECT_EQ(0, set.m_objects.GetCount()) << c.what;
  }
}

TEST(VlrTest, FreeLayerIdIsLowestUnused) {
  CVlr set;
  EXPECT_EQ(0, set.GetFreeLayerId());
  for (WORD nId : {0, 1, 3}) set.SetLayer(nId, new CAnnLayer("x", 0, 1));
  EXPECT_EQ(2, set.GetFreeLayerId());
}

TEST(VlrTest, ChangesSetBothFlags) {
  CVlr set;
  set.EnsureLayer();
  ASSERT_NE(nullptr, set.GetLayer(0));
  EXPECT_STREQ("0", set.GetLayer(0)->m_strName);
  EXPECT_EQ(0x000000FFu, set.GetLayer(0)->m_crColour);
  CAnnLayer* layer = set.GetLayer(0);
  CAnnLine* pLine = new CAnnLine(RECT{0, 0, 1, 1}, layer, 0);
  set.Add(pLine);
  set.Add(new CAnnRect(RECT{0, 0, 1, 1}, layer, 2));
  EXPECT_TRUE(set.m_bPresent && set.m_bModified);
  EXPECT_EQ(1, set.CountOnLayer(0));
  set.m_pSelected = pLine;
  set.m_bModified = FALSE;
  set.DeleteSelected();
  EXPECT_TRUE(set.m_bModified);
  EXPECT_EQ(nullptr, set.m_pSelected);
  EXPECT_EQ(1, set.m_objects.GetCount());
  set.DeleteLayerObjects(2);
  EXPECT_EQ(0, set.m_objects.GetCount());
}

TEST_F(VlrFileTest, SideFileBesideDrawing) {
  struct Case {
    const char* drawing;
    BOOL bLongNames;
    const char* side;
  } const cases[] = {
      {"C:\\plans\\plan.tif", TRUE, "C:\\plans\\plan.tif.VLR"},
      {"C:\\plans\\plan.tif", FALSE, "C:\\plans\\plan.VLR"},
      {"C:\\plans\\plan", FALSE, "C:\\plans\\plan.VLR"},
      // A point in a folder's name is not the file's extension.
      {"C:\\v1.2\\plan", FALSE, "C:\\v1.2\\plan.VLR"},
  };
  for (const Case& c : cases) {
    m_host.m_bLongNames = c.bLongNames;
    EXPECT_STREQ(c.side, VlrSideFileName(c.drawing, FALSE, "", m_host)) << c.drawing;
    EXPECT_STREQ(c.side, VlrSideFileName(c.drawing, TRUE, "", m_host)) << "an empty folder is no folder";
  }
  EXPECT_STREQ("plan.tif", VlrDrawingName("C:\\a/b\\plan.tif"));
  EXPECT_STREQ("plan.tif", VlrDrawingName("/a/b/plan.tif"));
  EXPECT_STREQ("plan.tif", VlrDrawingName("plan.tif"));
}

TEST_F(VlrFileTest, IndexMapsEachDrawingToItsOwnSideFile) {
  const CString first = VlrSideFileName("C:\\plans\\plan.tif", TRUE, Folder().c_str(), m_host);
  EXPECT_STREQ((Folder() + "VLR0001.VLR").c_str(), first);
  EXPECT_FALSE(fs::exists(Folder() + "VLR0001.tmp")) << "the name's empty file is gone";
  // The same path, in any case, maps to the same side file.
  EXPECT_STREQ(first, VlrSideFileName("C:\\plans\\plan.tif", TRUE, Folder().c_str(), m_host));
  EXPECT_STREQ(first, VlrSideFileName("c:\\PLANS\\Plan.TIF", TRUE, Folder().c_str(), m_host));
  const CString second = VlrSideFileName("C:\\plans\\other.tif", TRUE, Folder().c_str(), m_host);
  EXPECT_STRNE(first, second);

  // The index is a string map, drawing path to side-file path.
  CMapStringToString index;
  Load(ReadFile(Folder() + kVlrIndexName), [&](CArchive& ar) { index.Serialize(ar); });
  EXPECT_EQ(2, index.GetCount());
  CString value;
  ASSERT_TRUE(index.Lookup("C:\\plans\\other.tif", value));
  EXPECT_STREQ(second, value);
}

TEST_F(VlrFileTest, DamagedIndexIsNotOverwritten) {
  const Bytes damaged = {0x05, 0x00, 0x03, 'a'};
  WriteFile(Folder() + kVlrIndexName, damaged);
  const CString name = VlrSideFileName("C:\\plans\\plan.tif", TRUE, Folder().c_str(), m_host);
  EXPECT_FALSE(name.IsEmpty()) << "the drawing still gets a side file";
  EXPECT_EQ(damaged, ReadFile(Folder() + kVlrIndexName));
}

TEST_F(VlrFileTest, SavedAnnotationsReappear) {
  const std::string drawing = Path("plan.tif");
  {
    CVlr set(drawing.c_str(), FALSE, "");
    EXPECT_STREQ((drawing + ".VLR").c_str(), set.m_strAnnotationPath);
    EXPECT_FALSE(set.Load());
    ASSERT_NE(nullptr, set.GetLayer(0)) << "layer 0 when there is no side file";
    EXPECT_FALSE(set.Save(FALSE)) << "nothing changed";
    EXPECT_EQ(0, m_host.m_nAsked);
    set.Add(new CAnnLine(RECT{1, 2, 3, 4}, set.GetLayer(0), 0));
    m_host.m_bAnswerYes = FALSE;
    EXPECT_FALSE(set.Save(FALSE));
    EXPECT_FALSE(fs::exists(drawing + ".VLR"));
    m_host.m_bAnswerYes = TRUE;
    EXPECT_TRUE(set.Save(FALSE));
    EXPECT_FALSE(set.m_bModified);
  }
  CVlr again(drawing.c_str(), FALSE, "");
  EXPECT_TRUE(again.Load());
  EXPECT_EQ(1, again.m_objects.GetCount());
  // Only the side file is left in the folder: the temporary one was renamed.
  int nFiles = 0;
  for (auto& entry : fs::directory_iterator(m_dir)) nFiles += entry.is_regular_file() ? 1 : 0;
  EXPECT_EQ(1, nFiles);
}

TEST_F(VlrFileTest, FailedSaveKeepsPreviousSideFile) {
  const std::string drawing = Path("plan.tif");
  CVlr set(drawing.c_str(), FALSE, "");
  set.Load();
  set.Add(new CAnnLine(RECT{1, 2, 3, 4}, set.GetLayer(0), 0));
  ASSERT_TRUE(set.Save(TRUE));
  const Bytes saved = ReadFile(drawing + ".VLR");
  set.Add(new CAnnLine(RECT{5, 6, 7, 8}, set.GetLayer(0), 0));
  m_host.m_bCanReplace = FALSE;
  EXPECT_FALSE(set.Save(TRUE));
  EXPECT_TRUE(set.m_bModified) << "still to be saved";
  EXPECT_EQ(saved, ReadFile(drawing + ".VLR"));
  int nFiles = 0;
  for (auto& entry : fs::directory_iterator(m_dir)) nFiles += entry.is_regular_file() ? 1 : 0;
  EXPECT_EQ(1, nFiles) << "the temporary file is removed";
}

TEST_F(VlrFileTest, DamagedSideFileStillOpensWithLayerZero) {
  const std::string drawing = Path("plan.tif");
  Bytes bytes = ExpectedSideFile();
  bytes.resize(bytes.size() - 30);
  WriteFile(drawing + ".VLR", bytes);
  CVlr set(drawing.c_str(), FALSE, "");
  EXPECT_FALSE(set.Load());
  EXPECT_EQ(0, set.m_objects.GetCount());
  ASSERT_NE(nullptr, set.GetLayer(0));
  EXPECT_STREQ("0", set.GetLayer(0)->m_strName);
}

}  // namespace
