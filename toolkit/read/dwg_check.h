// The DWG file check run before a DWG file is opened: the release from the first bytes and, for
// AC1009 files of header sub-version 205, the header's check value and the section and table
// positions it gives. It reads no further than the header and never past the file.
#pragma once

#include <cstdint>

#include "toolkit/core/error.h"

struct TkFile;

enum : TkError {
  TK_ERR_HEADER_SIZE = 184,
  TK_ERR_HEADER_CHECK = 185,
  TK_ERR_DWG_INFO = 186,
};

// The value the writers XOR into the header's check value.
constexpr uint16_t DWG_HEADER_CHECK_XOR = 0x6718;

// -1 when the file is not examined (AC1002 to AC1006, or no known release), 0 when it passes,
// 1 when it fails. The last error is set in every case: the failure's number, else 0. The mode
// is 2 (the light check the open runs). The file is left at an arbitrary position.
int16_t dwg_file_check(TkFile* file, int16_t mode);
