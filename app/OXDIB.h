// COXDIB: one device-independent bitmap held packed (header, colour table and bits in one block
// of movable global memory) with a palette built from its colour table. It is made from a bitmap
// or a packed block, read from and written to a BMP file through an archive, and turned into a
// device-dependent bitmap for painting. The main frame keeps one for its MDI background.
#pragma once

#include "FrameworkWin.h"

class COXDIB : public CObject {
  DECLARE_SERIAL(COXDIB)
 public:
  COXDIB() = default;
  // A copy of the packed block (with an info header; anything else leaves the object empty).
  explicit COXDIB(const void* pPacked);
  ~COXDIB() override;

  BOOL IsEmpty() const { return m_hDIB == nullptr; }
  void Empty();
  CSize GetSize() const;
  int GetBitCount() const;
  int GetNumColors() const;
  // Bytes of the colour table.
  int GetPaletteSize() const;
  CPalette* GetPalette() const { return m_pPalette; }
  HGLOBAL GetHandle() const { return m_hDIB; }

  void Assign(const COXDIB& other);
  void Assign(const void* pPacked);
  // Returns the block; null (and the object empty) on failure.
  HGLOBAL CreateFromBitmap(CBitmap* pBitmap, CPalette* pPalette = nullptr);
  // With DIB_PAL_COLORS the colour table becomes the indices 0 .. n - 1; otherwise it takes the
  // palette's first entries.
  void SetPaletteUsage(CPalette* pPalette = nullptr, UINT nUsage = DIB_RGB_COLORS);
  // A device bitmap of the DIB selected into the memory context pDC; returns the context's
  // previous bitmap (null on failure, when the context keeps its bitmap) and the size.
  CBitmap* MakeBitmap(CDC* pDC, CSize& size);

  void Serialize(CArchive& ar) override;
  // FALSE when storing a block without an info header or on a short read.
  BOOL Read(CArchive& ar);
  BOOL Write(CArchive& ar) const;

 private:
  // Takes the bytes of a packed block into a new global block; rebuilds the palette.
  BOOL TakeBytes(const void* pBytes, size_t nSize);
  void BuildPalette();
  size_t BlockSize() const;

  HGLOBAL m_hDIB = nullptr;       // owned
  CPalette* m_pPalette = nullptr;  // owned; null when the bitmap has no colour table
};
