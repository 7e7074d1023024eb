// The device-independent bitmap class over the packed form of OXDIBFile.h.
#include "OXDIB.h"

#include <cstring>
#include <vector>

#include "OXDIBFile.h"

IMPLEMENT_SERIAL(COXDIB, CObject, 1)

namespace {

// The layout of a locked block; false when it isn't a block the rules know.
bool LayoutOf(HGLOBAL h, DibLayout* layout) {
  if (!h) return false;
  const void* p = ::GlobalLock(h);
  if (!p) return false;
  bool ok = DibLayoutOf(static_cast<const uint8_t*>(p), ::GlobalSize(h), layout);
  ::GlobalUnlock(h);
  return ok;
}

}  // namespace

COXDIB::COXDIB(const void* pPacked) { Assign(pPacked); }

COXDIB::~COXDIB() { Empty(); }

void COXDIB::Empty() {
  if (m_hDIB) ::GlobalFree(m_hDIB);
  m_hDIB = nullptr;
  delete m_pPalette;
  m_pPalette = nullptr;
}

size_t COXDIB::BlockSize() const { return m_hDIB ? ::GlobalSize(m_hDIB) : 0; }

CSize COXDIB::GetSize() const {
  DibLayout l;
  if (!LayoutOf(m_hDIB, &l)) return CSize(0, 0);
  return CSize(l.width, l.height);
}

int COXDIB::GetBitCount() const {
  DibLayout l;
  return LayoutOf(m_hDIB, &l) ? l.bitCount : 0;
}

int COXDIB::GetNumColors() const {
  DibLayout l;
  return LayoutOf(m_hDIB, &l) ? (int)l.colors : 0;
}

int COXDIB::GetPaletteSize() const {
  DibLayout l;
  return LayoutOf(m_hDIB, &l) ? (int)l.colorTableSize : 0;
}

BOOL COXDIB::TakeBytes(const void* pBytes, size_t nSize) {
  Empty();
  HGLOBAL h = ::GlobalAlloc(GMEM_MOVEABLE, nSize);
  if (!h) return FALSE;
  void* p = ::GlobalLock(h);
  if (!p) {
    ::GlobalFree(h);
    return FALSE;
  }
  std::memcpy(p, pBytes, nSize);
  ::GlobalUnlock(h);
  m_hDIB = h;
  BuildPalette();
  return TRUE;
}

void COXDIB::Assign(const void* pPacked) {
  if (!pPacked) return;
  const uint8_t* p = static_cast<const uint8_t*>(pPacked);
  DibLayout l;
  // Only info headers are taken; the caller's block must hold what its header says.
  if (!DibLayoutOf(p, kDibInfoHeaderSize, &l) || !l.info) return;
  uint32_t sizeImage = (uint32_t)p[20] | (uint32_t)p[21] << 8 | (uint32_t)p[22] << 16 | (uint32_t)p[23] << 24;
  uint64_t bits = (l.compression == 1 || l.compression == 2) ? sizeImage : l.imageSize;
  TakeBytes(p, (size_t)(kDibInfoHeaderSize + l.colorTableSize + bits));
}

void COXDIB::Assign(const COXDIB& other) {
  if (&other == this || !other.m_hDIB) return;
  const void* p = ::GlobalLock(other.m_hDIB);
  if (!p) return;
  std::vector<uint8_t> copy(static_cast<const uint8_t*>(p), static_cast<const uint8_t*>(p) + other.BlockSize());
  ::GlobalUnlock(other.m_hDIB);
  DibLayout l;
  if (DibLayoutOf(copy.data(), copy.size(), &l) && l.info) TakeBytes(copy.data(), copy.size());
}

void COXDIB::BuildPalette() {
  delete m_pPalette;
  m_pPalette = nullptr;
  DibLayout l;
  if (!LayoutOf(m_hDIB, &l) || l.colors == 0) return;
  const uint8_t* p = static_cast<const uint8_t*>(::GlobalLock(m_hDIB));
  if (!p) return;
  const size_t size = ::GlobalSize(m_hDIB);
  const size_t step = l.info ? 4 : 3;
  uint32_t n = l.colors;
  if (l.headerSize + (uint64_t)n * step > size) n = (uint32_t)((size - l.headerSize) / step);
  if (n > 256) n = 256;
  std::vector<uint8_t> buffer(sizeof(LOGPALETTE) + n * sizeof(PALETTEENTRY));
  LOGPALETTE* lp = reinterpret_cast<LOGPALETTE*>(buffer.data());
  lp->palVersion = 0x300;
  lp->palNumEntries = (WORD)n;
  for (uint32_t i = 0; i < n; ++i) {
    const uint8_t* c = p + l.headerSize + i * step;
    lp->palPalEntry[i].peRed = c[2];
    lp->palPalEntry[i].peGreen = c[1];
    lp->palPalEntry[i].peBlue = c[0];
    lp->palPalEntry[i].peFlags = 0;
  }
  ::GlobalUnlock(m_hDIB);
  if (n == 0) return;
  m_pPalette = new CPalette;
  if (!m_pPalette->CreatePalette(lp)) {
    delete m_pPalette;
    m_pPalette = nullptr;
  }
}

HGLOBAL COXDIB::CreateFromBitmap(CBitmap* pBitmap, CPalette* pPalette) {
  Empty();
  BITMAP bm;
  if (!pBitmap || !pBitmap->GetBitmap(&bm)) return nullptr;
  int bits = bm.bmPlanes * bm.bmBitsPixel;
  uint16_t bitCount;
  uint32_t used = 0;
  if (bits < 2) {
    bitCount = 1;
  } else if (bits < 5) {
    bitCount = 4;
    used = 16;
  } else if (bits < 9) {
    bitCount = 8;
    used = 256;
  } else {
    bitCount = 24;
  }
  BITMAPINFOHEADER bih = {};
  bih.biSize = sizeof bih;
  bih.biWidth = bm.bmWidth;
  bih.biHeight = bm.bmHeight;
  bih.biPlanes = 1;
  bih.biBitCount = bitCount;
  bih.biClrUsed = used;
  DibLayout l;
  if (!DibLayoutOf(reinterpret_cast<const uint8_t*>(&bih), sizeof bih, &l) || l.imageSize > 0x40000000u)
    return nullptr;
  bih.biSizeImage = (DWORD)l.imageSize;
  std::vector<uint8_t> block(sizeof bih + l.colorTableSize + (size_t)l.imageSize, 0);
  std::memcpy(block.data(), &bih, sizeof bih);
  HDC screen = ::GetDC(nullptr);
  HPALETTE oldPal = nullptr;
  if (pPalette) oldPal = ::SelectPalette(screen, static_cast<HPALETTE>(pPalette->GetSafeHandle()), FALSE);
  int lines = ::GetDIBits(screen, static_cast<HBITMAP>(pBitmap->GetSafeHandle()), 0, (UINT)bm.bmHeight,
                          block.data() + sizeof bih + l.colorTableSize,
                          reinterpret_cast<BITMAPINFO*>(block.data()), DIB_RGB_COLORS);
  if (oldPal) ::SelectPalette(screen, oldPal, FALSE);
  ::ReleaseDC(nullptr, screen);
  if (lines == 0) return nullptr;
  // GetDIBits may have rewritten the header's fields; keep the ones the rules rely on.
  std::memcpy(block.data(), &bih, sizeof bih);
  if (!TakeBytes(block.data(), block.size())) return nullptr;
  if (pPalette) {
    SetPaletteUsage(pPalette, DIB_RGB_COLORS);
    BuildPalette();
  }
  return m_hDIB;
}

void COXDIB::SetPaletteUsage(CPalette* pPalette, UINT nUsage) {
  DibLayout l;
  if (!LayoutOf(m_hDIB, &l) || l.colors == 0 || !l.info) return;
  if (l.colors == 3 && l.compression == BI_BITFIELDS) return;
  uint8_t* p = static_cast<uint8_t*>(::GlobalLock(m_hDIB));
  if (!p) return;
  const size_t size = ::GlobalSize(m_hDIB);
  uint32_t n = l.colors;
  if (kDibInfoHeaderSize + (uint64_t)n * 4 > size) n = (uint32_t)((size - kDibInfoHeaderSize) / 4);
  uint8_t* table = p + kDibInfoHeaderSize;
  if (nUsage == DIB_PAL_COLORS) {
    // The table is read as 16-bit indices when the bitmap is drawn with palette colours.
    for (uint32_t i = 0; i < n && (i + 1) * 2 <= n * 4; ++i) {
      table[i * 2] = (uint8_t)i;
      table[i * 2 + 1] = (uint8_t)(i >> 8);
    }
  } else {
    HPALETTE pal = pPalette ? static_cast<HPALETTE>(pPalette->GetSafeHandle())
                            : static_cast<HPALETTE>(::GetStockObject(DEFAULT_PALETTE));
    PALETTEENTRY entries[256];
    UINT count = ::GetPaletteEntries(pal, 0, n < 256 ? n : 256, entries);
    for (UINT i = 0; i < count; ++i) {
      table[i * 4] = entries[i].peBlue;
      table[i * 4 + 1] = entries[i].peGreen;
      table[i * 4 + 2] = entries[i].peRed;
      table[i * 4 + 3] = 0;
    }
  }
  ::GlobalUnlock(m_hDIB);
}

CBitmap* COXDIB::MakeBitmap(CDC* pDC, CSize& size) {
  DibLayout l;
  if (!pDC || !LayoutOf(m_hDIB, &l)) return nullptr;
  const bool mono = l.bitCount == 1;
  CBitmap probe;
  if (mono)
    probe.CreateBitmap(1, 1, 1, 1, nullptr);
  else
    probe.CreateBitmap(1, 1, (UINT)pDC->GetDeviceCaps(PLANES), (UINT)pDC->GetDeviceCaps(BITSPIXEL), nullptr);
  CBitmap* previous = pDC->SelectObject(&probe);
  if (!previous) return nullptr;
  HGDIOBJ previousHandle = previous->GetSafeHandle();

  uint8_t* p = static_cast<uint8_t*>(::GlobalLock(m_hDIB));
  if (!p) {
    pDC->SelectObject(CBitmap::FromHandle(static_cast<HBITMAP>(previousHandle)));
    return nullptr;
  }
  // A monochrome DIB becomes black on white for the conversion, whatever its two colours.
  uint8_t saved[8];
  const bool recolour = mono && l.info && ::GlobalSize(m_hDIB) >= kDibInfoHeaderSize + 8;
  if (recolour) {
    std::memcpy(saved, p + kDibInfoHeaderSize, 8);
    const uint8_t bw[8] = {0, 0, 0, 0, 255, 255, 255, 0};
    std::memcpy(p + kDibInfoHeaderSize, bw, 8);
  }
  CPalette* oldPalette = nullptr;
  if (m_pPalette) {
    oldPalette = pDC->SelectPalette(m_pPalette, TRUE);
    pDC->RealizePalette();
  }
  HBITMAP made = nullptr;
  if (kDibInfoHeaderSize + (uint64_t)l.colorTableSize + l.imageSize <= ::GlobalSize(m_hDIB) || !l.info) {
    made = ::CreateDIBitmap(pDC->GetSafeHdc(), reinterpret_cast<BITMAPINFOHEADER*>(p), CBM_INIT,
                            p + l.headerSize + l.colorTableSize, reinterpret_cast<BITMAPINFO*>(p), DIB_RGB_COLORS);
  }
  if (recolour) std::memcpy(p + kDibInfoHeaderSize, saved, 8);
  ::GlobalUnlock(m_hDIB);
  if (oldPalette) pDC->SelectPalette(oldPalette, TRUE);
  if (!made) {
    pDC->SelectObject(CBitmap::FromHandle(static_cast<HBITMAP>(previousHandle)));
    return nullptr;
  }
  // The context now holds the new bitmap; the caller gives the previous one back when done.
  ::SelectObject(pDC->GetSafeHdc(), made);
  size = CSize(l.width, l.height < 0 ? -l.height : l.height);
  return CBitmap::FromHandle(static_cast<HBITMAP>(previousHandle));
}

BOOL COXDIB::Read(CArchive& ar) {
  std::vector<uint8_t> packed;
  Empty();
  if (!DibReadBmp(ar, packed)) return FALSE;
  return TakeBytes(packed.data(), packed.size());
}

BOOL COXDIB::Write(CArchive& ar) const {
  if (!m_hDIB) return FALSE;
  const uint8_t* p = static_cast<const uint8_t*>(::GlobalLock(m_hDIB));
  if (!p) return FALSE;
  bool ok = DibWriteBmp(ar, p, ::GlobalSize(m_hDIB));
  ::GlobalUnlock(m_hDIB);
  return ok;
}

void COXDIB::Serialize(CArchive& ar) {
  CObject::Serialize(ar);
  if (ar.IsStoring())
    Write(ar);
  else
    Read(ar);
}
