// The bitmaps of "#BMP(" texts: parsing the texts, the shared pool and the bitmap holder.
#include "GXDIBPool.h"

#include <cstdlib>
#include <memory>

IMPLEMENT_DYNAMIC(CGXDIB, CObject)
IMPLEMENT_DYNAMIC(CGXDIBPool, CObject)

namespace {

CGXDIBPlatform* g_pDIBPlatform = nullptr;

const char kBitmapPrefix[] = "#BMP(";

}  // namespace

void GXSetDIBPlatform(CGXDIBPlatform* pPlatform) { g_pDIBPlatform = pPlatform; }
CGXDIBPlatform* GXGetDIBPlatform() { return g_pDIBPlatform; }

CGXDIB::~CGXDIB() { Free(); }

void CGXDIB::Free() {
  if (m_hDIB != nullptr && m_bAutoFree && g_pDIBPlatform != nullptr)
    g_pDIBPlatform->FreeDIB(m_hDIB, m_nKind);
  m_hDIB = nullptr;
}

BOOL CGXDIB::Attach(void* hDIB, int nKind) {
  Free();
  if (hDIB == nullptr)
    return FALSE;
  m_hDIB = hDIB;
  m_nKind = nKind;
  m_nWidth = m_nHeight = 0;
  m_nColors = 0;
  if (g_pDIBPlatform != nullptr)
    g_pDIBPlatform->ReadHeader(hDIB, nKind, m_nWidth, m_nHeight, m_nColors);
  return TRUE;
}

void* CGXDIB::Detach() {
  void* h = m_hDIB;
  m_hDIB = nullptr;
  return h;
}

CGXDIBPool::~CGXDIBPool() { RemoveAll(); }

void CGXDIBPool::RemoveAll() {
  for (POSITION pos = m_map.GetStartPosition(); pos != nullptr;) {
    CString sKey;
    void* p = nullptr;
    m_map.GetNextAssoc(pos, sKey, p);
    Entry* pEntry = static_cast<Entry*>(p);
    if (g_pDIBPlatform != nullptr && pEntry->hDIB != nullptr)
      g_pDIBPlatform->FreeDIB(pEntry->hDIB, pEntry->nKind);
    delete pEntry;
  }
  m_map.RemoveAll();
}

void CGXDIBPool::MakeIdKey(UINT nId, CString& sKey) { sKey.Format("%s%u)", kBitmapPrefix, nId); }

int CGXDIBPool::ParseBitmapText(LPCTSTR pszText, CString& sKey, UINT& nId, CString& sName) {
  nId = 0;
  sName.Empty();
  sKey.Empty();
  if (pszText == nullptr)
    return 0;
  const CString sText = pszText;
  const int nPrefix = (int)sizeof(kBitmapPrefix) - 1;
  if (sText.GetLength() < nPrefix || sText.Left(nPrefix).CompareNoCase(kBitmapPrefix) != 0)
    return 0;
  const int nQuote = sText.Find('"', nPrefix);
  if (nQuote < 0) {
    const unsigned long n = std::strtoul((LPCTSTR)sText + nPrefix, nullptr, 10);
    if (n == 0 || n > 0xFFFF)
      return 0;
    nId = (UINT)n;
    MakeIdKey(nId, sKey);
    return 1;
  }
  const int nEnd = sText.Find('"', nQuote + 1);
  if (nEnd < 0 || nEnd == nQuote + 1)
    return 0;
  sName = sText.Mid(nQuote + 1, nEnd - nQuote - 1);
  sKey = sName;
  return 1;
}

void* CGXDIBPool::GetDIB(LPCTSTR pszText) {
  CString sKey, sName;
  UINT nId = 0;
  if (!ParseBitmapText(pszText, sKey, nId, sName))
    return nullptr;
  void* p = nullptr;
  if (m_map.Lookup(sKey, p))
    return static_cast<Entry*>(p)->hDIB;
  if (g_pDIBPlatform == nullptr)
    return nullptr;
  int nKind = gxDibGlobal;
  void* hDIB = g_pDIBPlatform->LoadDIBResource(sName.IsEmpty() ? nullptr : (LPCTSTR)sName, nId, nKind);
  if (hDIB == nullptr)
    return nullptr;
  std::unique_ptr<Entry> pEntry(new Entry{hDIB, nKind});
  try {
    m_map.SetAt(sKey, pEntry.get());
  } catch (...) {
    g_pDIBPlatform->FreeDIB(hDIB, nKind);
    throw;
  }
  pEntry.release();
  return hDIB;
}

CGXDIBPool* GetDIBPool(CGXDIBPool*& pSlot) {
  if (pSlot == nullptr)
    pSlot = new CGXDIBPool;
  return pSlot;
}

CGXDIBPool* GXGetLibraryDIBPool() {
  // Freed at exit with the bitmaps it holds.
  static std::unique_ptr<CGXDIBPool> s_pool(new CGXDIBPool);
  return s_pool.get();
}
