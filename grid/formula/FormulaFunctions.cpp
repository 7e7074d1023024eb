// The engine's own functions: NA(), the not-available value that "#N/A" stands for, and
// SUM(...), the sum of numbers, cells and ranges.
#include "FormulaFunctions.h"

#include "EngineErrors.h"

#include <cstring>

namespace {

enum : uint16_t {
  kAcceptsNumber = 1u << VALUE_NUMBER,
  kAcceptsString = 1u << VALUE_STRING,
  kAcceptsRange = 1u << VALUE_RANGE,
  kAcceptsCell = 1u << VALUE_CELL,
};

EngineValue FnNA(int, const EngineValue*, int) {
  return EngineValue::NotAvailable();
}

// Numbers in cells and ranges add up; texts and blanks in them are skipped, a not-available cell
// makes the sum not available, and a cell holding an error is an error.
EngineValue FnSum(int sheet, const EngineValue* args, int argCount) {
  double sum = 0;
  bool notAvailable = false;
  EngineSheet* s = GetEngineSheet(sheet);
  auto addCell = [&](EngineCell* c) {
    if (c->IsFormula() && !c->Is(ENGINE_FLAG_CURRENT) && !c->Is(ENGINE_FLAG_IN_PROGRESS))
      EvaluateCell(sheet, c);
    switch (c->ValueType()) {
      case ENGINE_VALUE_NUMBER: sum += c->value.number; break;
      case ENGINE_VALUE_NA: notAvailable = true; break;
      case ENGINE_VALUE_ERROR: EngineRaiseError(ENGINE_ERR_OPERAND_ERROR);
      default: break;
    }
  };
  for (int i = 0; i < argCount; i++) {
    const EngineValue& a = args[i];
    switch (a.kind) {
      case VALUE_NUMBER:
        sum += a.number;
        break;
      case VALUE_CELL:
      case VALUE_RANGE: {
        // Cells are collected first: evaluating one may not reshape the store while it is walked.
        std::vector<EngineCell*> cells;
        ForEachCellInRange(s, a.ref, ENGINE_POOL_ALL, [&](EngineCell* c) { cells.push_back(c); });
        for (EngineCell* c : cells)
          addCell(c);
        break;
      }
      case VALUE_NA:
        notAvailable = true;
        break;
      case VALUE_ERROR:
        EngineRaiseError(a.error, a.text);
      default:
        EngineRaiseError(ENGINE_ERR_NON_NUMERIC);
    }
  }
  return notAvailable ? EngineValue::NotAvailable() : EngineValue::Number(sum);
}

const EngineFunctionParam kSumParams[] = {
    {false, kAcceptsNumber | kAcceptsCell | kAcceptsRange, false, false},
    {false, kAcceptsNumber | kAcceptsCell | kAcceptsRange, true, true},
};

const EngineFunction kFunctions[] = {
    {"NA", 0, nullptr, FnNA},
    {"SUM", 2, kSumParams, FnSum},
};

class BuiltinResolver : public EngineFunctionResolver {
 public:
  const EngineFunction* ResolveFunction(const char* upperName) const override {
    for (const EngineFunction& f : kFunctions)
      if (std::strcmp(f.name, upperName) == 0)
        return &f;
    return nullptr;
  }
};

}  // namespace

EngineFunctionResolver* CreateEngineFunctionResolver() {
  return new BuiltinResolver;
}
