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
