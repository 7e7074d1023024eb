// The programs keep their settings in INI files in the Windows directory through the profile
// functions; this proves those reach the test's Wine prefix and come back unchanged.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

const char kFile[] = "VVHarness.INI";

std::string WindowsDir() {
  char dir[MAX_PATH];
  UINT n = GetWindowsDirectoryA(dir, sizeof dir);
  return std::string(dir, n);
}

TEST(Profile, StringsAndIntegersRoundTrip) {
  ASSERT_TRUE(WritePrivateProfileStringA("Config", "RedlineDir", "C:\\Redline", kFile));
  ASSERT_TRUE(WritePrivateProfileStringA("Config", "Resolution", "400", kFile));

  char buf[256];
  DWORD n = GetPrivateProfileStringA("Config", "RedlineDir", "", buf, sizeof buf, kFile);
  EXPECT_EQ(std::string(buf, n), "C:\\Redline");
  EXPECT_EQ(GetPrivateProfileIntA("Config", "Resolution", 0, kFile), 400u);
  EXPECT_EQ(GetPrivateProfileIntA("Config", "Missing", 77, kFile), 77u);

  // A relative profile name lives in the Windows directory, where the programs expect it.
  std::string path = WindowsDir() + "\\" + kFile;
  EXPECT_NE(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES) << path;

  // Deleting a key brings the default back; deleting the section removes the rest.
  ASSERT_TRUE(WritePrivateProfileStringA("Config", "RedlineDir", nullptr, kFile));
  n = GetPrivateProfileStringA("Config", "RedlineDir", "none", buf, sizeof buf, kFile);
  EXPECT_EQ(std::string(buf, n), "none");
  ASSERT_TRUE(WritePrivateProfileStringA("Config", nullptr, nullptr, kFile));
  EXPECT_EQ(GetPrivateProfileIntA("Config", "Resolution", 5, kFile), 5u);
  DeleteFileA(path.c_str());
}

}  // namespace
