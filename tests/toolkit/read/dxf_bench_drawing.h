// The generated drawing of the DXF benchmarks: an AC1015 drawing of many
// entities of many kinds, as text or binary DXF, for the load benchmark and for
// the benchmarks that save what it loads.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/toolkit/read/dxf_support.h"

namespace dxf_bench {

// Text and binary writers of the same groups.
struct Writer {
  bool binary;
  dxf_test::TextDxf text;
  dxf_test::BinaryDxf bin{true};
  explicit Writer(bool b) : binary(b) {}
  Writer& s(int code, const std::string& v) {
    if (binary) {
      bin.s(code, v);
    } else {
      text.g(code, v);
    }
    return *this;
  }
  Writer& d(int code, double v) {
    if (binary) {
      bin.d(code, v);
    } else {
      char b[32];
      std::snprintf(b, sizeof b, "%.6f", v);
      text.g(code, b);
    }
    return *this;
  }
  Writer& i(int code, int16_t v) {
    if (binary) {
      bin.i16(code, v);
    } else {
      text.g(code, std::to_string(v));
    }
    return *this;
  }
  Writer& l(int code, int32_t v) {
    if (binary) {
      bin.code(code);
      for (int k = 0; k < 4; ++k) bin.out.push_back(uint8_t(uint32_t(v) >> (8 * k)));
    } else {
      text.g(code, std::to_string(v));
    }
    return *this;
  }
  size_t size() const { return binary ? bin.out.size() : text.out.size(); }
  std::vector<uint8_t> bytes() const {
    return binary ? bin.out : std::vector<uint8_t>(text.out.begin(), text.out.end());
  }
};

inline const char* hex(uint32_t h) {
  static char hex_buffer[17];
  std::snprintf(hex_buffer, sizeof hex_buffer, "%X", h);
  return hex_buffer;
}

// An AC1015 drawing of about `target` bytes: lines, circles, arcs, texts, light
// polylines, 2D polylines with vertices, inserts of a block, multiline texts,
// hatches with line, arc and polyline boundaries and a pattern, splines,
// dimensions and entities with extended data, on a few layers.
inline std::vector<uint8_t> generate(bool binary, size_t target) {
  Writer w(binary);
  w.s(0, "SECTION")
      .s(2, "HEADER")
      .s(9, "$ACADVER")
      .s(1, "AC1015")
      .s(9, "$HANDSEED")
      .s(5, "FFFFFFF");
  w.s(0, "ENDSEC");
  w.s(0, "SECTION").s(2, "CLASSES").s(0, "CLASS").s(1, "LWPOLYLINE").s(2, "AcDbPolyline");
  w.s(3, "ObjectDBX Classes").l(90, 0).i(280, 0).i(281, 1);
  w.s(0, "CLASS").s(1, "HATCH").s(2, "AcDbHatch").s(3, "ObjectDBX Classes").l(90, 0).i(280, 0);
  w.i(281, 1).s(0, "ENDSEC");
  w.s(0, "SECTION").s(2, "TABLES").s(0, "TABLE").s(2, "LAYER").s(5, "2").i(70, 4);
  const char* layers[] = {"0", "WALLS", "DOORS", "TEXT"};
  for (int k = 0; k < 4; ++k) w.s(0, "LAYER").s(5, hex(0x10 + k)).s(2, layers[k]).i(70, 0).i(62, 7);
  w.s(0, "ENDTAB");
  w.s(0, "TABLE").s(2, "APPID").s(5, "3").i(70, 1);
  w.s(0, "APPID").s(5, "18").s(2, "SURVEY").i(70, 0).s(0, "ENDTAB");
  w.s(0, "TABLE").s(2, "DIMSTYLE").s(5, "4").i(70, 1);
  w.s(0, "DIMSTYLE").s(105, "19").s(2, "STANDARD").i(70, 0).s(0, "ENDTAB").s(0, "ENDSEC");
  w.s(0, "SECTION").s(2, "BLOCKS").s(0, "BLOCK").s(5, "20").s(8, "0").s(2, "DOOR").i(70, 0);
  w.d(10, 0).d(20, 0).d(30, 0).s(3, "DOOR");
  w.s(0, "LINE").s(5, "21").s(8, "0").d(10, 0).d(20, 0).d(30, 0).d(11, 1).d(21, 1).d(31, 0);
  w.s(0, "ENDBLK").s(5, "22").s(8, "0");
  w.s(0, "BLOCK").s(5, "23").s(8, "0").s(2, "*D1").i(70, 1).d(10, 0).d(20, 0).d(30, 0);
  w.s(3, "*D1").s(0, "LINE").s(5, "24").s(8, "0").d(10, 0).d(20, 0).d(30, 0).d(11, 2);
  w.d(21, 0).d(31, 0).s(0, "ENDBLK").s(5, "25").s(8, "0").s(0, "ENDSEC");
  w.s(0, "SECTION").s(2, "ENTITIES");
  uint32_t handle = 0x100;
  for (uint32_t n = 0; w.size() < target; ++n) {
    double x = n % 1000, y = n / 1000.0;
    const char* layer = layers[n % 4];
    switch (n % 12) {
      case 0:
        w.s(0, "LINE").s(5, hex(handle++)).s(8, layer).d(10, x).d(20, y).d(30, 0).d(11, x + 1);
        w.d(21, y + 1).d(31, 0);
        break;
      case 1:
        w.s(0, "CIRCLE").s(5, hex(handle++)).s(8, layer).i(62, 3).d(10, x).d(20, y).d(30, 0);
        w.d(40, 2.5);
        break;
      case 2:
        w.s(0, "ARC").s(5, hex(handle++)).s(8, layer).d(10, x).d(20, y).d(30, 0).d(40, 1.5);
        w.d(50, 10).d(51, 170);
        break;
      case 3:
        w.s(0, "TEXT").s(5, hex(handle++)).s(8, "TEXT").d(10, x).d(20, y).d(30, 0).d(40, 0.25);
        w.s(1, "Room " + std::to_string(n)).d(50, 0);
        break;
      case 4:
        w.s(0, "LWPOLYLINE").s(5, hex(handle++)).s(8, layer).l(90, 4).i(70, 1);
        for (int v = 0; v < 4; ++v) w.d(10, x + v).d(20, y + (v & 1));
        break;
      case 5:
        w.s(0, "POLYLINE").s(5, hex(handle++)).s(8, layer).i(66, 1).d(10, 0).d(20, 0).d(30, 0);
        w.i(70, 8);
        for (int v = 0; v < 3; ++v) {
          w.s(0, "VERTEX").s(5, hex(handle++)).s(8, layer).d(10, x + v).d(20, y).d(30, v);
          w.i(70, 32);
        }
        w.s(0, "SEQEND").s(5, hex(handle++)).s(8, layer);
        break;
      case 6:
        w.s(0, "INSERT").s(5, hex(handle++)).s(8, "DOORS").s(2, "DOOR").d(10, x).d(20, y);
        w.d(30, 0).d(41, 1).d(42, 1).d(43, 1).d(50, 90);
        break;
      case 7:
        w.s(0, "MTEXT").s(5, hex(handle++)).s(8, "TEXT").d(10, x).d(20, y).d(30, 0).d(40, 0.2);
        w.d(41, 10).i(71, 1).s(1, "Multiline {\\fArial;note} " + std::to_string(n));
        break;
      case 8:
        // A polyline path with bulges, and a path of a line and an arc edge,
        // under a pattern.
        w.s(0, "HATCH").s(5, hex(handle++)).s(8, layer).d(10, 0).d(20, 0).d(30, 0);
        w.s(2, "ANSI31").i(70, 0).i(71, 0).l(91, 2);
        w.l(92, 2).i(72, 1).i(73, 1).l(93, 4);
        for (int v = 0; v < 4; ++v) w.d(10, x + (v & 1)).d(20, y + (v >> 1)).d(42, v ? 0 : 0.4);
        w.l(97, 0);
        w.l(92, 1).l(93, 2).i(72, 1).d(10, x).d(20, y).d(11, x + 1).d(21, y);
        w.i(72, 2).d(10, x + 0.5).d(20, y).d(40, 0.5).d(50, 0).d(51, 180).i(73, 1).l(97, 0);
        w.i(75, 0).i(76, 1).d(52, 0).d(41, 1).i(77, 0).i(78, 1);
        w.d(53, 45).d(43, 0).d(44, 0).d(45, -0.1).d(46, 0.1).i(79, 2).d(49, 0.2).d(49, -0.1);
        w.l(98, 1).d(10, x + 0.5).d(20, y + 0.5);
        break;
      case 9:
        w.s(0, "SPLINE").s(5, hex(handle++)).s(8, layer).d(210, 0).d(220, 0).d(230, 1);
        w.i(70, 8).i(71, 3).i(72, 8).i(73, 4).i(74, 0).d(42, 1e-9).d(43, 1e-9);
        for (double k : {0, 0, 0, 0, 1, 1, 1, 1}) w.d(40, k);
        for (int v = 0; v < 4; ++v) w.d(10, x + v).d(20, y + (v & 1)).d(30, 0);
        break;
      case 10:
        w.s(0, "DIMENSION").s(5, hex(handle++)).s(8, layer).s(2, "*D1").d(10, x + 2);
        w.d(20, y + 1).d(30, 0).d(11, x + 1).d(21, y + 1.2).d(31, 0).i(70, 32).s(1, "");
        w.s(3, "STANDARD").d(13, x).d(23, y).d(33, 0).d(14, x + 2).d(24, y).d(34, 0).d(50, 0);
        break;
      default:
        // A line with extended data of several kinds.
        w.s(0, "LINE").s(5, hex(handle++)).s(8, layer).d(10, x).d(20, y).d(30, 0).d(11, x);
        w.d(21, y + 2).d(31, 0).s(1001, "SURVEY").s(1000, "station " + std::to_string(n));
        w.s(1002, "{").d(1010, x).d(1020, y).d(1030, 0).d(1040, 12.5).i(1070, 3);
        w.l(1071, int32_t(n)).s(1002, "}");
        break;
    }
  }
  w.s(0, "ENDSEC").s(0, "EOF");
  return w.bytes();
}

}  // namespace dxf_bench
