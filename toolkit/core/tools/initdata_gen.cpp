// Build-time generator of the toolkit's init data and of the two standalone shape fonts the
// program carries. It runs on the build machine only; nothing of it ships.
//
// The code-page tables come from the C library's iconv; the glyphs are our own, drawn from the
// public-domain Hershey stroke fonts (Roman simplex) plus tolerance symbols built here from
// lines and circles. Output, into the folder named first on the command line:
//   tk_initdata.bin       the init data stream tk_init_core reads
//   tk_initdata_blob.cpp  the same bytes as an array for the library
//   VVOEM.SHX, VVANSI.SHX shapes 1.1 fonts (DOS and Windows code points for the symbols)
#include <iconv.h>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "toolkit/core/codepage_names.h"
#include "toolkit/core/initdata.h"

namespace {

using Bytes = std::vector<uint8_t>;

void put16(Bytes& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

void put32(Bytes& out, uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}

[[noreturn]] void die(const std::string& why) {
  std::fprintf(stderr, "tk_initdata_gen: %s\n", why.c_str());
  std::exit(1);
}

// ---- glyphs ----------------------------------------------------------------------------------

struct Point {
  int x, y;
};

// A glyph in font units (y up, base line 0): pen strokes, full circles and the advance.
struct Glyph {
  std::vector<std::vector<Point>> strokes;
  struct Circle {
    int cx, cy, r;
  };
  std::vector<Circle> circles;
  int advance = 0;
};

// Hershey ".jhf" records: 5 columns glyph number, 3 columns vertex count, then the vertices as
// letter pairs offset from 'R' (y grows downwards); the first pair is the left and right edge,
// " R" lifts the pen. Long records continue on the next line.
std::vector<Glyph> read_hershey(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) die("cannot read " + path);
  std::string text;
  for (char c; in.get(c);)
    if (c != '\n' && c != '\r') text.push_back(c);
  std::vector<Glyph> glyphs;
  size_t at = 0;
  while (at + 8 <= text.size()) {
    int count = std::atoi(text.substr(at + 5, 3).c_str());
    at += 8;
    if (count < 1 || at + 2 * static_cast<size_t>(count) > text.size()) die("bad record in " + path);
    int left = text[at] - 'R';
    int right = text[at + 1] - 'R';
    Glyph g;
    g.advance = right - left;
    std::vector<Point> stroke;
    for (int i = 1; i < count; ++i) {
      char a = text[at + 2 * i];
      char b = text[at + 2 * i + 1];
      if (a == ' ' && b == 'R') {
        if (!stroke.empty()) g.strokes.push_back(stroke);
        stroke.clear();
        continue;
      }
      // Capitals stand from 9 below to 12 above Hershey's centre line: 21 units, our "above".
      stroke.push_back({(a - 'R') - left, 9 - (b - 'R')});
    }
    if (!stroke.empty()) g.strokes.push_back(stroke);
    glyphs.push_back(g);
    at += 2 * static_cast<size_t>(count);
  }
  return glyphs;
}

int8_t sbyte(int v) {
  if (v < -127 || v > 127) die("displacement out of range");
  return static_cast<int8_t>(v);
}

// Shape bytes: name, then pen moves as displacements (code 8 for pen-up moves, code 9 runs for
// strokes), circles as full octant arcs (code 10), a final move to the advance and code 0.
Bytes encode(const Glyph& g, const char* name) {
  Bytes out(name, name + std::strlen(name) + 1);
  Point at{0, 0};
  auto move = [&](Point to) {
    if (to.x == at.x && to.y == at.y) return;
    out.push_back(8);
    out.push_back(static_cast<uint8_t>(sbyte(to.x - at.x)));
    out.push_back(static_cast<uint8_t>(sbyte(to.y - at.y)));
    at = to;
  };
  out.push_back(2);
  for (const auto& stroke : g.strokes) {
    move(stroke[0]);
    out.push_back(1);
    out.push_back(9);
    for (size_t i = 1; i < stroke.size(); ++i) {
      int dx = stroke[i].x - at.x;
      int dy = stroke[i].y - at.y;
      if (dx == 0 && dy == 0) continue;  // 0,0 would end the run
      out.push_back(static_cast<uint8_t>(sbyte(dx)));
      out.push_back(static_cast<uint8_t>(sbyte(dy)));
      at = stroke[i];
    }
    out.push_back(0);
    out.push_back(0);
    out.push_back(2);
  }
  for (const auto& c : g.circles) {
    move({c.cx + c.r, c.cy});
    out.push_back(1);
    out.push_back(10);
    out.push_back(static_cast<uint8_t>(c.r));
    out.push_back(0x00);  // counter-clockwise from octant 0, all 8 octants
    out.push_back(2);
  }
  move({g.advance, 0});
  out.push_back(0);
  return out;
}

Bytes font_info(const char* name) {
  Bytes out(name, name + std::strlen(name) + 1);
  out.push_back(21);  // above
  out.push_back(6);   // below
  out.push_back(2);   // modes: horizontal and vertical
  out.push_back(0);
  return out;
}

Glyph line_feed() {
  Glyph g;
  return g;
}

std::vector<Point> arc_points(int cx, int cy, int r, double from, double to, int steps) {
  std::vector<Point> pts;
  for (int i = 0; i <= steps; ++i) {
    double a = from + (to - from) * i / steps;
    pts.push_back({static_cast<int>(std::lround(cx + r * std::cos(a))),
                   static_cast<int>(std::lround(cy + r * std::sin(a)))});
  }
  return pts;
}

Glyph make(std::vector<std::vector<Point>> strokes, std::vector<Glyph::Circle> circles, int advance) {
  Glyph g;
  g.strokes = std::move(strokes);
  g.circles = std::move(circles);
  g.advance = advance;
  return g;
}

Glyph degree() { return make({}, {{5, 18, 3}}, 10); }
Glyph plus_minus() { return make({{{8, 17}, {8, 7}}, {{2, 12}, {14, 12}}, {{2, 3}, {14, 3}}}, {}, 16); }
Glyph diameter() { return make({{{2, 1}, {16, 19}}}, {{9, 10, 7}}, 18); }

// Geometric-tolerance symbols on the lower-case letters, as drafting fonts place them.
std::map<char, Glyph> tolerance_symbols() {
  const double pi = 3.14159265358979323846;
  std::map<char, Glyph> m;
  m['a'] = make({{{16, 0}, {2, 0}, {14, 14}}}, {}, 18);                                  // angularity
  m['b'] = make({{{2, 0}, {16, 0}}, {{9, 0}, {9, 16}}}, {}, 18);                          // perpendicularity
  m['c'] = make({{{2, 2}, {12, 2}, {16, 12}, {6, 12}, {2, 2}}}, {}, 18);                  // flatness
  auto half = arc_points(9, 3, 7, 0, pi, 12);
  auto closed = half;
  closed.push_back(half.front());
  m['d'] = make({closed}, {}, 18);                                                         // surface profile
  m['e'] = make({}, {{9, 9, 7}}, 18);                                                      // circularity
  m['f'] = make({{{3, 0}, {9, 16}}, {{9, 0}, {15, 16}}}, {}, 18);                         // parallelism
  m['g'] = make({{{1, 0}, {7, 18}}, {{11, 0}, {17, 18}}}, {{9, 9, 5}}, 18);               // cylindricity
  m['h'] = make({{{2, 0}, {14, 14}}, {{8, 13}, {14, 14}, {13, 8}}}, {}, 18);               // circular runout
  m['i'] = make({{{4, 3}, {14, 3}}, {{1, 9}, {17, 9}}, {{4, 15}, {14, 15}}}, {}, 18);      // symmetry
  m['j'] = make({{{0, 9}, {18, 9}}, {{9, 0}, {9, 18}}}, {{9, 9, 6}}, 18);                  // position
  m['k'] = make({half}, {}, 18);                                                           // line profile
  m['l'] = make({{{6, 14}, {6, 4}, {13, 4}}}, {{9, 9, 9}}, 20);                            // least material
  m['m'] = make({{{5, 4}, {5, 14}, {9, 8}, {13, 14}, {13, 4}}}, {{9, 9, 9}}, 20);          // maximum material
  m['n'] = diameter();                                                                     // diameter
  m['o'] = make({{{2, 0}, {16, 0}, {16, 14}, {2, 14}, {2, 0}}}, {}, 18);                   // square
  m['p'] = make({{{6, 4}, {6, 14}, {11, 14}, {13, 12}, {13, 10}, {11, 9}, {6, 9}}}, {{9, 9, 9}}, 20);
  m['r'] = make({}, {{9, 9, 3}, {9, 9, 7}}, 18);                                           // concentricity
  m['s'] = make({{{13, 13}, {11, 14}, {7, 14}, {5, 12}, {6, 10}, {12, 8}, {13, 6}, {11, 4}, {7, 4}, {5, 5}}},
                {{9, 9, 9}}, 20);                                                          // regardless of size
  m['t'] = make({{{0, 0}, {18, 0}}, {{2, 0}, {10, 14}}, {{6, 12}, {10, 14}, {10, 10}},
                 {{8, 0}, {16, 14}}, {{12, 12}, {16, 14}, {16, 10}}}, {}, 18);             // total runout
  m['u'] = make({{{1, 8}, {17, 8}}}, {}, 18);                                              // straightness
  m['v'] = make({{{2, 14}, {2, 2}, {16, 2}, {16, 14}}}, {}, 18);                           // counterbore
  m['w'] = make({{{2, 14}, {9, 2}, {16, 14}}}, {}, 18);                                    // countersink
  m['x'] = make({{{9, 16}, {9, 2}}, {{5, 6}, {9, 2}, {13, 6}}, {{3, 2}, {15, 2}}}, {}, 18); // depth
  m['y'] = make({{{2, 4}, {16, 8}, {2, 12}, {2, 4}}}, {}, 18);                             // conical taper
  m['z'] = make({{{1, 2}, {17, 2}, {17, 12}, {1, 2}}}, {}, 18);                            // slope
  return m;
}

struct Font {
  std::vector<std::pair<uint16_t, Bytes>> shapes;  // sorted by code, code 0 first
};

Font build_font(const std::vector<Glyph>& simplex, const char* info_name, bool tolerance,
                const std::vector<std::pair<uint16_t, int>>& symbol_codes) {
  std::map<uint16_t, Bytes> by_code;
  by_code[0] = font_info(info_name);
  by_code[10] = encode(line_feed(), "");
  by_code[10].pop_back();
  by_code[10].insert(by_code[10].end(), {8, 0, static_cast<uint8_t>(-34), 0});
  auto symbols = tolerance_symbols();
  for (int c = 32; c <= 126; ++c) {
    const Glyph& g = simplex.at(static_cast<size_t>(c - 32));
    auto s = symbols.find(static_cast<char>(c));
    by_code[static_cast<uint16_t>(c)] = encode(tolerance && s != symbols.end() ? s->second : g, "");
  }
  const Glyph specials[3] = {degree(), plus_minus(), diameter()};
  for (const auto& [code, which] : symbol_codes) by_code[code] = encode(specials[which], "");
  Font f;
  for (auto& [code, bytes] : by_code) f.shapes.emplace_back(code, std::move(bytes));
  return f;
}

// ---- code pages ------------------------------------------------------------------------------

// The iconv name of each page; empty where no table is kept (pages 0 and 1 are never mapped).
const char* const iconv_names[42] = {
    "",        "",        "ISO-8859-1", "ISO-8859-2", "ISO-8859-3", "ISO-8859-4", "ISO-8859-5",
    "ISO-8859-6", "ISO-8859-7", "ISO-8859-8", "ISO-8859-9", "CP437", "CP850", "CP852", "CP855",
    "CP857",   "CP860",   "CP861",   "CP863",   "CP864",   "CP865",   "CP869",   "SJIS",
    "MACINTOSH", "BIG5",  "EUC-KR",  "JOHAB",   "CP866",   "CP1250",  "CP1251",  "CP1252",
    "GB2312",  "CP1253",  "CP1254",  "CP1255",  "CP1256",  "CP1257",  "CP874",   "CP932",
    "CP936",   "CP949",   "CP950",
};
const bool double_byte[42] = {
    false, false, false, false, false, false, false, false, false, false, false,
    false, false, false, false, false, false, false, false, false, false, false,
    true,  false, true,  true,  true,  false, false, false, false, true,  false,
    false, false, false, false, false, true,  true,  true,  true,
};

// One character of the page as a Unicode value in the basic plane, or 0.
uint16_t convert(iconv_t cd, const uint8_t* bytes, size_t n) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char in[2];
  std::memcpy(in, bytes, n);
  char* ip = in;
  size_t il = n;
  uint32_t out[2] = {0, 0};
  char* op = reinterpret_cast<char*>(out);
  size_t ol = sizeof out;
  if (iconv(cd, &ip, &il, &op, &ol) == static_cast<size_t>(-1) || il != 0) return 0;
  // Some pages (Hebrew, Vietnamese) hold a letter back in case a combining mark follows.
  if (iconv(cd, nullptr, nullptr, &op, &ol) == static_cast<size_t>(-1)) return 0;
  if (ol != sizeof out - 4 || out[0] > 0xFFFF) return 0;
  return static_cast<uint16_t>(out[0]);
}

void write_codepages(Bytes& out, std::vector<std::string>& unknown) {
  put16(out, 42);
  for (int p = 0; p < 42; ++p) {
    uint16_t single[256] = {};
    std::vector<std::pair<uint16_t, uint16_t>> pairs;
    if (*iconv_names[p]) {
      iconv_t cd = iconv_open("UTF-32LE", iconv_names[p]);
      if (cd == reinterpret_cast<iconv_t>(-1)) {
        unknown.push_back(tk_codepage_names[p]);
      } else {
        for (int b = 0; b < 256; ++b) {
          uint8_t byte = static_cast<uint8_t>(b);
          single[b] = convert(cd, &byte, 1);
        }
        if (double_byte[p]) {
          for (int lead = 0x81; lead <= 0xFE; ++lead) {
            for (int trail = 0x21; trail <= 0xFE; ++trail) {
              uint8_t two[2] = {static_cast<uint8_t>(lead), static_cast<uint8_t>(trail)};
              uint16_t v = convert(cd, two, 2);
              if (v) pairs.emplace_back(static_cast<uint16_t>(lead << 8 | trail), v);
            }
          }
        }
        iconv_close(cd);
      }
    }
    for (uint16_t v : single) put16(out, v);
    put32(out, static_cast<uint32_t>(pairs.size()));
    for (const auto& pr : pairs) put16(out, pr.first);
    for (const auto& pr : pairs) put16(out, pr.second);
  }
}

// ---- output ----------------------------------------------------------------------------------

void write_file(const std::string& path, const Bytes& data) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
  if (!out) die("cannot write " + path);
}

// The init-data form of a built-in font: its index as code and offset into the definition
// bytes, which follow as one block.
void append_font_block(Bytes& out, const Font& f, const Bytes& data_sizes_unused) {
  (void)data_sizes_unused;
  uint32_t offset = 0;
  for (const auto& [code, bytes] : f.shapes) {
    put16(out, code);
    put32(out, offset);
    offset += static_cast<uint32_t>(bytes.size());
  }
  for (const auto& s : f.shapes) out.insert(out.end(), s.second.begin(), s.second.end());
}

uint32_t data_size(const Font& f) {
  uint32_t n = 0;
  for (const auto& s : f.shapes) n += static_cast<uint32_t>(s.second.size());
  return n;
}

Bytes shx_file(const Font& f) {
  const char header[] = "AutoCAD-86 shapes 1.1\r\n\x1a";
  Bytes out(header, header + 24);
  put16(out, 0);
  put16(out, f.shapes.back().first);
  put16(out, static_cast<uint32_t>(f.shapes.size()));
  for (const auto& [code, bytes] : f.shapes) {
    put16(out, code);
    put16(out, static_cast<uint32_t>(bytes.size()));
  }
  for (const auto& s : f.shapes) out.insert(out.end(), s.second.begin(), s.second.end());
  const char tail[] = "EOF";
  out.insert(out.end(), tail, tail + 3);
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) die("usage: tk_initdata_gen OUTPUT-DIR HERSHEY-DIR");
  const std::string dir = argv[1];
  auto simplex = read_hershey(std::string(argv[2]) + "/rowmans.jhf");
  if (simplex.size() < 95) die("rowmans.jhf holds fewer than 95 glyphs");

  const Font fonts[2] = {
      build_font(simplex, "Vellview simplex", false, {{256, 0}, {257, 1}, {258, 2}}),
      build_font(simplex, "Vellview tolerance symbols", true,
                 {{127, 0}, {128, 1}, {129, 2}, {256, 0}, {257, 1}, {258, 2}}),
  };
  const uint16_t entries[2] = {100, 103};
  Bytes out;
  const char banner[] = "Vellview toolkit init data, layout G";
  out.insert(out.end(), banner, banner + sizeof banner);
  for (int i = 0; i < 2; ++i) {
    if (fonts[i].shapes.size() != entries[i]) die("built-in font has the wrong glyph count");
    if (data_size(fonts[i]) > TK_INITDATA_MAX_FONT_DATA) die("built-in font too large");
    put32(out, data_size(fonts[i]));
  }
  for (const auto& f : fonts) append_font_block(out, f, {});
  std::vector<std::string> unknown;
  write_codepages(out, unknown);
  for (const auto& name : unknown)
    std::fprintf(stderr, "tk_initdata_gen: iconv does not know code page %s: empty table\n",
                 name.c_str());

  write_file(dir + "/tk_initdata.bin", out);
  std::ostringstream src;
  src << "// Generated by tk_initdata_gen at build time; not edited, not committed.\n"
         "#include \"toolkit/core/initdata.h\"\n\nconst uint8_t tk_initdata_builtin[] = {";
  for (size_t i = 0; i < out.size(); ++i) src << (i % 24 ? "," : ",\n") << unsigned(out[i]);
  src << "};\nconst size_t tk_initdata_builtin_size = sizeof tk_initdata_builtin;\n";
  std::string text = src.str();
  text.erase(text.find("{,") + 1, 1);
  write_file(dir + "/tk_initdata_blob.cpp", Bytes(text.begin(), text.end()));

  // The standalone fonts: DOS (code page 850) and Windows (1252) positions for degree,
  // plus-minus and diameter, and the shapes 1.1 positions 256-258 in both.
  write_file(dir + "/VVOEM.SHX",
             shx_file(build_font(simplex, "Vellview simplex OEM", false,
                                 {{157, 2}, {241, 1}, {248, 0}, {256, 0}, {257, 1}, {258, 2}})));
  write_file(dir + "/VVANSI.SHX",
             shx_file(build_font(simplex, "Vellview simplex ANSI", false,
                                 {{176, 0}, {177, 1}, {216, 2}, {256, 0}, {257, 1}, {258, 2}})));
  return 0;
}
