// vv_save_drawing: opens any drawing the toolkit reads and saves it, printing what it wrote and
// what it could not write. Test-only; what the tests and anyone checking the writer use.
//   vv_save_drawing [--version AC1002..AC1015] [--dxf|--binary-dxf] IN OUT
#include <cstdio>
#include <cstring>

#include "tests/toolkit/core/core_support.h"
#include "toolkit/core/drawing_life.h"
#include "toolkit/core/error.h"
#include "toolkit/core/load.h"
#include "toolkit/read/readers.h"
#include "toolkit/write/save.h"

namespace {

uint32_t g_warnings = 0;

void count_warning(int16_t, const TkHandle*) { ++g_warnings; }

int usage(const char* self) {
  std::fprintf(stderr, "usage: %s [--version AC1002..AC1015] [--dxf|--binary-dxf] IN OUT\n",
               self);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  TkVersion version = TK_VERSION_AC1015;
  int first = 1;
  if (first + 1 < argc && !std::strcmp(argv[first], "--version")) {
    const char* names[] = {"AC1002", "AC1003", "AC1004", "AC1006",
                           "AC1009", "AC1012", "AC1014", "AC1015"};
    version = -1;
    for (int i = 0; i < 8; ++i)
      if (!std::strcmp(argv[first + 1], names[i])) version = TkVersion(i);
    if (version < 0) return usage(argv[0]);
    first += 2;
  }
  uint8_t kind = TK_FILE_DWG;
  if (first < argc && !std::strcmp(argv[first], "--dxf")) kind = TK_FILE_TEXT_DXF, ++first;
  if (first < argc && !std::strcmp(argv[first], "--binary-dxf")) kind = TK_FILE_BINARY_DXF, ++first;
  if (argc - first != 2) return usage(argv[0]);
  core_test::serve_init_data(core_test::builtin_init_data());
  uint16_t status = 0;
  if (!tk_init_core(nullptr, 1, &status) || !tk_install_file_readers()) {
    std::fprintf(stderr, "the toolkit did not start (status %u)\n", status);
    return 1;
  }
  tk_set_warning_callback(count_warning);
  TkDrawing* d = tk_open_drawing(argv[first], 1, 0);
  if (!d) {
    std::fprintf(stderr, "%s: not opened: %s\n", argv[first], tk_error_text(tk_get_last_error()));
    tk_shutdown_core();
    return 1;
  }
  int16_t ok = tk_save_drawing(d, argv[first + 1], kind, version, 0, 16, 0, 1);
  const TkSaveReport* r = tk_last_save_report();
  if (ok)
    std::printf("%s -> %s: %u entities, %u objects written; %u entities, %u objects not written\n",
                argv[first], argv[first + 1], r->entities_written, r->objects_written,
                r->entities_dropped, r->objects_dropped);
  else
  {
    TkHandle failing;
    std::memcpy(failing.bytes, tk_state->failing_handle, 8);
    char hex[20];
    handle_to_hex(&failing, hex);
    std::fprintf(stderr, "%s: not saved: %s (handle %s)\n", argv[first],
                 tk_error_text(tk_get_last_error()), hex);
  }
  tk_close_drawing(d);
  tk_shutdown_core();
  return ok ? 0 : 1;
}
