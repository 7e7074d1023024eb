// Line reading over CFile's reads.
#include "StdioFile.h"

#include <string>

IMPLEMENT_DYNAMIC(CStdioFile, CFile)

CStdioFile::CStdioFile() = default;

CStdioFile::CStdioFile(LPCTSTR lpszFileName, UINT nOpenFlags) : CFile(lpszFileName, nOpenFlags) {
  m_bText = (nOpenFlags & typeText) != 0;
}

BOOL CStdioFile::Open(LPCTSTR lpszFileName, UINT nOpenFlags, CFileException* pError) {
  m_bText = (nOpenFlags & typeText) != 0;
  return CFile::Open(lpszFileName, nOpenFlags & ~static_cast<UINT>(typeText), pError);
}

BOOL CStdioFile::ReadString(CString& rString) {
  std::string line;
  BOOL any = FALSE;
  char c;
  while (Read(&c, 1) == 1) {
    any = TRUE;
    if (c == '\n') break;
    line.push_back(c);
  }
  if (m_bText && !line.empty() && line.back() == '\r') line.pop_back();
  rString = line.c_str();
  return any;
}
