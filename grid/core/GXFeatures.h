// The abstract application-wide feature objects of the grid that the data model forwards to:
// serialisation, style comparison, parameter copy and the print device. Each feature is one object
// reached through the library's state (GXGridState.h); a null pointer there means the feature is
// absent and the forwarding operation does nothing.
// Not for: the per-grid features, which belong to the engine.
#ifndef GRID_CORE_GXFEATURES_H
#define GRID_CORE_GXFEATURES_H

#include "Framework.h"

class CGXGridParam;
class CGXData;
class CGXStylesMap;
class CGXProperties;
class CGXStyle;
class CGXFont;
class CGXInteriorFill;
class CGXBorderLine;
class CGXStylePtrArray;
class CGXStylePtrArrayPtrArray;
class CGXPrintDevice;

// The root of the application-wide feature objects, so that the library's state frees them alike.
class CGXAbstractFeature {
 public:
  virtual ~CGXAbstractFeature() = default;
};

class CGXAbstractGridDocSerializeImp : public CGXAbstractFeature {
 public:
  virtual void SerializeStylesMap(CGXStylesMap* pMap, CArchive& ar) = 0;
  virtual void SerializeData(CGXData* pData, CArchive& ar) = 0;
  virtual void SerializeCellRows(CGXStylePtrArrayPtrArray* pRows, CArchive& ar) = 0;
  virtual void SerializeStyleArray(CGXStylePtrArray* pArray, CArchive& ar) = 0;
  virtual void SerializeProperties(CGXProperties* pProperties, CArchive& ar) = 0;
  virtual void SerializeParam(CGXGridParam* pParam, CArchive& ar) = 0;
};

class CGXAbstractStyleSerializeImp : public CGXAbstractFeature {
 public:
  virtual void SerializeFont(CGXFont* pFont, CArchive& ar) = 0;
  virtual CArchive& SerializeInterior(CGXInteriorFill* pFill, CArchive& ar) = 0;
  virtual void SerializeBorderLine(CGXBorderLine* pLine, CArchive& ar) = 0;
  virtual void SerializeStyle(CGXStyle* pStyle, CArchive& ar, const CGXStylesMap* pStylesMap) = 0;
};

class CGXAbstractSerializeCR5CompatibleImp : public CGXAbstractFeature {
 public:
  virtual void ReadOldUserAttributes(CGXStyle* pStyle, CArchive& ar) = 0;
};

class CGXAbstractStyleCompareSubsetImp : public CGXAbstractFeature {
 public:
  virtual BOOL IsSubSet(const CGXStyle* pStyle, const CGXStyle* pOther) = 0;
};

class CGXAbstractGridParamCopyOperatorImp : public CGXAbstractFeature {
 public:
  virtual void CopyParam(CGXGridParam& dest, const CGXGridParam& src) = 0;
  virtual void CopyStylesMap(CGXStylesMap& dest, const CGXStylesMap& src) = 0;
  virtual void CopyProperties(CGXProperties& dest, const CGXProperties& src) = 0;
};

// The printer settings of a parameter object; the handles are the window system's global memory,
// kept here as opaque values.
class CGXAbstractPrintDeviceImp : public CGXAbstractFeature {
 public:
  virtual void SetDeviceHandles(CGXPrintDevice* pDevice, void* hDevNames, void* hDevMode) = 0;
  virtual void SetDeviceBytes(CGXPrintDevice* pDevice, const BYTE* pNames, DWORD nNames, const BYTE* pMode,
                              DWORD nMode) = 0;
  virtual void ResetDevice(CGXPrintDevice* pDevice) = 0;
  // Fresh heap blocks (delete[] by the caller) with the two device blocks.
  virtual void GetDeviceBytes(CGXPrintDevice* pDevice, void* hDevNames, void* hDevMode, BYTE** ppNames,
                              DWORD* pnNames, BYTE** ppMode, DWORD* pnMode) = 0;
  virtual void SetDefaultPrinter(CGXPrintDevice* pDevice) = 0;
  virtual void* GetPrinterDC(CGXPrintDevice* pDevice) = 0;
  virtual void ReleasePrinterDC(CGXPrintDevice* pDevice) = 0;
};

// Reads a text as a number; TRUE and the number when it is one.
class CGXAbstractNumberFormattingImp : public CGXAbstractFeature {
 public:
  virtual BOOL ParseValue(LPCTSTR pszText, double& dValue) = 0;
};

// The long-operation bracket's feature (progress, status text and abort).
class CGXLongOperation;
class CGXAbstractLongOperationImp : public CGXAbstractFeature {
 public:
  virtual void Begin(CGXLongOperation* pOp) = 0;
  virtual void End(CGXLongOperation* pOp) = 0;
  virtual void FreeStatusText(CGXLongOperation* pOp) = 0;
  virtual BOOL SetStatusText(CGXLongOperation* pOp, LPCTSTR pszText, BOOL bCopy) = 0;
  virtual BOOL CheckAbort(CGXLongOperation* pOp, BOOL* pbAbort) = 0;
  virtual BOOL ShowProgress(CGXLongOperation* pOp) = 0;
  virtual void ProcessMessages(CGXLongOperation* pOp) = 0;
};

#endif  // GRID_CORE_GXFEATURES_H
