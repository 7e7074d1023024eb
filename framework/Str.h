// CString: the framework's ANSI string with value semantics (a copy is a copy), counted length and
// a terminating zero, usable wherever a const char* is wanted. Positions and counts are ints and
// are clamped to the string as the framework does (Mid(10) of a 5-char string is empty).
// LoadString reads the program's string table, which only the Win32 half can reach: it calls the
// hook the Win32 half installs with AfxSetLoadStringProc, and fails in the native build.
// Not for: wide strings, locales (MakeUpper/MakeLower and CompareNoCase fold ASCII letters only).
#ifndef FRAMEWORK_STR_H
#define FRAMEWORK_STR_H

#include "FrameworkTypes.h"

#include <cstdarg>
#include <string>

// <windows.h> renames LoadString to LoadStringA; where it came first, the member keeps its name.
#ifdef LoadString
#undef LoadString
#endif

#if defined(__MINGW32__)
#define AFX_PRINTF_FORMAT(fmt, args) __attribute__((format(gnu_printf, fmt, args)))
#elif defined(__GNUC__)
#define AFX_PRINTF_FORMAT(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define AFX_PRINTF_FORMAT(fmt, args)
#endif

class CString {
 public:
  CString() = default;
  CString(const CString&) = default;
  CString(CString&&) noexcept = default;
  CString(LPCTSTR lpsz);  // a null pointer makes an empty string
  CString(LPCTSTR lpch, int nLength);
  CString(const unsigned char* lpsz);
  explicit CString(TCHAR ch, int nRepeat = 1);

  CString& operator=(const CString&) = default;
  CString& operator=(CString&&) noexcept = default;
  CString& operator=(LPCTSTR lpsz);
  CString& operator=(const unsigned char* lpsz);
  CString& operator=(TCHAR ch);

  int GetLength() const { return (int)m_str.size(); }
  BOOL IsEmpty() const { return m_str.empty(); }
  void Empty() { m_str.clear(); }
  TCHAR GetAt(int nIndex) const;
  TCHAR operator[](int nIndex) const { return GetAt(nIndex); }
  void SetAt(int nIndex, TCHAR ch);
  operator LPCTSTR() const { return m_str.c_str(); }

  CString& operator+=(const CString& string);
  CString& operator+=(LPCTSTR lpsz);
  CString& operator+=(TCHAR ch);

  // <0, 0, >0 as strcmp; CompareNoCase folds ASCII letters; Collate compares as the C locale does.
  int Compare(LPCTSTR lpsz) const;
  int CompareNoCase(LPCTSTR lpsz) const;
  int Collate(LPCTSTR lpsz) const;

  CString Mid(int nFirst) const;
  CString Mid(int nFirst, int nCount) const;
  CString Left(int nCount) const;
  CString Right(int nCount) const;
  CString SpanIncluding(LPCTSTR lpszCharSet) const;
  CString SpanExcluding(LPCTSTR lpszCharSet) const;

  void MakeUpper();
  void MakeLower();
  void MakeReverse();
  // Remove white space (space, tab, CR, LF, VT, FF) from the right or left end.
  void TrimRight();
  void TrimLeft();

  // Index of the first (last) match, or -1.
  int Find(TCHAR ch) const;
  int Find(TCHAR ch, int nStart) const;
  int Find(LPCTSTR lpszSub) const;
  int Find(LPCTSTR lpszSub, int nStart) const;
  int ReverseFind(TCHAR ch) const;
  int FindOneOf(LPCTSTR lpszCharSet) const;
  // Replaces every non-overlapping occurrence from left to right; the number replaced.
  int Replace(LPCTSTR lpszOld, LPCTSTR lpszNew);

  // printf's formats and arguments (checked by the compiler): pass a CString as (LPCTSTR)s.
  void Format(LPCTSTR lpszFormat, ...) AFX_PRINTF_FORMAT(2, 3);
  void Format(UINT nFormatID, ...);
  void FormatV(LPCTSTR lpszFormat, va_list argList);
  BOOL LoadString(UINT nID);

  // A writable buffer of at least nMinBufLength characters plus the zero; the string's contents
  // are kept. ReleaseBuffer sets the length to nNewLength, or to the zero-terminated length for -1.
  LPTSTR GetBuffer(int nMinBufLength);
  void ReleaseBuffer(int nNewLength = -1);
  LPTSTR GetBufferSetLength(int nNewLength);
  void FreeExtra() { m_str.shrink_to_fit(); }

 private:
  std::string m_str;
};

CString operator+(const CString& string1, const CString& string2);
CString operator+(const CString& string, TCHAR ch);
CString operator+(TCHAR ch, const CString& string);
CString operator+(const CString& string, LPCTSTR lpsz);
CString operator+(LPCTSTR lpsz, const CString& string);

inline bool operator==(const CString& s1, const CString& s2) { return s1.Compare(s2) == 0; }
inline bool operator==(const CString& s1, LPCTSTR s2) { return s1.Compare(s2) == 0; }
inline bool operator==(LPCTSTR s1, const CString& s2) { return s2.Compare(s1) == 0; }
inline bool operator!=(const CString& s1, const CString& s2) { return s1.Compare(s2) != 0; }
inline bool operator!=(const CString& s1, LPCTSTR s2) { return s1.Compare(s2) != 0; }
inline bool operator!=(LPCTSTR s1, const CString& s2) { return s2.Compare(s1) != 0; }
inline bool operator<(const CString& s1, const CString& s2) { return s1.Compare(s2) < 0; }
inline bool operator<(const CString& s1, LPCTSTR s2) { return s1.Compare(s2) < 0; }
inline bool operator<(LPCTSTR s1, const CString& s2) { return s2.Compare(s1) > 0; }
inline bool operator>(const CString& s1, const CString& s2) { return s1.Compare(s2) > 0; }
inline bool operator>(const CString& s1, LPCTSTR s2) { return s1.Compare(s2) > 0; }
inline bool operator>(LPCTSTR s1, const CString& s2) { return s2.Compare(s1) < 0; }
inline bool operator<=(const CString& s1, const CString& s2) { return s1.Compare(s2) <= 0; }
inline bool operator<=(const CString& s1, LPCTSTR s2) { return s1.Compare(s2) <= 0; }
inline bool operator<=(LPCTSTR s1, const CString& s2) { return s2.Compare(s1) >= 0; }
inline bool operator>=(const CString& s1, const CString& s2) { return s1.Compare(s2) >= 0; }
inline bool operator>=(const CString& s1, LPCTSTR s2) { return s1.Compare(s2) >= 0; }
inline bool operator>=(LPCTSTR s1, const CString& s2) { return s2.Compare(s1) <= 0; }

// The string-table reader the Win32 half installs: copies string nID into lpszBuf (at most nMaxBuf
// chars with the zero) and returns its length, 0 when there is no such string.
typedef int (*AFX_LOADSTRING_PROC)(UINT nID, LPTSTR lpszBuf, UINT nMaxBuf);
void AfxSetLoadStringProc(AFX_LOADSTRING_PROC pfnLoadString);

#endif  // FRAMEWORK_STR_H
