// The program's file dialog.
#include "FileDialogEx.h"

IMPLEMENT_DYNAMIC(CFileDialogEx, CFileDialog)
