// DCX, ZSoft's multi-page PCX container (ZSoft PCX Technical Reference Manual): the magic number
// 0x3ADE68B1, a table of up to 1023 page offsets ended by a zero, and one PCX image per page.
// Written with one page; the table is the full 1024 entries other readers expect.
#include "img_codec.h"

namespace {

constexpr uint32_t kMagic = 0x3ADE68B1u;
constexpr size_t kTableEntries = 1024;

// Offsets of the pages in file order, each checked to lie inside the file.
int32_t dcx_pages(const uint8_t* d, size_t n, std::vector<uint32_t>& pages) {
  pages.clear();
  if (n < 8 || img_le32(d) != kMagic) return IMG_ERR_CORRUPT;
  for (size_t i = 0; i < kTableEntries - 1; ++i) {
    size_t at = 4 + 4 * i;
    if (at + 4 > n) return IMG_ERR_CORRUPT;
    uint32_t off = img_le32(d + at);
    if (off == 0) break;
    if (off >= n) return IMG_ERR_CORRUPT;
    pages.push_back(off);
  }
  return pages.empty() ? IMG_ERR_CORRUPT : IMG_OK;
}

}  // namespace

bool dcx_looks_like(const uint8_t* d, size_t n) { return n >= 8 && img_le32(d) == kMagic; }

int32_t dcx_page_count(const uint8_t* d, size_t n) {
  std::vector<uint32_t> pages;
  int32_t rc = dcx_pages(d, n, pages);
  return rc < 0 ? rc : int32_t(pages.size());
}

int32_t dcx_read(const uint8_t* d, size_t n, int32_t page, ImgImage& img, const ImgProgress* progress) {
  std::vector<uint32_t> pages;
  int32_t rc = dcx_pages(d, n, pages);
  if (rc < 0) return rc;
  if (page < 0 || size_t(page) >= pages.size()) return IMG_ERR_NO_PAGE;
  // A page ends where the next one starts (or at the end of the file), so that the 256-colour
  // palette a PCX keeps at its end is found at the end of its own page.
  size_t start = pages[size_t(page)], end = n;
  for (uint32_t off : pages)
    if (off > start && off < end) end = off;
  return pcx_read(d + start, end - start, img, progress);
}

int32_t dcx_write(const ImgImage& img, std::vector<uint8_t>& out) {
  std::vector<uint8_t> page;
  int32_t rc = pcx_write(img, page);
  if (rc != IMG_OK) return rc;
  out.clear();
  ImgOut o{out};
  o.le32(kMagic);
  o.le32(uint32_t(4 + 4 * kTableEntries));
  o.fill(0, 4 * (kTableEntries - 1));
  o.bytes(page.data(), page.size());
  return IMG_OK;
}
