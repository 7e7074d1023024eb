// The DWG writer of releases AC1002, AC1003, AC1004, AC1006 and AC1009 (byte records): the
// file layout (fixed header, entity section, table sections, block-entity section and, for
// AC1009, the sentinels, record CRCs and the auxiliary header) and, in the files beside this
// one, the entity records and the table records. The drawing is only read.
#pragma once

#include <cstdint>
#include <vector>

#include "toolkit/write/writer.h"

struct TkDrawing;

enum : TkError {
  TK_ERR_BLOCK_WITHOUT_ENTITIES = 74,
  // Told through the warning callback for each VIEWPORT that the release's chain of viewport
  // entity headers cannot link (the chain holds 49).
  TK_WARN_VIEWPORT_UNLINKED = 149,
};

// The whole file through the writer's file (the output version is the writer's, 0 to 4); 1, or
// 0 with the error number set. The counts of what was written and left out go to the writer.
int16_t dwg12_write_file(TkDrawing* drawing, TkWriter* writer);
// The same file into memory, from the drawing's own header with the release's version string.
int16_t dwg12_write_to_memory(TkDrawing* drawing, TkVersion version, std::vector<uint8_t>* bytes);
