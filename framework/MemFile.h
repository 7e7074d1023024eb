// CMemFile: a CFile in memory, for archives into and out of memory (the annotation clipboard
// format). The buffer grows in steps of the growth size given at construction (1024 bytes by
// default): to the first multiple of that step above what a write or SetLength needs. A memory
// file over a buffer attached with growth 0 cannot grow (a write past its end throws
// CMemoryException). The allocation members are virtual so that the Win32 half's CSharedFile can
// hold its bytes in global memory.
// Not for: files on disk (File.h).
#ifndef FRAMEWORK_MEMFILE_H
#define FRAMEWORK_MEMFILE_H

#include "File.h"

class CMemFile : public CFile {
  DECLARE_DYNAMIC(CMemFile)

 public:
  explicit CMemFile(UINT nGrowBytes = 1024);
  // Over the caller's buffer, which stays the caller's; with nGrowBytes 0 its whole size is the
  // file's contents, else the file starts empty and grows beyond it into memory of its own.
  CMemFile(BYTE* lpBuffer, UINT nBufferSize, UINT nGrowBytes = 0);
  ~CMemFile() override;

  void Attach(BYTE* lpBuffer, UINT nBufferSize, UINT nGrowBytes = 0);
  // Gives up the buffer (the caller then frees it as it was allocated) and empties the file.
  BYTE* Detach();

  UINT Read(void* lpBuf, UINT nCount) override;
  void Write(const void* lpBuf, UINT nCount) override;
  LONG Seek(LONG lOff, UINT nFrom) override;
  DWORD GetPosition() const override { return m_nPosition; }
  DWORD GetLength() const override { return m_nFileSize; }
  void SetLength(DWORD dwNewLen) override;
  void Flush() override {}
  void Close() override;
  void Abort() override { Close(); }

 protected:
  virtual BYTE* Alloc(DWORD nBytes);
  virtual BYTE* Realloc(BYTE* lpMem, DWORD nBytes);
  virtual BYTE* Memcpy(BYTE* lpMemTarget, const BYTE* lpMemSource, UINT nBytes);
  virtual void Free(BYTE* lpMem);
  virtual void GrowFile(DWORD dwNewLen);

  UINT m_nGrowBytes;
  DWORD m_nPosition;
  DWORD m_nBufferSize;
  DWORD m_nFileSize;
  BYTE* m_lpBuffer;
  BOOL m_bAutoDelete;  // whether the buffer is the file's own (freed with Free)
};

#endif  // FRAMEWORK_MEMFILE_H
