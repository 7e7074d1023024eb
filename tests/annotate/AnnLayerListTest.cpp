// The annotation-layer dialog's working state: ids of new layers, Cancel, removing, emptying,
// showing and hiding all.
#include <gtest/gtest.h>

#include <algorithm>

#include "AnnLayer.h"
#include "AnnLayerList.h"
#include "AnnObj.h"
#include "Vlr.h"

namespace {

class AnnLayerListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_set.SetLayer(0, new CAnnLayer("0", 0xFF, 1));
    m_set.SetLayer(1, new CAnnLayer("Notes", 0xFF00, 1));
    m_set.m_nCurrentLayer = 1;
    m_set.Add(new CAnnLine(RECT{0, 0, 1, 1}, m_set.GetLayer(1), 1));
    m_set.m_bModified = FALSE;
  }
  static bool Lists(const std::vector<WORD>& ids, WORD nId) {
    return std::find(ids.begin(), ids.end(), nId) != ids.end();
  }
  CVlr m_set;
};

TEST_F(AnnLayerListTest, TwoNewLayersGetDistinctIds) {
  CAnnLayerList list(m_set);
  const WORD first = list.Create("A", TRUE, 0xFF);
  const WORD second = list.Create("B", TRUE, 0xFF);
  EXPECT_EQ(2, first);
  EXPECT_EQ(3, second);
  EXPECT_EQ(3, list.GetCurrent());
  list.Commit();
  EXPECT_STREQ("A", m_set.GetLayer(2)->m_strName);
  EXPECT_STREQ("B", m_set.GetLayer(3)->m_strName);
  EXPECT_EQ(3, m_set.m_nCurrentLayer);
  EXPECT_TRUE(m_set.m_bModified);
}

TEST_F(AnnLayerListTest, CancelLeavesTheSetAsItWas) {
  {
    CAnnLayerList list(m_set);
    list.Create("A", TRUE, 0xFF);
    list.ToggleVisible(0);
    list.GetLayer(1)->m_strName = "Renamed";
    EXPECT_EQ(CAnnLayerList::removed, list.Remove(0));
  }  // closed with Cancel
  EXPECT_EQ(2, m_set.m_layers.GetCount());
  EXPECT_STREQ("0", m_set.GetLayer(0)->m_strName);
  EXPECT_EQ(1u, m_set.GetLayer(0)->m_nVisible);
  EXPECT_STREQ("Notes", m_set.GetLayer(1)->m_strName);
  EXPECT_EQ(1, m_set.m_nCurrentLayer);
  EXPECT_FALSE(m_set.m_bModified);
}

TEST_F(AnnLayerListTest, RemoveRefusesLastOrNonEmptyLayer) {
  CAnnLayerList list(m_set);
  EXPECT_EQ(CAnnLayerList::notEmpty, list.Remove(1));
  EXPECT_EQ(CAnnLayerList::removed, list.Remove(0));
  const std::vector<WORD> ids = list.BuildList();
  EXPECT_FALSE(Lists(ids, 0));
  list.Empty(1);
  EXPECT_EQ(0, m_set.CountOnLayer(1)) << "emptied at once, not on OK";
  EXPECT_EQ(CAnnLayerList::lastLayer, list.Remove(1));
  list.Commit();
  EXPECT_EQ(nullptr, m_set.GetLayer(0)) << "a removed layer goes at OK";
  EXPECT_NE(nullptr, m_set.GetLayer(1));
}

TEST_F(AnnLayerListTest, CurrentFallsBackToFirstListedLayer) {
  CAnnLayerList list(m_set);
  list.SetCurrent(9);
  const std::vector<WORD> ids = list.BuildList();
  ASSERT_FALSE(ids.empty());
  EXPECT_EQ(ids.front(), list.GetCurrent());
}

TEST_F(AnnLayerListTest, ShowAllAndHideAll) {
  CAnnLayerList list(m_set);
  list.SetAllVisible(FALSE);
  EXPECT_EQ(0u, list.GetLayer(0)->m_nVisible);
  EXPECT_EQ(0u, list.GetLayer(1)->m_nVisible);
  list.ToggleVisible(1);
  EXPECT_EQ(1u, list.GetLayer(1)->m_nVisible);
  list.SetAllVisible(TRUE);
  EXPECT_EQ(1u, list.GetLayer(0)->m_nVisible);
}

}  // namespace
