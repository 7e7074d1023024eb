// The reader sets the toolkit installs at start-up: one for every DWG release and one for DXF.
// The DWG set is a thin dispatcher: each operation goes to the byte-record reader (AC1002 to
// AC1009) or the bit-stream reader (AC1012 to AC1015) by the release the open sniffed, so the
// core sees one set, as it expects.
#pragma once

#include <cstdint>

#include "toolkit/core/reader_ops.h"

const TkReaderOps* tk_dwg_reader_ops();
const TkReaderOps* tk_dxf_reader_ops();

// The two DWG families, each filled by its own reader.
const TkReaderOps* dwg_old_reader_ops();  // AC1002 to AC1009
const TkReaderOps* dwg13_reader_ops();    // AC1012 to AC1015

// Installs the DWG set, then the DXF set, into the started toolkit; 0 before start-up.
int16_t tk_install_file_readers();
