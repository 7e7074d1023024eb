// The grid's cell controls as a library: the chief header that brings every control, and the
// installation that makes the control factory create them by control id and register their user
// attributes.
// Not for: the engine (grid/core).
#ifndef GRID_CONTROLS_GXCONTROLS_H
#define GRID_CONTROLS_GXCONTROLS_H

#include "GXButton.h"
#include "GXCheckBox.h"
#include "GXComboBox.h"
#include "GXDaoBitmap.h"
#include "GXEditControl.h"
#include "GXEditVariants.h"
#include "GXProgressCtrl.h"
#include "GXPushbutton.h"
#include "GXRadioButton.h"
#include "GXStatic.h"

// The control a control id makes (the factory has already turned unknown ids into the edit cell's).
CGXControl* GXCreateCellControl(UINT nID, CGXGridCore* pGrid);
// The user attributes of every control, into a styles map.
void GXRegisterCellControlAttributes(CGXStylesMap* pStylesMap);
// Makes the control factory create the cell controls and register their attributes; the Windows build
// also installs the drop-down list window and the double-byte lead-byte test.
void GXInstallCellControls();

#ifdef _WIN32
// The window class of an open combo list's pop-up window.
const char* GXComboListClassName();
#endif

#endif  // GRID_CONTROLS_GXCONTROLS_H
