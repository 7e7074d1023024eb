// The settings record against a profile kept in memory: defaults, clamps and string rules on
// reading, every key written back in its section, the real values' text round trip, and no
// profile traffic between creation and deletion.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>

#include "model/Config.h"

namespace {

// A profile of "section/key" -> text, counting the calls.
class MemoryProfile : public CConfigProfile {
 public:
  std::map<std::string, std::string> values;
  int reads = 0;
  int writes = 0;

  static std::string Key(const char* section, const char* key) { return std::string(section) + "/" + key; }
  int GetInt(const char* section, const char* key, int nDefault) override {
    ++reads;
    auto it = values.find(Key(section, key));
    return it == values.end() ? nDefault : atoi(it->second.c_str());
  }
  CString GetString(const char* section, const char* key, const char* lpszDefault) override {
    ++reads;
    auto it = values.find(Key(section, key));
    return it == values.end() ? CString(lpszDefault) : CString(it->second.c_str());
  }
  void WriteInt(const char* section, const char* key, int nValue) override {
    ++writes;
    values[Key(section, key)] = std::to_string(nValue);
  }
  void WriteString(const char* section, const char* key, const char* lpszValue) override {
    ++writes;
    values[Key(section, key)] = lpszValue;
  }
};

const char kProgramDir[] = "C:\\Program Files\\Vellview\\";

TEST(Config, DefaultsOfAnEmptyProfile) {
  MemoryProfile profile;
  CConfig cfg(&profile, kProgramDir);
  EXPECT_EQ(cfg.m_nSnapType, 1);  // the default 0 is outside 1..2
  EXPECT_EQ(cfg.m_nSnapSize, 1);
  EXPECT_EQ(cfg.m_nDecimals, 1);
  EXPECT_EQ(cfg.m_nAlias, 1);
  EXPECT_EQ(cfg.m_nUseShx, 1);
  EXPECT_EQ(cfg.m_nUseQuickView, 1);
  EXPECT_EQ(cfg.m_nOnTop, 0);
  EXPECT_STREQ(cfg.m_strSHXDir, "");
  EXPECT_STREQ(cfg.m_strCALSDir, kProgramDir);
  EXPECT_STREQ(cfg.m_strCALSExt, "CAL");
  EXPECT_DOUBLE_EQ(cfg.m_dScale1, 1.0);
  EXPECT_DOUBLE_EQ(cfg.m_dScale2, 1.0);
  EXPECT_EQ(cfg.m_nCopies, 1);
  EXPECT_EQ(cfg.m_nPrintChoice, -1);
  EXPECT_EQ(cfg.m_nDpi, 400);
  EXPECT_EQ(cfg.m_nDpi2, 200);
  EXPECT_EQ(cfg.m_nPrim, 594);
  EXPECT_EQ(cfg.m_nSnd, 297);
}

struct ClampCase {
  const char* key;
  const char* stored;
  int CConfig::*field;
  int expected;
};

TEST(Config, ClampsOnReading) {
  static const ClampCase cases[] = {
      {"SnapType", "0", &CConfig::m_nSnapType, 1}, {"SnapType", "3", &CConfig::m_nSnapType, 1},
      {"SnapType", "2", &CConfig::m_nSnapType, 2}, {"SnapSize", "-1", &CConfig::m_nSnapSize, 0},
      {"SnapSize", "4", &CConfig::m_nSnapSize, 0}, {"SnapSize", "3", &CConfig::m_nSnapSize, 3},
      {"Alias", "3", &CConfig::m_nAlias, 1},       {"Alias", "-1", &CConfig::m_nAlias, 1},
      {"Alias", "0", &CConfig::m_nAlias, 0},       {"Unit", "42", &CConfig::m_nUnit, 42},
  };
  for (const ClampCase& c : cases) {
    MemoryProfile profile;
    profile.values[std::string("Config/") + c.key] = c.stored;
    CConfig cfg(&profile, kProgramDir);
    EXPECT_EQ(cfg.*c.field, c.expected) << c.key << "=" << c.stored;
  }
}

struct StringCase {
  const char* key;
  const char* stored;
  CString CConfig::*field;
  const char* expected;
};

TEST(Config, StringRulesOnReading) {
  static const StringCase cases[] = {
      {"SHXDir", "  C:\\Fonts  ", &CConfig::m_strSHXDir, "C:\\Fonts\\"},
      {"SHXDir", "C:/Fonts/", &CConfig::m_strSHXDir, "C:/Fonts/"},
      {"SHXDir", "   ", &CConfig::m_strSHXDir, ""},
      {"RedlineDir", "D:\\Notes", &CConfig::m_strRedlineDir, "D:\\Notes\\"},
      {"RSTWPath", "  C:\\Scan\\RSTW.EXE ", &CConfig::m_strRSTWPath, "C:\\Scan\\RSTW.EXE"},
      {"CALSExt", "  ", &CConfig::m_strCALSExt, "CAL"},
      {"CALSExt", " C4 ", &CConfig::m_strCALSExt, "C4"},
      {"CALSDir", "", &CConfig::m_strCALSDir, kProgramDir},
      {"LaunchApp", " notepad %1 ", &CConfig::m_strLaunchApp, "notepad %1"},
  };
  for (const StringCase& c : cases) {
    MemoryProfile profile;
    profile.values[std::string("Config/") + c.key] = c.stored;
    CConfig cfg(&profile, kProgramDir);
    EXPECT_STREQ(cfg.*c.field, c.expected) << c.key << "=[" << c.stored << "]";
  }
  // The paper head's user text is kept as it was written.
  MemoryProfile profile;
  profile.values["PaperHead/UserText"] = "  as typed ";
  CConfig cfg(&profile, kProgramDir);
  EXPECT_STREQ(cfg.m_strHeadUserText, "  as typed ");
}

TEST(Config, NothingIsWrittenBeforeTheRecordGoes) {
  MemoryProfile profile;
  {
    CConfig cfg(&profile, kProgramDir);
    EXPECT_EQ(profile.writes, 0);
    EXPECT_EQ(profile.reads, 57);  // every stored setting once
    cfg.m_nOnTop = 1;
    EXPECT_EQ(profile.writes, 0);
  }
  EXPECT_EQ(profile.writes, 57);
  EXPECT_EQ(profile.values["Config/OnTop"], "1");
}

TEST(Config, EveryKeyRoundTripsInItsSection) {
  MemoryProfile profile;
  {
    CConfig cfg(&profile, kProgramDir);
    cfg.m_nDarkDWG = 1;
    cfg.m_nSnapType = 2;
    cfg.m_nSnapSize = 3;
    cfg.m_nUnit = 6;
    cfg.m_strSHXDir = "C:\\Fonts\\";
    cfg.m_strLaunchApp = "viewer.exe %1";
    cfg.m_strHeadUserText = "Checked";
    cfg.m_dScale2 = 0.5;
    cfg.m_nPrintChoice = 3;
    cfg.m_nPaperSize = 2;
    cfg.m_nSWCopies = 4;
  }
  static const std::pair<const char*, const char*> written[] = {
      {"Config/DarkDWG", "1"},       {"Config/SnapType", "2"},        {"Config/SnapSize", "3"},
      {"Config/Unit", "6"},          {"Config/SHXDir", "C:\\Fonts\\"}, {"Config/LaunchApp", "viewer.exe %1"},
      {"PaperHead/UserText", "Checked"}, {"PaperHead/Scale1", "1.000000"}, {"PaperHead/Scale2", "0.500000"},
      {"PaperHead/Size", "2"},       {"RasterPrinting/SWCopies", "4"}, {"RasterPrinting/Dpi", "400"},
      {"Config/CALSExt", "CAL"},
  };
  for (const auto& w : written) EXPECT_EQ(profile.values[w.first], w.second) << w.first;
  CConfig again(&profile, kProgramDir);
  EXPECT_EQ(again.m_nSnapType, 2);
  EXPECT_EQ(again.m_nUnit, 6);
  EXPECT_DOUBLE_EQ(again.m_dScale2, 0.5);
  EXPECT_STREQ(again.m_strLaunchApp, "viewer.exe %1");
  EXPECT_EQ(again.m_nPrintChoice, -1);  // never stored
  EXPECT_EQ(profile.values.count("PaperHead/PrintChoice"), 0u);
}

}  // namespace
