// The bitmap cell's reading of a BMP file out of a byte array.
#include "GXDaoBitmap.h"

#include "GXTextLayout.h"

#include <cstdint>
#include <cstring>

const GXCONTROLCLASS CGXDaoBitmap::classCGXDaoBitmap = {"CGXDaoBitmap", &CGXStatic::classCGXStatic};

namespace {

const size_t kFileHeaderSize = 14;
const size_t kInfoHeaderSize = 40;

}  // namespace

BOOL GXCreateDIBFromBytes(const BYTE* pBytes, size_t nSize, BOOL bKeepFileHeader, CByteArray& out) {
  out.RemoveAll();
  if (pBytes == nullptr || nSize < 2)
    return FALSE;
  size_t nAt = 0;
  while (nAt + 1 < nSize && !(pBytes[nAt] == 'B' && pBytes[nAt + 1] == 'M'))
    ++nAt;
  if (nAt + 1 >= nSize)
    return FALSE;
  const size_t nLeft = nSize - nAt;
  if (nLeft < kFileHeaderSize + kInfoHeaderSize)
    return FALSE;
  const BYTE* pInfo = pBytes + nAt + kFileHeaderSize;
  const size_t nInfoLeft = nLeft - kFileHeaderSize;
  DWORD nHeaderSize = 0;
  std::memcpy(&nHeaderSize, pInfo, 4);
  if (nHeaderSize < kInfoHeaderSize || nHeaderSize > nInfoLeft)
    return FALSE;
  GXDIBLAYOUT layout;
  if (nInfoLeft > 0xFFFFFFFFu || !GXGetDibLayout(pInfo, (DWORD)nInfoLeft, layout))
    return FALSE;
  DWORD nCompression = 0;
  std::memcpy(&nCompression, pInfo + 16, 4);
  if (layout.nBitCount == 0)
    return FALSE;
  if (nCompression == 0) {
    // Uncompressed bits: every row padded to four bytes, all rows inside the buffer.
    const uint64_t nStride = (((uint64_t)layout.nWidth * layout.nBitCount + 31) / 32) * 4;
    const uint64_t nRows = layout.nHeight < 0 ? (uint64_t)(-(int64_t)layout.nHeight) : (uint64_t)layout.nHeight;
    if (layout.nBitsOffset + nStride * nRows > nInfoLeft)
      return FALSE;
  }
  const BYTE* pFrom = bKeepFileHeader ? pBytes + nAt : pInfo;
  const size_t nCopy = bKeepFileHeader ? nLeft : nInfoLeft;
  out.SetSize((int)nCopy);
  std::memcpy(out.GetData(), pFrom, nCopy);
  return TRUE;
}
