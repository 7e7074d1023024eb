// Named layer lists over an in-memory profile: saving, replacing and deleting lists, the slot
// scan and its limit, states by layer name without regard to case (external-reference layers
// included), and the descriptions of DWGLayer.lst.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "tests/vector/MemoryLayerStore.h"
#include "vector/model/LayerList.h"

namespace {

std::vector<std::string> Names(CLayerList& lists) {
  CStringArray names;
  lists.GetListNames(names);
  std::vector<std::string> out;
  for (int i = 0; i < names.GetSize(); ++i) out.push_back((const char*)names[i]);
  return out;
}

void Save(CLayerList& lists, const char* name,
          std::vector<std::pair<const char*, const char*>> states) {
  CMapStringToString map;
  for (auto& s : states) map.SetAt(s.first, s.second);
  lists.SaveList(name, map);
}

class LayerListTest : public ::testing::Test {
 protected:
  MemoryStore store;
  CLayerList lists{store};
};

TEST_F(LayerListTest, SavingTwiceUnderOneNameReplacesTheList) {
  Save(lists, "First", {{"A", "ON"}, {"B", "OFF"}, {"C", "ON"}});
  Save(lists, "Second", {{"A", "OFF"}});
  Save(lists, "FIRST", {{"D", "ON"}});
  EXPECT_EQ(Names(lists), (std::vector<std::string>{"FIRST", "Second"}))
      << "the old slot is freed and taken again";
  EXPECT_EQ(store.GetInt("LayerLists", "NumLL", -1), 2);
  EXPECT_EQ(store.GetInt("LL00000000", "NumLayers", -1), 1);
  EXPECT_EQ(store.Find("LL00000000", "Lay1"), nullptr) << "the old entries are gone";
  ASSERT_EQ(lists.SelectList("first"), 1);
  EXPECT_EQ(lists.GetState("D"), CLayerList::StateOn);
  EXPECT_EQ(lists.GetState("B"), CLayerList::StateNotListed);
}

TEST_F(LayerListTest, DeletingTheFirstOfThreeLeavesTheRestFound) {
  Save(lists, "One", {{"A", "ON"}});
  Save(lists, "Two", {{"B", "OFF"}});
  Save(lists, "Three", {{"C", "ON"}});
  ASSERT_EQ(lists.SelectList("One"), 1);
  lists.DeleteList("One");
  EXPECT_EQ(lists.CurrentList(), CString(CLayerList::kStandard));
  EXPECT_EQ(Names(lists), (std::vector<std::string>{"Two", "Three"}));
  EXPECT_EQ(lists.FindSection("Three"), CString("LL00000002"));
  ASSERT_EQ(lists.SelectList("Three"), 1);
  EXPECT_EQ(lists.GetState("c"), CLayerList::StateOn);
  EXPECT_EQ(lists.SelectList("One"), 0);
  EXPECT_EQ(lists.CurrentList(), CString("Three")) << "a failed selection changes nothing";
  EXPECT_EQ(lists.HasLayers("Two"), 1);
  EXPECT_EQ(lists.HasLayers("One"), 0);
}

TEST_F(LayerListTest, AListWithoutLayersCanBeDeleted) {
  Save(lists, "Empty", {});
  EXPECT_EQ(lists.SelectList("Empty"), 0);
  lists.DeleteList("Empty");
  EXPECT_TRUE(Names(lists).empty());
  EXPECT_EQ(store.GetInt("LayerLists", "NumLL", -1), 0);
  EXPECT_EQ(store.Find("LayerLists", "LL00000000"), nullptr);
}

TEST_F(LayerListTest, FiveThousandSlotsAtMost) {
  char key[24];
  for (int i = 0; i < CLayerList::MaxLists; ++i) {
    std::snprintf(key, sizeof key, "LL%08d", i);
    store.sections["LayerLists"][key] = "L" + std::to_string(i);
  }
  store.sections["LayerLists"]["NumLL"] = std::to_string(CLayerList::MaxLists);
  EXPECT_EQ(lists.AddListName("More"), CString());
  Save(lists, "More", {{"A", "ON"}});
  EXPECT_EQ(lists.FindSection("More"), CString());
  EXPECT_EQ(lists.FindSection("l4999"), CString("LL00004999"));
  EXPECT_EQ(store.GetInt("LayerLists", "NumLL", -1), CLayerList::MaxLists);
}

struct StateCase {
  const char* asked;
  int state;
};

TEST_F(LayerListTest, StatesAreFoundWithoutRegardToCase) {
  lists.SetStandardState("Walls", 1);
  lists.SetStandardState("doors", 0);
  Save(lists, "Named", {{"PLAN|WALLS", "ON"}, {"Roof", "OFF"}, {"Odd", "MAYBE"}});
  const StateCase standard[] = {{"WALLS", 2}, {"walls", 2}, {"Doors", 1}, {"Roof", 0}};
  for (const StateCase& c : standard) EXPECT_EQ(lists.GetState(c.asked), c.state) << c.asked;

  ASSERT_EQ(lists.SelectList("named"), 1);
  const StateCase named[] = {
      {"plan|walls", 2}, {"ROOF", 1}, {"Odd", 0}, {"Walls", 0}, {"PLAN", 0}};
  for (const StateCase& c : named) EXPECT_EQ(lists.GetState(c.asked), c.state) << c.asked;
}

TEST_F(LayerListTest, SelectingAnotherListAppliesOnlyItsLayers) {
  Save(lists, "A", {{"L1", "ON"}, {"L2", "OFF"}});
  Save(lists, "B", {{"L3", "OFF"}});
  ASSERT_EQ(lists.SelectList("A"), 1);
  ASSERT_EQ(lists.SelectList("B"), 1);
  EXPECT_EQ(lists.GetState("L1"), CLayerList::StateNotListed);
  EXPECT_EQ(lists.GetState("L3"), CLayerList::StateOff);
}

struct DescriptionCase {
  const char* layer;
  const char* description;
};

TEST_F(LayerListTest, DescriptionsFromTheFileBesideTheProgram) {
  store.description_file = ::testing::TempDir() + "DWGLayer.lst";
  FILE* f = std::fopen(store.description_file.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  static const char text[] =
      "; walls and doors\r\n"
      "   WALLS|Outer walls|x   \r\n"
      "\r\n"
      "  ; indented comment\r\n"
      "doors\r\n"
      "Roof|+Roof plan\n"
      "Bad\0Line|ignored after the zero\n";
  std::fwrite(text, 1, sizeof text - 1, f);
  std::fclose(f);
  lists.Load();
  std::remove(store.description_file.c_str());
  const DescriptionCase cases[] = {
      {"WALLS", "Outer walls"}, {"walls", "Outer walls"},   {"PLAN|WALLS", "Outer walls"},
      {"PLAN$0$WALLS", "Outer walls"}, {"DOORS", "doors"}, {"ROOF", "Roof plan"},
      {"; WALLS AND DOORS", ""}, {"BAD", "Bad"},            {"unknown", ""},
  };
  for (const DescriptionCase& c : cases)
    EXPECT_EQ(std::string((const char*)lists.GetDescription(c.layer)), c.description) << c.layer;
}

TEST_F(LayerListTest, MissingDescriptionFileLeavesNoDescriptions) {
  store.description_file = ::testing::TempDir() + "no-such-dir/DWGLayer.lst";
  store.sections["LayerLists"]["NumLL"] = "0";
  lists.Load();
  EXPECT_EQ(lists.GetDescription("WALLS"), CString());
  EXPECT_EQ(lists.CurrentList(), CString(CLayerList::kStandard));
}

}  // namespace
