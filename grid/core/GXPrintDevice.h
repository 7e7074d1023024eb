// Four small types that other parts of the grid pass around: the sort keys that sorting takes, the
// base of the undo command factory, the update hint that views exchange, and the printer settings
// a parameter object keeps (which forward to the print-device feature).
// Not for: sorting, undo or printing themselves.
#ifndef GRID_CORE_GXPRINTDEVICE_H
#define GRID_CORE_GXPRINTDEVICE_H

#include "GXCellRange.h"
#include "GXFeatures.h"

// One sort key: 28 bytes whose fields the sort feature defines.
struct GXSortInfo {
  BYTE bytes[28];
};

class CGXSortInfoArray : public CObject {
  DECLARE_DYNAMIC(CGXSortInfoArray)

 public:
  CGXSortInfoArray() = default;
  ~CGXSortInfoArray() override;
  CGXSortInfoArray(const CGXSortInfoArray&) = delete;
  CGXSortInfoArray& operator=(const CGXSortInfoArray&) = delete;

  void SetSize(int nNewSize, int nGrowBy = -1);
  int GetSize() const { return m_nSize; }
  int GetCapacity() const { return m_nMaxSize; }
  GXSortInfo& operator[](int i) { return m_pData[i]; }
  const GXSortInfo& operator[](int i) const { return m_pData[i]; }

 private:
  GXSortInfo* m_pData = nullptr;
  int m_nSize = 0;
  int m_nMaxSize = 0;
  int m_nGrowBy = 0;
};

class CGXGridHint : public CObject {
  DECLARE_DYNAMIC(CGXGridHint)

 public:
  CGXGridHint(UINT nCode, DWORD nGroup) : m_nCode(nCode), m_nGroup(nGroup) {}

  UINT m_nCode;
  CGXCellRange m_range;
  DWORD m_nExtra1 = 0;
  DWORD m_nExtra2 = 0;
  ROWCOL m_nRow1 = 0, m_nRow2 = 0, m_nRow3 = 0;
  ROWCOL m_nCol1 = 0, m_nCol2 = 0, m_nCol3 = 0;
  DWORD m_nValue1 = 0, m_nValue2 = 0, m_nValue3 = 0;
  UINT m_nFlags = 0;
  DWORD m_nGroup;
};

class CGXPrintDevice : public CObject {
  DECLARE_SERIAL(CGXPrintDevice)

 public:
  CGXPrintDevice();
  ~CGXPrintDevice() override;
  CGXPrintDevice(const CGXPrintDevice&) = delete;
  CGXPrintDevice& operator=(const CGXPrintDevice& other);

  // A 16-bit schema 1, then the device-names block and the device-mode block, each as a 32-bit
  // size and its bytes.
  void Serialize(CArchive& ar) override;
  virtual void* GetPrinterDC();
  virtual void ResetDevice();

  void SetDevice(void* hDevNames, void* hDevMode);
  void SetDeviceData(const BYTE* pNames, DWORD nNames, const BYTE* pMode, DWORD nMode);
  void FreeDevice();
  void GetDeviceData(BYTE** ppNames, DWORD* pnNames, BYTE** ppMode, DWORD* pnMode);
  void CreateDefaultDevice();
  void EnsureDevice();

  void* m_hDevMode = nullptr;
  void* m_hDevNames = nullptr;
  DWORD m_nState = 0;
  CGXAbstractPrintDeviceImp* m_pImp;
};

#endif  // GRID_CORE_GXPRINTDEVICE_H
