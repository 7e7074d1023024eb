// Fonts of styles: the packed words, the conversions of sizes, weights and orientations, merging,
// the face-name table and the shared LOGFONT records.
#include "GXFont.h"

#include "GXGridState.h"

#include <algorithm>
#include <cmath>
#include <cstring>

// The platform's enumeration of the installed fonts (GXFontWin.cpp, or nothing natively).
void GXEnumSystemFaces(CGXFaceNameTable* pTable);

namespace {

// Shared font data: one LOGFONT per distinct font key.
struct FontData {
  LONG nRefs = 0;
  GXLOGFONT lf{};
  BOOL bFilled = FALSE;
};

std::map<uint64_t, FontData>& FontDataMap() {
  static std::map<uint64_t, FontData> s_map;
  return s_map;
}

uint64_t FontKey(DWORD a, DWORD b) {
  return ((uint64_t)b << 32) | (a & ~1u);
}

const DWORD kWeightMask = 0xF0, kSizeMask = 0x3FF00, kOrientMask = 0x3FE00000;

}  // namespace

// --- face-name table ----------------------------------------------------------------------------

CGXFaceNameTable::CGXFaceNameTable() {
  GXEnumSystemFaces(this);
  // "Arial" first, so that it gets face index 0.
  LookupFaceName("Arial", 0x22, 0);
}

CGXFaceNameTable* GXGetFaceNameTable() {
  static CGXFaceNameTable s_table;
  return &s_table;
}

GXFaceEntry* CGXFaceNameTable::Find(std::vector<GXFaceEntry*>& faces, LPCTSTR pszName) {
  auto it = std::lower_bound(faces.begin(), faces.end(), pszName,
                             [](const GXFaceEntry* e, LPCTSTR n) { return std::strcmp(e->szName, n) < 0; });
  if (it != faces.end() && std::strcmp((*it)->szName, pszName) == 0)
    return *it;
  return nullptr;
}

void CGXFaceNameTable::AddSorted(std::vector<GXFaceEntry*>& faces, GXFaceEntry* pEntry) {
  auto it = std::lower_bound(faces.begin(), faces.end(), pEntry, [](const GXFaceEntry* e, const GXFaceEntry* n) {
    return std::strcmp(e->szName, n->szName) < 0;
  });
  faces.insert(it, pEntry);
}

UINT CGXFaceNameTable::AssignIndex(GXFaceEntry* pEntry) {
  if (pEntry->nIndex == kNoFace && m_byIndex.size() < kNoFace) {
    pEntry->nIndex = (WORD)m_byIndex.size();
    m_byIndex.push_back(pEntry);
  }
  return pEntry->nIndex;
}

void CGXFaceNameTable::AddSystemFace(LPCTSTR pszFace, LPCTSTR pszScript, BYTE nCharSet, BYTE nPitchAndFamily,
                                     BYTE nFontType) {
  // Blocks of 256 entries, at most 256 blocks.
  if (m_storage.size() >= 256 * 256 || pszFace == nullptr || *pszFace == '\0')
    return;
  auto add = [&](const CString& name, BYTE nBaseLength, BOOL bPlain) {
    if (Find(m_systemFaces, name) != nullptr)
      return;
    auto entry = std::make_unique<GXFaceEntry>();
    std::memset(entry.get(), 0, sizeof(GXFaceEntry));
    std::strncpy(entry->szName, name, sizeof(entry->szName) - 1);
    entry->nBaseNameLength = nBaseLength;
    entry->nPitchAndFamily = nPitchAndFamily;
    entry->nCharSet = nCharSet;
    entry->nIndex = kNoFace;
    entry->nFontType = (BYTE)(nFontType & 7);
    entry->bSystem = TRUE;
    entry->bPlain = bPlain;
    AddSorted(m_systemFaces, entry.get());
    m_storage.push_back(std::move(entry));
  };
  if (m_lastSystemFace != pszFace) {
    add(pszFace, 0, TRUE);
    m_lastSystemFace = pszFace;
  }
  if (pszScript != nullptr && *pszScript != '\0') {
    m_scriptNames[nCharSet] = pszScript;
    CString scripted;
    scripted.Format("%s (%s)", pszFace, pszScript);
    add(scripted, (BYTE)std::min<size_t>(std::strlen(pszFace), 255), FALSE);
  }
}

UINT CGXFaceNameTable::LookupFaceName(LPCTSTR pszName, BYTE nPitchAndFamily, BYTE nCharSet) {
  if (pszName == nullptr || *pszName == '\0')
    return kNoFace;
  GXFaceEntry* pEntry = Find(m_systemFaces, pszName);
  if (pEntry == nullptr)
    pEntry = Find(m_addedFaces, pszName);
  if (pEntry == nullptr) {
    if (m_byIndex.size() >= kNoFace)
      return kNoFace;
    auto entry = std::make_unique<GXFaceEntry>();
    std::memset(entry.get(), 0, sizeof(GXFaceEntry));
    std::strncpy(entry->szName, pszName, sizeof(entry->szName) - 1);
    entry->nPitchAndFamily = nPitchAndFamily;
    entry->nCharSet = nCharSet;
    entry->nIndex = kNoFace;
    entry->bPlain = TRUE;
    pEntry = entry.get();
    AddSorted(m_addedFaces, pEntry);
    m_storage.push_back(std::move(entry));
  }
  return AssignIndex(pEntry);
}

const GXFaceEntry* CGXFaceNameTable::GetEntry(UINT nIndex) const {
  return nIndex < m_byIndex.size() ? m_byIndex[nIndex] : nullptr;
}

CString CGXFaceNameTable::GetScriptName(BYTE nCharSet) const {
  return m_scriptNames[nCharSet];
}

// --- the font -----------------------------------------------------------------------------------

IMPLEMENT_SERIAL(CGXFont, CObject, 0)

CGXFont::CGXFont(const CGXFont& other) : CObject(), m_a(other.m_a), m_b(other.m_b) {
  if (IsRealised())
    ++FontDataMap()[FontKey(m_a, m_b)].nRefs;
}

CGXFont& CGXFont::operator=(const CGXFont& other) {
  if ((m_a & ~1u) == (other.m_a & ~1u) && m_b == other.m_b)
    return *this;
  Release();
  m_a = other.m_a;
  m_b = other.m_b;
  if (IsRealised())
    ++FontDataMap()[FontKey(m_a, m_b)].nRefs;
  return *this;
}

CGXFont::~CGXFont() {
  Release();
}

void CGXFont::Release() const {
  if (!IsRealised())
    return;
  auto& map = FontDataMap();
  auto it = map.find(FontKey(m_a, m_b));
  if (it != map.end() && --it->second.nRefs <= 0)
    map.erase(it);
  const_cast<CGXFont*>(this)->m_a &= ~1u;
}

int CGXFont::GetFontDataCount() {
  return (int)FontDataMap().size();
}

int CGXFont::GetFontDataRefCount(const CGXFont& font) {
  auto& map = FontDataMap();
  auto it = map.find(FontKey(font.m_a, font.m_b));
  return it == map.end() ? 0 : (int)it->second.nRefs;
}

void CGXFont::Serialize(CArchive& ar) {
  if (CGXAbstractStyleSerializeImp* p = GXGetAppState()->m_pStyleSerializeImp)
    p->SerializeFont(this, ar);
}

void CGXFont::SetBits(DWORD mask, DWORD value) {
  Release();
  m_a = (m_a & ~mask) | (value & mask);
}

void CGXFont::Clear() {
  Release();
  m_a = kEmptyA;
  m_b = kEmptyB;
}

CGXFont& CGXFont::SetWeight(LONG nWeight) {
  LONG nCode = nWeight / 100;
  nCode = std::max<LONG>(0, std::min<LONG>(14, nCode));
  SetBits(kWeightMask, (DWORD)nCode << 4);
  return *this;
}

CGXFont& CGXFont::SetItalic(BOOL b) {
  SetBits(2 | (1u << 18), 2 | ((b ? 1u : 0u) << 18));
  return *this;
}

CGXFont& CGXFont::IncludeItalic(BOOL b) {
  SetBits(2, b ? 2 : 0);
  return *this;
}

CGXFont& CGXFont::SetUnderline(BOOL b) {
  SetBits(4 | (1u << 19), 4 | ((b ? 1u : 0u) << 19));
  return *this;
}

CGXFont& CGXFont::IncludeUnderline(BOOL b) {
  SetBits(4, b ? 4 : 0);
  return *this;
}

CGXFont& CGXFont::SetStrikeOut(BOOL b) {
  SetBits(8 | (1u << 20), 8 | ((b ? 1u : 0u) << 20));
  return *this;
}

CGXFont& CGXFont::IncludeStrikeOut(BOOL b) {
  SetBits(8, b ? 8 : 0);
  return *this;
}

CGXFont& CGXFont::SetSize(double dPoints) {
  double q = std::fabs(std::trunc(dPoints * 4));
  DWORD nQuarter = q >= 1023 || std::isnan(q) ? 1023 : (DWORD)q;
  SetBits(kSizeMask, nQuarter << 8);
  return *this;
}

CGXFont& CGXFont::SetOrientation(LONG nTenths) {
  int64_t v = nTenths;
  if (v < 0)
    v += ((-v + 3599) / 3600) * 3600;
  int64_t nDegrees = v / 10;
  if (nDegrees > 510)
    nDegrees %= 360;
  SetBits(kOrientMask, (DWORD)nDegrees << 21);
  return *this;
}

CGXFont& CGXFont::SetFaceIndex(UINT nIndex) {
  Release();
  m_b = (m_b & ~0x3FFu) | (nIndex & 0x3FF);
  return *this;
}

CGXFont& CGXFont::SetFaceName(LPCTSTR pszName) {
  return SetFaceIndex(FaceNameToIndex(pszName));
}

CString CGXFont::GetFaceName() const {
  const GXFaceEntry* pEntry = GetFaceEntry(GetFaceIndex());
  return pEntry != nullptr ? CString(pEntry->szName) : CString();
}

void CGXFont::SetDefault() {
  GXLOGFONT lf{};
  lf.lfPitchAndFamily = 0x22;
  std::strcpy(lf.lfFaceName, "Arial");
  lf.lfHeight = -11;
  lf.lfWeight = 400;
  SetLogFont(lf);
}

void CGXFont::SetLogFont(const GXLOGFONT& lf) {
  Release();
  CGXFaceNameTable* pTable = GXGetFaceNameTable();
  char szFace[33];
  std::memcpy(szFace, lf.lfFaceName, 32);
  szFace[32] = '\0';
  UINT nFace;
  CString script = pTable->GetScriptName(lf.lfCharSet);
  if (lf.lfCharSet != 0 && lf.lfCharSet != 1 && !script.IsEmpty()) {
    CString name;
    name.Format("%s (%s)", szFace, (LPCTSTR)script);
    nFace = pTable->LookupFaceName(name, lf.lfPitchAndFamily, lf.lfCharSet);
  } else {
    nFace = pTable->LookupFaceName(szFace, lf.lfPitchAndFamily, lf.lfCharSet);
  }
  SetFaceIndex(nFace);
  if (lf.lfHeight != 0)
    SetSize(std::fabs((double)lf.lfHeight) * 72.0 / pTable->m_nLogPixelsY);
  else
    SetBits(kSizeMask, 0);
  SetWeight(lf.lfWeight);
  SetOrientation(lf.lfOrientation);
  SetStrikeOut(lf.lfStrikeOut != 0);
  SetUnderline(lf.lfUnderline != 0);
  SetItalic(lf.lfItalic != 0);
}

const GXLOGFONT& CGXFont::GetLogFont() const {
  FontData& data = FontDataMap()[FontKey(m_a, m_b)];
  if (!IsRealised()) {
    ++data.nRefs;
    const_cast<CGXFont*>(this)->m_a |= 1;
  }
  if (!data.bFilled) {
    GXLOGFONT& lf = data.lf;
    std::memset(&lf, 0, sizeof(lf));
    if (GetIncludeItalic())
      lf.lfItalic = (uint8_t)GetItalic();
    if (GetIncludeStrikeOut())
      lf.lfStrikeOut = (uint8_t)GetStrikeOut();
    if (GetIncludeUnderline())
      lf.lfUnderline = (uint8_t)GetUnderline();
    if (GetIncludeSize())
      lf.lfHeight = -(int32_t)((int64_t)GetSizeQuarterPoints() * GXGetFaceNameTable()->m_nLogPixelsY / 288);
    if (GetIncludeWeight())
      lf.lfWeight = GetWeight();
    if (GetIncludeOrientation())
      lf.lfEscapement = lf.lfOrientation = GetOrientation();
    if (const GXFaceEntry* pEntry = GetIncludeFaceName() ? GetFaceEntry(GetFaceIndex()) : nullptr) {
      size_t nLen = pEntry->nBaseNameLength != 0 ? pEntry->nBaseNameLength : std::strlen(pEntry->szName);
      nLen = std::min<size_t>(nLen, sizeof(lf.lfFaceName) - 1);
      std::memcpy(lf.lfFaceName, pEntry->szName, nLen);
      lf.lfPitchAndFamily = pEntry->nPitchAndFamily;
      if (GetIncludeOrientation() && GetOrientation() > 0)
        lf.lfPitchAndFamily |= 4;
      lf.lfCharSet = pEntry->nCharSet;
    }
    data.bFilled = TRUE;
  }
  return data.lf;
}

GXLOGFONT CGXFont::GetLogFontZoomed(int nZoom) const {
  GXLOGFONT lf = GetLogFont();
  lf.lfHeight = (int32_t)((int64_t)lf.lfHeight * nZoom / 100);
  return lf;
}

void CGXFont::MergeFont(const CGXFont& other, int nMode) {
  if (nMode == 2) {
    *this = other;
    return;
  }
  DWORD a = m_a & ~1u, b = m_b;
  const DWORD oa = other.m_a, ob = other.m_b;
  auto take = [&](BOOL bOther, BOOL bThis) { return bOther && (nMode == 0 || !bThis); };
  if (nMode == 3) {
    if (other.GetIncludeWeight())
      a |= kWeightMask;
    if (other.GetIncludeItalic())
      a &= ~2u;
    if (other.GetIncludeUnderline())
      a &= ~4u;
    if (other.GetIncludeStrikeOut())
      a &= ~8u;
    if (other.GetIncludeSize())
      a &= ~kSizeMask;
    if (other.GetIncludeOrientation())
      a |= kOrientMask;
    if (other.GetIncludeFaceName())
      b = (b & ~0x3FFu) | 1023;
  } else {
    if (take(other.GetIncludeWeight(), GetIncludeWeight()))
      a = (a & ~kWeightMask) | (oa & kWeightMask);
    if (take(other.GetIncludeItalic(), GetIncludeItalic()))
      a = (a & ~(2u | (1u << 18))) | (oa & (2u | (1u << 18)));
    if (take(other.GetIncludeUnderline(), GetIncludeUnderline()))
      a = (a & ~(4u | (1u << 19))) | (oa & (4u | (1u << 19)));
    if (take(other.GetIncludeStrikeOut(), GetIncludeStrikeOut()))
      a = (a & ~(8u | (1u << 20))) | (oa & (8u | (1u << 20)));
    if (take(other.GetIncludeSize(), GetIncludeSize()))
      a = (a & ~kSizeMask) | (oa & kSizeMask);
    if (take(other.GetIncludeOrientation(), GetIncludeOrientation()))
      a = (a & ~kOrientMask) | (oa & kOrientMask);
    if (take(other.GetIncludeFaceName(), GetIncludeFaceName()))
      b = (b & ~0x3FFu) | (ob & 0x3FF);
  }
  if (a != (m_a & ~1u) || b != m_b) {
    Release();
    m_a = a;
    m_b = b;
  }
}

BOOL CGXFont::IsSubSet(const CGXFont& other) const {
  if (other.GetIncludeWeight() && (!GetIncludeWeight() || GetWeight() != other.GetWeight()))
    return FALSE;
  if (other.GetIncludeItalic() && (!GetIncludeItalic() || GetItalic() != other.GetItalic()))
    return FALSE;
  if (other.GetIncludeUnderline() && (!GetIncludeUnderline() || GetUnderline() != other.GetUnderline()))
    return FALSE;
  if (other.GetIncludeStrikeOut() && (!GetIncludeStrikeOut() || GetStrikeOut() != other.GetStrikeOut()))
    return FALSE;
  if (other.GetIncludeSize() && (!GetIncludeSize() || GetSizeQuarterPoints() != other.GetSizeQuarterPoints()))
    return FALSE;
  if (other.GetIncludeOrientation() &&
      (!GetIncludeOrientation() || GetOrientation() != other.GetOrientation()))
    return FALSE;
  if (other.GetIncludeFaceName() && (!GetIncludeFaceName() || GetFaceIndex() != other.GetFaceIndex()))
    return FALSE;
  return TRUE;
}

CArchive& ReadFontFromArchive(CArchive& ar, CGXFont*& pFont) {
  pFont = static_cast<CGXFont*>(ar.ReadNewObject(RUNTIME_CLASS(CGXFont)));
  return ar;
}
