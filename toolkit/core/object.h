// Non-graphical objects (dictionaries, multiline styles, groups, plot settings, XRECORDs and the
// other class-registered objects) in the drawing's object list, and the items kept in blobs
// beside them: extended-data items, free group items, dictionary entries and handle references.
// Objects are copied in and out as a common header and the data record of their type; their
// variable data lives in blobs the object owns. Reading objects from files is the readers'.
#pragma once

#include <cstddef>
#include <cstdint>

#include "toolkit/core/drawing.h"
#include "toolkit/core/error.h"
#include "toolkit/core/handle.h"

struct TkBlob;

enum : TkError {
  TK_ERR_OBJECT_NO_CURRENT = 164,
  TK_ERR_BAD_GROUP_CODE = 165,
  TK_ERR_OBJECT_UNKNOWN = 168,
  TK_ERR_OBJECT_FREE = 169,
  TK_ERR_OBJECT_UNLINK = 170,
  TK_ERR_OBJECT_OTHER_TYPE = 205,
};

// Object types with a number of their own; class-registered objects carry their class number.
enum : uint16_t {
  TK_OBJ_DICTIONARY = 32,
  TK_OBJ_MLINESTYLE = 33,
  TK_OBJ_GROUP = 36,
  TK_OBJ_PLOTSETTINGS = 103,
};

constexpr size_t TK_OBJECT_NAME_SIZE = 512;

struct TkObjectHeader {
  TkHandle handle;
  uint16_t type;
  TkHandle owner;
  TkBlob* reactors;  // owned; 8-byte handles
  uint32_t reactor_count;
  TkHandle xdictionary;
};

// A dictionary's entries stand one after the other in its entries blob.
struct TkDictEntry {
  char name[TK_OBJECT_NAME_SIZE];
  TkHandle object;
};
constexpr size_t TK_DICT_ENTRY_SIZE = 520;  // as stored in the entries blob

struct TkDictionaryData {
  uint32_t entry_count;
  TkBlob* entries;  // owned; TkDictEntry records
  int16_t cloning;
  uint8_t hard_owner;
};

// One element of a multiline style as stored in its elements blob (16 bytes).
struct TkMlineElement {
  int16_t colour;
  int16_t linetype;
  double offset;
};

struct TkMlineStyleData {
  char name[TK_OBJECT_NAME_SIZE];
  char description[TK_OBJECT_NAME_SIZE];
  int16_t flags;
  int16_t fill_colour;
  double start_angle;
  double end_angle;
  uint16_t element_count;
  TkBlob* elements;  // owned; TkMlineElement records
};

struct TkGroupData {
  char description[TK_OBJECT_NAME_SIZE];
  int16_t unnamed;
  int16_t selectable;
  uint32_t entity_count;
  TkBlob* entities;  // owned; 8-byte handles
};

struct TkXrecordData {
  uint32_t item_count;
  TkBlob* items;  // owned; group items
  int16_t cloning;
};

// Plot settings and every class-registered object without a layout of its own keep their class
// data as the file gave it, for the writers to read back.
struct TkGenericObjectData {
  TkBlob* data;  // owned
  uint32_t bit_length;
  TkBlob* handles;  // owned; 8-byte handles the data refers to
};

union TkObjectData {
  TkDictionaryData dictionary;
  TkMlineStyleData mlinestyle;
  TkGroupData group;
  TkXrecordData xrecord;
  TkGenericObjectData generic;
};

// An extended-data item (group codes 1000-1071) as handed to callers.
struct TkXdataItem {
  uint16_t code;
  uint16_t length;
  uint8_t padding[4];
  uint8_t value[512];
};
constexpr size_t TK_XDATA_ITEM_HEAD = 8;  // code, length and padding, also in the blob

// A group item (the contents of an XRECORD), handed over like an extended-data item.
using TkGroupItem = TkXdataItem;

// A handle and its reference kind (9 bytes in a blob).
struct TkHandleRef {
  TkHandle handle;
  uint8_t kind;
};

// Extended data. Reading gives the length back for 1004 only and ends a 1000 string with a zero.
int16_t xdata_read_item(TkBlob* blob, TkXdataItem* item);
// Appends the item with the length its code implies (the caller's for 1000, 1004 and others).
int16_t xdata_append_item(TkBlob* blob, TkXdataItem* item);

// Group items: 162 for a null blob, 165 for a code without a stored form.
int16_t resbuf_read_item(TkBlob* blob, TkGroupItem* item);
int16_t xd_append_group(TkBlob* blob, const TkGroupItem* item);

int16_t tk_dict_entry_read(TkBlob* blob, TkDictEntry* entry);
int16_t tk_dict_entry_write(TkBlob* blob, const TkDictEntry* entry);
int16_t tk_handle_ref_read(TkBlob* blob, TkHandleRef* ref);
// Appends one 16-byte multiline-style element: colour, linetype, 4 zero bytes, offset.
int16_t tk_mlstyle_element_write(TkBlob* blob, const TkMlineElement* element);
// The object a dictionary's entry of that name (compared without regard to case) points at;
// 0 and a null handle when there is none.
int16_t tk_dict_lookup(TkDrawing* drawing, const TkHandle* dictionary, const char* name,
                       TkHandle* object);

int16_t tk_object_rewind(TkDrawing* drawing);
int16_t tk_object_next(TkDrawing* drawing, TkObjectHeader* header, TkObjectData* data);
int32_t tk_object_count(const TkDrawing* drawing);
int16_t tk_object_get(TkDrawing* drawing, const TkHandle* handle, TkObjectHeader* header,
                      TkObjectData* data);
// The stored object takes over the blobs of header and data.
int16_t tk_object_add(TkDrawing* drawing, const TkObjectHeader* header, const TkObjectData* data);
int16_t tk_object_delete(TkDrawing* drawing, const TkHandle* handle);
// Rewrites the stored object of the header's handle in place; 205 for an object of another
// type.
int16_t tk_object_replace(TkDrawing* drawing, const TkObjectHeader* header,
                          const TkObjectData* data);
int16_t tk_object_free_data(TkDrawing* drawing, TkObjectHeader* header, TkObjectData* data);
void tk_init_object(TkDrawing* drawing, TkObjectHeader* header, TkObjectData* data);
// The handle of the first object of that type in the object list; 0 when there is none.
int16_t tk_object_first_of_type(const TkDrawing* drawing, uint16_t type, TkHandle* handle);
