// The cell controls' installation with the control factory.
#include "GXControls.h"

#include "GXControlFactory.h"
#include "GXStylesMap.h"

CGXControl* GXCreateCellControl(UINT nID, CGXGridCore* pGrid) {
  switch (nID) {
    case GX_IDS_CTRL_STATIC:
      return new CGXStatic(pGrid);
    case GX_IDS_CTRL_HEADER:
      return new CGXHeader(pGrid);
    case GX_IDS_CTRL_PUSHBTN:
      return new CGXPushbutton(pGrid);
    case GX_IDS_CTRL_RADIOBTN:
      return new CGXRadioButton(pGrid, FALSE);
    case GX_IDS_CTRL_RADIOBTN3D:
      return new CGXRadioButton(pGrid, TRUE);
    case GX_IDS_CTRL_RADIOBTNEX:
      return new CGXRadioButtonEx(pGrid, FALSE);
    case GX_IDS_CTRL_RADIOBTN3DEX:
      return new CGXRadioButtonEx(pGrid, TRUE);
    case GX_IDS_CTRL_CHECKBOX:
      return new CGXCheckBox(pGrid, FALSE);
    case GX_IDS_CTRL_CHECKBOX3D:
      return new CGXCheckBox(pGrid, TRUE);
    case GX_IDS_CTRL_CHECKBOXEX:
      return new CGXCheckBoxEx(pGrid, FALSE);
    case GX_IDS_CTRL_CHECKBOX3DEX:
      return new CGXCheckBoxEx(pGrid, TRUE);
    case GX_IDS_CTRL_COMBOBOX:
      return new CGXComboBox(pGrid, nID, nID, GXComboNoTextFit);
    case GX_IDS_CTRL_ZEROBASED:
      return new CGXComboBox(pGrid, nID, nID, GXComboZeroBased);
    case GX_IDS_CTRL_ONEBASED:
      return new CGXComboBox(pGrid, nID, nID, GXComboOneBased);
    case GX_IDS_CTRL_TEXTFIT:
      return new CGXComboBox(pGrid, nID, nID, GXComboTextFit);
    case GX_IDS_CTRL_ONEBASED_EX:
      return new CGXComboBox(pGrid, nID, nID, GXComboDisplayChoice | GXComboOneBased);
    case GX_IDS_CTRL_ZEROBASED_EX:
      return new CGXComboBox(pGrid, nID, nID, GXComboDisplayChoice | GXComboZeroBased);
    // The windowed combo boxes edit through the drop-down combo cell: free text for the drop-down kind,
    // a choice of the list for the drop-down-list kind.
    case GX_IDS_CTRL_CBS_DROPDOWN:
      return new CGXComboBox(pGrid, nID, nID, GXComboNoTextFit);
    case GX_IDS_CTRL_CBS_DROPDOWNLIST:
      return new CGXComboBox(pGrid, nID, nID, GXComboTextFit);
    case GX_IDS_CTRL_TABBED_DROPDOWN:
    case GX_IDS_CTRL_TABBED_DROPDOWNLIST: {
      auto* p = new CGXTabbedComboBox(pGrid, nID, nID);
      p->m_bValueByPrefix = TRUE;
      return p;
    }
    case GX_IDS_CTRL_TABBED_COMBO:
      return new CGXTabbedComboBox(pGrid, nID, nID);
    case GX_IDS_CTRL_HOTSPOT:
      return new CGXHotSpotEdit(pGrid, nID);
    case GX_IDS_CTRL_SPINEDIT:
      return new CGXSpinEdit(pGrid, nID);
    case GX_IDS_CTRL_SCROLLEDIT:
      return new CGXVScrollEdit(pGrid, nID);
    case GX_IDS_CTRL_PASSWORD:
      return new CGXPasswordControl(pGrid, nID);
    case GX_IDS_CTRL_PROGRESS:
      return new CGXProgressCtrl(pGrid);
    case GX_IDS_CTRL_DAOBITMAP:
      return new CGXDaoBitmap(pGrid);
    default:
      return new CGXEditControl(pGrid, nID);
  }
}

void GXRegisterCellControlAttributes(CGXStylesMap* pStylesMap) {
  CGXControl::AddUserAttributes(pStylesMap);
  CGXCheckBox::AddUserAttributes(pStylesMap);
  CGXRadioButtonEx::AddUserAttributes(pStylesMap);
  CGXSpinEdit::AddUserAttributes(pStylesMap);
  CGXProgressCtrl::AddUserAttributes(pStylesMap);
  pStylesMap->AddUserAttribute(GX_IDS_UA_PUSHBTN_FACECOLOR);
  CGXTabbedComboBox::AddUserAttributes(pStylesMap);
}

// The Windows build's half (the list window, the lead-byte test); nothing natively.
void GXInstallCellControlWindows();

void GXInstallCellControls() {
  GXSetCreateControlProc(&GXCreateCellControl);
  GXSetRegisterControlAttributesProc(&GXRegisterCellControlAttributes);
  GXInstallCellControlWindows();
}
