// The large generated drawing of the regeneration benchmark, written as a text DXF so the
// program can open it as a file: 1,000,000 lines, 100,000 arcs, 100,000 texts of 20 characters
// and 10,000 insertions of a 50-entity block, at the same places as in that benchmark.
#pragma once

#include <string>

// Writes the drawing to path; false when the file cannot be written whole.
bool WriteLargeDxf(const std::string& path);
