// CFile over the C library's file descriptors, for the native build (the Windows build uses
// FileWin32.cpp). Share modes are not enforced; Rename refuses an existing target as Windows does.
#include "File.h"

#include "Exception.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace {

int Fd(UINT_PTR hFile) {
  return (int)hFile;
}

}  // namespace

CString CFile::FullPath(LPCTSTR lpszFileName) {
  std::string path = lpszFileName;
  if (path.empty())
    return CString();
  if (path[0] != '/') {
    char cwd[4096];
    if (getcwd(cwd, sizeof cwd) == nullptr)
      return CString();
    path = std::string(cwd) + "/" + path;
  }
  // Fold "." and ".." and repeated separators, as the Windows call does; symbolic links stay.
  std::vector<std::string> parts;
  size_t i = 0;
  while (i < path.size()) {
    size_t j = path.find('/', i);
    if (j == std::string::npos)
      j = path.size();
    std::string part = path.substr(i, j - i);
    if (part == "..") {
      if (!parts.empty())
        parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    i = j + 1;
  }
  std::string result;
  for (const std::string& part : parts)
    result += "/" + part;
  return CString(result.empty() ? "/" : result.c_str());
}

BOOL CFile::Open(LPCTSTR lpszFileName, UINT nOpenFlags, CFileException* pError) {
  m_bCloseOnDelete = FALSE;
  m_hFile = hFileNull;
  m_strFileName = FullPath(lpszFileName);

  int flags = 0;
  switch (nOpenFlags & 3) {
    case modeRead: flags = O_RDONLY; break;
    case modeWrite: flags = O_WRONLY; break;
    default: flags = O_RDWR; break;
  }
  if (nOpenFlags & modeCreate)
    flags |= (nOpenFlags & modeNoTruncate) ? O_CREAT : (O_CREAT | O_TRUNC);
  if (nOpenFlags & modeNoInherit)
    flags |= O_CLOEXEC;

  int fd = open(lpszFileName, flags, 0666);
  if (fd >= 0) {
    struct stat st;
    if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
      close(fd);
      fd = -1;
      errno = EACCES;
    }
  }
  if (fd < 0) {
    if (pError != nullptr) {
      pError->m_lOsError = errno;
      pError->m_cause = CFileException::OsErrorToException(errno);
      pError->m_strFileName = lpszFileName;
    }
    return FALSE;
  }
  m_hFile = (UINT_PTR)fd;
  m_bCloseOnDelete = TRUE;
  return TRUE;
}

UINT CFile::Read(void* lpBuf, UINT nCount) {
  UINT nDone = 0;
  while (nDone < nCount) {
    ssize_t n = read(Fd(m_hFile), static_cast<char*>(lpBuf) + nDone, nCount - nDone);
    if (n < 0) {
      if (errno == EINTR)
        continue;
      CFileException::ThrowOsError(errno, m_strFileName);
    }
    if (n == 0)
      break;
    nDone += (UINT)n;
  }
  return nDone;
}

void CFile::Write(const void* lpBuf, UINT nCount) {
  UINT nDone = 0;
  while (nDone < nCount) {
    ssize_t n = write(Fd(m_hFile), static_cast<const char*>(lpBuf) + nDone, nCount - nDone);
    if (n < 0) {
      if (errno == EINTR)
        continue;
      CFileException::ThrowOsError(errno, m_strFileName);
    }
    if (n == 0)
      AfxThrowFileException(CFileException::diskFull, -1, m_strFileName);
    nDone += (UINT)n;
  }
}

LONG CFile::Seek(LONG lOff, UINT nFrom) {
  int whence = nFrom == begin ? SEEK_SET : (nFrom == current ? SEEK_CUR : SEEK_END);
  off_t pos = lseek(Fd(m_hFile), (off_t)lOff, whence);
  if (pos < 0)
    CFileException::ThrowOsError(errno, m_strFileName);
  return (LONG)pos;
}

DWORD CFile::GetPosition() const {
  off_t pos = lseek(Fd(m_hFile), 0, SEEK_CUR);
  if (pos < 0)
    CFileException::ThrowOsError(errno, m_strFileName);
  return (DWORD)pos;
}

DWORD CFile::GetLength() const {
  struct stat st;
  if (fstat(Fd(m_hFile), &st) != 0)
    CFileException::ThrowOsError(errno, m_strFileName);
  return (DWORD)st.st_size;
}

void CFile::SetLength(DWORD dwNewLen) {
  if (ftruncate(Fd(m_hFile), (off_t)dwNewLen) != 0)
    CFileException::ThrowOsError(errno, m_strFileName);
}

void CFile::Flush() {
  if (m_hFile == hFileNull)
    return;
  // Writes go straight to the system; nothing is held back here.
}

void CFile::Close() {
  int result = 0;
  if (m_hFile != hFileNull)
    result = close(Fd(m_hFile));
  m_hFile = hFileNull;
  m_bCloseOnDelete = FALSE;
  if (result != 0)
    CFileException::ThrowOsError(errno, m_strFileName);
}

void CFile::Abort() {
  if (m_hFile != hFileNull)
    close(Fd(m_hFile));
  m_hFile = hFileNull;
  m_bCloseOnDelete = FALSE;
}

namespace {

BOOL StatusFromStat(const struct stat& st, LPCTSTR lpszFullPath, CFileStatus& rStatus) {
  if (std::strlen(lpszFullPath) >= sizeof rStatus.m_szFullName)
    return FALSE;
  std::strcpy(rStatus.m_szFullName, lpszFullPath);
  rStatus.m_ctime = st.st_ctime;
  rStatus.m_mtime = st.st_mtime;
  rStatus.m_atime = st.st_atime;
  rStatus.m_size = (LONG)st.st_size;
  rStatus.m_attribute = 0;
  if (S_ISDIR(st.st_mode))
    rStatus.m_attribute |= CFile::directory;
  if (!(st.st_mode & S_IWUSR))
    rStatus.m_attribute |= CFile::readOnly;
  rStatus.m_padding = 0;
  return TRUE;
}

}  // namespace

BOOL CFile::GetStatus(CFileStatus& rStatus) const {
  struct stat st;
  if (m_hFile == hFileNull || fstat(Fd(m_hFile), &st) != 0)
    return FALSE;
  return StatusFromStat(st, m_strFileName, rStatus);
}

BOOL CFile::GetStatus(LPCTSTR lpszFileName, CFileStatus& rStatus) {
  CString strFull = FullPath(lpszFileName);
  struct stat st;
  if (strFull.IsEmpty() || stat(lpszFileName, &st) != 0)
    return FALSE;
  return StatusFromStat(st, strFull, rStatus);
}

void CFile::Rename(LPCTSTR lpszOldName, LPCTSTR lpszNewName) {
  struct stat st;
  if (lstat(lpszNewName, &st) == 0)
    CFileException::ThrowOsError(EEXIST, lpszOldName);
  if (std::rename(lpszOldName, lpszNewName) != 0)
    CFileException::ThrowOsError(errno, lpszOldName);
}

void CFile::Remove(LPCTSTR lpszFileName) {
  struct stat st;
  if (stat(lpszFileName, &st) == 0 && S_ISDIR(st.st_mode))
    CFileException::ThrowOsError(EACCES, lpszFileName);
  if (unlink(lpszFileName) != 0)
    CFileException::ThrowOsError(errno, lpszFileName);
}
