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
// The properties dialog of an object and the text dialog.
#define IDD_ANN_PROPS 425
#define IDD_ANN_TEXT 426
#define IDC_ANN_TEXT 1422
#define IDC_ANN_SELECT_FONT 1423
#define IDC_ANN_FONT_NAME 1424
#define IDC_ANN_HEIGHT 1425
#define IDC_ANN_HEIGHT_SPIN 1426
#define IDC_ANN_CHANGE_COLOUR 1427
// The eight fill radios in style order, "&Frame" (style -2) first.
#define IDC_ANN_FILL_FIRST 1430
#define IDC_ANN_FILL_LAST 1437
