// vv_render_drawing: renders drawings into PNG files so a person can look at what display
// generation makes of them. Test-only; native build.
//   vv_render_drawing [--model|--paper] [--stats] [--size WxH] [--out DIR] FILE...
// Each FILE.dwg/.dxf, or a Calcomp or HP-GL plot file (converted as the program converts it when
// no drawing reader takes it), becomes DIR/FILE.png (DIR defaults to the current folder); the
// drawing's own space is shown unless --model asks for model space or --paper for its current
// paper-space layout. --stats prints, after each drawing's line, one line per entity kind the
// shown space met: "stats KIND drawn N passed-over M".
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "png_render.h"
#include "tests/toolkit/core/core_support.h"
#include "toolkit/core/class_list.h"
#include "toolkit/core/display_block.h"
#include "toolkit/core/drawing_life.h"
#include "toolkit/core/load.h"
#include "toolkit/display/font.h"
#include "toolkit/display/regen.h"
#include "toolkit/display/regen_kinds.h"
#include "toolkit/read/readers.h"
#include "vector/model/DrawingBuild.h"
#include "vector/model/Tavelo.h"

namespace {

// The DXF name of an entity kind: a fixed kind's own, a class kind's from the drawing's classes.
std::string kind_name(TkDrawing* d, uint16_t kind) {
  if (kind <= TK_LAST_FIXED_KIND) return tk_entity_kind_name(kind);
  if (kind == uint16_t(TK_CLASS_ITEM_ENTITY)) return "ACAD_PROXY_ENTITY";
  TkClassRecord c;
  class_list_rewind(d);
  while (class_list_next(d, &c))
    if (c.number == kind) return c.dxf_name;
  return "KIND" + std::to_string(kind);
}

void print_stats(TkDrawing* d) {
  const TkRegenContext& r = tk_regen;
  const size_t n = std::max(r.kind_drawn.size(), r.kind_passed.size());
  for (size_t k = 0; k < n; ++k) {
    uint32_t drawn = k < r.kind_drawn.size() ? r.kind_drawn[k] : 0;
    uint32_t passed = k < r.kind_passed.size() ? r.kind_passed[k] : 0;
    if (drawn || passed)
      std::printf("stats %s drawn %u passed-over %u\n", kind_name(d, uint16_t(k)).c_str(), drawn, passed);
  }
}

}  // namespace

int main(int argc, char** argv) {
  bool model = false, paper = false, stats = false;
  int width = 1600, height = 1200;
  std::string out = ".";
  int first = 1;
  for (; first < argc && argv[first][0] == '-'; ++first) {
    if (!std::strcmp(argv[first], "--model")) {
      model = true;
    } else if (!std::strcmp(argv[first], "--paper")) {
      paper = true;
    } else if (!std::strcmp(argv[first], "--stats")) {
      stats = true;
    } else if (!std::strcmp(argv[first], "--size") && first + 1 < argc) {
      if (std::sscanf(argv[++first], "%dx%d", &width, &height) != 2 || width < 16 || height < 16 ||
          width > 10000 || height > 10000) {
        std::fprintf(stderr, "bad size\n");
        return 2;
      }
    } else if (!std::strcmp(argv[first], "--out") && first + 1 < argc) {
      out = argv[++first];
    } else {
      std::fprintf(stderr, "usage: %s [--model|--paper] [--stats] [--size WxH] [--out DIR] FILE...\n", argv[0]);
      return 2;
    }
  }
  if (first >= argc) {
    std::fprintf(stderr, "usage: %s [--model|--paper] [--stats] [--size WxH] [--out DIR] FILE...\n", argv[0]);
    return 2;
  }
  core_test::serve_init_data(core_test::builtin_init_data());
  uint16_t status = 0;
  if (!tk_init_core(nullptr, 1, &status) || !tk_install_file_readers() || !tk_init()) {
    std::fprintf(stderr, "the toolkit did not start (status %u)\n", status);
    return 1;
  }
  regen_install_core_hooks();
  font_install_hooks();
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
    // Paper space is the drawing's own space while it is saved so; the renderer keeps what it
    // is given and gives back the drawing's choice.
    const int16_t saved_tilemode = d->header ? d->header->tilemode : 1;
    if (paper && !model && !converted && d->header) d->header->tilemode = 0;
    int16_t ok = display_test::render_drawing(d, width, height, png, model || converted);
    if (d->header) d->header->tilemode = saved_tilemode;
    std::printf("%s -> %s%s\n", path.c_str(), png.c_str(), ok ? "" : " (regeneration failed)");
    if (stats) print_stats(d);
    if (!ok) ++failures;
    tk_close_drawing(d);
  }
  tk_shutdown();
  tk_shutdown_core();
  return failures ? 1 : 0;
}
