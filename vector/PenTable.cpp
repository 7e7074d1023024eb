// The pen-width table: parsing the pen lists and looking widths up.
#include "PenTable.h"

#include <cstring>

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Fills count widths from pairs of hexadecimal digits; the rest keep fallback.
void ParseList(const char* text, int32_t* widths, int count, int32_t fallback) {
  const size_t length = text ? strlen(text) : 0;
  bool ok = true;
  for (int i = 0; i < count; ++i) {
    const size_t at = static_cast<size_t>(i) * 2;
    int hi = -1, lo = -1;
    if (ok && at + 1 < length) {
      hi = HexDigit(text[at]);
      lo = HexDigit(text[at + 1]);
    }
    if (hi < 0 || lo < 0) ok = false;
    widths[i] = ok ? hi * 16 + lo : fallback;
  }
}

}  // namespace

void CPenTable::SetDefaults() {
  for (int32_t& w : m_widths) w = DefaultWidth;
}

int CPenTable::ReadLists(const char* list1, const char* list2) {
  if (!list1 || !*list1) return 0;
  ParseList(list1, m_widths, FirstListCount, DefaultWidth);
  ParseList(list2, m_widths + FirstListCount, PenCount - FirstListCount, SecondListDefault);
  return 1;
}

int CPenTable::GetWidth(int pen) const {
  int32_t w = (pen >= 0 && pen < PenCount) ? m_widths[pen] : DefaultWidth;
  return static_cast<int>(w * m_dScale + 0.5);
}
