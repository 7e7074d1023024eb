// Resource ids of the annotation and measuring dialogs (Annotate.rc), apart from the program's
// own so that neither side's additions collide.
#pragma once

#define IDD_ANN_GETDIST 420
#define IDC_ANN_DISTANCE 1400
#define IDC_ANN_UNIT 1401
#define IDD_ANN_LENGTH 421
#define IDD_ANN_AREA 422
#define IDC_ANN_LENGTH_TEXT 1402
#define IDC_ANN_AREA_TEXT 1403
#define IDC_ANN_PERIMETER_TEXT 1404
#define IDD_ANN_LAYERS 423
#define IDD_ANN_LAYDLG 424
#define IDC_ANN_LAYER_LIST 1410
#define IDC_ANN_SWATCH 1411
#define IDC_ANN_CURRENT_NAME 1412
#define IDC_ANN_NEW 1413
#define IDC_ANN_CHANGE 1414
#define IDC_ANN_REMOVE 1415
#define IDC_ANN_EMPTY 1416
#define IDC_ANN_SHOW_ALL 1417
#define IDC_ANN_HIDE_ALL 1418
#define IDC_ANN_NAME 1419
#define IDC_ANN_VISIBLE 1420
#define IDC_ANN_SELECT_COLOUR 1421
