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
  int16_t colour;   // -1: the entity's
  TkFont* font;
  TkFont* big;
};

enum ItemKind : uint8_t { kChar, kSpace, kHardSpace, kParagraph };

struct Item {
  ItemKind kind;
  uint16_t code;
  uint8_t plain;
  Format f;
  double advance;  // drawing units along the line
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

// The advance of one character in font units.
double glyph_advance(TkDrawing* d, const Format& f, uint16_t code, uint8_t plain) {
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
  double identity[16];
  tk_matrix_identity(identity);
  double box[8] = {1e300, 1e300, 0, 1, -1e300, -1e300, 0, 1};
  ctx.box = box;
  ctx.box_matrix = identity;
  shx_interpret(&ctx, code, g, 0);
  return ctx.pen[0];
}

class Tokenizer {
 public:
  Tokenizer(TkDrawing* d, const char* text, const Format& base, const TkMtextParams& p,
            std::vector<Item>& out)
      : d_(d), p_(text), out_(out), params_(p) {
    stack_[0] = base;
  }

  void run() {
    while (*p_) step();
  }

 private:
  Format& f() { return stack_[depth_]; }

  void push_char(uint16_t code, uint8_t plain, ItemKind kind = kChar) {
    Item it{kind, code, plain, f(), 0};
    double scale = f().height / unit_of(f());
    it.advance = glyph_advance(d_, f(), code, plain) * scale * f().width * f().tracking;
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
    else if (c == 'J') out_.push_back(Item{kParagraph, 0, 1, f(), 0});
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
      if (*p == '\n') return out_.push_back(Item{kParagraph, 0, 1, f(), 0});
      if (*p == '\t') return push_char(' ', 1, kSpace);
      return push_char(static_cast<uint8_t>(*p), 1, *p == ' ' ? kSpace : kChar);
    }
    if (*p == '\\' && p[1]) {
      char c = p[1];
      p_ = p + 2;
      bool rel = false;
      switch (c) {
        case 'P': out_.push_back(Item{kParagraph, 0, 1, f(), 0}); return;
        // A column break: the columns of later releases are laid out one below the other.
        case 'N': out_.push_back(Item{kParagraph, 0, 1, f(), 0}); return;
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
        case 'S': {
          // A stacked fraction: upper and lower part side by side at a smaller height,
          // separated by its stacking character.
          Format saved = f();
          f().height *= 0.7;
          while (*p_ && *p_ != ';') {
            char s = *p_++;
            if (s == '\\' && *p_) s = *p_++;
            if (s == '^' || s == '#') s = '/';
            push_char(static_cast<uint8_t>(s), 1);
          }
          if (*p_ == ';') ++p_;
          f() = saved;
          return;
        }
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
      out_.push_back(Item{kParagraph, 0, 1, f(), 0});
      return;
    }
    if (*p == '\r') {
      p_ = p + 1;
      return;
    }
    uint16_t code = static_cast<uint8_t>(*p);
    p_ = p + 1;
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
  const TkMtextParams& params_;
  Format stack_[kGroupDepth];
  int depth_ = 0;
};

struct Line {
  size_t first, end;  // items
  double width;
  double height;      // largest character height
};

// Breaks the items into lines at paragraph codes and, with a reference width, between words.
void break_lines(const std::vector<Item>& items, double ref_width, std::vector<Line>& lines) {
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
      while (j < n && (items[j].kind == kChar || items[j].kind == kHardSpace)) w += items[j++].advance;
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
      line.height = std::fmax(line.height, items[k].f.height);
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

int16_t mtext_draw(TkDrawing* drawing, const TkMtextParams* params, const char* text,
                   const TkTextStyleRecord* style, const double transform[16], int16_t colour) {
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
  base.font = font_resolve(drawing, style ? style->font_file : "", TK_FONT_MASK_MAIN, first,
                           nullptr, 0xFFFFFFFF);
  if (!base.font) base.font = first;
  if (!base.font) return 1;
  if (style && style->bigfont_file[0])
    base.big = font_resolve(drawing, style->bigfont_file, TK_FONT_MASK_BIG, nullptr, nullptr,
                            0xFFFFFFFF);
  std::vector<Item> items;
  Tokenizer(drawing, s.c_str(), base, *params, items).run();
  double ref = params->ref_width;
  if (!(ref > 0) || 0.1 * base.height >= ref) ref = 1e300;
  std::vector<Line> lines;
  break_lines(items, ref, lines);

  // Line spacing and the block's height.
  std::vector<double> baseline(lines.size());
  double y = 0, prev_largest = 0, factor = params->spacing_factor > 0 ? params->spacing_factor : 1.0;
  for (size_t k = 0; k < lines.size(); ++k) {
    double lh = base.height;
    double step;
    if (params->spacing_style == 1)
      step = k == 0 ? lh : ((prev_largest + base.height) / 3 + lh) * factor;
    else
      step = k == 0 ? base.height : factor * base.height * 1.666667;
    y += step;
    baseline[k] = -y;
    prev_largest = lines[k].height;
  }
  double block_height = y;
  double max_width = 0;
  for (const Line& l : lines) max_width = std::fmax(max_width, l.width);
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
  TkRegenContext& r = tk_regen;
  int count = r.viewport_count ? r.viewport_count : 1;
  auto* m = static_cast<double(*)[16]>(mem_alloc(sizeof(double) * 16 * size_t(count)));
  if (!m) return tk_fail_alloc(TK_ERR_MTEXT_MATRICES);
  TkEntityHeader* scratch = tk_display_callbacks->scratch_header;
  uint16_t kind = scratch->kind;
  scratch->kind = TK_TEXT;
  int16_t current_colour = colour;
  for (size_t k = 0; k < lines.size() && regen_continue; ++k) {
    const Line& line = lines[k];
    double x = column == 0 ? 0 : column == 1 ? -line.width / 2 : -line.width;
    for (size_t i = line.first; i < line.end; ++i) {
      const Item& it = items[i];
      if (it.kind == kParagraph) continue;
      if (it.kind == kChar && it.f.font) {
        int16_t want = it.f.colour < 0 ? colour : it.f.colour == 256 ? colour : it.f.colour;
        if (want != current_colour && want >= 0) {
          regen_set_color(drawing, tk_display_callbacks->colour_map[want & 0xFF]);
          current_colour = want;
        }
        double unit = unit_of(it.f);
        double scale = it.f.height / unit;
        double ch[16];
        tk_matrix_identity(ch);
        ch[0] = scale * it.f.width;
        ch[4] = std::tan(it.f.oblique) * scale * it.f.width;
        ch[5] = scale;
        ch[12] = x;
        ch[13] = baseline[k] + dy;
        tk_matrix_multiply(ch, place, ch);
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
      x += it.advance;
    }
  }
  if (current_colour != colour && colour >= 0)
    regen_set_color(drawing, tk_display_callbacks->colour_map[colour & 0xFF]);
  scratch->kind = kind;
  mem_free(m);
  return 1;
}

int16_t mtext_entity(TkDrawing* drawing, const TkEntityData* data, const double transform[16],
                     int16_t colour) {
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
  int16_t ok = mtext_draw(drawing, &p, text.c_str(), style, transform, colour);
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
  std::vector<Item> items;
  Tokenizer(drawing, s.c_str(), base, *params, items).run();
  std::vector<Line> lines;
  break_lines(items, 1e300, lines);
  for (const Line& l : lines) *width = std::fmax(*width, l.width);
  if (!lines.empty()) *top = lines[0].height;
  return 1;
}
