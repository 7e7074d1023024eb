// Shared helpers that need nothing of the window system.
#include "PlainHelpers.h"

#include <cstdlib>
#include <cstring>

namespace {

// Strictly between a and b, in either order.
bool Between(long long v, long long a, long long b) { return (a < v && v < b) || (b < v && v < a); }

}  // namespace

int PointOnLine(int x1, int y1, int x2, int y2, int x3, int y3) {
  // 64-bit products: document units reach 10,000,000, whose squares do not fit in 32 bits.
  long long dx = static_cast<long long>(x2) - x1;
  long long dy = static_cast<long long>(y2) - y1;
  long long cross = dx * (static_cast<long long>(y3) - y1) - (static_cast<long long>(x3) - x1) * dy;
  long long adx = dx < 0 ? -dx : dx;
  long long ady = dy < 0 ? -dy : dy;
  if ((cross < 0 ? -cross : cross) >= (adx > ady ? adx : ady)) return 0;
  if (Between(x1, x2, x3) || Between(y1, y2, y3)) return 1;
  if (Between(x2, x1, x3) || Between(y2, y1, y3)) return 3;
  return 2;
}

int CountLines(const char* text) {
  int n = 1;
  if (!text) return n;
  for (const char* p = text; *p; ++p)
    if (*p == '\n') ++n;
  return n;
}

std::vector<CString> SplitFileList(const char* commandLine) {
  std::vector<CString> pieces;
  if (!commandLine || !*commandLine) return pieces;
  const char* p = commandLine;
  for (;;) {
    const char* semi = strchr(p, ';');
    if (!semi) {
      pieces.emplace_back(p);
      break;
    }
    pieces.emplace_back(p, static_cast<int>(semi - p));
    p = semi + 1;
  }
  return pieces;
}
