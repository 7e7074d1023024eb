// The grid library's process-wide state and system-colour table: construction, the portable half
// of the start-up, the engine registry, freeing at exit, and the long-operation bracket.
#include "GXGridState.h"

#include "GXControlFactory.h"

// The window-system half of the start-up (GXGridStateWin.cpp, or nothing natively).
void GXInitWindowSystem(GX_GRID_STATE* pState);

const UINT GXStateTextIds[gxTextCount] = {
    20139, 20140, 20141, 20142, 20143, 20144, 20145, 20146, 20162, 20163, 20164, 20165, 20147, 20148, 20150,
    20180, 20151, 20152, 20154, 20155, 20156, 20157, 20172, 20173, 20169, 20168, 20174, 20175, 20178, 20179};

GX_GRID_STATE::GX_GRID_STATE() = default;

GX_GRID_STATE::~GX_GRID_STATE() {
  delete m_pControlFactory;
  m_pControlFactory = nullptr;
  for (POSITION pos = m_appAutoDelete.GetHeadPosition(); pos != nullptr;)
    delete static_cast<CGXAbstractFeature*>(m_appAutoDelete.GetNext(pos));
  m_appAutoDelete.RemoveAll();
  for (POSITION pos = m_dataToGrids.GetStartPosition(); pos != nullptr;) {
    void* pKey;
    void* pList;
    m_dataToGrids.GetNextAssoc(pos, pKey, pList);
    delete static_cast<CPtrList*>(pList);
  }
  m_dataToGrids.RemoveAll();
}

GX_GRID_STATE* GXGetAppState() {
  // Built on first use, freed at exit with what it owns.
  static GX_GRID_STATE s_state;
  return &s_state;
}

void GX_GRID_STATE::SetVersion(DWORD dwVersion) {
  DWORD nMajor = dwVersion & 0xFF;
  DWORD nMinor = (dwVersion >> 8) & 0xFF;
  m_dwVersion = (nMajor << 8) + nMinor;
  m_bNotNT = (dwVersion & 0x80000000) != 0;
  m_bWin4 = nMajor >= 4;
  m_bBeforeWin4 = nMajor < 4;
  m_bWin32s = m_bNotNT && nMajor < 4;
}

void GX_GRID_STATE::LoadTexts() {
  for (int i = 0; i < gxTextCount; ++i)
    GXLoadString(GXStateTextIds[i], m_sText[i]);
  static const UINT kLongOperationTextIds[4] = {20075, 20076, 20077, 20081};
  for (int i = 0; i < 4; ++i)
    GXLoadString(kLongOperationTextIds[i], m_sLongOperationText[i]);
}

void GX_GRID_STATE::Init(int /*nValue*/, CGXAbstractControlFactory* pFactory, int /*a*/, int /*b*/) {
  if (pFactory != m_pControlFactory) {
    delete m_pControlFactory;
    m_pControlFactory = pFactory;
  }
  if (m_pControlFactory != nullptr)
    m_pControlFactory->InstallLibraryFeatures();
  LoadTexts();
  GXInitWindowSystem(this);
  GXGetSysColorState()->Refresh();
  m_bInitDone = TRUE;
}

void GX_GRID_STATE::AddAppAutoDelete(CGXAbstractFeature* pFeature) {
  m_appAutoDelete.AddHead(pFeature);
}

void GX_GRID_STATE::RegisterGridForData(const void* pObject, CGXGridCore* pGrid) {
  void* pList = nullptr;
  if (!m_dataToGrids.Lookup(const_cast<void*>(pObject), pList)) {
    pList = new CPtrList(10);
    m_dataToGrids[const_cast<void*>(pObject)] = pList;
  }
  static_cast<CPtrList*>(pList)->AddTail(pGrid);
}

void GX_GRID_STATE::UnregisterGrid(CGXGridCore* pGrid) {
  CPtrList emptied;
  for (POSITION pos = m_dataToGrids.GetStartPosition(); pos != nullptr;) {
    void* pKey;
    void* pValue;
    m_dataToGrids.GetNextAssoc(pos, pKey, pValue);
    CPtrList* pList = static_cast<CPtrList*>(pValue);
    POSITION posGrid;
    while ((posGrid = pList->Find(pGrid)) != nullptr)
      pList->RemoveAt(posGrid);
    if (pList->IsEmpty())
      emptied.AddTail(pKey);
  }
  // Keys are removed after the walk, which must not see its map change.
  for (POSITION pos = emptied.GetHeadPosition(); pos != nullptr;) {
    void* pKey = emptied.GetNext(pos);
    void* pValue = nullptr;
    m_dataToGrids.Lookup(pKey, pValue);
    delete static_cast<CPtrList*>(pValue);
    m_dataToGrids.RemoveKey(pKey);
  }
}

CPtrList* GX_GRID_STATE::GetGridsOfData(const void* pObject) const {
  void* pList = nullptr;
  if (!m_dataToGrids.Lookup(const_cast<void*>(pObject), pList))
    return nullptr;
  return static_cast<CPtrList*>(pList);
}

void GX_GRID_STATE::AddTabWindow(void* pTabWnd) {
  if (m_tabWindows.Find(pTabWnd) == nullptr)
    m_tabWindows.AddTail(pTabWnd);
}

CGXGridCore* GX_GRID_STATE::GetFirstGridOfData(const void* pObject) const {
  CPtrList* pList = GetGridsOfData(pObject);
  if (pList == nullptr || pList->IsEmpty())
    return nullptr;
  return static_cast<CGXGridCore*>(pList->GetHead());
}

namespace {
GX_FINDRESOURCE_PROC g_pfnFindResource = nullptr;
}  // namespace

void GXSetFindResourceProc(GX_FINDRESOURCE_PROC pfn) {
  g_pfnFindResource = pfn;
}

const BYTE* GXFindResource(LPCTSTR pszName, LPCTSTR pszType, UINT* pnSize) {
  *pnSize = 0;
  return g_pfnFindResource != nullptr ? g_pfnFindResource(pszName, pszType, pnSize) : nullptr;
}

BOOL GXLoadString(UINT nID, CString& s) {
  if (s.LoadString(nID))
    return TRUE;
  s.Empty();
  return FALSE;
}

// --- system colours -----------------------------------------------------------------------------

namespace {

// The classic Windows colours (0x00BBGGRR), answered where no platform is installed.
const DWORD kClassicSysColors[] = {
    0xC0C0C0, 0x808000, 0x800000, 0x808080, 0xC0C0C0, 0xFFFFFF, 0x000000, 0x000000,
    0x000000, 0xFFFFFF, 0xC0C0C0, 0xC0C0C0, 0x808080, 0x800000, 0xFFFFFF, 0xC0C0C0,
    0x808080, 0x808080, 0x000000, 0xC0C0C0, 0xFFFFFF, 0x000000, 0xC0C0C0, 0x000000,
    0xE1FFFF, 0xC0C0C0, 0xFF0000, 0xD08410, 0xB5B5B5, 0x800000, 0xC0C0C0};

GX_SYSCOLOR_PROC g_pfnSysColor = nullptr;

}  // namespace

void GXSetSysColorProc(GX_SYSCOLOR_PROC pfn) {
  g_pfnSysColor = pfn;
}

GX_SYSCOLOR_PROC GXGetSysColorProc() {
  return g_pfnSysColor;
}

DWORD GXGetSysColorFromPlatform(int nIndex) {
  if (g_pfnSysColor != nullptr)
    return g_pfnSysColor(nIndex);
  if (nIndex >= 0 && nIndex < (int)(sizeof(kClassicSysColors) / sizeof(kClassicSysColors[0])))
    return kClassicSysColors[nIndex];
  return 0;
}

GX_SYSCOLOR_STATE::GX_SYSCOLOR_STATE() {
  Refresh();
}

void GX_SYSCOLOR_STATE::Refresh() {
  m_nColorCount = 24;
  m_colors.SetSize(m_nColorCount);
  for (int i = 0; i < m_nColorCount; ++i)
    m_colors[i] = GXGetSysColorFromPlatform(i);
  // COLOR_BTNFACE, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT, COLOR_WINDOWFRAME, COLOR_3DLIGHT,
  // COLOR_3DDKSHADOW, COLOR_WINDOWTEXT, COLOR_WINDOW, COLOR_HIGHLIGHT, COLOR_HIGHLIGHTTEXT.
  m_clrBtnFace = GXGetSysColorFromPlatform(15);
  m_clrBtnShadow = GXGetSysColorFromPlatform(16);
  m_clrBtnHilite = GXGetSysColorFromPlatform(20);
  m_clrWindowFrame = GXGetSysColorFromPlatform(6);
  m_clr3DLight = GXGetSysColorFromPlatform(22);
  m_clr3DDkShadow = GXGetSysColorFromPlatform(21);
  m_clrWindowText = GXGetSysColorFromPlatform(8);
  m_clrWindow = GXGetSysColorFromPlatform(5);
  m_clrHighlight = GXGetSysColorFromPlatform(13);
  m_clrHighlightText = GXGetSysColorFromPlatform(14);
  m_bWin4 = GXGetAppState()->m_bWin4;
  m_nBorderX = m_nBorderY = m_bWin4 ? 2 : 1;
}

DWORD GX_SYSCOLOR_STATE::GetColor(int nIndex) const {
  if (nIndex >= 0 && nIndex < m_colors.GetSize())
    return m_colors[nIndex];
  return GXGetSysColorFromPlatform(nIndex);
}

GX_SYSCOLOR_STATE* GXGetSysColorState() {
  static GX_SYSCOLOR_STATE s_state;
  return &s_state;
}

// --- long operations ----------------------------------------------------------------------------

CGXLongOperation::CGXLongOperation() {
  GX_GRID_STATE* pState = GXGetAppState();
  if (pState->m_pLongOperationImp != nullptr)
    pState->m_pLongOperationImp->Begin(this);
  else
    ++pState->m_nLongOperationLevel;
}

CGXLongOperation::~CGXLongOperation() {
  GX_GRID_STATE* pState = GXGetAppState();
  if (pState->m_pLongOperationImp != nullptr)
    pState->m_pLongOperationImp->End(this);
  else
    --pState->m_nLongOperationLevel;
}

void CGXLongOperation::FreeStatusText() {
  if (CGXAbstractLongOperationImp* p = GXGetAppState()->m_pLongOperationImp)
    p->FreeStatusText(this);
}

BOOL CGXLongOperation::SetStatusText(LPCTSTR pszText, BOOL bCopy) {
  CGXAbstractLongOperationImp* p = GXGetAppState()->m_pLongOperationImp;
  return p != nullptr ? p->SetStatusText(this, pszText, bCopy) : FALSE;
}

BOOL CGXLongOperation::CheckAbort(BOOL* pbAbort) {
  if (pbAbort != nullptr)
    *pbAbort = FALSE;
  CGXAbstractLongOperationImp* p = GXGetAppState()->m_pLongOperationImp;
  return p != nullptr ? p->CheckAbort(this, pbAbort) : FALSE;
}

BOOL CGXLongOperation::ShowProgress() {
  CGXAbstractLongOperationImp* p = GXGetAppState()->m_pLongOperationImp;
  return p != nullptr ? p->ShowProgress(this) : FALSE;
}

void CGXLongOperation::ProcessMessages() {
  if (CGXAbstractLongOperationImp* p = GXGetAppState()->m_pLongOperationImp)
    p->ProcessMessages(this);
}
