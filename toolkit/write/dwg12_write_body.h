// The state of one save in the byte-record DWG layout, shared by its file, table and entity
// writers, and the record buffer every record is assembled in before its one write. Records
// and sections are staged and handed to the output in large pieces; what is known only at the
// end (section positions, BLOCK offsets, viewport links, the header) is kept in memory and
// written over its place when the file is finished.
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "toolkit/core/handle.h"
#include "toolkit/write/writer.h"
#include "toolkit/write/xdata_write.h"

struct TkDrawing;
struct TkHeader;
struct TkEntityHeader;
struct TkEntityData;

// The tables in the order of the file's descriptors.
enum Dwg12Table : int {
  DWG12_BLOCK,
  DWG12_LAYER,
  DWG12_STYLE,
  DWG12_LTYPE,
  DWG12_VIEW,
  DWG12_UCS,
  DWG12_VPORT,
  DWG12_APPID,
  DWG12_DIMSTYLE,
  DWG12_VX,
  DWG12_TABLE_COUNT
};

constexpr size_t DWG12_RECORD_CAPACITY = 65535;
constexpr size_t DWG12_XDATA_CAPACITY = 16384;
constexpr int DWG12_MAX_LINKED_VIEWPORTS = 49;

struct Dwg12Out {
  TkDrawing* d;
  TkWriter* w;
  std::vector<uint8_t>* memory;  // the whole file when writing to memory; null for a file
  TkHeader* header;              // the writer's copy, as written
  int16_t version;               // 0 AC1002 .. 4 AC1009
  bool handles;                  // HANDLING: AC1006 and later records carry entity handles
  bool ok;

  // Output: bytes staged before they go to the file, and the position of the next byte.
  std::vector<uint8_t> stage;
  uint32_t position;

  // The record buffer and its write cursor; a record that outgrows it is refused whole.
  std::vector<uint8_t> rec;
  size_t at;
  bool overflow;

  // Table positions of the records entities and the header name, by handle.
  std::unordered_map<uint64_t, int16_t> layers, linetypes, styles, blocks, dimstyles, ucss,
      appids;
  TkHandle bylayer, byblock, model_record, paper_record;
  int16_t bylayer_number, byblock_number;
  int32_t max_name;

  // Sections.
  uint32_t entities_start, entities_end, blocks_start, extras;
  uint32_t table_start[DWG12_TABLE_COUNT];
  int32_t table_count[DWG12_TABLE_COUNT];
  uint16_t table_size[DWG12_TABLE_COUNT];
  std::vector<uint8_t> header_image;  // the fixed header up to the entity section
  std::vector<uint8_t> block_table;   // BLOCK records as written, offsets patched later
  std::vector<uint8_t> vx_table;      // VX records, links patched later

  // Entity records.
  bool in_blocks;
  bool sequence_pending;
  uint32_t sequence_at;
  uint8_t record_flags;
  uint16_t options;
  uint16_t extra_flags;
  int16_t viewport_number;
  // Each VIEWPORT written: its handle, record position and number.
  struct Viewport {
    TkHandle handle;
    uint32_t position;
    int16_t number;
  };
  std::vector<Viewport> viewports;
  TkHandle next_expansion;  // handles of the records an LWPOLYLINE becomes
  TkHandle acad_appid;
  bool have_acad;
  uint32_t written, dropped, unlinked;

  TkXdataBuffer xdata;
  std::vector<uint8_t> xdata_bytes;
  TkEntityHeader* scratch_header;
  TkEntityData* scratch_data;
};

uint64_t dwg12_key(const TkHandle& handle);
// A table position by handle; fallback when the handle names no record of the table.
int16_t dwg12_index(const std::unordered_map<uint64_t, int16_t>& table, const TkHandle& handle,
                    int16_t fallback);

// Output. Bytes go to the stage and on to the file or memory; patches replace bytes already
// written. Each gives false once a write failed (the error number is then set).
bool dwg12_put(Dwg12Out& o, const void* data, size_t n);
bool dwg12_flush(Dwg12Out& o);
bool dwg12_patch(Dwg12Out& o, uint32_t position, const void* data, size_t n);

// The header image written at the start, and the end of the file with every patch.
int16_t dwg12_write_header(Dwg12Out& o);
int16_t dwg12_finish_file(Dwg12Out& o);

// The record buffer.
void rec_reset(Dwg12Out& o);
void rec_put_bytes(Dwg12Out& o, const void* data, size_t n);
void rec_put_byte(Dwg12Out& o, uint8_t v);
void rec_put_rs(Dwg12Out& o, uint16_t v);
void rec_put_rl(Dwg12Out& o, uint32_t v);
void rec_put_rd(Dwg12Out& o, double v);
void rec_put_2rd(Dwg12Out& o, const double* v);
void rec_put_3rd(Dwg12Out& o, const double* v);
// RS length and the characters without their terminator, at most limit of them.
void rec_put_text(Dwg12Out& o, const char* text, size_t limit);
// A zero-filled field of n bytes holding the text's first n - 1 characters at most.
void rec_put_field(Dwg12Out& o, const char* text, size_t n);

// Section starts: sentinel (AC1009), position and count.
bool dwg12_begin_entities(Dwg12Out& o);
bool dwg12_begin_table(Dwg12Out& o, int table);
bool dwg12_begin_block_entities(Dwg12Out& o);
// The table records of every table the release has, BLOCK to VX, with their section starts.
bool dwg12_write_tables(Dwg12Out& o);
// The BLOCK record of block i takes the current position as its entities' offset.
void dwg12_patch_block_offset(Dwg12Out& o, int32_t block);
// The VX records' links of the viewport chain, and the chain's first record for the header.
uint16_t dwg12_link_viewports(Dwg12Out& o);

// One entity record (any kind the release holds; the caller has checked). block_number names
// BLOCK records only. 1, or 0 when the record could not be built or written.
int16_t dwg12_write_entity(Dwg12Out& o, TkEntityHeader* header, TkEntityData* data,
                           int32_t block_number, const char* block_name);
// An entity as the release takes it: an LWPOLYLINE as POLYLINE, VERTEXes and SEQEND, a kind
// the release cannot hold counted and reported, any other written as it is.
int16_t dwg12_write_lwpline_as_polyline(Dwg12Out& o, TkEntityHeader* header, TkEntityData* data,
                                        int32_t block_number, const char* block_name);
