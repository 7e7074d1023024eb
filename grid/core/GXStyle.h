// The cell style: alignment, colours, fill, borders, font, value, control, choices and switches,
// each present or absent under an include flag, so that the styles of a cell, its row, its column,
// the table and the named base styles stack by merging. With it the interior fill and border line
// records and the packed colour rule.
// Not for: composing a cell's effective style (the engine) or the stored form (GXSerializeImp.cpp).
#ifndef GRID_CORE_GXSTYLE_H
#define GRID_CORE_GXSTYLE_H

#include "Framework.h"
#include "GXFont.h"
#include "GXUserAttribute.h"

class CGXStylesMap;

// A colour given as a COLORREF whose high byte n lies in 65..254 is the system colour 254 - n
// (kind 3); any other keeps its low 24 bits as the value and the low two bits of its high byte as
// the kind.
void GXEncodeColor(DWORD dwColor, DWORD& nKind, DWORD& nValue);
// Back: the value with the kind in bits 24-25, or for kind 3 the system colour's current RGB with
// 254 - index in the high byte.
DWORD GXDecodeColor(DWORD nKind, DWORD nValue);
// The colour to draw with: a system colour's current RGB, else the low 24 bits.
DWORD GXResolveColor(DWORD dwColor);

struct GXLOGBRUSH {
  UINT lbStyle;
  DWORD lbColor;
  UINT_PTR lbHatch;
};

struct GXLOGPEN {
  UINT lopnStyle;
  POINT lopnWidth;
  DWORD lopnColor;
};

class CGXInteriorFill {
 public:
  CGXInteriorFill() : m_w0(0), m_w1(0x3FFFFFFF) {}

  CGXInteriorFill& SetInterior(UINT nBrushStyle, DWORD dwColor, UINT nHatch);
  CGXInteriorFill& SetColor(DWORD dwColor);
  CGXInteriorFill& SetBackColor(DWORD dwColor);
  CGXInteriorFill& SetPattern(UINT nIndex);
  CGXInteriorFill& SetBrushStyle(UINT nStyle);
  CGXInteriorFill& SetHatch(UINT nHatch);

  UINT GetHatch() const { return m_w0 & 7; }
  UINT GetBrushStyle() const { return (m_w1 >> 30) & 3; }
  UINT GetPattern() const { return (m_w1 >> 24) & 0x3F; }
  DWORD GetColor() const;      // resolved
  DWORD GetBackColor() const;  // resolved
  // The colours in the packed form (system colours as 254 - index in the high byte).
  DWORD GetColorTagged() const { return GXDecodeColor((m_w0 >> 4) & 3, m_w0 >> 8); }
  DWORD GetBackColorTagged() const { return GXDecodeColor((m_w0 >> 6) & 3, m_w1 & 0xFFFFFF); }
  GXLOGBRUSH GetLogBrush() const;

  bool operator==(const CGXInteriorFill& o) const { return m_w0 == o.m_w0 && m_w1 == o.m_w1; }
  bool operator!=(const CGXInteriorFill& o) const { return !(*this == o); }

  DWORD m_w0;
  DWORD m_w1;
};

class CGXBorderLine {
 public:
  CGXBorderLine() : m_w0(15), m_w1(0) {}
  CGXBorderLine(UINT nStyle, UINT nWidth, DWORD dwColor);

  CGXBorderLine& SetIncluded(BOOL b);
  CGXBorderLine& SetStyle(UINT nStyle) {
    m_w0 = (m_w0 & ~7u) | (nStyle & 7);
    return *this;
  }
  CGXBorderLine& SetWidth(UINT nWidth) {
    m_w0 = (m_w0 & ~(0xFFFFu << 3)) | ((nWidth & 0xFFFF) << 3);
    return *this;
  }
  CGXBorderLine& SetColor(DWORD dwColor);

  BOOL IsSet() const { return GetStyle() != 7; }
  UINT GetStyle() const { return m_w0 & 7; }
  UINT GetWidth() const { return (m_w0 >> 3) & 0xFFFF; }
  DWORD GetColor() const;  // resolved
  DWORD GetColorTagged() const { return GXDecodeColor((m_w0 >> 19) & 3, m_w1 & 0xFFFFFF); }
  GXLOGPEN GetLogPen() const;

  bool operator==(const CGXBorderLine& o) const { return m_w0 == o.m_w0 && m_w1 == o.m_w1; }
  bool operator!=(const CGXBorderLine& o) const { return !(*this == o); }

  DWORD m_w0;
  DWORD m_w1;
};

// The include word: one flag per attribute.
class CGXStyleIncludeBits {
 public:
  // The word in stored order: flags 21 and 22 change places.
  DWORD GetStored() const;
  // From the stored order; bits 26-31 survive.
  void SetStored(DWORD dwStored);

  DWORD m_bits = 0;
};

class CGXStyle : public CObject {
  DECLARE_SERIAL(CGXStyle)

 public:
  // Include flags, by attribute.
  enum Flag {
    gxHAlign = 0, gxVAlign, gxReadOnly, gxControl, gxInterior, gxTextColor, gxWrapText, gxAllowEnter,
    gxBorders, gxFont, gxValue, gxChoiceList, gxVertScroll, gxMaxLength, gxBaseStyle, gxEnabled,
    gxTriState, gxDraw3dFrame, gxUserAttr, gxAutoSize, gxItemData, gxFloodCell, gxFloatCell,
    gxMergeCell, gxFormat, gxPlaces, gxFlagCount
  };
  enum { modeOverride = 0, modeAddMissing = 1, modeCopy = 2, modeRemove = 3, modeDelete = 4 };
  enum { valueText = 0, valueNumber = 1 };
  enum { sideTop = 0, sideLeft = 1, sideBottom = 2, sideRight = 3, sideAll = -1 };

  CGXStyle();
  CGXStyle(const CGXStyle& other);
  ~CGXStyle() override;

  void Serialize(CArchive& ar) override;

  virtual CGXStyle* Clone() const;
  virtual CGXStyle& SetValue(LPCTSTR pszValue);
  virtual CGXStyle& operator=(const CGXStyle& other);
  virtual CGXStyle& SetDefaultStandard();
  virtual BOOL CompareSubset(const CGXStyle& other) const;
  virtual void Serialize(CArchive& ar, int nSchema);
  virtual void WriteProfile(LPCTSTR pszSection, const CGXStylesMap* pStylesMap) const;
  virtual BOOL ReadProfile(LPCTSTR pszSection, const CGXStylesMap* pStylesMap);
  virtual const CGXStyle* LoadBaseStyles(const CGXStylesMap& stylesMap);
  virtual CGXStyle& MergeStyle(const CGXStyle& other, int nMode);
  virtual void Free();

  // Resets every member as a new style has it, without freeing (for storage reused in place).
  void Construct();

  BOOL GetInclude(int nFlag) const { return (m_include.m_bits >> nFlag) & 1; }
  void SetInclude(int nFlag, BOOL b) {
    if (b)
      m_include.m_bits |= 1u << nFlag;
    else
      m_include.m_bits &= ~(1u << nFlag);
  }
  BOOL IsEmpty() const { return (m_include.m_bits & 0x3FFFFFF) == 0; }
  DWORD GetIncludeBits() const { return m_include.m_bits; }

  CGXStyle& SetHAlign(UINT nAlign);
  CGXStyle& SetVerticalAlignment(UINT nAlign);
  // The stored values: 0 left/top, 1 centre, 2 right/bottom.
  UINT GetHAlignValue() const { return (m_nSwitches >> 14) & 3; }
  UINT GetVAlignValue() const { return (m_nSwitches >> 16) & 3; }
  // As the text-drawing flags: 1 centre, 2 right; 4 centre, 8 bottom.
  UINT GetHAlign() const;
  UINT GetVerticalAlignment() const;

  CGXStyle& SetReadOnly(BOOL b) { return SetSwitch(gxReadOnly, 2, 1, b ? 1 : 0); }
  CGXStyle& SetVertScrollBar(BOOL b) { return SetSwitch(gxVertScroll, 3, 1, b ? 1 : 0); }
  CGXStyle& SetWrapText(BOOL b) { return SetSwitch(gxWrapText, 4, 1, b ? 1 : 0); }
  CGXStyle& SetAllowEnter(BOOL b) { return SetSwitch(gxAllowEnter, 5, 1, b ? 1 : 0); }
  CGXStyle& SetEnabled(BOOL b) { return SetSwitch(gxEnabled, 6, 1, b ? 1 : 0); }
  CGXStyle& SetTriState(BOOL b) { return SetSwitch(gxTriState, 7, 1, b ? 1 : 0); }
  CGXStyle& SetAutoSize(BOOL b) { return SetSwitch(gxAutoSize, 8, 1, b ? 1 : 0); }
  CGXStyle& SetFloodCell(BOOL b) { return SetSwitch(gxFloodCell, 9, 1, b ? 1 : 0); }
  CGXStyle& SetFloatCell(BOOL b) { return SetSwitch(gxFloatCell, 10, 1, b ? 1 : 0); }
  CGXStyle& SetMergeCell(UINT nMode) { return SetSwitch(gxMergeCell, 11, 7, nMode); }
  CGXStyle& SetDraw3dFrame(UINT nFrame) { return SetSwitch(gxDraw3dFrame, 0, 3, nFrame); }
  BOOL GetReadOnly() const { return (m_nSwitches >> 2) & 1; }
  BOOL GetVertScrollBar() const { return (m_nSwitches >> 3) & 1; }
  BOOL GetWrapText() const { return (m_nSwitches >> 4) & 1; }
  BOOL GetAllowEnter() const { return (m_nSwitches >> 5) & 1; }
  BOOL GetEnabled() const { return (m_nSwitches >> 6) & 1; }
  BOOL GetTriState() const { return (m_nSwitches >> 7) & 1; }
  BOOL GetAutoSize() const { return (m_nSwitches >> 8) & 1; }
  BOOL GetFloodCell() const { return (m_nSwitches >> 9) & 1; }
  BOOL GetFloatCell() const { return (m_nSwitches >> 10) & 1; }
  UINT GetMergeCell() const { return (m_nSwitches >> 11) & 7; }
  UINT GetDraw3dFrame() const { return m_nSwitches & 3; }

  CGXStyle& SetMaxLength(WORD n) {
    m_nMaxLength = n;
    SetInclude(gxMaxLength, TRUE);
    return *this;
  }
  WORD GetMaxLength() const { return m_nMaxLength; }
  CGXStyle& SetControl(WORD nId) {
    m_nControl = nId;
    SetInclude(gxControl, TRUE);
    return *this;
  }
  WORD GetControl() const { return m_nControl; }

  CGXStyle& SetInterior(const CGXInteriorFill& fill) {
    m_interior = fill;
    SetInclude(gxInterior, TRUE);
    return *this;
  }
  CGXStyle& SetFill(const CGXInteriorFill& fill) { return SetInterior(fill); }
  // A solid fill of one colour.
  CGXStyle& SetInterior(DWORD dwColor);
  const CGXInteriorFill& GetInterior() const { return m_interior; }

  CGXStyle& SetTextColor(DWORD dwColor);
  DWORD GetTextColor() const;  // resolved
  DWORD GetTextColorTagged() const;
  DWORD GetTextColorKind() const { return (m_nSwitches >> 18) & 3; }
  DWORD GetTextColorValue() const { return m_nColor & 0xFFFFFF; }

  CGXStyle& SetNumberFormat(UINT nFormat);
  CGXStyle& SetDecimalPlaces(UINT nPlaces);
  UINT GetNumberFormat() const { return m_nFormat & 0x1F; }
  UINT GetDecimalPlaces() const { return (m_nFormat >> 5) & 0xF; }

  CGXStyle& SetValue(const CString& s) { return SetValue((LPCTSTR)s); }
  CGXStyle& SetValueUnsigned(DWORD n);
  CGXStyle& SetValueType(UINT nType) {
    m_nSwitches = (m_nSwitches & ~(7u << 20)) | ((nType & 7) << 20);
    return *this;
  }
  const CString& GetValue() const { return m_sValue; }
  LPCTSTR GetValueRef() const { return m_sValue; }
  UINT GetValueType() const { return (m_nSwitches >> 20) & 7; }
  // Empties the value and removes its flag.
  CGXStyle& SetIncludeValue(BOOL b);

  CGXStyle& SetChoiceText(LPCTSTR pszText);
  CGXStyle& SetChoiceTextString(const CString& s) { return SetChoiceText(s); }
  const CString& GetChoiceList() const { return m_sChoices; }

  CGXStyle& SetBaseStyle(WORD nId);
  WORD GetBaseStyle() const { return (WORD)(m_nColor >> 24); }

  CGXStyle& SetItemData(DWORD dw) {
    m_dwItemData = dw;
    SetInclude(gxItemData, TRUE);
    return *this;
  }
  DWORD GetItemData() const { return m_dwItemData; }

  // Copies four lines (top, left, bottom, right), or frees the block for null.
  CGXStyle& SetBorderBlock(const CGXBorderLine* pLines);
  CGXStyle& SetBorders(int nSide, const CGXBorderLine& line);
  CGXStyle& SetBorderIncluded(int nSide, BOOL b);
  // The line of a side; a not-set line when the style has no borders.
  CGXBorderLine GetBorders(int nSide) const;
  const CGXBorderLine* GetBorderBlock() const { return m_pBorders; }

  CGXStyle& SetFont(const CGXFont& font, int nMode = modeOverride);
  const CGXFont* GetFontPtr() const { return m_pFont; }
  // The style's font; an empty font when it has none.
  const CGXFont& GetFont() const;

  CGXStyle& SetUserAttributes(const CGXUserAttributeMap* pMap);
  CGXStyle& SetCustomAttr(WORD nId, const CGXAbstractUserAttribute& attribute);
  CGXStyle& SetCustomAttr(WORD nId, LPCTSTR pszValue);
  BOOL HasUserAttribute(WORD nId) const;
  const CGXAbstractUserAttribute& GetCustomAttr(WORD nId) const;
  const CGXUserAttributeMap* GetUserAttributeMap() const { return m_pUserAttributes; }
  // Takes ownership of the map (loading).
  void AttachUserAttributeMap(CGXUserAttributeMap* pMap);
  void AttachFont(CGXFont* pFont);

  // The raw words, for the stored form.
  CGXStyleIncludeBits m_include;
  WORD m_nMaxLength = 0;
  CGXInteriorFill m_interior;
  WORD m_nControl = 0;
  DWORD m_nSwitches = 0;
  DWORD m_nColor = 0;
  DWORD m_nFormat = 0;

 private:
  CGXStyle& SetSwitch(int nFlag, int nShift, DWORD nMask, DWORD nValue) {
    m_nSwitches = (m_nSwitches & ~(nMask << nShift)) | ((nValue & nMask) << nShift);
    SetInclude(nFlag, TRUE);
    return *this;
  }
  void CopyFrom(const CGXStyle& other);
  void FreeBorders();
  void EnsureBorders();
  void UpdateBordersFlag();

  CGXBorderLine* m_pBorders = nullptr;  // owned block of four, or null
  CGXFont* m_pFont = nullptr;           // owned
  CString m_sValue;
  CString m_sChoices;
  CGXUserAttributeMap* m_pUserAttributes = nullptr;  // owned
  DWORD m_dwItemData = 0;
};

// Reads one object of class CGXStyle; the caller owns it.
CArchive& ReadStyleFromArchive(CArchive& ar, CGXStyle*& pStyle);
// Exchanges an interior record through the style serialisation feature; nothing without it.
CArchive& SerializeInteriorFill(CArchive& ar, CGXInteriorFill& fill);
void WriteBytes8ToArchive(CArchive& ar, const BYTE* pBytes);
void ReadBytes8FromArchive(CArchive& ar, BYTE* pBytes);

#endif  // GRID_CORE_GXSTYLE_H
