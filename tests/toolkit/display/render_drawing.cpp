// vv_render_drawing: renders drawings into PNG files so a person can look at what display
// generation makes of them. Test-only; native build.
//   vv_render_drawing [--model] [--size WxH] [--out DIR] FILE...
// Each FILE.dwg/.dxf, or a Calcomp or HP-GL plot file (converted as the program converts it when
// no drawing reader takes it), becomes DIR/FILE.png (DIR defaults to the current folder); the drawing's
// own space is shown unless --model asks for model space.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "png_render.h"
#include "tests/toolkit/core/core_support.h"
#include "toolkit/core/display_block.h"
#include "toolkit/core/drawing_life.h"
#include "toolkit/core/load.h"
#include "toolkit/display/regen.h"
#include "toolkit/read/readers.h"
#include "vector/model/DrawingBuild.h"
#include "vector/model/Tavelo.h"

int main(int argc, char** argv) {
  bool model = false;
  int width = 1600, height = 1200;
  std::string out = ".";
  int first = 1;
  for (; first < argc && argv[first][0] == '-'; ++first) {
    if (!std::strcmp(argv[first], "--model")) {
      model = true;
    } else if (!std::strcmp(argv[first], "--size") && first + 1 < argc) {
      if (std::sscanf(argv[++first], "%dx%d", &width, &height) != 2 || width < 16 || height < 16 ||
          width > 10000 || height > 10000) {
        std::fprintf(stderr, "bad size\n");
        return 2;
      }
    } else if (!std::strcmp(argv[first], "--out") && first + 1 < argc) {
      out = argv[++first];
    } else {
      std::fprintf(stderr, "usage: %s [--model] [--size WxH] [--out DIR] FILE...\n", argv[0]);
      return 2;
    }
  }
  if (first >= argc) {
    std::fprintf(stderr, "usage: %s [--model] [--size WxH] [--out DIR] FILE...\n", argv[0]);
    return 2;
  }
  core_test::serve_init_data(core_test::builtin_init_data());
  uint16_t status = 0;
  if (!tk_init_core(nullptr, 1, &status) || !tk_install_file_readers() || !tk_init()) {
    std::fprintf(stderr, "the toolkit did not start (status %u)\n", status);
    return 1;
  }
  int failures = 0;
  for (int i = first; i < argc; ++i) {
    std::string path = argv[i];
    std::string base = path.substr(path.find_last_of("/\\") + 1);
    std::string png = out + "/" + base + ".png";
    TkDrawing* d = tk_open_drawing(path.c_str(), 1, 0);
    bool converted = false;
    if (!d) {
      CalcompResult calcomp = kCalcompConverted;
      d = ConvertCalcompFile(path.c_str(), &calcomp);
      converted = d != nullptr;
    }
    if (!d) {
      int status = 0;
      d = ConvertHpglFile(path.c_str(), nullptr, &status);
      converted = d != nullptr;
    }
    if (!d) {
      std::fprintf(stderr, "%s: not opened: %s\n", path.c_str(), tk_error_text(tk_get_last_error()));
      ++failures;
      continue;
    }
    int16_t ok = display_test::render_drawing(d, width, height, png, model || converted);
    std::printf("%s -> %s%s\n", path.c_str(), png.c_str(), ok ? "" : " (regeneration failed)");
    if (!ok) ++failures;
    tk_close_drawing(d);
  }
  tk_shutdown();
  tk_shutdown_core();
  return failures ? 1 : 0;
}
