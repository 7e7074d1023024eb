// What the drawing wrapper of the plot-file converters decides without the toolkit: the nearest
// colour number of an RGB colour, the names it gives layers and text styles, and the flags a
// TrueType text style carries in its extended data.
// Not for: adding the entities and layers (the wrapper does that through the toolkit).
#pragma once

#include <cstdint>
#include <string>

// The colour number for a Windows RGB value: -1 gives 256 (BYLAYER); otherwise the first number
// 0 to 255 whose palette colour has the smallest sum of channel differences.
int NearestColorIndex(int64_t rgb);

// A layer or text-style name: upper case, with : ; space \ / . , + * " # made underscores, at
// most 32 characters.
std::string TaveloRecordName(const std::string& name);

// The flags word (extended-data group 1071) of a TrueType text style: bold from weight 700, and
// italic. The text hook reads the same bits back.
constexpr uint32_t kTaveloBoldFlag = 0x200000;
constexpr uint32_t kTaveloItalicFlag = 0x100000;
uint32_t TaveloTextFlags(int weight, int italic);
inline bool TaveloFlagsBold(uint32_t flags) { return (flags & kTaveloBoldFlag) != 0; }
inline bool TaveloFlagsItalic(uint32_t flags) { return (flags & kTaveloItalicFlag) != 0; }
