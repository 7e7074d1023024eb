// The installed reader sets: the DWG dispatcher sends each operation to the family of the
// drawing's release, and installation needs a started toolkit.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/toolkit/core/core_support.h"
#include "toolkit/core/drawing.h"
#include "toolkit/core/load.h"
#include "toolkit/read/readers.h"

namespace {

TEST(ReaderInstall, RefusedBeforeStartUp) { EXPECT_EQ(tk_install_file_readers(), 0); }

class Readers : public core_test::StartedToolkit {};

TEST_F(Readers, BothSetsInstalledWithoutTheDwgBlockRecordPass) {
  ASSERT_EQ(tk_install_file_readers(), 1);
  EXPECT_NE(tk_dwg_readers()->open, nullptr);
  EXPECT_NE(tk_dwg_readers()->read_entity, nullptr);
  EXPECT_EQ(tk_dwg_readers()->read_block_record, nullptr);
}

// An empty slot of a family must read as a failure, never a call through null, whatever the
// release: a drawing of every version goes through every step slot.
TEST_F(Readers, EverySlotOfEveryReleaseAnswersWithoutCrashing) {
  ASSERT_EQ(tk_install_file_readers(), 1);
  const TkReaderOps* set = tk_dwg_reader_ops();
  TkDrawing d;
  std::memset(&d, 0, sizeof d);
  for (int16_t v = 0; v < TK_VERSION_COUNT; ++v) {
    d.version = v;
    const TkReaderOps* family = v >= TK_VERSION_AC1012 ? dwg13_reader_ops() : dwg_old_reader_ops();
    // Where the family has the slot, the dispatcher's answer is the family's; where not, 0.
    if (!family->begin_layers) {
      EXPECT_EQ(set->begin_layers(&d), 0) << v;
    }
    if (!family->next_object_kind) {
      EXPECT_EQ(set->next_object_kind(&d), 0) << v;
    }
    if (!family->begin_vpent_headers) {
      EXPECT_EQ(set->begin_vpent_headers(&d), 0) << v;
    }
  }
}

}  // namespace
