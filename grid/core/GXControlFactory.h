// The control factory: the one object through which the grid library creates cell controls by
// control id, registers control types and user attributes in a styles map, attaches the per-grid
// features to an engine and installs the application-wide features. InitGridLibrary, the library's
// start-up entry, creates it and hands it to the library's state.
// Not for: the cell controls themselves (grid/controls) or the features' behaviour.
#ifndef GRID_CORE_GXCONTROLFACTORY_H
#define GRID_CORE_GXCONTROLFACTORY_H

#include "Framework.h"

class CGXControl;
class CGXGridCore;
class CGXStylesMap;

// Control ids (also the string ids of their display names).
enum : WORD {
  GX_IDS_CTRL_EDIT = 52512,
  GX_IDS_CTRL_HEADER = 52520,
  GX_IDS_CTRL_CBS_DROPDOWNLIST = 52529,
};

class CGXAbstractControlFactory {
 public:
  virtual ~CGXAbstractControlFactory() = default;
  virtual CGXControl* CreateControl(UINT nID, CGXGridCore* pGrid) = 0;
  virtual void RegisterControls(CGXStylesMap* pStylesMap) = 0;
  virtual void RegisterUserAttributes(CGXStylesMap* pStylesMap) = 0;
  virtual void AttachGridFeatures(CGXGridCore* pGrid) = 0;
  virtual void InstallLibraryFeatures() = 0;
  // The instance is the module's instance handle; the names registered are returned by the
  // Windows build's state.
  virtual void RegisterWindowClasses(void* hInstance) = 0;
  virtual void UnregisterWindowClasses(void* hInstance) = 0;
};

class CGXControlFactory : public CGXAbstractControlFactory {
 public:
  // The controls that the cell-control library provides are created through the hook it installs
  // (GXSetCreateControlProc); without it no control is created.
  CGXControl* CreateControl(UINT nID, CGXGridCore* pGrid) override;
  void RegisterControls(CGXStylesMap* pStylesMap) override;
  void RegisterUserAttributes(CGXStylesMap* pStylesMap) override;
  // Through the hook the engine installs (GXSetAttachGridFeaturesProc); nothing without it.
  void AttachGridFeatures(CGXGridCore* pGrid) override;
  void InstallLibraryFeatures() override;
  void RegisterWindowClasses(void* hInstance) override;
  void UnregisterWindowClasses(void* hInstance) override;
};

// The 37 control ids the factory registers, in their order.
extern const WORD GXRegisteredControlIds[37];

// The id the factory creates for a control id: the id itself when it knows it, else the edit
// control's (the ids 52539 and 52540 become the edit control on the 32-bit extension of 16-bit
// Windows).
UINT GXResolveControlId(UINT nID, BOOL bWin32s);

typedef CGXControl* (*GX_CREATECONTROL_PROC)(UINT nID, CGXGridCore* pGrid);
void GXSetCreateControlProc(GX_CREATECONTROL_PROC pfn);
typedef void (*GX_ATTACHFEATURES_PROC)(CGXGridCore* pGrid);
void GXSetAttachGridFeaturesProc(GX_ATTACHFEATURES_PROC pfn);
// The user-attribute registration of the cell controls, installed by the cell-control library.
typedef void (*GX_REGISTERATTRIBUTES_PROC)(CGXStylesMap* pStylesMap);
void GXSetRegisterControlAttributesProc(GX_REGISTERATTRIBUTES_PROC pfn);

// What the "CGXGridWnd" window class does with a window that something else created with it (a
// custom control of a dialog template): on its first message the hook, installed by the grid
// window's code, attaches a new grid window object to the handle and subclasses it; without a hook
// the window stays a plain one.
typedef void (*GX_ATTACHGRIDWND_PROC)(void* hWnd);
void GXSetAttachGridWndProc(GX_ATTACHGRIDWND_PROC pfn);
GX_ATTACHGRIDWND_PROC GXGetAttachGridWndProc();

// The library's start-up entry: creates the control factory and starts the library's state.
void InitGridLibrary(int nValue, int a, int b);

#endif  // GRID_CORE_GXCONTROLFACTORY_H
