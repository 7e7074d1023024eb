// The DWG writer of releases AC1012, AC1014 and AC1015: the file layout (file header and its
// locators, the header-variable and class sections, the object data, the object map, the second
// header and the preview) and, in the files beside this one, the table, entity and object
// records that fill the object data. The drawing is only read.
#pragma once

#include <cstdint>
#include <vector>

#include "toolkit/core/handle.h"
#include "toolkit/write/writer.h"

struct TkDrawing;
struct TkEntityHeader;
struct TkEntityData;
struct TkList;
struct TkLink;
struct TkBlob;
struct TkBlockRecord;

enum : TkError {
  TK_ERR_FLUSH_OBJECT_VM = 146,
  TK_ERR_OBJMAP_DUPLICATE = 153,
};

// One object of the map: its handle and where its record begins.
struct DwgMapEntry {
  TkHandle handle;
  uint32_t offset;
};

// The state of one DWG save, shared by the record writers.
struct DwgOut {
  TkDrawing* d;
  TkWriter* w;
  TkBitWriter* b;
  int16_t version;  // 5, 6 or 7
  TkHandle controls[10];  // BLOCK, LAYER, STYLE, LTYPE, VIEW, UCS, VPORT, APPID, DIMSTYLE, VPENT
  TkHandle model_record, paper_record;
  TkHandle model_block, model_endblk, paper_block, paper_endblk;
  TkHandle bylayer, byblock, continuous;
  TkHandle named_objects, group_dictionary, mlinestyle_dictionary;
  TkHandle layout_dictionary, plotsettings_dictionary, plotstyle_dictionary;
  TkHandle current_vpent;  // the viewport entity header of the current paper-space viewport
  // The viewport entity headers: each paper-space VIEWPORT with the handle of its header.
  struct Vpent {
    TkHandle viewport, header;
    bool on;
  };
  std::vector<Vpent> vpents;
  // Releases before R2000 keep a viewport's view in "ACAD" extended data; a drawing without
  // that application gets the record.
  TkHandle acad_appid;
  bool add_acad_appid;
  uint16_t zombie_entity_class, zombie_object_class;
  std::vector<DwgMapEntry> map;
  // Where the next object begins, kept by counting what the objects write (asking the file
  // for its position costs a system call per object).
  uint32_t position;
  uint32_t sunk;  // bytes the bit writer handed to the file
  // Entity links: the owner of entities of a block definition, the chain of the list being
  // written, and the sub-entity handles of the POLYLINE or INSERT being written.
  TkHandle owner;
  TkHandle previous, next;
  TkHandle first_sub, last_sub, seqend;
  double polyline_elevation, polyline_start_width, polyline_end_width;
  int32_t anonymous_number;
  // Scratch records for walking lists while another entity is held.
  TkEntityHeader* look_header;
  TkEntityData* look_data;
};

// The whole file; 1, or 0 with the error number set. The writer's file stays open either way.
int16_t dwg_write_file(TkDrawing* drawing, TkWriter* writer);

// Object frame around every record: begin with the type and own handle (extended data and
// proxy graphics when given), end with the frame written and the map entry made.
int16_t dwg_object_begin(DwgOut& o, uint16_t type, const TkHandle& handle, TkBlob* xdata,
                         TkBlob* graphics, bool entity);
int16_t dwg_object_end(DwgOut& o, const TkHandle& handle);
// Owner (relative, code 4), reactors (absolute, code 4), the extension dictionary (code 3; null
// in R13) and the handle slot when given (code 5).
int16_t dwg_common_handles(DwgOut& o, const TkHandle& own, const TkHandle& owner,
                           const TkHandle& xdictionary, uint32_t reactor_count, TkBlob* reactors);

// Tables (dwg_write_table.cpp).
int16_t dwg_write_block_control(DwgOut& o);
int16_t dwg_write_table_controls(DwgOut& o);  // R14 and R2000: every control but BLOCK
int16_t dwg_write_tables(DwgOut& o);           // the records of LAYER .. DIMSTYLE
int16_t dwg_write_block_header(DwgOut& o, const TkBlockRecord& record, int32_t number,
                               const TkHandle& block, const TkHandle& endblk,
                               const TkHandle& first, const TkHandle& last);
// The name as written before R2000; out holds 512 bytes.
int16_t name_shorten(TkDrawing* drawing, const char* name, int32_t number, int32_t limit,
                     char* out);
int32_t name_char_count(const char* name);
int16_t bits_write_name(DwgOut& o, const char* name, int32_t number, int32_t limit);

// The header handle of a paper-space VIEWPORT; null for any other.
TkHandle dwg_vpent_of(const DwgOut& o, const TkHandle& viewport);
// Before R2000: the "ACAD" "MVIEW" extended data of a VIEWPORT made from its fields, then the
// entity's own items; null when it cannot be made.
TkBlob* dwg_viewport_to_mview_xdata(DwgOut& o, const TkEntityHeader& h, const TkEntityData& data);

// Entities (dwg_write_entity.cpp): whether the writer can hold the entity in this release,
// and one entity with its links already set in o.
bool dwg_entity_writable(DwgOut& o, const TkEntityHeader& h, const TkEntityData& data);
// The same for a stored entity, unpacked only when its kind alone does not say; its kind in *kind.
bool dwg_link_writable(DwgOut& o, TkLink* link, uint16_t* kind);
uint16_t dwg_object_type_of_entity(DwgOut& o, const TkEntityHeader& h, const TkEntityData& data);
// mode: 2 model space, 1 paper space, 0 in a block definition (owner in o.owner).
int16_t dwg_write_entity(DwgOut& o, TkEntityHeader* h, TkEntityData* data, uint16_t mode);
// Every entity of a list with its links; space lists get mode 1 or 2.
int16_t dwg_write_entity_list(DwgOut& o, TkList* list, uint16_t mode, TkHandle* first,
                              TkHandle* last);

// Objects (dwg_write_object.cpp): the named-object dictionary first when asked, or every other
// object of the drawing.
int16_t dwg_write_named_objects(DwgOut& o);
int16_t dwg_write_objects(DwgOut& o);
