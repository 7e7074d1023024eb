// The bitmap cell: a BMP file held somewhere inside a byte array (as a database's picture field keeps
// it) drawn in the cell. The bytes are checked before anything is drawn: the signature, a whole file
// header and information header, and the sizes the header claims against what the buffer holds.
// Not for: other picture formats.
#ifndef GRID_CONTROLS_GXDAOBITMAP_H
#define GRID_CONTROLS_GXDAOBITMAP_H

#include "GXStatic.h"

enum : WORD { GX_IDS_UA_DAOBITMAP = 52794 };

// The packed device-independent bitmap of a BMP file found in a byte array (from its first "BM" on;
// without bKeepFileHeader the 14-byte file header is left out). FALSE, with nothing in out, when there is
// no signature, when the file and information headers do not fit, or when the colour table or the bits
// that the header describes run past the end of the bytes.
BOOL GXCreateDIBFromBytes(const BYTE* pBytes, size_t nSize, BOOL bKeepFileHeader, CByteArray& out);

class CGXDaoBitmap : public CGXStatic {
 public:
  explicit CGXDaoBitmap(CGXGridCore* pGrid) : CGXStatic(pGrid) {}
  static const GXCONTROLCLASS classCGXDaoBitmap;
  const GXCONTROLCLASS* GetRuntimeClass() const override { return &classCGXDaoBitmap; }
};

#endif  // GRID_CONTROLS_GXDAOBITMAP_H
