// CFile over Win32 file handles, for the Windows build (the native build uses FilePosix.cpp): the
// open modes map to CreateFile's access, share and creation arguments as the framework maps them
// (the compatibility share mode is exclusive).
#include "File.h"

#include "Exception.h"

#include <windows.h>

#include <cstring>

namespace {

HANDLE Handle(UINT_PTR hFile) {
  return reinterpret_cast<HANDLE>(hFile);
}

time_t TimeFromFileTime(const FILETIME& ft) {
  ULARGE_INTEGER u;
  u.LowPart = ft.dwLowDateTime;
  u.HighPart = ft.dwHighDateTime;
  // 100-ns intervals since 1601 to seconds since 1970.
  const ULONGLONG kEpochDifference = 116444736000000000ULL;
  if (u.QuadPart < kEpochDifference)
    return 0;
  return (time_t)((u.QuadPart - kEpochDifference) / 10000000ULL);
}

}  // namespace

CString CFile::FullPath(LPCTSTR lpszFileName) {
  char buf[_MAX_PATH];
  LPSTR pFilePart;
  DWORD n = GetFullPathNameA(lpszFileName, sizeof buf, buf, &pFilePart);
  if (n == 0 || n >= sizeof buf)
    return CString();
  return CString(buf);
}

BOOL CFile::Open(LPCTSTR lpszFileName, UINT nOpenFlags, CFileException* pError) {
  m_bCloseOnDelete = FALSE;
  m_hFile = hFileNull;
  m_strFileName = FullPath(lpszFileName);

  DWORD dwAccess = 0;
  switch (nOpenFlags & 3) {
    case modeRead: dwAccess = GENERIC_READ; break;
    case modeWrite: dwAccess = GENERIC_WRITE; break;
    default: dwAccess = GENERIC_READ | GENERIC_WRITE; break;
  }
  DWORD dwShareMode = 0;
  switch (nOpenFlags & 0x70) {
    case shareDenyWrite: dwShareMode = FILE_SHARE_READ; break;
    case shareDenyRead: dwShareMode = FILE_SHARE_WRITE; break;
    case shareDenyNone: dwShareMode = FILE_SHARE_READ | FILE_SHARE_WRITE; break;
    default: dwShareMode = 0; break;
  }
  SECURITY_ATTRIBUTES sa;
  sa.nLength = sizeof sa;
  sa.lpSecurityDescriptor = nullptr;
  sa.bInheritHandle = (nOpenFlags & modeNoInherit) == 0;
  DWORD dwCreateFlag = OPEN_EXISTING;
  if (nOpenFlags & modeCreate)
    dwCreateFlag = (nOpenFlags & modeNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;

  HANDLE hFile = CreateFileA(lpszFileName, dwAccess, dwShareMode, &sa, dwCreateFlag,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
  if (hFile == INVALID_HANDLE_VALUE) {
    if (pError != nullptr) {
      pError->m_lOsError = (LONG)GetLastError();
      pError->m_cause = CFileException::OsErrorToException(pError->m_lOsError);
      pError->m_strFileName = lpszFileName;
    }
    return FALSE;
  }
  m_hFile = reinterpret_cast<UINT_PTR>(hFile);
  m_bCloseOnDelete = TRUE;
  return TRUE;
}

UINT CFile::Read(void* lpBuf, UINT nCount) {
  if (nCount == 0)
    return 0;
  DWORD dwRead;
  if (!ReadFile(Handle(m_hFile), lpBuf, nCount, &dwRead, nullptr))
    CFileException::ThrowOsError((LONG)GetLastError(), m_strFileName);
  return (UINT)dwRead;
}

void CFile::Write(const void* lpBuf, UINT nCount) {
  if (nCount == 0)
    return;
  DWORD nWritten;
  if (!WriteFile(Handle(m_hFile), lpBuf, nCount, &nWritten, nullptr))
    CFileException::ThrowOsError((LONG)GetLastError(), m_strFileName);
  if (nWritten != nCount)
    AfxThrowFileException(CFileException::diskFull, -1, m_strFileName);
}

LONG CFile::Seek(LONG lOff, UINT nFrom) {
  DWORD dwNew = SetFilePointer(Handle(m_hFile), lOff, nullptr, (DWORD)nFrom);
  if (dwNew == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR)
    CFileException::ThrowOsError((LONG)GetLastError(), m_strFileName);
  return (LONG)dwNew;
}

DWORD CFile::GetPosition() const {
  DWORD dwPos = SetFilePointer(Handle(m_hFile), 0, nullptr, FILE_CURRENT);
  if (dwPos == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR)
    CFileException::ThrowOsError((LONG)GetLastError(), m_strFileName);
  return dwPos;
}

DWORD CFile::GetLength() const {
  DWORD dwLen = GetFileSize(Handle(m_hFile), nullptr);
  if (dwLen == INVALID_FILE_SIZE && GetLastError() != NO_ERROR)
    CFileException::ThrowOsError((LONG)GetLastError(), m_strFileName);
  return dwLen;
}

void CFile::SetLength(DWORD dwNewLen) {
  Seek((LONG)dwNewLen, begin);
  if (!SetEndOfFile(Handle(m_hFile)))
    CFileException::ThrowOsError((LONG)GetLastError(), m_strFileName);
}

void CFile::Flush() {
  if (m_hFile == hFileNull)
    return;
  if (!FlushFileBuffers(Handle(m_hFile)))
    CFileException::ThrowOsError((LONG)GetLastError(), m_strFileName);
}

void CFile::Close() {
  BOOL bError = FALSE;
  if (m_hFile != hFileNull)
    bError = !CloseHandle(Handle(m_hFile));
  m_hFile = hFileNull;
  m_bCloseOnDelete = FALSE;
  if (bError)
    CFileException::ThrowOsError((LONG)GetLastError(), m_strFileName);
}

void CFile::Abort() {
  if (m_hFile != hFileNull)
    CloseHandle(Handle(m_hFile));
  m_hFile = hFileNull;
  m_bCloseOnDelete = FALSE;
}

BOOL CFile::GetStatus(CFileStatus& rStatus) const {
  BY_HANDLE_FILE_INFORMATION info;
  if (m_hFile == hFileNull || !GetFileInformationByHandle(Handle(m_hFile), &info))
    return FALSE;
  if ((size_t)m_strFileName.GetLength() >= sizeof rStatus.m_szFullName)
    return FALSE;
  std::strcpy(rStatus.m_szFullName, m_strFileName);
  rStatus.m_ctime = TimeFromFileTime(info.ftCreationTime);
  rStatus.m_atime = TimeFromFileTime(info.ftLastAccessTime);
  rStatus.m_mtime = TimeFromFileTime(info.ftLastWriteTime);
  rStatus.m_size = (LONG)info.nFileSizeLow;
  rStatus.m_attribute = (BYTE)(info.dwFileAttributes & ~FILE_ATTRIBUTE_NORMAL);
  rStatus.m_padding = 0;
  return TRUE;
}

BOOL CFile::GetStatus(LPCTSTR lpszFileName, CFileStatus& rStatus) {
  CString strFull = FullPath(lpszFileName);
  if (strFull.IsEmpty())
    return FALSE;
  WIN32_FIND_DATAA findData;
  HANDLE hFind = FindFirstFileA(lpszFileName, &findData);
  if (hFind == INVALID_HANDLE_VALUE)
    return FALSE;
  FindClose(hFind);
  std::strcpy(rStatus.m_szFullName, strFull);
  rStatus.m_ctime = TimeFromFileTime(findData.ftCreationTime);
  rStatus.m_atime = TimeFromFileTime(findData.ftLastAccessTime);
  rStatus.m_mtime = TimeFromFileTime(findData.ftLastWriteTime);
  rStatus.m_size = (LONG)findData.nFileSizeLow;
  rStatus.m_attribute = (BYTE)(findData.dwFileAttributes & ~FILE_ATTRIBUTE_NORMAL);
  rStatus.m_padding = 0;
  return TRUE;
}

void CFile::Rename(LPCTSTR lpszOldName, LPCTSTR lpszNewName) {
  if (!MoveFileA(lpszOldName, lpszNewName))
    CFileException::ThrowOsError((LONG)GetLastError(), lpszOldName);
}

void CFile::Remove(LPCTSTR lpszFileName) {
  if (!DeleteFileA(lpszFileName))
    CFileException::ThrowOsError((LONG)GetLastError(), lpszFileName);
}
