// CStdioFile: a CFile read line by line, for the small text files that other programs leave for
// this one (result files, lists). In text mode (CFile::typeText) a line ends at "\n" and the
// "\r" before it is dropped; in binary mode the "\r" stays. Lines have no length limit.
// Not for: large files (it reads one byte per call) or writing text.
#ifndef FRAMEWORK_STDIOFILE_H
#define FRAMEWORK_STDIOFILE_H

#include "File.h"

class CStdioFile : public CFile {
  DECLARE_DYNAMIC(CStdioFile)

 public:
  CStdioFile();
  // Opens the file or throws CFileException.
  CStdioFile(LPCTSTR lpszFileName, UINT nOpenFlags);

  BOOL Open(LPCTSTR lpszFileName, UINT nOpenFlags, CFileException* pError = nullptr) override;

  // The next line without its end; FALSE, with rString empty, when the file has no more.
  // A last line without "\n" still counts as a line.
  virtual BOOL ReadString(CString& rString);

 private:
  BOOL m_bText = FALSE;
};

#endif  // FRAMEWORK_STDIOFILE_H
