// CMemFile: reads, writes and seeks in a growing buffer.
#include "MemFile.h"

#include "Exception.h"

#include <cstdlib>
#include <cstring>

IMPLEMENT_DYNAMIC(CMemFile, CFile)

CMemFile::CMemFile(UINT nGrowBytes)
    : m_nGrowBytes(nGrowBytes),
      m_nPosition(0),
      m_nBufferSize(0),
      m_nFileSize(0),
      m_lpBuffer(nullptr),
      m_bAutoDelete(TRUE) {}

CMemFile::CMemFile(BYTE* lpBuffer, UINT nBufferSize, UINT nGrowBytes) : CMemFile(nGrowBytes) {
  Attach(lpBuffer, nBufferSize, nGrowBytes);
}

CMemFile::~CMemFile() {
  if (m_lpBuffer != nullptr)
    Close();
}

void CMemFile::Attach(BYTE* lpBuffer, UINT nBufferSize, UINT nGrowBytes) {
  m_nGrowBytes = nGrowBytes;
  m_nPosition = 0;
  m_nBufferSize = nBufferSize;
  m_nFileSize = nGrowBytes == 0 ? nBufferSize : 0;
  m_lpBuffer = lpBuffer;
  m_bAutoDelete = FALSE;
}

BYTE* CMemFile::Detach() {
  BYTE* lpBuffer = m_lpBuffer;
  m_lpBuffer = nullptr;
  m_nFileSize = 0;
  m_nBufferSize = 0;
  m_nPosition = 0;
  return lpBuffer;
}

BYTE* CMemFile::Alloc(DWORD nBytes) {
  return static_cast<BYTE*>(std::malloc(nBytes));
}

BYTE* CMemFile::Realloc(BYTE* lpMem, DWORD nBytes) {
  return static_cast<BYTE*>(std::realloc(lpMem, nBytes));
}

BYTE* CMemFile::Memcpy(BYTE* lpMemTarget, const BYTE* lpMemSource, UINT nBytes) {
  return static_cast<BYTE*>(std::memcpy(lpMemTarget, lpMemSource, nBytes));
}

void CMemFile::Free(BYTE* lpMem) {
  std::free(lpMem);
}

void CMemFile::GrowFile(DWORD dwNewLen) {
  if (dwNewLen <= m_nBufferSize)
    return;
  if (m_nGrowBytes == 0)
    AfxThrowMemoryException();
  // A fixed step alone copies the whole buffer once per step (a megabyte written in 1 KB steps
  // moves half a gigabyte); a large buffer grows by about half its size, still in whole steps.
  uint64_t step = m_nGrowBytes;
  if (m_nBufferSize / 2 > step)
    step = ((uint64_t)m_nBufferSize / 2 + m_nGrowBytes - 1) / m_nGrowBytes * m_nGrowBytes;
  uint64_t nNewBufferSize = m_nBufferSize;
  while (nNewBufferSize < dwNewLen)
    nNewBufferSize += step;
  if (nNewBufferSize > 0xFFFFFFFFu)
    AfxThrowMemoryException();
  // A buffer attached by the caller is not ours to reallocate: the file moves to its own memory.
  BYTE* lpNew;
  if (m_lpBuffer == nullptr) {
    lpNew = Alloc((DWORD)nNewBufferSize);
  } else if (!m_bAutoDelete) {
    lpNew = Alloc((DWORD)nNewBufferSize);
    if (lpNew != nullptr)
      Memcpy(lpNew, m_lpBuffer, m_nFileSize);
  } else {
    lpNew = Realloc(m_lpBuffer, (DWORD)nNewBufferSize);
  }
  if (lpNew == nullptr)
    AfxThrowMemoryException();
  m_lpBuffer = lpNew;
  m_nBufferSize = (DWORD)nNewBufferSize;
  m_bAutoDelete = TRUE;
}

UINT CMemFile::Read(void* lpBuf, UINT nCount) {
  if (nCount == 0 || m_nPosition >= m_nFileSize)
    return 0;
  UINT nRead = m_nFileSize - m_nPosition < nCount ? m_nFileSize - m_nPosition : nCount;
  Memcpy(static_cast<BYTE*>(lpBuf), m_lpBuffer + m_nPosition, nRead);
  m_nPosition += nRead;
  return nRead;
}

void CMemFile::Write(const void* lpBuf, UINT nCount) {
  if (nCount == 0)
    return;
  if ((uint64_t)m_nPosition + nCount > 0xFFFFFFFFu)
    AfxThrowFileException(CFileException::diskFull, -1, m_strFileName);
  if (m_nPosition + nCount > m_nBufferSize)
    GrowFile(m_nPosition + nCount);
  // A write after a seek beyond the end leaves zeros in the gap.
  if (m_nPosition > m_nFileSize)
    std::memset(m_lpBuffer + m_nFileSize, 0, m_nPosition - m_nFileSize);
  Memcpy(m_lpBuffer + m_nPosition, static_cast<const BYTE*>(lpBuf), nCount);
  m_nPosition += nCount;
  if (m_nPosition > m_nFileSize)
    m_nFileSize = m_nPosition;
}

LONG CMemFile::Seek(LONG lOff, UINT nFrom) {
  int64_t lNewPos = lOff;
  if (nFrom == current)
    lNewPos += m_nPosition;
  else if (nFrom == end)
    lNewPos += m_nFileSize;
  if (lNewPos < 0 || lNewPos > 0x7FFFFFFF)
    AfxThrowFileException(CFileException::badSeek, -1, m_strFileName);
  m_nPosition = (DWORD)lNewPos;
  return (LONG)m_nPosition;
}

void CMemFile::SetLength(DWORD dwNewLen) {
  if (dwNewLen > m_nBufferSize)
    GrowFile(dwNewLen);
  if (dwNewLen > m_nFileSize)
    std::memset(m_lpBuffer + m_nFileSize, 0, dwNewLen - m_nFileSize);
  if (dwNewLen < m_nPosition)
    m_nPosition = dwNewLen;
  m_nFileSize = dwNewLen;
}

void CMemFile::Close() {
  if (m_lpBuffer != nullptr && m_bAutoDelete)
    Free(m_lpBuffer);
  m_lpBuffer = nullptr;
  m_nBufferSize = 0;
  m_nFileSize = 0;
  m_nPosition = 0;
}
