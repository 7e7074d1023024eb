// Grid properties: the defaults, named colours, user properties and page tokens.
#include "GXProperties.h"

#include "GXGridState.h"

IMPLEMENT_SERIAL(CGXProperties, CObject, 0)

namespace {

const UINT kFrameTextIds[5] = {51006, 51007, 51008, 51009, 20059};
const WORD kCurrentCellPropertyId = 51005;

}  // namespace

CGXProperties::CGXProperties(NoDefaults) : m_pAppState(GXGetAppState()) {}

CGXProperties::CGXProperties() : m_pAppState(GXGetAppState()) {
  for (int i = 0; i < 5; ++i)
    GXLoadString(kFrameTextIds[i], m_sFrameTexts[i]);
  AddColor(52232, (DWORD)(254 - 17) << 24);  // "Grid Lines": COLOR_GRAYTEXT
  AddColor(52233, (DWORD)(254 - 2) << 24);   // "Fixed Lines": COLOR_ACTIVECAPTION
  AddColor(52234, 0x0000FF);                 // "Tracking Line": red
  AddColor(52236, 0x0000FF);                 // "Dragging Line": red
  AddColor(52235, (DWORD)(254 - 15) << 24);  // "Background": COLOR_BTNFACE
  double g = m_pAppState->m_nBaseUnit;
  m_nMargins[0] = (LONG)(g * 1.5);
  m_nMargins[1] = (LONG)g;
  m_nMargins[2] = (LONG)(g * 1.5);
  m_nMargins[3] = (LONG)g;
  m_nDistances[0] = m_nDistances[1] = (LONG)(g * 0.4);
  for (LPCTSTR pszToken : {"$F", "$A", "$P", "$N", "$D", "$R"})
    AddToken(pszToken);

  CGXStyle style;
  m_header.SetColCount(3);
  m_header.SetRowCount(10);
  CGXFont bold;
  bold.SetWeight(700);
  bold.SetSize(16);
  style.SetValue("$R");
  style.SetFont(bold);
  m_header.StoreStyleRowCol(1, 2, &style, CGXStyle::modeCopy, 0);
  m_footer.SetColCount(3);
  m_footer.SetRowCount(10);
  style.Free();
  style.SetValue("$D");
  m_footer.StoreStyleRowCol(1, 1, &style, CGXStyle::modeCopy, 0);
  style.SetValue("$P/$N");
  m_footer.StoreStyleRowCol(1, 3, &style, CGXStyle::modeCopy, 0);
}

CGXProperties::CGXProperties(const CGXProperties& other) : CGXProperties(NoDefaults()) {
  *this = other;
}

CGXProperties::~CGXProperties() {
  RemoveAll();
}

CGXProperties& CGXProperties::operator=(const CGXProperties& other) {
  if (&other != this) {
    if (CGXAbstractGridParamCopyOperatorImp* p = m_pAppState->m_pParamCopyOperatorImp)
      p->CopyProperties(*this, other);
  }
  return *this;
}

void CGXProperties::Serialize(CArchive& ar) {
  if (CGXAbstractGridDocSerializeImp* p = m_pAppState->m_pGridDocSerializeImp)
    p->SerializeProperties(this, ar);
}

void CGXProperties::AddDefaultUserProperties() {
  CString sChoices;
  for (int i = 0; i < 5; ++i) {
    if (i > 0)
      sChoices += '\n';
    sChoices += m_sFrameTexts[i];
  }
  CGXStyle style;
  style.SetControl(52529);
  style.SetChoiceText(sChoices);
  style.SetValue(m_sFrameTexts[0]);
  AddUserProperty(kCurrentCellPropertyId, style);
}

// The profile is the grid profile feature's, which this library does not carry.
void CGXProperties::WriteProfile() const {}
BOOL CGXProperties::ReadProfile() { return FALSE; }
CString CGXProperties::GetPageText(LPCTSTR, int) { return CString(); }
CString CGXProperties::GetPageTextRange(LPCTSTR, int, int) { return CString(); }

int CGXProperties::AddColor(UINT nNameId, DWORD dwColor) {
  CString sName;
  if (!GXLoadString(nNameId, sName))
    sName.Format("COLOR%u", nNameId);
  for (int i = 0; i < m_colorNames.GetSize(); ++i)
    if (m_colorNames[i] == sName)
      return i;
  int i = m_colorNames.Add(sName);
  m_colors.SetAtGrow(i, dwColor);
  return i;
}

DWORD CGXProperties::GetColor(int nIndex) const {
  if (nIndex < 0 || nIndex >= m_colors.GetSize() || nIndex >= m_colorNames.GetSize())
    return 0;
  return m_colors[nIndex];
}

void CGXProperties::SetUserPropertyEntry(WORD nId, LPCTSTR pszName, CGXStyle* pStyle) {
  void* p = nullptr;
  if (m_userProperties.Lookup(nId, p)) {
    GXUserPropertyEntry* pEntry = static_cast<GXUserPropertyEntry*>(p);
    delete pEntry->pStyle;
    pEntry->pStyle = pStyle;
    return;
  }
  GXUserPropertyEntry* pEntry = new GXUserPropertyEntry;
  pEntry->nId = nId;
  pEntry->sName = pszName;
  pEntry->pStyle = pStyle;
  m_userProperties[nId] = pEntry;
}

void CGXProperties::AddUserProperty(WORD nId, const CGXStyle& style) {
  CString sName;
  void* p = nullptr;
  if (!m_userProperties.Lookup(nId, p) && !GXLoadString(nId, sName))
    sName.Format("USERPROP%u", (unsigned)nId);
  SetUserPropertyEntry(nId, sName, style.Clone());
}

const CGXStyle& CGXProperties::GetUserProperty(WORD nId) const {
  void* p = nullptr;
  if (m_userProperties.Lookup(nId, p))
    return *static_cast<GXUserPropertyEntry*>(p)->pStyle;
  return m_defaultUserProperty;
}

int CGXProperties::AddToken(LPCTSTR pszToken) {
  return m_tokens.Add(pszToken);
}

void CGXProperties::RemoveAll() {
  m_colorNames.RemoveAll();
  m_colors.RemoveAll();
  for (POSITION pos = m_userProperties.GetStartPosition(); pos != nullptr;) {
    WORD nId;
    void* p;
    m_userProperties.GetNextAssoc(pos, nId, p);
    GXUserPropertyEntry* pEntry = static_cast<GXUserPropertyEntry*>(p);
    delete pEntry->pStyle;
    delete pEntry;
  }
  m_userProperties.RemoveAll();
}
