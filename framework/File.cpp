// CFile's members that are the same on every platform.
#include "File.h"

#include "Exception.h"

IMPLEMENT_DYNAMIC(CFile, CObject)

CFile::CFile() : m_hFile(hFileNull), m_bCloseOnDelete(FALSE) {}

CFile::CFile(LPCTSTR lpszFileName, UINT nOpenFlags) : CFile() {
  CFileException e;
  if (!Open(lpszFileName, nOpenFlags, &e))
    AfxThrowFileException(e.m_cause, e.m_lOsError, e.m_strFileName);
}

CFile::~CFile() {
  if (m_hFile != hFileNull && m_bCloseOnDelete)
    Abort();
}

CString CFile::GetFileName() const {
  int i = m_strFileName.ReverseFind('\\');
  int j = m_strFileName.ReverseFind('/');
  return m_strFileName.Mid((i > j ? i : j) + 1);
}
