// The functions that formulas can call and the resolver that the engine state holds for them.
// A descriptor lists the parameters a call binds its arguments to; the routine computes the
// result from the evaluated arguments.
// Not for: evaluating arguments (FormulaEval.cpp does that before calling a routine).
#ifndef GRID_FORMULA_FORMULAFUNCTIONS_H
#define GRID_FORMULA_FORMULAFUNCTIONS_H

#include "FormulaEval.h"

#include <cstdint>

struct EngineFunctionParam {
  bool unevaluated;  // passed as an unevaluated argument
  uint16_t accepts;  // the argument kinds the routine takes (bit per EngineValueKind)
  bool optional;
  bool repeating;  // serves all remaining arguments
};

struct EngineFunction {
  const char* name;  // upper case
  int paramCount;
  const EngineFunctionParam* params;
  EngineValue (*routine)(int sheet, const EngineValue* args, int argCount);
};

// The resolver of the engine's own functions (NA, SUM); the engine state owns it.
EngineFunctionResolver* CreateEngineFunctionResolver();

#endif  // GRID_FORMULA_FORMULAFUNCTIONS_H
