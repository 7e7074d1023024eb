// The pen-width table: the two pen lists, their defaults, damaged lists and the scaled lookup.
#include <gtest/gtest.h>

#include <string>

#include "PenTable.h"

namespace {

std::string Repeat(const char* pair, int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += pair;
  return s;
}

TEST(PenTable, BothListsOrTheSecondsDefault) {
  CPenTable t;
  t.SetDefaults();
  const std::string list1 = Repeat("19", 127);  // 25
  ASSERT_EQ(t.ReadLists(list1.c_str(), ""), 1);
  EXPECT_EQ(t.m_widths[0], 25);
  EXPECT_EQ(t.m_widths[126], 25);
  EXPECT_EQ(t.m_widths[127], 20);
  EXPECT_EQ(t.m_widths[253], 20);
  const std::string list2 = Repeat("0A", 127);
  ASSERT_EQ(t.ReadLists(list1.c_str(), list2.c_str()), 1);
  EXPECT_EQ(t.m_widths[127], 10);
  EXPECT_EQ(t.m_widths[253], 10);
}

TEST(PenTable, WithoutTheFirstListNothingChanges) {
  CPenTable t;
  t.SetDefaults();
  const std::string list2 = Repeat("0A", 127);
  EXPECT_EQ(t.ReadLists("", list2.c_str()), 0);
  EXPECT_EQ(t.ReadLists(nullptr, list2.c_str()), 0);
  for (int32_t w : t.m_widths) EXPECT_EQ(w, 18);
}

struct DamagedCase {
  std::string list1;
  int firstDefault;  // the first pen that keeps the list's default
};

TEST(PenTable, DamagedListsStopWhereTheyGoWrong) {
  const DamagedCase cases[] = {
      {"0102", 2},                          // short
      {"010", 1},                           // half a pair at the end
      {"01zz03", 1},                        // not hexadecimal
      {Repeat("ff", 127) + "extra", 127},  // longer than its pens: the rest is ignored
  };
  for (const DamagedCase& c : cases) {
    CPenTable t;
    t.SetDefaults();
    ASSERT_EQ(t.ReadLists(c.list1.c_str(), nullptr), 1) << c.list1;
    for (int i = 0; i < c.firstDefault; ++i) EXPECT_NE(t.m_widths[i], 18) << c.list1 << " pen " << i;
    for (int i = c.firstDefault; i < 127; ++i) EXPECT_EQ(t.m_widths[i], 18) << c.list1 << " pen " << i;
  }
}

TEST(PenTable, WidthsAreScaledAndRounded) {
  CPenTable t;
  t.SetDefaults();
  t.m_widths[5] = 25;
  t.m_dScale = 0.4;
  EXPECT_EQ(t.GetWidth(5), 10);
  EXPECT_EQ(t.GetWidth(0), 7);    // 18 * 0.4 = 7.2
  EXPECT_EQ(t.GetWidth(-1), 7);   // outside the table: the default width
  EXPECT_EQ(t.GetWidth(254), 7);
  t.m_dScale = 0.5;
  EXPECT_EQ(t.GetWidth(5), 13);   // 12.5 rounds up
}

}  // namespace
