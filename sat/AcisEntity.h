// The base of every SAT record object, acis_Entity, with its numbered pointer fields, and the
// records that hang on other records: the attribute chain (the colour attributes, and ignored
// attributes that only keep the chain intact) and the transform of a body.
//
// Pointer fields are set through setPointerField by a field code, either while the record reads
// its fields or later by the parser's fix-ups. A target of the wrong kind is never stored: the
// text decides only which record a field names, not what the field may hold.
//
// Not for: the topology (AcisTopology.h), curves (AcisCurves.h) or surfaces (AcisSurfaces.h).
#ifndef SAT_ACISENTITY_H
#define SAT_ACISENTITY_H

#include <cstdint>

class satParser;

class acis_Entity {
 public:
  // Reads the attribute pointer (code 100) as every record begins with it; a record embedded in
  // a subtype or a law has none.
  explicit acis_Entity(satParser& parser, bool withAttribute = true);
  virtual ~acis_Entity() = default;
  acis_Entity(const acis_Entity&) = delete;
  acis_Entity& operator=(const acis_Entity&) = delete;

  virtual void setPointerField(int32_t code, acis_Entity* target);
  // The record name the class stands for.
  virtual const char* typeName() const = 0;

  acis_Entity* attribute() const { return attribute_; }

 protected:
  void readPointerFields(satParser& parser, int32_t firstCode, int32_t count);

 private:
  acis_Entity* attribute_ = nullptr;
};

// Records that end in "attrib": the next, previous and owner pointers (codes 1200 to 1202).
class acis_Attribute : public acis_Entity {
 public:
  explicit acis_Attribute(satParser& parser);
  void setPointerField(int32_t code, acis_Entity* target) override;
  acis_Entity* next() const { return next_; }
  acis_Entity* previous() const { return previous_; }
  acis_Entity* owner() const { return owner_; }

 private:
  acis_Entity* next_ = nullptr;
  acis_Entity* previous_ = nullptr;
  acis_Entity* owner_ = nullptr;
};

class acis_ColourAttribute : public acis_Attribute {
 public:
  explicit acis_ColourAttribute(satParser& parser) : acis_Attribute(parser) {}
  void setColour(const double rgb[3]);
  const double* colour() const { return colour_; }  // red, green, blue in 0..1

 private:
  double colour_[3] = {0, 0, 0};
};

// "rgb_color-st-attrib": the colour written as three numbers.
class acis_RgbColourAttribute : public acis_ColourAttribute {
 public:
  explicit acis_RgbColourAttribute(satParser& parser);
  const char* typeName() const override { return "rgb_color-st-attrib"; }
};

// "colour-tsl-attrib" and "color-adesk-attrib": a colour number of the 256-colour palette of
// drawings.
class acis_IndexedColourAttribute : public acis_ColourAttribute {
 public:
  acis_IndexedColourAttribute(satParser& parser, const char* name);
  const char* typeName() const override { return name_; }
  int32_t index() const { return mIndex; }

 private:
  const char* name_;  // one of the two static record names
  int32_t mIndex = 0;
};

// Any other attribute: its chain pointers are kept, its data skipped.
class acis_IgnoredAttribute : public acis_Attribute {
 public:
  explicit acis_IgnoredAttribute(satParser& parser);
  const char* typeName() const override { return "IGNORED-attrib"; }
};

// "transform": rows 1 to 3 the rotation (fourth element 0), row 4 the translation and the scale.
class acis_Transform : public acis_Entity {
 public:
  acis_Transform(satParser& parser, bool withAttribute);
  const char* typeName() const override { return "transform"; }
  const double* matrix() const { return m_; }  // 16 values by rows
  bool rotate() const { return rotate_; }
  bool reflect() const { return reflect_; }
  bool shear() const { return shear_; }

 private:
  double m_[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  bool rotate_ = false, reflect_ = false, shear_ = false;
};

// The RGB colour (0..1) of entry index of the drawings' 256-colour palette, index taken modulo
// 256.
void aciPaletteColour(int32_t index, double rgb[3]);

// The attribute or transform record for a name, or null when the name is another's.
acis_Entity* makeAttribute(satParser& parser, const char* name);

#endif
