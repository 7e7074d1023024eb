// Shared helpers of the application that need the window system: region area, window capture,
// volume tests, paths beside the program or in the temporary folder, finding an open document
// by its path, and reading the registry. The portable ones are in model/PlainHelpers.h.
#pragma once

#include "FrameworkWin.h"

// The sum of width x height over the region's rectangles; 0 for an empty region.
long long RegionArea(HRGN region);
// A copy of the window's client area (or of the given client rectangle) as a new bitmap the
// caller owns; null when the handle is no window.
HBITMAP CaptureWindow(HWND window, const RECT* rect = nullptr);
BOOL SupportsLongFileNames(LPCSTR path);
BOOL IsNetworkOrCdDrive(LPCSTR path);
// The program's folder with its final "\", followed by name.
CString GetProgramDirPath(LPCSTR name);
// The system's temporary folder followed by name.
CString GetTempDirPath(LPCSTR name);
// The open document of any template whose path equals the given one without regard to case.
CDocument* FindOpenDocument(LPCSTR path);

// Opens the key under root; FALSE (and a null handle) when it is missing.
BOOL OpenRegKey(HKEY root, LPCSTR subKey, HKEY& rKey);
// Closes the key and clears the handle; a null handle is left as it is.
void CloseRegKey(HKEY& rKey);
// A string value of any length; FALSE when the value is missing or no string.
BOOL ReadRegString(HKEY key, LPCSTR name, CString& rValue);
