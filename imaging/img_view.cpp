// The reduced-view renderer: turns a source rectangle of an image into the pixels of a destination
// rectangle of a given size, producing only the part of the destination a window shows. Bitonal
// sheets are read 64 bits at a time (a reduced pixel's share of ink is a population count), so
// fitting an A0 sheet to a screen reads the packed bits once and never builds a scaled copy.
#include "img_codec.h"

#include <cstring>

namespace {

// Source span [start, start + len) of each destination position along one axis. Reductions cover
// every source pixel exactly once; enlargements give each destination pixel its nearest source.
void spans(int32_t src_start, int32_t src_len, int32_t dst_len, int32_t from, int32_t count,
           std::vector<int32_t>& start, std::vector<int32_t>& len) {
  start.resize(size_t(count));
  len.resize(size_t(count));
  for (int32_t i = 0; i < count; ++i) {
    int64_t d = from + i;
    int64_t a = d * src_len / dst_len, b = (d + 1) * src_len / dst_len;
    if (b <= a) {
      a = (2 * d + 1) * src_len / (2 * int64_t(dst_len));
      b = a + 1;
    }
    start[size_t(i)] = int32_t(src_start + a);
    len[size_t(i)] = int32_t(b - a);
  }
}

inline uint64_t load_be64(const uint8_t* p) {
  uint64_t v;
  std::memcpy(&v, p, 8);
  return __builtin_bswap64(v);
}

// Population counts: the processor's instruction where it has one (chosen at run time, since the
// build targets plain x86-64), else a bit-parallel count.
struct SoftPop {
  static inline __attribute__((always_inline)) int Count(uint64_t v) {
    v = v - ((v >> 1) & 0x5555555555555555ull);
    v = (v & 0x3333333333333333ull) + ((v >> 2) & 0x3333333333333333ull);
    v = (v + (v >> 4)) & 0x0F0F0F0F0F0F0F0Full;
    return int((v * 0x0101010101010101ull) >> 56);
  }
};
struct HardPop {
  static inline __attribute__((always_inline)) int Count(uint64_t v) { return __builtin_popcountll(v); }
};

// The len bits of a row starting at bit x, as the top bits of a 64-bit word (len <= 56). fast
// says 8 bytes may be read at the byte of x; else the bytes past the row's end read as zero.
inline uint64_t bits_at(const uint8_t* row, size_t row_bytes, int32_t x, int32_t len, bool fast) {
  size_t byte = size_t(x) >> 3;
  uint64_t v;
  if (fast) {
    v = load_be64(row + byte);
  } else {
    v = 0;
    for (size_t k = 0; k < 8; ++k) v = v << 8 | (byte + k < row_bytes ? row[byte + k] : 0);
  }
  return (v << (x & 7)) & (~uint64_t(0) << (64 - len));
}

// Ink count of a span of any length.
inline int32_t ink_bits(const uint8_t* row, size_t row_bytes, int32_t x, int32_t len, bool fast,
                        bool any_only) {
  int32_t count = 0;
  while (len > 0) {
    int32_t part = len > 56 ? 56 : len;
    uint64_t v = bits_at(row, row_bytes, x, part, fast);
    if (any_only) {
      if (v) return 1;
    } else {
      count += SoftPop::Count(v);
    }
    x += part;
    len -= part;
  }
  return count;
}

uint32_t lerp_colour(uint32_t a, uint32_t b, int t) {  // t in 0..255
  uint32_t out = 0;
  for (int sh = 0; sh <= 16; sh += 8) {
    int ca = int((a >> sh) & 255), cb = int((b >> sh) & 255);
    out |= uint32_t(ca + (cb - ca) * t / 255) << sh;
  }
  return out;
}

// Per destination column of a reduction whose spans are at most 56 bits: the byte to load, the
// shift and the mask that leave the span's bits at the top of a 64-bit word.
struct ColumnSpan {
  uint32_t byte;
  uint32_t shift;
  uint64_t mask;
  uint32_t len;
};

// Adds the ink of one source row to the counters of every destination column.
template <typename Pop>
inline __attribute__((always_inline)) void accumulate_row(const uint8_t* r, const ColumnSpan* cols, size_t n,
                                                           bool ink_is_zero, uint32_t* acc) {
  if (ink_is_zero) {
    for (size_t i = 0; i < n; ++i)
      acc[i] += cols[i].len - uint32_t(Pop::Count((load_be64(r + cols[i].byte) << cols[i].shift) & cols[i].mask));
  } else {
    for (size_t i = 0; i < n; ++i)
      acc[i] += uint32_t(Pop::Count((load_be64(r + cols[i].byte) << cols[i].shift) & cols[i].mask));
  }
}

void accumulate_soft(const uint8_t* r, const ColumnSpan* cols, size_t n, bool ink_is_zero, uint32_t* acc) {
  accumulate_row<SoftPop>(r, cols, n, ink_is_zero, acc);
}

#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("popcnt"))) void accumulate_hard(const uint8_t* r, const ColumnSpan* cols, size_t n,
                                                        bool ink_is_zero, uint32_t* acc) {
  accumulate_row<HardPop>(r, cols, n, ink_is_zero, acc);
}
typedef void (*AccumulateFn)(const uint8_t*, const ColumnSpan*, size_t, bool, uint32_t*);
AccumulateFn pick_accumulate() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("popcnt") ? accumulate_hard : accumulate_soft;
}
#else
typedef void (*AccumulateFn)(const uint8_t*, const ColumnSpan*, size_t, bool, uint32_t*);
AccumulateFn pick_accumulate() { return accumulate_soft; }
#endif

void render_bitonal(const ImgImage& img, const std::vector<int32_t>& xs, const std::vector<int32_t>& xl,
                    const std::vector<int32_t>& ys, const std::vector<int32_t>& yl, int32_t mode,
                    ImgViewBuffer& out) {
  // Ink is the darker of the two palette entries; the view shows paper-to-ink levels 0..255.
  uint32_t pal0 = img.palette.size() > 0 ? img.palette[0] : 0xFFFFFFu;
  uint32_t pal1 = img.palette.size() > 1 ? img.palette[1] : 0;
  bool ink_is_zero = img_luma(pal0) < img_luma(pal1);
  uint32_t paper = ink_is_zero ? pal1 : pal0, ink = ink_is_zero ? pal0 : pal1;
  for (int i = 0; i < 256; ++i) out.palette[i] = lerp_colour(paper, ink, i);

  const size_t n = xs.size();
  bool single = true, narrow = true;  // every span one pixel; every span fits one load
  for (size_t i = 0; i < n; ++i) {
    single = single && xl[i] == 1;
    narrow = narrow && xl[i] <= 56;
  }
  for (size_t oy = 0; oy < ys.size(); ++oy) single = single && yl[oy] == 1;
  // Without reduction every mode shows the pixel itself.
  if (single) mode = IMG_VIEW_QUICK;

  std::vector<uint32_t> acc(n);
  std::vector<int32_t> sample_x(n);
  for (size_t i = 0; i < n; ++i) sample_x[i] = xs[i] + xl[i] / 2;
  std::vector<ColumnSpan> cols(narrow ? n : 0);
  for (size_t i = 0; i < cols.size(); ++i)
    cols[i] = ColumnSpan{uint32_t(xs[i]) >> 3, uint32_t(xs[i]) & 7, ~uint64_t(0) << (64 - xl[i]), uint32_t(xl[i])};
  static const AccumulateFn accumulate = pick_accumulate();
  const uint8_t* base = img.pixels.data();
  for (size_t oy = 0; oy < ys.size(); ++oy) {
    uint8_t* dst = out.pixels.data() + oy * out.stride;
    if (mode == IMG_VIEW_QUICK) {
      int32_t sy = ys[oy] + yl[oy] / 2;
      const uint8_t* r = img.row(sy);
      for (size_t i = 0; i < n; ++i) {
        int bit = (r[sample_x[i] >> 3] >> (7 - (sample_x[i] & 7))) & 1;
        dst[i] = uint8_t((bit ^ ink_is_zero) ? 255 : 0);
      }
      continue;
    }
    std::fill(acc.begin(), acc.end(), 0);
    const bool any = mode == IMG_VIEW_ALIAS;
    for (int32_t sy = ys[oy]; sy < ys[oy] + yl[oy]; ++sy) {
      const uint8_t* r = img.row(sy);
      bool fast = size_t(r - base) + img.stride + 8 <= img.pixels.size();
      if (narrow && fast) {  // counting serves both modes: any ink is a count above 0
        accumulate(r, cols.data(), n, ink_is_zero, acc.data());
        continue;
      }
      for (size_t i = 0; i < n; ++i) {
        if (any && acc[i]) continue;
        int32_t c = ink_bits(r, img.stride, xs[i], xl[i], fast, any && !ink_is_zero);
        acc[i] += uint32_t(ink_is_zero ? xl[i] - c : c);
      }
    }
    for (size_t i = 0; i < n; ++i) {
      if (any) {
        dst[i] = acc[i] ? 255 : 0;
      } else {
        uint64_t area = uint64_t(xl[i]) * uint64_t(yl[oy]);
        dst[i] = uint8_t((uint64_t(acc[i]) * 255 + area / 2) / area);
      }
    }
  }
}

uint32_t colour_at(const ImgImage& img, const uint8_t* r, int32_t x) {
  switch (img.bpp) {
    case 4: {
      uint32_t i = (x & 1) ? r[x >> 1] & 15u : uint32_t(r[x >> 1] >> 4);
      return i < img.palette.size() ? img.palette[i] : 0;
    }
    case 8: return r[x] < img.palette.size() ? img.palette[r[x]] : 0;
    case 24: return uint32_t(r[3 * x]) | uint32_t(r[3 * x + 1]) << 8 | uint32_t(r[3 * x + 2]) << 16;
    default: return uint32_t(r[4 * x]) | uint32_t(r[4 * x + 1]) << 8 | uint32_t(r[4 * x + 2]) << 16;
  }
}

void render_colour(const ImgImage& img, const std::vector<int32_t>& xs, const std::vector<int32_t>& xl,
                   const std::vector<int32_t>& ys, const std::vector<int32_t>& yl, bool average,
                   ImgViewBuffer& out) {
  const size_t n = xs.size();
  for (size_t oy = 0; oy < ys.size(); ++oy) {
    uint8_t* dst = out.pixels.data() + oy * out.stride;
    for (size_t i = 0; i < n; ++i) {
      uint32_t c;
      if (!average || (xl[i] == 1 && yl[oy] == 1)) {
        c = colour_at(img, img.row(ys[oy] + yl[oy] / 2), xs[i] + xl[i] / 2);
      } else {
        // A box average over at most 8 x 8 samples of the span: enough for a view, bounded cost.
        int32_t stepx = xl[i] > 8 ? xl[i] / 8 : 1, stepy = yl[oy] > 8 ? yl[oy] / 8 : 1;
        uint32_t sum[3] = {0, 0, 0}, count = 0;
        for (int32_t y = ys[oy]; y < ys[oy] + yl[oy]; y += stepy) {
          const uint8_t* r = img.row(y);
          for (int32_t x = xs[i]; x < xs[i] + xl[i]; x += stepx) {
            uint32_t v = colour_at(img, r, x);
            sum[0] += v & 255;
            sum[1] += (v >> 8) & 255;
            sum[2] += (v >> 16) & 255;
            ++count;
          }
        }
        c = (sum[0] / count) | (sum[1] / count) << 8 | (sum[2] / count) << 16;
      }
      if (out.bpp == 24) {
        dst[3 * i] = uint8_t(c);
        dst[3 * i + 1] = uint8_t(c >> 8);
        dst[3 * i + 2] = uint8_t(c >> 16);
      }
    }
  }
}

}  // namespace

int32_t img_render_view(const ImgImage& img, ImgRect src, int32_t width, int32_t height, ImgRect clip,
                        int32_t mode, ImgViewBuffer& out) {
  out = ImgViewBuffer();
  if (img.width <= 0 || img.pixels.empty()) return IMG_ERR_NO_IMAGE;
  if (mode < IMG_VIEW_QUICK || mode > IMG_VIEW_GREY || width <= 0 || height <= 0) return IMG_ERR_ARGUMENT;
  if (width > IMG_MAX_DIMENSION || height > IMG_MAX_DIMENSION) return IMG_ERR_ARGUMENT;
  ImgImage bounds;
  bounds.width = img.width;
  bounds.height = img.height;
  if (img_set_region(bounds, src) != IMG_OK) return IMG_ERR_ARGUMENT;
  src = bounds.region;
  int64_t cx0 = clip.x < 0 ? 0 : clip.x, cy0 = clip.y < 0 ? 0 : clip.y;
  int64_t cx1 = int64_t(clip.x) + clip.w, cy1 = int64_t(clip.y) + clip.h;
  if (cx1 > width) cx1 = width;
  if (cy1 > height) cy1 = height;
  if (cx1 <= cx0 || cy1 <= cy0) return IMG_ERR_ARGUMENT;
  const int32_t ow = int32_t(cx1 - cx0), oh = int32_t(cy1 - cy0);

  std::vector<int32_t> xs, xl, ys, yl;
  spans(src.x, src.w, width, int32_t(cx0), ow, xs, xl);
  spans(src.y, src.h, height, int32_t(cy0), oh, ys, yl);

  const bool indexed_out = img.bpp == 1 || ((img.bpp == 4 || img.bpp == 8) && mode == IMG_VIEW_QUICK);
  out.width = ow;
  out.height = oh;
  out.bpp = indexed_out ? 8 : 24;
  out.stride = ((size_t(ow) * size_t(out.bpp) + 31) / 32) * 4;
  out.pixels.assign(out.stride * size_t(oh), 0);
  if (img.bpp == 1) {
    render_bitonal(img, xs, xl, ys, yl, mode, out);
  } else if (indexed_out) {
    for (size_t i = 0; i < 256 && i < img.palette.size(); ++i) out.palette[i] = img.palette[i];
    for (int32_t oy = 0; oy < oh; ++oy) {
      const uint8_t* r = img.row(ys[size_t(oy)] + yl[size_t(oy)] / 2);
      uint8_t* dst = out.pixels.data() + size_t(oy) * out.stride;
      for (int32_t i = 0; i < ow; ++i) {
        int32_t x = xs[size_t(i)] + xl[size_t(i)] / 2;
        dst[i] = img.bpp == 8 ? r[x] : uint8_t((x & 1) ? r[x >> 1] & 15 : r[x >> 1] >> 4);
      }
    }
  } else {
    render_colour(img, xs, xl, ys, yl, mode != IMG_VIEW_QUICK, out);
  }
  return IMG_OK;
}
