// The toolkit's init data as the build generated it (code-page tables and the two built-in
// shape fonts), compiled into the library so a program can hand it to tk_init_core through the
// init-data hooks. Its byte layout is private to the generator and tk_init_core.
#pragma once

#include <cstddef>
#include <cstdint>

extern const uint8_t tk_initdata_builtin[];
extern const size_t tk_initdata_builtin_size;

// Layout limits the generator keeps and start-up enforces, so a damaged stream cannot make the
// toolkit allocate without bound.
enum : uint32_t {
  TK_INITDATA_MAX_FONT_DATA = 65536,
  TK_INITDATA_MAX_DOUBLE_CODES = 65536,
  TK_INITDATA_MAX_BANNER = 256,
};
