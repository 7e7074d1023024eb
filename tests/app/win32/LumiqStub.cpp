// An empty stand-in for the Ostrel program's support library: the Scan command only loads it to
// see that it is there.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
