// What the raster dialogs compute without the window system: the rotate dialog's angle rules, the
// save-as format table with its colour classes and the save dialog's filter, and the names of the
// imaging library's format codes that the properties dialog shows. Portable: never includes
// <windows.h>; the dialogs in RotateDlg, SaveRaster and RasterPropertiesDlg use these.
#pragma once

#include <cstdint>
#include <vector>

#include "Str.h"

// --- rotation ----------------------------------------------------------------------------------

// The rotate dialog's four choices, in the order of its radio buttons.
enum RotateChoice { kRotate90 = 0, kRotate180 = 1, kRotate270 = 2, kRotateFree = 3 };

// The choice an angle (hundredths of a degree) opens with: its whole degrees pick 90, 180 or 270,
// anything else is free.
int RotateChoiceOfAngle(int32_t nAngle);
// The free angle as the edit shows it: degrees with two decimals ("45.50" for 4550).
CString RotateAngleText(int32_t nAngle);
// The angle a choice stands for; for a free choice, the edit's degrees x 100 truncated.
int32_t RotateAngleOfChoice(int nChoice, double dFreeDegrees);
// The free angle the edit accepts, in degrees: a whole turn either way. Beyond it the hundredths
// would no longer fit the library's 32-bit angle, and a turn of more than 360 degrees is one of
// less anyway.
constexpr double kRotateFreeMin = -360.0;
constexpr double kRotateFreeMax = 360.0;

// --- save formats ------------------------------------------------------------------------------

// One row of the save-as format list: the list's "extension, name" text, the library's format
// code and the colour classes the format can store.
struct SaveFormat {
  const char* item;
  int32_t code;
  uint8_t mask;  // colour classes: 1 = 1 bit per pixel, 2 = 4, 4 = 8, 8 = 16, 16 = 24
};

constexpr int kSaveFormatCount = 45;
extern const SaveFormat kSaveFormats[kSaveFormatCount];

// The colour class of a depth in bits per pixel (1, 4, 8, 16, 24); 0 for any other depth, which no
// format is offered for.
int ColourClassOfDepth(int nBitsPerPixel);
// The table rows offered for a colour class, in table order.
std::vector<int> SaveFormatRowsForClass(int nColourClass);
// The list position selected first: the row whose code is the image's format code when the list
// holds it, else the first item (0).
int PreselectedSaveFormat(const std::vector<int>& rows, int32_t nFormatCode);
// The code the file is written with: the row's code, except that Xerox EPS (45) is written as
// PostScript (14).
int32_t SaveFileFormatCode(int nRow);

// A list item split at its first ",": the extension before it and the name from two characters
// after it. An item without a comma, or with nothing after it ("MSP,"), serves as both.
void SplitSaveFormatItem(const char* item, CString* pExtension, CString* pName);
// The save dialog's filter for an item: name + " (*.ext)|*.ext||".
CString SaveFormatFilter(const char* item);

// --- format names ------------------------------------------------------------------------------

// The properties dialog's name of a format code: the list item whose first two characters are the
// code as "%02d", without those two characters; "Undefined" when no item has them.
CString FormatNameOfCode(int32_t nCode);
