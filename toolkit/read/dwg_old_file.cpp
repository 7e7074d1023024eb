// Opening a DWG file of AC1002 to AC1009: the file check, the release, the reader state of the
// drawing and the header; then every section and table position the header gave is held
// against the file, so the later reads never start outside it. Also the byte cursor's helpers.
#include "toolkit/read/dwg_old_file.h"

#include <cstring>

#include "toolkit/core/drawing.h"
#include "toolkit/core/hdr.h"
#include "toolkit/core/load.h"
#include "toolkit/core/mem.h"
#include "toolkit/core/state.h"
#include "toolkit/read/dwg_check.h"
#include "toolkit/read/readers.h"

double dwg_old_double(const uint8_t* bytes) {
  uint16_t exponent = static_cast<uint16_t>(((bytes[7] & 0x7F) << 4) | (bytes[6] >> 4));
  if (exponent == 0 || exponent == 0x7FF) return 0.0;
  double v;
  std::memcpy(&v, bytes, 8);
  return v;
}

double DwgOldCursor::rd() {
  uint8_t b[8];
  bytes(b, 8);
  return dwg_old_double(b);
}

void DwgOldCursor::text_field(char* out, size_t room, size_t n) {
  if (room == 0) return;
  size_t keep = n < room - 1 ? n : room - 1;
  if (!take(n)) {
    out[0] = 0;
    return;
  }
  std::memcpy(out, data + pos, keep);
  out[keep] = 0;
  pos += n;
}

DwgOldCursor dwg_old_cursor(const uint8_t* data, size_t size) {
  return DwgOldCursor{data, size, 0, false};
}

DwgOldState* dwg_old_state(TkDrawing* drawing) {
  return static_cast<DwgOldState*>(drawing->reader_state);
}

bool dwg_old_read_at(TkDrawing* d, uint32_t position, size_t n) {
  if (!d->file || !tk_state->read_buffer || n > TK_READ_BUFFER_SIZE) return false;
  if (static_cast<uint64_t>(position) + n > file_length(d->file)) return false;
  file_seek(d->file, position, 0);
  return file_read(tk_state->read_buffer, 1, n, d->file) == n;
}

namespace {

void free_state(void* state) { mem_free(state); }

// Sound layout: the entity section inside the file, each table's records inside the file.
bool sections_fit(const DwgOldState* s) {
  if (s->entities_start > s->entities_end || s->entities_end > s->file_length) return false;
  for (const DwgOldTableDesc& t : s->tables) {
    if (t.count <= 0) continue;
    if (t.position < 0 || t.record_size == 0) return false;
    uint64_t end = static_cast<uint64_t>(t.position) +
                   static_cast<uint64_t>(t.record_size) * static_cast<uint64_t>(t.count);
    if (end > s->file_length) return false;
  }
  return true;
}

}  // namespace

int16_t dwg_old_open(TkDrawing* d) {
  if (!d->file) return tk_fail(TK_ERR_READ_HEADER);
  if (dwg_file_check(d->file, 2) == 1) return 0;

  header_set_defaults(d->header);
  TkHeaderIndexes& ix = tk_state->header_indexes;
  std::memset(&ix, 0, sizeof ix);
  ix.dimstyle = ix.pucsname = ix.ucsname = 65535;

  char text[7] = {};
  file_seek(d->file, 0, 0);
  if (file_read(text, 1, 6, d->file) != 6) return tk_fail(TK_ERR_FILE_VERSION);
  int16_t version = tk_version_from_string(text);
  if (version < 0) return tk_fail(TK_ERR_FILE_VERSION);
  d->version = version;
  // A newer file whose first bytes also hold an older release's text was sent here by mistake.
  if (version >= TK_VERSION_AC1012) {
    const TkReaderOps* newer = dwg13_reader_ops();
    return newer && newer->open ? newer->open(d) : tk_fail(TK_ERR_FILE_VERSION);
  }

  if (d->reader_state && d->reader_state_free) d->reader_state_free(d->reader_state);
  auto* s = static_cast<DwgOldState*>(mem_alloc(sizeof(DwgOldState)));
  d->reader_state = s;
  d->reader_state_free = free_state;
  if (!s) return tk_fail_alloc(TK_ERR_READ_BUFFER);
  std::memset(s, 0, sizeof *s);
  s->file_length = file_length(d->file);
  s->bylayer_ltype = version < TK_VERSION_AC1009 ? 256 : 32767;
  s->byblock_ltype = version < TK_VERSION_AC1009 ? 255 : 32766;
  for (int32_t& c : d->record_counts) c = 0;

  if (!dwg_old_read_header(d, s)) return 0;
  if (!sections_fit(s)) return tk_fail(TK_ERR_BAD_DWG_INFO);
  d->progress_start = s->entities_start;
  d->progress_end = s->entities_end;
  return 1;
}
