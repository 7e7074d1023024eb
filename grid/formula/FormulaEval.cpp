// Storing cells, evaluating compiled formulas and recalculating sheets.
#include "FormulaEval.h"

#include "EngineErrors.h"
#include "FormulaFunctions.h"
#include "FormulaParser.h"

#include "Exception.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

namespace {

// Reading a formula cell that is not up to date evaluates it first; a chain of such reads that
// the dependency walk did not foresee (relative references) is cut off at this depth.
enum { kMaxNestedEvaluation = 256, kMaxMarkedRanges = 64 };

// The evaluator's state: what is being evaluated. Saved and restored around every evaluation so
// that evaluations nest.
struct GX_EVAL_STATE {
  int sheet = 0;
  EngineSheet* s = nullptr;
  uint32_t row = 0;
  uint32_t col = 0;
  const CompiledFormula* f = nullptr;
  int depth = 0;
};

GX_EVAL_STATE& EvalState() {
  static GX_EVAL_STATE s_state;
  return s_state;
}

[[noreturn]] void Raise(int number) { EngineRaiseError(number); }

bool InSheet(int64_t row, int64_t col) {
  return row >= 1 && row <= ENGINE_MAX_ROW && col >= 0 && col <= ENGINE_MAX_COL;
}

EngineValue EvalNode(uint16_t index);

// A cell operand replaced by its cell's value.
EngineValue CellValue(uint32_t row, uint32_t col) {
  GX_EVAL_STATE& ev = EvalState();
  EngineCell* c = FindEngineCell(ev.s, row, col);
  if (c != nullptr && c->IsFormula() && !c->Is(ENGINE_FLAG_CURRENT) && !c->Is(ENGINE_FLAG_IN_PROGRESS)) {
    if (ev.depth >= kMaxNestedEvaluation)
      Raise(148);  // "recursion too deep"
    EvaluateCell(ev.sheet, c);
    c = FindEngineCell(ev.s, row, col);
  }
  uint32_t type = c != nullptr ? c->ValueType() : ENGINE_VALUE_EMPTY;
  switch (type) {
    case ENGINE_VALUE_NUMBER:
      return EngineValue::Number(c->value.number);
    case ENGINE_VALUE_LONG_TEXT:
    case ENGINE_VALUE_SHORT_TEXT:
      return EngineValue::String(EngineCellText(c));
    case ENGINE_VALUE_NA:
      return EngineValue::NotAvailable();
    case ENGINE_VALUE_ERROR:
      Raise(ENGINE_ERR_OPERAND_ERROR);
    default:
      if (ev.s->blanksAreZero)
        return EngineValue::Number(0);
      Raise(ENGINE_ERR_BLANK_OPERAND);
  }
}

// Cells become their values; error values raise their own error; ranges stay ranges.
EngineValue ToValue(const EngineValue& v) {
  if (v.kind == VALUE_CELL)
    return CellValue(v.ref.FirstRow(), v.ref.FirstCol());
  if (v.kind == VALUE_ERROR)
    EngineRaiseError(v.error, v.text);
  return v;
}

double ToNumber(const EngineValue& operand) {
  EngineValue v = ToValue(operand);
  if (v.kind == VALUE_NUMBER)
    return v.number;
  if (v.kind == VALUE_STRING && v.text.IsEmpty() && EvalState().s->blanksAreZero)
    return 0;
  Raise(ENGINE_ERR_NON_NUMERIC);
}

int32_t ToInteger(const EngineValue& operand) {
  double d = ToNumber(operand);
  if (std::isnan(d) || d <= -2147483649.0 || d >= 4294967296.0)
    Raise(ENGINE_ERR_INTEGER_RANGE);
  return (int32_t)(uint32_t)(int64_t)std::trunc(d);
}

// Operands of the comparisons and of "&": values, with a failure of the conversion reported as the
// operator's own error.
EngineValue ToComparable(const EngineValue& operand, int error) {
  if (operand.kind == VALUE_RANGE)
    Raise(error);
  try {
    return ToValue(operand);
  } catch (const EngineErrorThrow&) {
    Raise(error);
  }
}

CString TrimTrailing(const CString& s) {
  CString t = s;
  t.TrimRight();
  return t;
}

int CompareValues(const EngineValue& a, const EngineValue& b, bool* sameKind) {
  *sameKind = a.kind == b.kind;
  if (!*sameKind)
    return 1;
  if (a.kind == VALUE_NUMBER)
    return a.number < b.number ? -1 : (a.number > b.number ? 1 : 0);
  if (a.kind == VALUE_STRING)
    return std::strcmp(TrimTrailing(a.text), TrimTrailing(b.text));
  return 0;
}

EngineValue EvalOperator(const FormulaNode& n) {
  static const int kCompareErrors[] = {ENGINE_ERR_OPERAND_EQ, ENGINE_ERR_OPERAND_NE, ENGINE_ERR_OPERAND_LT,
                                       ENGINE_ERR_OPERAND_GT, ENGINE_ERR_OPERAND_LE, ENGINE_ERR_OPERAND_GE};
  uint16_t a = n.child[0], b = n.child[1];
  switch (n.u.op) {
    case OP_ADD: { double x = ToNumber(EvalNode(a)); return EngineValue::Number(x + ToNumber(EvalNode(b))); }
    case OP_SUB: { double x = ToNumber(EvalNode(a)); return EngineValue::Number(x - ToNumber(EvalNode(b))); }
    case OP_MUL: { double x = ToNumber(EvalNode(a)); return EngineValue::Number(x * ToNumber(EvalNode(b))); }
    case OP_PLUS: return EngineValue::Number(ToNumber(EvalNode(a)));
    case OP_NEG: return EngineValue::Number(-ToNumber(EvalNode(a)));
    case OP_DIV: {
      double x = ToNumber(EvalNode(a));
      double y = ToNumber(EvalNode(b));
      if (y == 0)
        Raise(ENGINE_ERR_DIVIDE_BY_ZERO);
      return EngineValue::Number(x / y);
    }
    case OP_POW: {
      double x = ToNumber(EvalNode(a));
      double y = ToNumber(EvalNode(b));
      double r = std::pow(x, y);
      if (!std::isfinite(r) && std::isfinite(x) && std::isfinite(y))
        Raise(ENGINE_ERR_DIVIDE_BY_ZERO);
      return EngineValue::Number(r);
    }
    case OP_MOD: {
      int32_t x = ToInteger(EvalNode(a));
      int32_t y = ToInteger(EvalNode(b));
      if (y == 0)
        Raise(ENGINE_ERR_MODULO_BY_ZERO);
      return EngineValue::Number(y == -1 ? 0 : x % y);  // -1 would overflow for the smallest integer
    }
    case OP_AND:
      if (ToNumber(EvalNode(a)) == 0)
        return EngineValue::Number(0);
      return EngineValue::Number(ToNumber(EvalNode(b)) != 0 ? 1 : 0);
    case OP_OR:
      if (ToNumber(EvalNode(a)) != 0)
        return EngineValue::Number(1);
      return EngineValue::Number(ToNumber(EvalNode(b)) != 0 ? 1 : 0);
    case OP_NOT: return EngineValue::Number(ToNumber(EvalNode(a)) == 0 ? 1 : 0);
    case OP_CONCAT: {
      EngineValue x = ToComparable(EvalNode(a), ENGINE_ERR_OPERAND_CONCAT);
      EngineValue y = ToComparable(EvalNode(b), ENGINE_ERR_OPERAND_CONCAT);
      if ((x.kind != VALUE_NUMBER && x.kind != VALUE_STRING) || (y.kind != VALUE_NUMBER && y.kind != VALUE_STRING))
        Raise(x.kind == y.kind ? ENGINE_ERR_OPERAND_CONCAT : ENGINE_ERR_CONCAT_TYPES);
      if (x.kind != y.kind)
        Raise(ENGINE_ERR_CONCAT_TYPES);
      if (x.kind == VALUE_STRING) {
        if (x.text.GetLength() + y.text.GetLength() >= 512)
          Raise(ENGINE_ERR_STRING_TOO_LONG);
        return EngineValue::String(x.text + y.text);
      }
      return EngineValue::Number((double)(ToInteger(x) & ToInteger(y)));
    }
    case OP_BITOR: { int32_t x = ToInteger(EvalNode(a)); return EngineValue::Number((double)(x | ToInteger(EvalNode(b)))); }
    case OP_BITXOR: { int32_t x = ToInteger(EvalNode(a)); return EngineValue::Number((double)(x ^ ToInteger(EvalNode(b)))); }
    case OP_BITNOT: return EngineValue::Number((double)~ToInteger(EvalNode(a)));
    case OP_SHL: {
      int32_t x = ToInteger(EvalNode(a));
      int32_t y = ToInteger(EvalNode(b));
      return EngineValue::Number((double)(int32_t)((uint32_t)x << ((uint32_t)y & 31)));
    }
    case OP_SHR: {
      int32_t x = ToInteger(EvalNode(a));
      int32_t y = ToInteger(EvalNode(b));
      return EngineValue::Number((double)(x >> ((uint32_t)y & 31)));
    }
    case OP_EQ: case OP_NE: case OP_LT: case OP_GT: case OP_LE: case OP_GE: {
      int err = kCompareErrors[n.u.op - OP_EQ];
      EngineValue x = ToComparable(EvalNode(a), err);
      EngineValue y = ToComparable(EvalNode(b), err);
      bool same;
      int c = CompareValues(x, y, &same);
      bool r;
      switch (n.u.op) {
        case OP_EQ: r = same && c == 0; break;
        case OP_NE: r = !same || c != 0; break;
        case OP_LT: r = same && c < 0; break;
        case OP_GT: r = same && c > 0; break;
        case OP_LE: r = same && c <= 0; break;
        default: r = same && c >= 0; break;
      }
      return EngineValue::Number(r ? 1 : 0);
    }
    case OP_COND: {
      const CompiledFormula* f = EvalState().f;
      if (b >= f->count || f->nodes[b].Kind() != NODE_EXTENSION)
        Raise(ENGINE_ERR_UNCONSUMED);
      const FormulaNode& ext = f->nodes[b];
      return EvalNode(ToNumber(EvalNode(a)) != 0 ? ext.u.ext.thenNode : ext.u.ext.elseNode);
    }
    case OP_RANGE: {
      EngineValue x = EvalNode(a);
      EngineValue y = EvalNode(b);
      if (x.kind != VALUE_CELL || y.kind != VALUE_CELL)
        Raise(ENGINE_ERR_RANGE_OPERANDS);
      EngineValue r;
      r.kind = VALUE_RANGE;
      r.ref = MakeEngineRangeRef((int32_t)x.ref.FirstRow(), (int32_t)x.ref.FirstCol(), (int32_t)y.ref.FirstRow(),
                                 (int32_t)y.ref.FirstCol(), 0);
      return r;
    }
    case OP_PERCENT: return EngineValue::Number(ToNumber(EvalNode(a)) * 0.01);
    case OP_LOST: Raise(ENGINE_ERR_LOST_REFERENCE);
    default: Raise(ENGINE_ERR_UNKNOWN);
  }
}

EngineValue EvalNode(uint16_t index) {
  GX_EVAL_STATE& ev = EvalState();
  const CompiledFormula* f = ev.f;
  if (index >= f->count)
    Raise(ENGINE_ERR_UNCONSUMED);
  const FormulaNode& n = f->nodes[index];
  switch (n.Kind()) {
    case NODE_NUMBER: return EngineValue::Number(n.u.number);
    case NODE_STRING: return EngineValue::String(n.u.text);
    case NODE_CELL: { EngineValue v; v.kind = VALUE_CELL; v.ref = n.u.ref; return v; }
    case NODE_RANGE: { EngineValue v; v.kind = VALUE_RANGE; v.ref = n.u.ref; return v; }
    case NODE_NAMED_CELL:
    case NODE_NAMED_RANGE: {
      EngineValue v;
      v.ref = n.u.name->range;
      bool single = v.ref.FirstRow() == v.ref.LastRow() && v.ref.FirstCol() == v.ref.LastCol();
      v.kind = single ? VALUE_CELL : VALUE_RANGE;
      return v;
    }
    case NODE_NAME: Raise(ENGINE_ERR_UNRESOLVED_NAME);
    case NODE_ARG:
    case NODE_EXTENSION: Raise(ENGINE_ERR_UNCONSUMED);
    case NODE_FUNCTION: {
      if (n.u.function == nullptr)
        Raise(ENGINE_ERR_UNDEFINED_FUNCTION);
      std::vector<EngineValue> args;
      for (uint16_t a = n.child[0]; a != NODE_NONE && a < f->count; a = f->nodes[a].child[1]) {
        const FormulaNode& arg = f->nodes[a];
        if (arg.Has(NODE_FLAG_UNEVALUATED)) {
          EngineValue v;
          v.kind = VALUE_UNEVALUATED;
          v.formula = f;
          v.node = arg.child[0];
          args.push_back(v);
        } else {
          args.push_back(EvalNode(arg.child[0]));
        }
      }
      return n.u.function->routine(ev.sheet, args.data(), (int)args.size());
    }
    case NODE_RELATIVE: {
      int64_t dr = 0, dc = 0;
      if (n.u.rel.rowOffset != NODE_NONE)
        dr = (int64_t)std::trunc(std::fmax(-1e12, std::fmin(1e12, ToNumber(EvalNode(n.u.rel.rowOffset)))));
      if (n.u.rel.colOffset != NODE_NONE)
        dc = (int64_t)std::trunc(std::fmax(-1e12, std::fmin(1e12, ToNumber(EvalNode(n.u.rel.colOffset)))));
      int64_t r = (int64_t)ev.row + dr, c = (int64_t)ev.col + dc;
      if (!InSheet(r, c))
        Raise(ENGINE_ERR_RELATIVE_OUTSIDE);
      EngineValue v;
      v.kind = VALUE_CELL;
      v.ref = MakeEngineCellRef((int32_t)r, (int32_t)c, 0);
      return v;
    }
    case NODE_OPERATOR: return EvalOperator(n);
    default: Raise(ENGINE_ERR_UNKNOWN);
  }
}

bool SameValue(const EngineCell* c, uint32_t type, const EngineValue& v) {
  if (c->ValueType() != type)
    return false;
  switch (type) {
    case ENGINE_VALUE_NUMBER: return c->value.number == v.number;
    case ENGINE_VALUE_LONG_TEXT:
    case ENGINE_VALUE_SHORT_TEXT: return EngineCellText(c) == v.text;
    case ENGINE_VALUE_ERROR: return c->value.error == (uint16_t)v.error;
    default: return true;
  }
}

uint32_t ValueTypeOf(const EngineValue& v) {
  switch (v.kind) {
    case VALUE_NUMBER: return ENGINE_VALUE_NUMBER;
    case VALUE_STRING: return v.text.GetLength() > 8 ? ENGINE_VALUE_LONG_TEXT : ENGINE_VALUE_SHORT_TEXT;
    case VALUE_NA: return ENGINE_VALUE_NA;
    case VALUE_ERROR: return ENGINE_VALUE_ERROR;
    default: return ENGINE_VALUE_EMPTY;
  }
}

void WriteMessage(EngineSheet* s, const char* text) {
  std::snprintf(s->message, sizeof(s->message), "%s", text);
  s->messagePending = 0;
}

// Evaluates the expression of a formula cell into its value.
void ComputeCell(int sheet, EngineSheet* s, EngineCell* cell) {
  EngineValue v = EvaluateFormulaAt(sheet, cell->row, cell->col, cell->formula, cell->formula->expression);
  if (v.kind == VALUE_RANGE)
    v = EngineValue::Error(ENGINE_ERR_RESULT_IS_RANGE);
  if (!SameValue(cell, ValueTypeOf(v), v))
    cell->Set(ENGINE_FLAG_CHANGED, true);
  SetCellValue(cell, v);
  if (v.kind == VALUE_ERROR && s->messagePending != 0) {
    CString inner;
    inner.Format("ERROR: %s %s ", GetEngineErrorText(v.error), (const char*)v.text);
    const char* letters = ColumnIndexToLetters(cell->col);
    CString msg;
    msg.Format("Cell %s%u: %s", letters != nullptr ? letters : "", (unsigned)cell->row, (const char*)inner);
    WriteMessage(s, msg);
  }
}

// The formula cells a formula depends on (its tracked references outside its constraint).
void CollectDependencies(EngineSheet* s, const EngineCell* cell, std::vector<EngineCell*>& out) {
  const CompiledFormula* f = cell->formula;
  if (f == nullptr)
    return;
  bool skip[FORMULA_MAX_NODES];
  MarkConstraintNodes(f, skip);
  // References inside an untracked argument do not count.
  for (int i = 0; i < f->count; i++) {
    if (f->nodes[i].Kind() != NODE_ARG || !f->nodes[i].Has(NODE_FLAG_UNTRACKED))
      continue;
    uint16_t stack[FORMULA_MAX_NODES * 3 + 1];
    int top = 0;
    stack[top++] = f->nodes[i].child[0];
    while (top > 0) {
      uint16_t k = stack[--top];
      if (k >= f->count || skip[k])
        continue;
      skip[k] = true;
      uint16_t ch[3];
      FormulaNodeChildren(f->nodes[k], ch);
      for (uint16_t c : ch)
        if (c != NODE_NONE)
          stack[top++] = c;
    }
  }
  for (int i = 0; i < f->count; i++) {
    if (skip[i])
      continue;
    const FormulaNode& n = f->nodes[i];
    EngineCellRef r;
    switch (n.Kind()) {
      case NODE_CELL: case NODE_RANGE: r = n.u.ref; break;
      case NODE_NAMED_CELL: case NODE_NAMED_RANGE: r = n.u.name->range; break;
      default: continue;
    }
    if (r.FirstRow() == r.LastRow() && r.FirstCol() == r.LastCol()) {
      EngineCell* c = FindEngineCell(s, r.FirstRow(), r.FirstCol());
      if (c != nullptr && c->IsFormula())
        out.push_back(c);
    } else {
      ForEachCellInRange(s, r, ENGINE_POOL_FORMULAS, [&](EngineCell* c) {
        if (c->IsFormula())
          out.push_back(c);
      });
    }
  }
}

bool IntersectsMarked(const EngineSheet* s, const EngineCell* cell) {
  // Which cells a relative reference or a range built from two cell values reads is known only
  // when the formula runs: such a formula is always affected.
  const CompiledFormula* rf = cell->formula;
  for (int i = 0; rf != nullptr && i < rf->count; i++) {
    const FormulaNode& n = rf->nodes[i];
    if (n.Kind() == NODE_RELATIVE || (n.Kind() == NODE_OPERATOR && n.u.op == OP_RANGE))
      return true;
  }
  for (const EngineCellRef& m : s->marked) {
    if (m.Contains(cell->row, cell->col))
      return true;
    const CompiledFormula* f = cell->formula;
    for (int i = 0; f != nullptr && i < f->count; i++) {
      const FormulaNode& n = f->nodes[i];
      switch (n.Kind()) {
        case NODE_CELL: case NODE_RANGE:
          if (EngineRangesIntersect(n.u.ref, m)) return true;
          break;
        case NODE_NAMED_CELL: case NODE_NAMED_RANGE:
          if (EngineRangesIntersect(n.u.name->range, m)) return true;
          break;
        default:
          break;
      }
    }
  }
  return false;
}

int RecalcPass(int sheet, EngineSheet* s) {
  int batch = BeginCellBatch(s, ENGINE_POOL_ALL);
  int violations = 0;
  try {
    bool any = false;
    bool all = s->marked.empty();
    ForEachPoolCell(&s->pools[1], [&](EngineCell* c) {
      if (!c->Is(ENGINE_FLAG_LINKED))
        return;
      c->flags &= ~(ENGINE_FLAG_CURRENT | ENGINE_FLAG_IN_PROGRESS | ENGINE_FLAG_CYCLE);
      if (all || IntersectsMarked(s, c)) {
        c->Set(ENGINE_FLAG_RECOMPUTE, true);
        any = true;
      }
    });
    if (any) {
      s->stamp++;
      if (s->recalcAll)
        ForEachPoolCell(&s->pools[1], [&](EngineCell* c) {
          if (c->Is(ENGINE_FLAG_LINKED) && !c->Is(ENGINE_FLAG_CURRENT))
            EvaluateCell(sheet, c);
        });
    }
    if (s->constraintCheck && s->messagePending != 0) {
      for (int p = 0; p < 2; p++)
        ForEachPoolCell(&s->pools[p], [&](EngineCell* c) {
          if (!c->Is(ENGINE_FLAG_LINKED) || !c->IsFormula() || c->formula == nullptr ||
              c->formula->constraint == NODE_NONE)
            return;
          EngineValue v = EvaluateFormulaAt(sheet, c->row, c->col, c->formula, c->formula->constraint);
          bool violated = v.kind == VALUE_NUMBER && (v.number == 0 || std::isnan(v.number));
          if (violated != c->Is(ENGINE_FLAG_VIOLATED))
            c->Set(ENGINE_FLAG_CHANGED, true);
          c->Set(ENGINE_FLAG_VIOLATED, violated);
          if (violated)
            violations++;
        });
      if (violations == 1) {
        WriteMessage(s, "There is 1 constraint violation!");
      } else if (violations > 1) {
        CString msg;
        msg.Format("There are %d constraint violations!", violations);
        WriteMessage(s, msg);
      }
    }
  } catch (...) {
    EndCellBatch(s, batch);
    EngineRethrow();
  }
  EndCellBatch(s, batch);
  return violations;
}

}  // namespace

void EngineRaiseError(int number, const char* detail) {
  throw EngineErrorThrow{number, CString(detail)};
}

EngineValue EvaluateFormulaAt(int sheet, uint32_t row, uint32_t col, const CompiledFormula* f, uint16_t root) {
  GX_EVAL_STATE& ev = EvalState();
  GX_EVAL_STATE saved = ev;
  ev.sheet = sheet;
  ev.s = GetEngineSheet(sheet);
  ev.row = row;
  ev.col = col;
  ev.f = f;
  ev.depth = saved.depth + 1;
  EngineValue result;
  try {
    if (f == nullptr || root == NODE_NONE)
      EngineRaiseError(ENGINE_ERR_UNCONSUMED);
    result = EvalNode(root);
    if (result.kind == VALUE_CELL)
      result = ToValue(result);
    if (result.kind == VALUE_UNEVALUATED)
      result = EngineValue::Error(ENGINE_ERR_UNCONSUMED);
  } catch (const EngineErrorThrow& e) {
    result = EngineValue::Error(e.number);
    result.text = e.detail;
    GetEngineState()->m_nErrorNumber = e.number;
  } catch (const std::bad_alloc&) {
    ev = saved;
    AfxThrowMemoryException();
  } catch (...) {
    ev = saved;
    EngineRethrow();
  }
  ev = saved;
  return result;
}

void EvaluateCell(int sheet, EngineCell* cell) {
  if (cell == nullptr || !cell->IsFormula() || cell->formula == nullptr || cell->Is(ENGINE_FLAG_CURRENT))
    return;
  EngineSheet* s = GetEngineSheet(sheet);
  // An explicit stack instead of recursion, so that a chain of any length cannot overflow the
  // machine stack.
  struct Frame {
    EngineCell* cell;
    size_t depsBegin;
    size_t next;
    bool must;
    bool stop;
  };
  std::vector<Frame> stack;
  std::vector<EngineCell*> deps;
  auto push = [&](EngineCell* c) {
    c->flags |= ENGINE_FLAG_CURRENT | ENGINE_FLAG_IN_PROGRESS;
    Frame fr{c, deps.size(), deps.size(), c->Is(ENGINE_FLAG_REWRITTEN) || c->Is(ENGINE_FLAG_RECOMPUTE), false};
    CollectDependencies(s, c, deps);
    stack.push_back(fr);
  };
  try {
    push(cell);
    while (!stack.empty()) {
      Frame& fr = stack.back();
      // The top frame's dependencies run to the end of the list: frames above it truncated the
      // list back to where theirs began when they were done.
      if (!fr.stop && fr.next < deps.size()) {
        EngineCell* d = deps[fr.next];
        if (d->Is(ENGINE_FLAG_IN_PROGRESS)) {
          // d waits on us: every cell from d's frame up is part of the cycle.
          for (size_t i = stack.size(); i-- > 0;) {
            stack[i].cell->Set(ENGINE_FLAG_CYCLE, true);
            if (stack[i].cell == d)
              break;
          }
          s->cycleFound = 1;
          fr.next++;
          continue;
        }
        if (!d->Is(ENGINE_FLAG_CURRENT)) {
          push(d);
          continue;
        }
        if (d->Is(ENGINE_FLAG_CYCLE))
          s->cycleFound = 1;
        if (!fr.cell->Is(ENGINE_FLAG_LINKED))
          fr.stop = true;
        if (d->stamp > fr.cell->stamp)
          fr.must = true;
        fr.next++;
        continue;
      }
      EngineCell* c = fr.cell;
      if (!fr.stop && fr.must) {
        ComputeCell(sheet, s, c);
        c->flags &= ~(ENGINE_FLAG_REWRITTEN | ENGINE_FLAG_RECOMPUTE);
        c->stamp = s->stamp;
      }
      c->Set(ENGINE_FLAG_IN_PROGRESS, false);
      deps.resize(fr.depsBegin);
      stack.pop_back();
    }
  } catch (const std::bad_alloc&) {
    for (Frame& fr : stack)
      fr.cell->flags &= ~(ENGINE_FLAG_IN_PROGRESS | ENGINE_FLAG_CURRENT);
    AfxThrowMemoryException();
  } catch (...) {
    for (Frame& fr : stack)
      fr.cell->flags &= ~(ENGINE_FLAG_IN_PROGRESS | ENGINE_FLAG_CURRENT);
    EngineRethrow();
  }
}

bool RecalculateSheet(int sheet, bool force) {
  EngineSheet* s = GetEngineSheet(sheet);
  if (s->manualRecalc && !force) {
    s->marked.clear();
    return false;
  }
  s->status = ENGINE_STATUS_RUNNING | (force ? ENGINE_STATUS_FORCED : 0);
  s->cycleFound = 0;
  try {
    RecalcPass(sheet, s);
    if (s->cycleFound) {
      s->status |= ENGINE_STATUS_ITERATING;
      for (int i = 0; i < s->iterationLimit; i++) {
        int violations = RecalcPass(sheet, s);
        if (s->constraintCheck && violations == 0)
          break;
      }
    }
  } catch (...) {
    s->marked.clear();
    s->status = 0;
    EngineRethrow();
  }
  s->marked.clear();
  s->status = 0;
  return true;
}

void MarkEngineRangeChanged(int sheet, const EngineCellRef& range) {
  EngineSheet* s = GetEngineSheet(sheet);
  if (!range.IsValid())
    return;
  // Many small ranges cost more to test than recalculating everything; the whole sheet stands
  // for them once there are too many.
  if (s->marked.size() >= kMaxMarkedRanges) {
    s->marked.clear();
    s->marked.push_back(MakeEngineRangeRef(1, 0, ENGINE_MAX_ROW, ENGINE_MAX_COL, 0));
    return;
  }
  try {
    s->marked.push_back(range);
  } catch (const std::bad_alloc&) {
    AfxThrowMemoryException();
  }
}

void ClearEngineMarkedRanges(int sheet) {
  GetEngineSheet(sheet)->marked.clear();
}

// ---------------------------------------------------------------------------------------------
// Storing

void SetCellValue(EngineCell* cell, const EngineValue& v) {
  switch (v.kind) {
    case VALUE_NUMBER:
      EngineClearValue(cell);
      cell->value.number = v.number;
      cell->SetValueType(ENGINE_VALUE_NUMBER);
      break;
    case VALUE_STRING:
      // Kept whole: a long text is never cut.
      EngineSetTextValue(cell, v.text, (size_t)v.text.GetLength());
      break;
    case VALUE_NA:
      EngineClearValue(cell);
      cell->SetValueType(ENGINE_VALUE_NA);
      break;
    case VALUE_ERROR:
      EngineClearValue(cell);
      cell->value.error = (uint16_t)v.error;
      cell->SetValueType(ENGINE_VALUE_ERROR);
      break;
    default:
      EngineClearValue(cell);
      break;
  }
}

static bool InLimits(uint32_t row, uint32_t col) {
  return row >= 1 && row <= ENGINE_MAX_ROW && col <= ENGINE_MAX_COL;
}

// Takes the cell at a position out of the store, keeping its attached object for the new cell.
static CObject* TakeOldCell(EngineSheet* s, uint32_t row, uint32_t col) {
  EngineCell* old = FindEngineCell(s, row, col);
  CObject* obj = DetachEngineObject(old);
  DeleteEngineCell(s, old);
  return obj;
}

static void PlaceCell(int sheet, EngineSheet* s, EngineCell* c, uint32_t row, uint32_t col, CObject* obj) {
  c->row = row;
  c->col = col;
  c->object = obj;
  LinkEngineCell(s, c);
  MarkEngineRangeChanged(sheet, MakeEngineCellRef((int32_t)row, (int32_t)col, 0));
}

bool StoreFormulaCell(int sheet, uint32_t row, uint32_t col, const char* text, bool keepValue,
                      const EngineValue* initial) {
  (void)keepValue;
  if (!InLimits(row, col))
    return false;
  EngineSheet* s = GetEngineSheet(sheet);
  CompiledFormula* f = CompileFormulaText(sheet, text);
  if (f == nullptr)
    return false;
  s->changed = 1;
  CObject* obj = TakeOldCell(s, row, col);
  EngineCell* c;
  try {
    if (f->count == 1 && f->expression == 0 && f->nodes[0].Kind() == NODE_NUMBER &&
        !f->nodes[0].Has(NODE_FLAG_HEX) && f->constraint == NODE_NONE && f->target == NODE_NONE &&
        f->comment == nullptr) {
      c = AllocEngineCell(&s->pools[0]);
      c->SetKind(ENGINE_CELL_NUMBER);
      c->value.number = f->nodes[0].u.number;
      c->SetValueType(ENGINE_VALUE_NUMBER);
      FreeCompiledFormula(f);
      f = nullptr;
    } else if (FormulaHasReferences(f)) {
      c = AllocEngineCell(&s->pools[1]);
      c->SetKind(ENGINE_CELL_FORMULA_REFS);
    } else {
      c = AllocEngineCell(&s->pools[0]);
      c->SetKind(ENGINE_CELL_FORMULA);
    }
  } catch (...) {
    FreeCompiledFormula(f);
    delete obj;
    EngineRethrow();
  }
  c->formula = f;
  c->stamp = s->stamp;
  c->Set(ENGINE_FLAG_CHANGED, true);
  if (f != nullptr)
    c->Set(ENGINE_FLAG_RECOMPUTE, true);
  if (c->Kind() == ENGINE_CELL_FORMULA_REFS && initial != nullptr) {
    SetCellValue(c, *initial);
    c->flags |= ENGINE_FLAG_CURRENT | ENGINE_FLAG_CHANGED;
    c->flags &= ~ENGINE_FLAG_RECOMPUTE;
  }
  PlaceCell(sheet, s, c, row, col, obj);
  if (c->Kind() == ENGINE_CELL_FORMULA)
    EvaluateCell(sheet, c);
  return true;
}

bool StoreNumberCell(int sheet, uint32_t row, uint32_t col, double number) {
  if (!InLimits(row, col))
    return false;
  EngineSheet* s = GetEngineSheet(sheet);
  CObject* obj = TakeOldCell(s, row, col);
  EngineCell* c = AllocEngineCell(&s->pools[0]);
  c->SetKind(ENGINE_CELL_NUMBER);
  c->value.number = number;
  c->SetValueType(ENGINE_VALUE_NUMBER);
  c->Set(ENGINE_FLAG_CHANGED, true);
  PlaceCell(sheet, s, c, row, col, obj);
  return true;
}

bool StoreTextCell(int sheet, uint32_t row, uint32_t col, const char* text, size_t len) {
  if (!InLimits(row, col))
    return false;
  EngineSheet* s = GetEngineSheet(sheet);
  CObject* obj = TakeOldCell(s, row, col);
  EngineCell* c = AllocEngineCell(&s->pools[0]);
  c->SetKind(ENGINE_CELL_TEXT);
  try {
    if (len != 0)
      EngineSetTextValue(c, text, len);
  } catch (...) {
    FreeEngineCell(c);
    delete obj;
    EngineRethrow();
  }
  c->Set(ENGINE_FLAG_CHANGED, true);
  PlaceCell(sheet, s, c, row, col, obj);
  return true;
}

bool StoreTextCell(int sheet, uint32_t row, uint32_t col, const char* text) {
  return StoreTextCell(sheet, row, col, text != nullptr ? text : "", text != nullptr ? std::strlen(text) : 0);
}

bool StoreNotAvailableCell(int sheet, uint32_t row, uint32_t col) {
  if (!InLimits(row, col))
    return false;
  EngineSheet* s = GetEngineSheet(sheet);
  CObject* obj = TakeOldCell(s, row, col);
  EngineCell* c = AllocEngineCell(&s->pools[0]);
  c->SetKind(ENGINE_CELL_TEXT);
  c->SetValueType(ENGINE_VALUE_NA);
  c->Set(ENGINE_FLAG_CHANGED, true);
  PlaceCell(sheet, s, c, row, col, obj);
  return true;
}

// ---------------------------------------------------------------------------------------------
// Texts of a cell

static CString NumberText(double d) {
  CString t;
  t.Format("%.14g", d);
  return t;
}

CString EngineCellDisplayText(int sheet, EngineCell* cell) {
  if (cell == nullptr)
    return CString();
  EngineSheet* s = GetEngineSheet(sheet);
  if (cell->Kind() == ENGINE_CELL_FORMULA_REFS && !cell->Is(ENGINE_FLAG_CURRENT))
    EvaluateCell(sheet, cell);
  if (cell->Is(ENGINE_FLAG_CYCLE) && s->iterationLimit == 0)
    return CString("Cycle!");
  switch (cell->ValueType()) {
    case ENGINE_VALUE_EMPTY: return CString();
    case ENGINE_VALUE_NA: return CString("#N/A");
    case ENGINE_VALUE_ERROR: return CString("Error!");
    case ENGINE_VALUE_NUMBER: return NumberText(cell->value.number);
    case ENGINE_VALUE_LONG_TEXT:
    case ENGINE_VALUE_SHORT_TEXT: return EngineCellText(cell);
    default: return CString("Value?");
  }
}

CString EngineCellEditText(int sheet, EngineCell* cell) {
  if (cell == nullptr)
    return CString();
  if (cell->IsFormula())
    return FormulaToText(sheet, cell->formula);
  switch (cell->ValueType()) {
    case ENGINE_VALUE_EMPTY: return CString();
    case ENGINE_VALUE_NA: return CString("#N/A");
    case ENGINE_VALUE_ERROR: return CString("Error!");
    case ENGINE_VALUE_NUMBER: return NumberText(cell->value.number);
    case ENGINE_VALUE_LONG_TEXT:
    case ENGINE_VALUE_SHORT_TEXT: return CString("'") + EngineCellText(cell);
    default: return CString("Value?");
  }
}

EngineValue EngineCellOperand(int sheet, uint32_t row, uint32_t col) {
  (void)sheet;
  return CellValue(row, col);
}
