// Block operations on engine cells: shifting (insert, remove, move cells), moving rows and
// columns, and copying, each with the rewriting of references in formulas and names.
#include "EngineMove.h"

#include "EngineState.h"
#include "FormulaEval.h"
#include "FormulaParser.h"

#include "Exception.h"

#include <algorithm>
#include <new>
#include <vector>

namespace {

enum RefResult { REF_SAME, REF_MOVED, REF_LOST, REF_OVERWRITTEN };

// One block operation: where cells go and what becomes of references.
class BlockOp {
 public:
  virtual ~BlockOp() = default;
  // Whether the cell at a position moves; MapCell then gives its new place (false: off the sheet).
  virtual bool Moves(uint32_t row, uint32_t col) const = 0;
  virtual bool MapCell(uint32_t* row, uint32_t* col) const = 0;
  // Whether a cell that stays is overwritten by moving ones (it is freed or saved for undo).
  virtual bool Overwritten(uint32_t row, uint32_t col) const = 0;
  // Whether the references of the formula at a position are looked at.
  virtual bool Examines(uint32_t row, uint32_t col) const = 0;
  virtual RefResult MapRef(EngineCellRef* ref) const = 0;
};

bool RowOk(int64_t r) { return r >= 1 && r <= ENGINE_MAX_ROW; }
bool ColOk(int64_t c) { return c >= 0 && c <= ENGINE_MAX_COL; }

// The destination block of a source block moved to (row, col): the source's size, clamped to the
// sheet.
EngineCellRef DestinationBlock(const EngineCellRef& src, uint32_t row, uint32_t col) {
  uint64_t lastRow = (uint64_t)row + (src.LastRow() - src.FirstRow());
  uint64_t lastCol = (uint64_t)col + (src.LastCol() - src.FirstCol());
  return MakeEngineRangeRef((int32_t)row, (int32_t)col, (int32_t)std::min<uint64_t>(lastRow, ENGINE_MAX_ROW),
                            (int32_t)std::min<uint64_t>(lastCol, ENGINE_MAX_COL), 0);
}

void MakeLost(FormulaNode* n) {
  n->kindFlags = (n->kindFlags & ~0xFFu) | NODE_OPERATOR;
  n->child[0] = n->child[1] = NODE_NONE;
  n->u.ref = EngineCellRef{};
  n->u.op = OP_LOST;
}

// A block moved by an offset: references wholly inside the source move with it; references
// touching the destination keep their place and now see the data moved there.
class ShiftOp : public BlockOp {
 public:
  ShiftOp(const EngineCellRef& src, uint32_t row, uint32_t col, int mode)
      : m_src(src), m_dst(DestinationBlock(src, row, col)), m_mode(mode),
        m_dr((int64_t)row - src.FirstRow()), m_dc((int64_t)col - src.FirstCol()) {}
  bool Moves(uint32_t row, uint32_t col) const override { return m_src.Contains(row, col); }
  bool MapCell(uint32_t* row, uint32_t* col) const override {
    int64_t r = *row + m_dr, c = *col + m_dc;
    if (!RowOk(r) || !ColOk(c))
      return false;
    *row = (uint32_t)r;
    *col = (uint32_t)c;
    return true;
  }
  bool Overwritten(uint32_t row, uint32_t col) const override {
    return m_dst.Contains(row, col) && !m_src.Contains(row, col);
  }
  bool Examines(uint32_t row, uint32_t col) const override {
    return m_mode == 0 || !m_dst.Contains(row, col) || m_src.Contains(row, col);
  }
  RefResult MapRef(EngineCellRef* ref) const override {
    if (m_src.Contains(ref->FirstRow(), ref->FirstCol()) && m_src.Contains(ref->LastRow(), ref->LastCol())) {
      int64_t r1 = ref->FirstRow() + m_dr, r2 = ref->LastRow() + m_dr;
      int64_t c1 = ref->FirstCol() + m_dc, c2 = ref->LastCol() + m_dc;
      if (!RowOk(r1) || !RowOk(r2) || !ColOk(c1) || !ColOk(c2))
        return REF_LOST;
      ref->SetFirstRow((uint32_t)r1);
      ref->SetLastRow((uint32_t)r2);
      ref->SetFirstCol((uint32_t)c1);
      ref->SetLastCol((uint32_t)c2);
      NormalizeEngineRange(ref);
      return REF_MOVED;
    }
    if (m_dst.Contains(ref->FirstRow(), ref->FirstCol()) || m_dst.Contains(ref->LastRow(), ref->LastCol()))
      return REF_OVERWRITTEN;
    return REF_SAME;
  }

  EngineCellRef m_src, m_dst;
  int m_mode;
  int64_t m_dr, m_dc;
};

// Rows (or columns) inserted or removed at a position: the rows from there on shift, and each
// corner of a reference follows its own row, so that a range reaching across the place grows or
// shrinks with it. A reference whose cells were all removed, or that was pushed off the sheet,
// is lost: it never silently designates the cells that moved into its place.
class InsertRemoveOp : public BlockOp {
 public:
  InsertRemoveOp(bool rows, uint32_t at, uint32_t count, bool remove)
      : m_rows(rows), m_at(at), m_count(count), m_remove(remove),
        m_max(rows ? ENGINE_MAX_ROW : ENGINE_MAX_COL) {}

  int64_t Axis(uint32_t row, uint32_t col) const { return m_rows ? row : col; }
  bool Moves(uint32_t row, uint32_t col) const override {
    return Axis(row, col) >= (int64_t)m_at + (m_remove ? m_count : 0);
  }
  bool MapCell(uint32_t* row, uint32_t* col) const override {
    uint32_t* p = m_rows ? row : col;
    int64_t q = m_remove ? (int64_t)*p - m_count : (int64_t)*p + m_count;
    if (q > m_max)
      return false;
    *p = (uint32_t)q;
    return true;
  }
  bool Overwritten(uint32_t row, uint32_t col) const override {
    int64_t x = Axis(row, col);
    return m_remove && x >= m_at && x < (int64_t)m_at + m_count;
  }
  bool Examines(uint32_t, uint32_t) const override { return true; }

  // The new coordinate of a first (or last) corner along the shifted axis; -1 when lost.
  int64_t Map(int64_t x, bool last) const {
    if (x < m_at)
      return x;
    if (!m_remove) {
      int64_t y = x + m_count;
      if (y > m_max)
        return last ? m_max : -1;  // a range is cut at the end of the sheet
      return y;
    }
    if (x >= (int64_t)m_at + m_count)
      return x - m_count;
    return last ? (int64_t)m_at - 1 : (int64_t)m_at;  // inside the removed rows
  }

  RefResult MapRef(EngineCellRef* ref) const override {
    int64_t a = m_rows ? ref->FirstRow() : ref->FirstCol();
    int64_t b = m_rows ? ref->LastRow() : ref->LastCol();
    int64_t na = Map(a, false), nb = Map(b, true);
    if (na < 0 || nb < na)
      return REF_LOST;
    if (na == a && nb == b)
      return REF_SAME;
    if (m_rows) {
      ref->SetFirstRow((uint32_t)na);
      ref->SetLastRow((uint32_t)nb);
    } else {
      ref->SetFirstCol((uint32_t)na);
      ref->SetLastCol((uint32_t)nb);
    }
    return REF_MOVED;
  }

  bool m_rows;
  uint32_t m_at, m_count;
  bool m_remove;
  int64_t m_max;
};

// Rows or columns a..b moved so that a lands on d; everything in the affected block is remapped.
class MoveRowsOp : public BlockOp {
 public:
  MoveRowsOp(bool rows, uint32_t a, uint32_t b, uint32_t d) : m_rows(rows), m_a(a), m_b(b), m_d(d) {
    m_lo = std::min(a, d);
    m_hi = std::max<int64_t>(b, (int64_t)b - a + d);
  }
  bool InBlock(int64_t p) const { return p >= m_lo && p <= m_hi; }
  int64_t MapPos(int64_t p) const {
    int64_t n = (int64_t)m_b - m_a + 1;
    if (p >= m_a && p <= m_b)
      return p - m_a + m_d;
    return m_d < m_a ? p + n : p - n;
  }
  bool Moves(uint32_t row, uint32_t col) const override { return InBlock(m_rows ? row : col); }
  bool MapCell(uint32_t* row, uint32_t* col) const override {
    uint32_t* p = m_rows ? row : col;
    int64_t q = MapPos(*p);
    if (m_rows ? !RowOk(q) : !ColOk(q))
      return false;
    *p = (uint32_t)q;
    return true;
  }
  bool Overwritten(uint32_t, uint32_t) const override { return false; }
  bool Examines(uint32_t, uint32_t) const override { return true; }
  RefResult MapRef(EngineCellRef* ref) const override {
    int64_t a = m_rows ? ref->FirstRow() : ref->FirstCol();
    int64_t b = m_rows ? ref->LastRow() : ref->LastCol();
    bool ina = InBlock(a), inb = InBlock(b);
    // A range over the whole block holds the same rows afterwards.
    if ((!ina && !inb) || (a <= m_lo && b >= m_hi))
      return REF_SAME;
    int64_t na = ina ? MapPos(a) : a, nb = inb ? MapPos(b) : b;
    if (ina && !inb && a != b)
      nb = b + (na - a);  // the range keeps its extent
    int64_t max = m_rows ? ENGINE_MAX_ROW : ENGINE_MAX_COL;
    na = std::max<int64_t>(m_rows ? 1 : 0, std::min(na, max));
    nb = std::max<int64_t>(m_rows ? 1 : 0, std::min(nb, max));
    if (m_rows) {
      ref->SetFirstRow((uint32_t)na);
      ref->SetLastRow((uint32_t)nb);
    } else {
      ref->SetFirstCol((uint32_t)na);
      ref->SetLastCol((uint32_t)nb);
    }
    NormalizeEngineRange(ref);
    return REF_MOVED;
  }

  bool m_rows;
  uint32_t m_a, m_b, m_d;
  int64_t m_lo, m_hi;
};

void DiscardOrSave(EngineSheet* s, EngineCell* c) {
  if (s->undoMode != 0) {
    s->saved.push_back(c);
    s->undoFlag = 1;
  } else {
    FreeEngineCell(c);
  }
}

// Rewrites the references of one formula; the result says what happened to any of them.
void RewriteFormula(EngineSheet* s, EngineCell* c, const BlockOp& op) {
  CompiledFormula* f = c->formula;
  if (f == nullptr)
    return;
  // A first pass finds out whether anything changes, so that the old formula can be saved.
  bool changes = false, overwritten = false;
  for (int i = 0; i < f->count; i++) {
    uint8_t k = f->nodes[i].Kind();
    if (k != NODE_CELL && k != NODE_RANGE)
      continue;
    EngineCellRef r = f->nodes[i].u.ref;
    RefResult res = op.MapRef(&r);
    if (res != REF_SAME)
      changes = true;
    if (res == REF_OVERWRITTEN)
      overwritten = true;
  }
  if (!changes)
    return;
  if (overwritten && s->undoMode != 0) {
    EngineCell* copy = CopyEngineCell(c, EnginePoolOf(c));
    s->saved.push_back(copy);
    s->undoFlag = 1;
  }
  bool lost = false;
  for (int i = 0; i < f->count; i++) {
    FormulaNode& n = f->nodes[i];
    if (n.Kind() != NODE_CELL && n.Kind() != NODE_RANGE)
      continue;
    EngineCellRef r = n.u.ref;
    RefResult res = op.MapRef(&r);
    if (res == REF_MOVED)
      n.u.ref = r;
    else if (res == REF_LOST) {
      lost = true;
      MakeLost(&n);
    }
  }
  c->Set(ENGINE_FLAG_REWRITTEN, true);
  // A formula that lost a reference is worth error 89 now, not the value it had.
  if (lost) {
    c->flags &= ~ENGINE_FLAG_CURRENT;
    c->Set(ENGINE_FLAG_RECOMPUTE, true);
  }
}

void RunBlockOp(int sheet, const BlockOp& op) {
  EngineSheet* s = GetEngineSheet(sheet);
  GX_ENGINE_STATE* st = GetEngineState();
  std::vector<EngineCellRef> savedMarks;
  savedMarks.swap(s->marked);
  st->m_nShifting = 1;
  int batch = BeginCellBatch(s, ENGINE_POOL_ALL);
  try {
    s->changed = 1;
    std::vector<EngineCell*> moving, overwritten;
    for (int p = 0; p < 3; p++) {
      ForEachPoolCell(&s->pools[p], [&](EngineCell* c) {
        if (!c->Is(ENGINE_FLAG_LINKED))
          return;
        if (p == 1 && op.Examines(c->row, c->col))
          RewriteFormula(s, c, op);
        if (op.Moves(c->row, c->col)) {
          UnlinkEngineCell(s, c);
          c->Set(ENGINE_FLAG_CHANGED, true);
          if (c->IsFormula())
            c->Set(ENGINE_FLAG_REWRITTEN, true);  // relative references now read other cells
          moving.push_back(c);
        } else if (op.Overwritten(c->row, c->col)) {
          UnlinkEngineCell(s, c);
          overwritten.push_back(c);
        }
      });
    }
    for (EngineCell* c : overwritten)
      DiscardOrSave(s, c);
    for (EngineCell* c : moving) {
      uint32_t row = c->row, col = c->col;
      if (!op.MapCell(&row, &col)) {
        FreeEngineCell(c);
        continue;
      }
      DeleteEngineCell(s, FindEngineCell(s, row, col));
      c->row = row;
      c->col = col;
      LinkEngineCell(s, c);
    }
  } catch (const std::bad_alloc&) {
    EndCellBatch(s, batch);
    st->m_nShifting = 0;
    AfxThrowMemoryException();
  } catch (...) {
    EndCellBatch(s, batch);
    st->m_nShifting = 0;
    EngineRethrow();
  }
  EndCellBatch(s, batch);
  st->m_nShifting = 0;
  s->marked.swap(savedMarks);
}

// Names follow the same mapping as references; a name whose cells are all gone keeps its range.
void AdjustNames(EngineSheet* s, const BlockOp& op) {
  for (EngineName* e = s->names; e != nullptr; e = e->next) {
    EngineCellRef r = e->range;
    if (op.MapRef(&r) == REF_MOVED) {
      e->range = r;
      NormalizeEngineRange(&e->range);
      s->changed = 1;
    }
  }
}

void MarkBlocks(int sheet, const EngineCellRef& a, const EngineCellRef& b) {
  MarkEngineRangeChanged(sheet, a);
  MarkEngineRangeChanged(sheet, b);
}

void InsertOrRemove(int sheet, bool rows, uint32_t at, uint32_t count, bool remove) {
  uint32_t max = rows ? ENGINE_MAX_ROW : ENGINE_MAX_COL;
  if (count == 0 || (rows && at < 1) || at > max)
    return;
  count = (uint32_t)std::min<uint64_t>(count, (uint64_t)max - at + 1);
  EngineSheet* s = GetEngineSheet(sheet);
  EngineCellRef toEnd = rows ? MakeEngineRangeRef((int32_t)at, 0, (int32_t)max, ENGINE_MAX_COL, 0)
                             : MakeEngineRangeRef(1, (int32_t)at, ENGINE_MAX_ROW, (int32_t)max, 0);
  if (remove) {
    // The removed block is recorded for the recalculation that undoing needs.
    uint32_t last = at + count - 1;
    s->undoRange = rows ? MakeEngineRangeRef((int32_t)at, 0, (int32_t)last, ENGINE_MAX_COL, 0)
                        : MakeEngineRangeRef(1, (int32_t)at, ENGINE_MAX_ROW, (int32_t)last, 0);
    s->undoFlag = 1;
  }
  InsertRemoveOp op(rows, at, count, remove);
  AdjustNames(s, op);
  RunBlockOp(sheet, op);
  MarkEngineRangeChanged(sheet, toEnd);
}

}  // namespace

void ShiftEngineCells(int sheet, const EngineCellRef& source, uint32_t destRow, uint32_t destCol, int mode) {
  EngineCellRef src = source;
  if (!NormalizeEngineRange(&src) || destRow < 1 || destRow > ENGINE_MAX_ROW || destCol > ENGINE_MAX_COL)
    return;
  ShiftOp op(src, destRow, destCol, mode);
  EngineSheet* s = GetEngineSheet(sheet);
  if (mode == 0) {
    // Each corner of a name that lies in the block moves with it, kept on the sheet.
    for (EngineName* e = s->names; e != nullptr; e = e->next) {
      EngineCellRef r = e->range;
      auto moveCorner = [&](uint32_t row, uint32_t col, bool last) {
        if (!src.Contains(row, col))
          return;
        int64_t nr = std::max<int64_t>(1, std::min<int64_t>(row + op.m_dr, ENGINE_MAX_ROW));
        int64_t nc = std::max<int64_t>(0, std::min<int64_t>(col + op.m_dc, ENGINE_MAX_COL));
        if (last) {
          r.SetLastRow((uint32_t)nr);
          r.SetLastCol((uint32_t)nc);
        } else {
          r.SetFirstRow((uint32_t)nr);
          r.SetFirstCol((uint32_t)nc);
        }
      };
      moveCorner(e->range.FirstRow(), e->range.FirstCol(), false);
      moveCorner(e->range.LastRow(), e->range.LastCol(), true);
      if (!EngineRangesEqual(r, e->range)) {
        NormalizeEngineRange(&r);
        e->range = r;
      }
    }
    s->changed = 1;
  }
  RunBlockOp(sheet, op);
  MarkBlocks(sheet, op.m_src, op.m_dst);
}

void InsertEngineRows(int sheet, uint32_t row, uint32_t count) { InsertOrRemove(sheet, true, row, count, false); }
void InsertEngineCols(int sheet, uint32_t col, uint32_t count) { InsertOrRemove(sheet, false, col, count, false); }
void RemoveEngineRows(int sheet, uint32_t row, uint32_t count) { InsertOrRemove(sheet, true, row, count, true); }
void RemoveEngineCols(int sheet, uint32_t col, uint32_t count) { InsertOrRemove(sheet, false, col, count, true); }

void MoveEngineRowsOrCols(int sheet, bool rows, uint32_t from, uint32_t to, uint32_t dest) {
  uint32_t min = rows ? 1 : 0, max = rows ? ENGINE_MAX_ROW : ENGINE_MAX_COL;
  if (from > to || from < min || to > max || dest < min || (uint64_t)dest + (to - from) > max || dest == from)
    return;
  MoveRowsOp op(rows, from, to, dest);
  EngineSheet* s = GetEngineSheet(sheet);
  AdjustNames(s, op);
  EngineCellRef block = rows ? MakeEngineRangeRef((int32_t)op.m_lo, 0, (int32_t)op.m_hi, ENGINE_MAX_COL, 0)
                             : MakeEngineRangeRef(1, (int32_t)op.m_lo, ENGINE_MAX_ROW, (int32_t)op.m_hi, 0);
  if (!s->usedValid || !EngineRangesIntersect(s->usedRange, block)) {
    // No cell moves, but formulas may still refer into the block.
    RunBlockOp(sheet, op);
    return;
  }
  RunBlockOp(sheet, op);
  MarkEngineRangeChanged(sheet, block);
}

void CopyEngineCells(int sheet, const EngineCellRef& source, uint32_t destRow, uint32_t destCol, int mode) {
  EngineSheet* s = GetEngineSheet(sheet);
  EngineCellRef src = source;
  if (!NormalizeEngineRange(&src) || destRow < 1 || destRow > ENGINE_MAX_ROW || destCol > ENGINE_MAX_COL)
    return;
  EngineCellRef dst = DestinationBlock(src, destRow, destCol);
  int64_t dr = (int64_t)destRow - src.FirstRow(), dc = (int64_t)destCol - src.FirstCol();
  if (!s->usedValid || !EngineRangesIntersect(src, s->usedRange))
    return;
  EngineCellRef used = s->usedRange;
  EngineCellRef narrowed = MakeEngineRangeRef(
      (int32_t)std::max(src.FirstRow(), used.FirstRow()), (int32_t)std::max(src.FirstCol(), used.FirstCol()),
      (int32_t)std::min(src.LastRow(), used.LastRow()), (int32_t)std::min(src.LastCol(), used.LastCol()), 0);
  int batch = BeginCellBatch(s, ENGINE_POOL_ALL);
  std::vector<EngineCell*> copies;
  try {
    s->changed = 1;
    std::vector<EngineCell*> sources;
    ForEachCellInRange(s, narrowed, ENGINE_POOL_ALL, [&](EngineCell* c) { sources.push_back(c); });
    for (EngineCell* c : sources) {
      int64_t r = c->row + dr, col = c->col + dc;
      // A copy that would land outside the sheet or the clamped destination is not made.
      if (!RowOk(r) || !ColOk(col) || !dst.Contains((uint32_t)r, (uint32_t)col))
        continue;
      EngineCell* copy = CopyEngineCell(c, EnginePoolOf(c));
      copies.push_back(copy);
      copy->object = CloneEngineObject(c->object);
      copy->row = (uint32_t)r;
      copy->col = (uint32_t)col;
      copy->Set(ENGINE_FLAG_CHANGED, true);
      CompiledFormula* f = copy->formula;
      if (f == nullptr)
        continue;
      copy->Set(ENGINE_FLAG_REWRITTEN, true);
      copy->flags &= ~ENGINE_FLAG_CURRENT;
      for (int i = 0; i < f->count; i++) {
        FormulaNode& n = f->nodes[i];
        if (n.Kind() != NODE_CELL && n.Kind() != NODE_RANGE)
          continue;
        EngineCellRef ref = n.u.ref;
        int64_t r1 = ref.FirstRow() + (ref.FirstRowAbs() ? 0 : dr);
        int64_t c1 = ref.FirstCol() + (ref.FirstColAbs() ? 0 : dc);
        int64_t r2 = ref.LastRow() + (ref.LastRowAbs() ? 0 : dr);
        int64_t c2 = ref.LastCol() + (ref.LastColAbs() ? 0 : dc);
        if (!RowOk(r1) || !RowOk(r2) || !ColOk(c1) || !ColOk(c2)) {
          MakeLost(&n);
          continue;
        }
        ref.SetFirstRow((uint32_t)r1);
        ref.SetFirstCol((uint32_t)c1);
        ref.SetLastRow((uint32_t)r2);
        ref.SetLastCol((uint32_t)c2);
        NormalizeEngineRange(&ref);
        n.u.ref = ref;
      }
    }
    std::vector<EngineCell*> old;
    ForEachCellInRange(s, dst, ENGINE_POOL_ALL, [&](EngineCell* c) { old.push_back(c); });
    for (EngineCell* c : old) {
      UnlinkEngineCell(s, c);
      DiscardOrSave(s, c);
    }
    for (size_t i = 0; i < copies.size(); i++) {
      EngineCell* c = copies[i];
      DeleteEngineCell(s, FindEngineCell(s, c->row, c->col));
      LinkEngineCell(s, c);
      copies[i] = nullptr;
    }
  } catch (...) {
    for (EngineCell* c : copies)
      if (c != nullptr)
        FreeEngineCell(c);
    EndCellBatch(s, batch);
    EngineRethrow();
  }
  if (mode == 0) {
    MarkBlocks(sheet, src, dst);
    try {
      RecalculateSheet(sheet);
    } catch (...) {
      EndCellBatch(s, batch);
      EngineRethrow();
    }
  }
  EndCellBatch(s, batch);
}
