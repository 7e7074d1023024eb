// CSharedFile: the memory file's allocation over GlobalAlloc, kept locked while the file uses it.
#include "SharedFile.h"

#include "Exception.h"

IMPLEMENT_DYNAMIC(CSharedFile, CMemFile)

CSharedFile::CSharedFile(UINT nAllocFlags, UINT nGrowBytes)
    : CMemFile(nGrowBytes), m_nAllocFlags(nAllocFlags), m_nGrowBytesDefault(nGrowBytes) {}

CSharedFile::~CSharedFile() {
  // Close here: the base class's destructor would free through its own allocator.
  Close();
}

BYTE* CSharedFile::Alloc(DWORD nBytes) {
  HGLOBAL h = ::GlobalAlloc(m_nAllocFlags, nBytes);
  if (!h) return nullptr;
  m_hGlobalMemory = h;
  return static_cast<BYTE*>(::GlobalLock(h));
}

BYTE* CSharedFile::Realloc(BYTE*, DWORD nBytes) {
  if (!m_hGlobalMemory) return Alloc(nBytes);
  ::GlobalUnlock(m_hGlobalMemory);
  HGLOBAL h = ::GlobalReAlloc(m_hGlobalMemory, nBytes, GMEM_MOVEABLE);
  if (!h) {
    // The old block is still valid and still the file's.
    ::GlobalLock(m_hGlobalMemory);
    return nullptr;
  }
  m_hGlobalMemory = h;
  return static_cast<BYTE*>(::GlobalLock(h));
}

void CSharedFile::Free(BYTE*) {
  if (!m_hGlobalMemory) return;
  ::GlobalUnlock(m_hGlobalMemory);
  ::GlobalFree(m_hGlobalMemory);
  m_hGlobalMemory = nullptr;
}

HGLOBAL CSharedFile::Detach() {
  HGLOBAL h = m_hGlobalMemory;
  if (h) ::GlobalUnlock(h);
  m_hGlobalMemory = nullptr;
  CMemFile::Detach();
  return h;
}

void CSharedFile::SetHandle(HGLOBAL hGlobalMemory, BOOL bAllowGrow) {
  Close();
  m_hGlobalMemory = hGlobalMemory;
  m_lpBuffer = static_cast<BYTE*>(::GlobalLock(hGlobalMemory));
  if (!m_lpBuffer) {
    m_hGlobalMemory = nullptr;
    AfxThrowMemoryException();
  }
  SIZE_T size = ::GlobalSize(hGlobalMemory);
  m_nBufferSize = m_nFileSize = size > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<DWORD>(size);
  m_nPosition = 0;
  m_nGrowBytes = bAllowGrow ? m_nGrowBytesDefault : 0;
  m_bAutoDelete = TRUE;  // ours: grown by Realloc, freed by Close
}
