// Proxy-graphics primitives read from blobs. Every read is bounded by the end of its primitive
// (and so by the blob), and every array is allocated only after its whole size was found to
// lie inside the primitive, so no count from a file can make a read run past the bytes or an
// allocation outgrow them.
#include "toolkit/core/proxy.h"

#include <cstring>

#include "toolkit/core/blob.h"
#include "toolkit/core/error.h"
#include "toolkit/core/mem.h"

namespace {

constexpr uint32_t kHeadSize = 8;

bool fits(TkBlob* blob, int32_t limit, uint64_t n) {
  int64_t pos = blob_read_pos(blob);
  return pos >= 0 && pos <= limit && n <= uint64_t(limit - pos);
}

bool read_within(TkBlob* blob, int32_t limit, void* out, size_t n) {
  return fits(blob, limit, n) && blob_read(blob, out, n);
}

bool skip_within(TkBlob* blob, int32_t limit, uint64_t n) {
  return fits(blob, limit, n) && blob_seek(blob, blob_read_pos(blob) + int32_t(n));
}

bool read_doubles(TkBlob* blob, int32_t limit, double* out, size_t n) {
  return read_within(blob, limit, out, n * sizeof(double));
}

template <typename T>
T* alloc_array(uint64_t n) {
  if (n == 0) return nullptr;
  return static_cast<T*>(mem_alloc(size_t(n) * sizeof(T)));
}

// Allocates n values of T and reads them; false on damage or no memory (nothing allocated).
template <typename T>
bool read_array(TkBlob* blob, int32_t limit, uint64_t n, T** out, uint64_t stored_size) {
  *out = nullptr;
  if (n == 0) return true;
  if (!fits(blob, limit, n * stored_size)) return false;
  *out = alloc_array<T>(n * (stored_size / sizeof(T)));
  if (!*out) {
    tk_fail_alloc(TK_ERR_ALLOC_STRUCTURE);
    return false;
  }
  if (!blob_read(blob, *out, size_t(n * stored_size))) {
    mem_free(*out);
    *out = nullptr;
    return false;
  }
  return true;
}

void free_extra(ProxyEdgeFaceData* e) {
  mem_free(e->edge_colours);
  mem_free(e->edge_layers);
  mem_free(e->edge_linetypes);
  mem_free(e->edge_visibility);
  mem_free(e->face_colours);
  mem_free(e->face_layers);
  mem_free(e->face_normals);
  mem_free(e->face_visibility);
  std::memset(e, 0, sizeof *e);
}

// 16-bit arrays are padded to an even count.
bool read_shorts_padded(TkBlob* blob, int32_t limit, uint64_t n, uint16_t** out) {
  if (!read_array(blob, limit, n, out, 2)) return false;
  if (n % 2 && !skip_within(blob, limit, 2)) {
    mem_free(*out);
    *out = nullptr;
    return false;
  }
  return true;
}

enum : uint32_t {
  kHasColours = 1,
  kHasLayers = 2,
  kHasLinetypes = 4,  // edges; faces: markers
  kHasMarkers = 8,    // edges; faces: normals
  kHasVisibility = 16,
};

// Edge data, then face data, each behind a flags word, each optional: present when bytes of
// the primitive are left.
bool read_extra(TkBlob* blob, int32_t limit, uint64_t edges, uint64_t faces,
                ProxyEdgeFaceData* e) {
  std::memset(e, 0, sizeof *e);
  uint32_t flags = 0;
  bool ok = true;
  if (fits(blob, limit, 4) && blob_read_pos(blob) < limit) {
    ok = read_within(blob, limit, &flags, 4);
    if (ok && (flags & kHasColours)) ok = read_shorts_padded(blob, limit, edges, &e->edge_colours);
    if (ok && (flags & kHasLayers)) ok = read_array(blob, limit, edges, &e->edge_layers, 4);
    if (ok && (flags & kHasLinetypes)) ok = read_array(blob, limit, edges, &e->edge_linetypes, 4);
    if (ok && (flags & kHasMarkers)) ok = skip_within(blob, limit, edges * 4);
    if (ok && (flags & kHasVisibility))
      ok = read_array(blob, limit, edges, &e->edge_visibility, 4);
  }
  if (ok && fits(blob, limit, 4) && blob_read_pos(blob) < limit) {
    ok = read_within(blob, limit, &flags, 4);
    if (ok && (flags & kHasColours)) ok = read_shorts_padded(blob, limit, faces, &e->face_colours);
    if (ok && (flags & kHasLayers)) ok = read_array(blob, limit, faces, &e->face_layers, 4);
    if (ok && (flags & kHasLinetypes)) ok = skip_within(blob, limit, faces * 4);
    if (ok && (flags & kHasMarkers)) ok = read_array(blob, limit, faces, &e->face_normals, 24);
    if (ok && (flags & kHasVisibility))
      ok = read_array(blob, limit, faces, &e->face_visibility, 4);
  }
  if (!ok) free_extra(e);
  return ok;
}

bool read_image(TkBlob* blob, int32_t limit, ProxyPrimitive* p) {
  uint32_t n = 0;
  if (!read_doubles(blob, limit, p->points[0], 6) || !read_within(blob, limit, &n, 4))
    return false;
  if (!fits(blob, limit, uint64_t(n) * 16)) return false;
  p->image_data = blob_alloc(TK_BLOB_CHUNK_SIZE);
  TkBlob* w = p->image_data ? blob_create(p->image_data) : nullptr;
  bool ok = w != nullptr;
  uint8_t value[16];
  for (uint32_t i = 0; ok && i < n; ++i)
    ok = blob_read(blob, value, 16) && blob_write(w, value, 16);
  if (w) ok = blob_close_write(w) && ok;
  double corners[8][3];
  for (int i = 0; ok && i < 4; ++i) ok = read_doubles(blob, limit, corners[i], 3);
  for (int i = 4; ok && i < 8; ++i)
    ok = read_doubles(blob, limit, corners[i], 3) && skip_within(blob, limit, 8);
  uint32_t flags[2] = {};
  ok = ok && read_within(blob, limit, flags, 8) && read_doubles(blob, limit, p->image_values, 2) &&
       skip_within(blob, limit, 4);
  if (!ok) {
    blob_free(p->image_data);
    p->image_data = nullptr;
    return false;
  }
  std::memcpy(p->points[2], corners[0], sizeof p->points[2]);
  std::memcpy(p->points[3], corners[2], sizeof p->points[3]);
  p->image_flags[0] = flags[0] != 0;
  p->image_flags[1] = flags[1] != 0;
  p->flag_word = 1;
  return true;
}

bool read_fields(TkBlob* blob, int32_t limit, ProxyPrimitive* p) {
  switch (p->type) {
    case TK_PROXY_EXTENTS: return read_doubles(blob, limit, p->points[0], 6);
    case TK_PROXY_CIRCLE:
      return read_doubles(blob, limit, p->points[0], 3) &&
             read_doubles(blob, limit, &p->radius, 1) && read_doubles(blob, limit, p->normal, 3);
    case TK_PROXY_CIRCLE_3PT: return read_doubles(blob, limit, p->points[0], 9);
    case TK_PROXY_ARC:
      return read_doubles(blob, limit, p->points[0], 3) &&
             read_doubles(blob, limit, &p->radius, 1) && read_doubles(blob, limit, p->normal, 3) &&
             read_doubles(blob, limit, p->direction, 3) &&
             read_doubles(blob, limit, &p->sweep, 1) && read_within(blob, limit, &p->arc_type, 4);
    case TK_PROXY_ARC_3PT:
      return read_doubles(blob, limit, p->points[0], 9) &&
             read_within(blob, limit, &p->arc_type, 4);
    case 6: case 7: case 9: case 14: case 16: case 19: case 20:
      return read_within(blob, limit, &p->count, 4);
    case TK_PROXY_MESH:
      return read_within(blob, limit, &p->rows, 4) && read_within(blob, limit, &p->columns, 4);
    case TK_PROXY_TEXT:
      return read_doubles(blob, limit, p->points[0], 3) && read_doubles(blob, limit, p->normal, 3) &&
             read_doubles(blob, limit, p->direction, 3) &&
             read_doubles(blob, limit, &p->height, 1) &&
             read_doubles(blob, limit, &p->width_factor, 1) &&
             read_doubles(blob, limit, &p->oblique, 1) &&
             xd_read_padded_string(blob, limit, p->text, sizeof p->text);
    case TK_PROXY_TEXT_STYLED: {
      int32_t length = 0;
      uint32_t raw = 0, word;
      double tracking[3];
      bool ok = read_doubles(blob, limit, p->points[0], 3) &&
                read_doubles(blob, limit, p->normal, 3) &&
                read_doubles(blob, limit, p->direction, 3) &&
                xd_read_padded_string(blob, limit, p->text, sizeof p->text) &&
                read_within(blob, limit, &length, 4) && read_within(blob, limit, &raw, 4) &&
                read_doubles(blob, limit, &p->height, 1) &&
                read_doubles(blob, limit, &p->width_factor, 1) &&
                read_doubles(blob, limit, &p->oblique, 1) &&
                read_doubles(blob, limit, tracking, 3) && read_within(blob, limit, &word, 4) &&
                xd_read_padded_string(blob, limit, p->font, sizeof p->font) &&
                read_within(blob, limit, &word, 4);
      if (!ok) return false;
      if (length >= 0 && size_t(length) < sizeof p->text) p->text[length] = 0;
      p->raw = uint8_t(raw);
      return true;
    }
    case TK_PROXY_XLINE:
    case TK_PROXY_RAY: return read_doubles(blob, limit, p->points[0], 6);
    case TK_PROXY_LINETYPE: {
      uint32_t index;
      if (!read_within(blob, limit, &index, 4)) return false;
      p->linetype = index == 0xFFFFFFFFu   ? TK_PROXY_LINETYPE_BYLAYER
                    : index == 0xFFFFFFFEu ? TK_PROXY_LINETYPE_BYBLOCK
                                           : uint16_t(index);
      return true;
    }
    case 22: return read_within(blob, limit, p->bytes, 3);
    case 23: return read_within(blob, limit, p->bytes, 4);
    case 24: case 25: case 26: return read_within(blob, limit, p->bytes, 8);
    case TK_PROXY_IMAGE: return read_image(blob, limit, p);
    case TK_PROXY_TRANSFORM: return read_doubles(blob, limit, p->matrix, 16);
    case 30: return read_doubles(blob, limit, p->points[0], 3);
    default: return true;  // nothing to read: 28, 31 and the types not known here
  }
}

}  // namespace

int16_t xd_skip_proxy_header(TkBlob* blob) {
  if (!blob) return tk_fail(TK_ERR_READ_NULL_BLOB);
  uint8_t head[kHeadSize];
  return blob_read(blob, head, sizeof head);
}

int16_t xd_read_proxy_primitive(TkBlob* blob, ProxyPrimitive* primitive) {
  if (!blob) return tk_fail(TK_ERR_READ_NULL_BLOB);
  const int32_t start = blob_read_pos(blob);
  uint32_t head[2];
  if (!blob_read(blob, head, sizeof head)) return 0;
  const uint32_t size = head[0];
  if (size < sizeof head || size > uint32_t(blob_length(blob) - start)) return 0;
  const int32_t end = start + int32_t(size);
  static ProxyPrimitive p;
  std::memset(&p, 0, sizeof p);
  p.type = head[1];
  p.end = end;
  // The arrays of counted primitives follow for the caller, who moves on to `end` itself.
  bool counted = (p.type >= 6 && p.type <= 9) || p.type == 14 || p.type == 16 || p.type == 19 ||
                 p.type == 20;
  if (!read_fields(blob, end, &p) || (!counted && !blob_seek(blob, end))) {
    blob_free(p.image_data);
    return 0;
  }
  std::memcpy(primitive, &p, sizeof p);
  return 1;
}

int16_t xd_read_shorts(TkBlob* blob, int32_t limit, uint32_t n, uint16_t* out) {
  uint64_t bytes = (uint64_t(n) + n % 2) * 2;
  if (!fits(blob, limit, bytes) || !blob_read(blob, out, size_t(n) * 2)) return 0;
  return n % 2 ? blob_seek(blob, blob_read_pos(blob) + 2) : 1;
}

int16_t xd_read_longs(TkBlob* blob, int32_t limit, uint32_t n, uint32_t* out) {
  return read_within(blob, limit, out, size_t(n) * 4) ? 1 : 0;
}

int16_t xd_skip_longs(TkBlob* blob, int32_t limit, uint32_t n) {
  return skip_within(blob, limit, uint64_t(n) * 4) ? 1 : 0;
}

int16_t xd_skip_points(TkBlob* blob, int32_t limit, uint32_t n) {
  return skip_within(blob, limit, uint64_t(n) * 24) ? 1 : 0;
}

int16_t blob_read_point_checked(TkBlob* blob, int32_t limit, double point[3]) {
  return read_doubles(blob, limit, point, 3) ? 1 : 0;
}

int16_t xd_read_long(TkBlob* blob, int32_t limit, uint32_t* value) {
  return read_within(blob, limit, value, 4) ? 1 : 0;
}

int16_t xd_read_padded_string(TkBlob* blob, int32_t limit, char* out, size_t capacity) {
  size_t kept = 0;
  for (;;) {
    char piece[4];
    if (!read_within(blob, limit, piece, 4)) return 0;
    for (char c : piece) {
      if (c == 0) {
        out[kept] = 0;
        return 1;
      }
      if (kept + 1 < capacity) out[kept++] = c;
    }
  }
}

int16_t xd_read_proxy_mesh(TkBlob* blob, const ProxyPrimitive* primitive, ProxyMesh* mesh) {
  std::memset(mesh, 0, sizeof *mesh);
  const int32_t limit = primitive->end;
  const uint64_t rows = primitive->rows, columns = primitive->columns;
  mesh->rows = primitive->rows;
  mesh->columns = primitive->columns;
  if (!read_array(blob, limit, rows * columns, &mesh->vertices, 24)) return 0;
  uint64_t edges = rows && columns ? (rows - 1) * columns + rows * (columns - 1) : 0;
  uint64_t faces = rows && columns ? (rows - 1) * (columns - 1) : 0;
  if (!read_extra(blob, limit, edges, faces, &mesh->extra)) {
    xd_free_proxy_mesh(mesh);
    return 0;
  }
  return 1;
}

void xd_free_proxy_mesh(ProxyMesh* mesh) {
  mem_free(mesh->vertices);
  free_extra(&mesh->extra);
  mesh->vertices = nullptr;
}

int16_t xd_read_proxy_shell(TkBlob* blob, const ProxyPrimitive* primitive, ProxyShell* shell) {
  std::memset(shell, 0, sizeof *shell);
  const int32_t limit = primitive->end;
  shell->vertex_count = primitive->count;
  bool ok = read_array(blob, limit, shell->vertex_count, &shell->vertices, 24) &&
            read_within(blob, limit, &shell->face_list_count, 4) &&
            read_array(blob, limit, shell->face_list_count, &shell->face_list, 4);
  uint64_t edges = 0, faces = 0;
  for (uint32_t i = 0; ok && i < shell->face_list_count;) {
    int32_t n = shell->face_list[i];
    uint64_t m = n < 0 ? uint64_t(-int64_t(n)) : uint64_t(n);
    if (m > shell->face_list_count - i - 1) {
      ok = false;
      break;
    }
    for (uint64_t k = 1; k <= m; ++k) {
      int32_t v = shell->face_list[i + k];
      if (v < 0 || uint32_t(v) >= shell->vertex_count) ok = false;
    }
    edges += m;
    if (n > 0) ++faces;
    i += uint32_t(m) + 1;
  }
  ok = ok && read_extra(blob, limit, edges, faces, &shell->extra);
  if (!ok) {
    xd_free_proxy_shell(shell);
    return 0;
  }
  return 1;
}

void xd_free_proxy_shell(ProxyShell* shell) {
  mem_free(shell->vertices);
  mem_free(shell->face_list);
  free_extra(&shell->extra);
  shell->vertices = nullptr;
  shell->face_list = nullptr;
}
