// Without a window system the combo lists have no window and no byte begins a double-byte character.
#include "GXControls.h"

void GXInstallCellControlWindows() {}
