// Fuzzing the save road: any input the readers take as a drawing is saved as AC1015, AC1014 or
// AC1012 (by its last byte) into a private temporary folder. A save must end in a file or a
// clean error, with no leak and an output bounded by what the drawing holds.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/toolkit/read/dxf_support.h"
#include "toolkit/write/save.h"

namespace {

std::string out_path() {
  static std::string path = [] {
    char tmpl[] = "/tmp/vv-savefuzz-XXXXXX";
    if (!mkdtemp(tmpl)) std::abort();
    return std::string(tmpl) + "/out.dwg";
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool started = dxf_test::start_toolkit();
  if (!started) std::abort();
  if (size == 0) return 0;
  const TkVersion versions[3] = {TK_VERSION_AC1015, TK_VERSION_AC1014, TK_VERSION_AC1012};
  TkVersion version = versions[data[size - 1] % 3];
  bool dwg = size >= 4 && std::memcmp(data, "AC10", 4) == 0;
  TkDrawing* d = dxf_test::open_bytes(std::vector<uint8_t>(data, data + size),
                                      dwg ? "fuzz.dwg" : "fuzz.dxf");
  if (!d) return 0;
  std::string path = out_path();
  if (tk_save_drawing(d, path.c_str(), TK_FILE_DWG, version, 0, 16, 0, 0)) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) std::abort();
    // Every written record comes from the drawing: the file stays within a bound of its input.
    if (uint64_t(st.st_size) > 64 * uint64_t(size) + (1u << 20)) std::abort();
    std::remove(path.c_str());
  }
  tk_close_drawing(d);
  return 0;
}
