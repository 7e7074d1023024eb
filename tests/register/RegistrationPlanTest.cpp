// VLReg's registration plan: where it looks for the main program, which keys and values each
// choice of the dialog writes and in what order, how the other extension is prepared and
// refused, and how a refused write ends the run and is told to the user.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "RegistrationPlan.h"

namespace {

using Strings = std::vector<std::string>;

TEST(VLRegLocation, MainProgramIsLookedForInTheModulesOwnFolder) {
  static const struct {
    const char* module;
    const char* expected;
  } cases[] = {
      {"C:\\Apps\\VLReg.exe", "C:\\Apps\\Vellview.exe"},
      {"C:\\Program Files\\Orvane\\VLReg.exe", "C:\\Program Files\\Orvane\\Vellview.exe"},
      {"C:\\VLReg.exe", "C:\\Vellview.exe"},
      {"\\\\server\\share\\VLReg.EXE", "\\\\server\\share\\Vellview.exe"},
      {"VLReg.exe", "Vellview.exe"},          // no folder part
      {"C:/apps/VLReg.exe", "Vellview.exe"},  // only a backslash separates the folder
      {"", "Vellview.exe"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(std::string(PathBesideModule(c.module, kMainProgramName)), c.expected) << c.module;
  }
}

// Every key of a plan, with its values as "name=data" (the default value as "=data").
Strings Flatten(const std::vector<RegWrite>& plan) {
  Strings lines;
  for (const RegWrite& w : plan) {
    std::string line = std::string(w.key) + ":";
    for (const RegValue& v : w.values) line += " [" + std::string(v.name) + "=" + std::string(v.data) + "]";
    lines.push_back(line);
  }
  return lines;
}

Strings DocumentTypeKeys(const char* program) {
  return {
      "Orvane Vellora: [=Orvane Vellora]",
      std::string("Orvane Vellora\\shell\\open\\command: [=\"") + program + "\" \"%1\" /T]",
      "Orvane Vellora\\shell\\open\\ddeexec: [=#OPENFILE#|%1]",
      "Orvane Vellora\\shell\\open\\ddeexec\\Application: [=Vellview]",
      "Orvane Vellora\\shell\\open\\ddeexec\\topic: [=System]",
  };
}

std::string ExtensionKey(const std::string& ext, const char* contentType) {
  return ext + ": [=Orvane Vellora] [Content Type=" + contentType + "]";
}

TEST(VLRegPlan, EveryCombinationOfBoxesWritesTheDocumentTypeThenTheChosenExtensionsInFixedOrder) {
  const char* program = "C:\\Apps\\Vellview.exe";
  for (int mask = 0; mask < 32; ++mask) {
    VLRegChoices choices;
    choices.bDwg = (mask & 1) != 0;  // the dialog's order of boxes, not the order of writing
    choices.bDxf = (mask & 2) != 0;
    choices.bCal = (mask & 4) != 0;
    choices.bTif = (mask & 8) != 0;
    choices.bOther = (mask & 16) != 0;
    choices.strOther = "vlx";
    Strings expected = DocumentTypeKeys(program);
    if (choices.bCal) expected.push_back(ExtensionKey(".cal", "image/x-cals"));
    if (choices.bDwg) expected.push_back(ExtensionKey(".dwg", "image/x-dwg"));
    if (choices.bDxf) expected.push_back(ExtensionKey(".dxf", "image/x-dxf"));
    if (choices.bTif) expected.push_back(ExtensionKey(".tif", "image/tiff"));
    if (choices.bOther) expected.push_back(ExtensionKey(".vlx", "image/x-orvanevl"));
    std::vector<RegWrite> plan;
    ASSERT_TRUE(BuildRegistrationPlan(program, choices, plan)) << mask;
    EXPECT_EQ(Flatten(plan), expected) << "boxes " << mask;
    // Only the extension keys name what they register, for the report of a failure.
    for (size_t i = 0; i < plan.size(); ++i) {
      EXPECT_EQ(std::string(plan[i].extension), i < 5 ? "" : std::string(plan[i].key)) << mask << " " << i;
    }
  }
}

TEST(VLRegPlan, TheOpenCommandQuotesTheProgramPathAndKeepsItsSuffix) {
  static const char* const programs[] = {
      "C:\\Program Files\\Orvane Vellora\\Vellview.exe",
      "C:\\Vellview.exe",
      "\\\\server\\tools share\\Vellview.exe",
  };
  for (const char* program : programs) {
    VLRegChoices none;
    none.bCal = none.bDwg = none.bDxf = none.bTif = FALSE;
    std::vector<RegWrite> plan;
    ASSERT_TRUE(BuildRegistrationPlan(program, none, plan));
    EXPECT_EQ(Flatten(plan), DocumentTypeKeys(program)) << program;
  }
}

TEST(VLRegPlan, OtherExtensionIsTrimmedDottedSkippedWhenEmptyAndRefusedWhenNotAnExtension) {
  static const struct {
    const char* typed;
    BOOL other;
    bool accepted;
    const char* key;  // the last key of the plan when it registers the other extension, else null
  } cases[] = {
      {"abc", TRUE, true, ".abc"},
      {".ab", TRUE, true, ".ab"},
      {" x ", TRUE, true, ".x"},
      {"\tz\n", TRUE, true, ".z"},
      {"a", TRUE, true, ".a"},
      {".a", TRUE, true, ".a"},
      {"a b", TRUE, true, ".a b"},
      {"DWG", TRUE, true, ".DWG"},
      {"", TRUE, true, nullptr},     // would be the key "."
      {"   ", TRUE, true, nullptr},  // blanks only
      {"abc", FALSE, true, nullptr},
      {"\\x", FALSE, true, nullptr},  // not chosen: not looked at
      {".", TRUE, false, nullptr},
      {"..", TRUE, false, nullptr},
      {"a.b", TRUE, false, nullptr},
      {"\\x", TRUE, false, nullptr},  // would be the key "." with a subkey "x"
      {"a/b", TRUE, false, nullptr},
      {"*", TRUE, false, nullptr},
      {"a?", TRUE, false, nullptr},
      {"a:", TRUE, false, nullptr},
      {"\"a", TRUE, false, nullptr},
      {"<|>", TRUE, false, nullptr},
      {"a\x01", TRUE, false, nullptr},
  };
  for (const auto& c : cases) {
    VLRegChoices choices;  // the four known types stay chosen
    choices.bOther = c.other;
    choices.strOther = c.typed;
    std::vector<RegWrite> plan;
    ASSERT_EQ(BuildRegistrationPlan("C:\\V\\Vellview.exe", choices, plan), c.accepted) << "[" << c.typed << "]";
    if (!c.accepted) {
      EXPECT_TRUE(plan.empty()) << c.typed;
      continue;
    }
    ASSERT_EQ(plan.size(), c.key ? 10u : 9u) << "[" << c.typed << "]";
    EXPECT_EQ(std::string(plan[8].key), ".tif");
    if (c.key) {
      EXPECT_EQ(Flatten({plan[9]}), Strings{ExtensionKey(c.key, "image/x-orvanevl")});
    }
  }
}

// A registry that keeps what it was given and refuses the n-th create or the n-th set.
class FakeRegistry : public CRegistryTarget {
 public:
  int failCreate = 0;  // 1-based; 0 never
  int failSet = 0;
  Strings log;
  int openKeys = 0;

  bool CreateKey(LPCSTR key) override {
    EXPECT_EQ(openKeys, 0) << "a key is still open when " << key << " is created";
    if (++creates_ == failCreate) return false;
    ++openKeys;
    current_ = key;
    return true;
  }
  bool SetValue(LPCSTR name, LPCSTR data) override {
    EXPECT_EQ(openKeys, 1);
    if (++sets_ == failSet) return false;
    log.push_back(current_ + "|" + name + "=" + data);
    return true;
  }
  void CloseKey() override { --openKeys; }

 private:
  int creates_ = 0;
  int sets_ = 0;
  std::string current_;
};

TEST(VLRegRun, TheFirstRefusedWriteEndsTheRunAndTheOutcomeNamesWhatWasNotWritten) {
  VLRegChoices all;
  all.bOther = TRUE;
  all.strOther = "vl";
  std::vector<RegWrite> plan;
  ASSERT_TRUE(BuildRegistrationPlan("C:\\V\\Vellview.exe", all, plan));
  ASSERT_EQ(plan.size(), 10u);
  // Sets per key: one in the document type's five keys, two in each extension key.
  static const struct {
    int failCreate;
    int failSet;
    size_t valuesWritten;
    RegistrationResult result;
    Strings notWritten;
  } cases[] = {
      {0, 0, 15, RegistrationResult::Finished, {}},
      {1, 0, 0, RegistrationResult::Failed, {}},
      {0, 1, 0, RegistrationResult::Failed, {}},
      {3, 0, 2, RegistrationResult::Failed, {}},
      {0, 5, 4, RegistrationResult::Failed, {}},
      {6, 0, 5, RegistrationResult::Incomplete, {".cal", ".dwg", ".dxf", ".tif", ".vl"}},
      {7, 0, 7, RegistrationResult::Incomplete, {".dwg", ".dxf", ".tif", ".vl"}},
      {0, 9, 8, RegistrationResult::Incomplete, {".dwg", ".dxf", ".tif", ".vl"}},  // .dwg half written
      {0, 10, 9, RegistrationResult::Incomplete, {".dxf", ".tif", ".vl"}},
      {10, 0, 13, RegistrationResult::Incomplete, {".vl"}},
      {0, 15, 14, RegistrationResult::Incomplete, {".vl"}},
  };
  for (const auto& c : cases) {
    FakeRegistry registry;
    registry.failCreate = c.failCreate;
    registry.failSet = c.failSet;
    RegistrationOutcome outcome = RunRegistrationPlan(plan, registry);
    SCOPED_TRACE(testing::Message() << "create " << c.failCreate << " set " << c.failSet);
    EXPECT_EQ(outcome.result, c.result);
    Strings notWritten(outcome.notWritten.begin(), outcome.notWritten.end());
    EXPECT_EQ(notWritten, c.notWritten);
    EXPECT_EQ(registry.log.size(), c.valuesWritten);
    EXPECT_EQ(registry.openKeys, 0);  // the refused key is closed too
  }
  FakeRegistry registry;
  RunRegistrationPlan(plan, registry);
  EXPECT_EQ(registry.log.front(), "Orvane Vellora|=Orvane Vellora");
  EXPECT_EQ(registry.log.back(), ".vl|Content Type=image/x-orvanevl");
}

TEST(VLRegRun, EachOutcomeHasItsMessage) {
  RegistrationOutcome finished;
  RegistrationOutcome failed{RegistrationResult::Failed, {}};
  RegistrationOutcome one{RegistrationResult::Incomplete, {".tif"}};
  RegistrationOutcome three{RegistrationResult::Incomplete, {".dxf", ".tif", ".abc"}};
  static const struct {
    const RegistrationOutcome* outcome;
    UINT id;
    MessageIcon icon;
    const char* insert;
  } cases[] = {
      {&finished, IDS_VLREG_FINISHED, MessageIcon::Exclamation, ""},
      {&failed, IDS_VLREG_FAILED, MessageIcon::Stop, ""},
      {&one, IDS_VLREG_INCOMPLETE, MessageIcon::Stop, ".tif"},
      {&three, IDS_VLREG_INCOMPLETE, MessageIcon::Stop, ".dxf, .tif, .abc"},
  };
  for (const auto& c : cases) {
    RegistrationMessage m = MessageForOutcome(*c.outcome);
    EXPECT_EQ(m.nIDPrompt, c.id);
    EXPECT_EQ(m.icon, c.icon);
    EXPECT_EQ(std::string(m.strInsert), c.insert);
  }
}

}  // namespace
