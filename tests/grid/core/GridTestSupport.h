// Helpers of the grid core tests: the library started once for every test program, with the
// grid's strings available in the native build too, and archive helpers.
#ifndef TESTS_GRID_CORE_GRIDTESTSUPPORT_H
#define TESTS_GRID_CORE_GRIDTESTSUPPORT_H

#include "ArchiveTestSupport.h"
#include "GXControlFactory.h"
#include "GXGridState.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

// The texts the tests rely on, as the Windows build's string table holds them.
inline const std::map<UINT, std::string>& GridTestStrings() {
  static const std::map<UINT, std::string> s_strings = {
      {52512, "Edit Control"}, {52520, "Header"}, {52529, "MFC DropDownList"},
      {52768, "Standard"}, {52769, "Row Header"}, {52770, "Column Header"},
      {51022, "Tooltip-Text"}, {52792, "Type of ellipses that will be drawn"},
      {20126, "No ellipse\nDotted....\nPound###"}, {51005, "Current Cell."}, {51006, "Invert Thin."},
      {51007, "Invert Thick."}, {51008, "Thin Border."}, {51009, "Thick Border."}, {20059, "No Border."},
      {52232, "Grid Lines"}, {52233, "Fixed Lines"}, {52234, "Tracking Line"}, {52235, "Background"},
      {52236, "Dragging Line"}, {20145, "Removing rows ..."},
      {20164, "Insert Rows"}, {20158, "Change Row Heights"}, {20139, "Redoing %1 ..."},
      {20140, "Undoing %1 ..."}, {20174, "Current Cell"}, {20075, "Processing..."}};
  return s_strings;
}

#ifndef _WIN32
inline int GridTestLoadString(UINT nID, LPTSTR lpszBuf, UINT nMaxBuf) {
  auto it = GridTestStrings().find(nID);
  if (it == GridTestStrings().end() || nMaxBuf == 0)
    return 0;
  size_t n = std::min<size_t>(it->second.size(), nMaxBuf - 1);
  std::memcpy(lpszBuf, it->second.data(), n);
  lpszBuf[n] = '\0';
  return (int)n;
}
#endif

// Starts the library once for the test program, as the application's start-up does.
class GridLibraryEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
#ifndef _WIN32
    AfxSetLoadStringProc(&GridTestLoadString);
#else
    AfxSetLoadStringProc(&LoadFromModule);
#endif
    InitGridLibrary(1536, 0, 0);
  }
#ifdef _WIN32
  static int LoadFromModule(UINT nID, LPTSTR lpszBuf, UINT nMaxBuf);
#endif
};

#endif  // TESTS_GRID_CORE_GRIDTESTSUPPORT_H
