// RTEXT that names a text file, drawn as paragraph text from the file's contents, and the
// outline of an OLE2FRAME. A drawing must never make the viewer read a file whole: the text file
// is read up to a cap, and one that cannot be read draws nothing.
#include <cmath>
#include <cstring>
#include <string>

#include "toolkit/core/blob.h"
#include "toolkit/core/mem.h"
#include "toolkit/display/mtext.h"
#include "toolkit/display/regen_kinds.h"

namespace {

// The RTEXT record (one layout for both readers).
enum : size_t {
  kInsertion = 0,
  kRotation = 24,
  kHeight = 32,
  kFlags = 40,  // i16: 1 the contents are an expression, 2 paragraph formatting codes are read
  kStyle = 48,
  kContents = 64,
  kContentsSize = 1016,
};
constexpr int16_t kExpression = 1;
constexpr int16_t kFormatting = 2;

// The OLE2FRAME's upper-left and lower-right corners.
constexpr size_t kOleCorner1 = 8;
constexpr size_t kOleCorner2 = 32;

}  // namespace

TkBlob* regen_read_text_file(const char* path, int32_t max) {
  TkFile* file = path && path[0] ? file_open(path) : nullptr;
  if (!file) return nullptr;
  TkBlob* blob = blob_alloc(4096);
  TkBlob* w = blob ? blob_create(blob) : nullptr;
  bool ok = w != nullptr;
  int32_t total = 0;
  char piece[512];
  while (ok && total < max) {
    size_t want = size_t(max - total) < sizeof piece ? size_t(max - total) : sizeof piece;
    size_t got = file_read(piece, 1, want, file);
    if (got == 0) break;
    ok = blob_write(w, piece, got) != 0;
    total += int32_t(got);
  }
  file_close(file);
  if (w && !blob_close_write(w)) ok = false;
  if (!ok) {
    blob_free(blob);
    return nullptr;
  }
  return blob;
}

int16_t regen_rtext(TkDrawing* drawing, const TkEntityData* data, const double transform[16],
                    int16_t colour) {
  const int16_t flags = tk_data_get<int16_t>(data, kFlags);
  if (flags & kExpression) return 1;
  const char* named = tk_data_text(data, kContents);
  std::string path(named, strnlen(named, kContentsSize - 1));
  TkDisplayCallbacks* cb = tk_display_callbacks;
  if (cb->find_file && !path.empty()) {
    char found[512] = {};
    cb->find_file(path.c_str(), found, drawing->user_data);
    found[sizeof found - 1] = 0;
    if (found[0]) path = found;
  }
  TkBlob* contents = regen_read_text_file(path.c_str(), TK_RTEXT_FILE_MAX);
  if (!contents) return 1;
  std::string text;
  TkBlob* r = blob_open_read(contents);
  uint8_t byte;
  while (r && blob_read_byte(r, &byte) && byte) text.push_back(char(byte));
  if (r) blob_close(r);
  blob_free(contents);
  TkMtextParams p{};
  for (int i = 0; i < 3; ++i)
    p.insertion[i] = tk_data_get<double>(data, kInsertion + 8 * size_t(i));
  p.rotation = tk_data_get<double>(data, kRotation);
  p.height = tk_data_get<double>(data, kHeight);
  p.attachment = 1;
  p.direction = 1;
  p.spacing_style = 1;
  p.spacing_factor = 1.0;
  p.formatting = (flags & kFormatting) ? 1 : 0;
  if (!std::isfinite(p.height) || !std::isfinite(p.rotation)) return 1;
  auto* style = static_cast<TkTextStyleRecord*>(mem_alloc(sizeof(TkTextStyleRecord)));
  if (!style) return tk_fail_alloc(TK_ERR_MTEXT_STORAGE);
  TkHandle style_handle = tk_data_get<TkHandle>(data, kStyle);
  if (!tk_style_get(drawing, &style_handle, style)) tk_init_style_record(style);
  int16_t ok = mtext_draw(drawing, &p, text.c_str(), style, transform, colour);
  mem_free(style);
  return ok;
}

void regen_ole_frame(TkDrawing* drawing, const TkEntityData* data, TkConstViewMatrices matrices) {
  double a[3], b[3];
  for (int i = 0; i < 3; ++i) {
    a[i] = tk_data_get<double>(data, kOleCorner1 + 8 * size_t(i));
    b[i] = tk_data_get<double>(data, kOleCorner2 + 8 * size_t(i));
  }
  if (!std::isfinite(a[0]) || !std::isfinite(a[1]) || !std::isfinite(b[0]) || !std::isfinite(b[1]))
    return;
  const double corners[4][3] = {
      {a[0], a[1], a[2]}, {b[0], a[1], a[2]}, {b[0], b[1], b[2]}, {a[0], b[1], b[2]}};
  for (int k = 0; k < 4; ++k) {
    double p0[3], p1[3];
    std::memcpy(p0, corners[k], sizeof p0);
    std::memcpy(p1, corners[(k + 1) % 4], sizeof p1);
    regen_line(drawing, p0, p1, nullptr, matrices, &tk_regen.continuous, drawing, nullptr,
               ++tk_regen.run_counter, 0.0);
  }
}
