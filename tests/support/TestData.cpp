// See TestData.h.
#include "TestData.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace vvtest {

namespace fs = std::filesystem;

std::string TestDataRoot() {
  const char* env = std::getenv("VV_TESTDATA");
  if (!env || !*env) return "";
  std::string root = env;
#ifdef _WIN32
  // ctest hands the Unix path through Wine's environment; Wine maps the Unix root to drive Z:.
  if (root[0] == '/') {
    std::replace(root.begin(), root.end(), '/', '\\');
    root = "Z:" + root;
  }
#endif
  std::error_code ec;
  if (!fs::is_directory(root, ec)) return "";
  return root;
}

std::string TestDataPath(const std::string& relative) {
  std::string root = TestDataRoot();
  if (root.empty()) return "";
  std::string rel = relative;
#ifdef _WIN32
  std::replace(rel.begin(), rel.end(), '/', '\\');
  return root + "\\" + rel;
#else
  return root + "/" + rel;
#endif
}

std::vector<std::string> TestDataFiles(const std::string& subfolder) {
  std::vector<std::string> names;
  std::string dir = TestDataPath(subfolder);
  std::error_code ec;
  if (dir.empty() || !fs::is_directory(dir, ec)) return names;
  for (const auto& e : fs::directory_iterator(dir, ec))
    if (e.is_regular_file()) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

bool ReadWholeFile(const std::string& path, std::vector<unsigned char>& out) {
  out.clear();
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  unsigned char buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.insert(out.end(), buf, buf + n);
  bool ok = !std::ferror(f);
  std::fclose(f);
  return ok;
}

}  // namespace vvtest
