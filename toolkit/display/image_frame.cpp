// Raster image frames and their pixels. See image_frame.h.
//
// Pixel coordinates put pixel (c, r) of the picture (r counted from the top) with its centre at
// (c, r); the picture covers -0.5 to width - 0.5 and -0.5 to height - 0.5, which is how clip
// boundaries of images are given.
#include "toolkit/display/image_frame.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "toolkit/core/display_block.h"
#include "toolkit/core/display_state.h"
#include "toolkit/core/matrix.h"
#include "toolkit/core/mem.h"
#include "toolkit/core/object.h"
#include "toolkit/display/vec_output.h"
#include "toolkit/display/xclip.h"

struct TkPictureCache {
  struct Entry {
    TkHandle definition;
    TkBlob* picture;  // owned; null when the application had none
  };
  std::vector<Entry> entries;
};

namespace {

// Where the readers put the IMAGE fields (the DXF reader fills the DWG reader's record).
struct ImageLayout {
  size_t insertion, size, display, clipping, clip_type, clip_count, definition;
};
// Class version first, the points after it.
constexpr ImageLayout kLayout{8, 80, 96, 98, 102, 104, 112};
constexpr size_t kClipBlob = 144;
constexpr uint32_t kMaxClipPoints = 100000;

uint32_t le32(const std::vector<uint8_t>& b, size_t at) {
  return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
         uint32_t(b[at + 3]) << 24;
}
uint16_t le16(const std::vector<uint8_t>& b, size_t at) { return uint16_t(b[at] | b[at + 1] << 8); }

std::vector<uint8_t> g_commands;

void flush(TkDrawing* drawing) {
  TkDisplayCallbacks* cb = tk_display_callbacks;
  if (!g_commands.empty() && cb->draw_pixels)
    cb->draw_pixels(g_commands.data(), int32_t(g_commands.size()), drawing->user_data);
  g_commands.clear();
}

template <typename T>
void put(T v) {
  const uint8_t* p = reinterpret_cast<const uint8_t*>(&v);
  g_commands.insert(g_commands.end(), p, p + sizeof v);
}

void put_end_record(const double device[2], double column, double row, uint32_t rgb) {
  put(device[0]);
  put(device[1]);
  put(column);
  put(row);
  put(0.0);
  g_commands.push_back(uint8_t(rgb >> 16));
  g_commands.push_back(uint8_t(rgb >> 8));
  g_commands.push_back(uint8_t(rgb));
  for (int i = 0; i < 5; ++i) g_commands.push_back(0);
}

struct Picture {
  TkBmpInfo info;
  std::vector<uint8_t> pixels;  // top row first
  bool mono;
  uint32_t rgb(int32_t c, int32_t r) const {
    const size_t at = size_t(r) * size_t(info.width) + size_t(c);
    if (info.palette_size == 0)
      return uint32_t(pixels[3 * at]) << 16 | uint32_t(pixels[3 * at + 1]) << 8 |
             pixels[3 * at + 2];
    const uint8_t index = pixels[at];
    return index < info.palette_size ? info.palette[index] : 0;
  }
};

void to_device(const double world[3], const double m[16], double out[2]) {
  double p[4] = {world[0], world[1], world[2], 1.0};
  tk_matrix_transform_point4(p, m, p);
  out[0] = p[0];
  out[1] = p[1];
}

// The pixel columns of row r inside the clip outline (pixel coordinates): intervals of x.
void clip_intervals(const std::vector<double>& outline, double y, double x_min, double x_max,
                    std::vector<double>* out) {
  out->clear();
  if (outline.empty()) {
    out->push_back(x_min);
    out->push_back(x_max);
    return;
  }
  std::vector<double> xs;
  const size_t n = outline.size() / 2;
  for (size_t i = 0; i < n; ++i) {
    const double* a = &outline[2 * i];
    const double* b = &outline[2 * ((i + 1) % n)];
    if ((a[1] <= y) != (b[1] <= y)) xs.push_back(a[0] + (y - a[1]) * (b[0] - a[0]) / (b[1] - a[1]));
  }
  std::sort(xs.begin(), xs.end());
  for (size_t i = 0; i + 1 < xs.size(); i += 2) {
    const double lo = std::max(xs[i], x_min), hi = std::min(xs[i + 1], x_max);
    if (lo < hi) {
      out->push_back(lo);
      out->push_back(hi);
    }
  }
}

// One row's visible pieces through viewport v: spans of whole pixels.
void draw_row(TkDrawing* drawing, const Picture& pic, const TkImageInfo& image, int32_t row,
              const std::vector<double>& outline, const double m[16], const double rect[4]) {
  static std::vector<double> pieces;
  const int32_t w = pic.info.width;
  clip_intervals(outline, row, -0.5, w - 0.5, &pieces);
  for (size_t k = 0; k + 1 < pieces.size(); k += 2) {
    double p0[2] = {pieces[k], double(row)}, p1[2] = {pieces[k + 1], double(row)};
    double w0[3], w1[3], d0[2], d1[2];
    image_pixel_to_world(p0, image, w0);
    image_pixel_to_world(p1, image, w1);
    to_device(w0, m, d0);
    to_device(w1, m, d1);
    double a[2] = {d0[0], d0[1]}, b[2] = {d1[0], d1[1]};
    if (!clip_segment_to_rect(a, b, rect)) continue;
    // The visible part's columns, by the ratio of lengths along the row.
    const double len = std::hypot(d1[0] - d0[0], d1[1] - d0[1]);
    double t0 = 0, t1 = 1;
    if (len > 0) {
      t0 = std::hypot(a[0] - d0[0], a[1] - d0[1]) / len;
      t1 = std::hypot(b[0] - d0[0], b[1] - d0[1]) / len;
      if (t0 > t1) std::swap(t0, t1);
    }
    const double x0 = p0[0] + t0 * (p1[0] - p0[0]), x1 = p0[0] + t1 * (p1[0] - p0[0]);
    int32_t first = int32_t(std::ceil(x0)), last = int32_t(std::floor(x1));
    first = std::max(first, 0);
    last = std::min(last, w - 1);
    // Long rows go out in pieces, so that no span alone outgrows the buffer.
    for (int32_t start = first; start <= last; start += 4096) {
      const int32_t end = std::min(last, start + 4095);
      const int32_t count = end - start + 1;
      double e0[2] = {start - 0.5, double(row)}, e1[2] = {end + 0.5, double(row)};
      double we0[3], we1[3], de0[2], de1[2];
      image_pixel_to_world(e0, image, we0);
      image_pixel_to_world(e1, image, we1);
      to_device(we0, m, de0);
      to_device(we1, m, de1);
      put(TK_PIXELS_SPAN);
      put_end_record(de0, start, row, pic.rgb(start, row));
      put_end_record(de1, end, row, pic.rgb(end, row));
      put(count);
      put((de1[0] - de0[0]) / count);
      put((de1[1] - de0[1]) / count);
      if (pic.mono) {
        uint8_t byte = 0;
        for (int32_t i = 0; i < count; ++i) {
          const uint8_t bit = pic.pixels[size_t(row) * size_t(w) + size_t(start + i)] & 1;
          byte = uint8_t(byte | bit << (7 - (i & 7)));
          if ((i & 7) == 7 || i == count - 1) {
            g_commands.push_back(byte);
            byte = 0;
          }
        }
      } else {
        for (int32_t i = 0; i < count; ++i) {
          const uint32_t c = pic.rgb(start + i, row);
          g_commands.push_back(uint8_t(c >> 16));
          g_commands.push_back(uint8_t(c >> 8));
          g_commands.push_back(uint8_t(c));
        }
      }
      if (int32_t(g_commands.size()) > TK_PIXELS_FLUSH) flush(drawing);
    }
  }
}

// The clip outline in pixel coordinates, or empty when the image is not clipped.
std::vector<double> clip_outline(const TkImageInfo& image) {
  std::vector<double> out;
  if (!image.clipping || !(image.display & 4) || !image.clip || image.clip_count < 2 ||
      image.clip_count > kMaxClipPoints)
    return out;
  TkBlob* in = blob_open_read(image.clip);
  if (!in) return out;
  std::vector<double> points;
  for (uint32_t i = 0; i < image.clip_count; ++i) {
    double p[2];
    if (!blob_read(in, p, sizeof p)) break;
    points.push_back(p[0]);
    points.push_back(p[1]);
  }
  blob_close(in);
  if (image.clip_type == 1 && points.size() >= 4) {
    const double x1 = points[0], y1 = points[1], x2 = points[2], y2 = points[3];
    out = {x1, y1, x2, y1, x2, y2, x1, y2};
  } else if (points.size() >= 6) {
    out = points;
  }
  return out;
}

TkBlob* cached_picture(TkDrawing* drawing, const TkImageInfo& image, const TkImageDefData& def,
                       bool* known) {
  TkVecOutput* o = vec_output_of(drawing);
  *known = false;
  if (!o) return nullptr;
  if (!o->pictures) {
    o->pictures = new (std::nothrow) TkPictureCache;
    if (!o->pictures) return nullptr;
  }
  for (const TkPictureCache::Entry& e : o->pictures->entries)
    if (std::memcmp(&e.definition, &image.definition, sizeof e.definition) == 0) {
      *known = true;
      return e.picture;
    }
  TkBlob* picture = nullptr;
  tk_display_callbacks->draw_image(&def, &picture, drawing->user_data);
  o->pictures->entries.push_back({image.definition, picture});
  *known = true;
  return picture;
}

bool read_picture(TkBlob* blob, std::vector<uint8_t>* out) {
  out->clear();
  const int32_t length = blob_length(blob);
  if (length <= 0 || length > (256 << 20)) return false;
  TkBlob* in = blob_open_read(blob);
  if (!in) return false;
  out->resize(size_t(length));
  const bool ok = blob_read(in, out->data(), out->size()) == 1;
  blob_close(in);
  return ok;
}

}  // namespace

void image_free_pictures(TkPictureCache* cache) {
  if (!cache) return;
  for (TkPictureCache::Entry& e : cache->entries) blob_free(e.picture);
  delete cache;
}

bool image_unpack(const TkDrawing* drawing, const TkEntityData* data, TkImageInfo* out) {
  std::memset(out, 0, sizeof *out);
  (void)drawing;
  const ImageLayout& l = kLayout;
  for (int i = 0; i < 3; ++i) {
    out->insertion[i] = tk_data_get<double>(data, l.insertion + 8 * size_t(i));
    out->u[i] = tk_data_get<double>(data, l.insertion + 24 + 8 * size_t(i));
    out->v[i] = tk_data_get<double>(data, l.insertion + 48 + 8 * size_t(i));
  }
  out->size[0] = tk_data_get<double>(data, l.size);
  out->size[1] = tk_data_get<double>(data, l.size + 8);
  out->display = tk_data_get<int16_t>(data, l.display);
  out->clipping = tk_data_get<uint8_t>(data, l.clipping);
  out->clip_type = tk_data_get<int16_t>(data, l.clip_type);
  out->clip_count = tk_data_get<uint32_t>(data, l.clip_count);
  out->clip = tk_data_blob(data, kClipBlob);
  out->definition = tk_data_get<TkHandle>(data, l.definition);
  for (double v : {out->size[0], out->size[1]})
    if (!std::isfinite(v)) return false;
  return true;
}

void image_read_bmp_header(const std::vector<uint8_t>& b, TkBmpInfo* info) {
  std::memset(info, 0, sizeof *info);
  if (b.size() < 26) {
    info->status = 1;
    return;
  }
  const uint16_t magic = le16(b, 0);
  if (magic != 0x4D42) {
    const char* other[] = {"BA", "CI", "CP", "IC", "PT"};
    info->status = 1;
    for (const char* o : other)
      if (b[0] == uint8_t(o[0]) && b[1] == uint8_t(o[1])) info->status = 2;
    return;
  }
  info->file_size = le32(b, 2);
  info->data_offset = le32(b, 10);
  info->header_size = le32(b, 14);
  const uint32_t hs = info->header_size;
  if (hs < 12 || hs > 64 || 14 + size_t(hs) > b.size()) {
    info->status = 1;
    return;
  }
  size_t palette_at = 14 + hs;
  int entry = 4;
  if (hs == 12) {
    info->width = int16_t(le16(b, 18));
    info->height = int16_t(le16(b, 20));
    info->planes = le16(b, 22);
    info->bit_count = le16(b, 24);
    info->image_size =
        uint32_t((int64_t(info->bit_count) * info->planes * std::max(info->width, 0) + 31) / 32 *
                 std::max(info->height, 0) * 4);
    entry = 3;
  } else {
    if (hs < 16) {
      info->status = 1;
      return;
    }
    info->width = int32_t(le32(b, 18));
    info->height = int32_t(le32(b, 22));
    info->planes = hs >= 16 ? le16(b, 26) : 1;
    info->bit_count = hs >= 16 ? le16(b, 28) : 0;
    if (hs >= 24) info->compression = le32(b, 30);
    if (hs >= 28) info->image_size = le32(b, 34);
  }
  // The palette fills the room between the header and the pixels.
  int64_t entries = info->data_offset > palette_at
                        ? (int64_t(info->data_offset) - int64_t(palette_at)) / entry
                        : 0;
  if (info->bit_count <= 8)
    entries = std::min<int64_t>(entries, int64_t(1) << info->bit_count);
  else
    entries = 0;
  entries = std::min<int64_t>(entries, 256);
  for (int64_t i = 0; i < entries; ++i) {
    const size_t at = palette_at + size_t(i) * size_t(entry);
    if (at + 3 > b.size()) break;
    info->palette[i] = uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 1]) << 8 | b[at];
    info->palette_size = int32_t(i + 1);
  }
}

bool image_decode(const std::vector<uint8_t>& b, const TkBmpInfo& info,
                  std::vector<uint8_t>* pixels) {
  pixels->clear();
  // Status 1 and 2 pictures are never drawn, whatever their sizes say.
  if (info.status != 0) return false;
  const int64_t w = info.width, h = std::abs(int64_t(info.height));
  if (w <= 0 || h <= 0 || w * h > TK_IMAGE_MAX_PIXELS) return false;
  const bool bottom_up = info.height > 0;
  const int bits = info.bit_count;
  if (info.data_offset >= b.size()) return false;
  const uint8_t* data = b.data() + info.data_offset;
  const size_t avail = b.size() - info.data_offset;
  const bool palette = bits <= 8;
  if (palette && info.palette_size == 0) return false;
  if (!palette && bits != 24) return false;
  pixels->assign(size_t(w * h) * (palette ? 1 : 3), 0);
  auto row_of = [&](int64_t stored) { return bottom_up ? h - 1 - stored : stored; };
  if (info.compression == 1 || info.compression == 2) {
    // RLE8 and RLE4: every write stays within width x height; what the stream leaves out is 0.
    if (bits != (info.compression == 1 ? 8 : 4)) return false;
    const bool four = info.compression == 2;
    int64_t x = 0, y = 0;
    size_t at = 0;
    auto set = [&](uint8_t v) {
      if (x < w && y < h) (*pixels)[size_t(row_of(y) * w + x)] = v;
      ++x;
    };
    while (at + 1 < avail && y < h) {
      const uint8_t n = data[at], v = data[at + 1];
      at += 2;
      if (n > 0) {
        for (int i = 0; i < n; ++i) set(four ? uint8_t((i & 1) ? v & 15 : v >> 4) : v);
      } else if (v == 0) {
        x = 0;
        ++y;
      } else if (v == 1) {
        break;
      } else if (v == 2) {
        if (at + 1 >= avail) break;
        x += data[at];
        y += data[at + 1];
        at += 2;
      } else {
        const size_t bytes = four ? size_t((v + 3) / 4 * 2) : size_t((v + 1) / 2 * 2);
        if (at + bytes > avail) break;
        for (int i = 0; i < v; ++i) {
          const uint8_t byte = data[at + (four ? size_t(i / 2) : size_t(i))];
          set(four ? uint8_t((i & 1) ? byte & 15 : byte >> 4) : byte);
        }
        at += bytes;
      }
    }
    return true;
  }
  if (info.compression != 0) return false;
  // Stored rows are rounded up to whole 4-byte groups, at every depth.
  const int64_t stride = (w * bits + 31) / 32 * 4;
  if (stride * h > int64_t(avail)) return false;
  for (int64_t y = 0; y < h; ++y) {
    const uint8_t* row = data + size_t(y * stride);
    uint8_t* out = pixels->data() + size_t(row_of(y) * w) * (palette ? 1 : 3);
    for (int64_t x = 0; x < w; ++x) {
      switch (bits) {
        case 1:
          out[x] = uint8_t((row[x / 8] >> (7 - x % 8)) & 1);
          break;
        case 4:
          out[x] = uint8_t(x % 2 ? row[x / 2] & 15 : row[x / 2] >> 4);
          break;
        case 8:
          out[x] = row[x];
          break;
        case 24:
          out[3 * x] = row[3 * x + 2];
          out[3 * x + 1] = row[3 * x + 1];
          out[3 * x + 2] = row[3 * x];
          break;
        default:
          return false;
      }
    }
  }
  return true;
}

void image_pixel_to_world(double point[2], const TkImageInfo& image, double out[3]) {
  const double c = point[0] + 0.5, r = image.size[1] - 0.5 - point[1];
  for (int i = 0; i < 3; ++i) out[i] = image.insertion[i] + c * image.u[i] + r * image.v[i];
}

int16_t image_display(TkDrawing* drawing, const TkEntityData* data, TkConstViewMatrices matrices) {
  TkDisplayCallbacks* cb = tk_display_callbacks;
  TkDisplayState* s = drawing->display;
  if (!cb || !s) return 0;
  TkImageInfo image;
  if (!image_unpack(drawing, data, &image)) return 0;
  // The definition must be an IMAGEDEF.
  TkObjectHeader oh;
  TkObjectData od;
  const uint16_t def_class = drawing->class_numbers[TK_CLASS_IMAGEDEF];
  if (!def_class || !tk_object_get(drawing, &image.definition, &oh, &od) || oh.type != def_class)
    return 0;
  const std::vector<double> outline = clip_outline(image);
  int first = 0, end = 1;
  regen_viewport_range(&first, &end);
  int16_t drawn = 0;
  if (cb->draw_image && cb->draw_pixels) {
    bool known = false;
    TkBlob* blob = cached_picture(drawing, image, od.imagedef, &known);
    static std::vector<uint8_t> bytes;
    Picture pic;
    if (blob && read_picture(blob, &bytes)) {
      image_read_bmp_header(bytes, &pic.info);
      if (image_decode(bytes, pic.info, &pic.pixels) &&
          int64_t(pic.info.width) == int64_t(image.size[0]) &&
          std::abs(int64_t(pic.info.height)) == int64_t(image.size[1])) {
        pic.info.height = std::abs(pic.info.height);
        pic.mono = pic.info.palette_size == 2;
        g_commands.clear();
        for (int v = first; v < end && regen_continue; ++v) {
          if (!regen_viewport_served(v)) continue;
          const double* rc = s->viewports[v].rect;
          const double rect[4] = {std::fmin(rc[0], rc[2]), std::fmin(rc[1], rc[3]),
                                  std::fmax(rc[0], rc[2]), std::fmax(rc[1], rc[3])};
          put(TK_PIXELS_BEGIN_IMAGE);
          put(pic.info.width);
          put(pic.info.height);
          put(int32_t(pic.mono ? 2 : 0));
          for (int32_t row = 0; row < pic.info.height; ++row) {
            put(TK_PIXELS_BEGIN_ROW);
            draw_row(drawing, pic, image, row, outline, matrices[v], rect);
            if (int32_t(g_commands.size()) > TK_PIXELS_FLUSH) flush(drawing);
          }
        }
        flush(drawing);
        drawn = 1;
      }
    }
  }
  // The frame: the clip outline when the image is clipped, else the picture's edge; a picture
  // the application could not give leaves its frame alone to show where it stands.
  if (s->image_frame) {
    std::vector<double> corners = outline;
    if (corners.empty()) {
      const double wd = image.size[0], ht = image.size[1];
      corners = {-0.5, -0.5, wd - 0.5, -0.5, wd - 0.5, ht - 0.5, -0.5, ht - 0.5};
    }
    std::vector<double> boundary;
    for (size_t i = 0; i + 1 < corners.size(); i += 2) {
      double p[2] = {corners[i], corners[i + 1]}, wpt[3];
      image_pixel_to_world(p, image, wpt);
      boundary.insert(boundary.end(), wpt, wpt + 3);
    }
    vport_draw_border(drawing, boundary, matrices);
    drawn = 1;
  }
  return drawn;
}
