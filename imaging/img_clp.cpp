// Windows clipboard files (the Clipboard Viewer's .CLP layout of Windows 3.1 and NT): a file
// identifier (0xC350, or 0xC351 with 32-bit format numbers and Unicode names), a count of formats
// and a directory entry per format with its data's length and offset. The image is the CF_DIB
// entry (a packed DIB); written with that one entry.
#include "img_codec.h"

namespace {

constexpr uint16_t kWin31 = 0xC350, kNt = 0xC351, kNt2 = 0xC352;
constexpr uint32_t kCfDib = 8;
constexpr size_t kWin31Entry = 2 + 4 + 4 + 79, kNtEntry = 4 + 4 + 4 + 79 * 2;

}  // namespace

bool clp_looks_like(const uint8_t* d, size_t n) {
  if (n < 4) return false;
  uint16_t id = img_le16(d);
  if (id != kWin31 && id != kNt && id != kNt2) return false;
  size_t count = img_le16(d + 2), entry = id == kWin31 ? kWin31Entry : kNtEntry;
  return count > 0 && 4 + count * entry <= n;
}

int32_t clp_read(const uint8_t* d, size_t n, ImgImage& img, const ImgProgress* progress) {
  if (!clp_looks_like(d, n)) return IMG_ERR_CORRUPT;
  bool nt = img_le16(d) != kWin31;
  size_t count = img_le16(d + 2), entry = nt ? kNtEntry : kWin31Entry;
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* e = d + 4 + i * entry;
    uint32_t id = nt ? img_le32(e) : img_le16(e);
    const uint8_t* lo = e + (nt ? 4 : 2);
    uint32_t len = img_le32(lo), off = img_le32(lo + 4);
    if (id != kCfDib) continue;
    if (off > n || len > n - off) return IMG_ERR_CORRUPT;
    return bmp_read(d + off, len, true, img, progress);
  }
  return IMG_ERR_UNSUPPORTED;  // a clipboard file without a device-independent bitmap
}

int32_t clp_write(const ImgImage& img, std::vector<uint8_t>& out) {
  std::vector<uint8_t> dib;
  int32_t rc = bmp_write(img, false, true, dib);
  if (rc != IMG_OK) return rc;
  out.clear();
  ImgOut o{out};
  o.le16(kWin31);
  o.le16(1);
  o.le16(kCfDib);
  o.le32(uint32_t(dib.size()));
  o.le32(uint32_t(4 + kWin31Entry));
  o.fill(0, 79);  // standard formats carry no name
  o.bytes(dib.data(), dib.size());
  return IMG_OK;
}
