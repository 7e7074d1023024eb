// Resource ids of the framework's test programs, shared by TestApp.rc and the tests.
#pragma once

#define IDR_MAINFRAME 128
#define IDR_TESTTYPE 129
#define IDD_VALUES 200
#define IDR_BAD_TOOLBAR 131
#define IDR_MISSING_TOOLBAR 132
#define IDR_GOOD_TOOLBAR 133

#define ID_CMD_ALL 32771    // handled by view, document, child frame, main frame and application
#define ID_CMD_DOC 32772    // handled from the document on
#define ID_CMD_CHILD 32773  // handled from the child frame on
#define ID_CMD_MAIN 32774   // handled by the main frame and the application
#define ID_CMD_APP 32775    // handled by the application only
#define ID_CMD_NONE 32776   // handled by nobody
#define ID_CMD_PASS 32777   // every level records it and passes it on

#define IDC_NUMBER 1001
#define IDC_COUNT 1002
#define IDC_DISTANCE 1003
#define IDC_REAL 1004
#define IDC_NAME 1005
#define IDC_CHECK 1006
#define IDC_RADIO1 1007
#define IDC_RADIO2 1008
#define IDC_RADIO3 1009
#define IDC_COMBO 1010
#define IDC_LIST 1011

#define IDS_TEMPLATE_MESSAGE 300
