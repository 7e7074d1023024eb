// The shell's text rules: DDE command strings, VLFormat.ini lines, the command line's file
// list, and the plain helpers.
#include <gtest/gtest.h>

#include "model/DdeCommand.h"
#include "model/PaperFormats.h"
#include "model/PlainHelpers.h"

namespace {

struct DdeCase {
  const char* command;
  DdeKind kind;
  const char* path;
  const char* pending;  // null: no pending list
};

TEST(DdeCommand, KeywordsArgumentsAndTooShortCommands) {
  static const DdeCase cases[] = {
      {"#EXIT#", DdeKind::Exit, "", nullptr},
      {"#EXIT#now", DdeKind::Exit, "", nullptr},
      {"#RESTOREWINDOW#", DdeKind::RestoreWindow, "", nullptr},
      {"#MINIMIZEWINDOW#", DdeKind::MinimizeWindow, "", nullptr},
      {"#MAXIMIZEWINDOW#", DdeKind::MaximizeWindow, "", nullptr},
      {"#THUMB#|C:\\a.tif", DdeKind::Thumb, "C:\\a.tif", nullptr},
      {"#THUMB#", DdeKind::TooShort, "", nullptr},
      {"#THUMB#|", DdeKind::Thumb, "", nullptr},
      {"#OPENFILE#|C:\\a.tif", DdeKind::OpenFile, "C:\\a.tif", nullptr},
      {"#OPENFILE#|a.tif;b.tif;c.tif", DdeKind::OpenFile, "a.tif", "b.tif;c.tif"},
      {"#OPENFILE#|a.tif;", DdeKind::OpenFile, "a.tif", ""},
      {"#OPENFILE#", DdeKind::TooShort, "", nullptr},
      {"#OPENFILE#x", DdeKind::OpenFile, "", nullptr},  // the separator itself is not compared
      {"#CLOSEFILE#", DdeKind::CloseAll, "", nullptr},
      {"#CLOSEFILE#|C:\\a.tif", DdeKind::CloseFile, "C:\\a.tif", nullptr},
      {"#CLOSEFILE#|", DdeKind::CloseFile, "", nullptr},
      {"#PRINT#", DdeKind::TooShort, "", nullptr},
      {"#SLEEP#", DdeKind::TooShort, "", nullptr},
      {"#openfile#|a.tif", DdeKind::Other, "", nullptr},  // compared with case
      {"[open(\"a.tif\")]", DdeKind::Other, "", nullptr},
      {"", DdeKind::Other, "", nullptr},
      {"#EXI", DdeKind::Other, "", nullptr},
  };
  for (const DdeCase& c : cases) {
    DdeCommand cmd = ParseDdeCommand(c.command);
    EXPECT_EQ(cmd.kind, c.kind) << c.command;
    EXPECT_STREQ(cmd.path, c.path) << c.command;
    EXPECT_EQ(cmd.hasPending, c.pending != nullptr) << c.command;
    if (c.pending) {
      EXPECT_STREQ(cmd.pending, c.pending) << c.command;
    }
  }
  EXPECT_EQ(ParseDdeCommand(nullptr).kind, DdeKind::Other);
}

struct SleepCase {
  const char* command;
  int ms;
};

TEST(DdeCommand, SleepTimes) {
  static const SleepCase cases[] = {
      {"#SLEEP#|500", 500}, {"#SLEEP#|500|and more", 500}, {"#SLEEP#|abc", 0},
      {"#SLEEP#|", 0},      {"#SLEEP#|-5", 0},             {"#SLEEP#x250|x", 250},
  };
  for (const SleepCase& c : cases) {
    DdeCommand cmd = ParseDdeCommand(c.command);
    EXPECT_EQ(cmd.kind, DdeKind::Sleep) << c.command;
    EXPECT_EQ(cmd.milliseconds, c.ms) << c.command;
  }
}

struct PrintCase {
  const char* command;
  const char* path;
  int mode, scale, fileName, time, text;
  const char* userText;
};

TEST(DdeCommand, PrintFields) {
  static const PrintCase cases[] = {
      {"#PRINT#|C:\\a.tif", "C:\\a.tif", 0, 0, 0, 0, 0, ""},
      {"#PRINT#|C:\\a.tif;2", "C:\\a.tif", 2, 0, 0, 0, 0, ""},
      {"#PRINT#|a.tif;1;1;0;1;1;Checked; by me", "a.tif", 1, 1, 0, 1, 1, "Checked; by me"},
      {"#PRINT#|a.tif;1;1;1;1;0;ignored", "a.tif", 1, 1, 1, 1, 0, ""},
      {"#PRINT#|a.tif;x;;7", "a.tif", 0, 0, 7, 0, 0, ""},
      {"#PRINT#|a.tif;4;1;1;1;1", "a.tif", 4, 1, 1, 1, 1, ""},
  };
  for (const PrintCase& c : cases) {
    DdeCommand cmd = ParseDdeCommand(c.command);
    ASSERT_EQ(cmd.kind, DdeKind::Print) << c.command;
    EXPECT_STREQ(cmd.print.path, c.path) << c.command;
    EXPECT_EQ(cmd.print.mode, c.mode) << c.command;
    EXPECT_EQ(cmd.print.scale, c.scale) << c.command;
    EXPECT_EQ(cmd.print.fileName, c.fileName) << c.command;
    EXPECT_EQ(cmd.print.time, c.time) << c.command;
    EXPECT_EQ(cmd.print.text, c.text) << c.command;
    EXPECT_STREQ(cmd.print.userText, c.userText) << c.command;
  }
}

TEST(DdeCommand, PendingNamesAreTakenFromTheFront) {
  CString list = "b.tif;c.tif";
  EXPECT_STREQ(TakeFirstPendingName(list), "b.tif");
  EXPECT_STREQ(list, "c.tif");
  EXPECT_STREQ(TakeFirstPendingName(list), "c.tif");
  EXPECT_STREQ(list, "");
  list = ";d.tif";
  EXPECT_STREQ(TakeFirstPendingName(list), "");
  EXPECT_STREQ(list, "d.tif");
}

struct PaperCase {
  const char* value;
  bool ok;
  int width, height;
  const char* name;
};

TEST(PaperFormats, LinesAreTakenOnlyWhole) {
  static const PaperCase cases[] = {
      {"297,210,A4 landscape", true, 297, 210, "A4 landscape"},
      {"  210,297, A4 portrait  ", true, 210, 297, " A4 portrait"},
      {"841,1189,A0,wide", true, 841, 1189, "A0,wide"},
      {"297", false, 0, 0, ""},
      {"297,210", false, 0, 0, ""},
      {"297,210,", false, 0, 0, ""},
      {"0,0,Do not fit", true, 0, 0, "Do not fit"},
      {"0,210,Unfitted", true, 0, 210, "Unfitted"},
      {"297,0,Flat", false, 0, 0, ""},
      {"-5,210,Negative", false, 0, 0, ""},
      {"297,70000,Huge", false, 0, 0, ""},
      {"", false, 0, 0, ""},
  };
  for (const PaperCase& c : cases) {
    PaperFormat f{"unchanged", 1, 1};
    EXPECT_EQ(ParsePaperFormat(c.value, f) != FALSE, c.ok) << c.value;
    if (c.ok) {
      EXPECT_EQ(f.width, c.width) << c.value;
      EXPECT_EQ(f.height, c.height) << c.value;
      EXPECT_STREQ(f.name, c.name) << c.value;
    } else {
      EXPECT_STREQ(f.name, "unchanged") << c.value;
    }
  }
}

TEST(PaperFormats, BuiltInListAndParallelArrays) {
  int count = 0;
  const PaperFormat* f = BuiltInPaperFormats(count);
  ASSERT_EQ(count, 4);
  EXPECT_STREQ(f[0].name, "A1 (594 x 841 mm)");
  EXPECT_STREQ(f[3].name, "A4 (297 x 210 mm)");
  CStringArray names;
  CWordArray sizes;
  for (int i = 0; i < count; ++i) AppendPaperFormat(names, sizes, f[i]);
  ASSERT_EQ(names.GetSize(), 4);
  ASSERT_EQ(sizes.GetSize(), 8);
  EXPECT_EQ(sizes[0], 594);
  EXPECT_EQ(sizes[1], 841);
  EXPECT_EQ(sizes[6], 297);
  EXPECT_EQ(sizes[7], 210);
}

TEST(PlainHelpers, FileListOfTheCommandLine) {
  std::vector<CString> pieces = SplitFileList("a.tif;;b.tif");
  ASSERT_EQ(pieces.size(), 3u);
  EXPECT_STREQ(pieces[0], "a.tif");
  EXPECT_STREQ(pieces[1], "");
  EXPECT_STREQ(pieces[2], "b.tif");
  pieces = SplitFileList(" \"a b.tif\" ");
  ASSERT_EQ(pieces.size(), 1u);
  EXPECT_STREQ(pieces[0], " \"a b.tif\" ");  // not trimmed
  EXPECT_TRUE(SplitFileList("").empty());
  EXPECT_TRUE(SplitFileList(nullptr).empty());
  EXPECT_EQ(SplitFileList(";").size(), 2u);
}

struct PointCase {
  int x1, y1, x2, y2, x3, y3;
  int expected;
};

TEST(PlainHelpers, PointOnLine) {
  static const PointCase cases[] = {
      {0, 0, 10, 0, 15, 0, 3},    // beyond point 2
      {0, 0, 10, 0, -5, 0, 1},    // before point 1
      {0, 0, 10, 0, 5, 0, 2},     // between
      {0, 0, 10, 0, 5, 1, 0},     // a full unit across a horizontal line
      {0, 0, 0, 10, 0, 12, 3},    // vertical
      {0, 0, 10, 10, 5, 5, 2},    // diagonal
      {0, 0, 10, 10, 20, 21, 0},  // off a diagonal
      {3, 3, 3, 3, 3, 3, 0},      // no line at all
      {0, 0, 10000000, 10000000, 20000000, 20000000, 3},  // large document units
  };
  for (const PointCase& c : cases)
    EXPECT_EQ(PointOnLine(c.x1, c.y1, c.x2, c.y2, c.x3, c.y3), c.expected)
        << c.x1 << "," << c.y1 << " " << c.x2 << "," << c.y2 << " " << c.x3 << "," << c.y3;
}

TEST(PlainHelpers, AnglesDistancesAndPointsAtAnAngle) {
  const struct {
    CPoint from, to;
    double angle;
  } angles[] = {
      {{0, 0}, {10, 0}, 0.0},
      {{0, 0}, {0, 10}, kPi / 2},
      {{0, 0}, {-10, 0}, kPi},
      {{0, 0}, {0, -10}, 3 * kPi / 2},  // below the axis: the upper half of the turn
      {{5, 5}, {4, 4}, 5 * kPi / 4},
      {{7, 7}, {7, 7}, 0.0},            // one point: no direction
  };
  for (const auto& c : angles) {
    const double a = GetAngle(c.from, c.to);
    EXPECT_NEAR(a, c.angle, 1e-6) << c.to.x << "," << c.to.y;
    EXPECT_GE(a, 0.0);
    EXPECT_LT(a, kTwoPi);
  }
  // Just below the axis stays below the full turn.
  EXPECT_LT(GetAngle(CPoint(0, 0), CPoint(1000000, -1)), kTwoPi);

  const struct {
    double angle, distance;
    CPoint point;
  } points[] = {
      {0.0, 10.0, {110, 200}},
      {kPi / 2, 10.0, {99, 210}},        // the rounded half turn: x is 99.99999, cut
      {kPi, 10.0, {90, 200}},
      {kPi / 4, 10.0, {107, 207}},       // 7.07: x cut, y rounded
      {3 * kPi / 4, 10.0, {92, 207}},    // x cut towards zero of 92.93
      {kPi / 6, 1.0, {100, 201}},        // y 200.5 rounds up
  };
  for (const auto& c : points)
    EXPECT_EQ(PointAtAngle(CPoint(100, 200), c.angle, c.distance), c.point) << c.angle;

  EXPECT_DOUBLE_EQ(PointDistance(CPoint(1, 1), CPoint(4, 5)), 5.0);
  EXPECT_DOUBLE_EQ(PointDistance(CPoint(-3, 0), CPoint(-3, 0)), 0.0);

  const struct {
    double a, b, difference;
  } differences[] = {
      {0.5, 0.25, 0.25}, {0.25, 0.5, 0.25}, {0.1, kTwoPi - 0.1, 0.2}, {kPi, 0.0, kPi}, {0.0, 4.0, kTwoPi - 4.0},
  };
  for (const auto& c : differences) EXPECT_NEAR(AngleDifference(c.a, c.b), c.difference, 1e-9) << c.a << " " << c.b;
}

TEST(PlainHelpers, IntersectLines) {
  const struct {
    const char* name;
    CPoint p1, p2, q1, q2, expected;
  } cases[] = {
      {"crossing axes", {-10, 0}, {10, 0}, {0, -5}, {0, 5}, {0, 0}},
      {"outside both segments", {0, 0}, {10, 10}, {100, 0}, {90, 10}, {50, 50}},
      {"rounded to the nearest point", {0, 0}, {3, 1}, {1, 0}, {1, 5}, {1, 0}},
      {"parallel", {0, 0}, {10, 0}, {0, 5}, {10, 5}, {10, 0}},
      {"parallel, opposite directions", {0, 0}, {10, 10}, {20, 0}, {10, -10}, {10, 10}},
      {"almost parallel", {0, 0}, {100000, 0}, {0, 1}, {100000, 2}, {100000, 0}},
      {"the first line a single point", {3, 3}, {3, 3}, {0, 0}, {0, 9}, {3, 3}},
      {"large document units", {0, 0}, {10000000, 10000000}, {0, 10000000}, {10000000, 0}, {5000000, 5000000}},
      {"crossing beyond any integer point", {0, 0}, {100000000, 0}, {0, 1000000}, {100000000, 1015000}, {100000000, 0}},
  };
  for (const auto& c : cases) EXPECT_EQ(IntersectLines(c.p1, c.p2, c.q1, c.q2), c.expected) << c.name;
}

TEST(PlainHelpers, CountLines) {
  EXPECT_EQ(CountLines(""), 1);
  EXPECT_EQ(CountLines("one"), 1);
  EXPECT_EQ(CountLines("one\ntwo\n"), 3);
  EXPECT_EQ(CountLines(nullptr), 1);
}

}  // namespace
