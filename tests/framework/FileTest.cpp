// CFile on the machine's file system and CMemFile: open modes, reading, writing, seeking, length,
// status with the full path, renaming and removing, errors with their causes; the memory file's
// growth step, attached buffers and Detach.
#include "Framework.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// A file name in the test's working folder, removed before and after.
struct TempName {
  explicit TempName(const char* name) : name(name) { std::remove(name); }
  ~TempName() { std::remove(name.c_str()); }
  std::string name;
  operator LPCTSTR() const { return name.c_str(); }
};

int CauseOf(void (*fn)(LPCTSTR, LPCTSTR), LPCTSTR a, LPCTSTR b) {
  try {
    fn(a, b);
  } catch (CFileException* e) {
    int cause = e->m_cause;
    e->Delete();
    return cause;
  }
  return -1;
}

TEST(FileTest, WriteReadSeekAndLength) {
  TempName name("framework_file_test_1.bin");
  {
    CFile f(name, CFile::modeCreate | CFile::modeWrite);
    f.Write("hello, world", 12);
    EXPECT_EQ(f.GetLength(), 12u);
    EXPECT_EQ(f.GetPosition(), 12u);
    EXPECT_EQ(f.Seek(7, CFile::begin), 7);
    f.Write("WORLD", 5);
    f.Close();
    EXPECT_EQ(f.m_hFile, CFile::hFileNull);
  }
  CFile f;
  CFileException e;
  ASSERT_TRUE(f.Open(name, CFile::modeReadWrite | CFile::shareDenyWrite, &e));
  char buf[32] = {};
  EXPECT_EQ(f.Read(buf, sizeof buf), 12u);
  EXPECT_STREQ(buf, "hello, WORLD");
  EXPECT_EQ(f.Read(buf, sizeof buf), 0u);
  EXPECT_EQ(f.Seek(-5, CFile::end), 7);
  EXPECT_EQ(f.Seek(2, CFile::current), 9);
  EXPECT_EQ(f.Read(buf, 3), 3u);
  EXPECT_EQ(std::string(buf, 3), "RLD");
  f.SetLength(5);
  EXPECT_EQ(f.GetLength(), 5u);
  EXPECT_EQ(f.SeekToEnd(), 5u);
  f.SeekToBegin();
  EXPECT_EQ(f.GetPosition(), 0u);
  EXPECT_STREQ(f.GetFileName(), "framework_file_test_1.bin");
  CString path = f.GetFilePath();
  EXPECT_GT(path.GetLength(), (int)std::strlen(name));
  EXPECT_STREQ(path.Right((int)std::strlen(name)), name);
  f.Close();

  // modeNoTruncate keeps the contents; plain modeCreate empties the file.
  {
    CFile g(name, CFile::modeCreate | CFile::modeNoTruncate | CFile::modeRead);
    EXPECT_EQ(g.GetLength(), 5u);
  }
  {
    CFile g(name, CFile::modeCreate | CFile::modeReadWrite);
    EXPECT_EQ(g.GetLength(), 0u);
  }
}

TEST(FileTest, OpenFailuresGiveTheirCause) {
  CFile f;
  CFileException e;
  EXPECT_FALSE(f.Open("framework_no_such_file.bin", CFile::modeRead, &e));
  EXPECT_EQ(e.m_cause, CFileException::fileNotFound);
  EXPECT_NE(e.m_lOsError, 0);
  EXPECT_STREQ(e.m_strFileName, "framework_no_such_file.bin");
  EXPECT_FALSE(f.Open("framework_no_such_folder/x.bin", CFile::modeRead, &e));
  EXPECT_TRUE(e.m_cause == CFileException::badPath || e.m_cause == CFileException::fileNotFound);
  try {
    CFile g("framework_no_such_file.bin", CFile::modeRead);
    FAIL() << "no exception";
  } catch (CFileException* pe) {
    EXPECT_EQ(pe->m_cause, CFileException::fileNotFound);
    pe->Delete();
  }
}

TEST(FileTest, StatusGivesTheFullPath) {
  TempName name("framework_file_test_2.bin");
  CFileStatus status;
  EXPECT_FALSE(CFile::GetStatus(name, status));
  {
    CFile f(name, CFile::modeCreate | CFile::modeWrite);
    f.Write("12345", 5);
  }
  ASSERT_TRUE(CFile::GetStatus(name, status));
  EXPECT_EQ(status.m_size, 5);
  EXPECT_EQ(status.m_attribute & CFile::directory, 0);
  std::string full = status.m_szFullName;
  EXPECT_GT(full.size(), name.name.size());
  EXPECT_EQ(full.substr(full.size() - name.name.size()), name.name);
  EXPECT_TRUE(full[0] == '/' || full[1] == ':') << full;
  EXPECT_GT(status.m_mtime, (time_t)0);

  CFileStatus dotted;
  ASSERT_TRUE(CFile::GetStatus(("./" + name.name).c_str(), dotted));
  EXPECT_STREQ(dotted.m_szFullName, status.m_szFullName);

  CFile f(name, CFile::modeRead);
  CFileStatus open;
  ASSERT_TRUE(f.GetStatus(open));
  EXPECT_EQ(open.m_size, 5);
  EXPECT_STREQ(open.m_szFullName, status.m_szFullName);
}

TEST(FileTest, RenameAndRemove) {
  TempName a("framework_file_test_a.bin"), b("framework_file_test_b.bin");
  {
    CFile f(a, CFile::modeCreate | CFile::modeWrite);
  }
  CFile::Rename(a, b);
  CFileStatus status;
  EXPECT_FALSE(CFile::GetStatus(a, status));
  EXPECT_TRUE(CFile::GetStatus(b, status));
  {
    CFile f(a, CFile::modeCreate | CFile::modeWrite);
  }
  // Renaming onto an existing file fails, as on Windows.
  EXPECT_EQ(CauseOf(&CFile::Rename, a, b), CFileException::accessDenied);
  CFile::Remove(b);
  EXPECT_FALSE(CFile::GetStatus(b, status));
  EXPECT_EQ(CauseOf([](LPCTSTR n, LPCTSTR) { CFile::Remove(n); }, b, nullptr),
            CFileException::fileNotFound);
}

// Exposes the buffer size of a memory file.
struct MemProbe : CMemFile {
  using CMemFile::CMemFile;
  DWORD BufferSize() const { return m_nBufferSize; }
};

TEST(FileTest, MemFileGrowsInSteps) {
  MemProbe f(100);
  EXPECT_EQ(f.BufferSize(), 0u);
  f.Write("x", 1);
  EXPECT_EQ(f.BufferSize(), 100u);
  char block[150] = {};
  f.Write(block, 150);
  EXPECT_EQ(f.BufferSize(), 200u);
  EXPECT_EQ(f.GetLength(), 151u);
  f.SetLength(450);
  EXPECT_EQ(f.BufferSize(), 500u);
  EXPECT_EQ(f.GetLength(), 450u);
  f.SetLength(10);
  EXPECT_EQ(f.GetPosition(), 10u);
  EXPECT_EQ(f.BufferSize(), 500u);

  // Written a little at a time, a large file reallocates a few dozen times, not once per step.
  MemProbe big(1024);
  char piece[100] = {};
  int grown = 0;
  for (DWORD last = 0; big.GetLength() < 4u << 20; big.Write(piece, sizeof piece))
    if (big.BufferSize() != last) {
      last = big.BufferSize();
      ++grown;
    }
  EXPECT_LT(grown, 40);
  EXPECT_EQ(big.BufferSize() % 1024, 0u);

  MemProbe d;  // the default step is 1024
  d.Write("abc", 3);
  EXPECT_EQ(d.BufferSize(), 1024u);
  EXPECT_EQ(d.Seek(10, CFile::current), 13);
  d.Write("z", 1);  // the gap reads as zeros
  EXPECT_EQ(d.GetLength(), 14u);
  d.SeekToBegin();
  char buf[14];
  EXPECT_EQ(d.Read(buf, 20), 14u);
  EXPECT_EQ(std::memcmp(buf, "abc\0\0\0\0\0\0\0\0\0\0z", 14), 0);
  try {
    d.Seek(-1, CFile::begin);
    FAIL() << "no exception";
  } catch (CFileException* e) {
    EXPECT_EQ(e->m_cause, CFileException::badSeek);
    e->Delete();
  }
  BYTE* p = d.Detach();
  EXPECT_EQ(d.GetLength(), 0u);
  EXPECT_EQ(p[13], 'z');
  std::free(p);
}

TEST(FileTest, MemFileOverAFixedBuffer) {
  BYTE buf[4] = {1, 2, 3, 4};
  CMemFile f(buf, sizeof buf);
  EXPECT_EQ(f.GetLength(), 4u);
  BYTE b[4];
  EXPECT_EQ(f.Read(b, 4), 4u);
  f.SeekToBegin();
  f.Write("\x09", 1);
  EXPECT_EQ(buf[0], 9);
  f.SeekToEnd();
  try {
    f.Write("x", 1);
    FAIL() << "a fixed buffer grew";
  } catch (CMemoryException* e) {
    e->Delete();
  }
  f.Close();
  EXPECT_EQ(buf[3], 4);  // the caller's buffer is not freed

  // With a growth step the file starts empty and moves to its own memory when it outgrows it.
  BYTE small[2] = {7, 7};
  MemProbe g(small, sizeof small, 16);
  EXPECT_EQ(g.GetLength(), 0u);
  g.Write("a", 1);
  EXPECT_EQ(small[0], 'a');
  g.Write("bc", 2);
  EXPECT_EQ(g.BufferSize(), 18u);
  EXPECT_EQ(small[1], 7);
  g.SeekToBegin();
  char back[3];
  EXPECT_EQ(g.Read(back, 3), 3u);
  EXPECT_EQ(std::string(back, 3), "abc");
}

}  // namespace

namespace {

struct LineCase {
  const char* name;
  const char* bytes;
  UINT mode;
  std::vector<std::string> lines;
};

}  // namespace

// Lines as another program leaves them: "\r\n" or "\n", a last line without its end, empty
// lines, and binary mode keeping the "\r".
TEST(FileTest, StdioFileReadsLines) {
  const LineCase cases[] = {
      {"crlf", "A=1\r\nB=2\r\n", CFile::typeText, {"A=1", "B=2"}},
      {"lf and no last end", "A=1\nB", CFile::typeText, {"A=1", "B"}},
      {"empty lines", "\n\r\nX\n", CFile::typeText, {"", "", "X"}},
      {"binary keeps cr", "A\r\n", CFile::typeBinary, {"A\r"}},
      {"empty file", "", CFile::typeText, {}},
  };
  for (const LineCase& c : cases) {
    SCOPED_TRACE(c.name);
    TempName name("stdio_lines.txt");
    {
      FILE* f = std::fopen(name, "wb");
      ASSERT_NE(f, nullptr);
      std::fwrite(c.bytes, 1, std::strlen(c.bytes), f);
      std::fclose(f);
    }
    CStdioFile file;
    ASSERT_TRUE(file.Open(name, CFile::modeRead | c.mode));
    std::vector<std::string> got;
    CString line;
    while (file.ReadString(line)) got.emplace_back(static_cast<LPCTSTR>(line));
    EXPECT_TRUE(line.IsEmpty());
    EXPECT_EQ(got, c.lines);
    file.Close();
  }
}
