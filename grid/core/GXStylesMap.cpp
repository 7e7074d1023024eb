// Named base styles: registering by name and by string id, lookups, the three standard styles,
// registered controls and user attributes.
#include "GXStylesMap.h"

#include "GXGridState.h"

IMPLEMENT_SERIAL(CGXStylesMap, CObject, 0)

CGXStylesMap::CGXStylesMap(CRuntimeClass* pStyleClass)
    : m_pStyleClass(pStyleClass != nullptr ? pStyleClass : RUNTIME_CLASS(CGXStyle)) {}

CGXStylesMap::CGXStylesMap(const CGXStylesMap& other) : CObject(), m_pStyleClass(other.m_pStyleClass) {
  *this = other;
}

CGXStylesMap::~CGXStylesMap() {
  RemoveAll();
}

CGXStylesMap& CGXStylesMap::operator=(const CGXStylesMap& other) {
  if (&other != this) {
    if (CGXAbstractGridParamCopyOperatorImp* p = GXGetAppState()->m_pParamCopyOperatorImp)
      p->CopyStylesMap(*this, other);
  }
  return *this;
}

void CGXStylesMap::Serialize(CArchive& ar) {
  if (CGXAbstractGridDocSerializeImp* p = GXGetAppState()->m_pGridDocSerializeImp)
    p->SerializeStylesMap(this, ar);
}

// The profile is the grid profile feature's, which this library does not carry.
void CGXStylesMap::WriteProfile() const {}
BOOL CGXStylesMap::ReadProfile() { return FALSE; }

CGXStyle* CGXStylesMap::CreateStyle() const {
  CObject* p = m_pStyleClass->CreateObject();
  CGXStyle* pStyle = dynamic_cast<CGXStyle*>(p);
  if (pStyle == nullptr) {
    delete p;
    pStyle = new CGXStyle;
  }
  return pStyle;
}

GXBaseStyleEntry* CGXStylesMap::GetEntry(WORD nId) const {
  void* p = nullptr;
  return m_baseStyles.Lookup(nId, p) ? static_cast<GXBaseStyleEntry*>(p) : nullptr;
}

GXBaseStyleEntry* CGXStylesMap::SetEntry(WORD nId, UINT nResourceId, LPCTSTR pszName, const CGXStyle& style,
                                         DWORD nFlags) {
  CGXStyle* pClone = style.Clone();
  GXBaseStyleEntry* pEntry = GetEntry(nId);
  if (pEntry != nullptr) {
    delete pEntry->pStyle;
    pEntry->pStyle = pClone;
    return pEntry;
  }
  pEntry = new GXBaseStyleEntry;
  pEntry->nId = nId;
  pEntry->nResourceId = nResourceId;
  pEntry->sName = pszName;
  pEntry->pStyle = pClone;
  pEntry->nFlags = nFlags;
  m_baseStyles[nId] = pEntry;
  return pEntry;
}

WORD CGXStylesMap::RegisterStyle(LPCTSTR pszName, const CGXStyle& style, DWORD nFlags) {
  WORD nId;
  if (!LookupBaseStyleId(pszName, nId)) {
    nId = AllocateId();
    m_names[pszName] = (void*)(UINT_PTR)nId;
  }
  SetEntry(nId, 0, pszName, style, nFlags);
  return nId;
}

WORD CGXStylesMap::RegisterStyleFromResId(UINT nResourceId, const CGXStyle& style, DWORD nFlags) {
  CString sName;
  if (!GXLoadString(nResourceId, sName))
    sName.Format("UA%u", nResourceId);
  WORD nId;
  if (!LookupBaseStyleIdFromResId(nResourceId, nId)) {
    nId = AllocateId();
    MapResourceId(nResourceId, nId);
  }
  m_names[sName] = (void*)(UINT_PTR)nId;
  SetEntry(nId, nResourceId, sName, style, nFlags);
  return nId;
}

void CGXStylesMap::MapResourceId(UINT nResourceId, WORD nId) {
  m_resourceIds[(void*)(UINT_PTR)nResourceId] = nId;
}

BOOL CGXStylesMap::LookupBaseStyleId(LPCTSTR pszName, WORD& nId) const {
  void* p = nullptr;
  if (!m_names.Lookup(pszName, p))
    return FALSE;
  nId = (WORD)(UINT_PTR)p;
  return TRUE;
}

WORD CGXStylesMap::GetBaseStyleId(LPCTSTR pszName) const {
  WORD nId = 0;
  return LookupBaseStyleId(pszName, nId) ? nId : 0;
}

BOOL CGXStylesMap::LookupBaseStyleIdFromResId(UINT nResourceId, WORD& nId) const {
  return m_resourceIds.Lookup((void*)(UINT_PTR)nResourceId, nId);
}

WORD CGXStylesMap::GetBaseStyleIdFromResId(UINT nResourceId) const {
  WORD nId = 0;
  return LookupBaseStyleIdFromResId(nResourceId, nId) ? nId : 0;
}

LPCTSTR CGXStylesMap::GetStyleName(WORD nId, UINT& nResourceId) const {
  GXBaseStyleEntry* pEntry = GetEntry(nId);
  if (pEntry == nullptr) {
    nResourceId = 0;
    return nullptr;
  }
  nResourceId = pEntry->nResourceId;
  return pEntry->sName;
}

BOOL CGXStylesMap::LookupStyle(WORD nId, const CGXStyle*& pStyle) const {
  GXBaseStyleEntry* pEntry = GetEntry(nId);
  if (pEntry == nullptr)
    return FALSE;
  pStyle = pEntry->pStyle;
  return TRUE;
}

BOOL CGXStylesMap::LookupStyle(WORD nId, CGXStyle*& pStyle) {
  GXBaseStyleEntry* pEntry = GetEntry(nId);
  if (pEntry == nullptr)
    return FALSE;
  pStyle = pEntry->pStyle;
  return TRUE;
}

void CGXStylesMap::GetNextStyle(POSITION& pos, WORD& nId, CString& sName, UINT& nResourceId,
                                const CGXStyle*& pStyle) const {
  void* pValue;
  m_names.GetNextAssoc(pos, sName, pValue);
  nId = (WORD)(UINT_PTR)pValue;
  GXBaseStyleEntry* pEntry = GetEntry(nId);
  nResourceId = pEntry != nullptr ? pEntry->nResourceId : 0;
  pStyle = pEntry != nullptr ? pEntry->pStyle : nullptr;
}

void CGXStylesMap::CreateStandardStyles() {
  CGXStyle* pStyle = CreateStyle();
  try {
    pStyle->SetDefaultStandard();
    CGXFont font;
    font.SetFaceName("Arial");
    font.SetSize(8);
    pStyle->SetFont(font);
    m_nStandardStyleId = RegisterStyleFromResId(GX_IDS_STYLE_STANDARD, *pStyle);

    const DWORD kBtnFace = (DWORD)(254 - 15) << 24;
    pStyle->Free();
    CGXFont bold;
    bold.SetWeight(700);
    pStyle->SetFont(bold);
    pStyle->SetInterior(kBtnFace);
    pStyle->SetHAlign(1);
    pStyle->SetVerticalAlignment(4);
    pStyle->SetControl(52520);
    m_nColHeaderStyleId = RegisterStyleFromResId(GX_IDS_STYLE_COLHEADER, *pStyle);

    pStyle->Free();
    pStyle->SetControl(52520);
    pStyle->SetInterior(kBtnFace);
    m_nRowHeaderStyleId = RegisterStyleFromResId(GX_IDS_STYLE_ROWHEADER, *pStyle);
  } catch (...) {
    delete pStyle;
    throw;
  }
  delete pStyle;
}

void CGXStylesMap::AddControl(WORD nControlId) {
  if (IsControlRegistered(nControlId))
    return;
  CString sName;
  if (!GXLoadString(nControlId, sName))
    AfxThrowResourceException();
  m_controls[nControlId] = new CString(sName);
}

BOOL CGXStylesMap::IsControlRegistered(WORD nControlId) const {
  void* p;
  return m_controls.Lookup(nControlId, p);
}

CString CGXStylesMap::GetControlName(WORD nControlId) const {
  void* p = nullptr;
  return m_controls.Lookup(nControlId, p) ? *static_cast<CString*>(p) : CString();
}

void CGXStylesMap::SetUserAttributeName(WORD nId, LPCTSTR pszName) {
  void* p = nullptr;
  if (m_userAttributeNames.Lookup(nId, p)) {
    *static_cast<CString*>(p) = pszName;
    return;
  }
  m_userAttributeNames[nId] = new CString(pszName);
}

void CGXStylesMap::AddUserAttributeName(UINT nResourceId) {
  void* p;
  if (m_userAttributeNames.Lookup((WORD)nResourceId, p))
    return;
  CString sName;
  if (!GXLoadString(nResourceId & 0xFFFF, sName))
    AfxThrowResourceException();
  SetUserAttributeName((WORD)nResourceId, sName);
}

void CGXStylesMap::SetUserAttributeEntry(WORD nId, LPCTSTR pszName, CGXStyle* pStyle) {
  void* p = nullptr;
  if (m_userAttributes.Lookup(nId, p)) {
    GXUserAttributeEntry* pEntry = static_cast<GXUserAttributeEntry*>(p);
    delete pEntry->pStyle;
    pEntry->pStyle = pStyle;
    pEntry->sName = pszName;
    return;
  }
  GXUserAttributeEntry* pEntry = new GXUserAttributeEntry;
  pEntry->nId = nId;
  pEntry->sName = pszName;
  pEntry->pStyle = pStyle;
  m_userAttributes[nId] = pEntry;
}

void CGXStylesMap::AddUserAttribute(UINT nResourceId, const CGXStyle* pDefault) {
  void* p;
  if (m_userAttributes.Lookup((WORD)nResourceId, p))
    return;
  CString sName;
  if (!GXLoadString(nResourceId, sName))
    AfxThrowResourceException();
  CGXStyle* pStyle = CreateStyle();
  try {
    if (pDefault != nullptr)
      *pStyle = *pDefault;
  } catch (...) {
    delete pStyle;
    throw;
  }
  SetUserAttributeEntry((WORD)nResourceId, sName, pStyle);
}

void CGXStylesMap::RemoveStyles() {
  for (POSITION pos = m_baseStyles.GetStartPosition(); pos != nullptr;) {
    WORD nId;
    void* p;
    m_baseStyles.GetNextAssoc(pos, nId, p);
    GXBaseStyleEntry* pEntry = static_cast<GXBaseStyleEntry*>(p);
    delete pEntry->pStyle;
    delete pEntry;
  }
  m_baseStyles.RemoveAll();
  m_names.RemoveAll();
  for (POSITION pos = m_controls.GetStartPosition(); pos != nullptr;) {
    WORD nId;
    void* p;
    m_controls.GetNextAssoc(pos, nId, p);
    delete static_cast<CString*>(p);
  }
  m_controls.RemoveAll();
  m_nNextId = 0;
}

void CGXStylesMap::RemoveUserAttributeNames() {
  for (POSITION pos = m_userAttributeNames.GetStartPosition(); pos != nullptr;) {
    WORD nId;
    void* p;
    m_userAttributeNames.GetNextAssoc(pos, nId, p);
    delete static_cast<CString*>(p);
  }
  m_userAttributeNames.RemoveAll();
}

void CGXStylesMap::RemoveAll() {
  RemoveStyles();
  RemoveUserAttributeNames();
  for (POSITION pos = m_userAttributes.GetStartPosition(); pos != nullptr;) {
    WORD nId;
    void* p;
    m_userAttributes.GetNextAssoc(pos, nId, p);
    GXUserAttributeEntry* pEntry = static_cast<GXUserAttributeEntry*>(p);
    delete pEntry->pStyle;
    delete pEntry;
  }
  m_userAttributes.RemoveAll();
}
