// The exception classes' run-time records and texts, the AfxThrow... functions and the mapping of
// operating-system error numbers to CFileException causes.
#include "Exception.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

IMPLEMENT_DYNAMIC(CException, CObject)
IMPLEMENT_DYNAMIC(CMemoryException, CException)
IMPLEMENT_DYNAMIC(CNotSupportedException, CException)
IMPLEMENT_DYNAMIC(CResourceException, CException)
IMPLEMENT_DYNAMIC(CUserException, CException)
IMPLEMENT_DYNAMIC(CArchiveException, CException)
IMPLEMENT_DYNAMIC(CFileException, CException)

namespace {

BOOL CopyMessage(LPCTSTR lpszText, LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext) {
  if (pnHelpContext != nullptr)
    *pnHelpContext = 0;
  if (lpszError == nullptr || nMaxError == 0)
    return FALSE;
  std::snprintf(lpszError, nMaxError, "%s", lpszText);
  return TRUE;
}

}  // namespace

void CException::Delete() {
  if (m_bAutoDelete)
    delete this;
}

BOOL CException::GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext) {
  if (pnHelpContext != nullptr)
    *pnHelpContext = 0;
  if (lpszError != nullptr && nMaxError > 0)
    *lpszError = '\0';
  return FALSE;
}

BOOL CMemoryException::GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext) {
  return CopyMessage("Out of memory.", lpszError, nMaxError, pnHelpContext);
}

BOOL CNotSupportedException::GetErrorMessage(LPTSTR lpszError, UINT nMaxError,
                                             PUINT pnHelpContext) {
  return CopyMessage("Unsupported operation was attempted.", lpszError, nMaxError, pnHelpContext);
}

BOOL CResourceException::GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext) {
  return CopyMessage("A required resource was unavailable.", lpszError, nMaxError, pnHelpContext);
}

BOOL CArchiveException::GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext) {
  static const char* const kTexts[] = {
      "No error occurred.",
      "An unknown error occurred while accessing %s.",
      "An attempt was made to write to the reading %s.",
      "An attempt was made to access %s past its end.",
      "An attempt was made to read from the writing %s.",
      "%s has a bad format.",
      "%s contained an unexpected object.",
      "%s contains an incorrect schema.",
  };
  int cause = (m_cause >= 0 && m_cause <= badSchema) ? m_cause : generic;
  CString name = m_strFileName.IsEmpty() ? CString("an unnamed file") : m_strFileName;
  CString text;
  text.Format(kTexts[cause], (LPCTSTR)name);
  return CopyMessage(text, lpszError, nMaxError, pnHelpContext);
}

BOOL CFileException::GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext) {
  static const char* const kTexts[] = {
      "No error occurred.",
      "An unknown error occurred while accessing %s.",
      "%s was not found.",
      "%s contains an invalid path.",
      "%s could not be opened because there are too many open files.",
      "Access to %s was denied.",
      "An invalid file handle was associated with %s.",
      "%s could not be removed because it is the current directory.",
      "%s could not be created because the directory is full.",
      "Seek failed on %s",
      "A hardware I/O error was reported while accessing %s.",
      "A sharing violation occurred while accessing %s.",
      "A locking violation occurred while accessing %s.",
      "Disk full while accessing %s.",
      "An attempt was made to access %s past its end.",
  };
  int cause = (m_cause >= 0 && m_cause <= endOfFile) ? m_cause : generic;
  CString name = m_strFileName.IsEmpty() ? CString("an unnamed file") : m_strFileName;
  CString text;
  text.Format(kTexts[cause], (LPCTSTR)name);
  return CopyMessage(text, lpszError, nMaxError, pnHelpContext);
}

int CFileException::OsErrorToException(LONG lOsError) {
#ifdef _WIN32
  // Win32 error codes (winerror.h), written out so this file needs no Windows header.
  switch (lOsError) {
    case 0: return none;
    case 2: return fileNotFound;       // ERROR_FILE_NOT_FOUND
    case 3: return badPath;            // ERROR_PATH_NOT_FOUND
    case 4: return tooManyOpenFiles;   // ERROR_TOO_MANY_OPEN_FILES
    case 5: return accessDenied;       // ERROR_ACCESS_DENIED
    case 6: return invalidFile;        // ERROR_INVALID_HANDLE
    case 15: return badPath;           // ERROR_INVALID_DRIVE
    case 16: return removeCurrentDir;  // ERROR_CURRENT_DIRECTORY
    case 18: return directoryFull;     // ERROR_NO_MORE_FILES
    case 19: return accessDenied;      // ERROR_WRITE_PROTECT
    case 23: return hardIO;            // ERROR_CRC
    case 25: return badSeek;           // ERROR_SEEK
    case 29: return hardIO;            // ERROR_WRITE_FAULT
    case 30: return hardIO;            // ERROR_READ_FAULT
    case 32: return sharingViolation;  // ERROR_SHARING_VIOLATION
    case 33: return lockViolation;     // ERROR_LOCK_VIOLATION
    case 38: return endOfFile;         // ERROR_HANDLE_EOF
    case 39: return diskFull;          // ERROR_HANDLE_DISK_FULL
    case 53: return fileNotFound;      // ERROR_BAD_NETPATH
    case 80: return accessDenied;      // ERROR_FILE_EXISTS
    case 112: return diskFull;         // ERROR_DISK_FULL
    case 123: return badPath;          // ERROR_INVALID_NAME
    case 131: return badSeek;          // ERROR_NEGATIVE_SEEK
    case 161: return badPath;          // ERROR_BAD_PATHNAME
    case 183: return accessDenied;     // ERROR_ALREADY_EXISTS
    case 206: return badPath;          // ERROR_FILENAME_EXCED_RANGE
    default: return generic;
  }
#else
  switch (lOsError) {
    case 0: return none;
    case ENOENT: return fileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP: return badPath;
    case EMFILE:
    case ENFILE: return tooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EEXIST:
    case EISDIR: return accessDenied;
    case EBADF: return invalidFile;
    case EBUSY: return sharingViolation;
    case ESPIPE:
    case EINVAL: return badSeek;
    case EIO: return hardIO;
    case ENOSPC:
    case EFBIG: return diskFull;
    default: return generic;
  }
#endif
}

void CFileException::ThrowOsError(LONG lOsError, LPCTSTR lpszFileName) {
  if (lOsError != 0)
    AfxThrowFileException(OsErrorToException(lOsError), lOsError, lpszFileName);
}

void AfxThrowMemoryException() {
  // Thrown without allocating, so it works when memory has run out; Delete() leaves it alone.
  static CMemoryException s_memoryException;
  throw &s_memoryException;
}

void AfxThrowNotSupportedException() {
  throw new CNotSupportedException;
}

void AfxThrowResourceException() {
  throw new CResourceException;
}

void AfxThrowUserException() {
  throw new CUserException;
}

void AfxThrowArchiveException(int cause, LPCTSTR lpszArchiveName) {
  throw new CArchiveException(cause, lpszArchiveName);
}

void AfxThrowFileException(int cause, LONG lOsError, LPCTSTR lpszFileName) {
  throw new CFileException(cause, lOsError, lpszFileName);
}
