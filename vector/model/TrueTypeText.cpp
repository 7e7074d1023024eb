// TrueType glyph outlines for the toolkit's display over FreeType, with the face and glyph cache
// and the flattening of outlines into segments. Fonts are files the user's drawings name, so
// every count FreeType hands back is checked before the outline is walked.
#include "vector/model/TrueTypeText.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "toolkit/core/blob.h"
#include "toolkit/core/mem.h"

namespace {

constexpr int32_t kGrowBy = 100;
constexpr int32_t kTrialSize = 1400;  // points at 72 dpi: one point is one pixel
constexpr uint8_t kSymbolCharset = 2;
constexpr uint8_t kOemCharset = 255;
constexpr uint8_t kArabicCharset = 178;

struct GlyphRecord {
  uint16_t code;
  int32_t advance;  // 26.6
  int32_t box[4];   // 26.6: x min, y min, x max, y max
  int32_t contour_count;
  std::vector<int32_t> points;
  std::vector<uint8_t> flags;
  std::vector<int16_t> ends;
};

// One opened face. A face is sized for its character set, so the character set is part of
// the key along with the path.
struct FaceRecord {
  char path[TK_TRUETYPE_PATH_SIZE];
  uint8_t charset;
  FT_Face face;
  GlyphRecord* glyphs;
  int32_t glyph_count;
  int32_t glyph_capacity;
};

struct TrueTypeFaceCache {
  int32_t count;
  int32_t capacity;
  FaceRecord* faces;
  FT_Library engine;
  int32_t started;
};

TrueTypeFaceCache cache;

const uint16_t kCp1256High[128] = {
    0x20AC, 0x067E, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0679, 0x2039, 0x0152, 0x0686, 0x0698, 0x0688,
    0x06AF, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x06A9, 0x2122, 0x0691, 0x203A, 0x0153, 0x200C, 0x200D, 0x06BA,
    0x00A0, 0x060C, 0x00A2, 0x00A3, 0x00A4, 0x00A5, 0x00A6, 0x00A7,
    0x00A8, 0x00A9, 0x06BE, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
    0x00B8, 0x00B9, 0x061B, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x061F,
    0x06C1, 0x0621, 0x0622, 0x0623, 0x0624, 0x0625, 0x0626, 0x0627,
    0x0628, 0x0629, 0x062A, 0x062B, 0x062C, 0x062D, 0x062E, 0x062F,
    0x0630, 0x0631, 0x0632, 0x0633, 0x0634, 0x0635, 0x0636, 0x00D7,
    0x0637, 0x0638, 0x0639, 0x063A, 0x0640, 0x0641, 0x0642, 0x0643,
    0x00E0, 0x0644, 0x00E2, 0x0645, 0x0646, 0x0647, 0x0648, 0x00E7,
    0x00E8, 0x00E9, 0x00EA, 0x00EB, 0x0649, 0x064A, 0x00EE, 0x00EF,
    0x064B, 0x064C, 0x064D, 0x064E, 0x00F4, 0x064F, 0x0650, 0x00F7,
    0x0651, 0x00F9, 0x0652, 0x00FB, 0x00FC, 0x200E, 0x200F, 0x06D2,
};

void free_face(FaceRecord* f) {
  delete[] f->glyphs;
  f->glyphs = nullptr;
  f->glyph_count = f->glyph_capacity = 0;
  if (f->face) FT_Done_Face(f->face);
  f->face = nullptr;
}

// Loads the glyph of code (already in the face's character map) into the face's slot.
FT_Error load_into_slot(FT_Face face, uint32_t code) {
  return FT_Load_Glyph(face, FT_Get_Char_Index(face, code), FT_LOAD_NO_BITMAP);
}

FT_Error load_glyph_outline(FaceRecord* f, uint16_t code, GlyphRecord* g) {
  uint32_t unicode = code;
  if (f->charset == kArabicCharset && code >= 0x80 && code < 256)
    unicode = Cp1256ToUnicode(uint8_t(code));
  if (FT_Error e = load_into_slot(f->face, unicode)) return e;
  FT_GlyphSlot slot = f->face->glyph;
  g->code = code;
  g->advance = int32_t(slot->metrics.horiAdvance);
  g->box[0] = int32_t(slot->metrics.horiBearingX);
  g->box[3] = int32_t(slot->metrics.horiBearingY);
  g->box[2] = int32_t(slot->metrics.horiBearingX + slot->metrics.width);
  g->box[1] = int32_t(slot->metrics.horiBearingY - slot->metrics.height);
  if (slot->format != FT_GLYPH_FORMAT_OUTLINE) {
    g->contour_count = -1;
    return 0;
  }
  const FT_Outline& o = slot->outline;
  g->contour_count = o.n_contours;
  int32_t n = o.n_points > 0 ? o.n_points : 0;
  g->points.resize(size_t(n) * 2);
  g->flags.resize(size_t(n));
  for (int32_t i = 0; i < n; ++i) {
    g->points[2 * i] = int32_t(o.points[i].x);
    g->points[2 * i + 1] = int32_t(o.points[i].y);
    g->flags[i] = uint8_t(o.tags[i]);
  }
  g->ends.assign(o.contours, o.contours + (o.n_contours > 0 ? o.n_contours : 0));
  return 0;
}

// Opens the face of the font, picks its character map and sizes it. 0, or an error number.
int16_t open_face(FaceRecord* f) {
  if (FT_Error e = FT_New_Face(cache.engine, f->path, 0, &f->face)) {
    f->face = nullptr;
    return int16_t(e);
  }
  if (FT_Error e = FT_Set_Char_Size(f->face, 0, FT_F26Dot6(kTrialSize) * 64, 72, 72))
    return int16_t(e);
  FT_UShort encoding = (f->charset == kSymbolCharset || f->charset == kOemCharset) ? 0 : 1;
  FT_CharMap chosen = nullptr;
  for (FT_Int i = 0; i < f->face->num_charmaps && !chosen; ++i) {
    FT_CharMap m = f->face->charmaps[i];
    if (m->platform_id == 3 && m->encoding_id == encoding) chosen = m;
  }
  if (!chosen || FT_Set_Charmap(f->face, chosen)) return 1;
  // The "A" only measures the face: it is not kept, since it was loaded at the trial size.
  int32_t capital = 0;
  if (load_into_slot(f->face, 'A') == 0) capital = int32_t(f->face->glyph->metrics.height / 64);
  FT_F26Dot6 size = FT_F26Dot6(TrueTypeSizeFor(capital, f->charset)) * 64;
  if (FT_Error e = FT_Set_Char_Size(f->face, 0, size, 72, 72)) return int16_t(e);
  return 0;
}

FaceRecord* find_face(const TkTrueTypeFontSpec* font, int16_t* error) {
  for (int32_t i = 0; i < cache.count; ++i)
    if (cache.faces[i].charset == font->charset &&
        std::strncmp(cache.faces[i].path, font->path, sizeof font->path) == 0)
      return &cache.faces[i];
  if (cache.count == cache.capacity) {
    auto* grown = static_cast<FaceRecord*>(
        std::realloc(cache.faces, sizeof(FaceRecord) * size_t(cache.capacity + kGrowBy)));
    if (!grown) {
      *error = 1;
      return nullptr;
    }
    cache.faces = grown;
    cache.capacity += kGrowBy;
  }
  FaceRecord* f = &cache.faces[cache.count];
  std::memset(f, 0, sizeof *f);
  std::memcpy(f->path, font->path, sizeof f->path);
  f->path[sizeof f->path - 1] = 0;
  f->charset = font->charset;
  *error = open_face(f);
  if (*error) {
    free_face(f);
    return nullptr;
  }
  ++cache.count;
  return f;
}

GlyphRecord* find_glyph(FaceRecord* f, uint16_t code, int16_t* error) {
  for (int32_t i = 0; i < f->glyph_count; ++i)
    if (f->glyphs[i].code == code) return &f->glyphs[i];
  if (f->glyph_count == f->glyph_capacity) {
    auto* grown = new (std::nothrow) GlyphRecord[size_t(f->glyph_capacity + kGrowBy)];
    if (!grown) {
      *error = 1;
      return nullptr;
    }
    for (int32_t i = 0; i < f->glyph_count; ++i) grown[i] = std::move(f->glyphs[i]);
    delete[] f->glyphs;
    f->glyphs = grown;
    f->glyph_capacity += kGrowBy;
  }
  GlyphRecord* g = &f->glyphs[f->glyph_count];
  *g = GlyphRecord{};
  *error = int16_t(load_glyph_outline(f, code, g));
  if (*error) return nullptr;
  ++f->glyph_count;
  return g;
}

void free_result(TkTrueTypeGlyph* out) {
  if (out->contours)
    for (int32_t c = 0; c < out->contour_count; ++c) blob_free(out->contours[c]);
  mem_free(out->contours);
  mem_free(out->segment_counts);
  *out = TkTrueTypeGlyph{};
}

}  // namespace

uint16_t Cp1256ToUnicode(uint8_t byte) { return byte < 0x80 ? byte : kCp1256High[byte - 0x80]; }

int32_t TrueTypeSizeFor(int32_t capital_height, uint8_t charset) {
  double h = capital_height != 0 ? capital_height : kTrueTypeEm;
  double f = charset == kSymbolCharset ? 0.94 : charset == kArabicCharset ? 0.84 : 1.0;
  return int32_t(kTrueTypeEm / h * f * kTrialSize);
}

void BernsteinWeight(int32_t n, double t, double* w) {
  w[0] = 1;
  for (int32_t d = 1; d <= n; ++d) {
    w[d] = w[d - 1] * t;
    for (int32_t i = d - 1; i > 0; --i) w[i] = w[i] * (1 - t) + w[i - 1] * t;
    w[0] *= 1 - t;
  }
}

void EvaluateBezier(const double* points, int32_t n, double t, double out[2]) {
  std::vector<double> w(size_t(n) + 1);
  BernsteinWeight(n, t, w.data());
  out[0] = out[1] = 0;
  for (int32_t i = 0; i <= n; ++i) {
    out[0] += w[i] * points[3 * i];
    out[1] += w[i] * points[3 * i + 1];
  }
}

void AppendOutlinePoint(TkBlob* writer, double last[2], int32_t* count, const double p[2]) {
  if (*count >= 0) {
    const double segment[4] = {last[0], last[1], p[0], p[1]};
    blob_write(writer, segment, sizeof segment);
  }
  ++*count;
  last[0] = p[0];
  last[1] = p[1];
}

int16_t FlattenGlyphOutline(const GlyphOutlineView& o, const double origin[2],
                            TkTrueTypeGlyph* out) {
  if (o.contour_count <= 0) return 0;
  // Contour ends must rise within the points, or the outline is not one to walk.
  int32_t longest = 0;
  for (int32_t c = 0, start = 0; c < o.contour_count; ++c) {
    if (o.ends[c] < start - 1 || o.ends[c] >= o.point_count) return 1;
    longest = std::max(longest, o.ends[c] - start + 1);
    start = o.ends[c] + 1;
  }
  out->contours = static_cast<TkBlob**>(mem_alloc(sizeof(TkBlob*) * size_t(o.contour_count)));
  out->segment_counts =
      static_cast<int32_t*>(mem_alloc(sizeof(int32_t) * size_t(o.contour_count)));
  if (!out->contours || !out->segment_counts) {
    free_result(out);
    return 1;
  }
  std::memset(out->contours, 0, sizeof(TkBlob*) * size_t(o.contour_count));
  std::vector<double> work(size_t(longest) * 3 + 3);
  auto on_curve = [&](int32_t i) { return (work[3 * i + 2] != 0); };
  for (int32_t c = 0, start = 0; c < o.contour_count; start = o.ends[c] + 1, ++c) {
    int32_t length = o.ends[c] - start + 1;
    int32_t first_on = 0;
    while (first_on < length && !(o.flags[start + first_on] & 1)) ++first_on;
    if (first_on == length) first_on = 0;
    int32_t m = 0;
    for (int32_t k = 0; k < length; ++k, ++m) {
      int32_t i = start + (first_on + k) % length;
      work[3 * m] = o.points[2 * i];
      work[3 * m + 1] = o.points[2 * i + 1];
      work[3 * m + 2] = (o.flags[i] & 1) ? 1 : 0;
    }
    if (m > 0 && (work[3 * (m - 1)] != work[0] || work[3 * (m - 1) + 1] != work[1])) {
      work[3 * m] = work[0];
      work[3 * m + 1] = work[1];
      work[3 * m + 2] = work[2];
      ++m;
    }
    TkBlob* stored = blob_alloc(TK_BLOB_CHUNK_SIZE);
    TkBlob* writer = stored ? blob_create(stored) : nullptr;
    if (!writer) {
      blob_free(stored);
      out->contour_count = c;
      free_result(out);
      return 1;
    }
    out->contours[c] = stored;
    int32_t count = -1;
    double last[2] = {0, 0};
    auto append = [&](double x, double y) {
      const double p[2] = {x / 64 + origin[0], y / 64 + origin[1]};
      AppendOutlinePoint(writer, last, &count, p);
    };
    // A curve's end point is its last sample, so an on-curve point that ends a run is not
    // taken again as a point of its own.
    bool emitted = false;
    for (int32_t i = 0; i < m;) {
      int32_t j = i + 1;
      while (j < m && !on_curve(j)) ++j;
      if (on_curve(i) && i + 1 < m && !on_curve(i + 1) && j < m) {
        for (int k = emitted ? 1 : 0; k <= 4; ++k) {
          double p[2];
          EvaluateBezier(&work[3 * i], j - i, k * 0.25, p);
          append(p[0], p[1]);
        }
        i = j;
        emitted = true;
        continue;
      }
      if (!emitted) append(work[3 * i], work[3 * i + 1]);
      emitted = false;
      ++i;
    }
    blob_close_write(writer);
    out->segment_counts[c] = count > 0 ? count : 0;
    out->contour_count = c + 1;
  }
  return 0;
}

int16_t DwgDrawTrueTypeText(int16_t code, const double origin[2], const TkTrueTypeFontSpec* font,
                            TkTrueTypeGlyph* out, TkUserData) {
  *out = TkTrueTypeGlyph{};
  if (!cache.started) {
    if (FT_Error e = FT_Init_FreeType(&cache.engine)) return int16_t(e);
    cache.started = 1;
  }
  int16_t error = 0;
  FaceRecord* face = find_face(font, &error);
  if (!face) return error ? error : 1;
  GlyphRecord* g = find_glyph(face, uint16_t(code), &error);
  if (!g) return error ? error : 1;
  if (g->contour_count >= 0) {
    GlyphOutlineView view{int32_t(g->flags.size()), g->contour_count, g->points.data(),
                          g->flags.data(), g->ends.data()};
    if (FlattenGlyphOutline(view, origin, out)) return 1;
  }
  out->advance = g->advance / 64;
  if (face->charset == kArabicCharset) out->advance = 2 * out->advance * 0.3333333333333333;
  out->flags = TK_GLYPH_FILLED | TK_GLYPH_FREE;
  return 0;
}

void FreeTrueTypeFaceCache() {
  for (int32_t i = 0; i < cache.count; ++i) free_face(&cache.faces[i]);
  std::free(cache.faces);
  if (cache.started) FT_Done_FreeType(cache.engine);
  cache = TrueTypeFaceCache{};
}

// Every vector drawing object starts the cache afresh. What another object opened is closed
// rather than forgotten, so a second open drawing neither leaks the first one's faces nor finds
// them freed under it later (it opens them again on its next character).
void ResetTrueTypeFaceCache() { FreeTrueTypeFaceCache(); }
