// VLReg's application object: it shows the registration dialog once and ends when it closes.
#pragma once

#include "FrameworkWin.h"

class CVLRegApp : public CWinApp {
 public:
  // No name: the framework takes the title "Orvane Vellora registration" from the string table;
  // it is the caption of every message box.
  CVLRegApp() = default;
  BOOL InitInstance() override;

  DECLARE_MESSAGE_MAP()
};
