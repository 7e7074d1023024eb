// What the annotation dialogs compute without the window system: the fill-style radios of the
// properties dialog, the text height field of the text dialog (its range, a typed value, the
// spin's steps) and the one-line description of a text's font.
// Not for: the dialogs themselves (AnnDialogs.h), the unit table (Units.h).
#pragma once

#include "AnnObj.h"
#include "Str.h"

// The fill radios count from "&Frame" (style -2) to "Diagonal cr&osses" (style 5).
enum { kFillRadioCount = 8 };
// The radio of a fill style; -1 for a style no radio shows (a damaged file may hold any).
int FillRadioOfStyle(int nFillStyle);
// The fill style of a radio; nKeep when the radio is none of the eight.
int FillStyleOfRadio(int nRadio, int nKeep);

// Text heights in true millimetres, as the dialog's spin takes them.
enum { kTextHeightMin = 1, kTextHeightMax = 30000 };
// The height nearest to the millimetres within the range (NaN gives the least).
int ClampTextHeight(double dMillimetres);
// A height the user typed, in the unit of the setting "Unit"; nKeep when the text holds no
// positive number.
int ParseTextHeight(LPCSTR lpszText, int nKeep);
// One spin acceleration increment scaled by the unit's step, no wider than the whole range.
unsigned ScaleSpinIncrement(unsigned nIncrement, int nStep);

// "face style": the face name and the style name ("Regular", "Bold", "Italic", "Bold Italic").
CString DescribeFont(const AnnLogFont& font);
