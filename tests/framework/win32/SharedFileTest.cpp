// CSharedFile: archive bytes written into global memory come back through a handle, as the
// annotation clipboard exchange uses it.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "Archive.h"
#include "Exception.h"
#include "SharedFile.h"

namespace {

TEST(SharedFile, GrowsInPagesAndHandsOverItsMemory) {
  std::vector<BYTE> data(5000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<BYTE>(i * 7);
  CSharedFile file;
  file.Write(data.data(), 1);
  file.Write(data.data() + 1, static_cast<UINT>(data.size() - 1));
  EXPECT_EQ(file.GetLength(), 5000u);
  HGLOBAL h = file.Detach();
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(file.GetLength(), 0u);
  // Two steps of 4096 bytes hold the 5000.
  EXPECT_GE(GlobalSize(h), 8192u);
  const BYTE* p = static_cast<const BYTE*>(GlobalLock(h));
  EXPECT_TRUE(std::equal(data.begin(), data.end(), p));
  GlobalUnlock(h);
  GlobalFree(h);
}

TEST(SharedFile, ArchiveRoundTripThroughAHandle) {
  HGLOBAL h;
  {
    CSharedFile file;
    CArchive ar(&file, CArchive::store);
    ar << CString("VELLVIEW_ANNOTATION") << static_cast<int>(-3) << 2.5;
    ar.Close();
    h = file.Detach();
  }
  CSharedFile in;
  in.SetHandle(h, FALSE);
  CArchive ar(&in, CArchive::load);
  CString name;
  int n = 0;
  double d = 0;
  ar >> name >> n >> d;
  EXPECT_EQ(name, "VELLVIEW_ANNOTATION");
  EXPECT_EQ(n, -3);
  EXPECT_EQ(d, 2.5);
  ar.Close();
  // The file owns what it was given and frees it with itself.
}

TEST(SharedFile, MemoryThatMayNotGrowRefusesMore) {
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, 16);
  CSharedFile file;
  file.SetHandle(h, FALSE);
  const DWORD size = file.GetLength();
  std::vector<BYTE> more(size + 1);
  bool thrown = false;
  try {
    file.Write(more.data(), static_cast<UINT>(more.size()));
  } catch (CMemoryException* e) {
    thrown = true;
    e->Delete();
  }
  EXPECT_TRUE(thrown);
  HGLOBAL back = file.Detach();
  EXPECT_EQ(back, h);
  GlobalFree(back);
}

}  // namespace
