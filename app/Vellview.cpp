// Vellview's one application object; the framework's WinMain starts it.
#include "VLRApp.h"

CVLRApp theApp;
