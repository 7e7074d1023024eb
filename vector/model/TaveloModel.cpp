#include "vector/model/TaveloModel.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
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

TaveloFit TaveloFitScale(const TaveloRect& device, const TaveloRect& view, double aspect) {
  TaveloFit fit;
  double dw = device.right - device.left, dh = device.bottom - device.top;
  double vw = view.right - view.left, vh = view.bottom - view.top;
  if (dw <= 0 || dh <= 0 || vw <= 0 || vh <= 0 || !(aspect > 0)) return fit;
  auto whole = [](double v) { return int32_t(std::lround(v)); };
  if (dh / dw >= vh / vw / aspect) {
    // The view's width fills the device; the height is centred.
    double sx = vw * aspect / dw, sy = sx * aspect;
    fit.scaleX = std::max(1, whole(sx));
    fit.scaleY = std::max(1, whole(sy));
    fit.offsetX = whole(device.left - view.left / double(fit.scaleX));
    fit.offsetY = whole((dh - vh / fit.scaleY) * 0.5 - view.top / double(fit.scaleY) + device.top);
  } else {
    double sy = vh * aspect / dh, sx = sy * aspect;
    fit.scaleY = std::max(1, whole(sy));
    fit.scaleX = std::max(1, whole(sx));
    fit.offsetY = whole(device.top - view.top / double(fit.scaleY));
    fit.offsetX = whole((dw - vw / fit.scaleX) * 0.5 - view.left / double(fit.scaleX) + device.left);
  }
  return fit;
}

TaveloPoint TaveloWorldToDevice(double x, double y, const double viewOrigin[2], double scale,
                                const TaveloPoint& origin, const TaveloFit& fit) {
  double dx = ((x - viewOrigin[0]) * scale + origin.x) / fit.scaleX + fit.offsetX + 0.5;
  double dy = ((viewOrigin[1] - y) * scale + origin.y) / fit.scaleY + fit.offsetY + 0.5;
  return {int32_t(dx), int32_t(dy)};
}

TaveloPoint TaveloPolarPoint(double x, double y, double angle, double distance) {
  return {int32_t(x + std::cos(angle) * distance + 0.5), int32_t(y + std::sin(angle) * distance + 0.5)};
}

TaveloColourSlots::TaveloColourSlots() {
  for (int i = 0; i < 16; ++i) m_slotColor[i] = int16_t(i);
}

int TaveloColourSlots::Select(int colour, bool* recreate) {
  *recreate = false;
  if (colour >= 0 && colour <= 7) return colour;
  for (int slot = 8; slot < 16; ++slot)
    if (m_slotColor[slot] == colour) return slot;
  int slot = m_nextSlot;
  m_slotColor[slot] = int16_t(colour);
  *recreate = true;
  m_nextSlot = int16_t(m_nextSlot == 15 ? 8 : m_nextSlot + 1);
  return slot;
}

std::string TaveloCriticalErrorText(int kind, int lastError, const char* errorText) {
  switch (kind) {
    case 1: return "DWG: File read error";
    case 2: {
      char buf[512];
      std::snprintf(buf, sizeof buf, "DWG: critical error %d, aderror %d (%s), terminating", 2,
                    lastError, errorText ? errorText : "");
      return buf;
    }
    case 3: return "DWG: critical error: disk full";
    case 4: return "DWG: critical error: write abort";
    case 5: return "DWG: critical error -- buffer overrun, terminating";
    case 6: return "DWG: critical error -- bad data detected, terminating";
    default: return "";
  }
}
