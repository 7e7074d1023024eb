// User attribute values, the variant pool and the sorted attribute map of a style.
#include "GXUserAttribute.h"

#include "GXGridState.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const CString& EmptyString() {
  static const CString s_empty;
  return s_empty;
}

// A text reads as a number only when the number-formatting feature parses it and the number
// printed back with "%.13g" is the very same text.
bool ReadsAsNumber(LPCTSTR pszText, double& d) {
  CGXAbstractNumberFormattingImp* pImp = GXGetAppState()->m_pNumberFormattingImp;
  if (pImp == nullptr || !pImp->ParseValue(pszText, d))
    return false;
  char sz[64];
  std::snprintf(sz, sizeof(sz), "%.13g", d);
  return std::strcmp(sz, pszText) == 0;
}

}  // namespace

// --- the abstract attribute ---------------------------------------------------------------------

IMPLEMENT_SERIAL(CGXAbstractUserAttribute, CObject, 0)

void CGXAbstractUserAttribute::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar << GetValue();
  } else {
    CString s;
    ar >> s;
    SetValue(s);
  }
}

CGXAbstractUserAttribute& CGXAbstractUserAttribute::SetValue(LPCTSTR) { return *this; }
CGXAbstractUserAttribute& CGXAbstractUserAttribute::SetValue(const CString& s) { return SetValue((LPCTSTR)s); }
const CString& CGXAbstractUserAttribute::GetValue() const { return EmptyString(); }
LONG CGXAbstractUserAttribute::GetLongValue() const { return (LONG)std::atol(GetValueText()); }
DWORD CGXAbstractUserAttribute::GetDWordValue() const { return (DWORD)GetLongValue(); }
double CGXAbstractUserAttribute::GetDoubleValue() const { return std::atof(GetValueText()); }
CGXAbstractUserAttribute* CGXAbstractUserAttribute::Clone() const { return nullptr; }

BOOL CGXAbstractUserAttribute::IsEqual(const CGXAbstractUserAttribute& other) const {
  return m_nId == other.m_nId && std::strcmp(GetValueText(), other.GetValueText()) == 0;
}

BOOL CGXAbstractUserAttribute::IsEmpty() const { return GetValue().IsEmpty(); }

// --- text or number -----------------------------------------------------------------------------

IMPLEMENT_SERIAL(CGXUserAttribute, CGXAbstractUserAttribute, 0)

CGXUserAttribute::CGXUserAttribute(const CGXUserAttribute& other) : CGXAbstractUserAttribute() {
  m_nId = other.m_nId;
  m_nType = other.m_nType;
  if (m_nType == vtText) {
    m_nType = vtEmpty;
    SetText(other.m_value.pszText, std::strlen(other.m_value.pszText));
  } else {
    m_value = other.m_value;
  }
}

CGXUserAttribute::~CGXUserAttribute() { FreeText(); }

void CGXUserAttribute::FreeText() {
  if (m_nType == vtText)
    delete[] m_value.pszText;
  m_nType = vtEmpty;
  std::memset(&m_value, 0, sizeof(m_value));
}

void CGXUserAttribute::SetText(LPCTSTR pszText, size_t nLen) {
  FreeText();
  if (nLen == 0)
    return;
  if (nLen <= 8) {
    std::memcpy(m_value.bytes, pszText, nLen);
    m_nType = vtShortText;
  } else {
    char* p = new char[nLen + 1];
    std::memcpy(p, pszText, nLen);
    p[nLen] = '\0';
    m_value.pszText = p;
    m_nType = vtText;
  }
}

CGXAbstractUserAttribute& CGXUserAttribute::SetValue(LPCTSTR pszValue) {
  FreeText();
  if (pszValue == nullptr || *pszValue == '\0')
    return *this;
  double d;
  if (ReadsAsNumber(pszValue, d)) {
    m_value.d = d;
    m_nType = vtDouble;
    return *this;
  }
  SetText(pszValue, std::strlen(pszValue));
  return *this;
}

void CGXUserAttribute::SetDWord(DWORD dw) {
  FreeText();
  m_value.dw = dw;
  m_nType = vtDWord;
}

void CGXUserAttribute::SetLong(LONG n) {
  FreeText();
  m_value.n = n;
  m_nType = vtLong;
}

void CGXUserAttribute::SetDouble(double d) {
  FreeText();
  m_value.d = d;
  m_nType = vtDouble;
}

void CGXUserAttribute::SetBytes8(const BYTE* pBytes) {
  FreeText();
  std::memcpy(m_value.bytes, pBytes, 8);
  m_nType = vtBytes8;
}

CString CGXUserAttribute::GetText() const {
  if (m_nType == vtShortText) {
    size_t n = 0;
    while (n < 8 && m_value.bytes[n] != 0)
      ++n;
    return CString((LPCTSTR)m_value.bytes, (int)n);
  }
  if (m_nType == vtText)
    return CString(m_value.pszText);
  return CString();
}

const CString& CGXUserAttribute::GetValue() const {
  char sz[64];
  switch (m_nType) {
    case vtEmpty:
      m_sValue.Empty();
      break;
    case vtDWord:
      std::snprintf(sz, sizeof(sz), "%lu", (unsigned long)m_value.dw);
      m_sValue = sz;
      break;
    case vtLong:
      std::snprintf(sz, sizeof(sz), "%ld", (long)m_value.n);
      m_sValue = sz;
      break;
    case vtShortText:
    case vtText:
      m_sValue = GetText();
      break;
    case vtDouble:
      std::snprintf(sz, sizeof(sz), "%.13g", m_value.d);
      m_sValue = sz;
      break;
    case vtBytes8: {
      DWORD lo, hi;
      std::memcpy(&lo, m_value.bytes, 4);
      std::memcpy(&hi, m_value.bytes + 4, 4);
      std::snprintf(sz, sizeof(sz), "%08x%08x", (unsigned)lo, (unsigned)hi);
      m_sValue = sz;
      break;
    }
    default:
      m_sValue = "Value?";
      break;
  }
  return m_sValue;
}

LONG CGXUserAttribute::GetLongValue() const {
  switch (m_nType) {
    case vtDWord:
      return (LONG)m_value.dw;
    case vtLong:
      return m_value.n;
    case vtShortText:
    case vtText:
      return (LONG)std::atol(GetText());
    case vtDouble:
      if (!(m_value.d > -2147483649.0 && m_value.d < 2147483648.0))
        return 0;
      return (LONG)m_value.d;
    default:
      return 0;
  }
}

DWORD CGXUserAttribute::GetDWordValue() const { return (DWORD)GetLongValue(); }

double CGXUserAttribute::GetDoubleValue() const {
  switch (m_nType) {
    case vtDWord:
      return m_value.dw;
    case vtLong:
      return m_value.n;
    case vtShortText:
    case vtText:
      return std::atof(GetText());
    case vtDouble:
      return m_value.d;
    default:
      return 0;
  }
}

CGXAbstractUserAttribute* CGXUserAttribute::Clone() const { return new CGXUserAttribute(*this); }

BOOL CGXUserAttribute::IsEqual(const CGXAbstractUserAttribute& other) const {
  const CGXUserAttribute* p = dynamic_cast<const CGXUserAttribute*>(&other);
  if (p == nullptr || m_nId != other.m_nId || m_nType != p->m_nType)
    return FALSE;
  switch (m_nType) {
    case vtDWord:
      return m_value.dw == p->m_value.dw;
    case vtLong:
      return m_value.n == p->m_value.n;
    case vtShortText:
    case vtText:
      return GetText() == p->GetText();
    case vtDouble:
      return m_value.d == p->m_value.d;
    case vtBytes8:
      return std::memcmp(m_value.bytes, p->m_value.bytes, 8) == 0;
    default:
      return TRUE;
  }
}

void CGXUserAttribute::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar << (BYTE)m_nType;
    if (m_nType == vtShortText || m_nType == vtText)
      ar << GetText();
    else
      ar.Write(m_value.bytes, 8);
    return;
  }
  BYTE nType;
  ar >> nType;
  FreeText();
  if (nType == vtShortText || nType == vtText) {
    CString s;
    ar >> s;
    SetText(s, (size_t)s.GetLength());
    if (s.IsEmpty())
      m_nType = vtShortText;
    return;
  }
  BYTE bytes[8];
  if (ar.Read(bytes, 8) != 8)
    AfxThrowArchiveException(CArchiveException::endOfFile, ar.m_strFileName);
  std::memcpy(m_value.bytes, bytes, 8);
  m_nType = nType;
}

// --- ellipsis kind ------------------------------------------------------------------------------

IMPLEMENT_SERIAL(CGXEllipseUserAttribute, CGXAbstractUserAttribute, 0)

void CGXEllipseUserAttribute::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    if (m_nValue < 0 || m_nValue > 0xFFFF)
      AfxThrowArchiveException(CArchiveException::generic, ar.m_strFileName);
    ar << (WORD)m_nValue;
  } else {
    WORD w;
    ar >> w;
    m_nValue = w;
  }
}

CGXAbstractUserAttribute* CGXEllipseUserAttribute::Clone() const {
  CGXEllipseUserAttribute* p = new CGXEllipseUserAttribute(m_nValue);
  p->m_nId = m_nId;
  return p;
}

BOOL CGXEllipseUserAttribute::IsEqual(const CGXAbstractUserAttribute& other) const {
  return m_nValue == other.GetLongValue();
}

// --- OLE variants -------------------------------------------------------------------------------

CGXVariantPool::~CGXVariantPool() {
  for (COleVariant* p : m_free)
    delete p;
}

COleVariant* CGXVariantPool::Take() {
  if (m_free.empty())
    return new COleVariant;
  COleVariant* p = m_free.front();
  m_free.erase(m_free.begin());
  return p;
}

void CGXVariantPool::Give(COleVariant* pVariant) {
  pVariant->Clear();
  m_free.push_back(pVariant);
}

CGXVariantPool* GXGetVariantPool() {
  static CGXVariantPool s_pool;
  return &s_pool;
}

IMPLEMENT_SERIAL(CGXOleVarUserAttribute, CGXAbstractUserAttribute, 0)

CGXOleVarUserAttribute::~CGXOleVarUserAttribute() {
  if (m_pVariant != nullptr)
    GXGetVariantPool()->Give(m_pVariant);
}

void CGXOleVarUserAttribute::SetVariant(const COleVariant& value) {
  if (m_pVariant == nullptr)
    m_pVariant = GXGetVariantPool()->Take();
  else
    m_pVariant->Clear();
  *m_pVariant = value;
}

void CGXOleVarUserAttribute::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar << (DWORD)0;
  } else {
    DWORD dwIgnored;
    ar >> dwIgnored;
    if (m_pVariant != nullptr)
      m_pVariant->Clear();
  }
}

CGXAbstractUserAttribute* CGXOleVarUserAttribute::Clone() const {
  CGXOleVarUserAttribute* p = new CGXOleVarUserAttribute;
  p->m_nId = m_nId;
  if (m_pVariant != nullptr)
    p->SetVariant(*m_pVariant);
  return p;
}

BOOL CGXOleVarUserAttribute::IsEmpty() const { return m_pVariant == nullptr || m_pVariant->vt == VT_EMPTY; }

BOOL CGXOleVarUserAttribute::IsSameVariant(const CGXOleVarUserAttribute& other) const {
  return m_nId == other.m_nId && m_pVariant == other.m_pVariant;
}

// --- the map ------------------------------------------------------------------------------------

IMPLEMENT_SERIAL(CGXUserAttributeMap, CObArray, 0)

CGXUserAttributeMap::~CGXUserAttributeMap() { RemoveAll(); }

void CGXUserAttributeMap::RemoveAll() {
  for (int i = 0; i < GetSize(); ++i)
    delete GetAt(i);
  CObArray::RemoveAll();
}

int CGXUserAttributeMap::FindIndex(WORD nId) const {
  int lo = 0, hi = GetSize() - 1;
  while (lo <= hi) {
    int mid = (lo + hi) / 2;
    WORD nMid = GetAttributeAt(mid)->m_nId;
    if (nMid == nId)
      return mid;
    if (nMid < nId)
      lo = mid + 1;
    else
      hi = mid - 1;
  }
  return -1;
}

void CGXUserAttributeMap::Sort() {
  CObject** p = GetData();
  if (p != nullptr)
    std::stable_sort(p, p + GetSize(), [](CObject* a, CObject* b) {
      return static_cast<CGXAbstractUserAttribute*>(a)->m_nId < static_cast<CGXAbstractUserAttribute*>(b)->m_nId;
    });
}

void CGXUserAttributeMap::SetAttribute(WORD nId, const CGXAbstractUserAttribute& value) {
  CGXAbstractUserAttribute* p = value.Clone();
  if (p != nullptr)
    SetAttributePtr(nId, p);
}

void CGXUserAttributeMap::SetAttributePtr(WORD nId, CGXAbstractUserAttribute* pAttribute) {
  pAttribute->m_nId = nId;
  int i = FindIndex(nId);
  if (i >= 0) {
    delete GetAt(i);
    SetAt(i, pAttribute);
    return;
  }
  try {
    Add(pAttribute);
  } catch (...) {
    delete pAttribute;
    throw;
  }
  Sort();
}

void CGXUserAttributeMap::RemoveAttribute(WORD nId) {
  int i = FindIndex(nId);
  if (i < 0)
    return;
  delete GetAt(i);
  RemoveAt(i);
}

const CGXAbstractUserAttribute* CGXUserAttributeMap::GetAttribute(WORD nId) const {
  int i = FindIndex(nId);
  return i < 0 ? nullptr : GetAttributeAt(i);
}

void CGXUserAttributeMap::ChangeMap(const CGXUserAttributeMap* pOther, int nMode) {
  if (pOther == this)
    return;
  if (nMode == 2)
    RemoveAll();
  if (pOther == nullptr)
    return;
  if (nMode == 3) {
    for (int i = 0; i < pOther->GetSize(); ++i)
      RemoveAttribute(pOther->GetAttributeAt(i)->m_nId);
    return;
  }
  std::vector<CGXAbstractUserAttribute*> added;
  try {
    for (int i = 0; i < pOther->GetSize(); ++i) {
      const CGXAbstractUserAttribute* pSrc = pOther->GetAttributeAt(i);
      int j = FindIndex(pSrc->m_nId);
      if (j >= 0 && nMode == 1)
        continue;
      CGXAbstractUserAttribute* pCopy = pSrc->Clone();
      if (pCopy == nullptr)
        continue;
      pCopy->m_nId = pSrc->m_nId;
      if (j >= 0) {
        delete GetAt(j);
        SetAt(j, pCopy);
      } else {
        added.push_back(pCopy);
      }
    }
    for (size_t k = 0; k < added.size(); ++k) {
      Add(added[k]);
      added[k] = nullptr;
    }
  } catch (...) {
    for (CGXAbstractUserAttribute* p : added)
      delete p;
    Sort();
    throw;
  }
  Sort();
}

void CGXUserAttributeMap::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    if (GetSize() > 0xFFFF)
      AfxThrowArchiveException(CArchiveException::generic, ar.m_strFileName);
    ar << (WORD)GetSize();
    for (int i = 0; i < GetSize(); ++i) {
      CGXAbstractUserAttribute* p = GetAttributeAt(i);
      ar << static_cast<const CObject*>(p);
      ar << p->m_nId;
    }
    return;
  }
  RemoveAll();
  WORD nCount;
  ar >> nCount;
  for (WORD i = 0; i < nCount; ++i) {
    CGXAbstractUserAttribute* p =
        static_cast<CGXAbstractUserAttribute*>(ar.ReadNewObject(RUNTIME_CLASS(CGXAbstractUserAttribute)));
    if (p == nullptr)
      AfxThrowArchiveException(CArchiveException::badIndex, ar.m_strFileName);
    WORD nId;
    try {
      ar >> nId;
    } catch (...) {
      delete p;
      throw;
    }
    SetAttributePtr(nId, p);
  }
}
