// The storage layer of the formula engine: the process-wide engine state `GX_ENGINE_STATE`, the
// table of engine sheets (1-based sheet numbers), each sheet's hashed cell store with its records
// carved out of blocks of 32, the per-row and per-column occupancy counts with the used range, the
// sheet's settings, and the engine's tracking allocator.
// Every allocation failure of the engine raises the framework's memory exception.
// Not for: what a cell's value means (FormulaEval.h) or how formulas are compiled (FormulaParser.h).
#ifndef GRID_FORMULA_ENGINESTATE_H
#define GRID_FORMULA_ENGINESTATE_H

#include "EngineCellRef.h"

#include "Array.h"
#include "Object.h"
#include "Str.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

struct CompiledFormula;
struct EngineFunction;

// Resolves an upper-cased function name to its descriptor, or null.
class EngineFunctionResolver {
 public:
  virtual ~EngineFunctionResolver() = default;
  virtual const EngineFunction* ResolveFunction(const char* upperName) const = 0;
};

class GX_ENGINE_STATE : public CObject {
 public:
  GX_ENGINE_STATE();
  ~GX_ENGINE_STATE() override;

  int32_t m_nErrorFlag = 0;    // non-zero when the last compilation failed
  int32_t m_nErrorNumber = 0;  // of the last compilation or evaluation error
  int32_t m_nErrorPos = 0;     // 0-based character offset of that error
  int32_t m_nShifting = 0;     // 1 while a block operation moves cells
  int32_t m_nLastSheet = -1;
  char m_szLetters[10] = {};
  char m_szReference[40] = {};
  CString m_strUnused;
  CPtrArray m_sheets;  // sheet number n is element n-1; a null element is a free slot
  // Installed at creation with the engine's own functions; owned.
  EngineFunctionResolver* m_pResolver = nullptr;
};

GX_ENGINE_STATE* GetEngineState();

// Flags word of a cell.
enum : uint32_t {
  ENGINE_KIND_MASK = 0xFu,
  ENGINE_TYPE_SHIFT = 4,
  ENGINE_TYPE_MASK = 0xF0u,
  ENGINE_FLAG_LINKED = 1u << 8,
  ENGINE_SLOT_SHIFT = 9,
  ENGINE_SLOT_MASK = 0x3Fu << 9,
  ENGINE_FLAG_REWRITTEN = 1u << 15,
  ENGINE_FLAG_CURRENT = 1u << 16,
  ENGINE_FLAG_IN_PROGRESS = 1u << 17,
  ENGINE_FLAG_CHANGED = 1u << 18,
  ENGINE_FLAG_CYCLE = 1u << 19,
  ENGINE_FLAG_VIOLATED = 1u << 20,
  // Engine-private and never stored: a recalculation pass found the formula affected.
  ENGINE_FLAG_RECOMPUTE = 1u << 23,
};

enum EngineCellKind : uint32_t {
  ENGINE_CELL_NONE = 0,
  ENGINE_CELL_NUMBER = 1,
  ENGINE_CELL_TEXT = 2,
  ENGINE_CELL_FORMULA_REFS = 3,
  ENGINE_CELL_FORMULA = 4,
};

enum EngineValueType : uint32_t {
  ENGINE_VALUE_EMPTY = 0,
  ENGINE_VALUE_NA = 1,
  ENGINE_VALUE_ERROR = 2,
  ENGINE_VALUE_NUMBER = 3,
  ENGINE_VALUE_LONG_TEXT = 4,
  ENGINE_VALUE_SHORT_TEXT = 5,
};

struct EngineCell {
  EngineCell* next;  // in the same hash chain
  uint32_t row;
  uint32_t col;
  uint32_t unused;
  union {
    double number;
    char* text;  // long text, engine-tracked, zero-terminated and kept whole
    char inlineText[8];  // short text, padded with zero bytes
    uint16_t error;
  } value;
  uint32_t errorPos;
  CompiledFormula* formula;
  uint32_t stamp;
  uint32_t flags;
  CObject* object;  // attached object (the cell's style), owned

  uint32_t Kind() const { return flags & ENGINE_KIND_MASK; }
  uint32_t ValueType() const { return (flags & ENGINE_TYPE_MASK) >> ENGINE_TYPE_SHIFT; }
  void SetKind(uint32_t k) { flags = (flags & ~ENGINE_KIND_MASK) | (k & ENGINE_KIND_MASK); }
  void SetValueType(uint32_t t) { flags = (flags & ~ENGINE_TYPE_MASK) | ((t << ENGINE_TYPE_SHIFT) & ENGINE_TYPE_MASK); }
  uint32_t Slot() const { return (flags & ENGINE_SLOT_MASK) >> ENGINE_SLOT_SHIFT; }
  bool Is(uint32_t flag) const { return (flags & flag) != 0; }
  void Set(uint32_t flag, bool on) { flags = on ? (flags | flag) : (flags & ~flag); }
  bool IsFormula() const { return Kind() == ENGINE_CELL_FORMULA_REFS || Kind() == ENGINE_CELL_FORMULA; }
};

struct EngineCellPool;
enum { ENGINE_BLOCK_SLOTS = 32 };
struct EngineCellBlock {
  uint32_t used;  // bit i = slot i in use
  int32_t hasFreeSlot;  // set while a batch must not reuse the block
  EngineCellBlock* next;
  EngineCellBlock* prev;
  EngineCellPool* pool;
  EngineCell cells[ENGINE_BLOCK_SLOTS];
};

struct EngineCellPool {
  EngineCellBlock* first;
  EngineCellBlock* last;
  int32_t count;
  int32_t batched;
  int32_t compactPending;
};

enum {
  ENGINE_POOL_CONSTANTS = 1,
  ENGINE_POOL_FORMULAS = 2,
  ENGINE_POOL_PLACEHOLDERS = 4,
  ENGINE_POOL_ALL = -1,
};

enum { ENGINE_BUCKETS = 32749, ENGINE_MESSAGE_MAX = 512 };

// Recalculation status bits.
enum { ENGINE_STATUS_RUNNING = 1, ENGINE_STATUS_FORCED = 2, ENGINE_STATUS_ITERATING = 64 };

struct EngineSheet {
  EngineCell* buckets[ENGINE_BUCKETS];
  EngineCellPool pools[3];  // constants, formulas, placeholders
  EngineName* names;
  EngineName* deletedName;  // kept for undo
  // The list's last entry and the entries by upper-cased name, so that defining and finding a
  // name take constant time however many names a sheet holds.
  EngineName* lastName;
  std::unordered_map<std::string, EngineName*> nameIndex;
  // Settings.
  int32_t manualRecalc;
  int32_t recalcAll;
  int32_t constraintCheck;
  int32_t iterationLimit;
  int32_t blanksAreZero;
  int32_t word15;
  // Bookkeeping.
  int32_t linkedCount;
  int32_t changed;
  uint32_t stamp;
  std::vector<uint32_t> rowCounts;  // index row-1
  std::vector<uint32_t> colCounts;  // index col
  EngineCellRef usedRange;
  int32_t usedValid;
  std::vector<EngineCellRef> marked;
  int32_t status;
  int32_t messagePending;  // 0 = a message is waiting
  int32_t undoMode;
  EngineCellRef undoRange;
  int32_t undoFlag;
  std::vector<EngineCell*> saved;  // unlinked cells saved for undo, owned
  int32_t cycleFound;
  char message[ENGINE_MESSAGE_MAX];
  void* owner;  // the formula sheet, not owned
};

int CreateEngineSheet(void* owner = nullptr);
EngineSheet* GetEngineSheet(int sheet);
void DestroyEngineSheet(int sheet);
// Frees every cell, the names, the marked ranges and the counts; the settings stay.
void EmptyEngineSheet(EngineSheet* s);

EngineCell* FindEngineCell(EngineSheet* s, uint32_t row, uint32_t col);
uint32_t EngineBucketOf(uint32_t row, uint32_t col);
// pool: 0 constants, 1 formulas, 2 placeholders.
EngineCell* AllocEngineCell(EngineCellPool* pool);
EngineCellPool* EnginePoolOf(const EngineCell* cell);
void LinkEngineCell(EngineSheet* s, EngineCell* cell);
void UnlinkEngineCell(EngineSheet* s, EngineCell* cell);
void FreeEngineCell(EngineCell* cell);
void DeleteEngineCell(EngineSheet* s, EngineCell* cell);
CObject* DetachEngineObject(EngineCell* cell);
EngineCell* CopyEngineCell(const EngineCell* cell, EngineCellPool* pool);
// A copy of a serialisable object through an archive in memory; null for null or an object that
// cannot be written.
CObject* CloneEngineObject(const CObject* object);

int BeginCellBatch(EngineSheet* s, int pools);
void EndCellBatch(EngineSheet* s, int pools);
int EngineCellCount(EngineSheet* s, int pools);

// Calls fn(cell) for every cell in use in a pool, linked or not; fn may free the cell it is given
// while the pool is batched.
template <class Fn>
void ForEachPoolCell(EngineCellPool* pool, Fn fn) {
  for (EngineCellBlock* b = pool->first; b != nullptr;) {
    EngineCellBlock* next = b->next;
    uint32_t used = b->used;
    for (int i = 0; i < ENGINE_BLOCK_SLOTS; i++)
      if (used & (1u << i))
        fn(&b->cells[i]);
    b = next;
  }
}

// Settings; the setters refuse values outside 0/1 (0..100 for the iteration limit).
bool SetEngineManualRecalc(EngineSheet* s, int v);
bool SetEngineRecalcAll(EngineSheet* s, int v);
bool SetEngineConstraintCheck(EngineSheet* s, int v);
bool SetEngineIterationLimit(EngineSheet* s, int v);
bool SetEngineBlanksAreZero(EngineSheet* s, int v);

// Text of a cell value (the long text or the inline bytes), empty for other types.
CString EngineCellText(const EngineCell* cell);
void EngineClearValue(EngineCell* cell);
void EngineSetTextValue(EngineCell* cell, const char* text, size_t len);

// The tracking allocator. EngineAlloc and EngineStrDup register the block and raise the
// framework's memory exception when the heap refuses.
void* EngineAlloc(size_t size);
void* EngineCalloc(size_t size);
char* EngineStrDup(const char* text, size_t len);
void* EngineTrackAlloc(void* p);
void EngineFree(void* p);
void EngineFreeAll();
// For tests: the heap the engine allocates from (malloc by default); null restores it.
void EngineSetAllocator(void* (*pfnAlloc)(size_t));
// Inside a catch block: rethrows the exception being handled, a failed allocation of the standard
// library (std::bad_alloc) as the framework's memory exception, so that callers of the engine
// meet one kind of memory failure.
[[noreturn]] void EngineRethrow();

#endif  // GRID_FORMULA_ENGINESTATE_H
