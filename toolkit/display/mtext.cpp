// Paragraph text: the MTEXT string tokenised into characters and format changes (font, height,
// width, slant, tracking, colour, over- and underline, groups, paragraph breaks, stacked
// fractions), broken into lines at the reference width, spaced, placed by the attachment point
// and drawn character by character through the shape interpreter.
#include "toolkit/display/mtext.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "toolkit/core/blob.h"
#include "toolkit/core/hdr.h"
#include "toolkit/core/load.h"
#include "toolkit/core/matrix.h"
#include "toolkit/core/mem.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kGroupDepth = 8;
// A paragraph text longer than this is cut: nothing legitimate comes near it.
constexpr size_t kMaxText = 1u << 20;

struct Format {
  double height;
  double width;
  double oblique;
  double tracking;  // advance factor
  uint8_t lines;    // 1 overline, 2 underline
  int16_t colour;   // -1: the entity's; 0 the block's, 256 the layer's
  uint8_t valign;   // within the line: 0 bottom, 1 centre, 2 top
  TkFont* font;
  TkFont* big;
};

enum ItemKind : uint8_t { kChar, kSpace, kHardSpace, kParagraph, kStack };

struct Item {
  ItemKind kind;
  uint16_t code;
  uint8_t plain;
  Format f;
  double advance;    // drawing units along the line
  double advance_y;  // drawing units, vertical text: the pen's move down the column
  double x, y;       // inside a stacked fraction: the place of the character
  size_t stack;      // kStack: its entry in the stack table
};

// A stacked fraction: its characters placed about the line's base line, the bar (none for
// "^") and its height.
struct Stack {
  std::vector<Item> parts;
  bool bar;
  double bar_from[2], bar_to[2];
  double height;
};

double unit_of(const Format& f) {
  if (f.big && f.big->big_height && f.font && f.font->kind != TK_FONT_TRUETYPE)
    return f.big->big_height;
  return f.font && f.font->above ? f.font->above : 1.0;
}

int hex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

double read_number(const char*& p, bool* relative) {
  char buf[20];
  int n = 0;
  while (n < 19 && (std::isdigit(static_cast<unsigned char>(*p)) || *p == '.' || *p == '-'))
    buf[n++] = *p++;
  buf[n] = 0;
  *relative = false;
  if (*p == 'x' || *p == 'X') {
    *relative = true;
    ++p;
  }
  if (*p == ';') ++p;
  double v = std::atof(buf);
  return std::isfinite(v) ? v : 0.0;
}

uint16_t map_symbol(int which, uint8_t kind, const TkFont* font, uint8_t* plain) {
  static const uint16_t table[5][3] = {
      {127, 128, 129}, {248, 241, 237}, {256, 257, 258}, {176, 177, 216}, {176, 177, 8709}};
  int row = kind == TK_FONT_SHAPES_10 ? 0
            : kind == TK_FONT_TEXT    ? 1
            : kind == TK_FONT_SHAPES_11 ? 2
            : kind == TK_FONT_TRUETYPE  ? 3
                                        : 4;
  if (row == 4) *plain = 0;
  if (row == 2 && which == 2 && font && tk_name_compare(font->path, "GDT.SHX") == 0) return 110;
  return table[row][which];
}

uint8_t exact_kind(const TkFont* f) {
  uint8_t k = f ? f->kind : 0;
  if (k & TK_FONT_SHAPES_11) return TK_FONT_SHAPES_11;
  if (k & TK_FONT_TEXT) return TK_FONT_TEXT;
  if (k & TK_FONT_UNIFONT) return TK_FONT_UNIFONT;
  if (k & TK_FONT_TRUETYPE) return TK_FONT_TRUETYPE;
  return TK_FONT_SHAPES_10;
}

// The advance of one character in font units (the pen's move down in vertical text to *down).
double glyph_advance(TkDrawing* d, const Format& f, uint16_t code, uint8_t plain,
                     bool vertical = false, double* down = nullptr) {
  if (down) *down = 0;
  if (!f.font) return 0;
  if (f.font->kind == TK_FONT_TRUETYPE) return 600;
  TkFont* g = font_find_glyph(d, f.font, f.big, code, plain);
  if (!g) return 0;
  TkShapeContext ctx{};
  ctx.drawing = d;
  ctx.font = f.font;
  ctx.big = f.big;
  ctx.xscale = ctx.yscale = 1;
  ctx.stack_top = -1;
  ctx.vertical = vertical;
  double identity[16];
  tk_matrix_identity(identity);
  double box[8] = {1e300, 1e300, 0, 1, -1e300, -1e300, 0, 1};
  ctx.box = box;
  ctx.box_matrix = identity;
  shx_interpret(&ctx, code, g, 0);
  if (down) *down = -ctx.pen[1];
  return ctx.pen[0];
}

class Tokenizer {
 public:
  Tokenizer(TkDrawing* d, const char* text, const Format& base, const TkMtextParams& p,
            bool vertical, bool skip_newlines, std::vector<Item>& out, std::vector<Stack>& stacks)
      : d_(d), p_(text), out_(out), stacks_(stacks), params_(p), vertical_(vertical),
        skip_newlines_(skip_newlines) {
    stack_[0] = base;
  }

  void run() {
    while (*p_) step();
  }

 private:
  Format& f() { return stack_[depth_]; }

  Item make_char(uint16_t code, uint8_t plain, ItemKind kind, const Format& format) const {
    Item it{kind, code, plain, format, 0, 0, 0, 0, 0};
    double scale = format.height / unit_of(format);
    double down = 0;
    it.advance = glyph_advance(d_, format, code, plain, vertical_, &down) * scale *
                 format.width * format.tracking;
    // A font without vertical commands leaves the pen on the line: the next character then
    // stands one character height and a gap below.
    if (vertical_ && !(down > 0)) down = unit_of(format) * 4 / 3;
    it.advance_y = down * scale;
    return it;
  }

  void push_char(uint16_t code, uint8_t plain, ItemKind kind = kChar) {
    out_.push_back(make_char(code, plain, kind, f()));
  }

  void paragraph() { out_.push_back(Item{kParagraph, 0, 1, f(), 0, 0, 0, 0, 0}); }

  // One part of a stacked fraction, up to one of `ends` (a character after a backslash never
  // ends it); the cursor stands on the end character. Characters as the simple decoder gives
  // them: \U+ with four digits, the three %% symbols, %%v a blank, any other backslash pair
  // its second character.
  std::vector<Item> stack_part(const char* ends, const Format& format, double* width) {
    std::vector<Item> part;
    *width = 0;
    uint8_t kind = exact_kind(format.font);
    while (*p_ && !std::strchr(ends, *p_)) {
      uint16_t code = static_cast<uint8_t>(*p_);
      uint8_t plain = 1;
      if (p_[0] == '\\' && p_[1] == 'U' && p_[2] == '+' && hex(p_[3]) >= 0 && hex(p_[4]) >= 0 &&
          hex(p_[5]) >= 0 && hex(p_[6]) >= 0) {
        code = uint16_t(hex(p_[3]) << 12 | hex(p_[4]) << 8 | hex(p_[5]) << 4 | hex(p_[6]));
        plain = 0;
        p_ += 7;
      } else if (p_[0] == '\\' && p_[1]) {
        code = static_cast<uint8_t>(p_[1]);
        p_ += 2;
      } else if (p_[0] == '%' && p_[1] == '%' && p_[2]) {
        char c = p_[2];
        int which = (c == 'd' || c == 'D') ? 0 : (c == 'p' || c == 'P') ? 1
                    : (c == 'c' || c == 'C') ? 2 : -1;
        if (which >= 0) {
          code = map_symbol(which, kind, format.font, &plain);
          p_ += 3;
        } else if (c == 'v' || c == 'V') {
          code = ' ';
          p_ += 3;
        } else {
          ++p_;
        }
      } else {
        ++p_;
      }
      Item it = make_char(code, plain, kChar, format);
      it.x = *width;
      *width += it.advance;
      part.push_back(it);
    }
    return part;
  }

  // \S: upper part to "^", "#" or "/", lower part to ";". The parts stand at a smaller height,
  // one over the other with a horizontal bar ("/") or none ("^"), or side by side with a
  // slanted bar between them ("#"). An empty part counts a sixth of the height.
  void stacked_fraction() {
    Format part = f();
    double h = f().height;
    part.height = h * 0.7;
    double wu = 0, wl = 0;
    std::vector<Item> upper = stack_part("^#/;", part, &wu);
    char sep = *p_ ? *p_ : ';';
    if (*p_ && *p_ != ';') ++p_;
    std::vector<Item> lower;
    if (sep != ';') lower = stack_part(";", part, &wl);
    if (*p_ == ';') ++p_;
    Stack st{};
    double ph = part.height;
    double hu = upper.empty() ? h / 6 : ph, hl = lower.empty() ? h / 6 : ph;
    double width;
    if (sep == '#') {
      // Upper part raised, lower part lowered to its right, the bar slanting between them.
      for (Item& it : upper) it.y = h - ph;
      for (Item& it : lower) {
        it.x += wu;
        it.y = 0;
      }
      width = wu + wl;
      st.bar = !upper.empty() || !lower.empty();
      st.bar_from[0] = wu - ph * 0.15;
      st.bar_from[1] = -ph * 0.1;
      st.bar_to[0] = wu + ph * 0.15;
      st.bar_to[1] = h;
      st.height = hu + hl;
    } else {
      // One over the other, each centred on the wider; the bar (for "/") halfway between.
      width = std::fmax(wu, wl);
      double gap = h / 6;
      double bar_y = h * 0.5;
      for (Item& it : upper) {
        it.x += (width - wu) / 2;
        it.y = bar_y + gap * 0.5;
      }
      for (Item& it : lower) {
        it.x += (width - wl) / 2;
        it.y = bar_y - gap * 0.5 - ph;
      }
      st.bar = sep == '/';
      st.bar_from[0] = 0;
      st.bar_to[0] = width;
      st.bar_from[1] = st.bar_to[1] = bar_y;
      st.height = hu + hl + h / 3;
    }
    st.parts = std::move(upper);
    st.parts.insert(st.parts.end(), lower.begin(), lower.end());
    Item it{kStack, 0, 1, f(), width, 0, 0, 0, stacks_.size()};
    stacks_.push_back(std::move(st));
    out_.push_back(it);
  }

  // A control character written as a caret and a letter ("^J" a line feed, "^I" a tab); "^ " is
  // the caret itself. True when one was taken.
  bool caret_escape(const char* p) {
    if (p[0] != '^' || !p[1]) return false;
    char c = p[1];
    if (c != ' ' && (c < '@' || c > '_')) return false;
    p_ = p + 2;
    if (c == ' ') push_char('^', 1);
    else if (c == 'J') paragraph();
    else if (c == 'I') push_char(' ', 1, kSpace);
    return true;
  }

  void step() {
    const char* p = p_;
    uint8_t kind = exact_kind(f().font);
    if (caret_escape(p)) return;
    if (!params_.formatting) {
      ++p_;
      if (*p == '\r') return;
      if (*p == '\n') return paragraph();
      if (*p == '\t') return push_char(' ', 1, kSpace);
      return push_char(static_cast<uint8_t>(*p), 1, *p == ' ' ? kSpace : kChar);
    }
    if (*p == '\\' && p[1]) {
      char c = p[1];
      p_ = p + 2;
      bool rel = false;
      switch (c) {
        case 'P': paragraph(); return;
        // A column break: the columns of later releases are laid out one below the other.
        case 'N': paragraph(); return;
        case 'p':
          // Paragraph settings of later releases (indents, tabs, alignment, spacing).
          while (*p_ && *p_ != ';') ++p_;
          if (*p_ == ';') ++p_;
          return;
        case '~': push_char(' ', 1, kHardSpace); return;
        case 'H': case 'h': {
          double v = read_number(p_, &rel);
          if (v > 0) f().height = rel ? f().height * v : v;
          return;
        }
        case 'W': case 'w': {
          double v = read_number(p_, &rel);
          if (v > 0) f().width = v;
          return;
        }
        case 'Q': case 'q': f().oblique = read_number(p_, &rel) * kPi / 180; return;
        case 'T': case 't': {
          double v = read_number(p_, &rel);
          if (v > 0) f().tracking = v;
          return;
        }
        case 'A': case 'a':
          if (*p_ >= '0' && *p_ <= '2') f().valign = uint8_t(*p_ - '0');
          if (*p_) ++p_;
          if (*p_ == ';') ++p_;
          return;
        case 'C': case 'c': f().colour = int16_t(read_number(p_, &rel)); return;
        case 'F': case 'f': {
          char name[256];
          size_t n = 0;
          while (*p_ && *p_ != ';' && n + 1 < sizeof name) name[n++] = *p_++;
          while (*p_ && *p_ != ';') ++p_;
          if (*p_ == ';') ++p_;
          name[n] = 0;
          if (char* bar = std::strchr(name, '|')) {
            // A TrueType face with its options; without the application's fonts it draws in
            // the built-in font.
            *bar = 0;
          }
          TkFont* first = tk_state ? tk_state->builtin_fonts[0] : nullptr;
          TkFont* font = font_resolve(d_, name, TK_FONT_MASK_MAIN, first, nullptr, 0xFFFFFFFF);
          if (font) f().font = font;
          return;
        }
        case 'O': f().lines |= 1; return;
        case 'o': f().lines &= uint8_t(~1); return;
        case 'L': f().lines |= 2; return;
        case 'l': f().lines &= uint8_t(~2); return;
        case 'S':
          stacked_fraction();
          return;
        case 'U':
          if (p[2] == '+' && hex(p[3]) >= 0) {
            uint16_t v = 0;
            const char* q = p + 3;
            for (int n = 0; n < 4 && hex(*q) >= 0; ++n) v = uint16_t(v * 16 + hex(*q++));
            p_ = q;
            uint8_t plain = 0;
            if (v == 176) v = map_symbol(0, kind, f().font, &plain);
            else if (v == 177) v = map_symbol(1, kind, f().font, &plain);
            else if (v == 8709) v = map_symbol(2, kind, f().font, &plain);
            push_char(v, 0);
            return;
          }
          p_ = p + 1;
          push_char('\\', 1);
          return;
        case 'M':
          if (p[2] == '+' && p[3] >= '0' && p[3] <= '5' && hex(p[4]) >= 0) {
            uint16_t v = 0;
            const char* q = p + 4;
            for (int n = 0; n < 4 && hex(*q) >= 0; ++n) v = uint16_t(v * 16 + hex(*q++));
            p_ = q;
            push_char(v, 0);
            return;
          }
          p_ = p + 1;
          push_char('\\', 1);
          return;
        default:
          push_char(static_cast<uint8_t>(c), 1);
          return;
      }
    }
    if (p[0] == '%' && p[1] == '%' && p[2]) {
      char c = p[2];
      int which = (c == 'd' || c == 'D') ? 0 : (c == 'p' || c == 'P') ? 1 : (c == 'c' || c == 'C') ? 2 : -1;
      if (which >= 0) {
        p_ = p + 3;
        uint8_t plain = 1;
        uint16_t v = map_symbol(which, kind, f().font, &plain);
        push_char(v, plain);
        return;
      }
      if (c == 'v' || c == 'V') {
        p_ = p + 3;
        push_char(' ', 1, kSpace);
        return;
      }
    }
    if (*p == '{') {
      p_ = p + 1;
      if (depth_ + 1 < kGroupDepth) {
        stack_[depth_ + 1] = stack_[depth_];
        ++depth_;
      }
      return;
    }
    if (*p == '}') {
      p_ = p + 1;
      if (depth_ > 0) --depth_;
      return;
    }
    if (*p == '\n') {
      p_ = p + 1;
      if (!skip_newlines_) paragraph();
      return;
    }
    if (*p == '\r') {
      p_ = p + 1;
      return;
    }
    uint16_t code = static_cast<uint8_t>(*p);
    p_ = p + 1;
    // The degree and plus-minus signs of the drawing's code page stand where a shape font keeps
    // its own symbols (a unifont and TrueType take them as they are).
    int16_t page = d_ && d_->header ? d_->header->dwgcodepage : 0;
    if ((code == 176 || code == 177) && (page == 12 || page == 30) && kind != TK_FONT_UNIFONT &&
        kind != TK_FONT_TRUETYPE) {
      uint8_t plain = 1;
      push_char(map_symbol(code - 176, kind, f().font, &plain), plain);
      return;
    }
    // Double-byte characters of a big font.
    if (f().big && *p_ && code >= 0x80) {
      for (uint16_t i = 0; i < f().big->escape_range_count && i < TK_FONT_ESCAPE_RANGES; ++i)
        if (f().big->escape_ranges[i][0] <= code && code <= f().big->escape_ranges[i][1]) {
          code = uint16_t(code << 8 | static_cast<uint8_t>(*p_++));
          break;
        }
    }
    push_char(code, 1, code == ' ' || code == '\t' ? kSpace : kChar);
  }

  TkDrawing* d_;
  const char* p_;
  std::vector<Item>& out_;
  std::vector<Stack>& stacks_;
  const TkMtextParams& params_;
  bool vertical_;
  bool skip_newlines_;
  Format stack_[kGroupDepth];
  int depth_ = 0;
};

struct Line {
  size_t first, end;  // items
  double width;
  double height;      // largest character height
};

// Breaks the items into lines at paragraph codes and, with a reference width, between words.
void break_lines(const std::vector<Item>& items, const std::vector<Stack>& stacks,
                 double ref_width, std::vector<Line>& lines) {
  size_t i = 0, n = items.size();
  while (i <= n) {
    Line line{i, i, 0, 0};
    size_t last_fit = i;
    double fit_width = 0;
    bool wrapped = false;
    while (i < n && items[i].kind != kParagraph) {
      // One word: blanks before it, then characters up to the next blank.
      size_t j = i;
      double w = 0;
      while (j < n && items[j].kind == kSpace) w += items[j++].advance;
      while (j < n && (items[j].kind == kChar || items[j].kind == kHardSpace ||
                       items[j].kind == kStack))
        w += items[j++].advance;
      if (ref_width < 1e300 && line.end > line.first && line.width + w - ref_width > -1e-10) {
        wrapped = true;
        break;
      }
      line.width += w;
      line.end = j;
      last_fit = j;
      fit_width = line.width;
      i = j;
    }
    (void)last_fit;
    (void)fit_width;
    for (size_t k = line.first; k < line.end; ++k)
      line.height = std::fmax(line.height, items[k].kind == kStack
                                               ? stacks[items[k].stack].height
                                               : items[k].f.height);
    lines.push_back(line);
    if (wrapped) {
      while (i < n && items[i].kind == kSpace) ++i;  // blanks at a wrap start no line
      continue;
    }
    if (i >= n) break;
    ++i;  // the paragraph code
    if (i == n) {
      lines.push_back(Line{i, i, 0, 0});
      break;
    }
  }
}

}  // namespace

uint8_t mtext_largest_height = 0;

namespace {

// Draws one character at (x, y) of the line system `place`.
void draw_char(TkDrawing* drawing, const Item& it, double x, double y, const double place[16],
               double (*m)[16], int count) {
  double unit = unit_of(it.f);
  double scale = it.f.height / unit;
  double ch[16];
  tk_matrix_identity(ch);
  ch[0] = scale * it.f.width;
  ch[4] = std::tan(it.f.oblique) * scale * it.f.width;
  ch[5] = scale;
  ch[12] = x;
  ch[13] = y;
  tk_matrix_multiply(ch, place, ch);
  TkRegenContext& r = tk_regen;
  for (int v = 0; v < count; ++v) tk_matrix_multiply(ch, r.state->viewports[v].matrix, m[v]);
  TkShapeContext ctx{};
  ctx.drawing = drawing;
  ctx.font = it.f.font;
  ctx.big = it.f.big;
  ctx.above = it.f.font->above;
  ctx.draw = 1;
  ctx.xscale = ctx.yscale = 1;
  ctx.stack_top = -1;
  std::memcpy(ctx.transform, ch, sizeof ch);
  ctx.matrices = m;
  TkFont* g = it.f.font->kind == TK_FONT_TRUETYPE
                  ? it.f.font
                  : font_find_glyph(drawing, it.f.font, it.f.big, it.code, it.plain);
  if (g) shx_interpret(&ctx, it.code, g, it.f.lines);
}

}  // namespace

int16_t mtext_draw(TkDrawing* drawing, const TkMtextParams* params, const char* text,
                   const TkTextStyleRecord* style, const double transform[16], int16_t colour,
                   double measured[2]) {
  if (!text || text_is_blank(text)) return 1;
  size_t len = strnlen(text, kMaxText);
  std::string s(text, len);
  while (!s.empty() && s.back() == ' ') s.pop_back();
  if (s.empty()) return 1;
  TkFont* first = tk_state ? tk_state->builtin_fonts[0] : nullptr;
  Format base{};
  base.height = params->height > 0 ? params->height : 1.0;
  base.width = 1.0;
  base.tracking = 1.0;
  base.colour = -1;
  char face[512];
  uint32_t bits = 0xFFFFFFFF;
  style_truetype_face(style, face, &bits);
  base.font = font_resolve(drawing, style ? style->font_file : "", TK_FONT_MASK_MAIN, first,
                           face, bits);
  if (!base.font) base.font = first;
  if (!base.font) return 1;
  if (style && style->bigfont_file[0])
    base.big = font_resolve(drawing, style->bigfont_file, TK_FONT_MASK_BIG, nullptr, nullptr,
                            0xFFFFFFFF);
  bool vertical = params->direction == 3 || (style && (style->flags & 4));
  // Line feeds of the text are skipped and lines wrap at the reference width, except in an
  // AC1012 drawing whose text holds line feeds: there they break the lines, and nothing wraps.
  bool skip_newlines = params->formatting &&
                       !(drawing->version == TK_VERSION_AC1012 && s.find('\n') != std::string::npos);
  std::vector<Item> items;
  std::vector<Stack> stacks;
  Tokenizer(drawing, s.c_str(), base, *params, vertical, skip_newlines, items, stacks).run();
  double ref = params->ref_width;
  if (!(ref > 0) || 0.1 * base.height >= ref || !skip_newlines || vertical) ref = 1e300;
  std::vector<Line> lines;
  break_lines(items, stacks, ref, lines);

  // Line spacing and the block's height. L is the text height, or the line's own largest
  // height while a tolerance frame's text is drawn.
  std::vector<double> baseline(lines.size());
  double y = 0, prev_largest = 0, factor = params->spacing_factor > 0 ? params->spacing_factor : 1.0;
  for (size_t k = 0; k < lines.size(); ++k) {
    double lh = mtext_largest_height && lines[k].height > 0 ? lines[k].height : base.height;
    double step;
    if (vertical)
      step = k == 0 ? 0 : 2 * lh * factor;
    else if (params->spacing_style == 1)
      step = k == 0 ? lh : ((prev_largest + base.height) / 3 + lh) * factor;
    else
      step = k == 0 ? base.height : factor * base.height * 1.666667;
    y += step;
    baseline[k] = vertical ? y : -y;
    prev_largest = lines[k].height;
  }
  double block_height = y, max_width = 0;
  if (vertical) {
    // Columns from left to right; the block is as high as its longest column.
    block_height = 0;
    for (const Line& l : lines) {
      double down = 0;
      for (size_t i = l.first; i < l.end; ++i) down += items[i].advance_y;
      block_height = std::fmax(block_height, down);
    }
    max_width = y + base.height;
  } else {
    for (const Line& l : lines) max_width = std::fmax(max_width, l.width);
  }
  if (measured) {
    measured[0] = max_width;
    measured[1] = block_height;
  }
  TkRegenContext& r = tk_regen;
  if (!r.state) return 1;  // measured only: no display is set up
  uint8_t attach = params->attachment >= 1 && params->attachment <= 9 ? params->attachment : 1;
  double dy = attach >= 7 ? block_height : attach >= 4 ? block_height / 2 : 0;
  int column = (attach - 1) % 3;

  // Placement: rotation and insertion point, then the block's transform.
  double place[16];
  tk_matrix_identity(place);
  double c = std::cos(params->rotation), sn = std::sin(params->rotation);
  place[0] = c;
  place[1] = sn;
  place[4] = -sn;
  place[5] = c;
  place[12] = params->insertion[0];
  place[13] = params->insertion[1];
  place[14] = params->insertion[2];
  tk_matrix_multiply(place, transform, place);
  int count = r.viewport_count ? r.viewport_count : 1;
  auto* m = static_cast<double(*)[16]>(mem_alloc(sizeof(double) * 16 * 2 * size_t(count)));
  if (!m) return tk_fail_alloc(TK_ERR_MTEXT_MATRICES);
  double(*line_m)[16] = m + count;
  for (int v = 0; v < count; ++v) tk_matrix_multiply(place, r.state->viewports[v].matrix, line_m[v]);
  TkEntityHeader* scratch = tk_display_callbacks->scratch_header;
  uint16_t kind = scratch->kind;
  scratch->kind = TK_TEXT;
  int16_t current_colour = colour;
  auto set_colour = [&](const Format& f) {
    int16_t want = f.colour < 0      ? colour
                   : f.colour == 0   ? params->block_colour
                   : f.colour == 256 ? params->layer_colour
                                     : f.colour;
    // A caller that knows no layer or block colour leaves them at 0: the entity's stands in.
    if (want == 0 || want == 256) want = colour;
    if (want != current_colour && want >= 0) {
      regen_set_color(drawing, tk_display_callbacks->colour_map[want & 0xFF]);
      current_colour = want;
    }
  };
  for (size_t k = 0; k < lines.size() && regen_continue; ++k) {
    const Line& line = lines[k];
    double x = 0, top = 0;
    if (vertical) {
      // The column's first character hangs from the insertion point, raised by the attachment.
      x = baseline[k];
      top = dy - base.height;
    } else {
      x = column == 0 ? 0 : column == 1 ? -line.width / 2 : -line.width;
    }
    double pen_y = 0;
    for (size_t i = line.first; i < line.end; ++i) {
      const Item& it = items[i];
      if (it.kind == kParagraph) continue;
      if (vertical) {
        if (it.kind == kChar && it.f.font) {
          set_colour(it.f);
          draw_char(drawing, it, x, top + pen_y, place, m, count);
        }
        pen_y -= it.advance_y;
        continue;
      }
      // \A: the character sits at the bottom, the middle or the top of its line.
      double shift = it.f.valign * (line.height - it.f.height) / 2;
      double y0 = baseline[k] + dy + (shift > 0 ? shift : 0);
      if (it.kind == kChar && it.f.font) {
        set_colour(it.f);
        draw_char(drawing, it, x, y0, place, m, count);
      } else if (it.kind == kStack && it.stack < stacks.size()) {
        const Stack& st = stacks[it.stack];
        set_colour(it.f);
        for (const Item& part : st.parts)
          if (part.f.font) draw_char(drawing, part, x + part.x, y0 + part.y, place, m, count);
        if (st.bar) {
          double a[3] = {x + st.bar_from[0], y0 + st.bar_from[1], 0};
          double b[3] = {x + st.bar_to[0], y0 + st.bar_to[1], 0};
          regen_line(drawing, a, b, place, line_m, nullptr, drawing, nullptr, ++r.run_counter,
                     0.0);
        }
      }
      x += it.advance;
    }
  }
  if (current_colour != colour && colour >= 0)
    regen_set_color(drawing, tk_display_callbacks->colour_map[colour & 0xFF]);
  scratch->kind = kind;
  mem_free(m);
  return 1;
}

int16_t mtext_entity(TkDrawing* drawing, TkEntityData* data, const double transform[16],
                     int16_t colour, int16_t layer_colour, int16_t block_colour) {
  TkMtextParams p{};
  for (int i = 0; i < 3; ++i) p.insertion[i] = tk_data_get<double>(data, 8 * i);
  double dir[2] = {tk_data_get<double>(data, 24), tk_data_get<double>(data, 32)};
  p.rotation = (dir[0] == 0 && dir[1] == 0) ? 0.0 : std::atan2(dir[1], dir[0]);
  p.height = tk_data_get<double>(data, 48);
  p.ref_width = tk_data_get<double>(data, 56);
  p.attachment = tk_data_get<uint8_t>(data, 64);
  p.direction = tk_data_get<uint8_t>(data, 65);
  p.spacing_style = tk_data_get<int16_t>(data, 88);
  p.spacing_factor = tk_data_get<double>(data, 96);
  p.formatting = 1;
  p.layer_colour = layer_colour;
  p.block_colour = block_colour;
  if (!std::isfinite(p.height) || !std::isfinite(p.rotation)) return 1;
  TkHandle style_handle = tk_data_get<TkHandle>(data, 104);
  auto* style = static_cast<TkTextStyleRecord*>(mem_alloc(sizeof(TkTextStyleRecord)));
  if (!style) return tk_fail_alloc(TK_ERR_MTEXT_STORAGE);
  if (!tk_style_get(drawing, &style_handle, style)) tk_init_style_record(style);
  // The string stands in the record, or in the blob when it is long.
  std::string text;
  TkBlob* blob = tk_data_blob(data, TK_MTEXT_BLOB);
  if (blob) {
    TkBlob* reader = blob_open_read(blob);
    uint8_t byte;
    while (reader && text.size() < kMaxText && blob_read_byte(reader, &byte) && byte)
      text.push_back(char(byte));
    if (reader) blob_close(reader);
  } else {
    const char* s = tk_data_text(data, TK_MTEXT_STRING);
    text.assign(s, strnlen(s, TK_ENTITY_DATA_SIZE - TK_MTEXT_STRING));
  }
  double measured[2] = {-1, -1};
  int16_t ok = mtext_draw(drawing, &p, text.c_str(), style, transform, colour, measured);
  // What the drawing measured is kept with the entity, as the drawing's program keeps it.
  if (measured[0] >= 0) {
    tk_data_put(data, TK_MTEXT_MEASURED_HEIGHT, measured[1]);
    tk_data_put(data, TK_MTEXT_MEASURED_WIDTH, measured[0]);
  }
  mem_free(style);
  return ok;
}

int16_t mtext_measure(TkDrawing* drawing, const TkMtextParams* params, const char* text,
                      const TkTextStyleRecord* style, double* width, double* top) {
  *width = 0;
  *top = 0;
  if (!text || text_is_blank(text)) return 1;
  TkFont* first = tk_state ? tk_state->builtin_fonts[0] : nullptr;
  Format base{};
  base.height = params->height > 0 ? params->height : 1.0;
  base.width = 1.0;
  base.tracking = 1.0;
  base.colour = -1;
  base.font = font_resolve(drawing, style ? style->font_file : "", TK_FONT_MASK_MAIN, first,
                           nullptr, 0xFFFFFFFF);
  if (!base.font) base.font = first;
  if (!base.font) return 1;
  if (style && style->bigfont_file[0])
    base.big = font_resolve(drawing, style->bigfont_file, TK_FONT_MASK_BIG, nullptr, nullptr,
                            0xFFFFFFFF);
  std::string s(text, strnlen(text, kMaxText));
  bool skip_newlines = params->formatting &&
                       !(drawing->version == TK_VERSION_AC1012 && s.find('\n') != std::string::npos);
  std::vector<Item> items;
  std::vector<Stack> stacks;
  Tokenizer(drawing, s.c_str(), base, *params, false, skip_newlines, items, stacks).run();
  std::vector<Line> lines;
  break_lines(items, stacks, 1e300, lines);
  for (const Line& l : lines) *width = std::fmax(*width, l.width);
  if (!lines.empty()) *top = lines[0].height;
  return 1;
}
