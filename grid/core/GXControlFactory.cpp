// The control factory's portable half (control ids, registering controls and user attributes,
// installing the application-wide features) and the library's start-up entry.
#include "GXControlFactory.h"

#include "GXGridCore.h"
#include "GXGridState.h"
#include "GXLongOperationImp.h"
#include "GXSpanCellPool.h"
#include "GXStylesMap.h"

const WORD GXRegisteredControlIds[37] = {
    52512, 52520, 52527, 52517, 52526, 52525, 52531, 52532, 52528, 52529, 52522, 52513, 52514,
    52515, 52524, 52516, 52523, 20130, 20131, 20137, 20136, 52535, 52536, 52537, 52539, 52540,
    52541, 52534, 52542, 52519, 52518, 52521, 52543, 52544, 52545, 20128, 20132};

namespace {

GX_CREATECONTROL_PROC g_pfnCreateControl = nullptr;
GX_ATTACHFEATURES_PROC g_pfnAttachFeatures = nullptr;
GX_REGISTERATTRIBUTES_PROC g_pfnRegisterAttributes = nullptr;
GX_ATTACHGRIDWND_PROC g_pfnAttachGridWnd = nullptr;

const UINT kTooltipTextId = 51022;
const UINT kEllipsisTypeId = 52792;
const UINT kEllipsisChoicesId = 20126;

}  // namespace

void GXSetCreateControlProc(GX_CREATECONTROL_PROC pfn) { g_pfnCreateControl = pfn; }
void GXSetAttachGridFeaturesProc(GX_ATTACHFEATURES_PROC pfn) { g_pfnAttachFeatures = pfn; }
void GXSetAttachGridWndProc(GX_ATTACHGRIDWND_PROC pfn) { g_pfnAttachGridWnd = pfn; }
GX_ATTACHGRIDWND_PROC GXGetAttachGridWndProc() { return g_pfnAttachGridWnd; }
void GXSetRegisterControlAttributesProc(GX_REGISTERATTRIBUTES_PROC pfn) { g_pfnRegisterAttributes = pfn; }

UINT GXResolveControlId(UINT nID, BOOL bWin32s) {
  if (bWin32s && (nID == 52539 || nID == 52540))
    return GX_IDS_CTRL_EDIT;
  for (WORD nKnown : GXRegisteredControlIds)
    if (nKnown == nID)
      return nID;
  return GX_IDS_CTRL_EDIT;
}

CGXControl* CGXControlFactory::CreateControl(UINT nID, CGXGridCore* pGrid) {
  if (g_pfnCreateControl == nullptr)
    return nullptr;
  return g_pfnCreateControl(GXResolveControlId(nID, GXGetAppState()->m_bWin32s), pGrid);
}

void CGXControlFactory::RegisterControls(CGXStylesMap* pStylesMap) {
  for (WORD nId : GXRegisteredControlIds)
    pStylesMap->AddControl(nId);
}

void CGXControlFactory::RegisterUserAttributes(CGXStylesMap* pStylesMap) {
  if (g_pfnRegisterAttributes != nullptr)
    g_pfnRegisterAttributes(pStylesMap);
  CGXStyle tooltip;
  tooltip.SetWrapText(TRUE);
  tooltip.SetAutoSize(TRUE);
  pStylesMap->AddUserAttribute(kTooltipTextId, &tooltip);
  CGXStyle ellipsis;
  ellipsis.SetControl(GX_IDS_CTRL_CBS_DROPDOWNLIST);
  CString sChoices;
  GXLoadString(kEllipsisChoicesId, sChoices);
  ellipsis.SetChoiceText(sChoices);
  pStylesMap->AddUserAttribute(kEllipsisTypeId, &ellipsis);
}

void CGXControlFactory::AttachGridFeatures(CGXGridCore* pGrid) {
  pGrid->AttachCommandFactory();
  pGrid->AttachFreezeMenuHelperImp();
  if (g_pfnAttachFeatures != nullptr)
    g_pfnAttachFeatures(pGrid);
}

// The application-wide features this library carries, in the factory's order; the others belong
// to the feature library and install themselves there.
void CGXControlFactory::InstallLibraryFeatures() {
  InstallStyleCompareSubsetImp();
  InstallStyleSerializeImp();
  InstallGridDocSerializeImp();
  InstallGridParamCopyOperatorImp();
  InstallLongOperationImp();
  InstallSpanCellPoolImp();
  InstallDelayedRangePoolImp();
}

// The Windows build registers the window classes (GXGridStateWin.cpp); natively there are none.
void GXRegisterGridWindowClasses(void* hInstance);
void GXUnregisterGridWindowClasses(void* hInstance);

void CGXControlFactory::RegisterWindowClasses(void* hInstance) {
  GXRegisterGridWindowClasses(hInstance);
}

void CGXControlFactory::UnregisterWindowClasses(void* hInstance) {
  GXUnregisterGridWindowClasses(hInstance);
}

void InitGridLibrary(int nValue, int a, int b) {
  GXGetAppState()->Init(nValue, new CGXControlFactory, a, b);
}
