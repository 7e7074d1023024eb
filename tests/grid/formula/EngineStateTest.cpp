// The engine's cell store: hashing, pools of 32-slot blocks, batches, counts and used range,
// settings, sheet numbers and allocation failure.
#include "EngineTestSupport.h"

#include "Archive.h"
#include "Exception.h"

#include <cstdlib>

namespace {

EngineCell* NewCell(EngineSheet* s, uint32_t row, uint32_t col, int pool = 0) {
  EngineCell* c = AllocEngineCell(&s->pools[pool]);
  c->row = row;
  c->col = col;
  LinkEngineCell(s, c);
  return c;
}

int BlockCount(const EngineCellPool& p) {
  int n = 0;
  for (EngineCellBlock* b = p.first; b != nullptr; b = b->next)
    n++;
  return n;
}

}  // namespace

// A serialisable object for the cells' attached objects.
class CTagObject : public CObject {
  DECLARE_SERIAL(CTagObject)
 public:
  CTagObject() = default;
  explicit CTagObject(int tag) : m_tag(tag) {}
  void Serialize(CArchive& ar) override {
    if (ar.IsStoring())
      ar << m_tag;
    else
      ar >> m_tag;
  }
  int m_tag = 0;
};
IMPLEMENT_SERIAL(CTagObject, CObject, 1)

using EngineStore = EngineSheetTest;

TEST_F(EngineStore, CornersOfTheSheetAreStoredInTheirBuckets) {
  static const struct {
    uint32_t row, col, bucket;
  } kCases[] = {{1, 0, 1}, {ENGINE_MAX_ROW, ENGINE_MAX_COL, 30097}, {32749, 0, 0}, {1, 1, 4864}};
  for (const auto& c : kCases) {
    EXPECT_EQ(EngineBucketOf(c.row, c.col), c.bucket);
    EngineCell* cell = NewCell(m_s, c.row, c.col);
    EXPECT_EQ(FindEngineCell(m_s, c.row, c.col), cell);
    EXPECT_EQ(m_s->buckets[c.bucket], cell);  // pushed at the head of its chain
  }
  EXPECT_EQ(FindEngineCell(m_s, 2, 0), nullptr);
  EXPECT_EQ(m_s->linkedCount, 4);
}

TEST_F(EngineStore, CellsInOneChainAreFoundAndUnlinked) {
  // (1,0) and (32750,0) share bucket 1.
  EngineCell* a = NewCell(m_s, 1, 0);
  EngineCell* b = NewCell(m_s, 32750, 0);
  ASSERT_EQ(EngineBucketOf(32750, 0), 1u);
  EXPECT_EQ(FindEngineCell(m_s, 1, 0), a);
  DeleteEngineCell(m_s, a);
  EXPECT_EQ(FindEngineCell(m_s, 1, 0), nullptr);
  EXPECT_EQ(FindEngineCell(m_s, 32750, 0), b);
}

TEST_F(EngineStore, BlocksHoldThirtyTwoCellsAndFreeWhenEmpty) {
  EngineCellPool& pool = m_s->pools[0];
  EngineCell* cells[33];
  for (int i = 0; i < 33; i++)
    cells[i] = NewCell(m_s, (uint32_t)i + 1, 0);
  EXPECT_EQ(pool.count, 33);
  EXPECT_EQ(BlockCount(pool), 2);
  EXPECT_EQ(pool.last->used, 0xFFFFFFFFu);  // the full block went to the end
  // Outside a batch, freeing the last cell of a block frees the block.
  DeleteEngineCell(m_s, cells[32]);
  EXPECT_EQ(BlockCount(pool), 1);
  // Inside a batch, an emptied block stays until the batch ends.
  int began = BeginCellBatch(m_s, ENGINE_POOL_ALL);
  EXPECT_EQ(began, 7);
  for (int i = 0; i < 32; i++)
    DeleteEngineCell(m_s, cells[i]);
  EXPECT_EQ(BlockCount(pool), 1);
  EXPECT_EQ(pool.count, 0);
  EndCellBatch(m_s, began);
  EXPECT_EQ(BlockCount(pool), 0);
}

TEST_F(EngineStore, NestedBatchEndsOnlyOnce) {
  int outer = BeginCellBatch(m_s, ENGINE_POOL_CONSTANTS | ENGINE_POOL_FORMULAS);
  EXPECT_EQ(outer, 3);
  int inner = BeginCellBatch(m_s, ENGINE_POOL_ALL);
  EXPECT_EQ(inner, ENGINE_POOL_PLACEHOLDERS);
  EXPECT_EQ(BeginCellBatch(m_s, ENGINE_POOL_CONSTANTS), 0);
  EndCellBatch(m_s, 0);
  EXPECT_TRUE(m_s->pools[0].batched);
  EndCellBatch(m_s, inner);
  EXPECT_TRUE(m_s->pools[0].batched);
  EXPECT_FALSE(m_s->pools[2].batched);
  EndCellBatch(m_s, outer);
  EXPECT_FALSE(m_s->pools[0].batched);
}

TEST_F(EngineStore, UsedRangeFollowsTheCellsOnItsEdges) {
  EngineCell* a = NewCell(m_s, 2, 1);
  EngineCell* b = NewCell(m_s, 5, 3);
  EngineCell* c = NewCell(m_s, 9, 7);
  EXPECT_TRUE(m_s->usedValid);
  EXPECT_STREQ(FormatCellReference(m_s->usedRange), "B2..H9");
  DeleteEngineCell(m_s, c);
  EXPECT_STREQ(FormatCellReference(m_s->usedRange), "B2..D5");
  DeleteEngineCell(m_s, a);
  EXPECT_STREQ(FormatCellReference(m_s->usedRange), "D5..D5");
  DeleteEngineCell(m_s, b);
  EXPECT_FALSE(m_s->usedValid);
}

TEST_F(EngineStore, SettingsRefuseValuesOutsideTheirRange) {
  EXPECT_TRUE(SetEngineIterationLimit(m_s, 100));
  EXPECT_FALSE(SetEngineIterationLimit(m_s, 101));
  EXPECT_FALSE(SetEngineIterationLimit(m_s, -1));
  EXPECT_EQ(m_s->iterationLimit, 100);
  bool (*flagSetters[])(EngineSheet*, int) = {SetEngineManualRecalc, SetEngineRecalcAll,
                                               SetEngineConstraintCheck, SetEngineBlanksAreZero};
  for (auto set : flagSetters) {
    EXPECT_TRUE(set(m_s, 1));
    EXPECT_FALSE(set(m_s, 2));
  }
  EXPECT_EQ(m_s->manualRecalc + m_s->recalcAll + m_s->constraintCheck + m_s->blanksAreZero, 4);
}

TEST(EngineSheets, FreedNumberIsReused) {
  int a = CreateEngineSheet();
  int b = CreateEngineSheet();
  EXPECT_NE(a, b);
  EXPECT_EQ(GetEngineSheet(a)->word15, 15);
  DestroyEngineSheet(a);
  EXPECT_EQ(CreateEngineSheet(), a);
  DestroyEngineSheet(a);
  DestroyEngineSheet(b);
}

TEST_F(EngineStore, ReplacedCellKeepsItsAttachedObjectAndCopiesClone) {
  ASSERT_TRUE(StoreNumberCell(m_sheet, 1, 0, 5));
  Cell("A1")->object = new CTagObject(42);
  ASSERT_TRUE(StoreTextCell(m_sheet, 1, 0, "now text"));
  auto* kept = dynamic_cast<CTagObject*>(Cell("A1")->object);
  ASSERT_NE(kept, nullptr);
  EXPECT_EQ(kept->m_tag, 42);
  CObject* clone = CloneEngineObject(kept);
  ASSERT_NE(clone, nullptr);
  EXPECT_NE(clone, kept);
  EXPECT_EQ(static_cast<CTagObject*>(clone)->m_tag, 42);
  delete clone;
  EXPECT_EQ(CloneEngineObject(nullptr), nullptr);
}

namespace {
int g_allocsLeft = 0;
void* FailingAlloc(size_t n) {
  if (g_allocsLeft-- <= 0)
    return nullptr;
  return std::malloc(n);
}
}  // namespace

// Every allocation the engine makes raises the framework's memory exception when the heap
// refuses, and the store stays usable afterwards.
TEST_F(EngineStore, AllocationFailureRaisesMemoryException) {
  static const char* const kTexts[] = {"=1+2", "=\"a long text literal\"&\"b\"", "=A1+B2//note"};
  for (int budget = 0; budget < 4; budget++) {
    for (const char* text : kTexts) {
      g_allocsLeft = budget;
      EngineSetAllocator(FailingAlloc);
      bool thrown = false;
      try {
        StoreFormulaCell(m_sheet, 3, 3, text);
        StoreTextCell(m_sheet, 4, 4, "a text longer than eight bytes");
      } catch (CMemoryException* e) {
        thrown = true;
        e->Delete();
      }
      EngineSetAllocator(nullptr);
      if (budget == 0) {
        EXPECT_TRUE(thrown) << text;
      }
    }
  }
  EXPECT_TRUE(StoreFormulaCell(m_sheet, 3, 3, "=1+2"));
  EXPECT_EQ(Show("D3"), "3");
}
