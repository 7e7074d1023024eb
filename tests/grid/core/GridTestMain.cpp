// Registers the library's start-up as a test environment of every grid core test program.
#include "GridTestSupport.h"

#ifdef _WIN32
#include <windows.h>

int GridLibraryEnvironment::LoadFromModule(UINT nID, LPTSTR lpszBuf, UINT nMaxBuf) {
  return ::LoadStringA(::GetModuleHandleA(nullptr), nID, lpszBuf, (int)nMaxBuf);
}
#endif

static ::testing::Environment* const g_gridEnvironment =
    ::testing::AddGlobalTestEnvironment(new GridLibraryEnvironment);
