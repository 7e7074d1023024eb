// Record base, attributes and the transform record of the SAT reader.
#include "sat/AcisEntity.h"

#include <cstdint>
#include <cstring>

#include "sat/SatParser.h"

namespace {

// The 256-colour palette of drawings: 1 to 9 the named colours, 10 to 249 twenty-four hue groups
// of ten at falling brightness with a paler tint after each, 250 to 255 greys.
const uint8_t kAciPalette[256][3] = {
    {0, 0, 0}, {255, 0, 0}, {255, 255, 0}, {0, 255, 0}, {0, 255, 255}, {0, 0, 255},
    {255, 0, 255}, {255, 255, 255}, {152, 152, 152}, {192, 192, 192}, {255, 0, 0}, {255, 128, 128},
    {166, 0, 0}, {166, 83, 83}, {128, 0, 0}, {128, 64, 64}, {76, 0, 0}, {76, 38, 38},
    {38, 0, 0}, {38, 19, 19}, {255, 64, 0}, {255, 159, 128}, {166, 41, 0}, {166, 104, 83},
    {128, 32, 0}, {128, 80, 64}, {76, 19, 0}, {76, 48, 38}, {38, 10, 0}, {38, 24, 19},
    {255, 128, 0}, {255, 191, 128}, {166, 83, 0}, {166, 124, 83}, {128, 64, 0}, {128, 96, 64},
    {76, 38, 0}, {76, 57, 38}, {38, 19, 0}, {38, 29, 19}, {255, 191, 0}, {255, 223, 128},
    {166, 124, 0}, {166, 145, 83}, {128, 96, 0}, {128, 112, 64}, {76, 57, 0}, {76, 67, 38},
    {38, 29, 0}, {38, 33, 19}, {255, 255, 0}, {255, 255, 128}, {166, 166, 0}, {166, 166, 83},
    {128, 128, 0}, {128, 128, 64}, {76, 76, 0}, {76, 76, 38}, {38, 38, 0}, {38, 38, 19},
    {191, 255, 0}, {223, 255, 128}, {124, 166, 0}, {145, 166, 83}, {96, 128, 0}, {112, 128, 64},
    {57, 76, 0}, {67, 76, 38}, {29, 38, 0}, {33, 38, 19}, {128, 255, 0}, {191, 255, 128},
    {83, 166, 0}, {124, 166, 83}, {64, 128, 0}, {96, 128, 64}, {38, 76, 0}, {57, 76, 38},
    {19, 38, 0}, {29, 38, 19}, {64, 255, 0}, {159, 255, 128}, {41, 166, 0}, {104, 166, 83},
    {32, 128, 0}, {80, 128, 64}, {19, 76, 0}, {48, 76, 38}, {10, 38, 0}, {24, 38, 19},
    {0, 255, 0}, {128, 255, 128}, {0, 166, 0}, {83, 166, 83}, {0, 128, 0}, {64, 128, 64},
    {0, 76, 0}, {38, 76, 38}, {0, 38, 0}, {19, 38, 19}, {0, 255, 64}, {128, 255, 159},
    {0, 166, 41}, {83, 166, 104}, {0, 128, 32}, {64, 128, 80}, {0, 76, 19}, {38, 76, 48},
    {0, 38, 10}, {19, 38, 24}, {0, 255, 128}, {128, 255, 191}, {0, 166, 83}, {83, 166, 124},
    {0, 128, 64}, {64, 128, 96}, {0, 76, 38}, {38, 76, 57}, {0, 38, 19}, {19, 38, 29},
    {0, 255, 191}, {128, 255, 223}, {0, 166, 124}, {83, 166, 145}, {0, 128, 96}, {64, 128, 112},
    {0, 76, 57}, {38, 76, 67}, {0, 38, 29}, {19, 38, 33}, {0, 255, 255}, {128, 255, 255},
    {0, 166, 166}, {83, 166, 166}, {0, 128, 128}, {64, 128, 128}, {0, 76, 76}, {38, 76, 76},
    {0, 38, 38}, {19, 38, 38}, {0, 191, 255}, {128, 223, 255}, {0, 124, 166}, {83, 145, 166},
    {0, 96, 128}, {64, 112, 128}, {0, 57, 76}, {38, 67, 76}, {0, 29, 38}, {19, 33, 38},
    {0, 128, 255}, {128, 191, 255}, {0, 83, 166}, {83, 124, 166}, {0, 64, 128}, {64, 96, 128},
    {0, 38, 76}, {38, 57, 76}, {0, 19, 38}, {19, 29, 38}, {0, 64, 255}, {128, 159, 255},
    {0, 41, 166}, {83, 104, 166}, {0, 32, 128}, {64, 80, 128}, {0, 19, 76}, {38, 48, 76},
    {0, 10, 38}, {19, 24, 38}, {0, 0, 255}, {128, 128, 255}, {0, 0, 166}, {83, 83, 166},
    {0, 0, 128}, {64, 64, 128}, {0, 0, 76}, {38, 38, 76}, {0, 0, 38}, {19, 19, 38},
    {64, 0, 255}, {159, 128, 255}, {41, 0, 166}, {104, 83, 166}, {32, 0, 128}, {80, 64, 128},
    {19, 0, 76}, {48, 38, 76}, {10, 0, 38}, {24, 19, 38}, {128, 0, 255}, {191, 128, 255},
    {83, 0, 166}, {124, 83, 166}, {64, 0, 128}, {96, 64, 128}, {38, 0, 76}, {57, 38, 76},
    {19, 0, 38}, {29, 19, 38}, {191, 0, 255}, {223, 128, 255}, {124, 0, 166}, {145, 83, 166},
    {96, 0, 128}, {112, 64, 128}, {57, 0, 76}, {67, 38, 76}, {29, 0, 38}, {33, 19, 38},
    {255, 0, 255}, {255, 128, 255}, {166, 0, 166}, {166, 83, 166}, {128, 0, 128}, {128, 64, 128},
    {76, 0, 76}, {76, 38, 76}, {38, 0, 38}, {38, 19, 38}, {255, 0, 191}, {255, 128, 223},
    {166, 0, 124}, {166, 83, 145}, {128, 0, 96}, {128, 64, 112}, {76, 0, 57}, {76, 38, 67},
    {38, 0, 29}, {38, 19, 33}, {255, 0, 128}, {255, 128, 191}, {166, 0, 83}, {166, 83, 124},
    {128, 0, 64}, {128, 64, 96}, {76, 0, 38}, {76, 38, 57}, {38, 0, 19}, {38, 19, 29},
    {255, 0, 64}, {255, 128, 159}, {166, 0, 41}, {166, 83, 104}, {128, 0, 32}, {128, 64, 80},
    {76, 0, 19}, {76, 38, 48}, {38, 0, 10}, {38, 19, 24}, {84, 84, 84}, {118, 118, 118},
    {152, 152, 152}, {187, 187, 187}, {221, 221, 221}, {255, 255, 255},
};

bool endsWith(const char* text, const char* tail) {
  size_t n = std::strlen(text), m = std::strlen(tail);
  return n >= m && std::strcmp(text + n - m, tail) == 0;
}

}  // namespace

void aciPaletteColour(int32_t index, double rgb[3]) {
  uint32_t i = static_cast<uint32_t>(index) % 256u;
  for (int c = 0; c < 3; ++c) rgb[c] = kAciPalette[i][c] * 0.00392156862745098;
}

acis_Entity::acis_Entity(satParser& parser, bool withAttribute) {
  if (withAttribute) readPointerFields(parser, 100, 1);
}

void acis_Entity::setPointerField(int32_t code, acis_Entity* target) {
  if (code == 100) attribute_ = target;
}

void acis_Entity::readPointerFields(satParser& parser, int32_t firstCode, int32_t count) {
  for (int32_t code = firstCode; code < firstCode + count; ++code) {
    char mark = ' ';
    int32_t number = -1;
    char* word = nullptr;
    if (!parser.readReference(mark, number, word)) return;
    if (mark != '$') continue;
    if (acis_Entity* target = parser.recordAt(number))
      setPointerField(code, target);
    else
      parser.addFixup(number, this, code);
  }
}

acis_Attribute::acis_Attribute(satParser& parser) : acis_Entity(parser) {
  readPointerFields(parser, 1200, 3);
}

void acis_Attribute::setPointerField(int32_t code, acis_Entity* target) {
  switch (code) {
    case 1200: next_ = target; break;
    case 1201: previous_ = target; break;
    case 1202: owner_ = target; break;
    default: acis_Entity::setPointerField(code, target);
  }
}

void acis_ColourAttribute::setColour(const double rgb[3]) {
  for (int c = 0; c < 3; ++c) colour_[c] = rgb[c];
}

acis_RgbColourAttribute::acis_RgbColourAttribute(satParser& parser)
    : acis_ColourAttribute(parser) {
  double rgb[3] = {0, 0, 0};
  if (parser.readDoubles(rgb, 3)) setColour(rgb);
}

acis_IndexedColourAttribute::acis_IndexedColourAttribute(satParser& parser, const char* name)
    : acis_ColourAttribute(parser), name_(name) {
  int32_t index = 0;
  parser.readInt(index);
  mIndex = index < 0 ? 0 : index;
  double rgb[3];
  aciPaletteColour(mIndex, rgb);
  setColour(rgb);
}

acis_IgnoredAttribute::acis_IgnoredAttribute(satParser& parser) : acis_Attribute(parser) {
  parser.skipToEndOfEntity();
}

acis_Transform::acis_Transform(satParser& parser, bool withAttribute)
    : acis_Entity(parser, withAttribute) {
  for (int row = 0; row < 3; ++row) {
    parser.readDoubles(m_ + 4 * row, 3);
    m_[4 * row + 3] = 0;
  }
  parser.readDoubles(m_ + 12, 4);
  char* word = nullptr;
  parser.readWord(word);
  rotate_ = word && (std::strcmp(word, "rotate") == 0 || std::strcmp(word, "1") == 0);
  parser.readWord(word);
  reflect_ = word && (std::strcmp(word, "reflect") == 0 || std::strcmp(word, "1") == 0);
  parser.readWord(word);
  shear_ = word && (std::strcmp(word, "shear") == 0 || std::strcmp(word, "1") == 0);
}

acis_Entity* makeAttribute(satParser& parser, const char* name) {
  static const char kAdesk[] = "color-adesk-attrib";
  static const char kTsl[] = "colour-tsl-attrib";
  if (std::strcmp(name, "transform") == 0) return new acis_Transform(parser, true);
  if (std::strcmp(name, kAdesk) == 0) return new acis_IndexedColourAttribute(parser, kAdesk);
  if (std::strcmp(name, kTsl) == 0) return new acis_IndexedColourAttribute(parser, kTsl);
  if (std::strcmp(name, "rgb_color-st-attrib") == 0) return new acis_RgbColourAttribute(parser);
  if (std::strlen(name) >= 6 && endsWith(name, "attrib")) return new acis_IgnoredAttribute(parser);
  return nullptr;
}
