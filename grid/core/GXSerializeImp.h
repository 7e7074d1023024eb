// The grid's archive forms: the application-wide features that store and load the parameter
// object, the cell store, the named base styles, the properties, styles, fonts, interiors and
// border lines, and the one that compares two styles attribute by attribute. The model classes'
// Serialize operations forward here.
// Not for: the profile (the grid profile feature) or the range and user-attribute records, which
// their classes write themselves.
#ifndef GRID_CORE_GXSERIALIZEIMP_H
#define GRID_CORE_GXSERIALIZEIMP_H

#include "GXFeatures.h"
#include "GXStyle.h"

class CGXGridDocSerializeImp : public CGXAbstractGridDocSerializeImp {
 public:
  void SerializeStylesMap(CGXStylesMap* pMap, CArchive& ar) override;
  void SerializeData(CGXData* pData, CArchive& ar) override;
  void SerializeCellRows(CGXStylePtrArrayPtrArray* pRows, CArchive& ar) override;
  void SerializeStyleArray(CGXStylePtrArray* pArray, CArchive& ar) override;
  void SerializeProperties(CGXProperties* pProperties, CArchive& ar) override;
  void SerializeParam(CGXGridParam* pParam, CArchive& ar) override;
};

class CGXStyleSerializeImp : public CGXAbstractStyleSerializeImp {
 public:
  void SerializeFont(CGXFont* pFont, CArchive& ar) override;
  CArchive& SerializeInterior(CGXInteriorFill* pFill, CArchive& ar) override;
  void SerializeBorderLine(CGXBorderLine* pLine, CArchive& ar) override;
  void SerializeStyle(CGXStyle* pStyle, CArchive& ar, const CGXStylesMap* pStylesMap) override;
};

class CGXStyleCompareSubsetImp : public CGXAbstractStyleCompareSubsetImp {
 public:
  BOOL IsSubSet(const CGXStyle* pStyle, const CGXStyle* pOther) override;
};

// The colour word of the style records: the RGB value in the low 24 bits and the kind (0-2) in the
// top byte; a system colour as its current RGB with 254 - index in the top byte.
DWORD GXColorToWord(DWORD nKind, DWORD nValue);
void GXColorFromWord(DWORD dwWord, DWORD& nKind, DWORD& nValue);

// The text form of a border line: "%lu %ld %d %d %d %d" (pen style, width, red, green, blue and
// the colour word's top byte), and its parser.
CString GXBorderLineDescription(const CGXBorderLine& line);
CGXBorderLine GXParseBorderLine(LPCTSTR pszText);

// Reads an object record that must be the null object; anything else (a class or a reference)
// raises CArchiveException::badClass before an object is built.
void GXReadNullObject(CArchive& ar);

#endif  // GRID_CORE_GXSERIALIZEIMP_H
