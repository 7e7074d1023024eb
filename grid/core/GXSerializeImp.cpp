// The archive forms of the grid model, little-endian as CArchive writes them. Every record that
// begins with a schema word refuses a schema newer than it knows (CArchiveException::badSchema).
// Counts read from an archive are never trusted for an allocation: arrays are sized within a cap
// and a budget per load, and an index beyond its array's stored size is refused.
#include "GXSerializeImp.h"

#include "GXBrowseParam.h"
#include "GXGridParam.h"
#include "GXGridState.h"
#include "GXSpanCellPool.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const WORD kParamSchema = 10;
const WORD kDataSchema = 1;
const WORD kArraySchema = 1;
const WORD kStylesMapSchema = 2;
const WORD kPropertiesSchema = 4;
const WORD kStyleSchema = 6;
const WORD kFontSchema = 2;
const DWORD kEndMark = 0xFFFFFFFF;

// The largest stored array size a load accepts, and the pointer slots all arrays of one load may
// take together.
const DWORD kMaxArraySize = 1u << 20;
const uint64_t kLoadBudget = 1u << 22;

[[noreturn]] void Fail(CArchive& ar, int nCause) {
  AfxThrowArchiveException(nCause, ar.m_strFileName);
}

void CheckSchema(CArchive& ar, WORD wSchema, WORD wKnown) {
  if (wSchema > wKnown)
    Fail(ar, CArchiveException::badSchema);
}

void WriteFlag(CArchive& ar, BOOL b) { ar << (BYTE)(b ? 1 : 0); }
BOOL ReadFlag(CArchive& ar) {
  BYTE b;
  ar >> b;
  return b;
}
WORD ReadWord(CArchive& ar) {
  WORD w;
  ar >> w;
  return w;
}
DWORD ReadDword(CArchive& ar) {
  DWORD dw;
  ar >> dw;
  return dw;
}
// A number the record keeps in 16 bits; one that does not fit is refused, not cut.
void WriteWordValue(CArchive& ar, DWORD dw) {
  if (dw > 0xFFFF)
    Fail(ar, CArchiveException::generic);
  ar << (WORD)dw;
}

// The allocations of one load (a param, a cell store, or an array read on its own).
struct LoadScope {
  static int& Depth() {
    static int s_nDepth = 0;
    return s_nDepth;
  }
  static uint64_t& Used() {
    static uint64_t s_nUsed = 0;
    return s_nUsed;
  }
  LoadScope() {
    if (Depth()++ == 0)
      Used() = 0;
  }
  ~LoadScope() { --Depth(); }
  static void Take(CArchive& ar, DWORD nSize) {
    if (nSize > kMaxArraySize || Used() + nSize > kLoadBudget)
      Fail(ar, CArchiveException::generic);
    Used() += nSize;
  }
};

// The styles map that styles written or read inside a param find their base styles in.
const CGXStylesMap*& CurrentStylesMap() {
  static const CGXStylesMap* s_pMap = nullptr;
  return s_pMap;
}

struct StylesMapScope {
  const CGXStylesMap* pSaved;
  explicit StylesMapScope(const CGXStylesMap* pMap) : pSaved(CurrentStylesMap()) { CurrentStylesMap() = pMap; }
  ~StylesMapScope() { CurrentStylesMap() = pSaved; }
};

// While a styles map loads, its styles may name base styles that come later in the archive: their
// references wait here until the whole map is read.
struct PendingBaseStyle {
  CGXStyle* pStyle;
  DWORD nResourceId;
  CString sName;
};
std::vector<PendingBaseStyle>*& PendingBaseStyles() {
  static std::vector<PendingBaseStyle>* s_pPending = nullptr;
  return s_pPending;
}

BOOL FindBaseStyle(const CGXStylesMap& map, DWORD nResourceId, const CString& sName, WORD& nId) {
  if (nResourceId == 0)
    return map.LookupBaseStyleId(sName, nId);
  if (map.LookupBaseStyleIdFromResId(nResourceId, nId))
    return TRUE;
  // A name stored without its string id may still be one of the registered names.
  CString sResName;
  return GXLoadString(nResourceId, sResName) && map.LookupBaseStyleId(sResName, nId);
}

CGXStyle* ReadStyleObject(CArchive& ar) {
  return static_cast<CGXStyle*>(ar.ReadNewObject(RUNTIME_CLASS(CGXStyle)));
}

}  // namespace

void GXReadNullObject(CArchive& ar) {
  UINT nSchema;
  DWORD obTag = 0;
  CRuntimeClass* pClass = ar.ReadClass(nullptr, &nSchema, &obTag);
  if (pClass != nullptr || obTag != 0)
    Fail(ar, CArchiveException::badClass);
}

// --- colours and text forms ---------------------------------------------------------------------

DWORD GXColorToWord(DWORD nKind, DWORD nValue) {
  if (nKind == 3) {
    DWORD nIndex = nValue & 0xFFFFFF;
    if (nIndex > 189)
      nIndex = 189;
    return (GXGetSysColorState()->GetColor((int)nIndex) & 0xFFFFFF) | ((254 - nIndex) << 24);
  }
  return (nValue & 0xFFFFFF) | ((nKind & 3) << 24);
}

void GXColorFromWord(DWORD dwWord, DWORD& nKind, DWORD& nValue) {
  GXEncodeColor(dwWord, nKind, nValue);
}

CString GXBorderLineDescription(const CGXBorderLine& line) {
  DWORD w = GXColorToWord((line.m_w0 >> 19) & 3, line.m_w1);
  CString s;
  s.Format("%lu %ld %d %d %d %d", (unsigned long)line.GetStyle(), (long)line.GetWidth(), (int)(w & 0xFF),
           (int)((w >> 8) & 0xFF), (int)((w >> 16) & 0xFF), (int)(w >> 24));
  return s;
}

CGXBorderLine GXParseBorderLine(LPCTSTR pszText) {
  long n[6] = {0, 0, 0, 0, 0, 0};
  int nCount = 0;
  const char* p = pszText;
  while (nCount < 6) {
    while (*p == ' ' || *p == '\t')
      ++p;
    if (*p == '\0')
      break;
    char* pEnd;
    long v = std::strtol(p, &pEnd, 10);
    if (pEnd == p)
      break;
    n[nCount++] = v;
    p = pEnd;
  }
  CGXBorderLine line;
  if (nCount < 5) {
    line.SetStyle(7);
    line.SetColor(0);
    return line;
  }
  line.SetStyle((UINT)n[0]);
  line.SetWidth((UINT)n[1]);
  line.SetIncluded(TRUE);
  DWORD top = nCount == 6 ? (DWORD)(n[5] & 0xFF) : 0;
  line.SetColor((DWORD)(n[2] & 0xFF) | ((DWORD)(n[3] & 0xFF) << 8) | ((DWORD)(n[4] & 0xFF) << 16) | (top << 24));
  return line;
}

// --- fonts, interiors, border lines and styles --------------------------------------------------

void CGXStyleSerializeImp::SerializeFont(CGXFont* pFont, CArchive& ar) {
  if (ar.IsStoring()) {
    DWORD mask = 0;
    if (pFont->GetIncludeItalic())
      mask |= 1;
    if (pFont->GetIncludeUnderline())
      mask |= 2;
    if (pFont->GetIncludeStrikeOut())
      mask |= 4;
    if (pFont->GetItalic())
      mask |= 8;
    if (pFont->GetUnderline())
      mask |= 16;
    if (pFont->GetStrikeOut())
      mask |= 32;
    if (pFont->GetIncludeWeight())
      mask |= 64;
    if (pFont->GetIncludeSize())
      mask |= 128;
    if (pFont->GetIncludeOrientation())
      mask |= 256;
    const GXFaceEntry* pFace = pFont->GetIncludeFaceName() ? CGXFont::GetFaceEntry(pFont->GetFaceIndex()) : nullptr;
    if (pFace != nullptr)
      mask |= 512;
    ar << kFontSchema << mask;
    if (mask & 64)
      ar << (WORD)pFont->GetWeight();
    if (mask & 128)
      ar << (WORD)(pFont->GetSizeQuarterPoints() * 10 / 4);
    if (mask & 256)
      ar << (WORD)pFont->GetOrientation();
    if (mask & 512)
      ar << CString(pFace->szName) << pFace->nCharSet << pFace->nPitchAndFamily;
    return;
  }
  WORD wSchema = ReadWord(ar);
  CheckSchema(ar, wSchema, kFontSchema);
  pFont->Clear();
  if (wSchema >= 2) {
    DWORD mask = ReadDword(ar);
    if (mask & 1)
      pFont->SetItalic((mask & 8) != 0);
    if (mask & 2)
      pFont->SetUnderline((mask & 16) != 0);
    if (mask & 4)
      pFont->SetStrikeOut((mask & 32) != 0);
    if (mask & 64)
      pFont->SetWeight(ReadWord(ar));
    if (mask & 128)
      pFont->SetSize(ReadWord(ar) * 0.1);
    if (mask & 256)
      pFont->SetOrientation(ReadWord(ar));
    if (mask & 512) {
      CString sFace;
      BYTE nCharSet, nPitch;
      ar >> sFace >> nCharSet >> nPitch;
      pFont->SetFaceIndex(GXGetFaceNameTable()->LookupFaceName(sFace, nPitch, nCharSet));
    }
    return;
  }
  // The older layout: a LOGFONT's fields, then which of them count.
  GXLOGFONT lf{};
  DWORD nHeight = ReadDword(ar), nWeight = ReadDword(ar);
  BYTE bItalic, bUnderline, bStrike;
  CString sFace;
  ar >> bItalic >> bUnderline >> bStrike >> sFace;
  lf.lfHeight = (int32_t)nHeight;
  lf.lfWeight = (int32_t)nWeight;
  lf.lfItalic = bItalic;
  lf.lfUnderline = bUnderline;
  lf.lfStrikeOut = bStrike;
  std::strncpy(lf.lfFaceName, sFace, sizeof(lf.lfFaceName) - 1);
  pFont->SetLogFont(lf);
  DWORD mask = ReadDword(ar);
  CGXFont keep;
  keep.MergeFont(*pFont, CGXStyle::modeCopy);
  CGXFont drop;
  if (!(mask & 1))
    drop.SetWeight(400);
  if (!(mask & 2))
    drop.IncludeItalic(TRUE);
  if (!(mask & 4))
    drop.IncludeUnderline(TRUE);
  if (!(mask & 8))
    drop.IncludeStrikeOut(TRUE);
  if (!(mask & 16))
    drop.SetSize(1);
  if (!(mask & 32))
    drop.SetFaceIndex(0);
  pFont->MergeFont(drop, CGXStyle::modeRemove);
  if (mask & 64)
    pFont->SetOrientation((LONG)ReadDword(ar));
}

CArchive& CGXStyleSerializeImp::SerializeInterior(CGXInteriorFill* pFill, CArchive& ar) {
  if (ar.IsStoring()) {
    ar << (DWORD)pFill->GetBrushStyle() << GXColorToWord((pFill->m_w0 >> 4) & 3, pFill->m_w0 >> 8)
       << (DWORD)pFill->GetHatch() << (DWORD)pFill->GetPattern()
       << GXColorToWord((pFill->m_w0 >> 6) & 3, pFill->m_w1 & 0xFFFFFF);
    return ar;
  }
  DWORD nStyle = ReadDword(ar), dwFore = ReadDword(ar), nHatch = ReadDword(ar), nPattern = ReadDword(ar),
        dwBack = ReadDword(ar);
  CGXInteriorFill fill;
  DWORD nKind, nValue;
  GXColorFromWord(dwFore, nKind, nValue);
  fill.m_w0 = (nKind << 4) | (nValue << 8);
  GXColorFromWord(dwBack, nKind, nValue);
  fill.m_w0 |= nKind << 6;
  fill.m_w1 = nValue | ((nPattern & 0x3F) << 24);
  fill.SetHatch(nHatch);
  fill.SetBrushStyle(nStyle);
  if ((nStyle & 3) == 3) {
    const GX_GRID_STATE* pState = GXGetAppState();
    if ((int)(nPattern & 0x3F) >= pState->GetPatternCount() || nPattern > 0x3F)
      fill.SetBrushStyle(1);
    else
      fill.SetHatch(pState->m_patternHatches[nPattern]);
  }
  *pFill = fill;
  return ar;
}

void CGXStyleSerializeImp::SerializeBorderLine(CGXBorderLine* pLine, CArchive& ar) {
  if (ar.IsStoring()) {
    ar << (DWORD)pLine->GetStyle() << (WORD)pLine->GetWidth() << (WORD)(pLine->IsSet() ? 1 : 0)
       << GXColorToWord((pLine->m_w0 >> 19) & 3, pLine->m_w1);
    return;
  }
  DWORD nStyle = ReadDword(ar);
  WORD nWidth = ReadWord(ar), bSet = ReadWord(ar);
  DWORD dwColor = ReadDword(ar);
  CGXBorderLine line;
  line.SetStyle(bSet ? nStyle : 7);
  line.SetWidth(nWidth);
  DWORD nKind, nValue;
  GXColorFromWord(dwColor, nKind, nValue);
  line.m_w0 = (line.m_w0 & ~(3u << 19)) | (nKind << 19);
  line.m_w1 = nValue;
  *pLine = line;
}

void CGXStyleSerializeImp::SerializeStyle(CGXStyle* pStyle, CArchive& ar, const CGXStylesMap* pStylesMap) {
  if (pStylesMap == nullptr)
    pStylesMap = CurrentStylesMap();
  CGXStyle& s = *pStyle;
  auto inc = [&](int f) { return s.GetInclude(f); };
  if (ar.IsStoring()) {
    ar << kStyleSchema << s.m_include.GetStored();
    if (inc(CGXStyle::gxHAlign))
      ar << (DWORD)s.GetHAlignValue();
    if (inc(CGXStyle::gxVAlign))
      ar << (DWORD)s.GetVerticalAlignment();
    if (inc(CGXStyle::gxReadOnly))
      WriteFlag(ar, s.GetReadOnly());
    if (inc(CGXStyle::gxControl))
      ar << (DWORD)s.GetControl();
    if (inc(CGXStyle::gxInterior))
      SerializeInterior(&s.m_interior, ar);
    if (inc(CGXStyle::gxTextColor)) {
      // A system colour is kept as the plain colour it has now.
      DWORD dw = s.GetTextColorKind() == 3 ? GXResolveColor(s.GetTextColorTagged())
                                           : GXColorToWord(s.GetTextColorKind(), s.GetTextColorValue());
      ar << dw;
    }
    if (inc(CGXStyle::gxWrapText))
      WriteFlag(ar, s.GetWrapText());
    if (inc(CGXStyle::gxAllowEnter))
      WriteFlag(ar, s.GetAllowEnter());
    if (inc(CGXStyle::gxFont))
      ar.WriteObject(s.GetFontPtr());
    if (inc(CGXStyle::gxValue))
      ar << s.GetValue();
    if (inc(CGXStyle::gxChoiceList))
      ar << s.GetChoiceList();
    if (inc(CGXStyle::gxVertScroll))
      WriteFlag(ar, s.GetVertScrollBar());
    if (inc(CGXStyle::gxMaxLength))
      ar << s.GetMaxLength();
    if (inc(CGXStyle::gxEnabled))
      WriteFlag(ar, s.GetEnabled());
    if (inc(CGXStyle::gxTriState))
      WriteFlag(ar, s.GetTriState());
    if (inc(CGXStyle::gxDraw3dFrame))
      ar << (BYTE)s.GetDraw3dFrame();
    if (inc(CGXStyle::gxAutoSize))
      WriteFlag(ar, s.GetAutoSize());
    const CGXBorderLine* pBorders = s.GetBorderBlock();
    if (inc(CGXStyle::gxBorders) && pBorders != nullptr) {
      ar << (WORD)1;
      for (int i = 0; i < 4; ++i) {
        if (pBorders[i].IsSet())
          ar << (WORD)1 << GXBorderLineDescription(pBorders[i]);
        else
          ar << (WORD)0;
      }
    } else {
      ar << (WORD)0;
    }
    if (inc(CGXStyle::gxBaseStyle)) {
      UINT nResourceId = 0;
      LPCTSTR pszName = pStylesMap != nullptr ? pStylesMap->GetStyleName(s.GetBaseStyle(), nResourceId) : nullptr;
      ar << (DWORD)nResourceId;
      if (nResourceId == 0)
        ar << CString(pszName);
    }
    const CGXUserAttributeMap* pMap = s.GetUserAttributeMap();
    ar.WriteObject(pMap != nullptr && !pMap->IsEmpty() ? pMap : nullptr);
    if (inc(CGXStyle::gxFloatCell))
      WriteFlag(ar, s.GetFloatCell());
    if (inc(CGXStyle::gxFloodCell))
      WriteFlag(ar, s.GetFloodCell());
    if (inc(CGXStyle::gxMergeCell))
      ar << (BYTE)s.GetMergeCell();
    if (inc(CGXStyle::gxItemData))
      ar << s.GetItemData();
    if (inc(CGXStyle::gxFormat))
      ar << (BYTE)s.GetNumberFormat();
    if (inc(CGXStyle::gxPlaces))
      ar << (BYTE)s.GetDecimalPlaces();
    if (inc(CGXStyle::gxValue))
      ar << (BYTE)s.GetValueType();
    return;
  }

  WORD wSchema = ReadWord(ar);
  CheckSchema(ar, wSchema, kStyleSchema);
  s.Free();
  s.m_nSwitches = s.m_nColor = s.m_nFormat = 0;
  CGXStyleIncludeBits stored;
  stored.SetStored(ReadDword(ar));
  const DWORD bits = stored.m_bits;
  auto has = [&](int f) { return (bits >> f) & 1; };
  // The stored alignments are the text-drawing flags the setters take.
  if (has(CGXStyle::gxHAlign))
    s.SetHAlign(ReadDword(ar));
  if (has(CGXStyle::gxVAlign))
    s.SetVerticalAlignment(ReadDword(ar));
  if (has(CGXStyle::gxReadOnly))
    s.SetReadOnly(ReadFlag(ar));
  if (has(CGXStyle::gxControl))
    s.SetControl((WORD)ReadDword(ar));
  if (has(CGXStyle::gxInterior)) {
    CGXInteriorFill fill;
    SerializeInterior(&fill, ar);
    s.SetInterior(fill);
  }
  if (has(CGXStyle::gxTextColor))
    s.SetTextColor(ReadDword(ar));
  if (has(CGXStyle::gxWrapText))
    s.SetWrapText(ReadFlag(ar));
  if (has(CGXStyle::gxAllowEnter))
    s.SetAllowEnter(ReadFlag(ar));
  if (has(CGXStyle::gxFont)) {
    CGXFont* pFont = static_cast<CGXFont*>(ar.ReadNewObject(RUNTIME_CLASS(CGXFont)));
    s.AttachFont(pFont);
  }
  if (has(CGXStyle::gxValue)) {
    CString sValue;
    ar >> sValue;
    s.SetValue(sValue);
  }
  if (has(CGXStyle::gxChoiceList)) {
    CString sChoices;
    ar >> sChoices;
    s.SetChoiceText(sChoices);
  }
  if (has(CGXStyle::gxVertScroll))
    s.SetVertScrollBar(ReadFlag(ar));
  if (has(CGXStyle::gxMaxLength))
    s.SetMaxLength(ReadWord(ar));
  if (has(CGXStyle::gxEnabled))
    s.SetEnabled(ReadFlag(ar));
  if (has(CGXStyle::gxTriState))
    s.SetTriState(ReadFlag(ar));
  if (has(CGXStyle::gxDraw3dFrame)) {
    BYTE b;
    ar >> b;
    s.SetDraw3dFrame(b);
  }
  if (has(CGXStyle::gxAutoSize))
    s.SetAutoSize(ReadFlag(ar));
  if (ReadWord(ar) != 0) {
    CGXBorderLine lines[4];
    for (CGXBorderLine& line : lines) {
      if (ReadWord(ar) != 0) {
        CString sLine;
        ar >> sLine;
        line = GXParseBorderLine(sLine);
      }
    }
    s.SetBorderBlock(lines);
  }
  if (has(CGXStyle::gxBaseStyle)) {
    DWORD nResourceId = ReadDword(ar);
    CString sName;
    if (nResourceId == 0)
      ar >> sName;
    WORD nId = 0;
    if (pStylesMap != nullptr && PendingBaseStyles() != nullptr)
      PendingBaseStyles()->push_back({pStyle, nResourceId, sName});
    // An unknown base style is left out, not taken for the standard style.
    else if (pStylesMap != nullptr && FindBaseStyle(*pStylesMap, nResourceId, sName, nId))
      s.SetBaseStyle(nId);
  }
  if (wSchema <= 4) {
    CGXAbstractSerializeCR5CompatibleImp* pOld = GXGetAppState()->m_pSerializeCR5CompatibleImp;
    if (pOld == nullptr)
      Fail(ar, CArchiveException::badSchema);
    pOld->ReadOldUserAttributes(pStyle, ar);
  } else {
    CGXUserAttributeMap* pMap =
        static_cast<CGXUserAttributeMap*>(ar.ReadNewObject(RUNTIME_CLASS(CGXUserAttributeMap)));
    s.AttachUserAttributeMap(pMap);
  }
  if (wSchema >= 2) {
    if (has(CGXStyle::gxFloatCell))
      s.SetFloatCell(ReadFlag(ar));
    if (has(CGXStyle::gxFloodCell))
      s.SetFloodCell(ReadFlag(ar));
    if (has(CGXStyle::gxMergeCell)) {
      BYTE b;
      ar >> b;
      s.SetMergeCell(b);
    }
  }
  if (wSchema >= 3 && has(CGXStyle::gxItemData))
    s.SetItemData(ReadDword(ar));
  if (wSchema >= 6) {
    if (has(CGXStyle::gxFormat)) {
      BYTE b;
      ar >> b;
      s.SetNumberFormat(b);
    }
    if (has(CGXStyle::gxPlaces)) {
      BYTE b;
      ar >> b;
      s.SetDecimalPlaces(b);
    }
    if (has(CGXStyle::gxValue)) {
      BYTE b;
      ar >> b;
      s.SetValueType(b);
    }
  } else if (wSchema >= 4) {
    if (has(CGXStyle::gxFormat)) {
      BYTE nFormat, nPlaces;
      ar >> nFormat >> nPlaces;
      s.SetNumberFormat(nFormat);
      s.SetDecimalPlaces(nPlaces);
    }
    if (has(CGXStyle::gxValue)) {
      BYTE b;
      ar >> b;
      s.SetValueType(b);
    }
  }
}

// --- style arrays, the cell store ---------------------------------------------------------------

namespace {

template <class ARRAY, class READ>
void LoadIndexedArray(CArchive& ar, ARRAY& array, READ readElement) {
  LoadScope scope;
  WORD wSchema = ReadWord(ar);
  if (wSchema != kArraySchema)
    Fail(ar, CArchiveException::badSchema);
  array.DeleteAll();
  DWORD nSize = ReadDword(ar);
  LoadScope::Take(ar, nSize);
  array.SetSize((int)nSize);
  for (;;) {
    DWORD nIndex = ReadDword(ar);
    if (nIndex == kEndMark)
      break;
    if (nIndex >= nSize)
      Fail(ar, CArchiveException::badIndex);
    auto* pElement = readElement();
    delete static_cast<decltype(pElement)>(array.GetAt((int)nIndex));
    array.SetAt((int)nIndex, pElement);
  }
}

}  // namespace

void CGXGridDocSerializeImp::SerializeStyleArray(CGXStylePtrArray* pArray, CArchive& ar) {
  if (ar.IsStoring()) {
    ar << kArraySchema << (DWORD)pArray->GetSize();
    for (int i = 0; i < pArray->GetSize(); ++i) {
      if (const CGXStyle* p = pArray->GetStyle(i)) {
        ar << (DWORD)i;
        ar.WriteObject(p);
      }
    }
    ar << kEndMark;
    return;
  }
  LoadIndexedArray(ar, *pArray, [&ar]() { return ReadStyleObject(ar); });
}

void CGXGridDocSerializeImp::SerializeCellRows(CGXStylePtrArrayPtrArray* pRows, CArchive& ar) {
  if (ar.IsStoring()) {
    ar << kArraySchema << (DWORD)pRows->GetSize();
    for (int i = 0; i < pRows->GetSize(); ++i) {
      if (CGXStylePtrArray* pRow = pRows->GetRow(i)) {
        ar << (DWORD)i;
        SerializeStyleArray(pRow, ar);
      }
    }
    ar << kEndMark;
    return;
  }
  LoadIndexedArray(ar, *pRows, [this, &ar]() {
    CGXStylePtrArray* pRow = new CGXStylePtrArray;
    try {
      SerializeStyleArray(pRow, ar);
    } catch (...) {
      delete pRow;
      throw;
    }
    return pRow;
  });
}

void CGXGridDocSerializeImp::SerializeData(CGXData* pData, CArchive& ar) {
  if (ar.IsStoring()) {
    ar << kDataSchema << (DWORD)pData->m_nRows << (DWORD)pData->m_nCols;
    SerializeCellRows(&pData->m_cells, ar);
    SerializeStyleArray(&pData->m_rowStyles, ar);
    SerializeStyleArray(&pData->m_colStyles, ar);
    return;
  }
  LoadScope scope;
  WORD wSchema = ReadWord(ar);
  if (wSchema != kDataSchema)
    Fail(ar, CArchiveException::badSchema);
  pData->FreeAll();
  pData->m_nRows = ReadDword(ar);
  pData->m_nCols = ReadDword(ar);
  SerializeCellRows(&pData->m_cells, ar);
  SerializeStyleArray(&pData->m_rowStyles, ar);
  SerializeStyleArray(&pData->m_colStyles, ar);
}

// --- named base styles --------------------------------------------------------------------------

void CGXGridDocSerializeImp::SerializeStylesMap(CGXStylesMap* pMap, CArchive& ar) {
  CGXStyleSerializeImp styles;
  if (ar.IsStoring()) {
    ar << kStylesMapSchema << pMap->m_sSection;
    const CMapWordToPtr& names = pMap->GetUserAttributeNames();
    GXCheckWordCount(ar, names.GetCount());
    ar << (WORD)names.GetCount();
    for (POSITION pos = names.GetStartPosition(); pos != nullptr;) {
      WORD nId;
      void* p;
      names.GetNextAssoc(pos, nId, p);
      ar << (DWORD)nId << *static_cast<CString*>(p);
    }
    GXCheckWordCount(ar, pMap->m_names.GetCount());
    ar << (WORD)pMap->m_names.GetCount();
    for (POSITION pos = pMap->m_names.GetStartPosition(); pos != nullptr;) {
      CString sName;
      void* p;
      pMap->m_names.GetNextAssoc(pos, sName, p);
      ar << (WORD)(UINT_PTR)p << sName;
    }
    GXCheckWordCount(ar, pMap->m_baseStyles.GetCount());
    ar << (WORD)pMap->m_baseStyles.GetCount();
    for (POSITION pos = pMap->m_baseStyles.GetStartPosition(); pos != nullptr;) {
      WORD nId;
      void* p;
      pMap->m_baseStyles.GetNextAssoc(pos, nId, p);
      GXBaseStyleEntry* pEntry = static_cast<GXBaseStyleEntry*>(p);
      ar << pEntry->nId << (DWORD)pEntry->nResourceId << pEntry->sName << (BYTE)pEntry->nFlags;
      styles.SerializeStyle(pEntry->pStyle, ar, pMap);
    }
    WriteWordValue(ar, pMap->m_nNextId);
    const CMapWordToPtr& attributes = pMap->GetCustomAttrMap();
    GXCheckWordCount(ar, attributes.GetCount());
    ar << (WORD)attributes.GetCount();
    for (POSITION pos = attributes.GetStartPosition(); pos != nullptr;) {
      WORD nId;
      void* p;
      attributes.GetNextAssoc(pos, nId, p);
      GXUserAttributeEntry* pEntry = static_cast<GXUserAttributeEntry*>(p);
      ar << (DWORD)pEntry->nId;
      styles.SerializeStyle(pEntry->pStyle, ar, pMap);
    }
    return;
  }

  WORD wSchema = ReadWord(ar);
  if (wSchema < 1)
    Fail(ar, CArchiveException::badSchema);
  CheckSchema(ar, wSchema, kStylesMapSchema);
  pMap->RemoveStyles();
  ar >> pMap->m_sSection;
  WORD nNames = ReadWord(ar);
  for (WORD i = 0; i < nNames; ++i) {
    DWORD nId = ReadDword(ar);
    CString sName;
    ar >> sName;
    pMap->SetUserAttributeName((WORD)nId, sName);
  }
  WORD nIndex = ReadWord(ar);
  for (WORD i = 0; i < nIndex; ++i) {
    ReadWord(ar);
    CString sIgnored;
    ar >> sIgnored;
  }
  std::vector<PendingBaseStyle> pending;
  std::vector<PendingBaseStyle>* pSavedPending = PendingBaseStyles();
  PendingBaseStyles() = &pending;
  struct RestorePending {
    std::vector<PendingBaseStyle>* pSaved;
    ~RestorePending() { PendingBaseStyles() = pSaved; }
  } restore{pSavedPending};
  WORD nStyles = ReadWord(ar);
  for (WORD i = 0; i < nStyles; ++i) {
    WORD nId = ReadWord(ar);
    DWORD nResourceId = ReadDword(ar);
    CString sName;
    BYTE nFlags;
    ar >> sName >> nFlags;
    CGXStyle* pStyle = pMap->CreateStyle();
    try {
      styles.SerializeStyle(pStyle, ar, pMap);
      if (nResourceId != 0) {
        if (!GXLoadString(nResourceId, sName))
          sName.Format("STYLE%u", (unsigned)nResourceId);
        pMap->MapResourceId(nResourceId, nId);
      }
      pMap->m_names[sName] = (void*)(UINT_PTR)nId;
      // A second entry of one id replaces the first, whose style goes.
      if (GXBaseStyleEntry* pOld = pMap->GetEntry(nId))
        for (PendingBaseStyle& p : pending)
          if (p.pStyle == pOld->pStyle)
            p.pStyle = nullptr;
      GXBaseStyleEntry* pEntry = pMap->SetEntry(nId, nResourceId, sName, *pStyle, nFlags);
      pEntry->nResourceId = nResourceId;
      pEntry->sName = sName;
      pEntry->nFlags = nFlags;
      // The entry keeps a copy: its pending reference goes with it.
      for (PendingBaseStyle& p : pending)
        if (p.pStyle == pStyle)
          p.pStyle = pEntry->pStyle;
    } catch (...) {
      delete pStyle;
      throw;
    }
    delete pStyle;
  }
  PendingBaseStyles() = pSavedPending;
  pMap->m_nNextId = ReadWord(ar);
  if (wSchema >= 2) {
    WORD nAttributes = ReadWord(ar);
    for (WORD i = 0; i < nAttributes; ++i) {
      DWORD nId = ReadDword(ar);
      CGXStyle* pStyle = pMap->CreateStyle();
      try {
        styles.SerializeStyle(pStyle, ar, pMap);
      } catch (...) {
        delete pStyle;
        throw;
      }
      CString sName;
      if (!GXLoadString(nId, sName))
        sName.Format("UA%u", (unsigned)nId);
      pMap->SetUserAttributeEntry((WORD)nId, sName, pStyle);
    }
  }
  // The base styles named by the map's own styles, now that every one is there.
  for (PendingBaseStyle& p : pending) {
    WORD nBase;
    if (p.pStyle != nullptr && FindBaseStyle(*pMap, p.nResourceId, p.sName, nBase))
      p.pStyle->SetBaseStyle(nBase);
  }
  WORD nId;
  if (pMap->LookupBaseStyleIdFromResId(GX_IDS_STYLE_STANDARD, nId))
    pMap->m_nStandardStyleId = nId;
  if (pMap->LookupBaseStyleIdFromResId(GX_IDS_STYLE_COLHEADER, nId))
    pMap->m_nColHeaderStyleId = nId;
  if (pMap->LookupBaseStyleIdFromResId(GX_IDS_STYLE_ROWHEADER, nId))
    pMap->m_nRowHeaderStyleId = nId;
}

// --- properties ---------------------------------------------------------------------------------

void CGXGridDocSerializeImp::SerializeProperties(CGXProperties* pProperties, CArchive& ar) {
  CGXProperties& p = *pProperties;
  if (ar.IsStoring()) {
    ar << kPropertiesSchema;
    p.m_colors.Serialize(ar);
    CStringArray empty;
    empty.Serialize(ar);
    WriteFlag(ar, p.m_bVerticalLines);
    WriteFlag(ar, p.m_bHorizontalLines);
    WriteFlag(ar, p.m_b3dHeader);
    WriteFlag(ar, p.m_bMarkRowHeader);
    WriteFlag(ar, p.m_bMarkColHeader);
    ar << p.m_sSection << p.m_nValue;
    for (POSITION pos = p.m_userProperties.GetStartPosition(); pos != nullptr;) {
      WORD nId;
      void* pv;
      p.m_userProperties.GetNextAssoc(pos, nId, pv);
      GXUserPropertyEntry* pEntry = static_cast<GXUserPropertyEntry*>(pv);
      if (pEntry->nId == 0)
        continue;
      ar << (DWORD)pEntry->nId << pEntry->sName;
      ar.WriteObject(pEntry->pStyle);
    }
    ar << (DWORD)0;
    ar << (DWORD)p.m_bPrintVertLines << (DWORD)p.m_bPrintHorzLines << p.m_nPageOrder << (DWORD)p.m_bBlackWhite
       << (DWORD)p.m_bPrintRowHeaders << (DWORD)p.m_bCenterVertical << (DWORD)p.m_bCenterHorizontal
       << (DWORD)p.m_nMargins[2] << (DWORD)p.m_nMargins[1] << (DWORD)p.m_nMargins[3] << (DWORD)p.m_nMargins[0]
       << (DWORD)p.m_bPrintFrame << (DWORD)p.m_nDistances[0] << (DWORD)p.m_nDistances[1] << (DWORD)p.m_nFirstPage;
    ar << (WORD)0 << (WORD)0;
    p.m_array1.Serialize(ar);
    p.m_array2.Serialize(ar);
    SerializeData(&p.m_footer, ar);
    SerializeData(&p.m_header, ar);
    ar << (DWORD)p.m_bPrintColHeaders;
    return;
  }

  WORD wSchema = ReadWord(ar);
  CheckSchema(ar, wSchema, kPropertiesSchema);
  p.m_colors.Serialize(ar);
  CStringArray ignored;
  ignored.Serialize(ar);
  p.m_colors.SetSize(p.m_colorNames.GetSize());
  p.m_bVerticalLines = ReadFlag(ar);
  p.m_bHorizontalLines = ReadFlag(ar);
  p.m_b3dHeader = ReadFlag(ar);
  p.m_bMarkRowHeader = ReadFlag(ar);
  p.m_bMarkColHeader = ReadFlag(ar);
  ar >> p.m_sSection >> p.m_nValue;
  for (;;) {
    DWORD nId = ReadDword(ar);
    if (nId == 0)
      break;
    if (nId > 0xFFFF)
      Fail(ar, CArchiveException::generic);
    CString sName;
    ar >> sName;
    CGXStyle* pStyle = ReadStyleObject(ar);
    if (pStyle == nullptr)
      pStyle = new CGXStyle;
    p.SetUserPropertyEntry((WORD)nId, sName, pStyle);
  }
  DWORD d[15];
  for (DWORD& dw : d)
    dw = ReadDword(ar);
  p.m_bPrintVertLines = d[0];
  p.m_bPrintHorzLines = d[1];
  p.m_nPageOrder = d[2];
  p.m_bBlackWhite = d[3];
  p.m_bPrintRowHeaders = d[4];
  p.m_bCenterVertical = d[5];
  p.m_bCenterHorizontal = d[6];
  p.m_nMargins[2] = (LONG)d[7];
  p.m_nMargins[1] = (LONG)d[8];
  p.m_nMargins[3] = (LONG)d[9];
  p.m_nMargins[0] = (LONG)d[10];
  p.m_bPrintFrame = d[11];
  p.m_nDistances[0] = (LONG)d[12];
  p.m_nDistances[1] = (LONG)d[13];
  p.m_nFirstPage = (LONG)d[14];
  ReadWord(ar);
  ReadWord(ar);
  if (wSchema >= 3) {
    p.m_array1.Serialize(ar);
    p.m_array2.Serialize(ar);
  }
  SerializeData(&p.m_footer, ar);
  SerializeData(&p.m_header, ar);
  p.m_bPrintColHeaders = ReadDword(ar);
}

// --- the parameter object -----------------------------------------------------------------------
//
// The switches of the record, as flag bytes in this order: 1 row numbers in the row header,
// 2 column letters in the column header, 3 focus on click, 4 undo, 5 transparent background,
// 6 row drag, 7 focus on click again, 8 column letters again, 9 column drag, 10 the first of the
// three switches, 11-14 whether the param owns its cell data, print device, properties and styles
// map, 15 the read-only lock, 16 optimised resizing, 17 read-only, 18 no zoom. Then the
// selection, row-resize and column-resize permission words; frozen rows and columns, header rows
// and columns; the text; the two 16-bit counts; the percentage and the undo limit (16 bits); the
// activation word; the default row height and column width.
// The later schemas add: (2) lock at the first scrolled row; (3) restore the current cell,
// selection follows the current cell, the stored current row and column, the direction after
// Enter; (4) the special modes; (5) spreadsheet-like fill, the current-cell inversion mode and the
// option word; (6) marking, grid lines at the right and bottom, the update lock, and two reserved
// flags, the float-cells mode and its two span objects, the merge-cells mode and its three span
// objects, the preload switch; (8) three reserved flags; (9) the grid-line style; (10) a reserved
// flag.

namespace {

template <class T>
T* ReadPart(CArchive& ar, BOOL bOwned, CRuntimeClass* pClass) {
  return bOwned ? static_cast<T*>(ar.ReadNewObject(pClass)) : nullptr;
}

}  // namespace

void CGXGridDocSerializeImp::SerializeParam(CGXGridParam* pParam, CArchive& ar) {
  CGXGridParam& p = *pParam;
  if (ar.IsStoring()) {
    p.SyncCoveredCellPool();
    ar << kParamSchema;
    BOOL flags[18] = {p.m_bNumberedRowHeaders, p.m_bNumberedColHeaders, p.m_bFocusOnClick, p.m_bUndoEnabled,
                      p.m_bTransparentBackground, p.m_bRowDrag, p.m_bFocusOnClick, p.m_bNumberedColHeaders,
                      p.m_bColDrag, p.m_bSwitch1,
                      p.m_bOwnData && p.m_pData != nullptr, p.m_bOwnPrintDevice && p.m_pPrintDevice != nullptr,
                      p.m_bOwnProperties && p.m_pProperties != nullptr, p.m_bOwnStylesMap && p.m_pStylesMap != nullptr,
                      p.m_bLockReadOnly, p.m_bOptimizedResize, p.m_bReadOnly, p.m_bNoZoom};
    for (BOOL b : flags)
      WriteFlag(ar, b);
    ar << p.m_nAllowSelection << p.m_nAllowResizeRow << p.m_nAllowResizeCol;
    ar << (DWORD)p.m_nFrozenRows << (DWORD)p.m_nFrozenCols << (DWORD)p.m_nHeaderRows << (DWORD)p.m_nHeaderCols;
    ar << p.m_sText << p.m_nCount1 << p.m_nCount2;
    WriteWordValue(ar, p.m_nPercent);
    WriteWordValue(ar, p.m_nMaxUndo);
    ar << p.m_nActivateFlags << (DWORD)p.m_nDefaultRowHeight << (DWORD)p.m_nDefaultColWidth;
    {
      StylesMapScope scope(p.m_pStylesMap);
      if (flags[13])
        ar.WriteObject(p.m_pStylesMap);
      if (flags[10])
        ar.WriteObject(p.m_pData);
      if (flags[12])
        ar.WriteObject(p.m_pProperties);
      if (flags[11])
        ar.WriteObject(p.m_pPrintDevice);
    }
    p.m_selection.Serialize(ar);
    p.m_coveredCells.Serialize(ar);
    p.m_rowHeights.Serialize(ar);
    p.m_colWidths.Serialize(ar);
    p.m_hiddenRows.Serialize(ar);
    p.m_hiddenCols.Serialize(ar);
    WriteFlag(ar, p.m_bLockFirstScrolled);
    WriteFlag(ar, p.m_bRestoreCurrentCell);
    WriteFlag(ar, p.m_bSelectionFollowsCurrentCell);
    ar << (DWORD)p.m_nCurrentRow << (DWORD)p.m_nCurrentCol << (DWORD)p.m_nEnterDirection;
    ar << p.m_nSpecialMode;
    WriteFlag(ar, p.m_bSpreadsheetFill);
    ar << p.m_nInvertCurrentCell << p.m_nOptionWord;
    WriteFlag(ar, p.m_bMarking);
    WriteFlag(ar, p.m_bGridLinesRightBottom);
    WriteFlag(ar, p.m_bLockUpdate);
    WriteFlag(ar, FALSE);
    WriteFlag(ar, FALSE);
    ar << p.m_nFloatCellsMode;
    ar.WriteObject(p.m_pSpan[CGXGridParam::spanFloatDelayed]);
    ar.WriteObject(p.m_pSpan[CGXGridParam::spanFloat]);
    ar << p.m_nMergeCellsMode;
    ar.WriteObject(p.m_pSpan[CGXGridParam::spanMergeDelayed]);
    ar.WriteObject(p.m_pSpan[CGXGridParam::spanMergeRows]);
    ar.WriteObject(p.m_pSpan[CGXGridParam::spanMergeCols]);
    ar << p.m_nPreload;
    WriteFlag(ar, FALSE);
    WriteFlag(ar, FALSE);
    WriteFlag(ar, FALSE);
    ar << p.m_nGridLineStyle;
    WriteFlag(ar, FALSE);
    return;
  }

  LoadScope loadScope;
  WORD wSchema = ReadWord(ar);
  CheckSchema(ar, wSchema, kParamSchema);
  p.SetStylesMap(nullptr);
  p.SetData(nullptr);
  p.SetProperties(nullptr);
  p.SetPrintDevice(nullptr);
  BOOL flags[18];
  for (BOOL& b : flags)
    b = ReadFlag(ar);
  p.m_bNumberedRowHeaders = flags[0];
  p.m_bFocusOnClick = flags[6];
  p.m_bUndoEnabled = flags[3];
  p.m_bTransparentBackground = flags[4];
  p.m_bRowDrag = flags[5];
  p.m_bNumberedColHeaders = flags[7];
  p.m_bColDrag = flags[8];
  p.m_bSwitch1 = flags[9];
  p.m_bLockReadOnly = flags[14];
  p.m_bOptimizedResize = flags[15];
  p.m_bReadOnly = flags[16];
  p.m_bNoZoom = flags[17];
  ar >> p.m_nAllowSelection >> p.m_nAllowResizeRow >> p.m_nAllowResizeCol;
  p.m_nFrozenRows = ReadDword(ar);
  p.m_nFrozenCols = ReadDword(ar);
  p.m_nHeaderRows = ReadDword(ar);
  p.m_nHeaderCols = ReadDword(ar);
  ar >> p.m_sText >> p.m_nCount1 >> p.m_nCount2;
  p.m_nPercent = ReadWord(ar);
  p.m_nMaxUndo = ReadWord(ar);
  ar >> p.m_nActivateFlags;
  p.m_nDefaultRowHeight = (LONG)ReadDword(ar);
  p.m_nDefaultColWidth = (LONG)ReadDword(ar);
  {
    StylesMapScope scope(nullptr);
    p.SetStylesMap(ReadPart<CGXStylesMap>(ar, flags[13], RUNTIME_CLASS(CGXStylesMap)));
    CurrentStylesMap() = p.m_pStylesMap;
    p.SetData(ReadPart<CGXData>(ar, flags[10], RUNTIME_CLASS(CGXData)));
    p.SetProperties(ReadPart<CGXProperties>(ar, flags[12], RUNTIME_CLASS(CGXProperties)));
    p.SetPrintDevice(ReadPart<CGXPrintDevice>(ar, flags[11], RUNTIME_CLASS(CGXPrintDevice)));
  }
  p.m_selection.DeleteAll();
  p.m_selection.Serialize(ar);
  p.m_coveredCells.DeleteAll();
  p.m_coveredCells.Serialize(ar);
  p.SyncCoveredCellPool();
  p.m_rowHeights.RemoveAll();
  p.m_rowHeights.Serialize(ar);
  p.m_colWidths.RemoveAll();
  p.m_colWidths.Serialize(ar);
  p.m_hiddenRows.Serialize(ar);
  p.m_hiddenCols.Serialize(ar);
  if (wSchema >= 2)
    p.m_bLockFirstScrolled = ReadFlag(ar);
  if (wSchema >= 3) {
    p.m_bRestoreCurrentCell = ReadFlag(ar);
    p.m_bSelectionFollowsCurrentCell = ReadFlag(ar);
    p.m_nCurrentRow = ReadDword(ar);
    p.m_nCurrentCol = ReadDword(ar);
    p.m_nEnterDirection = (WORD)ReadDword(ar);
  }
  if (wSchema >= 4)
    ar >> p.m_nSpecialMode;
  if (wSchema >= 5) {
    p.m_bSpreadsheetFill = ReadFlag(ar);
    ar >> p.m_nInvertCurrentCell >> p.m_nOptionWord;
  }
  if (wSchema >= 6) {
    p.m_bMarking = ReadFlag(ar);
    p.m_bGridLinesRightBottom = ReadFlag(ar);
    p.m_bLockUpdate = ReadFlag(ar);
    ReadFlag(ar);
    ReadFlag(ar);
    // The stores of the floating and merged cells: each a new object of its class, or none.
    auto readSpan = [&](int nSlot, CRuntimeClass* pClass) {
      CObject* pObject = ar.ReadNewObject(pClass);
      delete p.m_pSpan[nSlot];
      p.m_pSpan[nSlot] = pObject;
    };
    ar >> p.m_nFloatCellsMode;
    readSpan(CGXGridParam::spanFloatDelayed, RUNTIME_CLASS(CGXDelayedRangePool));
    readSpan(CGXGridParam::spanFloat, RUNTIME_CLASS(CGXSpanCellPool));
    ar >> p.m_nMergeCellsMode;
    readSpan(CGXGridParam::spanMergeDelayed, RUNTIME_CLASS(CGXDelayedRangePool));
    readSpan(CGXGridParam::spanMergeRows, RUNTIME_CLASS(CGXSpanCellPool));
    readSpan(CGXGridParam::spanMergeCols, RUNTIME_CLASS(CGXSpanCellPool));
    ar >> p.m_nPreload;
  }
  if (wSchema >= 8) {
    ReadFlag(ar);
    ReadFlag(ar);
    ReadFlag(ar);
  }
  if (wSchema >= 9)
    ar >> p.m_nGridLineStyle;
  if (wSchema >= 10)
    ReadFlag(ar);
}

// --- subsets ------------------------------------------------------------------------------------

BOOL CGXStyleCompareSubsetImp::IsSubSet(const CGXStyle* pStyle, const CGXStyle* pOther) {
  const CGXStyle& s = *pStyle;
  const CGXStyle& o = *pOther;
  auto need = [&](int f) { return o.GetInclude(f) != 0; };
  auto same = [&](int f, bool bEqual) { return !need(f) || (s.GetInclude(f) && bEqual); };
  if (!same(CGXStyle::gxHAlign, s.GetHAlignValue() == o.GetHAlignValue()) ||
      !same(CGXStyle::gxVAlign, s.GetVAlignValue() == o.GetVAlignValue()) ||
      !same(CGXStyle::gxReadOnly, s.GetReadOnly() == o.GetReadOnly()) ||
      !same(CGXStyle::gxFloatCell, s.GetFloatCell() == o.GetFloatCell()) ||
      !same(CGXStyle::gxFloodCell, s.GetFloodCell() == o.GetFloodCell()) ||
      !same(CGXStyle::gxMergeCell, s.GetMergeCell() == o.GetMergeCell()) ||
      !same(CGXStyle::gxDraw3dFrame, s.GetDraw3dFrame() == o.GetDraw3dFrame()) ||
      !same(CGXStyle::gxMaxLength, s.GetMaxLength() == o.GetMaxLength()) ||
      !same(CGXStyle::gxVertScroll, s.GetVertScrollBar() == o.GetVertScrollBar()) ||
      !same(CGXStyle::gxTextColor, s.GetTextColorTagged() == o.GetTextColorTagged()) ||
      !same(CGXStyle::gxValue, s.GetValueType() == o.GetValueType()) ||
      !same(CGXStyle::gxAutoSize, s.GetAutoSize() == o.GetAutoSize()) ||
      !same(CGXStyle::gxAllowEnter, s.GetAllowEnter() == o.GetAllowEnter()) ||
      !same(CGXStyle::gxEnabled, s.GetEnabled() == o.GetEnabled()) ||
      !same(CGXStyle::gxTriState, s.GetTriState() == o.GetTriState()) ||
      !same(CGXStyle::gxControl, s.GetControl() == o.GetControl()) ||
      !same(CGXStyle::gxInterior, s.GetInterior() == o.GetInterior()))
    return FALSE;
  if (need(CGXStyle::gxBorders)) {
    if (!s.GetInclude(CGXStyle::gxBorders))
      return FALSE;
    for (int i = 0; i < 4; ++i)
      if (o.GetBorders(i).IsSet() && s.GetBorders(i) != o.GetBorders(i))
        return FALSE;
  }
  if (need(CGXStyle::gxFont) && (!s.GetInclude(CGXStyle::gxFont) || !s.GetFont().IsSubSet(o.GetFont())))
    return FALSE;
  if (!same(CGXStyle::gxValue, std::strcmp(s.GetValue(), o.GetValue()) == 0) ||
      !same(CGXStyle::gxFormat, s.GetNumberFormat() == o.GetNumberFormat()) ||
      !same(CGXStyle::gxPlaces, s.GetDecimalPlaces() == o.GetDecimalPlaces()) ||
      !same(CGXStyle::gxBaseStyle, s.GetBaseStyle() == o.GetBaseStyle()) ||
      !same(CGXStyle::gxChoiceList, s.GetChoiceList() == o.GetChoiceList()) ||
      !same(CGXStyle::gxItemData, s.GetItemData() == o.GetItemData()))
    return FALSE;
  if (const CGXUserAttributeMap* pMap = o.GetUserAttributeMap()) {
    for (int i = 0; i < pMap->GetSize(); ++i) {
      const CGXAbstractUserAttribute* pAttr = pMap->GetAttributeAt(i);
      const CGXUserAttributeMap* pMine = s.GetUserAttributeMap();
      const CGXAbstractUserAttribute* pHere = pMine != nullptr ? pMine->GetAttribute(pAttr->m_nId) : nullptr;
      if (pHere == nullptr || !pHere->IsEqual(*pAttr))
        return FALSE;
    }
  }
  return TRUE;
}

// --- installers ---------------------------------------------------------------------------------

void InstallGridDocSerializeImp() {
  GX_GRID_STATE* pState = GXGetAppState();
  if (pState->m_pGridDocSerializeImp == nullptr) {
    pState->m_pGridDocSerializeImp = new CGXGridDocSerializeImp;
    pState->AddAppAutoDelete(pState->m_pGridDocSerializeImp);
  }
}

void InstallStyleSerializeImp() {
  GX_GRID_STATE* pState = GXGetAppState();
  if (pState->m_pStyleSerializeImp == nullptr) {
    pState->m_pStyleSerializeImp = new CGXStyleSerializeImp;
    pState->AddAppAutoDelete(pState->m_pStyleSerializeImp);
  }
}

void InstallStyleCompareSubsetImp() {
  GX_GRID_STATE* pState = GXGetAppState();
  if (pState->m_pStyleCompareSubsetImp == nullptr) {
    pState->m_pStyleCompareSubsetImp = new CGXStyleCompareSubsetImp;
    pState->AddAppAutoDelete(pState->m_pStyleCompareSubsetImp);
  }
}
