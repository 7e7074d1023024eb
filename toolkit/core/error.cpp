// Texts of the toolkit's error numbers. Many texts share a leading phrase, so the table keeps
// each shared phrase once and joins it to the text's tail on request. Not a place for reporting
// errors to the user: that is the application's business.
#include "toolkit/core/error.h"

#include <cstring>

#include "toolkit/core/state.h"

namespace {

const char* const prefixes[] = {
    "Can't allocate ",
    "Error loading ",
    "Error deleting ",
    "Error freeing ",
    "Error allocating ",
    "Can't resolve ",
    "Can't ",
    "Error in ",
    "Error ",
    "Attempt to ",
};

struct ErrorEntry {
  int8_t prefix;  // index into prefixes, -1 when the text stands alone
  const char* tail;
};

const ErrorEntry entries[TK_ERR_LAST + 1] = {
    {-1, "No error"},  // 0
    {0, "control block"},  // 1
    {-1, "General failure"},  // 2
    {6, "open file"},  // 3
    {8, "reading header"},  // 4
    {6, "determine file type"},  // 5
    {6, "init file system"},  // 6
    {0, "fcb"},  // 7
    {-1, "Unsupported file version"},  // 8
    {7, "xdata read malloc"},  // 9
    {7, "xdata write malloc"},  // 10
    {0, "read buffer"},  // 11
    {0, "write buffer"},  // 12
    {6, "set write buffer"},  // 13
    {6, "create dxf temp data list"},  // 14
    {0, "write blocks"},  // 15
    {-1, "Character not in font"},  // 16
    {-1, "Font not in table"},  // 17
    {0, "temp string"},  // 18
    {6, "open xref temp file"},  // 19
    {6, "open external reference"},  // 20
    {-1, "Unsupported file write version"},  // 21
    {-1, "Unsupported DXF version"},  // 22
    {-1, "No BMP present in this file"},  // 23
    {6, "open BMP output file"},  // 24
    {-1, "No WMF present in this file"},  // 25
    {6, "open WMF output file"},  // 26
    {-1, "Disk full"},  // 27
    {-1, "Not enough memory to draw leader"},  // 28
    {-1, "Not enough memory to draw spline"},  // 29
    {-1, "Unexpected end of file"},  // 30
    {7, "DXF header"},  // 31
    {7, "DXF entity"},  // 32
    {7, "DXF table"},  // 33
    {7, "DXF block"},  // 34
    {7, "DXF object"},  // 35
    {-1, "Too many VM page frames"},  // 36
    {-1, "Too many VM pages"},  // 37
    {9, "allocate 0 bytes"},  // 38
    {-1, "Bad vmmalloc magic number"},  // 39
    {9, "free a null VM pointer"},  // 40
    {9, "free a free VM pointer"},  // 41
    {9, "free a non-malloced VM pointer"},  // 42
    {-1, "Not enough memory to start VM"},  // 43
    {-1, "VM file write failed"},  // 44
    {1, "linetypes"},  // 45
    {1, "layers"},  // 46
    {1, "classes"},  // 47
    {1, "vports"},  // 48
    {1, "ucses"},  // 49
    {1, "regapps"},  // 50
    {1, "views"},  // 51
    {1, "shape files"},  // 52
    {1, "dimstyles"},  // 53
    {1, "block headers"},  // 54
    {1, "entities"},  // 55
    {1, "objects"},  // 56
    {0, "memory for file save"},  // 57
    {8, "writing header"},  // 58
    {5, "header layer"},  // 59
    {5, "header linetype"},  // 60
    {5, "header dimstyle"},  // 61
    {5, "header ucs"},  // 62
    {5, "header pspace ucs"},  // 63
    {5, "header text style"},  // 64
    {5, "header dim text style"},  // 65
    {5, "layer"},  // 66
    {5, "linetype"},  // 67
    {5, "text style/shape file"},  // 68
    {5, "dimension style"},  // 69
    {8, "resolving viewport entities"},  // 70
    {5, "extended data application index"},  // 71
    {5, "extended entity layer index"},  // 72
    {6, "find block for entity read"},  // 73
    {-1, "No entities found for block"},  // 74
    {5, "block header"},  // 75
    {-1, "No linetypes in list"},  // 76
    {-1, "Linetype not found"},  // 77
    {-1, "No registered apps in list"},  // 78
    {-1, "Regapp not found"},  // 79
    {-1, "No shapefiles in list"},  // 80
    {-1, "Shapefile not found"},  // 81
    {-1, "No dimstyles in list"},  // 82
    {-1, "Dimstyle not found"},  // 83
    {-1, "No views in list"},  // 84
    {-1, "View not found"},  // 85
    {-1, "No viewports in list"},  // 86
    {-1, "Viewport not found"},  // 87
    {-1, "No ucss in list"},  // 88
    {-1, "Ucs not found"},  // 89
    {-1, "No layers in list"},  // 90
    {-1, "Layer not found"},  // 91
    {-1, "No blockheaders in list"},  // 92
    {-1, "Block header not found"},  // 93
    {8, "removing purged items"},  // 94
    {-1, "Dropped shape entity from file"},  // 95
    {6, "read header block"},  // 96
    {2, "entity xdata"},  // 97
    {2, "entity longdata"},  // 98
    {2, "entity"},  // 99
    {2, "regapp xdata"},  // 100
    {2, "regapp"},  // 101
    {3, "regapp"},  // 102
    {2, "layer xdata"},  // 103
    {2, "layer"},  // 104
    {3, "layer"},  // 105
    {2, "linetype xdata"},  // 106
    {2, "linetype"},  // 107
    {3, "linetype"},  // 108
    {2, "shapefile xdata"},  // 109
    {2, "shapefile"},  // 110
    {3, "shapefile"},  // 111
    {2, "view xdata"},  // 112
    {2, "view"},  // 113
    {3, "view"},  // 114
    {2, "vport xdata"},  // 115
    {2, "vport"},  // 116
    {3, "vport"},  // 117
    {2, "dimstyle xdata"},  // 118
    {2, "dimstyle"},  // 119
    {3, "dimstyle"},  // 120
    {2, "ucs xdata"},  // 121
    {2, "ucs"},  // 122
    {3, "ucs"},  // 123
    {2, "blockheader xdata"},  // 124
    {2, "blockheader preview"},  // 125
    {2, "blockheader"},  // 126
    {3, "blockheader"},  // 127
    {5, "header mlstyle"},  // 128
    {1, "entity list"},  // 129
    {1, "block entities"},  // 130
    {8, "resolving header"},  // 131
    {6, "get current mlstyle"},  // 132
    {6, "add default objects"},  // 133
    {6, "malloc for raster file write"},  // 134
    {7, "raster data"},  // 135
    {-1, "Unable to allocate VM memory"},  // 136
    {-1, "Maximum VM memory blocks exceeded"},  // 137
    {9, "read from non-existent VM block"},  // 138
    {-1, "File has no BMP"},  // 139
    {-1, "File has no WMF"},  // 140
    {-1, "File already has BMP"},  // 141
    {-1, "File already has WMF"},  // 142
    {1, "BMP"},  // 143
    {1, "WMF"},  // 144
    {8, "on block entity read"},  // 145
    {8, "flushing object to VM"},  // 146
    {8, "on layer read start"},  // 147
    {8, "reading layer"},  // 148
    {-1, "Couldn't find vpentheader handle"},  // 149
    {8, "closing file"},  // 150
    {9, "delete from null list"},  // 151
    {-1, "Entity not found in list"},  // 152
    {-1, "Duplicate handle in file"},  // 153
    {-1, "Incomplete ACIS entry (no image)"},  // 154
    {-1, "Unexpected end of file in DXF"},  // 155
    {-1, "Invalid DXF version"},  // 156
    {0, "blob buffer"},  // 157
    {8, "writing dictionary object"},  // 158
    {2, "proxy data"},  // 159
    {2, "proxy obj IDs"},  // 160
    {8, "writing proxy object"},  // 161
    {9, "read from null blob"},  // 162
    {9, "write to null blob"},  // 163
    {-1, "No objects in list"},  // 164
    {-1, "Unknown Xrecord type read"},  // 165
    {9, "write unknown Xrecord type"},  // 166
    {-1, "Cannot process large proxy entity"},  // 167
    {-1, "Did not find object to delete"},  // 168
    {3, "object"},  // 169
    {2, "object"},  // 170
    {6, "find leader dimstyle"},  // 171
    {9, "add duplicate handle"},  // 172
    {-1, "Btree error"},  // 173
    {6, "find tolerance dimstyle"},  // 174
    {2, "during replace"},  // 175
    {-1, "No classes in list"},  // 176
    {2, "class xdata"},  // 177
    {2, "class"},  // 178
    {3, "class"},  // 179
    {-1, "Did not find class to delete"},  // 180
    {4, "temporary header"},  // 181
    {-1, "Unable to open init file"},  // 182
    {-1, "Incorrect init file version"},  // 183
    {-1, "Header size invalid"},  // 184
    {7, "header"},  // 185
    {-1, "Bad DWG info"},  // 186
    {-1, "Entity invalid"},  // 187
    {-1, "Block header invalid"},  // 188
    {-1, "Layer invalid"},  // 189
    {-1, "Shape file invalid"},  // 190
    {-1, "Linetype invalid"},  // 191
    {-1, "View invalid"},  // 192
    {-1, "UCS invalid"},  // 193
    {-1, "Viewport invalid"},  // 194
    {-1, "Registered application invalid"},  // 195
    {-1, "Dimstyle invalid"},  // 196
    {-1, "Viewport entity header invalid"},  // 197
    {-1, "Block entity invalid"},  // 198
    {-1, "Bad entity"},  // 199
    {-1, "Bad second header"},  // 200
    {-1, "Bad object"},  // 201
    {-1, "Bad class definition"},  // 202
    {-1, "Object map write error"},  // 203
    {-1, "No pspace vport (id 1) found"},  // 204
    {6, "replace objects of different types"},  // 205
    {4, "parent buffer"},  // 206
    {4, "codepage buffer"},  // 207
    {4, "zombie buffer"},  // 208
    {4, "btree buffer"},  // 209
    {4, "blob buffer"},  // 210
    {4, "objhandle buffer"},  // 211
    {4, "bestentry buffer"},  // 212
    {4, "vp pointer"},  // 213
    {0, "vm btnode"},  // 214
    {0, "vm blob"},  // 215
    {0, "vm temp memory"},  // 216
    {0, "vm header"},  // 217
    {0, "vm llist"},  // 218
    {0, "vm llalloc"},  // 219
    {0, "vm linetype"},  // 220
    {0, "vm blockheader"},  // 221
    {0, "vm bindata"},  // 222
    {0, "vm structure"},  // 223
    {0, "LWPLINE temp storage"},  // 224
    {0, "hatch data storage"},  // 225
    {6, "find entity to replace"},  // 226
    {6, "set current node"},  // 227
    {8, "on entity add during replace"},  // 228
    {8, "on vpent list update"},  // 229
    {6, "create idbuffer class"},  // 230
    {9, "add NULL objhandle"},  // 231
    {9, "insert non-existent block"},  // 232
    {0, "vertex"},  // 233
    {0, "linetype"},  // 234
    {0, "shptb"},  // 235
    {0, "view matrices"},  // 236
    {0, "skip vertex"},  // 237
    {0, "point matrix"},  // 238
    {0, "shape matrices"},  // 239
    {0, "polyline"},  // 240
    {0, "pl storage"},  // 241
    {0, "vert"},  // 242
    {0, "block"},  // 243
    {0, "mline type"},  // 244
    {0, "solmat"},  // 245
    {0, "ellipse viewmat"},  // 246
    {0, "mline arcs viewmat"},  // 247
    {0, "mline arc caps"},  // 248
    {0, "segltypes"},  // 249
    {0, "mesh verts"},  // 250
    {0, "grdata storage"},  // 251
    {0, "shell verts"},  // 252
    {0, "shell faces"},  // 253
    {0, "grshell prims"},  // 254
    {0, "proxy img viewmat"},  // 255
    {0, "mline ltype"},  // 256
    {0, "mline segltypes"},  // 257
    {0, "text shmat"},  // 258
    {0, "mtext storage"},  // 259
    {0, "mtext shma"},  // 260
    {0, "second vert"},  // 261
    {0, "vert tempptr"},  // 262
    {0, "polyarc vert"},  // 263
    {0, "polymesh vert"},  // 264
    {0, "polymesh points"},  // 265
    {0, "polymesh vptr"},  // 266
    {0, "shp smallindex"},  // 267
    {0, "shp temp"},  // 268
    {0, "bigindex temp"},  // 269
    {0, "bigindex"},  // 270
    {0, "shp datablock"},  // 271
    {0, "temp adhd"},  // 272
    {0, "draw temps"},  // 273
    {0, "spline stuff"},  // 274
    {0, "ad3 ctrl blocks"},  // 275
    {0, "lt shape shmat"},  // 276
    {6, "find group dictionary"},  // 277
    {6, "seek group dictionary"},  // 278
    {6, "add group"},  // 279
    {6, "read dicitem blob"},  // 280
    {6, "replace dictionary object"},  // 281
    {6, "replace entity"},  // 282
    {6, "seek entity"},  // 283
    {0, "TL internal data"},  // 284
    {6, "malloc for raster add"},  // 285
    {-1, "R14 beta format files are not supported"},  // 286
    {-1, "Viewport entity with no extended data -- invalid"},  // 287
    {5, "entity extended data"},  // 288
    {6, "add entity"},  // 289
    {6, "add entity handle to index"},  // 290
    {6, "add viewport entity to list"},  // 291
    {-1, "Duplicate handle"},  // 292
    {4, "shapefile"},  // 293
    {6, "init shfile system"},  // 294
    {-1, "TL init data must be loaded"},  // 295
    {-1, "Unable to open font"},  // 296
    {-1, "Unable to open bigfont"},  // 297
    {-1, "DXF line too long"},  // 298
    {-1, "DXF line contains non-numbers"},  // 299
    {-1, "Bad object handle in header -- possible beta format file"},  // 300
    {-1, "Probable bad viewport entity header data"},  // 301
    {7, "viewport entity header"},  // 302
    {-1, "Handle not found in btree"},  // 303
    {-1, "Unable to set current node in list"},  // 304
    {-1, "Unable to get requested item"},  // 305
    {-1, "Save attempted to incompatible version"},  // 306
    {8, "reading ACIS object"},  // 307
};

// Long enough for the longest prefix and tail together.
char joined[96];

}  // namespace

const char* tk_error_text(TkError number) {
  if (number < 0 || number > TK_ERR_LAST) return "Error number out of range";
  const ErrorEntry& e = entries[number];
  if (e.prefix < 0) return e.tail;
  const char* prefix = prefixes[e.prefix];
  size_t a = std::strlen(prefix);
  size_t b = std::strlen(e.tail);
  std::memcpy(joined, prefix, a);
  std::memcpy(joined + a, e.tail, b + 1);
  return joined;
}

int16_t tk_fail(TkError number) {
  if (tk_state) tk_state->last_error = number;
  return 0;
}

int16_t tk_fail_alloc(TkError number) {
  if (tk_state) {
    tk_state->last_error = number;
    if (tk_state->error_callback) tk_state->error_callback(2);
  }
  return 0;
}

int16_t tk_fail_handle(TkError number, const uint8_t handle[8]) {
  if (tk_state) {
    tk_state->last_error = number;
    std::memcpy(tk_state->failing_handle, handle, 8);
  }
  return 0;
}

int16_t tk_get_last_error() {
  return tk_state ? static_cast<int16_t>(tk_state->last_error & 0xFFFF) : 0;
}
