// The one header the application includes for the portable half of the class framework; the
// Win32 half has its own umbrella in win32/.
#ifndef FRAMEWORK_FRAMEWORK_H
#define FRAMEWORK_FRAMEWORK_H

#include "FrameworkTypes.h"
#include "Object.h"
#include "Str.h"
#include "Exception.h"
#include "Point.h"
#include "Rect.h"
#include "File.h"
#include "MemFile.h"
#include "StdioFile.h"
#include "Archive.h"
#include "Array.h"
#include "List.h"
#include "Map.h"

#endif  // FRAMEWORK_FRAMEWORK_H
