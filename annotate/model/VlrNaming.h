// Where the side file of a drawing lies: beside the drawing (plan.tif.VLR, or plan.VLR on a
// volume of short names), or in the annotation folder under a unique name that the index file
// "VLRFile.idx" of that folder maps from the drawing's path. Also the safe way every annotation
// file is written: under a temporary name first, then put in the place of the old one.
// Not for: reading or writing the side file itself (Vlr.h).
#pragma once

#include <functional>

#include "Str.h"

class CArchive;
class CVlrHost;

// The index file's name in the annotation folder.
extern const char kVlrIndexName[];

// The drawing's file name: the text after the last "\", else after the last "/", else all.
CString VlrDrawingName(LPCSTR lpszPath);
// The side file beside the drawing.
CString VlrSideFileBeside(LPCSTR lpszDrawingPath, BOOL bLongFileNames);
// The side file through the index of the annotation folder (ending in a separator): the stored
// name when the index maps the drawing's path (compared without regard to case), else a new
// unique name, which the index then keeps. An index that exists but cannot be read is left as it
// is, so that one damaged read never throws away the names of every other drawing.
CString VlrSideFileFromIndex(LPCSTR lpszDrawingPath, LPCSTR lpszFolder, CVlrHost& host);
// The naming rule as a whole.
CString VlrSideFileName(LPCSTR lpszDrawingPath, BOOL bUseRedlineDir, LPCSTR lpszRedlineDir, CVlrHost& host);

// Writes the file through fnStore into a new file of the same folder and then puts it in the
// place of lpszPath. FALSE, with lpszPath untouched, when any step fails.
BOOL VlrWriteFile(LPCSTR lpszPath, CVlrHost& host, const std::function<void(CArchive&)>& fnStore);
