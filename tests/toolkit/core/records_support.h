// Test support for the record structures: the started toolkit over the counting allocator, with
// a way to fail the n-th allocation from now and a check that a test frees what it made, so each
// test can prove that a failed operation leaves its structure as it was and nothing leaks.
#pragma once

#include "core_support.h"

namespace records_test {

class StartedToolkit : public core_test::StartedToolkit {
 protected:
  void SetUp() override {
    core_test::StartedToolkit::SetUp();
    started_live_ = core_test::counts.live;
  }

  void TearDown() override {
    EXPECT_EQ(core_test::counts.live, started_live_) << "blocks leaked by the test";
    core_test::StartedToolkit::TearDown();
  }

  // Makes the n-th allocation from now fail (0 = the next one); -1 stops failing.
  static void fail_allocation(long n) {
    core_test::counts.fail_at = n < 0 ? -1 : core_test::counts.calls + n;
  }

  long started_live_ = 0;
};

}  // namespace records_test
