// VLReg's one application object; the framework's WinMain starts it.
#include "VLReg.h"

CVLRegApp theApp;
