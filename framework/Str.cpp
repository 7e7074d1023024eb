// CString: the members over std::string, the clamping of positions and counts, Format and the
// string-table hook.
#include "Str.h"

#include <algorithm>
#include <cassert>
#include <cstdio>
#include <cstring>

namespace {

AFX_LOADSTRING_PROC g_pfnLoadString = nullptr;

int Clamp(int n, int nMax) {
  return n < 0 ? 0 : (n > nMax ? nMax : n);
}

char FoldUpper(char c) {
  return (c >= 'a' && c <= 'z') ? (char)(c - 'a' + 'A') : c;
}

char FoldLower(char c) {
  return (c >= 'A' && c <= 'Z') ? (char)(c - 'A' + 'a') : c;
}

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

}  // namespace

void AfxSetLoadStringProc(AFX_LOADSTRING_PROC pfnLoadString) {
  g_pfnLoadString = pfnLoadString;
}

CString::CString(LPCTSTR lpsz) : m_str(lpsz != nullptr ? lpsz : "") {}

CString::CString(LPCTSTR lpch, int nLength) {
  if (lpch != nullptr && nLength > 0)
    m_str.assign(lpch, (size_t)nLength);
}

CString::CString(const unsigned char* lpsz) : CString(reinterpret_cast<LPCTSTR>(lpsz)) {}

CString::CString(TCHAR ch, int nRepeat) {
  if (nRepeat > 0)
    m_str.assign((size_t)nRepeat, ch);
}

CString& CString::operator=(LPCTSTR lpsz) {
  m_str.assign(lpsz != nullptr ? lpsz : "");
  return *this;
}

CString& CString::operator=(const unsigned char* lpsz) {
  return *this = reinterpret_cast<LPCTSTR>(lpsz);
}

CString& CString::operator=(TCHAR ch) {
  m_str.assign(1, ch);
  return *this;
}

TCHAR CString::GetAt(int nIndex) const {
  assert(nIndex >= 0 && nIndex < GetLength());
  return m_str[(size_t)nIndex];
}

void CString::SetAt(int nIndex, TCHAR ch) {
  assert(nIndex >= 0 && nIndex < GetLength());
  m_str[(size_t)nIndex] = ch;
}

CString& CString::operator+=(const CString& string) {
  m_str += string.m_str;
  return *this;
}

CString& CString::operator+=(LPCTSTR lpsz) {
  if (lpsz != nullptr)
    m_str += lpsz;
  return *this;
}

CString& CString::operator+=(TCHAR ch) {
  m_str += ch;
  return *this;
}

CString operator+(const CString& string1, const CString& string2) {
  CString s(string1);
  s += string2;
  return s;
}

CString operator+(const CString& string, TCHAR ch) {
  CString s(string);
  s += ch;
  return s;
}

CString operator+(TCHAR ch, const CString& string) {
  CString s(ch);
  s += string;
  return s;
}

CString operator+(const CString& string, LPCTSTR lpsz) {
  CString s(string);
  s += lpsz;
  return s;
}

CString operator+(LPCTSTR lpsz, const CString& string) {
  CString s(lpsz);
  s += string;
  return s;
}

int CString::Compare(LPCTSTR lpsz) const {
  return std::strcmp(m_str.c_str(), lpsz != nullptr ? lpsz : "");
}

int CString::CompareNoCase(LPCTSTR lpsz) const {
  const unsigned char* a = reinterpret_cast<const unsigned char*>(m_str.c_str());
  const unsigned char* b = reinterpret_cast<const unsigned char*>(lpsz != nullptr ? lpsz : "");
  for (;; ++a, ++b) {
    int ca = (unsigned char)FoldLower((char)*a);
    int cb = (unsigned char)FoldLower((char)*b);
    if (ca != cb || ca == 0)
      return ca - cb;
  }
}

int CString::Collate(LPCTSTR lpsz) const {
  return std::strcoll(m_str.c_str(), lpsz != nullptr ? lpsz : "");
}

CString CString::Mid(int nFirst) const {
  return Mid(nFirst, GetLength());
}

CString CString::Mid(int nFirst, int nCount) const {
  nFirst = Clamp(nFirst, GetLength());
  nCount = Clamp(nCount, GetLength() - nFirst);
  return CString(m_str.c_str() + nFirst, nCount);
}

CString CString::Left(int nCount) const {
  return CString(m_str.c_str(), Clamp(nCount, GetLength()));
}

CString CString::Right(int nCount) const {
  nCount = Clamp(nCount, GetLength());
  return CString(m_str.c_str() + GetLength() - nCount, nCount);
}

CString CString::SpanIncluding(LPCTSTR lpszCharSet) const {
  return Left((int)std::strspn(m_str.c_str(), lpszCharSet));
}

CString CString::SpanExcluding(LPCTSTR lpszCharSet) const {
  return Left((int)std::strcspn(m_str.c_str(), lpszCharSet));
}

void CString::MakeUpper() {
  for (char& c : m_str)
    c = FoldUpper(c);
}

void CString::MakeLower() {
  for (char& c : m_str)
    c = FoldLower(c);
}

void CString::MakeReverse() {
  std::reverse(m_str.begin(), m_str.end());
}

void CString::TrimRight() {
  size_t n = m_str.size();
  while (n > 0 && IsSpace(m_str[n - 1]))
    --n;
  m_str.resize(n);
}

void CString::TrimLeft() {
  size_t n = 0;
  while (n < m_str.size() && IsSpace(m_str[n]))
    ++n;
  m_str.erase(0, n);
}

int CString::Find(TCHAR ch) const {
  return Find(ch, 0);
}

int CString::Find(TCHAR ch, int nStart) const {
  if (nStart < 0 || nStart >= GetLength())
    return -1;
  size_t i = m_str.find(ch, (size_t)nStart);
  return i == std::string::npos ? -1 : (int)i;
}

int CString::Find(LPCTSTR lpszSub) const {
  return Find(lpszSub, 0);
}

int CString::Find(LPCTSTR lpszSub, int nStart) const {
  if (nStart < 0 || nStart > GetLength())
    return -1;
  size_t i = m_str.find(lpszSub, (size_t)nStart);
  return i == std::string::npos ? -1 : (int)i;
}

int CString::ReverseFind(TCHAR ch) const {
  size_t i = m_str.rfind(ch);
  return i == std::string::npos ? -1 : (int)i;
}

int CString::FindOneOf(LPCTSTR lpszCharSet) const {
  size_t i = m_str.find_first_of(lpszCharSet);
  return i == std::string::npos ? -1 : (int)i;
}

int CString::Replace(LPCTSTR lpszOld, LPCTSTR lpszNew) {
  size_t nOld = lpszOld != nullptr ? std::strlen(lpszOld) : 0;
  if (nOld == 0)
    return 0;
  std::string strNew = lpszNew != nullptr ? lpszNew : "";
  int nCount = 0;
  for (size_t i = m_str.find(lpszOld); i != std::string::npos;
       i = m_str.find(lpszOld, i + strNew.size())) {
    m_str.replace(i, nOld, strNew);
    ++nCount;
  }
  return nCount;
}

void CString::FormatV(LPCTSTR lpszFormat, va_list argList) {
  va_list args;
  va_copy(args, argList);
  int n = std::vsnprintf(nullptr, 0, lpszFormat, args);
  va_end(args);
  if (n < 0) {
    m_str.clear();
    return;
  }
  std::string s((size_t)n, '\0');
  std::vsnprintf(&s[0], (size_t)n + 1, lpszFormat, argList);
  m_str.swap(s);
}

void CString::Format(LPCTSTR lpszFormat, ...) {
  va_list args;
  va_start(args, lpszFormat);
  FormatV(lpszFormat, args);
  va_end(args);
}

void CString::Format(UINT nFormatID, ...) {
  CString strFormat;
  strFormat.LoadString(nFormatID);
  va_list args;
  va_start(args, nFormatID);
  FormatV(strFormat, args);
  va_end(args);
}

BOOL CString::LoadString(UINT nID) {
  // The framework's limit for one string-table entry.
  char buf[256];
  int n = g_pfnLoadString != nullptr ? g_pfnLoadString(nID, buf, sizeof buf) : 0;
  if (n <= 0) {
    m_str.clear();
    return FALSE;
  }
  m_str.assign(buf, (size_t)std::min<int>(n, (int)sizeof buf - 1));
  return TRUE;
}

LPTSTR CString::GetBuffer(int nMinBufLength) {
  if (nMinBufLength > GetLength())
    m_str.resize((size_t)nMinBufLength);
  return &m_str[0];
}

void CString::ReleaseBuffer(int nNewLength) {
  if (nNewLength < 0)
    nNewLength = (int)std::strlen(m_str.c_str());
  m_str.resize((size_t)nNewLength);
}

LPTSTR CString::GetBufferSetLength(int nNewLength) {
  m_str.resize((size_t)(nNewLength < 0 ? 0 : nNewLength));
  return &m_str[0];
}
