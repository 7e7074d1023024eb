// The raster dialogs' rules and tables, without the window system.
#include "model/RasterDlgModel.h"

#include <cmath>
#include <cstdio>
#include <cstring>

// --- rotation ----------------------------------------------------------------------------------

int RotateChoiceOfAngle(int32_t nAngle) {
  switch (nAngle / 100) {
    case 90: return kRotate90;
    case 180: return kRotate180;
    case 270: return kRotate270;
    default: return kRotateFree;
  }
}

CString RotateAngleText(int32_t nAngle) {
  CString text;
  text.Format("%0.2f", nAngle / 100.0);
  return text;
}

int32_t RotateAngleOfChoice(int nChoice, double dFreeDegrees) {
  switch (nChoice) {
    case kRotate90: return 9000;
    case kRotate180: return 18000;
    case kRotate270: return 27000;
    default: break;
  }
  if (!(dFreeDegrees >= kRotateFreeMin)) dFreeDegrees = kRotateFreeMin;  // NaN too
  if (dFreeDegrees > kRotateFreeMax) dFreeDegrees = kRotateFreeMax;
  // Hundredths typed in decimal are seldom exact in binary (0.29 x 100 is 28.999...): a nudge far
  // below a hundredth keeps the truncation from taking away a digit the user typed.
  const double hundredths = dFreeDegrees * 100.0;
  return static_cast<int32_t>(std::trunc(hundredths + (hundredths < 0 ? -1e-7 : 1e-7)));
}

// --- save formats ------------------------------------------------------------------------------

const SaveFormat kSaveFormats[kSaveFormatCount] = {
    {"TIF, TIFF uncompressed", 0, 23},
    {"BMP, Windows Bitmap uncompressed", 1, 23},
    {"PCX", 2, 23},
    {"TGA, TARGA", 3, 28},
    {"WPG, WordPerfect Graphics", 5, 22},
    {"WMF,  Windows Metafile", 6, 23},
    {"TIF, TIFF Huffman", 7, 1},
    {"TIF, TIFF G3", 8, 1},
    {"TIF, TIFF G4", 10, 1},
    {"DCX", 11, 23},
    {"BMP, Windows Bitmap RLE compressed", 12, 6},
    {"JPG, JPEG", 13, 20},
    {"EPS, PostScript", 14, 21},
    {"PCT, PICT Macintosh", 15, 23},
    {"TIF, TIFF Packbits", 16, 1},
    {"TIF, TIFF 2D", 17, 1},
    {"CAL, CALS", 18, 1},
    {"LDA, Laser Data", 19, 1},
    {"XBM, X Bitmap", 20, 1},
    {"MPT, Mac Paint", 21, 1},
    {"KOFAX", 23, 1},
    {"ICO, Ikon", 25, 3},
    {"IFF, IFF - ILBM", 26, 23},
    {"CLP, Clip board", 27, 23},
    {"BKT, Brook Trout", 29, 1},
    {"MSP,", 30, 1},
    {"TGA, TARGA 16", 32, 8},
    {"G3, CCITT G3", 33, 1},
    {"G4, CCITT G4", 34, 1},
    {"XPM", 35, 4},
    {"XWD", 36, 4},
    {"RAS, RAST", 37, 21},
    {"TIF, TIFF JPEG", 40, 20},
    {"PSP, Photoshop", 41, 23},
    {"IMN, IMNET", 42, 1},
    {"PNG, PING", 43, 23},
    {"EPS, Xerox EPS", 45, 1},
    {"DIB", 48, 23},
    {"MI, MODCA IOCA", 49, 1},
    {"TIF, TIFF G4 FO", 51, 1},
    {"G4, CCITT G4 FO", 52, 1},
    {"G3, CCITT G3 FO", 53, 1},
    {"C4, JEDMICS", 56, 1},
    {"PCL,", 57, 1},
    {"PDF, Acrobat PDF", 59, 1},
};

int ColourClassOfDepth(int nBitsPerPixel) {
  switch (nBitsPerPixel) {
    case 1: return 1;
    case 4: return 2;
    case 8: return 4;
    case 16: return 8;
    case 24: return 16;
    default: return 0;
  }
}

std::vector<int> SaveFormatRowsForClass(int nColourClass) {
  std::vector<int> rows;
  for (int row = 0; row < kSaveFormatCount; ++row) {
    if (kSaveFormats[row].mask & nColourClass) rows.push_back(row);
  }
  return rows;
}

int PreselectedSaveFormat(const std::vector<int>& rows, int32_t nFormatCode) {
  for (size_t i = 0; i < rows.size(); ++i) {
    if (kSaveFormats[rows[i]].code == nFormatCode) return static_cast<int>(i);
  }
  return 0;
}

int32_t SaveFileFormatCode(int nRow) {
  if (nRow < 0 || nRow >= kSaveFormatCount) return -1;
  const int32_t code = kSaveFormats[nRow].code;
  return code == 45 ? 14 : code;
}

void SplitSaveFormatItem(const char* item, CString* pExtension, CString* pName) {
  const CString text = item ? item : "";
  const int comma = text.Find(',');
  if (comma < 0) {
    *pExtension = text;
    *pName = text;
    return;
  }
  *pExtension = text.Left(comma);
  *pName = text.Mid(comma + 2);
  // "MSP," and "PCL," name nothing after the comma: a filter without a description would show a
  // blank line in the dialog's type box.
  if (pName->IsEmpty()) *pName = *pExtension;
}

CString SaveFormatFilter(const char* item) {
  CString extension, name;
  SplitSaveFormatItem(item, &extension, &name);
  return name + " (*." + extension + ")|*." + extension + "||";
}

// --- format names ------------------------------------------------------------------------------

namespace {

const char* const kFormatNames[] = {
    "00TIFF uncompressed", "01Windows Bitmap uncompressed", "02PCX", "03TARGA", "04GIF",
    "05WordPerfect Graphics", "06Windows Metafile", "07TIFF Huffman", "08TIFF G3", "09TIFF LZW",
    "10TIFF G4", "11DCX", "12Windows Bitmap compressed", "13JPEG", "14PostScript",
    "15PICT Macintosh", "16TIFF Packbits", "17TIFF 2D", "18CALS", "19Laser Data", "20X Bitmap",
    "21Mac Paint", "22GX2", "23KOFAX", "24IOCA", "25Ikon", "26IFF - ILBM",
    "27Windows Clipboard format", "28GEM IMG", "29Brook Trout", "30MSP", "31CUT", "32TARGA 16",
    "33CCITT G3", "34CCITT G4", "35XPM", "36XWD", "37RAST", "38ASCII", "39Photo CD", "40TIFF JPEG",
    "41Photoshop", "42IMNET", "43PING", "44GIF Interlaced", "45Xerox EPS", "46TIFF ABIC",
    "47TIFF ABIC Black and white", "48DIB", "49MODCA IOCA", "50Odefinierat", "51TIFF G4 FO",
    "52CCITT G4 FO", "53CCITT G3 FO", "54Flash Pix", "55Dicom", "56JEDMICS", "57PCL 1", "58WINFAX",
    "59Acrobat PDF", "60SCITEX", "61MAG", "62DCS", "63EPS Bitmap", "Undefined",
};
constexpr size_t kFormatNameCount = sizeof kFormatNames / sizeof kFormatNames[0];

}  // namespace

CString FormatNameOfCode(int32_t nCode) {
  char key[16];
  std::snprintf(key, sizeof key, "%02d", static_cast<int>(nCode));
  // The key must be exactly the item's first two characters: "100" or "-1" match no item.
  if (std::strlen(key) == 2) {
    for (size_t i = 0; i + 1 < kFormatNameCount; ++i) {
      if (std::strncmp(kFormatNames[i], key, 2) == 0) return CString(kFormatNames[i] + 2);
    }
  }
  return CString(kFormatNames[kFormatNameCount - 1]);
}
