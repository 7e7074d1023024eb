// Resource ids of the annotation and measuring dialogs (Annotate.rc), apart from the program's
// own so that neither side's additions collide.
#pragma once

#define IDD_ANN_GETDIST 420
#define IDC_ANN_DISTANCE 1400
#define IDC_ANN_UNIT 1401
