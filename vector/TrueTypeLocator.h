// The TrueType font locator of a drawing pass: a font file named by the drawing, or the file the
// registry's font list gives for a face, looked for in the system's Fonts folder.
#pragma once

#include "toolkit/core/font.h"
#include "toolkit/core/state.h"

// The request's file name becomes the full path of the font when it is found; otherwise both
// names are emptied.
void DwgFindTrueTypeFontCallback(TkTrueTypeRequest* request, TkUserData user);
