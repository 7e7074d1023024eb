// Test support for the load road: files served from memory through the host layer (counting the
// files left open), and a recording fake reader set that hands out records from a small script
// and can fail at any chosen operation. Shared by the loader tests and the open fuzz target, so
// it stays free of gtest.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "toolkit/core/blob.h"
#include "toolkit/core/class_list.h"
#include "toolkit/core/drawing.h"
#include "toolkit/core/entity.h"
#include "toolkit/core/load.h"
#include "toolkit/core/mem.h"
#include "toolkit/core/object.h"
#include "toolkit/core/reader_ops.h"
#include "toolkit/core/state.h"
#include "toolkit/core/symtab.h"

namespace load_test {

// ---- Files in memory ----

inline std::map<std::string, std::vector<uint8_t>> mem_files;
struct OpenFile {
  const std::vector<uint8_t>* bytes;
  uint32_t position;
};
inline std::map<int, OpenFile> open_files;
inline int next_descriptor = 100;

inline int mem_open(const char* path) {
  auto it = mem_files.find(path);
  if (it == mem_files.end()) return -1;
  int fd = next_descriptor++;
  open_files[fd] = OpenFile{&it->second, 0};
  return fd;
}
inline int32_t mem_read(int fd, void* buffer, uint32_t n) {
  auto it = open_files.find(fd);
  if (it == open_files.end()) return -1;
  OpenFile& f = it->second;
  size_t size = f.bytes->size();
  if (f.position >= size) return 0;
  if (n > size - f.position) n = static_cast<uint32_t>(size - f.position);
  std::memcpy(buffer, f.bytes->data() + f.position, n);
  f.position += n;
  return static_cast<int32_t>(n);
}
inline int32_t mem_seek(int fd, uint32_t offset) {
  auto it = open_files.find(fd);
  if (it == open_files.end()) return -1;
  it->second.position = offset;
  return static_cast<int32_t>(offset);
}
inline int mem_close(int fd) { return open_files.erase(fd) ? 0 : -1; }
inline int64_t mem_size(int fd) {
  auto it = open_files.find(fd);
  return it == open_files.end() ? -1 : static_cast<int64_t>(it->second.bytes->size());
}

// The memory files over the given allocator (null: the C library's).
inline void use_memory_files(void* (*alloc)(size_t) = nullptr, void (*release)(void*) = nullptr) {
  TkHostLayer layer{};
  layer.alloc = alloc;
  layer.free = release;
  layer.open_read = mem_open;
  layer.read = mem_read;
  layer.seek = mem_seek;
  layer.close = mem_close;
  layer.size = mem_size;
  tk_set_host_layer(&layer);
}

inline std::vector<uint8_t> bytes_of(const std::string& text) {
  return std::vector<uint8_t>(text.begin(), text.end());
}

// ---- The fake reader set ----

// Slot numbers of the operations, as the recording names them.
enum Slot : int {
  S_NEXT_OBJECT = 1,
  S_DICTIONARY = 2,
  S_OBJECT = 3,
  S_ENTITY = 8,
  S_BEGIN_BLOCK_ENTITIES = 21,
  S_BEGIN_ENTITIES = 25,
  S_BEGIN_OBJECTS = 29,
  S_BLOCK_HEADER = 4,
  S_BLOCK_RECORD = 5,
  S_SEEK_BLOCK_RECORDS = 50,  // not a numbered slot
  S_CLASS = 6,
  S_DIMSTYLE = 7,
  S_OPEN = 10,
  S_LAYER = 11,
  S_LTYPE = 12,
  S_MLINESTYLE = 13,
  S_APPID = 15,
  S_STYLE = 16,
  S_UCS = 17,
  S_VIEW = 18,
  S_VPORT = 19,
  S_BEGIN_BLOCK_HEADERS = 22,
  S_BEGIN_CLASSES = 23,
  S_BEGIN_DIMSTYLES = 24,
  S_BEGIN_LAYERS = 26,
  S_BEGIN_LTYPES = 27,
  S_BEGIN_APPIDS = 31,
  S_BEGIN_STYLES = 32,
  S_BEGIN_UCSS = 33,
  S_BEGIN_VIEWS = 34,
  S_BEGIN_VPORTS = 36,
  S_VPENT_HEADER = 20,
  S_BEGIN_VPENT_HEADERS = 35,
};

// One entity as the reader hands it over: its kind, header flags, the names it refers to and the
// doubles and 16-bit words of its data record at their byte places.
struct FakeEntity {
  uint16_t kind = 0;
  uint8_t flags = 0;
  std::string layer = "0";
  std::string block;
  std::string style;
  std::map<size_t, double> reals;
  std::map<size_t, uint16_t> words;
  std::map<size_t, uint64_t> handles;
  std::string mlinestyle;  // MLINE: its style's name
};

struct Script {
  int16_t open_result = 1;
  TkError open_error = 0;  // stored by a failing open when not 0
  int16_t version = -1;    // the version the open reads from the header; -1 keeps the sniffed one
  // Record names per table, in file order; the declared count is their number unless counts
  // overrides it.
  std::map<int, std::vector<std::string>> names;
  std::map<int, int32_t> counts;
  int fail_slot = 0;                     // this operation fails (0: none)
  int classes = 0;                       // class definitions the class walk gives
  std::vector<std::string> class_names;  // their DXF names, when not made up
  uint32_t progress_end = 0;
  std::vector<FakeEntity> entities;                               // of the two spaces
  std::map<std::string, std::vector<FakeEntity>> block_entities;  // by block name
  std::vector<uint16_t> objects;                                  // object kinds
  // Entries of the dictionaries among them, by position in `objects`: name and handle value.
  std::map<size_t, std::vector<std::pair<std::string, uint64_t>>> dictionary_entries;
  // Names of the multiline styles among them, by position in `objects`.
  std::map<size_t, std::string> mlinestyle_names;
  bool endless_entities = false;
  // Record names a DXF header gives, by place in tk_header_name_vars.
  std::map<int, std::string> header_names;
  // Kinds the reader marks to be passed over.
  std::vector<uint16_t> skipped_kinds;
  // The viewport-entity headers of a DWG file after the first, which is passed over: the
  // position among `entities` of the VIEWPORT each names (-1: none of them), its number and
  // whether the file marks it deleted.
  struct VpentHeader {
    int entity;
    int16_t number;
    bool deleted;
  };
  std::vector<VpentHeader> vpent_headers;
  // The linetype an older file gives a layer, by layer name: a name, or "#n" for a table index.
  // The owner a BLOCK_RECORD record gives, by name (0 when not listed).
  std::map<std::string, uint64_t> block_record_owners;
  std::map<std::string, std::string>
      layer_linetypes;  // a walk that never ends, as a damaged chain would give
};

struct Call {
  int slot;
  bool dxf_set;
  TkError error_before;  // the last error when the operation was called
};

inline Script script;
inline std::vector<Call> calls;
inline const std::vector<FakeEntity>* entity_source = nullptr;
// The handles the entities of the two spaces were given, in reading order.
inline std::vector<TkHandle> entity_handles;
inline size_t entity_position = 0;
inline uint64_t next_file_handle = 0x100;
inline std::map<int, size_t> read_positions;
// The handle each record got, by slot and name.
inline std::map<std::pair<int, std::string>, uint64_t> given_handles;

inline int16_t record_call(TkDrawing* d, int slot) {
  calls.push_back(Call{slot, d->readers == tk_dxf_readers(), tk_state->last_error});
  return script.fail_slot == slot ? 0 : 1;
}

inline TkTableCount table_of(int slot) {
  switch (slot) {
    case S_LAYER: return TK_COUNT_LAYER;
    case S_LTYPE: return TK_COUNT_LTYPE;
    case S_APPID: return TK_COUNT_APPID;
    case S_STYLE: return TK_COUNT_STYLE;
    case S_UCS: return TK_COUNT_UCS;
    case S_VIEW: return TK_COUNT_VIEW;
    case S_VPORT: return TK_COUNT_VPORT;
    case S_DIMSTYLE: return TK_COUNT_DIMSTYLE;
    default: return TK_COUNT_BLOCK;
  }
}

// Names the next record of the slot's table and gives it the file's next handle.
template <typename Record>
int16_t fill_record(TkDrawing* d, int slot, Record* r) {
  if (!record_call(d, slot)) return 0;
  const std::vector<std::string>& names = script.names[slot];
  size_t i = read_positions[slot]++;
  std::string name = i < names.size() ? names[i] : "R" + std::to_string(i);
  std::snprintf(r->name, sizeof r->name, "%s", name.c_str());
  auto linetype = script.layer_linetypes.find(name);
  if (slot == S_LAYER && linetype != script.layer_linetypes.end()) {
    TkPendingRefs& p = tk_state->pending;
    if (linetype->second[0] == '#') {
      p.linetype_index = static_cast<int16_t>(std::stoi(linetype->second.substr(1)));
    } else {
      std::snprintf(p.linetype, sizeof p.linetype, "%s", linetype->second.c_str());
    }
  }
  uint64_t h = next_file_handle++;
  given_handles[{slot, name}] = h;
  for (int b = 7; b >= 0; --b, h >>= 8) r->handle.bytes[b] = static_cast<uint8_t>(h);
  return 1;
}

// A record read a second time has the handle it had the first time, as in a file.
inline int16_t fake_read_block_record(TkDrawing* d, TkBlockRecord* r) {
  const std::vector<std::string>& names = script.names[S_BLOCK_RECORD];
  size_t i = read_positions[S_BLOCK_RECORD];
  if (i >= names.size()) return 0;
  auto known = given_handles.find({S_BLOCK_RECORD, names[i]});
  uint64_t before = known != given_handles.end() ? known->second : 0;
  if (!fill_record(d, S_BLOCK_RECORD, r)) return 0;
  auto listed = script.block_record_owners.find(names[i]);
  uint64_t owner = listed != script.block_record_owners.end() ? listed->second : 0;
  for (int b = 7; b >= 0; --b, owner >>= 8) r->owner.bytes[b] = static_cast<uint8_t>(owner);
  if (before) {
    given_handles[{S_BLOCK_RECORD, names[i]}] = before;
    for (int b = 7; b >= 0; --b, before >>= 8) r->handle.bytes[b] = static_cast<uint8_t>(before);
  }
  return 1;
}

inline int16_t fake_seek_block_records(TkDrawing* d) {
  read_positions[S_BLOCK_RECORD] = 0;
  return record_call(d, S_SEEK_BLOCK_RECORDS);
}

template <int Slot, typename Record>
int16_t fake_read(TkDrawing* d, Record* r, uint8_t* has_xdata) {
  *has_xdata = 0;
  return fill_record(d, Slot, r);
}

template <int Slot>
int16_t fake_begin(TkDrawing* d) {
  return record_call(d, Slot);
}

inline int16_t fake_read_class(TkDrawing* d, TkClassRecord* r) {
  if (!record_call(d, S_CLASS)) return 0;
  size_t i = read_positions[S_CLASS]++;
  if (i >= static_cast<size_t>(script.classes)) return 0;
  if (i < script.class_names.size()) {
    std::snprintf(r->dxf_name, sizeof r->dxf_name, "%s", script.class_names[i].c_str());
  } else {
    std::snprintf(r->dxf_name, sizeof r->dxf_name, "FAKECLASS%zu", i);
  }
  r->number = static_cast<uint16_t>(TK_FIRST_CLASS_NUMBER + i);
  return 1;
}

inline void next_handle(TkHandle* h) {
  uint64_t v = next_file_handle++;
  for (int b = 7; b >= 0; --b, v >>= 8) h->bytes[b] = static_cast<uint8_t>(v);
}

inline int16_t fake_begin_entities(TkDrawing* d) {
  entity_source = &script.entities;
  entity_position = 0;
  return record_call(d, S_BEGIN_ENTITIES);
}

inline int16_t fake_begin_block_entities(TkDrawing* d) {
  entity_source = &script.block_entities[d->reading_block ? d->reading_block->name : ""];
  entity_position = 0;
  return record_call(d, S_BEGIN_BLOCK_ENTITIES);
}

inline int16_t fake_read_entity(TkDrawing* d, TkEntityHeader* h, TkEntityData* data,
                                uint8_t* has_xdata) {
  if (!record_call(d, S_ENTITY)) return 0;
  static const FakeEntity endless = [] {
    FakeEntity e;
    e.kind = TK_LINE;
    return e;
  }();
  bool endless_walk = script.endless_entities && entity_source == &script.entities;
  if (!entity_source || (!endless_walk && entity_position >= entity_source->size())) return 0;
  const FakeEntity& e = endless_walk ? endless : (*entity_source)[entity_position];
  ++entity_position;
  // The file position moves through the marked range as the entities are read.
  if (d->progress_end > d->progress_start && !entity_source->empty())
    file_seek(d->file,
              d->progress_start + static_cast<int64_t>(d->progress_end - d->progress_start) *
                                      entity_position / entity_source->size(),
              0);
  h->kind = e.kind;
  tk_init_entity(d, h, data);
  h->flags = e.flags;
  next_handle(&h->handle);
  if (entity_source == &script.entities) entity_handles.push_back(h->handle);
  for (const auto& [place, value] : e.reals) tk_data_put(data, place, value);
  for (const auto& [place, value] : e.words) tk_data_put(data, place, value);
  for (const auto& [place, value] : e.handles) {
    TkHandle handle{};
    uint64_t v = value;
    for (int b = 7; b >= 0; --b, v >>= 8) handle.bytes[b] = static_cast<uint8_t>(v);
    tk_data_put(data, place, handle);
  }
  TkPendingRefs& p = tk_state->pending;
  std::snprintf(p.mlinestyle, sizeof p.mlinestyle, "%s", e.mlinestyle.c_str());
  std::snprintf(p.layer, sizeof p.layer, "%s", e.layer.c_str());
  std::snprintf(p.block, sizeof p.block, "%s", e.block.c_str());
  std::snprintf(p.text_style, sizeof p.text_style, "%s", e.style.c_str());
  for (uint16_t kind : script.skipped_kinds)
    if (kind == e.kind) tk_state->skip_entity = 1;
  *has_xdata = 0;
  return 1;
}

inline size_t object_position = 0;
inline size_t vpent_position = 0;

inline int16_t fake_begin_vpent_headers(TkDrawing* d) {
  vpent_position = 0;
  return record_call(d, S_BEGIN_VPENT_HEADERS);
}

inline int16_t fake_read_vpent_header(TkDrawing* d, TkViewportEntityHeader* r) {
  if (!record_call(d, S_VPENT_HEADER)) return 0;
  size_t i = vpent_position++;
  if (i == 0) return 1;  // the first, passed over
  if (i > script.vpent_headers.size()) return 0;
  const Script::VpentHeader& v = script.vpent_headers[i - 1];
  r->viewport_number = v.number;
  r->end = v.deleted ? 1 : 0;
  if (v.entity >= 0 && static_cast<size_t>(v.entity) < entity_handles.size()) {
    r->viewport = entity_handles[static_cast<size_t>(v.entity)];
  } else {
    r->viewport.bytes[7] = 0xEE;  // a handle no entity has
  }
  return 1;
}

inline int16_t fake_begin_objects(TkDrawing* d) {
  object_position = 0;
  return record_call(d, S_BEGIN_OBJECTS);
}

inline int16_t fake_next_object_kind(TkDrawing* d) {
  if (!record_call(d, S_NEXT_OBJECT)) return 0;
  return object_position < script.objects.size()
             ? static_cast<int16_t>(script.objects[object_position++])
             : 0;
}

template <int Slot>
int16_t fake_read_object(TkDrawing* d, TkObjectHeader* h, TkObjectData* data, uint8_t* has_xdata) {
  *has_xdata = 0;
  if (!record_call(d, Slot)) return 0;
  next_handle(&h->handle);
  auto entries = script.dictionary_entries.find(object_position - 1);
  if (Slot == S_DICTIONARY && entries != script.dictionary_entries.end()) {
    data->dictionary.entries = blob_alloc(TK_BLOB_CHUNK_SIZE);
    TkBlob* w = blob_create(data->dictionary.entries);
    if (!w) return 0;  // out of memory, as a reader would report it
    for (const auto& [name, value] : entries->second) {
      TkDictEntry e{};
      std::snprintf(e.name, sizeof e.name, "%s", name.c_str());
      uint64_t v = value;
      for (int b = 7; b >= 0; --b, v >>= 8) e.object.bytes[b] = static_cast<uint8_t>(v);
      tk_dict_entry_write(w, &e);
    }
    blob_close_write(w);
    data->dictionary.entry_count = static_cast<uint32_t>(entries->second.size());
  }
  auto style = script.mlinestyle_names.find(object_position - 1);
  if (Slot == S_MLINESTYLE && style != script.mlinestyle_names.end()) {
    std::snprintf(data->mlinestyle.name, sizeof data->mlinestyle.name, "%s",
                  style->second.c_str());
    uint64_t v = 0;
    for (int b = 0; b < 8; ++b) v = v << 8 | h->handle.bytes[b];
    given_handles[{Slot, style->second}] = v;
  }
  return 1;
}

inline int16_t fake_open(TkDrawing* d) {
  if (!record_call(d, S_OPEN) || !script.open_result) {
    if (script.open_error) tk_fail(script.open_error);
    return 0;
  }
  if (script.version >= 0) d->version = script.version;
  for (int slot :
       {S_LAYER, S_LTYPE, S_APPID, S_STYLE, S_UCS, S_VIEW, S_VPORT, S_DIMSTYLE, S_BLOCK_HEADER}) {
    auto it = script.counts.find(slot);
    d->record_counts[table_of(slot)] =
        it != script.counts.end() ? it->second : static_cast<int32_t>(script.names[slot].size());
  }
  d->progress_end = script.progress_end;
  if (!script.vpent_headers.empty())
    d->record_counts[TK_COUNT_VPENT_HEADER] = static_cast<int32_t>(script.vpent_headers.size() + 1);
  for (const auto& [place, name] : script.header_names)
    std::snprintf(tk_state->header_names[place], TK_HEADER_NAME_VAR_CAPACITY, "%s", name.c_str());
  return 1;
}

inline TkReaderOps fake_set() {
  TkReaderOps ops{};
  ops.read_block_header = fake_read<S_BLOCK_HEADER, TkBlockRecord>;
  ops.read_class = fake_read_class;
  ops.read_dimstyle = fake_read<S_DIMSTYLE, TkDimStyleRecord>;
  ops.open = fake_open;
  ops.read_layer = fake_read<S_LAYER, TkLayerRecord>;
  ops.read_linetype = fake_read<S_LTYPE, TkLinetypeRecord>;
  ops.read_appid = fake_read<S_APPID, TkAppIdRecord>;
  ops.read_style = fake_read<S_STYLE, TkTextStyleRecord>;
  ops.read_ucs = fake_read<S_UCS, TkUcsRecord>;
  ops.read_view = fake_read<S_VIEW, TkViewRecord>;
  ops.read_vport = fake_read<S_VPORT, TkVportRecord>;
  ops.begin_block_headers = fake_begin<S_BEGIN_BLOCK_HEADERS>;
  ops.begin_classes = fake_begin<S_BEGIN_CLASSES>;
  ops.begin_dimstyles = fake_begin<S_BEGIN_DIMSTYLES>;
  ops.begin_layers = fake_begin<S_BEGIN_LAYERS>;
  ops.begin_linetypes = fake_begin<S_BEGIN_LTYPES>;
  ops.begin_appids = fake_begin<S_BEGIN_APPIDS>;
  ops.begin_styles = fake_begin<S_BEGIN_STYLES>;
  ops.begin_ucss = fake_begin<S_BEGIN_UCSS>;
  ops.begin_views = fake_begin<S_BEGIN_VIEWS>;
  ops.begin_vports = fake_begin<S_BEGIN_VPORTS>;
  ops.begin_entities = fake_begin_entities;
  ops.begin_block_entities = fake_begin_block_entities;
  ops.read_entity = fake_read_entity;
  ops.begin_objects = fake_begin_objects;
  ops.next_object_kind = fake_next_object_kind;
  ops.read_dictionary = fake_read_object<S_DICTIONARY>;
  ops.read_mlinestyle = fake_read_object<S_MLINESTYLE>;
  ops.read_block_record = fake_read_block_record;
  ops.seek_block_records = fake_seek_block_records;
  ops.read_object = fake_read_object<S_OBJECT>;
  ops.begin_vpent_headers = fake_begin_vpent_headers;
  ops.read_vpent_header = fake_read_vpent_header;
  return ops;
}

// Installs the fake set as both the DWG and the DXF readers and starts a fresh script.
inline void install_fake_readers(const Script& s = Script{}) {
  script = s;
  calls.clear();
  read_positions.clear();
  given_handles.clear();
  entity_source = nullptr;
  object_position = 0;
  entity_handles.clear();
  vpent_position = 0;
  next_file_handle = 0x100;
  TkReaderOps ops = fake_set();
  tk_install_readers_full(&ops);
  tk_install_readers(&ops);
}

}  // namespace load_test
