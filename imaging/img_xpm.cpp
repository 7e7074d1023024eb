// X pixmaps, XPM version 3 (the XPM Manual of the X Consortium): C source whose strings give
// "width height colours chars-per-pixel", one string per colour ("<chars> c <colour>") and one per
// row. Colours are read as "#" followed by 1 to 4 hexadecimal digits per channel, "None"
// (transparent, shown as white) and the common colour names; written: 8-bit images, two characters
// a pixel.
#include "img_codec.h"

#include <cstdio>
#include <cstdlib>
#include <map>

namespace {

// The quoted strings of the file, in order (comments skipped).
bool xpm_strings(const uint8_t* d, size_t n, std::vector<std::string>& out, size_t max_strings) {
  size_t i = 0;
  while (i < n && out.size() < max_strings) {
    if (d[i] == '/' && i + 1 < n && d[i + 1] == '*') {
      i += 2;
      while (i + 1 < n && !(d[i] == '*' && d[i + 1] == '/')) ++i;
      i += 2;
    } else if (d[i] == '"') {
      size_t start = ++i;
      while (i < n && d[i] != '"') ++i;
      if (i >= n) return false;
      out.emplace_back(reinterpret_cast<const char*>(d + start), i - start);
      ++i;
    } else {
      ++i;
    }
  }
  return true;
}

bool parse_colour(std::string s, uint32_t& rgb) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.pop_back();
  if (!s.empty() && s[0] == '#') {
    size_t digits = s.size() - 1;
    if (digits == 0 || digits % 3 != 0 || digits > 12) return false;
    size_t per = digits / 3;
    uint32_t c = 0;
    for (int k = 0; k < 3; ++k) {
      std::string part = s.substr(1 + size_t(k) * per, per);
      char* end = nullptr;
      unsigned long v = std::strtoul(part.c_str(), &end, 16);
      if (*end) return false;
      unsigned long maxv = (1ul << (4 * per)) - 1;
      c = c << 8 | uint32_t(v * 255 / maxv);
    }
    rgb = c;
    return true;
  }
  std::string low;
  for (char ch : s) low += char(ch >= 'A' && ch <= 'Z' ? ch + 32 : ch);
  static const struct { const char* name; uint32_t rgb; } names[] = {
      {"none", 0xFFFFFF}, {"black", 0x000000}, {"white", 0xFFFFFF}, {"red", 0xFF0000},
      {"green", 0x00FF00}, {"blue", 0x0000FF}, {"yellow", 0xFFFF00}, {"cyan", 0x00FFFF},
      {"magenta", 0xFF00FF}, {"gray", 0xBEBEBE}, {"grey", 0xBEBEBE}, {"orange", 0xFFA500},
  };
  for (const auto& nm : names)
    if (low == nm.name) {
      rgb = nm.rgb;
      return true;
    }
  return false;
}

}  // namespace

bool xpm_looks_like(const uint8_t* d, size_t n) {
  size_t look = n < 64 ? n : 64;
  std::string head(reinterpret_cast<const char*>(d), look);
  return head.find("/* XPM */") != std::string::npos;
}

int32_t xpm_read(const uint8_t* d, size_t n, ImgImage& img, const ImgProgress* progress) {
  std::vector<std::string> first;
  if (!xpm_strings(d, n, first, 1) || first.empty()) return IMG_ERR_CORRUPT;
  long w = 0, h = 0, colours = 0, cpp = 0;
  if (std::sscanf(first[0].c_str(), "%ld %ld %ld %ld", &w, &h, &colours, &cpp) != 4) return IMG_ERR_CORRUPT;
  if (w <= 0 || h <= 0 || colours <= 0 || cpp <= 0 || cpp > 4) return IMG_ERR_CORRUPT;
  if (w > IMG_MAX_DIMENSION || h > IMG_MAX_DIMENSION) return IMG_ERR_TOO_LARGE;
  if (colours > 65536) return IMG_ERR_UNSUPPORTED;
  // Every string is at least as long as its quotes, so a file cannot claim more than it holds.
  if (size_t(1 + colours + h) > n / 2) return IMG_ERR_CORRUPT;
  std::vector<std::string> s;
  if (!xpm_strings(d, n, s, size_t(1 + colours + h)) || s.size() < size_t(1 + colours + h)) return IMG_ERR_CORRUPT;
  std::map<std::string, uint32_t> table;
  std::vector<uint32_t> rgbs;
  for (long c = 0; c < colours; ++c) {
    const std::string& e = s[size_t(1 + c)];
    if (e.size() < size_t(cpp)) return IMG_ERR_CORRUPT;
    std::string key = e.substr(0, size_t(cpp));
    // Key-value pairs follow the characters: "c" (colour) is taken, "g", "g4" or "m" when a file
    // has no colour key. A value may have blanks ("light grey"): it runs to the next key.
    std::vector<std::string> tokens;
    for (size_t i = size_t(cpp); i < e.size();) {
      size_t b0 = e.find_first_not_of(" \t", i);
      if (b0 == std::string::npos) break;
      size_t b1 = e.find_first_of(" \t", b0);
      tokens.push_back(e.substr(b0, b1 == std::string::npos ? std::string::npos : b1 - b0));
      i = b1 == std::string::npos ? e.size() : b1;
    }
    auto is_key = [](const std::string& t) { return t == "c" || t == "g" || t == "g4" || t == "m" || t == "s"; };
    uint32_t rgb = 0;
    bool found = false;
    for (const char* want : {"c", "g", "g4", "m"}) {
      for (size_t t = 0; t < tokens.size() && !found; ++t) {
        if (tokens[t] != want) continue;
        std::string val;
        for (size_t k = t + 1; k < tokens.size() && !is_key(tokens[k]); ++k) val += (val.empty() ? "" : " ") + tokens[k];
        found = parse_colour(val, rgb);
      }
      if (found) break;
    }
    if (!found) return IMG_ERR_UNSUPPORTED;
    table[key] = uint32_t(rgbs.size());
    rgbs.push_back(rgb);
  }
  bool mapped = rgbs.size() <= 256;
  int32_t rc = img_create(img, int32_t(w), int32_t(h), mapped ? 8 : 24);
  if (rc != IMG_OK) return rc;
  if (mapped) {
    img.palette.assign(256, 0);
    for (size_t i = 0; i < rgbs.size(); ++i) img.palette[i] = rgbs[i];
  }
  ImgProgressSteps steps(progress, h);
  for (long y = 0; y < h; ++y) {
    steps.Advance(y + 1);
    const std::string& row = s[size_t(1 + colours + y)];
    if (row.size() < size_t(w * cpp)) {
      img = ImgImage();
      return IMG_ERR_CORRUPT;
    }
    for (long x = 0; x < w; ++x) {
      auto it = table.find(row.substr(size_t(x * cpp), size_t(cpp)));
      if (it == table.end()) {
        img = ImgImage();
        return IMG_ERR_CORRUPT;
      }
      img_set_px(img, int32_t(x), int32_t(y), mapped ? it->second : rgbs[it->second]);
    }
  }
  return IMG_OK;
}

int32_t xpm_write(const ImgImage& img, std::vector<uint8_t>& out) {
  if (img.bpp != 8) return IMG_ERR_DEPTH;
  static const char kChars[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789.#";
  auto code = [](uint32_t v, char* two) {
    two[0] = kChars[v / 64 % 64];
    two[1] = kChars[v % 64];
  };
  out.clear();
  ImgOut o{out};
  char buf[96];
  o.text("/* XPM */\nstatic char *image[] = {\n");
  std::snprintf(buf, sizeof buf, "\"%d %d 256 2\",\n", img.width, img.height);
  o.text(buf);
  for (uint32_t i = 0; i < 256; ++i) {
    char two[2];
    code(i, two);
    uint32_t c = i < img.palette.size() ? img.palette[i] & 0xFFFFFFu : 0;
    std::snprintf(buf, sizeof buf, "\"%c%c c #%06X\",\n", two[0], two[1], c);
    o.text(buf);
  }
  for (int32_t y = 0; y < img.height; ++y) {
    o.u8('"');
    const uint8_t* r = img.row(y);
    for (int32_t x = 0; x < img.width; ++x) {
      char two[2];
      code(r[x], two);
      o.bytes(two, 2);
    }
    o.text(y + 1 == img.height ? "\"};\n" : "\",\n");
  }
  return IMG_OK;
}
