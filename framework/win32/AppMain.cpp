// The program's entry point: the framework's WinMain hands control to the one CWinApp object.
// It lives in its own file so that programs with their own main (the test programs) do not pull
// it in from the library.
#include "Win32Platform.h"

#include "WinApp.h"

extern "C" int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow) {
  return AfxWinMain(hInstance, hPrevInstance, lpCmdLine, nCmdShow);
}
