// The layer dialog's model over a fake drawing and an in-memory profile: where the states start,
// showing and hiding, choosing, saving and deleting layer settings, OK, and Cancel putting back
// every change (the drawing's layers, the selection, a saved list) and telling whether the
// drawing changed. Also the lines of the vector properties dialog.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/vector/MemoryLayerStore.h"
#include "vector/model/DwgPropertyItems.h"
#include "vector/model/LayerDialogModel.h"

namespace {

class FakeLayers : public DwgLayerAccess {
 public:
  struct Layer {
    std::string name;
    DwgLayerState state;
  };
  explicit FakeLayers(std::vector<Layer> layers) : layers(std::move(layers)) {}
  int Count() override { return static_cast<int>(layers.size()); }
  CString Name(int i) override { return layers[i].name.c_str(); }
  DwgLayerState State(int i) override { return layers[i].state; }
  void SetState(int i, const DwgLayerState& s) override {
    layers[i].state = s;
    ++writes;
  }
  std::string Shown() {
    std::string s;
    for (auto& l : layers) s += IsShown(l.state) ? '+' : '-';
    return s;
  }
  std::vector<Layer> layers;
  int writes = 0;
};

DwgLayerState On() { return DwgLayerState{1, 0, 0, 0}; }
DwgLayerState Off() { return DwgLayerState{0, 0, 0, 0}; }
DwgLayerState Frozen() { return DwgLayerState{1, 1, 0, 1}; }

std::string States(CDwgLayersModel& m) {
  std::string s;
  for (int i = 0; i < m.LayerCount(); ++i) s += m.IsOn(i) ? '+' : '-';
  return s;
}

class LayerDialogModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    lists.Load();
    // The built-in list holds the drawing's own states, as the drawing object records them.
    for (auto& l : layers.layers) lists.SetStandardState(l.name.c_str(), IsShown(l.state));
  }
  void SaveList(const char* name, std::vector<std::pair<const char*, const char*>> states) {
    CMapStringToString map;
    for (auto& s : states) map.SetAt(s.first, s.second);
    lists.SaveList(name, map);
  }

  MemoryStore store;
  CLayerList lists{store};
  FakeLayers layers{{{"WALLS", On()}, {"DOORS", Off()}, {"HATCH", Frozen()}, {"Text", On()}}};
  CMapStringToString user;
  CString current = CLayerList::kStandard;
};

TEST_F(LayerDialogModelTest, StatesStartFromTheUsersStatesOrElseTheDrawing) {
  {
    CDwgLayersModel m(layers, lists, user, current);
    EXPECT_EQ(States(m), "+--+");  // frozen counts as off
  }
  user.SetAt("WALLS", "OFF");
  user.SetAt("DOORS", "ON");
  CDwgLayersModel m(layers, lists, user, current);
  EXPECT_EQ(States(m), "-+--");  // a layer the user states do not name is off
  m.Refill(false);
  EXPECT_EQ(States(m), "+--+");
}

TEST_F(LayerDialogModelTest, ShowHideAndToggleChangeNothingInTheDrawingUntilOk) {
  CDwgLayersModel m(layers, lists, user, current);
  m.HideAll();
  EXPECT_EQ(States(m), "----");
  m.ShowAll();
  m.Toggle(1);
  EXPECT_EQ(States(m), "+-++");
  EXPECT_EQ(layers.writes, 0);
  m.HideAll();
  m.Ok("< Standard >");
  EXPECT_EQ(layers.Shown(), "----");
  EXPECT_EQ(user.GetCount(), 4);
  CString v;
  ASSERT_TRUE(user.Lookup("HATCH", v));
  EXPECT_EQ(std::string(v), "OFF");
  EXPECT_EQ(std::string(current), "< Standard >");
  EXPECT_EQ(layers.layers[2].state.locked, 1);  // the other states are kept
}

TEST_F(LayerDialogModelTest, ChoosingAListAppliesOnlyTheLayersItNamesAndStandardRestores) {
  SaveList("Plan", {{"WALLS", "OFF"}, {"DOORS", "ON"}});
  CDwgLayersModel m(layers, lists, user, current);
  CStringArray names;
  m.SettingNames(names);
  ASSERT_EQ(names.GetSize(), 2);
  EXPECT_EQ(std::string(names[0]), "< Standard >");
  EXPECT_EQ(std::string(names[1]), "Plan");
  EXPECT_TRUE(m.SelectSetting("Plan"));
  EXPECT_EQ(layers.Shown(), "-+-+");
  EXPECT_EQ(States(m), "-+-+");
  EXPECT_FALSE(m.SelectSetting("< Standard >"));
  EXPECT_EQ(layers.Shown(), "+--+");  // the states the drawing carried when it opened
}

TEST_F(LayerDialogModelTest, NamesTheListsCannotTake) {
  const struct {
    const char* name;
    bool reserved;
  } cases[] = {{"##DWGLAGER.LST##", true}, {"##dwglager.lst##", true}, {"< standard >", true},
               {"< Standard >", true},     {"Standard", false},         {"Plan", false}};
  for (const auto& c : cases) EXPECT_EQ(CDwgLayersModel::IsReservedName(c.name), c.reserved) << c.name;
}

TEST_F(LayerDialogModelTest, SaveMakesTheListCurrentAndItReloads) {
  CDwgLayersModel m(layers, lists, user, current);
  m.Toggle(0);
  m.SaveSetting("Mine");
  EXPECT_EQ(std::string(current), "Mine");
  EXPECT_TRUE(m.SettingExists("mine"));
  EXPECT_EQ(m.CurrentSettingIndex(), 1);
  EXPECT_EQ(layers.Shown(), "---+");
  // Another drawing object over the same profile finds it.
  CLayerList other(store);
  other.Load();
  ASSERT_TRUE(other.SelectList("MINE"));
  EXPECT_EQ(other.GetState("walls"), CLayerList::StateOff);
  EXPECT_EQ(other.GetState("Text"), CLayerList::StateOn);
}

TEST_F(LayerDialogModelTest, DeleteGoesBackToTheBuiltInList) {
  SaveList("Plan", {{"WALLS", "OFF"}});
  CDwgLayersModel m(layers, lists, user, current);
  m.SelectSetting("Plan");
  m.DeleteSetting("Plan");
  EXPECT_EQ(std::string(current), CLayerList::kStandard);
  EXPECT_FALSE(m.SettingExists("Plan"));
  EXPECT_EQ(layers.Shown(), "+--+");
}

TEST_F(LayerDialogModelTest, CancelPutsBackEveryChangeAndSaysWhetherTheDrawingChanged) {
  SaveList("Plan", {{"WALLS", "OFF"}, {"DOORS", "ON"}});
  user.SetAt("WALLS", "ON");
  const std::vector<FakeLayers::Layer> before = layers.layers;
  {
    CDwgLayersModel m(layers, lists, user, current);
    m.HideAll();
    EXPECT_FALSE(m.Cancel());  // only the dialog's states changed
    EXPECT_EQ(layers.writes, 0);
  }
  CDwgLayersModel m(layers, lists, user, current);
  m.SelectSetting("Plan");
  m.ShowAll();
  m.SaveSetting("Plan");  // overwrites
  m.SaveSetting("Fresh");
  EXPECT_TRUE(m.Cancel());
  for (size_t i = 0; i < before.size(); ++i) EXPECT_TRUE(layers.layers[i].state == before[i].state) << i;
  EXPECT_EQ(layers.layers[2].state.frozen, 1);  // frozen again, not merely off
  EXPECT_EQ(std::string(current), CLayerList::kStandard);
  EXPECT_EQ(std::string(lists.CurrentList()), CLayerList::kStandard);
  EXPECT_FALSE(lists.HasLayers("Fresh"));
  CMapStringToString plan;
  ASSERT_TRUE(lists.ReadList("Plan", plan));
  EXPECT_EQ(plan.GetCount(), 2);
  CString v;
  ASSERT_TRUE(plan.Lookup("WALLS", v));
  EXPECT_EQ(std::string(v), "OFF");
  EXPECT_EQ(user.GetCount(), 1);
  ASSERT_TRUE(user.Lookup("WALLS", v));
  EXPECT_EQ(std::string(v), "ON");
  CStringArray names;
  lists.GetListNames(names);
  EXPECT_EQ(names.GetSize(), 1);  // no duplicate slot left behind
}

TEST(DwgPropertyItems, RootFileLinesAndSizesWithTheirPictures) {
  const auto items = DwgPropertyItems(DwgPropertyLabels(), "C:\\a.dwg", "C:\\a.vvx", "HPGL", "12.5", "3");
  const struct {
    int level, image;
    const char* text;
  } expected[] = {{0, 1, "Vector properties"},
                  {1, 2, "File name: C:\\a.dwg"},
                  {1, 2, "Annotations file: C:\\a.vvx"},
                  {1, 2, "File type: HPGL"},
                  {1, 3, "Size"},
                  {2, 2, "Width: 12.5 drawing units"},
                  {2, 2, "Height: 3 drawing units"}};
  ASSERT_EQ(items.size(), sizeof expected / sizeof expected[0]);
  for (size_t i = 0; i < items.size(); ++i) {
    EXPECT_EQ(items[i].level, expected[i].level) << i;
    EXPECT_EQ(items[i].image, expected[i].image) << i;
    EXPECT_EQ(std::string(items[i].text), expected[i].text) << i;
  }
}

}  // namespace
