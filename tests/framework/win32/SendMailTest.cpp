// File/Send of a document where no mail system can be loaded (the test runs with Wine's
// MAPI32.DLL disabled): the user is told, and the document, its path, its modified flag and its
// file stay as they were; a document without a file is told so before any mail system is asked.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "Document.h"
#include "WinApp.h"
#include "WinTestSupport.h"

namespace {

const UINT kSendCommand = 0xE108;

std::string ReadAll(const std::string& path) {
  std::string s;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return s;
  char buf[256];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
  std::fclose(f);
  return s;
}

TEST(SendMail, WithoutAMailSystemTheUserIsToldAndNothingChanges) {
  vvtest::MessageBoxes::Install();
  const std::string path = vvtest::TempDir() + "vv_send.txt";
  {
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("drawing bytes", f);
    std::fclose(f);
  }
  CDocument doc;
  doc.SetPathName(path.c_str(), FALSE);
  doc.SetModifiedFlag(TRUE);
  const CString before = doc.GetPathName();
  // Through the command, as the menu sends it.
  ASSERT_TRUE(AfxDispatchCommand(&doc, kSendCommand));
  ASSERT_EQ(vvtest::MessageBoxes::Get().texts.size(), 1u);
  EXPECT_EQ(vvtest::MessageBoxes::Get().texts[0], "No mail system is installed: the document can not be sent.");
  EXPECT_STREQ(doc.GetPathName(), before);
  EXPECT_TRUE(doc.IsModified());
  EXPECT_EQ(ReadAll(path), "drawing bytes");
  DeleteFileA(path.c_str());
}

TEST(SendMail, ADocumentWithoutAFileIsToldSo) {
  vvtest::MessageBoxes::Install();
  CDocument doc;
  doc.OnFileSendMail();
  ASSERT_EQ(vvtest::MessageBoxes::Get().texts.size(), 1u);
  EXPECT_EQ(vvtest::MessageBoxes::Get().texts[0], "The document has no file to send.");
}

}  // namespace
