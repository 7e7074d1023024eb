// A fresh engine sheet per test, and short ways to store and read its cells by A1 address.
#pragma once

#include "EngineCellRef.h"
#include "EngineState.h"
#include "FormulaEval.h"

#include <gtest/gtest.h>

#include <string>

class EngineSheetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_sheet = CreateEngineSheet();
    m_s = GetEngineSheet(m_sheet);
  }
  void TearDown() override { DestroyEngineSheet(m_sheet); }

  static EngineCellRef Ref(const char* a1) {
    EngineCellRef r{};
    EXPECT_TRUE(ParseCellReference(a1, &r)) << a1;
    return r;
  }
  EngineCell* Cell(const char* a1) {
    EngineCellRef r = Ref(a1);
    return FindEngineCell(m_s, r.FirstRow(), r.FirstCol());
  }
  // Stores text as the formula sheet would: "=" formulas, numbers, or text.
  bool Put(const char* a1, const char* text) {
    EngineCellRef r = Ref(a1);
    if (text[0] == '=')
      return StoreFormulaCell(m_sheet, r.FirstRow(), r.FirstCol(), text);
    char* end = nullptr;
    double d = std::strtod(text, &end);
    if (*text != '\0' && *end == '\0')
      return StoreNumberCell(m_sheet, r.FirstRow(), r.FirstCol(), d);
    return StoreTextCell(m_sheet, r.FirstRow(), r.FirstCol(), text);
  }
  std::string Show(const char* a1) { return (const char*)EngineCellDisplayText(m_sheet, Cell(a1)); }
  std::string Edit(const char* a1) { return (const char*)EngineCellEditText(m_sheet, Cell(a1)); }
  int ErrorOf(const char* a1) {
    EngineCell* c = Cell(a1);
    if (c == nullptr)
      return -1;
    if (c->Kind() == ENGINE_CELL_FORMULA_REFS && !c->Is(ENGINE_FLAG_CURRENT))
      EvaluateCell(m_sheet, c);
    return c->ValueType() == ENGINE_VALUE_ERROR ? c->value.error : 0;
  }

  int m_sheet = 0;
  EngineSheet* m_s = nullptr;
};
