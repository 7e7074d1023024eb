// The shape interpreter (one character's definition bytes to strokes), the string decoder and
// the single-line text routines built on them. Every count the bytes carry is bounded: the
// position stack holds five points, subshapes nest at most TK_SHAPE_MAX_NESTING deep, a zero
// scale divisor is ignored and a definition ends at its 0 code or at the end of the font.
#include "toolkit/display/shx.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "toolkit/core/blob.h"
#include "toolkit/core/hdr.h"
#include "toolkit/core/matrix.h"
#include "toolkit/core/mem.h"
#include "toolkit/core/object.h"
#include "toolkit/core/truetype.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kTwoPi = 2 * kPi;
// A definition longer than this is damaged (real ones are a few hundred bytes at most).
constexpr int kMaxCommands = 65536;

const double kDirections[16][2] = {{1, 0},    {1, 0.5},   {1, 1},     {0.5, 1},
                                   {0, 1},    {-0.5, 1},  {-1, 1},    {-1, 0.5},
                                   {-1, 0},   {-1, -0.5}, {-1, -1},   {-0.5, -1},
                                   {0, -1},   {0.5, -1},  {1, -1},    {1, -0.5}};

void line_stroke(TkShapeContext* ctx, const double a[3], const double b[3], bool pen_down,
                 bool visible) {
  if (ctx->box) {
    if (visible) {
      double bx[6] = {ctx->box[0], ctx->box[1], 0, ctx->box[4], ctx->box[5], 0};
      regen_extents_add_segment(a, b, bx, ctx->box_matrix);
      ctx->box[0] = bx[0];
      ctx->box[1] = bx[1];
      ctx->box[4] = bx[3];
      ctx->box[5] = bx[4];
    }
    return;
  }
  if (!pen_down || !ctx->draw || !ctx->matrices) return;
  double p[3] = {a[0], a[1], 0}, q[3] = {b[0], b[1], 0};
  regen_line(ctx->drawing, p, q, ctx->transform, ctx->matrices, nullptr, ctx->drawing, nullptr,
             ++tk_regen.run_counter, 0.0);
}

void arc_stroke(TkShapeContext* ctx, const double c[3], double a0, double a1, double r,
                bool pen_down, bool visible) {
  if (!std::isfinite(a0) || !std::isfinite(a1) || !std::isfinite(r)) return;
  // An arc costs as much as the pieces it is drawn with.
  double pieces = std::fabs(a1 - a0) * 32 / kPi;
  int n = pieces < 256 ? int(pieces) : 256;
  ctx->steps_left -= ctx->box ? n : 40;
  if (ctx->box) {
    if (!visible) return;
    double p[3] = {c[0] + r * std::cos(a0), c[1] + r * std::sin(a0), 0};
    for (int i = 1; i <= n; ++i) {
      double a = a0 + (a1 - a0) * i / n;
      double q[3] = {c[0] + r * std::cos(a), c[1] + r * std::sin(a), 0};
      line_stroke(ctx, p, q, true, true);
      std::memcpy(p, q, sizeof p);
    }
    return;
  }
  if (!pen_down || !ctx->draw || !ctx->matrices) return;
  double centre[3] = {c[0], c[1], 0};
  regen_arc(ctx->drawing, centre, a0, a1, r, ctx->transform, ctx->matrices, 1, nullptr,
            ctx->drawing, nullptr, nullptr);
}

int8_t sbyte(TkFont* f) { return static_cast<int8_t>(font_next_byte(f)); }

bool in_escape_range(const TkFont* big, uint16_t value) {
  for (uint16_t i = 0; big && i < big->escape_range_count && i < TK_FONT_ESCAPE_RANGES; ++i)
    if (big->escape_ranges[i][0] <= value && value <= big->escape_ranges[i][1]) return true;
  return false;
}

// Consumes one command's operands without executing it (the vertical-only command in
// horizontal text).
void skip_command(TkShapeContext* ctx, TkFont* f, uint8_t code) {
  switch (code) {
    case 3: case 4: font_next_byte(f); break;
    case 7:
      if (f->kind == TK_FONT_UNIFONT) {
        font_next_byte(f);
        font_next_byte(f);
      } else if (f->kind == TK_FONT_BIG && font_next_byte(f) == 0) {
        uint8_t n = font_next_byte(f);
        if (in_escape_range(f, n)) font_next_byte(f);
        font_next_byte(f);
        font_next_byte(f);
        if (f->big_width) font_next_byte(f);
        if (f->big_height) font_next_byte(f);
      } else if (f->kind != TK_FONT_BIG) {
        font_next_byte(f);
      }
      break;
    case 8: font_next_byte(f); font_next_byte(f); break;
    case 9:
      for (int i = 0; i < kMaxCommands && --ctx->steps_left >= 0; ++i) {
        int8_t dx = sbyte(f), dy = sbyte(f);
        if (!dx && !dy) break;
      }
      break;
    case 10: font_next_byte(f); font_next_byte(f); break;
    case 11: for (int i = 0; i < 5; ++i) font_next_byte(f); break;
    case 12: font_next_byte(f); font_next_byte(f); font_next_byte(f); break;
    case 13:
      for (int i = 0; i < kMaxCommands && --ctx->steps_left >= 0; ++i) {
        int8_t dx = sbyte(f), dy = sbyte(f);
        if (!dx && !dy) break;
        font_next_byte(f);
      }
      break;
    default: break;
  }
  (void)ctx;
}

void bulge_arc(TkShapeContext* ctx, double cur[3], double dx, double dy, int8_t b,
               bool pen_down, bool visible) {
  double end[3] = {cur[0] + dx, cur[1] + dy, 0};
  if (b == 0) {
    line_stroke(ctx, cur, end, pen_down, visible);
    std::memcpy(cur, end, 3 * sizeof(double));
    return;
  }
  double len = std::hypot(dx, dy);
  double h = len * b / 254.0;
  double t = std::atan2(dy, dx);
  double mid[2] = {cur[0] + dx / 2, cur[1] + dy / 2};
  double p[2] = {mid[0] + h * std::cos(t - kPi / 2), mid[1] + h * std::sin(t - kPi / 2)};
  double s0[3] = {cur[0], cur[1], 0}, s1[3] = {p[0], p[1], 0}, s2[3] = {end[0], end[1], 0};
  double normal[4], centre[3];
  tk_circle_centre_3pt(s0, s1, s2, normal, centre);
  double r = std::hypot(cur[0] - centre[0], cur[1] - centre[1]);
  double a0 = std::atan2(cur[1] - centre[1], cur[0] - centre[0]);
  double a1 = std::atan2(end[1] - centre[1], end[0] - centre[0]);
  if (b < 0) std::swap(a0, a1);
  if (a1 < a0) a1 += kTwoPi;
  arc_stroke(ctx, centre, a0, a1, r, pen_down, visible);
  std::memcpy(cur, end, 3 * sizeof(double));
}

void interpret(TkShapeContext* ctx, TkFont* f, uint8_t toggles);

// A glyph segment of the application goes the way of a shape stroke: into the box when
// measuring, else through the linetype walk to the device.
void glyph_line(void* target, TkDrawing*, const double from[2], const double to[2]) {
  double a[3] = {from[0], from[1], 0}, b[3] = {to[0], to[1], 0};
  line_stroke(static_cast<TkShapeContext*>(target), a, b, true, true);
}

// A filled glyph: its contours (each a chain of segments, taken by their start points) are one
// region, so holes stay open. While measuring, or where nothing is drawn, its segments go the
// line's way, as do contours of fewer than three segments, which enclose nothing.
void glyph_fill(void* target, TkDrawing* drawing, const TkTrueTypeGlyph* glyph) {
  auto* ctx = static_cast<TkShapeContext*>(target);
  std::vector<double> pts, segs;
  std::vector<int32_t> counts;
  bool filled = !ctx->box && ctx->draw && ctx->matrices;
  for (int32_t c = 0; c < glyph->contour_count; ++c) {
    TkBlob* reader = glyph->contours && glyph->contours[c] ? blob_open_read(glyph->contours[c])
                                                            : nullptr;
    if (!reader) continue;
    segs.clear();
    double seg[4];
    for (int32_t k = 0; k < glyph->segment_counts[c] && blob_read(reader, seg, sizeof seg); ++k)
      segs.insert(segs.end(), seg, seg + 4);
    blob_close(reader);
    size_t n = segs.size() / 4;
    if (!filled || n < 3) {
      for (size_t k = 0; k < n; ++k) glyph_line(ctx, drawing, &segs[4 * k], &segs[4 * k + 2]);
      continue;
    }
    for (size_t k = 0; k < n; ++k) pts.insert(pts.end(), {segs[4 * k], segs[4 * k + 1], 0.0});
    counts.push_back(int32_t(n));
  }
  if (counts.empty()) return;
  regen_fill_region(ctx->drawing, reinterpret_cast<const double(*)[3]>(pts.data()), counts.data(),
                    int32_t(counts.size()), ctx->matrices);
}

// One TrueType character: the application (slot 30) gives its outline at the pen, which then
// moves by the glyph's advance.
void truetype_char(TkShapeContext* ctx, uint16_t code) {
  TkTrueTypeFontSpec spec{};
  const TkTrueTypeRequest& request = ctx->font->truetype;
  const char* path = request.file[0] ? request.file : request.face;
  size_t n = strnlen(path, sizeof request.file);
  std::memcpy(spec.path, path, n);
  // All ones are the style bits of a style that gives none: the ordinary character set then.
  spec.charset = request.style == 0xFFFFFFFFu ? 0 : uint8_t(request.style >> 8);
  TkGlyphOutput out{};
  out.line = glyph_line;
  out.fill = glyph_fill;
  out.target = ctx;
  double advance = 0;
  if (tk_truetype_glyph_bridge(&advance, int16_t(code), ctx->pen, &spec, ctx->drawing, &out,
                               nullptr, 1)) {
    ctx->pen[0] += advance;
    return;
  }
  // The application could not give the glyph (its font file is gone or unreadable): the
  // character is drawn from the first built-in font, sized to the TrueType units, so that the
  // text still shows.
  TkFont* first = tk_state ? tk_state->builtin_fonts[0] : nullptr;
  if (code == 176 || code == 177) code = uint16_t(code + 80);
  if (code == 8709) code = 258;
  TkFont* glyph = first && first->above ? font_find_glyph(ctx->drawing, first, nullptr, code, 0)
                                        : nullptr;
  if (!glyph) {
    // Without any glyph the pen advances by a typical character width.
    ctx->pen[0] += 600;
    return;
  }
  const double saved[2] = {ctx->xscale, ctx->yscale};
  ctx->xscale *= 1000.0 / first->above;
  ctx->yscale *= 1000.0 / first->above;
  interpret(ctx, glyph, 0);
  ctx->xscale = saved[0];
  ctx->yscale = saved[1];
}

}  // namespace

void shx_interpret(TkShapeContext* ctx, uint16_t code, TkFont* glyph_font, uint8_t toggles) {
  (void)code;
  double start[2] = {ctx->pen[0], ctx->pen[1]};
  uint16_t above = ctx->above;
  if (ctx->font && ctx->font->kind == TK_FONT_TRUETYPE) {
    above = 1000;
    if (ctx->nesting == 0) ctx->steps_left = TK_SHAPE_MAX_STEPS;
    truetype_char(ctx, code);
  } else if (glyph_font) {
    if (ctx->nesting == 0) ctx->steps_left = TK_SHAPE_MAX_STEPS;
    interpret(ctx, glyph_font, toggles);
  }
  if (!toggles) return;
  double end[2] = {ctx->pen[0], ctx->pen[1]};
  for (int which = 0; which < 2; ++which) {
    uint8_t bit = which == 0 ? TK_TEXT_OVERLINE : TK_TEXT_UNDERLINE;
    if (!(toggles & bit)) continue;
    double f = which == 0 ? 1.2 : -0.2;
    double a[3], b[3];
    if (ctx->vertical) {
      a[0] = b[0] = start[0] - 0.13 * above;
      a[1] = start[1] + f * above;
      b[1] = end[1] + f * above;
    } else {
      a[0] = start[0];
      b[0] = end[0];
      a[1] = b[1] = start[1] + f * above;
    }
    a[2] = b[2] = 0;
    line_stroke(ctx, a, b, true, true);
  }
}

namespace {

void interpret(TkShapeContext* ctx, TkFont* f, uint8_t /*toggles*/) {
  bool pen_down = ctx->draw != 0, visible = true, skip = false;
  double cur[3] = {ctx->pen[0], ctx->pen[1], 0}, prev[3];
  // The definition's name.
  for (int i = 0; i < 256 && font_next_byte(f); ++i) {
  }
  for (;;) {
    if (--ctx->steps_left < 0) break;
    uint8_t code = font_next_byte(f);
    if (code == 0) break;
    if (skip) {
      skip_command(ctx, f, code);
      // A further vertical-only marker right after keeps the skip for the next command.
      skip = false;
      continue;
    }
    switch (code) {
      case 1: pen_down = ctx->draw != 0; visible = true; break;
      case 2: pen_down = false; visible = false; break;
      case 3: {
        uint8_t n = font_next_byte(f);
        if (n) {  // a zero divisor is ignored
          ctx->xscale /= n;
          ctx->yscale /= n;
        }
        break;
      }
      case 4: {
        uint8_t n = font_next_byte(f);
        ctx->xscale *= n;
        ctx->yscale *= n;
        break;
      }
      case 5:
        // A push onto the full stack is refused.
        if (ctx->stack_top + 1 < TK_SHAPE_STACK) {
          ++ctx->stack_top;
          ctx->stack[ctx->stack_top][0] = cur[0];
          ctx->stack[ctx->stack_top][1] = cur[1];
        }
        break;
      case 6:
        if (ctx->stack_top >= 0) {
          cur[0] = ctx->stack[ctx->stack_top][0];
          cur[1] = ctx->stack[ctx->stack_top][1];
          --ctx->stack_top;
        }
        break;
      case 7: {
        uint16_t number;
        bool extended = false;
        double saved_scale[2] = {ctx->xscale, ctx->yscale};
        double origin[2] = {cur[0], cur[1]};
        if (f->kind == TK_FONT_UNIFONT) {
          uint8_t hi = font_next_byte(f);
          number = uint16_t(hi << 8 | font_next_byte(f));
        } else if (f->kind == TK_FONT_BIG) {
          number = font_next_byte(f);
          if (number == 0) {
            extended = true;
            number = font_next_byte(f);
            if (in_escape_range(f, number)) number = uint16_t(number << 8 | font_next_byte(f));
            double x = sbyte(f), y = sbyte(f);
            uint8_t w = f->big_width ? font_next_byte(f) : 0;
            uint8_t h = f->big_height ? font_next_byte(f) : 0;
            ctx->xscale = f->big_width ? double(w) / f->big_width : 1.0;
            ctx->yscale = f->big_height ? double(h) / f->big_height : 1.0;
            origin[0] = cur[0] + x;
            origin[1] = cur[1] + y;
          }
        } else {
          number = font_next_byte(f);
        }
        ctx->pen[0] = origin[0];
        ctx->pen[1] = origin[1];
        if (ctx->nesting < TK_SHAPE_MAX_NESTING) {
          TkFontPos pos = font_tell(f);
          TkFont* sub = font_find_glyph(ctx->drawing, ctx->font, ctx->big, number, 0);
          if (sub && sub->kind != TK_FONT_TRUETYPE) {
            ++ctx->nesting;
            interpret(ctx, sub, 0);
            --ctx->nesting;
          }
          font_seek(f, pos);
        }
        if (extended) {
          ctx->xscale = saved_scale[0];
          ctx->yscale = saved_scale[1];
        } else {
          cur[0] = ctx->pen[0];
          cur[1] = ctx->pen[1];
        }
        break;
      }
      case 8: {
        std::memcpy(prev, cur, sizeof prev);
        double dx = sbyte(f), dy = sbyte(f);
        cur[0] += dx * ctx->xscale;
        cur[1] += dy * ctx->yscale;
        line_stroke(ctx, prev, cur, pen_down, visible);
        break;
      }
      case 9:
        for (int i = 0; i < kMaxCommands && --ctx->steps_left >= 0; ++i) {
          double dx = sbyte(f), dy = sbyte(f);
          if (dx == 0 && dy == 0) break;
          std::memcpy(prev, cur, sizeof prev);
          cur[0] += dx * ctx->xscale;
          cur[1] += dy * ctx->yscale;
          line_stroke(ctx, prev, cur, pen_down, visible);
        }
        break;
      case 10:
      case 11: {
        double so = 0, eo = 0, r;
        if (code == 11) {
          so = font_next_byte(f);
          eo = font_next_byte(f);
          uint8_t hi = font_next_byte(f);
          r = hi * 256 + font_next_byte(f);
        } else {
          r = font_next_byte(f);
        }
        uint8_t oct = font_next_byte(f);
        bool cw = (oct & 0x80) != 0;
        oct &= 0x7F;
        int s = (oct >> 4) & 7, c = oct & 15;
        if (c == 0) c = 8;
        if (eo != 0) --c;
        double a0, a1;
        if (!cw) {
          int e = s + c;
          if (e >= 8) e -= 8;
          a0 = (s + so / 256) * kPi / 4;
          a1 = (e + eo / 256) * kPi / 4;
        } else {
          int e = s - c;
          if (e < 0) e += 8;
          a0 = (s - so / 256) * kPi / 4;
          a1 = (e - eo / 256) * kPi / 4;
        }
        double centre[3] = {cur[0] - r * ctx->xscale * std::cos(a0),
                            cur[1] - r * ctx->yscale * std::sin(a0), 0};
        double from = cw ? a1 : a0, to = cw ? a0 : a1;
        if (to <= from) to += kTwoPi;
        arc_stroke(ctx, centre, from, to, r * ctx->xscale, pen_down, visible);
        cur[0] = centre[0] + r * ctx->xscale * std::cos(a1);
        cur[1] = centre[1] + r * ctx->xscale * std::sin(a1);
        break;
      }
      case 12:
      case 13:
        for (int i = 0; i < kMaxCommands && --ctx->steps_left >= 0; ++i) {
          double dx = sbyte(f) * ctx->xscale, dy = sbyte(f) * ctx->yscale;
          if (dx == 0 && dy == 0) break;
          bulge_arc(ctx, cur, dx, dy, sbyte(f), pen_down, visible);
          if (code == 12) break;
        }
        break;
      case 14:
        if (!ctx->vertical) skip = true;
        break;
      case 15:
        break;
      default: {
        std::memcpy(prev, cur, sizeof prev);
        double len = code >> 4;
        const double* d = kDirections[code & 15];
        cur[0] += len * d[0] * ctx->xscale;
        cur[1] += len * d[1] * ctx->yscale;
        line_stroke(ctx, prev, cur, pen_down, visible);
        break;
      }
    }
  }
  ctx->pen[0] = cur[0];
  ctx->pen[1] = cur[1];
}

int hex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

uint16_t text_next_char(const char** cursor, TkShapeContext* ctx, int16_t codepage,
                        uint8_t* plain, uint8_t* toggles) {
  const TkFont* main = ctx->font;
  uint8_t kind = main ? main->kind : uint8_t(TK_FONT_SHAPES_11);
  bool special = false, wide_marked = false;
  for (;;) {
    const char* p = *cursor;
    *plain = 1;
    uint16_t code;
    auto take_hex = [&](const char* at) {
      uint16_t v = 0;
      int n = 0;
      while (n < 4 && hex(at[n]) >= 0) v = uint16_t(v * 16 + hex(at[n++]));
      *cursor = at + n;
      return v;
    };
    if (p[0] == '\\' && p[1] == 'U' && p[2] == '+' && hex(p[3]) >= 0) {
      code = take_hex(p + 3);
      *plain = 0;
    } else if (p[0] == '\\' && p[1] == 'M' && p[2] == '+' && p[3] >= '0' && p[3] <= '5' &&
               hex(p[4]) >= 0) {
      code = take_hex(p + 4);
      *plain = 0;
      wide_marked = true;
    } else if (p[0] == '%' && p[1] == '%' && p[2]) {
      char c = p[2];
      *cursor = p + 3;
      if (c == 'O' || c == 'o') {
        *toggles ^= TK_TEXT_OVERLINE;
        continue;
      }
      if (c == 'U' || c == 'u') {
        *toggles ^= TK_TEXT_UNDERLINE;
        continue;
      }
      int which = (c == 'D' || c == 'd') ? 0 : (c == 'P' || c == 'p') ? 1 : (c == 'C' || c == 'c') ? 2 : -1;
      if (which >= 0) {
        static const uint16_t table[5][3] = {
            {256, 257, 258}, {256, 241, 237}, {176, 177, 216}, {176, 177, 8709}, {127, 128, 129}};
        int row = (kind & TK_FONT_SHAPES_11) ? 0
                  : (kind & TK_FONT_TEXT)     ? 1
                  : (kind & TK_FONT_TRUETYPE) ? 2
                  : (kind & TK_FONT_UNIFONT)  ? 3
                                              : 4;
        code = table[row][which];
        if (row == 3) *plain = 0;
        special = true;
      } else if (c >= '0' && c <= '9') {
        int v = 0, n = 0;
        const char* q = p + 2;
        while (n < 3 && q[n] >= '0' && q[n] <= '9') v = v * 10 + (q[n++] - '0');
        *cursor = q + n;
        code = uint16_t(v);
        if (n == 3 && (codepage == 12 || codepage == 30) && code >= 128 && code <= 255) *plain = 0;
      } else {
        code = static_cast<uint8_t>(c);
      }
    } else {
      code = static_cast<uint8_t>(p[0]);
      if (code) *cursor = p + 1;
      if (!(kind & TK_FONT_UNIFONT) && (codepage == 12 || codepage == 30)) {
        bool v11 = (kind & TK_FONT_SHAPES_11) != 0;
        if (code == 248) code = v11 ? 256 : 127;
        else if (code == 241) code = v11 ? 257 : 128;
        else if (code == 237) code = v11 ? 258 : 129;
      }
    }
    if (!special && code) {
      const char* q = *cursor;
      if (ctx->big && code < 256 && in_escape_range(ctx->big, code) && *q) {
        code = uint16_t(code << 8 | static_cast<uint8_t>(*q));
        *cursor = q + 1;
      } else if (!ctx->big && main && main->kind == TK_FONT_TRUETYPE && !wide_marked &&
                 (code & 0x80) && code < 256 && *q) {
        uint32_t set = (main->truetype.style >> 8) & 0xFF;
        if (set == 129 || set == 128 || set == 136) {
          code = uint16_t(code << 8 | static_cast<uint8_t>(*q));
          *cursor = q + 1;
        }
      }
    }
    if (code == 0) return 0;
    if (kind & TK_FONT_UNIFONT && *plain) return code;
    if (kind & TK_FONT_SHAPES_10) {
      if (code == 176) code = 127;
      else if (code == 177) code = 128;
      else if (code == 8709) code = 129;
    } else if (kind & TK_FONT_SHAPES_11) {
      if (code == 176) code = 256;
      else if (code == 177) code = 257;
      else if (code == 8709) code = 258;
    }
    return code;
  }
}

int16_t text_is_blank(const char* text) {
  if (!text) return 1;
  for (; *text; ++text)
    if (*text != ' ') return 0;
  return 1;
}

int16_t shx_draw_string(TkShapeContext* ctx, const char* text, double big_ratio) {
  ctx->pen[0] = ctx->pen[1] = 0;
  ctx->xscale = ctx->yscale = 1.0;
  ctx->stack_top = -1;
  uint8_t toggles = 0, plain = 1;
  int16_t codepage = ctx->drawing && ctx->drawing->header ? ctx->drawing->header->dwgcodepage : 0;
  const char* cursor = text;
  ctx->string_steps_left = TK_STRING_MAX_STEPS;
  // Each step consumes at least one byte of the string, so this ends with it.
  while (cursor && *cursor && ctx->string_steps_left > 0) {
    uint16_t code = text_next_char(&cursor, ctx, codepage, &plain, &toggles);
    if (!code) break;
    TkFont* glyph = ctx->font && ctx->font->kind == TK_FONT_TRUETYPE
                        ? ctx->font
                        : font_find_glyph(ctx->drawing, ctx->font, ctx->big, code, plain);
    if (!glyph) return 0;
    if (ctx->big) ctx->xscale = ctx->yscale = glyph == ctx->big ? 1.0 : big_ratio;
    ctx->nesting = 0;
    shx_interpret(ctx, code, glyph, toggles);
    ctx->string_steps_left -= TK_SHAPE_MAX_STEPS - std::max(ctx->steps_left, 0);
  }
  return 1;
}

void style_truetype_face(const TkTextStyleRecord* style, char face[512], uint32_t* bits) {
  face[0] = 0;
  *bits = 0xFFFFFFFF;
  if (!style || !style->xdata) return;
  TkBlob* r = blob_open_read(style->xdata);
  if (!r) return;
  TkXdataItem item;
  while (xdata_read_item(r, &item)) {
    if (item.code == 1000) {
      std::memcpy(face, item.value, 511);
      face[511] = 0;
    } else if (item.code == 1071) {
      std::memcpy(bits, item.value, 4);
    }
  }
  blob_close(r);
}

namespace {

struct StyleFonts {
  TkFont* main;
  TkFont* big;
  double big_ratio;
  double unit;  // font units of one text height
};

StyleFonts style_fonts(TkDrawing* drawing, const TkTextStyleRecord* style, bool fallback) {
  StyleFonts s{};
  TkFont* first = tk_state ? tk_state->builtin_fonts[0] : nullptr;
  char face[512];
  uint32_t bits = 0xFFFFFFFF;
  style_truetype_face(style, face, &bits);
  s.main = font_resolve(drawing, style ? style->font_file : "", TK_FONT_MASK_MAIN,
                        fallback ? first : nullptr, face, bits);
  if (!s.main && fallback) s.main = first;
  s.big_ratio = 1.0;
  if (style && style->bigfont_file[0])
    s.big = font_resolve(drawing, style->bigfont_file, TK_FONT_MASK_BIG, nullptr, nullptr,
                         0xFFFFFFFF);
  if (s.main && s.big && s.main->above) s.big_ratio = double(s.big->big_height) / s.main->above;
  double u = s.big && s.big->big_height ? s.big->big_height : s.main ? s.main->above : 0;
  s.unit = u > 0 ? u : 1.0;
  return s;
}

// m = m * Shear * Scale: font units to text units of the given height (row vectors, so the
// shear acts first).
void text_scale(const TkTextParams* p, double unit, double height, double m[16]) {
  double wf = p->width_factor != 0 ? p->width_factor : 1.0;
  bool backwards = p->generation & 2, upside = p->generation & 4;
  if (upside) height = -height;
  if (backwards != upside) wf = -wf;
  double ob = p->oblique;
  if (ob > kPi / 2) ob -= kTwoPi;
  double x[16];
  tk_matrix_identity(x);
  if (ob != 0) x[4] = std::tan(ob);
  x[0] = height / unit * wf;
  x[4] *= height / unit * wf;
  x[5] = height / unit;
  tk_matrix_multiply(m, x, m);
}

void rotate_after(double angle, double m[16]) {
  double r[16];
  tk_matrix_identity(r);
  r[0] = std::cos(angle);
  r[1] = std::sin(angle);
  r[4] = -r[1];
  r[5] = r[0];
  tk_matrix_multiply(m, r, m);
}

// Moves the scaled and turned system t to the insertion point, through the entity's own system
// and the block transform; gives t in every viewport of the pass (owned by the caller), or null
// when memory runs out.
double (*place_in_viewports(double t[16], const double insertion[3], const TkEntityHeader* entity,
                            const double transform[16]))[16] {
  double move[16];
  tk_matrix_identity(move);
  move[12] = insertion[0];
  move[13] = insertion[1];
  move[14] = insertion[2];
  tk_matrix_multiply(t, move, t);
  if (entity->flags & TK_ENTITY_EXTRUDED) {
    double ecs[16];
    tk_matrix_from_extrusion(entity->extrusion, ecs);
    tk_matrix_multiply(t, ecs, t);
  }
  tk_matrix_multiply(t, transform, t);
  const TkRegenContext& r = tk_regen;
  int count = r.viewport_count ? r.viewport_count : 1;
  auto* m = static_cast<double(*)[16]>(mem_alloc(sizeof(double) * 16 * size_t(count)));
  if (m)
    for (int v = 0; v < count; ++v) tk_matrix_multiply(t, r.state->viewports[v].matrix, m[v]);
  return m;
}

}  // namespace

int16_t regen_text_extents(TkDrawing* drawing, const char* text, const TkTextParams* params,
                           const TkTextStyleRecord* style, double box[4], double* descent,
                           uint16_t fallback) {
  StyleFonts f = style_fonts(drawing, style, fallback != 0);
  if (!f.main) return tk_fail(TK_ERR_FONT_OPEN);
  // Without the fallback a big font that will not load fails the measurement; with it the
  // text is measured as it is drawn, without the big font.
  if (!fallback && style && style->bigfont_file[0] && !f.big) return tk_fail(TK_ERR_BIGFONT_OPEN);
  TkShapeContext ctx{};
  ctx.drawing = drawing;
  ctx.font = f.main;
  ctx.big = f.big;
  ctx.above = f.main->above;
  ctx.vertical = style && (style->flags & 4) ? 1 : 0;
  tk_matrix_identity(ctx.transform);
  TkTextParams unit_params = *params;
  text_scale(&unit_params, f.unit, 1.0, ctx.transform);
  double b[8] = {1e300, 1e300, 0, 1, -1e300, -1e300, 0, 1};
  ctx.box = b;
  ctx.box_matrix = ctx.transform;
  ctx.draw = 0;
  if (text) shx_draw_string(&ctx, text, f.big_ratio);
  // A string whose glyphs draw nothing (blanks) still has the width its pen travelled.
  double pen[4] = {ctx.pen[0], ctx.pen[1], 0, 1};
  tk_matrix_transform_point4(pen, ctx.transform, pen);
  // The pen ends left of the start in backwards text: the box spans both ends either way.
  box[0] = std::fmin(std::fmin(b[0], 0.0), pen[0]);
  box[1] = b[1];
  box[2] = std::fmax(std::fmax(b[4], 0.0), pen[0]);
  box[3] = b[5];
  if (descent) *descent = f.main->above ? -(double(f.main->below) / f.main->above) : 0.0;
  return 1;
}

int16_t regen_text_entity(TkDrawing* drawing, const double insertion[3], const char* text,
                          const TkTextStyleRecord* style, const TkTextParams* params,
                          const double transform[16], double min_height) {
  if (text_is_blank(text)) return 1;
  StyleFonts f = style_fonts(drawing, style, true);
  if (!f.main) return 1;
  double height = params->height;
  const TkHeader* hdr = drawing->header;
  TkRegenContext& r = tk_regen;
  TkEntityHeader* scratch = tk_display_callbacks->scratch_header;
  if ((hdr && hdr->qtextmode) || std::fabs(height) < min_height) {
    double wf = params->width_factor != 0 ? params->width_factor : 1.0;
    double length = double(std::strlen(text)) * wf * height * ((params->generation & 2) ? -1 : 1);
    double a = params->rotation + (style && (style->flags & 4) ? 3 * kPi / 2 : 0);
    double end[3] = {insertion[0] + length * std::cos(a), insertion[1] + length * std::sin(a),
                     insertion[2]};
    int first, last;
    uint16_t kind = scratch->kind;
    scratch->kind = TK_CIRCLE;
    regen_viewport_range(&first, &last);
    int count = r.viewport_count ? r.viewport_count : 1;
    auto* m = static_cast<double(*)[16]>(mem_alloc(sizeof(double) * 16 * size_t(count)));
    if (!m) {
      scratch->kind = kind;
      return tk_fail_alloc(TK_ERR_TEXT_MATRICES);
    }
    for (int v = 0; v < count; ++v) tk_matrix_multiply(transform, r.state->viewports[v].matrix, m[v]);
    double p[3] = {insertion[0], insertion[1], insertion[2]}, q[3] = {end[0], end[1], end[2]};
    regen_line(drawing, p, q, transform, m, nullptr, drawing, nullptr, ++r.run_counter, 0);
    if (!(std::fabs(height) < min_height)) {
      double h = (params->generation & 4) ? -height : height;
      double up[3] = {-h * std::sin(params->rotation), h * std::cos(params->rotation), 0};
      double a1[3] = {insertion[0] + up[0], insertion[1] + up[1], insertion[2]};
      double b1[3] = {end[0] + up[0], end[1] + up[1], end[2]};
      const double* pts[4] = {insertion, a1, b1, end};
      for (int i = 0; i < 3; ++i) {
        double s0[3], s1[3];
        std::memcpy(s0, pts[i], sizeof s0);
        std::memcpy(s1, pts[i + 1], sizeof s1);
        regen_line(drawing, s0, s1, transform, m, nullptr, drawing, nullptr, ++r.run_counter, 0);
      }
    }
    mem_free(m);
    scratch->kind = kind;
    return 1;
  }
  if (style && (std::strstr(style->font_file, ".PFB") || std::strstr(style->font_file, ".pfb")))
    height /= 2;
  double t[16];
  tk_matrix_identity(t);
  TkTextParams p = *params;
  text_scale(&p, f.unit, height, t);
  if (params->rotation != 0) rotate_after(params->rotation, t);
  auto* m = place_in_viewports(t, insertion, scratch, transform);
  if (!m) return tk_fail_alloc(TK_ERR_TEXT_MATRICES);
  TkShapeContext ctx{};
  ctx.drawing = drawing;
  ctx.font = f.main;
  ctx.big = f.big;
  ctx.above = f.main->above;
  ctx.vertical = style && (style->flags & 4) ? 1 : 0;
  ctx.draw = 1;
  std::memcpy(ctx.transform, t, sizeof t);
  ctx.matrices = m;
  uint16_t kind = scratch->kind;
  scratch->kind = TK_TEXT;
  double saved_scale = r.arc_resolution_scale;
  r.arc_resolution_scale *= std::fabs(height / f.unit);
  shx_draw_string(&ctx, text, f.big_ratio);
  r.arc_resolution_scale = saved_scale;
  scratch->kind = kind;
  mem_free(m);
  return 1;
}

int16_t regen_shape_entity(TkDrawing* drawing, const double insertion[3], uint16_t number,
                           const TkTextStyleRecord* style, const TkTextParams* params,
                           const double transform[16]) {
  // Only the style's own shape font draws a shape: the built-in text font knows no shapes.
  TkFont* font = style ? font_resolve(drawing, style->font_file, TK_FONT_MASK_MAIN, nullptr,
                                      nullptr, 0xFFFFFFFF)
                       : nullptr;
  TkFont* builtin = tk_state ? tk_state->builtin_fonts[0] : nullptr;
  if (!font || font == builtin || font->kind == TK_FONT_TRUETYPE || number > 255) return 1;
  TkRegenContext& r = tk_regen;
  TkEntityHeader* scratch = tk_display_callbacks->scratch_header;
  // Shape units are drawing units at size 1: sheared, scaled by (width factor x size, size),
  // rotated, moved to the insertion point, then through the entity's own system.
  double t[16];
  tk_matrix_identity(t);
  text_scale(params, 1.0, params->height, t);
  if (params->rotation != 0) rotate_after(params->rotation, t);
  auto* m = place_in_viewports(t, insertion, scratch, transform);
  if (!m) return tk_fail_alloc(TK_ERR_REGEN_SHAPE_MATRICES);
  TkShapeContext ctx{};
  ctx.drawing = drawing;
  ctx.font = font;
  ctx.above = font->above;
  ctx.draw = 1;
  ctx.xscale = ctx.yscale = 1.0;
  ctx.stack_top = -1;
  ctx.string_steps_left = TK_STRING_MAX_STEPS;
  std::memcpy(ctx.transform, t, sizeof t);
  ctx.matrices = m;
  uint8_t codepage = 0;
  TkFont* glyph = font_find_glyph(drawing, font, nullptr, number, codepage);
  double saved_scale = r.arc_resolution_scale;
  r.arc_resolution_scale *= std::fabs(params->height);
  if (glyph) shx_interpret(&ctx, number, glyph, 0);
  r.arc_resolution_scale = saved_scale;
  mem_free(m);
  return 1;
}
