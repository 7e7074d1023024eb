// The window-system half of the grid library's start-up in the builds without a window system:
// there are no window classes, clipboard formats or installed fonts to look at.
#include "GXControlFactory.h"
#include "GXFont.h"
#include "GXGridState.h"

void GXInitWindowSystem(GX_GRID_STATE*) {}
void GXEnumSystemFaces(CGXFaceNameTable*) {}
void GXRegisterGridWindowClasses(void*) {}
void GXUnregisterGridWindowClasses(void*) {}
