// Proxy graphics: stepping through the drawing primitives that stand in for entities of
// classes the toolkit does not know, as the display draws them. The bytes come from files, so
// every count and size is checked against what is left of the primitive before it is used;
// a primitive that does not fit ends the walk, one of an unknown type is skipped.
// Drawing the primitives is the display's business.
#pragma once

#include <cstddef>
#include <cstdint>

struct TkBlob;

enum : uint32_t {
  TK_PROXY_EXTENTS = 1,
  TK_PROXY_CIRCLE = 2,
  TK_PROXY_CIRCLE_3PT = 3,
  TK_PROXY_ARC = 4,
  TK_PROXY_ARC_3PT = 5,
  TK_PROXY_POLYLINE = 6,
  TK_PROXY_POLYGON = 7,
  TK_PROXY_MESH = 8,
  TK_PROXY_SHELL = 9,
  TK_PROXY_TEXT = 10,
  TK_PROXY_TEXT_STYLED = 11,
  TK_PROXY_XLINE = 12,
  TK_PROXY_RAY = 13,
  TK_PROXY_LINETYPE = 18,
  TK_PROXY_IMAGE = 27,
  TK_PROXY_TRANSFORM = 29,
};

constexpr size_t TK_PROXY_TEXT_MAX = 512;  // characters kept of a primitive's string
constexpr uint16_t TK_PROXY_LINETYPE_BYLAYER = 32767;
constexpr uint16_t TK_PROXY_LINETYPE_BYBLOCK = 32766;

struct ProxyPrimitive {
  uint32_t type;
  int32_t end;  // blob position behind the primitive
  // Points in the order the type gives them: extents, centre, three points, text position,
  // image corners.
  double points[4][3];
  double radius;
  double normal[3];
  double direction[3];  // text direction, arc start vector
  double sweep;
  uint32_t arc_type;
  uint32_t count;  // counted primitives; their arrays are read by the caller
  uint32_t rows, columns;
  double height, width_factor, oblique;
  char text[TK_PROXY_TEXT_MAX + 1];
  char font[TK_PROXY_TEXT_MAX + 1];
  uint8_t raw;
  uint16_t linetype;
  uint8_t bytes[8];     // types 22 to 26
  double matrix[16];    // transform
  TkBlob* image_data;   // image: owned by the caller once read
  uint16_t image_flags[2];
  double image_values[2];
  uint32_t flag_word;   // 1 once an image was read
};

// Skips the 8-byte head of a proxy-graphics blob.
int16_t xd_skip_proxy_header(TkBlob* blob);
// The next primitive; the blob stands behind it afterwards, except for the counted primitives
// (polylines, polygons, meshes, shells, ...), where it stands behind the count for the caller to
// read the arrays and then seek to `end`. 0 at the end of the blob or when the primitive does
// not fit (162 for a null blob).
int16_t xd_read_proxy_primitive(TkBlob* blob, ProxyPrimitive* primitive);

// Array helpers for the counted primitives; each reads within limit (a blob position) only.
// n 16-bit values, one more read (and dropped) when n is odd.
int16_t xd_read_shorts(TkBlob* blob, int32_t limit, uint32_t n, uint16_t* out);
int16_t xd_read_longs(TkBlob* blob, int32_t limit, uint32_t n, uint32_t* out);
int16_t xd_skip_longs(TkBlob* blob, int32_t limit, uint32_t n);
int16_t xd_skip_points(TkBlob* blob, int32_t limit, uint32_t n);
int16_t blob_read_point_checked(TkBlob* blob, int32_t limit, double point[3]);
int16_t xd_read_long(TkBlob* blob, int32_t limit, uint32_t* value);
// A zero-terminated string padded to a multiple of 4 bytes; kept up to capacity - 1
// characters, the rest consumed.
int16_t xd_read_padded_string(TkBlob* blob, int32_t limit, char* out, size_t capacity);

// Optional per-edge and per-face data of meshes and shells; null arrays were absent.
struct ProxyEdgeFaceData {
  uint16_t* edge_colours;
  uint32_t* edge_layers;
  uint32_t* edge_linetypes;
  uint32_t* edge_visibility;
  uint16_t* face_colours;
  uint32_t* face_layers;
  double* face_normals;  // 3 per face
  uint32_t* face_visibility;
};

struct ProxyMesh {
  uint32_t rows, columns;
  double* vertices;  // rows x columns points
  ProxyEdgeFaceData extra;
};

struct ProxyShell {
  uint32_t vertex_count;
  double* vertices;
  uint32_t face_list_count;
  int32_t* face_list;  // per face: n, then n vertex indices (negative n: a hole)
  ProxyEdgeFaceData extra;
};

// Reads the mesh or shell of a primitive just read; 0 on damage, with nothing left allocated.
int16_t xd_read_proxy_mesh(TkBlob* blob, const ProxyPrimitive* primitive, ProxyMesh* mesh);
void xd_free_proxy_mesh(ProxyMesh* mesh);
int16_t xd_read_proxy_shell(TkBlob* blob, const ProxyPrimitive* primitive, ProxyShell* shell);
void xd_free_proxy_shell(ProxyShell* shell);
