// Resource ids of VLReg, shared by its resource script and its code (plain defines, so the
// resource compiler reads them too).
#pragma once

#define IDD_ABOUTBOX 100
#define IDD_VLREG_DIALOG 102
#define IDR_MAINFRAME 128

// The About item of the system menu: a system command id below 0xF000, in the low 16 bits of
// the command with its lowest four bits clear, as the system menu wants.
#define IDM_ABOUTBOX 0x0010

#define IDS_ABOUTBOX 101
#define IDS_VLREG_NOT_FOUND 102
#define IDS_VLREG_FINISHED 103
#define IDS_VLREG_FAILED 104
#define IDS_VLREG_INCOMPLETE 105
#define IDS_VLREG_BAD_EXTENSION 106

#define IDC_DWG 1001
#define IDC_DXF 1002
#define IDC_CAL 1003
#define IDC_TIF 1004
#define IDC_OTHER 1005
#define IDC_OTHER_TYPE 1006
