// The basic Windows types the framework and its callers use (BOOL, BYTE, WORD, DWORD, LONG, UINT,
// LPCTSTR, POINT, SIZE, RECT ...), for the portable half of the framework.
//
// In the Windows build they come from the platform's own <windef.h> (not <windows.h>), so that
// they are the very types the Win32 half and the Windows API use: a CRect passes where the API
// wants a RECT*. In the native build they are declared here with the same sizes as on Windows:
// DWORD and LONG are 32 bits (not the 64-bit long of Linux). ANSI only: TCHAR is char.
// Not for: handles or window-system types, which belong to the Win32 half.
#ifndef FRAMEWORK_FRAMEWORKTYPES_H
#define FRAMEWORK_FRAMEWORKTYPES_H

#include <cstddef>
#include <cstdint>

#ifdef _WIN32
#include <tchar.h>
#include <windef.h>
#else
typedef int BOOL;
typedef unsigned char BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef unsigned int UINT;
typedef char CHAR;
typedef char TCHAR;
typedef char* LPSTR;
typedef const char* LPCSTR;
typedef char* LPTSTR;
typedef const char* LPCTSTR;
typedef void* LPVOID;
typedef const void* LPCVOID;
typedef BOOL* LPBOOL;
typedef BYTE* LPBYTE;
typedef WORD* LPWORD;
typedef DWORD* LPDWORD;
typedef LONG* LPLONG;
typedef UINT* PUINT;
typedef intptr_t INT_PTR;
typedef uintptr_t UINT_PTR;
typedef intptr_t LONG_PTR;
typedef uintptr_t DWORD_PTR;
typedef UINT_PTR WPARAM;
typedef LONG_PTR LPARAM;

typedef struct tagPOINT {
  LONG x;
  LONG y;
} POINT, *PPOINT, *LPPOINT;

typedef struct tagSIZE {
  LONG cx;
  LONG cy;
} SIZE, *PSIZE, *LPSIZE;

typedef struct tagRECT {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
} RECT, *PRECT, *LPRECT;
typedef const RECT* LPCRECT;

#ifndef FALSE
#define FALSE 0
#endif
#ifndef TRUE
#define TRUE 1
#endif

#define _T(x) x
#endif  // _WIN32

// Iteration handle of the framework's lists and maps; opaque to callers.
struct AFX_POSITION {};
typedef AFX_POSITION* POSITION;

// The position GetStartPosition gives for a map that is not empty: before its first entry.
#define BEFORE_START_POSITION ((POSITION)-1L)

#endif  // FRAMEWORK_FRAMEWORKTYPES_H
