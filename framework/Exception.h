// CException and the exception classes the application throws and catches, with the TRY/CATCH macros over
// C++ exceptions: a framework exception is thrown as a pointer to a heap object, and the CATCH
// block that takes it deletes it at END_CATCH unless it is thrown on (THROW_LAST). The AfxThrow...
// functions are the one way to throw them.
// Not for: showing an exception to the user: ReportError is declared here but defined by the Win32
// half, since it needs a message box (the portable half never calls it).
#ifndef FRAMEWORK_EXCEPTION_H
#define FRAMEWORK_EXCEPTION_H

#include "Object.h"
#include "Str.h"

class CException : public CObject {
  DECLARE_DYNAMIC(CException)

 public:
  explicit CException(BOOL bAutoDelete = TRUE) : m_bAutoDelete(bAutoDelete) {}
  // Frees a thrown exception; does nothing for one that is not on the heap (the memory exception).
  void Delete();
  // The text of the exception into lpszError (at most nMaxError chars with the terminating zero).
  virtual BOOL GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext = nullptr);
  // Shows the exception's text in the framework's message box of that type (0 is a plain OK
  // box); without a text, string nMessageID of the resources, or a general text when there is
  // none. Returns the button pressed.
  int ReportError(UINT nType = 0, UINT nMessageID = 0);

  BOOL m_bAutoDelete;
};

class CMemoryException : public CException {
  DECLARE_DYNAMIC(CMemoryException)

 public:
  CMemoryException() : CException(FALSE) {}
  BOOL GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext = nullptr) override;
};

class CNotSupportedException : public CException {
  DECLARE_DYNAMIC(CNotSupportedException)

 public:
  BOOL GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext = nullptr) override;
};

class CResourceException : public CException {
  DECLARE_DYNAMIC(CResourceException)

 public:
  BOOL GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext = nullptr) override;
};

// Thrown after the user has been told of a failure, to end an operation without another message.
class CUserException : public CException {
  DECLARE_DYNAMIC(CUserException)
};

class CArchiveException : public CException {
  DECLARE_DYNAMIC(CArchiveException)

 public:
  enum {
    none,
    generic,
    readOnly,
    endOfFile,
    writeOnly,
    badIndex,
    badClass,
    badSchema,
  };
  explicit CArchiveException(int cause = none, LPCTSTR lpszArchiveName = nullptr)
      : m_cause(cause), m_strFileName(lpszArchiveName) {}
  BOOL GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext = nullptr) override;

  int m_cause;
  CString m_strFileName;
};

class CFileException : public CException {
  DECLARE_DYNAMIC(CFileException)

 public:
  enum {
    none,
    generic,
    fileNotFound,
    badPath,
    tooManyOpenFiles,
    accessDenied,
    invalidFile,
    removeCurrentDir,
    directoryFull,
    badSeek,
    hardIO,
    sharingViolation,
    lockViolation,
    diskFull,
    endOfFile,
  };
  explicit CFileException(int cause = none, LONG lOsError = -1, LPCTSTR lpszFileName = nullptr)
      : m_cause(cause), m_lOsError(lOsError), m_strFileName(lpszFileName) {}
  BOOL GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext = nullptr) override;

  // The cause for a C library errno value (native build) or a Win32 error code (Windows build).
  static int OsErrorToException(LONG lOsError);
  static void ThrowOsError(LONG lOsError, LPCTSTR lpszFileName = nullptr);

  int m_cause;
  LONG m_lOsError;
  CString m_strFileName;
};

[[noreturn]] void AfxThrowMemoryException();
[[noreturn]] void AfxThrowNotSupportedException();
[[noreturn]] void AfxThrowResourceException();
[[noreturn]] void AfxThrowUserException();
[[noreturn]] void AfxThrowArchiveException(int cause, LPCTSTR lpszArchiveName = nullptr);
[[noreturn]] void AfxThrowFileException(int cause, LONG lOsError = -1, LPCTSTR lpszFileName = nullptr);

// Deletes the exception caught by the enclosing CATCH block when the TRY ... END_CATCH block ends.
struct AFX_EXCEPTION_LINK {
  CException* m_pException = nullptr;
  AFX_EXCEPTION_LINK() = default;
  AFX_EXCEPTION_LINK(const AFX_EXCEPTION_LINK&) = delete;
  AFX_EXCEPTION_LINK& operator=(const AFX_EXCEPTION_LINK&) = delete;
  ~AFX_EXCEPTION_LINK() {
    if (m_pException != nullptr)
      m_pException->Delete();
  }
};

// CATCH(class, e) takes every framework exception of that class or a derived one; CATCH_ALL(e)
// takes every framework exception. Other C++ exceptions pass through.
#define TRY                          \
  {                                  \
    AFX_EXCEPTION_LINK _afxExceptionLink; \
    try {
#define CATCH(class_name, e)               \
  }                                        \
  catch (class_name * e) {                 \
    _afxExceptionLink.m_pException = e;
#define AND_CATCH(class_name, e) CATCH(class_name, e)
#define END_CATCH \
  }               \
  }
#define CATCH_ALL(e) CATCH(CException, e)
#define AND_CATCH_ALL(e) CATCH(CException, e)
#define END_CATCH_ALL END_CATCH

#define THROW(e) throw e
// Inside a CATCH block: throws the caught exception on, which then is no longer deleted here.
#define THROW_LAST()                         \
  do {                                       \
    _afxExceptionLink.m_pException = nullptr; \
    throw;                                   \
  } while (0)

#endif  // FRAMEWORK_EXCEPTION_H
