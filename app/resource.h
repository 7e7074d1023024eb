// Resource ids of Vellview: shared by Vellview.rc and the code. Kept in sections by owner so
// that changes of one side merge cleanly with the other's.
#pragma once

// ---- application shell: frame, bars, strings, dialogs ------------------------------------------
#define IDR_MAINFRAME 128
#define IDR_VLRTYPE 129
#define IDR_ANNOTATIONBAR 130
#define IDR_SRVR_INPLACE 4
#define IDR_SRVR_EMBEDDED 5
#define IDR_CNTR_INPLACE 6
#define IDB_SPLASH 140
#define IDB_ABOUT 141
#define IDB_BACKGROUND 21201
#define IDR_HLINK_MENU 260

#define IDD_ABOUTBOX 100
#define IDD_HLINK_PAGE 105
#define IDD_ENTERTEXT 320
#define IDD_CALSHEADER 321

// RCDATA of the drawing toolkit: its init data and the two shape fonts.
#define IDR_TK_INITDATA 101
#define IDR_TK_FONT_OEM 102
#define IDR_TK_FONT_ANSI 103

// Strings.
#define IDS_OK 2
#define IDS_FILE_EXISTS 4
#define IDS_BROWSE 6
#define IDS_OLE_INIT_FAILED 101
#define IDS_TOOLBAR_MAIN 102
#define IDS_TOOLBAR_ANNOTATIONS 104
#define IDS_FILTER_1 130
#define IDS_FILTER_2 131
#define IDS_FILTER_3 132
#define IDS_SAVE_CHANGES 133
#define IDS_UNITS 140
#define IDS_QUICKVIEW_MISSING 173
#define IDS_LAUNCH_FAILED 328

// Status-bar panes and controls.
#define ID_INDICATOR_PROGRESS 0x800D
#define ID_INDICATOR_TEXT 0x8051

// Controls.
#define IDC_ENTER_CAPTION 1005
#define IDC_ENTER_TEXT 1026
#define IDC_ABOUT_VERSION 1149
#define IDC_ABOUT_PRODUCT 1169
#define IDC_ABOUT_LEGAL 1170
#define IDC_ABOUT_LINK1 1196
#define IDC_ABOUT_LINK2 1197
#define IDC_ABOUT_LINK3 1198
#define IDC_ABOUT_LINK4 1199
#define IDC_HLINK_ADDRESS 1200

// Application commands.
#define ID_FILE_SELECT_SOURCE 32780
#define ID_FILE_ACQUIRE 32781
#define ID_FILE_SCAN 32782
#define ID_TOOLS_PENWIDTHS 32783
#define ID_TOOLS_SETTINGS 32784
#define ID_VIEW_ONTOP 32785
#define ID_TOOLS_CALSHEADER 32786
#define ID_VIEW_MAINTOOLBAR 32787
#define ID_VIEW_ANNOTATIONTOOLBAR 32788
#define ID_HLINK_OPEN 32790
#define ID_HLINK_COPY 32791
#define ID_HLINK_FAVORITES 32792
#define ID_HLINK_DESKTOP 32793
#define ID_HLINK_PROPERTIES 32794
#define ID_FILE_PRINT 0xE107
#define ID_FILE_PRINT_SETUP 0xE106
#define ID_FILE_SEND_MAIL 0xE108
#define ID_EDIT_CUT 0xE123
#define ID_EDIT_COPY 0xE122
#define ID_EDIT_PASTE 0xE125

// ---- document and view commands (bound by the document and the view) ---------------------------
#define ID_VIEW_INVERT 32800
#define ID_VIEW_ROTATE 32801
#define ID_ROTATE_270 32802
#define ID_ROTATE_90 32803
#define ID_VIEW_MIRROR_X 32804
#define ID_VIEW_MIRROR_Y 32805
#define ID_VIEW_NEXTPAGE 32806
#define ID_VIEW_PREVPAGE 32807
#define ID_TOOLS_SCALE 32808
#define ID_VIEW_DWGLAYERS 32809
#define ID_VIEW_ANNOTATIONLAYER 32810
#define ID_VIEW_DARKDWG 32811
#define ID_VIEW_BWDWG 32812
#define ID_VIEW_SHXMAPPING 32813
#define ID_FILE_PROPERTIES 32814
#define ID_SAVE_ANNOTATIONS 32815
#define ID_TOOLS_LAUNCH 32816
#define ID_ZOOM_IN 10100
#define ID_ZOOM_OUT 10101
#define ID_VIEW_ENTIRE 10110
#define ID_RASTER_ARROW 10150
#define ID_TOOLS_LENGTH 10151
#define ID_TOOLS_AREA 10152
#define ID_RASTER_POLYGON 10153
#define ID_REDLINE_SELECT 10211
#define ID_REDLINE_PEN 10212
#define ID_REDLINE_LINE 10213
#define ID_REDLINE_CIRCLE 10214
#define ID_REDLINE_RECT 10215
#define ID_REDLINE_POLYGON 10216
#define ID_REDLINE_TEXT 10217
#define ID_REDLINE_TEXTHEIGHT 10218
#define ID_EDIT_DELETE 10220
#define ID_ANNOTATION_DELETE 10221
#define ID_ANNOTATION_PROPERTIES 10222
#define ID_VIEW_LOCKZOOM 10111
// Measuring: the scale check, and the end, undo and cancel of a length or area measurement.
#define ID_TOOLS_CHECKSCALE 10160
#define ID_MEASURE_END 10161
#define ID_MEASURE_UNDO 10162
#define ID_MEASURE_CANCEL 10163
// Copying vectors, model and paper space, and cycling the document windows.
#define ID_EDIT_COPYVECTORS 21210
#define ID_VIEW_MODEL_EXTENTS 21211
#define ID_VIEW_MODEL_LIMITS 21212
#define ID_VIEW_PAPERSPACE 21213
#define ID_WINDOW_NEXT 21214
#define ID_WINDOW_PREVIOUS 21215

// ---- document and view: cursors of the tools ------------------------------------------------------
#define IDC_CUR_ZOOM 134
// The freehand pen and the select tool's move cursor over the selected object.
#define IDC_CUR_PEN 144
#define IDC_CUR_MOVE 9818
// The select tool's right-click menu of an annotation object.
#define IDR_ANNOTATION_MENU 10223

// ---- raster dialogs and the settings sheet -----------------------------------------------------
#define IDD_SETTINGS_GENERAL 126
#define IDD_SETTINGS_PRINTER 127
#define IDD_SETTINGS_SCANNER 167
#define IDD_SETTINGS_DWG 168
#define IDD_ROTATE 350
#define IDD_RASTERPROPERTIES 351
#define IDD_SRFORMAT 352
#define IDS_SETTINGS 125
#define IDS_SELECT_FOLDER 184
#define IDS_SELECT_LAUNCHAPP 329
#define IDS_LAUNCHAPP_FILTER 330

#define IDC_ROTATE_90 1001
#define IDC_ROTATE_180 1002
#define IDC_ROTATE_270 1003
#define IDC_ROTATE_FREE 1004
#define IDC_ROTATE_ANGLE 1006
#define IDC_PROPERTIES_TREE 1010
#define IDC_SRFORMAT_LIST 1011
#define IDC_SRFORMAT_OPTIONS 1012
#define IDC_SRFORMAT_DISPLAY 1013
#define IDC_SRFORMAT_SCAN 1014

// Settings page 1, "General".
#define IDC_SET1_ROTATECALS 1016
#define IDC_SET1_SHOWREDLINE 1142
#define IDC_SET1_DECIMALS 1143
#define IDC_SET1_ALIAS 1118
#define IDC_SET1_VIEWDWG 1144
#define IDC_SET1_LEFT 1145
#define IDC_SET1_TOP 1146
#define IDC_SET1_UNIT 1152
#define IDC_SET1_USEREDLINEDIR 1159
#define IDC_SET1_REDLINEDIR 1147
#define IDC_SET1_USEQUICKVIEW 1148
// Settings page 2, "Raster printer".
#define IDC_SET2_ALLOWDPI 1017
#define IDC_SET2_DPI 1142
#define IDC_SET2_DPI_SPIN 1143
#define IDC_SET2_FORCEDPI 1016
#define IDC_SET2_FORMAT 1146
#define IDC_SET2_PORT 1141
#define IDC_SET2_USEPRIM 1018
#define IDC_SET2_USESND 1019
#define IDC_SET2_DPI2 1144
#define IDC_SET2_DPI2_SPIN 1145
#define IDC_SET2_PRIM 1147
#define IDC_SET2_PRIM_SPIN 1148
#define IDC_SET2_SND 1149
#define IDC_SET2_SND_SPIN 1150
#define IDC_SET2_SWCOPIES 1151
// Settings page 3, "Large format scanner".
#define IDC_SET3_SCANNER 1156
// Settings page 4, "DWG/DXF - Launch application".
#define IDC_SET4_SHXDIR 1141
#define IDC_SET4_USESHX 1158
#define IDC_SET4_XREFWARNING 1159
#define IDC_SET4_XREFTEXT 1016
#define IDC_SET4_LAUNCHAPP 1177

// ---- raster selection and the drawing scale ---------------------------------------------------
// The raster polygon tool's context menu, carried out by the view.
#define ID_RASTER_CLOSEPOLYGON 10240
#define ID_RASTER_CANCELPOLYGON 10241
// The drawing cursor of the raster-area tools.
#define IDC_CUR_DRAW 197
// "Original scale".
#define IDD_SCALE 2200
#define IDC_SCALE_FIRST 2201
#define IDC_SCALE_SECOND 2202
#define IDC_SCALE_UNIT 2203

// ---- scanning ---------------------------------------------------------------------------------
#define IDS_SCAN_NO_LUMIQ 177
#define IDS_SCAN_NO_OSTREL 178
#define IDS_SCAN_NO_RASTRUM 179
#define IDS_SCAN_UNSUPPORTED 180
#define IDS_SCAN_NO_RSTINI 181
#define IDS_SCAN_LOCATE_RSTW 183
#define IDS_SCAN_UNKNOWN_SCANNER 21298
// An embedded or automated start that has no class object to offer.
#define IDS_OLE_CANNOT_SERVE 21299

// Printing: the print options dialog, its commands and strings.
#define IDD_DOPRINT 186
#define IDS_PRINTER_ON_PORT 156
#define IDC_DOPRINT_FIT 1133
#define IDC_DOPRINT_RELATION 1134
#define IDC_DOPRINT_USEHEAD 1016
#define IDC_DOPRINT_SCALEINFO 1017
#define IDC_DOPRINT_FILENAME 1018
#define IDC_DOPRINT_TIME 1019
#define IDC_DOPRINT_OPTTEXT 1020
#define IDC_DOPRINT_TEXT 1009
#define IDC_DOPRINT_ENTIRE 1130
#define IDC_DOPRINT_SELECTED 1131
#define IDC_DOPRINT_PREVIEW 1132
#define IDC_DOPRINT_PRINTER 1120
#define IDC_DOPRINT_PORTRAIT 1121
#define IDC_DOPRINT_LANDSCAPE 1122
#define IDC_DOPRINT_FIRST 1008
#define IDC_DOPRINT_SECOND 1006
#define IDC_DOPRINT_BW 1144
#define IDC_DOPRINT_COLOR 21003
#define IDC_DOPRINT_PENWIDTHS 1154
#define IDC_DOPRINT_PAGES 1155
#define IDC_DOPRINT_PAGES_LABEL 21004
#define IDC_DOPRINT_PROPERTIES 21001
#define IDC_DOPRINT_PENBUTTON 21002
#define ID_FILE_PRINT_ALL 21000
// Printing to a raster printer on a parallel port.
#define IDD_RASTERPRINT 21100
#define IDC_RASTERPRINT_COPIES 21101
#define IDC_RASTERPRINT_SPIN 21102
#define IDC_RASTERPRINT_SIZE 21103
#define IDC_RASTERPRINT_ENTIRE 21104
#define IDC_RASTERPRINT_SELECTED 21105
#define IDC_RASTERPRINT_PORT 21106
#define ID_FILE_PRINT_RASTER 21110
// The pen-width table.
#define IDD_PENSIZE 190
#define IDC_PENSIZE_LIST 1023
#define IDC_PENSIZE_OPEN 21005
#define IDC_PENSIZE_SAVE 21006
#define IDS_PENSIZE_THICKNESS 61498
#define IDS_PENSIZE_COLOR 61499
#define IDS_PENSIZE_FILTER 61500
