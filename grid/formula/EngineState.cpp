// The engine state, the sheet table, the hashed cell store with its pools of 32-slot blocks, the
// occupancy counts and used range, the settings and the tracking allocator.
#include "EngineState.h"

#include "FormulaFunctions.h"
#include "FormulaParser.h"

#include "Archive.h"
#include "Exception.h"
#include "MemFile.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <unordered_set>

namespace {

// Every engine heap block is registered here so that the engine can free what is left at process
// end. A hash set keeps registration constant-time for sheets of many formulas.
struct GX_ENGINE_MEMOBJ_STATE {
  std::unordered_set<void*> blocks;
  void* (*pfnAlloc)(size_t) = std::malloc;
  ~GX_ENGINE_MEMOBJ_STATE() { EngineFreeAll(); }
};

GX_ENGINE_MEMOBJ_STATE& MemState() {
  static GX_ENGINE_MEMOBJ_STATE s_state;
  return s_state;
}

}  // namespace

void* EngineTrackAlloc(void* p) {
  if (p == nullptr)
    return nullptr;
  try {
    MemState().blocks.insert(p);
  } catch (const std::bad_alloc&) {
    std::free(p);
    AfxThrowMemoryException();
  }
  return p;
}

void EngineFree(void* p) {
  if (p == nullptr)
    return;
  MemState().blocks.erase(p);
  std::free(p);
}

void EngineFreeAll() {
  GX_ENGINE_MEMOBJ_STATE& m = MemState();
  for (void* p : m.blocks)
    std::free(p);
  m.blocks.clear();
}

void EngineSetAllocator(void* (*pfnAlloc)(size_t)) {
  MemState().pfnAlloc = pfnAlloc != nullptr ? pfnAlloc : std::malloc;
}

void EngineRethrow() {
  try {
    throw;
  } catch (const std::bad_alloc&) {
    AfxThrowMemoryException();
  }
}

void* EngineAlloc(size_t size) {
  void* p = MemState().pfnAlloc(size == 0 ? 1 : size);
  if (p == nullptr)
    AfxThrowMemoryException();
  return EngineTrackAlloc(p);
}

void* EngineCalloc(size_t size) {
  void* p = EngineAlloc(size);
  std::memset(p, 0, size);
  return p;
}

char* EngineStrDup(const char* text, size_t len) {
  char* p = static_cast<char*>(EngineAlloc(len + 1));
  if (len != 0)
    std::memcpy(p, text, len);
  p[len] = '\0';
  return p;
}

// ---------------------------------------------------------------------------------------------
// Engine state and sheet table

GX_ENGINE_STATE::GX_ENGINE_STATE() {
  m_pResolver = CreateEngineFunctionResolver();
}

GX_ENGINE_STATE::~GX_ENGINE_STATE() {
  for (int i = 0; i < m_sheets.GetSize(); i++)
    if (m_sheets[i] != nullptr)
      DestroyEngineSheet(i + 1);
  delete m_pResolver;
}

GX_ENGINE_STATE* GetEngineState() {
  // The allocator's state is made first so that it outlives the engine state at process end.
  MemState();
  static GX_ENGINE_STATE s_state;
  return &s_state;
}

int CreateEngineSheet(void* owner) {
  GX_ENGINE_STATE* st = GetEngineState();
  EngineSheet* s = new (std::nothrow) EngineSheet();
  if (s == nullptr)
    AfxThrowMemoryException();
  s->word15 = 15;
  s->messagePending = 1;  // nothing to report yet
  s->owner = owner;
  for (int i = 0; i < st->m_sheets.GetSize(); i++) {
    if (st->m_sheets[i] == nullptr) {
      st->m_sheets[i] = s;
      return i + 1;
    }
  }
  try {
    st->m_sheets.Add(s);
  } catch (const std::bad_alloc&) {
    delete s;
    AfxThrowMemoryException();
  }
  return (int)st->m_sheets.GetSize();
}

EngineSheet* GetEngineSheet(int sheet) {
  return static_cast<EngineSheet*>(GetEngineState()->m_sheets[sheet - 1]);
}

static void FreePoolCells(EngineCellPool* pool) {
  for (EngineCellBlock* b = pool->first; b != nullptr;) {
    EngineCellBlock* next = b->next;
    for (int i = 0; i < ENGINE_BLOCK_SLOTS; i++) {
      if (b->used & (1u << i)) {
        EngineCell* c = &b->cells[i];
        delete c->object;
        c->object = nullptr;
        if (c->IsFormula())
          FreeCompiledFormula(c->formula);
        if (c->ValueType() == ENGINE_VALUE_LONG_TEXT)
          EngineFree(c->value.text);
      }
    }
    EngineFree(b);
    b = next;
  }
  *pool = EngineCellPool{};
}

void EmptyEngineSheet(EngineSheet* s) {
  for (EngineCell* c : s->saved)
    FreeEngineCell(c);
  s->saved.clear();
  for (EngineCellPool& p : s->pools)
    FreePoolCells(&p);
  std::memset(s->buckets, 0, sizeof(s->buckets));
  DeleteAllEngineNames(s);
  if (s->deletedName != nullptr) {
    FreeEngineNameEntry(s->deletedName);
    s->deletedName = nullptr;
  }
  s->marked.clear();
  s->rowCounts.clear();
  s->rowCounts.shrink_to_fit();
  s->colCounts.clear();
  s->colCounts.shrink_to_fit();
  s->linkedCount = 0;
  s->usedRange = EngineCellRef{};
  s->usedValid = 0;
  s->changed = 1;
}

void DestroyEngineSheet(int sheet) {
  GX_ENGINE_STATE* st = GetEngineState();
  EngineSheet* s = GetEngineSheet(sheet);
  if (s == nullptr)
    return;
  EmptyEngineSheet(s);
  delete s;
  st->m_sheets[sheet - 1] = nullptr;
}

// ---------------------------------------------------------------------------------------------
// Hash, pools and blocks

uint32_t EngineBucketOf(uint32_t row, uint32_t col) {
  // Unsigned arithmetic on purpose: large columns wrap, and the wrapped value is the bucket.
  return (col * 8388607u + row) % (uint32_t)ENGINE_BUCKETS;
}

EngineCell* FindEngineCell(EngineSheet* s, uint32_t row, uint32_t col) {
  for (EngineCell* c = s->buckets[EngineBucketOf(row, col)]; c != nullptr; c = c->next)
    if (c->row == row && c->col == col)
      return c;
  return nullptr;
}

static EngineCellBlock* BlockOf(const EngineCell* cell) {
  const EngineCell* slot0 = cell - cell->Slot();
  return reinterpret_cast<EngineCellBlock*>(reinterpret_cast<uintptr_t>(slot0) -
                                            offsetof(EngineCellBlock, cells));
}

EngineCellPool* EnginePoolOf(const EngineCell* cell) {
  return BlockOf(cell)->pool;
}

static void UnlinkBlock(EngineCellPool* pool, EngineCellBlock* b) {
  if (b->prev != nullptr)
    b->prev->next = b->next;
  else
    pool->first = b->next;
  if (b->next != nullptr)
    b->next->prev = b->prev;
  else
    pool->last = b->prev;
  b->next = b->prev = nullptr;
}

static void PushBlockFront(EngineCellPool* pool, EngineCellBlock* b) {
  b->prev = nullptr;
  b->next = pool->first;
  if (pool->first != nullptr)
    pool->first->prev = b;
  pool->first = b;
  if (pool->last == nullptr)
    pool->last = b;
}

static void PushBlockBack(EngineCellPool* pool, EngineCellBlock* b) {
  b->next = nullptr;
  b->prev = pool->last;
  if (pool->last != nullptr)
    pool->last->next = b;
  pool->last = b;
  if (pool->first == nullptr)
    pool->first = b;
}

EngineCell* AllocEngineCell(EngineCellPool* pool) {
  EngineCellBlock* b = nullptr;
  if (!pool->batched) {
    if (pool->first != nullptr && pool->first->used != 0xFFFFFFFFu)
      b = pool->first;
  } else {
    for (EngineCellBlock* p = pool->first; p != nullptr; p = p->next)
      if (p->used != 0xFFFFFFFFu && p->hasFreeSlot == 0) {
        b = p;
        break;
      }
  }
  if (b == nullptr) {
    b = static_cast<EngineCellBlock*>(EngineCalloc(sizeof(EngineCellBlock)));
    b->pool = pool;
    PushBlockFront(pool, b);
  }
  int slot = 0;
  while (b->used & (1u << slot))
    slot++;
  b->used |= 1u << slot;
  EngineCell* c = &b->cells[slot];
  std::memset(c, 0, sizeof(*c));
  c->flags = (uint32_t)slot << ENGINE_SLOT_SHIFT;
  pool->count++;
  if (b->used == 0xFFFFFFFFu && b != pool->last) {
    if (!pool->batched) {
      UnlinkBlock(pool, b);
      PushBlockBack(pool, b);
    } else {
      pool->compactPending = 1;
    }
  }
  return c;
}

void FreeEngineCell(EngineCell* cell) {
  if (cell == nullptr)
    return;
  EngineCellBlock* b = BlockOf(cell);
  EngineCellPool* pool = b->pool;
  delete cell->object;
  cell->object = nullptr;
  if (cell->IsFormula()) {
    FreeCompiledFormula(cell->formula);
    cell->formula = nullptr;
    if (pool->batched)
      b->hasFreeSlot = 1;
  }
  if (cell->ValueType() == ENGINE_VALUE_LONG_TEXT)
    EngineFree(cell->value.text);
  cell->value.text = nullptr;
  b->used &= ~(1u << cell->Slot());
  pool->count--;
  if (b->used != 0) {
    if (b != pool->first) {
      if (!pool->batched) {
        UnlinkBlock(pool, b);
        PushBlockFront(pool, b);
      } else {
        pool->compactPending = 1;
      }
    }
  } else if (!pool->batched) {
    UnlinkBlock(pool, b);
    EngineFree(b);
  } else {
    pool->compactPending = 1;
  }
}

int BeginCellBatch(EngineSheet* s, int pools) {
  int began = 0;
  for (int i = 0; i < 3; i++) {
    if ((pools & (1 << i)) && !s->pools[i].batched) {
      s->pools[i].batched = 1;
      began |= 1 << i;
    }
  }
  return began;
}

void EndCellBatch(EngineSheet* s, int pools) {
  for (int i = 0; i < 3; i++) {
    if (!(pools & (1 << i)))
      continue;
    EngineCellPool* pool = &s->pools[i];
    pool->batched = 0;
    if (!pool->compactPending)
      continue;
    if (pool->first != nullptr)
      pool->first->hasFreeSlot = 0;
    for (EngineCellBlock* b = pool->first != nullptr ? pool->first->next : nullptr; b != nullptr;) {
      EngineCellBlock* next = b->next;
      b->hasFreeSlot = 0;
      if (b->used == 0) {
        UnlinkBlock(pool, b);
        EngineFree(b);
      } else if (b->used != 0xFFFFFFFFu) {
        UnlinkBlock(pool, b);
        PushBlockFront(pool, b);
      }
      b = next;
    }
    // A first block left empty by the batch goes too.
    if (pool->first != nullptr && pool->first->used == 0) {
      EngineCellBlock* b = pool->first;
      UnlinkBlock(pool, b);
      EngineFree(b);
    }
    pool->compactPending = 0;
  }
}

int EngineCellCount(EngineSheet* s, int pools) {
  int n = 0;
  for (int i = 0; i < 3; i++)
    if (pools & (1 << i))
      n += s->pools[i].count;
  return n;
}

// ---------------------------------------------------------------------------------------------
// Linking, counts and used range

static void GrowCounts(std::vector<uint32_t>& v, size_t needed) {
  if (needed <= v.size())
    return;
  size_t cap = v.size();
  size_t newCap = needed;
  if (cap != 0) {
    size_t inc = (cap & ~(size_t)7) < 32 ? 4 : (cap <= 8192 ? cap / 8 : 1024);
    if (cap + inc > newCap)
      newCap = cap + inc;
  }
  try {
    v.resize(newCap, 0);
  } catch (const std::bad_alloc&) {
    AfxThrowMemoryException();
  }
}

void LinkEngineCell(EngineSheet* s, EngineCell* cell) {
  GrowCounts(s->rowCounts, cell->row);
  GrowCounts(s->colCounts, (size_t)cell->col + 1);
  uint32_t b = EngineBucketOf(cell->row, cell->col);
  cell->next = s->buckets[b];
  s->buckets[b] = cell;
  cell->Set(ENGINE_FLAG_LINKED, true);
  s->linkedCount++;
  s->rowCounts[cell->row - 1]++;
  s->colCounts[cell->col]++;
  if (s->usedValid) {
    EngineCellRef& u = s->usedRange;
    if (cell->row < u.FirstRow()) u.SetFirstRow(cell->row);
    if (cell->row > u.LastRow()) u.SetLastRow(cell->row);
    if (cell->col < u.FirstCol()) u.SetFirstCol(cell->col);
    if (cell->col > u.LastCol()) u.SetLastCol(cell->col);
  } else {
    s->usedRange = MakeEngineRangeRef((int32_t)cell->row, (int32_t)cell->col, (int32_t)cell->row,
                                      (int32_t)cell->col, 0);
    s->usedValid = 1;
  }
  s->changed = 1;
}

void UnlinkEngineCell(EngineSheet* s, EngineCell* cell) {
  if (cell == nullptr || !cell->Is(ENGINE_FLAG_LINKED))
    return;
  EngineCell** pp = &s->buckets[EngineBucketOf(cell->row, cell->col)];
  while (*pp != nullptr && *pp != cell)
    pp = &(*pp)->next;
  if (*pp == cell)
    *pp = cell->next;
  cell->next = nullptr;
  cell->Set(ENGINE_FLAG_LINKED, false);
  s->linkedCount--;
  s->changed = 1;
  uint32_t r = cell->row, c = cell->col;
  if (r - 1 < s->rowCounts.size() && s->rowCounts[r - 1] > 0)
    s->rowCounts[r - 1]--;
  if (c < s->colCounts.size() && s->colCounts[c] > 0)
    s->colCounts[c]--;
  if (!s->usedValid)
    return;
  EngineCellRef& u = s->usedRange;
  if (s->linkedCount == 0) {
    s->usedValid = 0;
    return;
  }
  if (s->rowCounts[r - 1] == 0) {
    if (r == u.FirstRow()) {
      uint32_t x = r;
      while (x <= u.LastRow() && s->rowCounts[x - 1] == 0) x++;
      if (x > u.LastRow()) { s->usedValid = 0; return; }
      u.SetFirstRow(x);
    }
    if (r == u.LastRow()) {
      uint32_t x = r;
      while (x >= u.FirstRow() && s->rowCounts[x - 1] == 0) x--;
      if (x < u.FirstRow()) { s->usedValid = 0; return; }
      u.SetLastRow(x);
    }
  }
  if (s->colCounts[c] == 0) {
    if (c == u.FirstCol()) {
      uint32_t x = c;
      while (x <= u.LastCol() && s->colCounts[x] == 0) x++;
      if (x > u.LastCol()) { s->usedValid = 0; return; }
      u.SetFirstCol(x);
    }
    if (c == u.LastCol()) {
      int32_t x = (int32_t)c;
      while (x >= (int32_t)u.FirstCol() && s->colCounts[x] == 0) x--;
      if (x < (int32_t)u.FirstCol()) { s->usedValid = 0; return; }
      u.SetLastCol((uint32_t)x);
    }
  }
}

void DeleteEngineCell(EngineSheet* s, EngineCell* cell) {
  if (cell == nullptr)
    return;
  UnlinkEngineCell(s, cell);
  FreeEngineCell(cell);
}

CObject* DetachEngineObject(EngineCell* cell) {
  if (cell == nullptr)
    return nullptr;
  CObject* o = cell->object;
  cell->object = nullptr;
  return o;
}

CObject* CloneEngineObject(const CObject* object) {
  if (object == nullptr || !object->IsSerializable())
    return nullptr;
  CMemFile file;
  {
    CArchive ar(&file, CArchive::store);
    ar.WriteObject(object);
    ar.Close();
  }
  file.Seek(0, CFile::begin);
  CArchive ar(&file, CArchive::load);
  return ar.ReadObject(nullptr);
}

EngineCell* CopyEngineCell(const EngineCell* cell, EngineCellPool* pool) {
  // The copies are made before the record, so that a refused allocation leaves no record behind
  // that shares the original's text.
  char* text = nullptr;
  CompiledFormula* formula = nullptr;
  EngineCell* c;
  try {
    if (cell->ValueType() == ENGINE_VALUE_LONG_TEXT)
      text = EngineStrDup(cell->value.text, std::strlen(cell->value.text));
    if (cell->IsFormula() && cell->formula != nullptr)
      formula = DuplicateCompiledFormula(cell->formula);
    c = AllocEngineCell(pool);
  } catch (...) {
    EngineFree(text);
    FreeCompiledFormula(formula);
    EngineRethrow();
  }
  uint32_t slotBits = c->flags & ENGINE_SLOT_MASK;
  *c = *cell;
  c->next = nullptr;
  c->flags = (cell->flags & ~(ENGINE_SLOT_MASK | ENGINE_FLAG_LINKED)) | slotBits;
  c->object = nullptr;
  c->formula = formula;
  if (text != nullptr)
    c->value.text = text;
  return c;
}

// ---------------------------------------------------------------------------------------------
// Settings and values

static bool SetFlagSetting(int32_t* field, int v) {
  if (v != 0 && v != 1)
    return false;
  *field = v;
  return true;
}

bool SetEngineManualRecalc(EngineSheet* s, int v) { return SetFlagSetting(&s->manualRecalc, v); }
bool SetEngineRecalcAll(EngineSheet* s, int v) { return SetFlagSetting(&s->recalcAll, v); }
bool SetEngineConstraintCheck(EngineSheet* s, int v) { return SetFlagSetting(&s->constraintCheck, v); }
bool SetEngineBlanksAreZero(EngineSheet* s, int v) { return SetFlagSetting(&s->blanksAreZero, v); }
bool SetEngineIterationLimit(EngineSheet* s, int v) {
  if (v < 0 || v > 100)
    return false;
  s->iterationLimit = v;
  return true;
}

CString EngineCellText(const EngineCell* cell) {
  if (cell == nullptr)
    return CString();
  if (cell->ValueType() == ENGINE_VALUE_LONG_TEXT)
    return CString(cell->value.text);
  if (cell->ValueType() == ENGINE_VALUE_SHORT_TEXT)
    return CString(cell->value.inlineText, (int)strnlen(cell->value.inlineText, 8));
  return CString();
}

void EngineClearValue(EngineCell* cell) {
  if (cell->ValueType() == ENGINE_VALUE_LONG_TEXT)
    EngineFree(cell->value.text);
  std::memset(&cell->value, 0, sizeof(cell->value));
  cell->errorPos = 0;
  cell->SetValueType(ENGINE_VALUE_EMPTY);
}

void EngineSetTextValue(EngineCell* cell, const char* text, size_t len) {
  // The copy is made before the old value goes, so that a cell may be given its own text.
  if (len > 8) {
    char* copy = EngineStrDup(text, len);
    EngineClearValue(cell);
    cell->value.text = copy;
    cell->SetValueType(ENGINE_VALUE_LONG_TEXT);
  } else {
    char buf[8] = {};
    std::memcpy(buf, text, len);
    EngineClearValue(cell);
    std::memcpy(cell->value.inlineText, buf, 8);
    cell->SetValueType(ENGINE_VALUE_SHORT_TEXT);
  }
}
