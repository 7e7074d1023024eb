// The Win32 headers as the framework's Win32 half includes them. windows.h renames LoadString
// to LoadStringA; CString::LoadString is declared by the portable half, which never sees
// windows.h, so the name must stay as it is.
#pragma once

#include <windows.h>

#undef LoadString
