// CFile, the framework's unbuffered binary file, and CFileStatus, what a status query tells of a
// file. The members are the platform's: over Win32 handles in the Windows build (FileWin32.cpp),
// over the C library's file descriptors natively (FilePosix.cpp); this header and File.cpp are
// shared. Failures throw CFileException with the cause, the system's error number and the path,
// except Open with an exception object, which fills it and returns FALSE.
// Natively, share modes are not enforced, and paths are the machine's.
// Not for: memory files (MemFile.h) or text files.
#ifndef FRAMEWORK_FILE_H
#define FRAMEWORK_FILE_H

#include "Object.h"
#include "Str.h"

#include <ctime>

#ifndef _MAX_PATH
#define _MAX_PATH 260
#endif

class CFileException;

struct CFileStatus {
  time_t m_ctime;  // creation
  time_t m_mtime;  // last write
  time_t m_atime;  // last access
  LONG m_size;     // bytes
  BYTE m_attribute;  // CFile::Attribute bits
  BYTE m_padding;
  TCHAR m_szFullName[_MAX_PATH];  // the absolute path
};

class CFile : public CObject {
  DECLARE_DYNAMIC(CFile)

 public:
  enum OpenFlags {
    modeRead = 0x0000,
    modeWrite = 0x0001,
    modeReadWrite = 0x0002,
    shareCompat = 0x0000,
    shareExclusive = 0x0010,
    shareDenyWrite = 0x0020,
    shareDenyRead = 0x0030,
    shareDenyNone = 0x0040,
    modeNoInherit = 0x0080,
    modeCreate = 0x1000,
    modeNoTruncate = 0x2000,
    typeText = 0x4000,
    typeBinary = 0x8000,
  };
  enum Attribute {
    normal = 0x00,
    readOnly = 0x01,
    hidden = 0x02,
    system = 0x04,
    volume = 0x08,
    directory = 0x10,
    archive = 0x20,
  };
  enum SeekPosition { begin = 0x0, current = 0x1, end = 0x2 };
  static constexpr UINT_PTR hFileNull = (UINT_PTR)-1;

  CFile();
  // Opens the file or throws CFileException.
  CFile(LPCTSTR lpszFileName, UINT nOpenFlags);
  // Closes an open file, ignoring errors (call Close to see them).
  ~CFile() override;

  virtual BOOL Open(LPCTSTR lpszFileName, UINT nOpenFlags, CFileException* pError = nullptr);
  virtual UINT Read(void* lpBuf, UINT nCount);  // fewer than nCount only at the end
  virtual void Write(const void* lpBuf, UINT nCount);
  virtual LONG Seek(LONG lOff, UINT nFrom);  // the new position
  virtual DWORD GetPosition() const;
  virtual DWORD GetLength() const;
  virtual void SetLength(DWORD dwNewLen);
  virtual void Flush();
  virtual void Close();
  // Closes without throwing, whatever happens.
  virtual void Abort();
  void SeekToBegin() { Seek(0, begin); }
  DWORD SeekToEnd() { return (DWORD)Seek(0, end); }

  // The path the file was opened by, made absolute; its last component.
  virtual CString GetFilePath() const { return m_strFileName; }
  virtual CString GetFileName() const;
  virtual void SetFilePath(LPCTSTR lpszNewName) { m_strFileName = lpszNewName; }

  BOOL GetStatus(CFileStatus& rStatus) const;
  // FALSE when there is no such file or directory; else fills rStatus, with the absolute path.
  static BOOL GetStatus(LPCTSTR lpszFileName, CFileStatus& rStatus);
  // Fails (throws) when the new name exists already.
  static void Rename(LPCTSTR lpszOldName, LPCTSTR lpszNewName);
  static void Remove(LPCTSTR lpszFileName);

  UINT_PTR m_hFile;  // the platform's handle, hFileNull when closed
  BOOL m_bCloseOnDelete;
  CString m_strFileName;

 protected:
  // The absolute form of a path (no check that it exists); empty when it cannot be formed.
  static CString FullPath(LPCTSTR lpszFileName);
};

#endif  // FRAMEWORK_FILE_H
