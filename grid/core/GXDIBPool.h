// Device-independent bitmaps of the grid: CGXDIB holds one bitmap handle with the numbers of its header,
// and the process-wide pool CGXDIBPool loads each bitmap named by a cell's "#BMP(" text once and shares
// it by key. How a bitmap is made and freed is the window system's (CGXDIBPlatform); each handle is freed
// with the call that matches how it was made.
// Not for: drawing the bitmaps.
#ifndef GRID_CORE_GXDIBPOOL_H
#define GRID_CORE_GXDIBPOOL_H

#include "Framework.h"

// How a bitmap handle was made, which decides how it is freed.
enum GXDIBKind {
  gxDibGlobal = 0,  // a packed DIB in global memory
  gxDibObject = 1   // a bitmap object of the graphics system
};

class CGXDIBPlatform {
 public:
  virtual ~CGXDIBPlatform() = default;
  // A bitmap resource by name (pszName) or, when it is null, by id; null when there is none.
  virtual void* LoadDIBResource(LPCTSTR pszName, UINT nId, int& nKind) = 0;
  virtual void FreeDIB(void* hDIB, int nKind) = 0;
  // The width, height and palette entry count of the bitmap's header; FALSE when it has none.
  virtual BOOL ReadHeader(void* hDIB, int nKind, LONG& nWidth, LONG& nHeight, int& nColors) = 0;
};

// Installs the window system's bitmaps (null: none, every load fails); the caller keeps ownership.
void GXSetDIBPlatform(CGXDIBPlatform* pPlatform);
CGXDIBPlatform* GXGetDIBPlatform();

class CGXDIB : public CObject {
  DECLARE_DYNAMIC(CGXDIB)

 public:
  CGXDIB() = default;
  ~CGXDIB() override;
  // Takes the handle (freeing the one held before) and reads its header; FALSE for a null handle.
  BOOL Attach(void* hDIB, int nKind);
  void* Detach();
  void* GetHandle() const { return m_hDIB; }
  LONG GetWidth() const { return m_nWidth; }
  LONG GetHeight() const { return m_nHeight; }
  int GetColorCount() const { return m_nColors; }

  BOOL m_bAutoFree = TRUE;  // the held handle is freed with the object

 private:
  void Free();
  void* m_hDIB = nullptr;
  int m_nKind = gxDibObject;
  int m_nColors = 0;
  LONG m_nWidth = 0;
  LONG m_nHeight = 0;
};

class CGXDIBPool : public CObject {
  DECLARE_DYNAMIC(CGXDIBPool)

 public:
  CGXDIBPool() = default;
  ~CGXDIBPool() override;
  CGXDIBPool(const CGXDIBPool&) = delete;

  // The bitmap a "#BMP(" text names, loaded on first use; null when the text names none or it cannot
  // be loaded.
  virtual void* GetDIB(LPCTSTR pszText);
  // 0 when the text names no bitmap; else 1 with the key, and the resource's id or (quoted) name.
  virtual int ParseBitmapText(LPCTSTR pszText, CString& sKey, UINT& nId, CString& sName);
  virtual void MakeIdKey(UINT nId, CString& sKey);
  void RemoveAll();
  int GetCount() const { return (int)m_map.GetCount(); }

 private:
  struct Entry {
    void* hDIB;
    int nKind;
  };
  CMapStringToPtr m_map;  // key -> owned Entry
};

// The pool in the given slot, created on first use.
CGXDIBPool* GetDIBPool(CGXDIBPool*& pSlot);
// The library's pool, freed at exit.
CGXDIBPool* GXGetLibraryDIBPool();

#endif  // GRID_CORE_GXDIBPOOL_H
