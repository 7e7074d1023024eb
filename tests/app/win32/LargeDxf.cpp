#include "LargeDxf.h"

#include <cmath>
#include <cstdio>

namespace {

const double kSpan = 1000.0;
const double kPi = 3.14159265358979323846;

void Group(FILE* f, int code, const char* value) { std::fprintf(f, "%3d\n%s\n", code, value); }
void Group(FILE* f, int code, double value) { std::fprintf(f, "%3d\n%.6f\n", code, value); }

void Point(FILE* f, int code, double x, double y) {
  Group(f, code, x);
  Group(f, code + 10, y);
  Group(f, code + 20, 0.0);
}

void Line(FILE* f, double x1, double y1, double x2, double y2) {
  Group(f, 0, "LINE");
  Group(f, 8, "0");
  Point(f, 10, x1, y1);
  Point(f, 11, x2, y2);
}

}  // namespace

bool WriteLargeDxf(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "w");
  if (!f) return false;
  // A release 12 file needs no handles or tables: the header, the block and the entities.
  Group(f, 0, "SECTION");
  Group(f, 2, "HEADER");
  Group(f, 9, "$ACADVER");
  Group(f, 1, "AC1009");
  Group(f, 9, "$EXTMIN");
  Point(f, 10, 0.0, 0.0);
  Group(f, 9, "$EXTMAX");
  Point(f, 10, kSpan, kSpan);
  Group(f, 0, "ENDSEC");

  Group(f, 0, "SECTION");
  Group(f, 2, "BLOCKS");
  Group(f, 0, "BLOCK");
  Group(f, 8, "0");
  Group(f, 2, "PART");
  std::fprintf(f, " 70\n     0\n");
  Point(f, 10, 0.0, 0.0);
  Group(f, 3, "PART");
  for (int i = 0; i < 50; ++i) {
    if (i % 5 == 4) {
      Group(f, 0, "CIRCLE");
      Group(f, 8, "0");
      Point(f, 10, i, 0.0);
      Group(f, 40, 1.0);
    } else {
      Line(f, i, 0.0, i + 1.0, 1.0);
    }
  }
  Group(f, 0, "ENDBLK");
  Group(f, 8, "0");
  Group(f, 0, "ENDSEC");

  Group(f, 0, "SECTION");
  Group(f, 2, "ENTITIES");
  for (long i = 0; i < 1000000; ++i) {
    double x = std::fmod(i * 0.618, kSpan), y = std::fmod(i * 0.377, kSpan);
    Line(f, x, y, x + 3, y + 2);
  }
  for (long i = 0; i < 100000; ++i) {
    Group(f, 0, "ARC");
    Group(f, 8, "0");
    Point(f, 10, std::fmod(i * 0.618, kSpan), std::fmod(i * 0.377, kSpan));
    Group(f, 40, 2.0);
    Group(f, 50, 0.0);
    Group(f, 51, 2.5 * 180.0 / kPi);  // the toolkit's 2.5 radians, in the file's degrees
  }
  for (long i = 0; i < 100000; ++i) {
    Group(f, 0, "TEXT");
    Group(f, 8, "0");
    Point(f, 10, std::fmod(i * 0.618, kSpan), std::fmod(i * 0.377, kSpan));
    Group(f, 40, 2.0);
    Group(f, 1, "DRAWING TEXT 0123456");
  }
  for (long i = 0; i < 10000; ++i) {
    Group(f, 0, "INSERT");
    Group(f, 8, "0");
    Group(f, 2, "PART");
    Point(f, 10, std::fmod(i * 6.18, kSpan), std::fmod(i * 3.77, kSpan));
    Group(f, 41, 0.1);
    Group(f, 42, 0.1);
  }
  Group(f, 0, "ENDSEC");
  Group(f, 0, "EOF");
  bool written = !std::ferror(f);
  return std::fclose(f) == 0 && written;
}
