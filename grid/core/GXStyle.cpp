// Cell styles: construction and copying, setters, merging by mode, the base-style chain, the
// standard style, and the interior fill, border line and colour records.
#include "GXStyle.h"

#include "GXGridState.h"
#include "GXStylesMap.h"

#include <cstdio>
#include <set>

// --- colours ------------------------------------------------------------------------------------

void GXEncodeColor(DWORD dwColor, DWORD& nKind, DWORD& nValue) {
  DWORD nHigh = dwColor >> 24;
  if (nHigh >= 65 && nHigh <= 254) {
    nKind = 3;
    nValue = 254 - nHigh;
  } else {
    nKind = nHigh & 3;
    nValue = dwColor & 0xFFFFFF;
  }
}

DWORD GXDecodeColor(DWORD nKind, DWORD nValue) {
  nValue &= 0xFFFFFF;
  if (nKind == 3) {
    DWORD nIndex = nValue > 189 ? 189 : nValue;
    return (GXGetSysColorState()->GetColor((int)nIndex) & 0xFFFFFF) | ((254 - nIndex) << 24);
  }
  return nValue | ((nKind & 3) << 24);
}

DWORD GXResolveColor(DWORD dwColor) {
  DWORD nHigh = dwColor >> 24;
  if (nHigh >= 65 && nHigh <= 254)
    return GXGetSysColorState()->GetColor((int)(254 - nHigh)) & 0xFFFFFF;
  return dwColor & 0xFFFFFF;
}

// --- interior fill ------------------------------------------------------------------------------

CGXInteriorFill& CGXInteriorFill::SetColor(DWORD dwColor) {
  DWORD nKind, nValue;
  GXEncodeColor(dwColor, nKind, nValue);
  m_w0 = (m_w0 & 0xCFu) | (nKind << 4) | (nValue << 8);
  return *this;
}

CGXInteriorFill& CGXInteriorFill::SetBackColor(DWORD dwColor) {
  DWORD nKind, nValue;
  GXEncodeColor(dwColor, nKind, nValue);
  m_w0 = (m_w0 & ~0xC0u) | (nKind << 6);
  m_w1 = (m_w1 & 0xFF000000) | nValue;
  return *this;
}

CGXInteriorFill& CGXInteriorFill::SetBrushStyle(UINT nStyle) {
  m_w1 = (m_w1 & 0x3FFFFFFF) | ((DWORD)(nStyle & 3) << 30);
  return *this;
}

CGXInteriorFill& CGXInteriorFill::SetHatch(UINT nHatch) {
  m_w0 = (m_w0 & ~7u) | (nHatch & 7);
  return *this;
}

CGXInteriorFill& CGXInteriorFill::SetInterior(UINT nBrushStyle, DWORD dwColor, UINT nHatch) {
  SetBrushStyle(nBrushStyle);
  SetColor(dwColor);
  SetHatch(nHatch);
  // No background colour.
  m_w0 &= ~0xC0u;
  m_w1 |= 0xFFFFFF;
  return *this;
}

CGXInteriorFill& CGXInteriorFill::SetPattern(UINT nIndex) {
  nIndex &= 0x3F;
  m_w1 = (m_w1 & ~(0x3Fu << 24)) | (nIndex << 24);
  const GX_GRID_STATE* pState = GXGetAppState();
  SetHatch(nIndex < pState->m_patternHatches.size() ? pState->m_patternHatches[nIndex] : 0);
  return SetBrushStyle(3);
}

DWORD CGXInteriorFill::GetColor() const {
  return GXResolveColor(GetColorTagged());
}

DWORD CGXInteriorFill::GetBackColor() const {
  return GXResolveColor(GetBackColorTagged());
}

GXLOGBRUSH CGXInteriorFill::GetLogBrush() const {
  GXLOGBRUSH lb{GetBrushStyle(), GetColor(), GetHatch()};
  if (lb.lbStyle == 3) {
    const GX_GRID_STATE* pState = GXGetAppState();
    if ((int)GetPattern() >= pState->GetPatternCount())
      lb.lbStyle = 1;
    else
      lb.lbHatch = pState->m_patternBitmaps[GetPattern()];
  }
  return lb;
}

// --- border line --------------------------------------------------------------------------------

CGXBorderLine::CGXBorderLine(UINT nStyle, UINT nWidth, DWORD dwColor) : m_w0(0), m_w1(0) {
  SetStyle(nStyle);
  SetWidth(nWidth);
  SetColor(dwColor);
}

CGXBorderLine& CGXBorderLine::SetIncluded(BOOL b) {
  if (!b)
    SetStyle(7);
  else if (!IsSet())
    SetStyle(0);
  return *this;
}

CGXBorderLine& CGXBorderLine::SetColor(DWORD dwColor) {
  DWORD nKind, nValue;
  GXEncodeColor(dwColor, nKind, nValue);
  m_w0 = (m_w0 & ~(3u << 19)) | (nKind << 19);
  m_w1 = nValue;
  return *this;
}

DWORD CGXBorderLine::GetColor() const {
  return GXResolveColor(GetColorTagged());
}

GXLOGPEN CGXBorderLine::GetLogPen() const {
  GXLOGPEN lp{};
  lp.lopnStyle = GetStyle();
  lp.lopnWidth.x = (LONG)GetWidth();
  lp.lopnColor = GetColor();
  return lp;
}

// --- include bits -------------------------------------------------------------------------------

namespace {

DWORD SwapFloodFloat(DWORD dw) {
  DWORD b21 = (dw >> 21) & 1, b22 = (dw >> 22) & 1;
  return (dw & ~(3u << 21)) | (b21 << 22) | (b22 << 21);
}

const DWORD kAttributeBits = 0x3FFFFFF;

}  // namespace

DWORD CGXStyleIncludeBits::GetStored() const {
  return SwapFloodFloat(m_bits);
}

void CGXStyleIncludeBits::SetStored(DWORD dwStored) {
  m_bits = (m_bits & ~kAttributeBits) | (SwapFloodFloat(dwStored) & kAttributeBits);
}

// --- the style ----------------------------------------------------------------------------------

IMPLEMENT_SERIAL(CGXStyle, CObject, 0)

CGXStyle::CGXStyle() = default;

CGXStyle::CGXStyle(const CGXStyle& other) : CObject() {
  try {
    CopyFrom(other);
  } catch (...) {
    Free();
    throw;
  }
}

CGXStyle::~CGXStyle() {
  Free();
}

void CGXStyle::Construct() {
  m_include.m_bits = 0;
  m_nMaxLength = 0;
  m_interior = CGXInteriorFill();
  m_nControl = 0;
  m_nSwitches = m_nColor = m_nFormat = 0;
  m_pBorders = nullptr;
  m_pFont = nullptr;
  m_pUserAttributes = nullptr;
  m_dwItemData = 0;
}

void CGXStyle::FreeBorders() {
  delete[] m_pBorders;
  m_pBorders = nullptr;
}

void CGXStyle::Free() {
  FreeBorders();
  delete m_pFont;
  m_pFont = nullptr;
  delete m_pUserAttributes;
  m_pUserAttributes = nullptr;
  m_sValue.Empty();
  m_sChoices.Empty();
  m_include.m_bits = 0;
  m_dwItemData = 0;
}

void CGXStyle::CopyFrom(const CGXStyle& other) {
  if (&other == this)
    return;
  m_include = other.m_include;
  m_interior = other.m_interior;
  m_nMaxLength = other.m_nMaxLength;
  m_nControl = other.m_nControl;
  m_nSwitches = other.m_nSwitches;
  m_nColor = other.m_nColor;
  m_nFormat = other.m_nFormat;
  m_dwItemData = other.m_dwItemData;
  if (other.GetInclude(gxValue))
    m_sValue = other.m_sValue;
  else
    m_sValue.Empty();
  if (other.GetInclude(gxChoiceList))
    m_sChoices = other.m_sChoices;
  else
    m_sChoices.Empty();
  if (other.m_pUserAttributes != nullptr && !other.m_pUserAttributes->IsEmpty()) {
    if (m_pUserAttributes == nullptr)
      m_pUserAttributes = new CGXUserAttributeMap;
    m_pUserAttributes->ChangeMap(other.m_pUserAttributes, modeCopy);
  } else {
    delete m_pUserAttributes;
    m_pUserAttributes = nullptr;
  }
  if (other.GetInclude(gxBorders) && other.m_pBorders != nullptr) {
    EnsureBorders();
    for (int i = 0; i < 4; ++i)
      m_pBorders[i] = other.m_pBorders[i];
  } else {
    FreeBorders();
  }
  if (other.GetInclude(gxFont) && other.m_pFont != nullptr) {
    if (m_pFont == nullptr)
      m_pFont = new CGXFont(*other.m_pFont);
    else
      *m_pFont = *other.m_pFont;
  } else {
    delete m_pFont;
    m_pFont = nullptr;
  }
}

CGXStyle* CGXStyle::Clone() const {
  return new CGXStyle(*this);
}

CGXStyle& CGXStyle::operator=(const CGXStyle& other) {
  if (&other == this)
    return *this;
  if (other.IsEmpty())
    Free();
  else
    CopyFrom(other);
  return *this;
}

void CGXStyle::Serialize(CArchive& ar) {
  Serialize(ar, 0);
}

void CGXStyle::Serialize(CArchive& ar, int /*nSchema*/) {
  if (CGXAbstractStyleSerializeImp* p = GXGetAppState()->m_pStyleSerializeImp)
    p->SerializeStyle(this, ar, nullptr);
}

BOOL CGXStyle::CompareSubset(const CGXStyle& other) const {
  CGXAbstractStyleCompareSubsetImp* p = GXGetAppState()->m_pStyleCompareSubsetImp;
  return p != nullptr ? p->IsSubSet(this, &other) : FALSE;
}

// The profile is the grid profile feature's, which this library does not carry.
void CGXStyle::WriteProfile(LPCTSTR, const CGXStylesMap*) const {}
BOOL CGXStyle::ReadProfile(LPCTSTR, const CGXStylesMap*) { return FALSE; }

CGXStyle& CGXStyle::SetHAlign(UINT nAlign) {
  DWORD v = nAlign == 1 ? 1 : nAlign == 2 ? 2 : 0;
  return SetSwitch(gxHAlign, 14, 3, v);
}

CGXStyle& CGXStyle::SetVerticalAlignment(UINT nAlign) {
  DWORD v = nAlign == 4 ? 1 : nAlign == 8 ? 2 : 0;
  return SetSwitch(gxVAlign, 16, 3, v);
}

UINT CGXStyle::GetHAlign() const {
  return GetHAlignValue() == 1 ? 1 : GetHAlignValue() == 2 ? 2 : 0;
}

UINT CGXStyle::GetVerticalAlignment() const {
  return GetVAlignValue() == 1 ? 4 : GetVAlignValue() == 2 ? 8 : 0;
}

CGXStyle& CGXStyle::SetInterior(DWORD dwColor) {
  CGXInteriorFill fill;
  fill.SetInterior(0, dwColor, 0);
  return SetInterior(fill);
}

CGXStyle& CGXStyle::SetTextColor(DWORD dwColor) {
  DWORD nKind, nValue;
  GXEncodeColor(dwColor, nKind, nValue);
  m_nColor = (m_nColor & 0xFF000000) | nValue;
  m_nSwitches = (m_nSwitches & ~(3u << 18)) | (nKind << 18);
  SetInclude(gxTextColor, TRUE);
  return *this;
}

DWORD CGXStyle::GetTextColorTagged() const {
  return GXDecodeColor(GetTextColorKind(), GetTextColorValue());
}

DWORD CGXStyle::GetTextColor() const {
  return GXResolveColor(GetTextColorTagged());
}

CGXStyle& CGXStyle::SetNumberFormat(UINT nFormat) {
  m_nFormat = (m_nFormat & ~0x1Fu) | (nFormat & 0x1F);
  SetInclude(gxFormat, TRUE);
  return *this;
}

CGXStyle& CGXStyle::SetDecimalPlaces(UINT nPlaces) {
  m_nFormat = (m_nFormat & ~(0xFu << 5)) | ((nPlaces & 0xF) << 5);
  SetInclude(gxPlaces, TRUE);
  return *this;
}

CGXStyle& CGXStyle::SetValue(LPCTSTR pszValue) {
  m_sValue = pszValue;
  SetValueType(valueText);
  SetInclude(gxValue, TRUE);
  return *this;
}

CGXStyle& CGXStyle::SetValueUnsigned(DWORD n) {
  char sz[16];
  std::snprintf(sz, sizeof(sz), "%lu", (unsigned long)n);
  m_sValue = sz;
  SetValueType(valueNumber);
  SetInclude(gxValue, TRUE);
  return *this;
}

CGXStyle& CGXStyle::SetIncludeValue(BOOL b) {
  if (!b)
    m_sValue.Empty();
  SetInclude(gxValue, b);
  return *this;
}

CGXStyle& CGXStyle::SetChoiceText(LPCTSTR pszText) {
  m_sChoices = pszText;
  SetInclude(gxChoiceList, TRUE);
  return *this;
}

CGXStyle& CGXStyle::SetBaseStyle(WORD nId) {
  m_nColor = (m_nColor & 0xFFFFFF) | ((DWORD)(nId & 0xFF) << 24);
  SetInclude(gxBaseStyle, TRUE);
  return *this;
}

void CGXStyle::EnsureBorders() {
  if (m_pBorders == nullptr)
    m_pBorders = new CGXBorderLine[4];
}

void CGXStyle::UpdateBordersFlag() {
  BOOL bAny = FALSE;
  if (m_pBorders != nullptr)
    for (int i = 0; i < 4; ++i)
      bAny = bAny || m_pBorders[i].IsSet();
  SetInclude(gxBorders, bAny);
}

CGXStyle& CGXStyle::SetBorderBlock(const CGXBorderLine* pLines) {
  if (pLines == nullptr) {
    FreeBorders();
    SetInclude(gxBorders, FALSE);
    return *this;
  }
  EnsureBorders();
  for (int i = 0; i < 4; ++i)
    m_pBorders[i] = pLines[i];
  SetInclude(gxBorders, TRUE);
  return *this;
}

CGXStyle& CGXStyle::SetBorders(int nSide, const CGXBorderLine& line) {
  EnsureBorders();
  for (int i = 0; i < 4; ++i)
    if (nSide == sideAll || nSide == i)
      m_pBorders[i] = line;
  SetInclude(gxBorders, TRUE);
  return *this;
}

CGXStyle& CGXStyle::SetBorderIncluded(int nSide, BOOL b) {
  EnsureBorders();
  for (int i = 0; i < 4; ++i)
    if (nSide == sideAll || nSide == i)
      m_pBorders[i].SetIncluded(b);
  UpdateBordersFlag();
  return *this;
}

CGXBorderLine CGXStyle::GetBorders(int nSide) const {
  if (m_pBorders == nullptr || nSide < 0 || nSide > 3)
    return CGXBorderLine();
  return m_pBorders[nSide];
}

CGXStyle& CGXStyle::SetFont(const CGXFont& font, int nMode) {
  if (nMode == modeRemove) {
    if (m_pFont != nullptr) {
      m_pFont->MergeFont(font, modeRemove);
      SetInclude(gxFont, !m_pFont->IsEmpty());
    }
    return *this;
  }
  if (m_pFont == nullptr)
    m_pFont = new CGXFont(font);
  else
    m_pFont->MergeFont(font, nMode);
  SetInclude(gxFont, TRUE);
  return *this;
}

const CGXFont& CGXStyle::GetFont() const {
  static const CGXFont s_empty;
  return m_pFont != nullptr ? *m_pFont : s_empty;
}

void CGXStyle::AttachFont(CGXFont* pFont) {
  delete m_pFont;
  m_pFont = pFont;
  SetInclude(gxFont, pFont != nullptr);
}

CGXStyle& CGXStyle::SetUserAttributes(const CGXUserAttributeMap* pMap) {
  if (pMap == nullptr || pMap->IsEmpty()) {
    delete m_pUserAttributes;
    m_pUserAttributes = nullptr;
    SetInclude(gxUserAttr, FALSE);
    return *this;
  }
  if (m_pUserAttributes == nullptr)
    m_pUserAttributes = new CGXUserAttributeMap;
  m_pUserAttributes->ChangeMap(pMap, modeOverride);
  SetInclude(gxUserAttr, TRUE);
  return *this;
}

void CGXStyle::AttachUserAttributeMap(CGXUserAttributeMap* pMap) {
  delete m_pUserAttributes;
  m_pUserAttributes = pMap;
  SetInclude(gxUserAttr, pMap != nullptr && !pMap->IsEmpty());
}

CGXStyle& CGXStyle::SetCustomAttr(WORD nId, const CGXAbstractUserAttribute& attribute) {
  if (m_pUserAttributes == nullptr)
    m_pUserAttributes = new CGXUserAttributeMap;
  m_pUserAttributes->SetAttribute(nId, attribute);
  SetInclude(gxUserAttr, TRUE);
  return *this;
}

CGXStyle& CGXStyle::SetCustomAttr(WORD nId, LPCTSTR pszValue) {
  return SetCustomAttr(nId, CGXUserAttribute(pszValue));
}

BOOL CGXStyle::HasUserAttribute(WORD nId) const {
  return m_pUserAttributes != nullptr && m_pUserAttributes->GetAttribute(nId) != nullptr;
}

const CGXAbstractUserAttribute& CGXStyle::GetCustomAttr(WORD nId) const {
  static const CGXUserAttribute s_empty;
  const CGXAbstractUserAttribute* p = m_pUserAttributes != nullptr ? m_pUserAttributes->GetAttribute(nId) : nullptr;
  return p != nullptr ? *p : s_empty;
}

CGXStyle& CGXStyle::MergeStyle(const CGXStyle& other, int nMode) {
  if (&other == this)
    return *this;
  // Merging into an empty style copies; removing from an empty style leaves it empty.
  if (nMode == modeCopy || (IsEmpty() && nMode != modeRemove))
    return *this = other;
  if (other.IsEmpty())
    return *this;
  auto inc = [&](int f) { return other.GetInclude(f); };
  if (nMode == modeRemove) {
    for (int f = 0; f < gxFlagCount; ++f)
      if (f != gxBorders && f != gxFont && f != gxUserAttr && inc(f))
        SetInclude(f, FALSE);
    if (inc(gxValue))
      m_sValue.Empty();
    if (inc(gxBorders) && other.m_pBorders != nullptr && m_pBorders != nullptr) {
      for (int i = 0; i < 4; ++i)
        if (other.m_pBorders[i].IsSet())
          m_pBorders[i].SetIncluded(FALSE);
      UpdateBordersFlag();
    }
    if (inc(gxFont) && other.m_pFont != nullptr)
      SetFont(*other.m_pFont, modeRemove);
    if (inc(gxUserAttr) && m_pUserAttributes != nullptr) {
      m_pUserAttributes->ChangeMap(other.m_pUserAttributes, modeRemove);
      SetInclude(gxUserAttr, !m_pUserAttributes->IsEmpty());
    }
    return *this;
  }
  auto take = [&](int f) { return inc(f) && (nMode == modeOverride || !GetInclude(f)); };
  auto takeSwitch = [&](int f, int nShift, DWORD nMask) {
    if (take(f))
      SetSwitch(f, nShift, nMask, (other.m_nSwitches >> nShift) & nMask);
  };
  takeSwitch(gxHAlign, 14, 3);
  takeSwitch(gxVAlign, 16, 3);
  takeSwitch(gxReadOnly, 2, 1);
  takeSwitch(gxFloatCell, 10, 1);
  takeSwitch(gxFloodCell, 9, 1);
  takeSwitch(gxMergeCell, 11, 7);
  takeSwitch(gxDraw3dFrame, 0, 3);
  if (take(gxMaxLength))
    SetMaxLength(other.m_nMaxLength);
  takeSwitch(gxVertScroll, 3, 1);
  if (take(gxTextColor)) {
    m_nColor = (m_nColor & 0xFF000000) | (other.m_nColor & 0xFFFFFF);
    SetSwitch(gxTextColor, 18, 3, other.GetTextColorKind());
  }
  takeSwitch(gxWrapText, 4, 1);
  takeSwitch(gxAutoSize, 8, 1);
  takeSwitch(gxAllowEnter, 5, 1);
  takeSwitch(gxEnabled, 6, 1);
  takeSwitch(gxTriState, 7, 1);
  if (take(gxControl))
    SetControl(other.m_nControl);
  if (take(gxInterior))
    SetInterior(other.m_interior);
  if (inc(gxBorders) && other.m_pBorders != nullptr) {
    EnsureBorders();
    for (int i = 0; i < 4; ++i)
      if (other.m_pBorders[i].IsSet() && (nMode == modeOverride || !m_pBorders[i].IsSet()))
        m_pBorders[i] = other.m_pBorders[i];
    UpdateBordersFlag();
  }
  if (inc(gxFont) && other.m_pFont != nullptr)
    SetFont(*other.m_pFont, nMode);
  if (take(gxValue)) {
    m_sValue = other.m_sValue;
    SetValueType(other.GetValueType());
    SetInclude(gxValue, TRUE);
  }
  if (take(gxFormat))
    SetNumberFormat(other.GetNumberFormat());
  if (take(gxPlaces))
    SetDecimalPlaces(other.GetDecimalPlaces());
  if (take(gxBaseStyle))
    SetBaseStyle(other.GetBaseStyle());
  if (take(gxChoiceList))
    SetChoiceText(other.m_sChoices);
  if (inc(gxUserAttr) && other.m_pUserAttributes != nullptr) {
    if (m_pUserAttributes == nullptr)
      m_pUserAttributes = new CGXUserAttributeMap;
    m_pUserAttributes->ChangeMap(other.m_pUserAttributes, nMode);
    SetInclude(gxUserAttr, !m_pUserAttributes->IsEmpty());
  }
  if (take(gxItemData))
    SetItemData(other.m_dwItemData);
  return *this;
}

const CGXStyle* CGXStyle::LoadBaseStyles(const CGXStylesMap& stylesMap) {
  const CGXStyle* pReached = this;
  // A chain that leads back to a style already visited ends there.
  std::set<WORD> visited;
  while (pReached->GetInclude(gxBaseStyle)) {
    WORD nId = pReached->GetBaseStyle();
    if (!visited.insert(nId).second)
      break;
    const CGXStyle* pBase = nullptr;
    if (!stylesMap.LookupStyle(nId, pBase) || pBase == nullptr || pBase == this)
      break;
    MergeStyle(*pBase, modeAddMissing);
    pReached = pBase;
  }
  return pReached;
}

CGXStyle& CGXStyle::SetDefaultStandard() {
  Free();
  SetHAlign(0);
  SetVerticalAlignment(0);
  SetReadOnly(FALSE);
  SetControl(52512);
  CGXInteriorFill fill;
  fill.SetInterior(0, (DWORD)(254 - 5) << 24, 0);
  SetInterior(fill);
  SetInclude(gxBorders, FALSE);
  SetVertScrollBar(FALSE);
  SetDraw3dFrame(0);
  SetMaxLength(0);
  SetTextColor((DWORD)(254 - 8) << 24);
  SetWrapText(TRUE);
  SetAllowEnter(FALSE);
  SetEnabled(TRUE);
  SetTriState(FALSE);
  SetAutoSize(FALSE);
  CGXFont font;
  font.SetDefault();
  SetFont(font, modeCopy);
  SetValue("");
  SetChoiceText("");
  SetItemData(0);
  SetFloatCell(TRUE);
  SetFloodCell(TRUE);
  SetMergeCell(0);
  SetNumberFormat(0);
  SetDecimalPlaces(13);
  return *this;
}

CArchive& ReadStyleFromArchive(CArchive& ar, CGXStyle*& pStyle) {
  pStyle = static_cast<CGXStyle*>(ar.ReadNewObject(RUNTIME_CLASS(CGXStyle)));
  return ar;
}

CArchive& SerializeInteriorFill(CArchive& ar, CGXInteriorFill& fill) {
  if (CGXAbstractStyleSerializeImp* p = GXGetAppState()->m_pStyleSerializeImp)
    return p->SerializeInterior(&fill, ar);
  return ar;
}

void WriteBytes8ToArchive(CArchive& ar, const BYTE* pBytes) {
  for (int i = 0; i < 8; ++i)
    ar << pBytes[i];
}

void ReadBytes8FromArchive(CArchive& ar, BYTE* pBytes) {
  for (int i = 0; i < 8; ++i)
    ar >> pBytes[i];
}
