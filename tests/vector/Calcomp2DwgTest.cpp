// The Calcomp converter under Wine, in-process with the program's toolkit resources: a plot
// stream made here becomes an AC1014 DWG file that the vector drawing object opens with one line
// a pen-down move; a file without the preamble, with a wrong data header, cut inside an
// instruction, or whose DWG cannot be saved, is not converted and leaves no DWG file.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "toolkit/core/drawing_life.h"
#include "toolkit/core/entity.h"
#include "toolkit/core/entity_list.h"
#include "toolkit/core/hdr.h"
#include "toolkit/core/symtab.h"
#include "vector/Calcomp2Dwg.h"
#include "vector/Dwg.h"
#include "vector/ToolkitSession.h"

namespace {

std::string TempPath(const std::string& name) {
  char dir[MAX_PATH];
  GetTempPathA(sizeof dir, dir);
  return std::string(dir) + "vv_calcomp_" + std::to_string(GetCurrentProcessId()) + "_" + name;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The preamble, a sync run '!', bias '"', the data header, then the values with the bias added.
std::string Plot(std::vector<int> values, const char* header = "\x01\x00\x00\x01") {
  std::string s = "&&&&CALCOMP DEVICE CONTROL\r\n^^^^END OF FILE\r\n  !!\"";
  for (int i = 0; i < 4; ++i) s += char(header[i] + '"');
  for (int v : values) s += char(v + '"');
  return s;
}

class Calcomp2DwgTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(InitDwgToolkitOnce(::GetModuleHandleA(nullptr))); }
  void TearDown() override {
    for (const std::string& p : paths_) DeleteFileA(p.c_str());
  }
  std::string Write(const std::string& name, const std::string& bytes) {
    const std::string path = TempPath(name);
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(f, bytes.data(), DWORD(bytes.size()), &written, nullptr);
    CloseHandle(f);
    paths_.push_back(path);
    return path;
  }
  std::string Out(const std::string& name) {
    paths_.push_back(TempPath(name));
    return paths_.back();
  }
  std::vector<std::string> paths_;
};

TEST_F(Calcomp2DwgTest, PlotBecomesAnAc1014DrawingOfItsPenDownMoves) {
  // Pen 3, down: (+5, +7); up: (-2, 0); down: (0, -3); opcode 17 at radix 64: (-66, +3).
  const std::string plot =
      Write("plot.907", Plot({4, 3, 2, 24, 5, 7, 3, 37, 2, 2, 39, 3, 17, 0, 1, 2, 0, 0, 3}));
  EXPECT_GT(CCalcomp2Dwg::FindDataStart(plot.c_str()), 0);
  CCalcomp2Dwg calcomp(plot.c_str());
  calcomp.m_strOutPath = Out("plot.dwg").c_str();
  ASSERT_TRUE(calcomp.Convert());
  EXPECT_EQ(calcomp.m_converted, 1);

  char head[7] = "";
  HANDLE f = CreateFileA(calcomp.m_strOutPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(f, INVALID_HANDLE_VALUE);
  DWORD read = 0;
  ReadFile(f, head, 6, &read, nullptr);
  CloseHandle(f);
  EXPECT_STREQ(head, "AC1014");

  CDwg dwg(plot.c_str(), calcomp.m_strOutPath);
  ASSERT_NE(dwg.GetDrawing(), nullptr);
  TkHandle block{};
  ASSERT_TRUE(tk_find_record_by_name(dwg.GetDrawing(), "*MODEL_SPACE", &block));
  TkList* list = tk_block_entity_list(dwg.GetDrawing(), &block);
  ASSERT_NE(list, nullptr);
  static TkEntityHeader header;
  static TkEntityData data;
  std::string lines;
  ASSERT_TRUE(entity_list_rewind(list));
  while (entity_list_next(list, &header, &data)) {
    lines += std::to_string(header.colour) + ":";
    for (size_t at : {0, 8, 24, 32}) lines += " " + std::to_string(int(tk_data_get<double>(&data, at)));
    lines += " | ";
  }
  EXPECT_EQ(lines, "3: 0 0 5 7 | 3: 3 7 3 4 | 3: 3 4 -63 7 | ");
  const TkHeader* h = tk_get_header(dwg.GetDrawing());
  EXPECT_LE(h->extmin[0], -63.0);
  EXPECT_GE(h->extmax[1], 7.0);
}

TEST_F(Calcomp2DwgTest, WhatIsNotACompletePlotOrCannotBeSavedIsNotConverted) {
  const struct {
    const char* name;
    std::string bytes;
    bool folderMissing;
  } cases[] = {
      {"no preamble", std::string("\x01\x02\x03\x18\x05\x07", 6) + Plot({2, 24, 5, 7}), false},
      {"preamble never ends", "&&&&CALCOMP DEVICE CONTROL\r\n  !!\"#\"\"#", false},
      {"wrong data header", Plot({2, 24, 5, 7}, "\x01\x00\x01\x01"), false},
      {"cut inside a move", Plot({2, 17, 0, 1}), false},
      {"save fails", Plot({2, 24, 5, 7}), true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string plot = Write("case.907", c.bytes);
    CCalcomp2Dwg calcomp(plot.c_str());
    const std::string out = c.folderMissing ? TempPath("missing-folder\\plot.dwg") : Out("case.dwg");
    calcomp.m_strOutPath = out.c_str();
    EXPECT_FALSE(calcomp.Convert());
    EXPECT_EQ(calcomp.m_converted, 0);
    EXPECT_FALSE(Exists(out));
  }
  EXPECT_EQ(CCalcomp2Dwg::FindDataStart(Write("none.907", "IN;PD1,1;").c_str()), 0);
  EXPECT_EQ(CCalcomp2Dwg::FindDataStart(TempPath("absent.907").c_str()), 0);
}

}  // namespace
