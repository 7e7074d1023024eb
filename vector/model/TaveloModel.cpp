#include "vector/model/TaveloModel.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "vector/model/AciPalette.h"

int NearestColorIndex(int64_t rgb) {
  if (rgb == -1) return 256;
  int r = int(rgb & 0xff), g = int((rgb >> 8) & 0xff), b = int((rgb >> 16) & 0xff);
  int best = 0, bestDistance = 1 << 30;
  for (int i = 0; i < 256; ++i) {
    uint32_t c = AciRgbPalette[i];
    int d = std::abs(int(c & 0xff) - r) + std::abs(int((c >> 8) & 0xff) - g) +
            std::abs(int((c >> 16) & 0xff) - b);
    if (d < bestDistance) {
      bestDistance = d;
      best = i;
    }
  }
  return best;
}

std::string TaveloRecordName(const std::string& name) {
  std::string out;
  for (char c : name) {
    if (out.size() == 32) break;
    out.push_back(std::strchr(":; \\/.,+*\"#", c) && c != 0
                      ? '_'
                      : char(std::toupper(static_cast<unsigned char>(c))));
  }
  return out;
}

// Written and read at the same bit: a style written italic comes back italic.
uint32_t TaveloTextFlags(int weight, int italic) {
  return (weight >= 700 ? kTaveloBoldFlag : 0) | (italic > 0 ? kTaveloItalicFlag : 0);
}
