// The long-operation feature on a fake window system with a clock the test moves: nothing before the
// first delay, the status line with percent or spinner, nested levels and their texts, ESC with and
// without the question, the done text, and nesting deeper than the level tables.
#include "GXLongOperationImp.h"

#include "GridTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class FakePlatform : public CGXLongOperationPlatform {
 public:
  DWORD GetTickCount() override { return nNow; }
  BOOL FindFrameWindow() override { return TRUE; }
  void SetFrameStatusText(LPCTSTR psz) override { lines.push_back(psz); }
  void BeginWaitCursor() override { ++nWaitCursor; }
  void EndWaitCursor() override { --nWaitCursor; }
  BOOL PumpMessages() override {
    ++nPumps;
    const BOOL b = bEscape;
    bEscape = FALSE;
    return b;
  }
  int AskAbort(LPCTSTR psz, BOOL bRollback) override {
    questions.push_back(std::string(psz) + (bRollback ? " [abort/retry/ignore]" : " [yes/no]"));
    return nAnswer;
  }
  DWORD nNow = 1000;
  std::vector<std::string> lines;
  std::vector<std::string> questions;
  int nWaitCursor = 0;
  int nPumps = 0;
  BOOL bEscape = FALSE;
  int nAnswer = 7;
};

class LongOperationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(GXGetAppState()->m_pLongOperationImp, nullptr);
    GXSetLongOperationPlatform(&platform);
    GX_LONGOP_STATE* p = GXGetLongOperationState();
    p->bAskBeforeAbort = TRUE;
    p->nSpinner = 0;
  }
  void TearDown() override { GXSetLongOperationPlatform(nullptr); }
  FakePlatform platform;
};

TEST_F(LongOperationTest, NothingBeforeTheFirstDelayThenSpinnerMarksInOrder) {
  {
    CGXLongOperation op;
    op.SetStatusText("Sorting", TRUE);
    platform.nNow += 749;
    EXPECT_FALSE(op.ShowProgress());
    BOOL bAbort = TRUE;
    EXPECT_FALSE(op.CheckAbort(&bAbort));
    EXPECT_FALSE(bAbort);
    EXPECT_TRUE(platform.lines.empty());
    EXPECT_EQ(platform.nPumps, 0);
    platform.nNow += 1;
    EXPECT_TRUE(op.ShowProgress());
    EXPECT_EQ(platform.nWaitCursor, 1);
    // Later feedback comes once per repeat interval.
    platform.nNow += 1499;
    EXPECT_FALSE(op.ShowProgress());
    for (int i = 0; i < 4; ++i) {
      platform.nNow += 1500;
      EXPECT_TRUE(op.ShowProgress());
    }
  }
  const std::vector<std::string> expected = {"Sorting  -", "Sorting  \\", "Sorting  |", "Sorting  /", "Sorting  -",
                                             "Done."};
  EXPECT_EQ(platform.lines, expected);
  EXPECT_EQ(platform.nWaitCursor, 0);
}

TEST_F(LongOperationTest, PercentAndTheCancelHint) {
  CGXLongOperation op;
  op.SetStatusText("Pasting", FALSE);
  GXGetLongOperationState()->nPercent = 42;
  platform.nNow += 800;
  EXPECT_TRUE(op.CheckAbort());
  ASSERT_EQ(platform.lines.size(), 1u);
  EXPECT_EQ(platform.lines[0], "Pasting  42%.    Press ESC to cancel");
}

TEST_F(LongOperationTest, NestedLevelsShowTheOuterTextUntilTheyHaveTheirOwn) {
  CGXLongOperation outer;
  outer.SetStatusText("Outer", TRUE);
  {
    CGXLongOperation inner;
    platform.nNow += 800;
    inner.ShowProgress();
    inner.SetStatusText("Inner", TRUE);
    platform.nNow += 1600;
    inner.ShowProgress();
  }
  EXPECT_EQ(GXGetLongOperationState()->nLevel, 1);
  ASSERT_EQ(platform.lines.size(), 2u);
  EXPECT_EQ(platform.lines[0].substr(0, 5), "Outer");
  EXPECT_EQ(platform.lines[1].substr(0, 5), "Inner");
}

TEST_F(LongOperationTest, EscapeAsksOrStops) {
  struct Case {
    BOOL bAsk, bRollbackOffered;
    int nAnswer;
    BOOL bAborted, bRollback;
    const char* pszQuestion;
  } cases[] = {
      {TRUE, FALSE, 6, TRUE, FALSE, "Do you want to abort the operation? [yes/no]"},
      {TRUE, FALSE, 7, FALSE, FALSE, "Do you want to abort the operation? [yes/no]"},
      {TRUE, TRUE, 3, TRUE, FALSE, "Do you want to abort the operation? [abort/retry/ignore]"},
      {TRUE, TRUE, 4, TRUE, TRUE, "Do you want to abort the operation? [abort/retry/ignore]"},
      {TRUE, TRUE, 5, FALSE, FALSE, "Do you want to abort the operation? [abort/retry/ignore]"},
      {FALSE, TRUE, 0, TRUE, TRUE, nullptr},
      {FALSE, FALSE, 0, TRUE, FALSE, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.nAnswer);
    platform.questions.clear();
    GX_LONGOP_STATE* p = GXGetLongOperationState();
    p->bAskBeforeAbort = c.bAsk;
    CGXLongOperation op;
    p->bRollbackOffered = c.bRollbackOffered;
    platform.nAnswer = c.nAnswer;
    platform.bEscape = TRUE;
    platform.nNow += 800;
    BOOL bAbort = FALSE;
    EXPECT_TRUE(op.CheckAbort(&bAbort));
    EXPECT_EQ(bAbort, c.bAborted);
    EXPECT_EQ(p->bRollbackRequested, c.bRollback);
    if (c.pszQuestion != nullptr) {
      ASSERT_EQ(platform.questions.size(), 1u);
      EXPECT_EQ(platform.questions[0], c.pszQuestion);
    } else {
      EXPECT_TRUE(platform.questions.empty());
    }
  }
}

// Levels beyond the tables are counted, and their texts neither overwrite memory nor leak.
TEST_F(LongOperationTest, NestingDeeperThanTheTables) {
  std::vector<CGXLongOperation*> ops;
  for (int i = 0; i < GX_LONGOP_MAXLEVEL + 6; ++i) {
    ops.push_back(new CGXLongOperation);
    ops.back()->SetStatusText("level", TRUE);
  }
  EXPECT_EQ(GXGetLongOperationState()->nLevel, GX_LONGOP_MAXLEVEL + 6);
  platform.nNow += 800;
  EXPECT_TRUE(ops.back()->ShowProgress());
  ASSERT_EQ(platform.lines.size(), 1u);
  EXPECT_EQ(platform.lines[0].substr(0, 5), "level");
  for (auto it = ops.rbegin(); it != ops.rend(); ++it)
    delete *it;
  EXPECT_EQ(GXGetLongOperationState()->nLevel, 0);
}

TEST_F(LongOperationTest, ALongStatusLineIsCut) {
  CGXLongOperation op;
  const std::string sLong(300, 'x');
  op.SetStatusText(sLong.c_str(), TRUE);
  platform.nNow += 800;
  op.ShowProgress();
  ASSERT_EQ(platform.lines.size(), 1u);
  EXPECT_EQ(platform.lines[0], std::string(127, 'x'));
}

}  // namespace
