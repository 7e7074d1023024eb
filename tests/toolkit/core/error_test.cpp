// Error texts: the shared-prefix table must give back every text whole.
#include <gtest/gtest.h>

#include "toolkit/core/error.h"

TEST(ErrorText, OutOfRange) {
  EXPECT_STREQ(tk_error_text(308), "Error number out of range");
  EXPECT_STREQ(tk_error_text(-1), "Error number out of range");
}
