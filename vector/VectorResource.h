// Resource ids of the vector drawing dialogs (layers, properties, SHX mapping). The program's
// resource script holds the templates, pictures and strings; the numbers are those the dialogs
// have always had.
#pragma once

// Layer dialog.
#define IDD_DWG_LAYERS 139
#define IDB_DWG_LAYER_STATES 142
#define IDC_DWGLAY_LIST 1011
#define IDC_DWGLAY_HIDEALL 1014
#define IDC_DWGLAY_SHOWALL 1015
#define IDC_DWGLAY_SETTING 1193
#define IDC_DWGLAY_SAVE 1194
#define IDC_DWGLAY_DELETE 1195
#define IDS_DWGLAY_LAYER 185
#define IDS_DWGLAY_DESCRIPTION 186
#define IDS_DWGLAY_STANDARD 218
#define IDS_DWGLAY_DELETE_ASK 219
#define IDS_DWGLAY_NAME_TITLE 220
#define IDS_DWGLAY_INVALID_NAME 221
#define IDS_DWGLAY_OVERWRITE 222

// Properties.
#define IDD_DWG_PROPERTIES 1538
#define IDC_DWGPROP_TREE 1141
#define IDB_DWG_PROPERTIES 213
#define IDS_DWGPROP_FILENAME 159
#define IDS_DWGPROP_ANNOTATIONS 160
#define IDS_DWGPROP_FILETYPE 161
#define IDS_DWGPROP_SIZE 162
#define IDS_DWGPROP_WIDTH 163
#define IDS_DWGPROP_HEIGHT 164
#define IDS_DWG_PROPERTIES 187
#define IDS_DWGPROP_UNITS 189

// SHX mapping.
#define IDD_SHXMAP 191
#define IDC_SHXMAP_LIST 1144
#define IDS_SHXMAP_ORIGINAL 175
#define IDS_SHXMAP_REPLACED 176
