// The formula sheet's work on its engine sheet: typed formulas, expressions, copies, sorting and
// undo records of engine cells.
#include "FormulaSheetEngine.h"

#include "EngineErrors.h"
#include "FormulaEval.h"
#include "FormulaParser.h"

#include "Exception.h"

#include <cstdio>
#include <cstring>
#include <new>

IMPLEMENT_DYNAMIC(CGXUndoEngineCellsInfo, CObject)

CGXUndoEngineCellsInfo::~CGXUndoEngineCellsInfo() {
  for (EngineCell* c : m_undoCells)
    FreeEngineCell(c);
  for (EngineCell* c : m_redoCells)
    FreeEngineCell(c);
  FreeEngineNameEntry(m_pName);
}

static CGXUndoEngineCellsInfo* NewUndoRecord() {
  try {
    return new CGXUndoEngineCellsInfo;
  } catch (...) {
    EngineRethrow();
  }
}

bool EngineSetFormula(int sheet, uint32_t row, uint32_t col, const char* text) {
  if (text == nullptr || text[0] != '=' || row < 1 || row > ENGINE_MAX_ROW || col > ENGINE_MAX_COL)
    return false;
  EngineSheet* s = GetEngineSheet(sheet);
  if (StoreFormulaCell(sheet, row, col, text)) {
    EngineCell* c = FindEngineCell(s, row, col);
    if (c != nullptr && c->Kind() == ENGINE_CELL_FORMULA_REFS) {
      int batch = BeginCellBatch(s, ENGINE_POOL_ALL);
      try {
        EvaluateCell(sheet, c);
      } catch (...) {
        EndCellBatch(s, batch);
        EngineRethrow();
      }
      EndCellBatch(s, batch);
    }
    return true;
  }
  GX_ENGINE_STATE* st = GetEngineState();
  CString inner, msg;
  inner.Format("ERROR: %s (Pos %d)", GetEngineErrorText(st->m_nErrorNumber), st->m_nErrorPos);
  const char* letters = ColumnIndexToLetters(col);
  msg.Format("Cell %s%u: %s", letters != nullptr ? letters : "", (unsigned)row, (const char*)inner);
  std::snprintf(s->message, sizeof(s->message), "%s", (const char*)msg);
  s->messagePending = 0;
  return false;
}

bool ComputeEngineExpression(int sheet, const char* text, CString* out) {
  EngineSheet* s = GetEngineSheet(sheet);
  s->messagePending = 1;
  CompiledFormula* f = CompileFormulaText(sheet, text);
  if (f == nullptr) {
    if (s->messagePending == 0)
      *out = s->message;
    return false;
  }
  EngineValue v;
  try {
    v = EvaluateFormulaAt(sheet, 0, 0, f, f->expression);
  } catch (...) {
    FreeCompiledFormula(f);
    EngineRethrow();
  }
  FreeCompiledFormula(f);
  if (v.kind == VALUE_RANGE)
    v = EngineValue::Error(ENGINE_ERR_RESULT_IS_RANGE);
  // A scratch cell that is never linked carries the value to the display rules.
  EngineCell scratch{};
  SetCellValue(&scratch, v);
  *out = EngineCellDisplayText(sheet, &scratch);
  EngineClearValue(&scratch);
  return v.kind != VALUE_ERROR;
}

void CopyEngineSheet(int dst, int src) {
  if (dst == src)
    return;
  EngineSheet* d = GetEngineSheet(dst);
  EngineSheet* s = GetEngineSheet(src);
  EmptyEngineSheet(d);
  d->iterationLimit = s->iterationLimit;
  d->blanksAreZero = s->blanksAreZero;
  d->manualRecalc = s->manualRecalc;
  d->recalcAll = s->recalcAll;
  d->constraintCheck = s->constraintCheck;
  for (EngineName* e = s->names; e != nullptr; e = e->next)
    DefineEngineName(dst, e->name, e->range);
  int batch = BeginCellBatch(d, ENGINE_POOL_ALL);
  try {
    static const int kOrder[] = {2, 0, 1};  // placeholders, constants, formulas
    for (int p : kOrder) {
      std::vector<EngineCell*> cells;
      ForEachPoolCell(&s->pools[p], [&](EngineCell* c) {
        if (c->Is(ENGINE_FLAG_LINKED))
          cells.push_back(c);
      });
      for (EngineCell* c : cells) {
        EngineCell* copy = CopyEngineCell(c, &d->pools[p]);
        try {
          copy->object = CloneEngineObject(c->object);
        } catch (...) {
          FreeEngineCell(copy);
          EngineRethrow();
        }
        CompiledFormula* f = copy->formula;
        for (int i = 0; f != nullptr && i < f->count; i++) {
          FormulaNode& n = f->nodes[i];
          if (n.Kind() != NODE_NAMED_CELL && n.Kind() != NODE_NAMED_RANGE)
            continue;
          EngineName* own = FindEngineName(dst, n.u.name->name);
          if (own != nullptr)
            n.u.name = own;
          else
            ReplaceNameNodes(f, n.u.name);
        }
        LinkEngineCell(d, copy);
      }
    }
  } catch (...) {
    EndCellBatch(d, batch);
    EngineRethrow();
  }
  EndCellBatch(d, batch);
}

bool SortEngineCells(int sheet, const EngineCellRef& block, bool rows, bool wholeLines,
                     const std::vector<int>& newOrder) {
  EngineCellRef b = block;
  if (!NormalizeEngineRange(&b))
    return false;
  uint32_t start = rows ? b.FirstRow() : b.FirstCol();
  uint32_t end = rows ? b.LastRow() : b.LastCol();
  size_t n = (size_t)(end - start) + 1;
  if (newOrder.size() != n)
    return false;
  std::vector<int> inverse;
  try {
    inverse.assign(n, -1);
  } catch (...) {
    EngineRethrow();
  }
  for (size_t i = 0; i < n; i++) {
    int old = newOrder[i];
    if (old < 0 || (size_t)old >= n || inverse[(size_t)old] >= 0)
      return false;
    inverse[(size_t)old] = (int)i;
  }
  auto inLine = [&](uint32_t p) { return p >= start && p <= end; };
  auto inOther = [&](uint32_t q) {
    return wholeLines || (rows ? (q >= b.FirstCol() && q <= b.LastCol()) : (q >= b.FirstRow() && q <= b.LastRow()));
  };
  auto inBlock = [&](uint32_t row, uint32_t col) { return rows ? inLine(row) && inOther(col) : inLine(col) && inOther(row); };
  auto mapLine = [&](uint32_t p) { return start + (uint32_t)inverse[p - start]; };

  EngineSheet* s = GetEngineSheet(sheet);
  int batch = BeginCellBatch(s, ENGINE_POOL_ALL);
  try {
    // References to a single row (column) of the block follow that row's data.
    ForEachPoolCell(&s->pools[1], [&](EngineCell* c) {
      if (!c->Is(ENGINE_FLAG_LINKED) || c->formula == nullptr)
        return;
      CompiledFormula* f = c->formula;
      for (int i = 0; i < f->count; i++) {
        FormulaNode& node = f->nodes[i];
        if (node.Kind() != NODE_CELL && node.Kind() != NODE_RANGE)
          continue;
        EngineCellRef& r = node.u.ref;
        uint32_t p1 = rows ? r.FirstRow() : r.FirstCol(), p2 = rows ? r.LastRow() : r.LastCol();
        uint32_t q1 = rows ? r.FirstCol() : r.FirstRow(), q2 = rows ? r.LastCol() : r.LastRow();
        if (p1 != p2 || !inLine(p1) || !inOther(q1) || !inOther(q2))
          continue;
        uint32_t np = mapLine(p1);
        if (rows) {
          r.SetFirstRow(np);
          r.SetLastRow(np);
        } else {
          r.SetFirstCol(np);
          r.SetLastCol(np);
        }
        c->Set(ENGINE_FLAG_REWRITTEN, true);
      }
    });
    std::vector<EngineCell*> moved;
    for (int p = 0; p < 3; p++)
      ForEachPoolCell(&s->pools[p], [&](EngineCell* c) {
        if (c->Is(ENGINE_FLAG_LINKED) && inBlock(c->row, c->col))
          moved.push_back(c);
      });
    for (EngineCell* c : moved) {
      UnlinkEngineCell(s, c);
      if (rows)
        c->row = mapLine(c->row);
      else
        c->col = mapLine(c->col);
      if (c->IsFormula())
        c->Set(ENGINE_FLAG_REWRITTEN, true);
    }
    for (EngineCell* c : moved)
      LinkEngineCell(s, c);
  } catch (...) {
    EndCellBatch(s, batch);
    EngineRethrow();
  }
  EndCellBatch(s, batch);
  MarkEngineRangeChanged(sheet, b);
  return true;
}

// A saved formula may name an entry that the sheet no longer holds: the name was deleted without
// keeping it, or the record that kept it was dropped, or the sheet was emptied or loaded since.
// Its range is unknown then, and the entry itself may be gone, so such a reference is lost.
static void LoseForeignNames(const EngineSheet* s, CompiledFormula* f) {
  for (int i = 0; f != nullptr && i < f->count; i++) {
    FormulaNode& n = f->nodes[i];
    if (n.Kind() != NODE_NAMED_CELL && n.Kind() != NODE_NAMED_RANGE)
      continue;
    const EngineName* e = s->names;
    while (e != nullptr && e != n.u.name)
      e = e->next;
    if (e != nullptr)
      continue;
    n.kindFlags = (n.kindFlags & ~0xFFu) | NODE_OPERATOR;
    n.child[0] = n.child[1] = NODE_NONE;
    n.u.ref = EngineCellRef{};
    n.u.op = OP_LOST;
  }
}

void RestoreSavedEngineCells(int sheet, std::vector<EngineCell*>& cells) {
  EngineSheet* s = GetEngineSheet(sheet);
  for (size_t i = 0; i < cells.size(); i++) {
    EngineCell* c = cells[i];
    if (c->IsFormula())
      LoseForeignNames(s, c->formula);
    EngineCell* there = FindEngineCell(s, c->row, c->col);
    if (there != nullptr) {
      if (s->undoMode != 0) {
        try {
          s->saved.reserve(s->saved.size() + 1);
        } catch (...) {
          EngineRethrow();
        }
      }
      UnlinkEngineCell(s, there);
      // With undo collection on, what is replaced is kept, so that the replay can be undone.
      if (s->undoMode != 0) {
        s->saved.push_back(there);
        s->undoFlag = 1;
      } else {
        FreeEngineCell(there);
      }
    }
    c->flags &= ~(ENGINE_FLAG_CURRENT | ENGINE_FLAG_IN_PROGRESS);
    if (c->IsFormula())
      c->Set(ENGINE_FLAG_RECOMPUTE, true);
    c->Set(ENGINE_FLAG_CHANGED, true);
    LinkEngineCell(s, c);
    MarkEngineRangeChanged(sheet, MakeEngineCellRef((int32_t)c->row, (int32_t)c->col, 0));
    cells[i] = nullptr;
  }
  cells.clear();
}

void CollectEngineUndoInfo(int sheet, CGXUndoEngineCellsInfo*& pending, int sheetUndoMode, bool recalc, bool collect) {
  EngineSheet* s = GetEngineSheet(sheet);
  if (recalc) {
    int oldAll = s->recalcAll, oldMode = s->undoMode;
    s->recalcAll = 1;
    s->undoMode = sheetUndoMode;
    try {
      RecalculateSheet(sheet);
    } catch (...) {
      s->recalcAll = oldAll;
      s->undoMode = oldMode;
      EngineRethrow();
    }
    s->recalcAll = oldAll;
    s->undoMode = oldMode;
  }
  if (s->saved.empty())
    return;
  if (pending == nullptr)
    pending = NewUndoRecord();
  std::vector<EngineCell*>& list = collect ? pending->m_redoCells : pending->m_undoCells;
  // The new cells come first; the list saved before hangs off their end.
  try {
    list.insert(list.begin(), s->saved.begin(), s->saved.end());
  } catch (const std::bad_alloc&) {
    AfxThrowMemoryException();
  }
  s->saved.clear();
  pending->m_range = s->undoRange;
  pending->m_bRecalc = s->undoFlag && recalc;
  s->undoFlag = 0;
}

bool ApplyEngineUndoInfo(int sheet, CObject* record, int mode, bool redo) {
  if (record == nullptr || !record->IsKindOf(RUNTIME_CLASS(CGXUndoEngineCellsInfo)))
    return false;
  auto* info = static_cast<CGXUndoEngineCellsInfo*>(record);
  EngineSheet* s = GetEngineSheet(sheet);
  int batch = BeginCellBatch(s, ENGINE_POOL_ALL);
  try {
    s->undoMode = mode;
    if (info->m_bRecalc && info->m_range.IsValid()) {
      MarkEngineRangeChanged(sheet, info->m_range);
      RecalculateSheet(sheet);
    }
    RestoreSavedEngineCells(sheet, info->m_redoCells);
    if (!redo)
      RestoreSavedEngineCells(sheet, info->m_undoCells);
    if (info->m_range.IsValid())
      MarkEngineRangeChanged(sheet, info->m_range);
    if (mode != 0) {
      std::vector<EngineCell*>& list = redo ? info->m_redoCells : info->m_undoCells;
      list.insert(list.end(), s->saved.begin(), s->saved.end());
      s->saved.clear();
      info->m_bRecalc = FALSE;
    }
  } catch (const std::bad_alloc&) {
    EndCellBatch(s, batch);
    AfxThrowMemoryException();
  } catch (...) {
    EndCellBatch(s, batch);
    EngineRethrow();
  }
  EndCellBatch(s, batch);
  return true;
}

bool EngineSetRangeName(int sheet, const char* name, const EngineCellRef& range, CGXUndoEngineCellsInfo* record) {
  bool ok = true;
  if (record != nullptr) {
    if (record->m_pName != nullptr) {
      RestoreEngineName(sheet, record->m_pName);
      record->m_pName = nullptr;
    }
    RestoreSavedEngineCells(sheet, record->m_undoCells);
  } else {
    ok = DefineEngineName(sheet, name, range);
  }
  RecalculateSheet(sheet, true);
  return ok;
}

bool EngineDeleteRangeName(int sheet, const char* name, CGXUndoEngineCellsInfo*& record, bool collect) {
  EngineSheet* s = GetEngineSheet(sheet);
  int oldMode = s->undoMode;
  s->undoMode = collect ? 1 : 0;
  bool existed;
  try {
    existed = DeleteEngineName(sheet, name);
  } catch (...) {
    s->undoMode = oldMode;
    EngineRethrow();
  }
  s->undoMode = oldMode;
  if (!existed || !collect)
    return existed;
  if (record == nullptr)
    record = NewUndoRecord();
  FreeEngineNameEntry(record->m_pName);
  record->m_pName = s->deletedName;
  s->deletedName = nullptr;
  try {
    record->m_undoCells.insert(record->m_undoCells.begin(), s->saved.begin(), s->saved.end());
  } catch (const std::bad_alloc&) {
    AfxThrowMemoryException();
  }
  s->saved.clear();
  s->undoFlag = 0;
  return true;
}
