// The one header the application includes for the Win32 half of the class framework (it brings
// the portable half too).
#pragma once

#include "Win32Platform.h"

#include "Framework.h"

#include "CmdTarget.h"
#include "CommonDialogs.h"
#include "ControlBar.h"
#include "Controls.h"
#include "Dialog.h"
#include "DocTemplate.h"
#include "Document.h"
#include "FrameWnd.h"
#include "Gdi.h"
#include "Menu.h"
#include "Ole.h"
#include "OleDoc.h"
#include "Preview.h"
#include "SharedFile.h"
#include "View.h"
#include "WinApp.h"
#include "Wnd.h"
