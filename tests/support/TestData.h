// Finding the drawings that other programs wrote (../shared/testdata). They are not part of the
// repository: a test that needs one skips itself when the folder is absent.
#pragma once

#include <string>
#include <vector>

namespace vvtest {

// The test-data folder as a path this process can open ("Z:\..." under Wine), or "" when absent.
std::string TestDataRoot();

// TestDataRoot() joined with a relative path written with "/".
std::string TestDataPath(const std::string& relative);

// Names of the regular files of a test-data subfolder, sorted; empty when it is absent.
std::vector<std::string> TestDataFiles(const std::string& subfolder);

// Reads a whole file; false when it cannot be read.
bool ReadWholeFile(const std::string& path, std::vector<unsigned char>& out);

}  // namespace vvtest

// Skips the current test when the shared test data is not on this machine.
#define VV_REQUIRE_TESTDATA()                                              \
  do {                                                                     \
    if (vvtest::TestDataRoot().empty())                                    \
      GTEST_SKIP() << "shared test data not present; skipped";             \
  } while (0)
