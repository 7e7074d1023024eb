// CSharedFile: a memory file in global memory, so that what an archive wrote into it can be
// handed to the clipboard as one handle (Detach), and clipboard data can be read through an
// archive (SetHandle). It grows in steps of 4096 bytes by default.
#pragma once

#include "Win32Platform.h"

#include "MemFile.h"

class CSharedFile : public CMemFile {
  DECLARE_DYNAMIC(CSharedFile)
 public:
  explicit CSharedFile(UINT nAllocFlags = GMEM_DDESHARE | GMEM_MOVEABLE, UINT nGrowBytes = 4096);
  ~CSharedFile() override;

  // Gives up the memory: the caller (or the clipboard) owns the handle; the file is empty after.
  HGLOBAL Detach();
  // Takes the memory as the file's contents; the file owns it from now on (Detach gives it back).
  // Without bAllowGrow, writing past its end throws a memory exception.
  void SetHandle(HGLOBAL hGlobalMemory, BOOL bAllowGrow = TRUE);

 protected:
  BYTE* Alloc(DWORD nBytes) override;
  BYTE* Realloc(BYTE* lpMem, DWORD nBytes) override;
  void Free(BYTE* lpMem) override;

  UINT m_nAllocFlags;
  UINT m_nGrowBytesDefault;
  HGLOBAL m_hGlobalMemory = nullptr;
};
