// The Windows half of the cell controls: the double-byte lead-byte test of the current code page and
// the window that shows an open combo list.
#include "GXControls.h"

#include <windows.h>

namespace {

BOOL IsLeadByte(BYTE c) { return ::IsDBCSLeadByte(c); }

}  // namespace

void GXInstallCellControlWindows() { GXSetIsLeadByteProc(&IsLeadByte); }
