// The output context and the file road of every writer. Failed writes follow the application's
// answer (retry, give up, close); the output is a temporary file in the target's folder that is
// renamed over the target only when complete.
#include "toolkit/write/writer.h"

#include <atomic>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "toolkit/core/hdr.h"
#include "toolkit/core/mem.h"

namespace {

TkWriteErrorFn g_write_error = nullptr;
TkWarningFn g_warning = nullptr;
std::atomic<uint32_t> g_temp_counter{0};

const char* const kVersionNames[8] = {"AC1002", "AC1003", "AC1004", "AC1006",
                                      "AC1009", "AC1012", "AC1014", "AC1015"};

// Bytes per record of the pre-R13 tables: BLOCK, STYLE, LTYPE, VIEW, UCS, VPORT, LAYER,
// DIMSTYLE, APPID, viewport entity header.
const uint16_t kOldTableSizes[5][TK_OLD_TABLE_COUNT] = {
    {38, 194, 188, 92, 0, 0, 38, 0, 0, 0},
    {38, 194, 188, 92, 0, 0, 38, 0, 0, 0},
    {37, 194, 187, 91, 0, 0, 37, 0, 0, 0},
    {37, 194, 187, 149, 105, 249, 37, 0, 0, 0},
    {45, 198, 191, 153, 109, 253, 41, 324, 37, 43},
};

bool file_exists(const char* path) {
  FILE* f = stdio_open(path, "rb");
  if (!f) return false;
  stdio_close(f);
  return true;
}

// A file name beside the target that no file has yet.
bool make_temp_name(const char* target, char* out, size_t size) {
  uintptr_t salt = reinterpret_cast<uintptr_t>(out) ^ uintptr_t(std::time(nullptr)) ^
                   uintptr_t(std::clock());
  for (int attempt = 0; attempt < 100; ++attempt) {
    uint32_t n = g_temp_counter.fetch_add(1);
    int len = std::snprintf(out, size, "%s.%08x%04x.vvtmp", target,
                            unsigned(salt & 0xFFFFFFFFu), unsigned(n & 0xFFFF));
    if (len < 0 || size_t(len) >= size) return false;
    if (!file_exists(out)) return true;
  }
  return false;
}

void release(TkWriter* w) {
  if (!w) return;
  bits_discard(&w->bits);
  mem_free(w->work);
  mem_free(w->header);
  mem_free(w);
}

}  // namespace

void tk_set_write_error_callback(TkWriteErrorFn fn) { g_write_error = fn; }
void tk_set_warning_callback(TkWarningFn fn) { g_warning = fn; }
void tk_warn(int16_t number, const TkHandle* handle) {
  if (g_warning) g_warning(number, handle);
}

TkWriter* writer_open(const char* path, TkVersion version, uint8_t kind) {
  (void)tk_fail(TK_ERR_CONTROL_BLOCK);
  auto* w = static_cast<TkWriter*>(mem_alloc(sizeof(TkWriter)));
  if (!w) return nullptr;
  std::memset(w, 0, sizeof *w);
  w->header = static_cast<TkHeader*>(mem_alloc(sizeof(TkHeader)));
  if (!w->header) {
    release(w);
    return nullptr;
  }
  header_set_defaults(w->header);
  (void)tk_fail(TK_ERR_OPEN_FILE);
  size_t len = path ? std::strlen(path) : 0;
  if (len == 0 || len >= sizeof w->target) {
    release(w);
    return nullptr;
  }
  std::memcpy(w->target, path, len + 1);
  // A target that exists but may not be written stays as it is.
  if (file_exists(path)) {
    FILE* probe = stdio_open(path, "r+b");
    if (!probe) {
      release(w);
      return nullptr;
    }
    stdio_close(probe);
  }
  if (!make_temp_name(path, w->temp, sizeof w->temp)) {
    release(w);
    return nullptr;
  }
  w->file = stdio_open(w->temp, "w+b");
  if (!w->file) {
    release(w);
    return nullptr;
  }
  (void)tk_fail(TK_ERR_WRITE_BUFFER);
  w->work_size = 4096;
  w->work = static_cast<uint8_t*>(mem_alloc(w->work_size));
  if (!w->work) {
    writer_abandon(w);
    return nullptr;
  }
  (void)tk_fail(TK_ERR_NONE);
  w->file_kind = kind;
  w->dxf = (kind == TK_FILE_TEXT_DXF || kind == TK_FILE_BINARY_DXF) ? 1 : 0;
  bool old = version >= 0 && version <= 3;
  w->bylayer_number = old ? 256 : 32767;
  w->byblock_number = old ? 255 : 32766;
  w->output_version = version;
  w->bits.output_version = version;
  return w;
}

void writer_set_version(TkWriter* w, TkVersion version, TkHeader* header) {
  w->output_version = version;
  w->bits.output_version = version;
  if (version < 0 || version > 7) return;
  if (header) std::memcpy(header->acadver, kVersionNames[version], 7);
  if (version < 5)
    std::memcpy(w->old_table_sizes, kOldTableSizes[version], sizeof w->old_table_sizes);
}

int16_t writer_commit(TkWriter* w) {
  if (!w) return tk_fail(TK_ERR_OPEN_FILE);
  bool written = !w->file_closed && w->file;
  if (written) {
    written = std::fflush(w->file) == 0 && !std::ferror(w->file);
    if (stdio_close(w->file) != 0) written = false;
    w->file = nullptr;
  }
  if (!written) {
    std::remove(w->temp);
    release(w);
    return tk_fail(TK_ERR_DISK_FULL);
  }
  std::error_code ec;
  std::filesystem::rename(std::filesystem::u8path(w->temp), std::filesystem::u8path(w->target),
                          ec);
  if (ec) {
    std::remove(w->temp);
    release(w);
    return tk_fail(TK_ERR_OPEN_FILE);
  }
  release(w);
  (void)tk_fail(TK_ERR_NONE);
  return 1;
}

void writer_abandon(TkWriter* w) {
  if (!w) return;
  if (w->file) stdio_close(w->file);
  w->file = nullptr;
  if (w->temp[0]) std::remove(w->temp);
  release(w);
}

int16_t out_write(TkWriter* w, const void* data, size_t count) {
  if (count == 0) return 1;
  for (;;) {
    if (w->file && !w->file_closed && stdio_write(data, 1, count, w->file) == count) return 1;
    (void)tk_fail(TK_ERR_DISK_FULL);
    if (!g_write_error || !w->file || w->file_closed) return 0;
    int16_t answer = g_write_error(3);
    if (answer == 2) return 0;
    if (answer == 0) {
      stdio_close(w->file);
      w->file = nullptr;
      w->file_closed = 1;
      g_write_error(4);
      return 0;
    }
    // Any other answer: the same block once more (the stream's error state cleared first).
    std::clearerr(w->file);
  }
}

int16_t out_write_rd(TkWriter* w, double value) {
  uint8_t b[8];
  std::memcpy(b, &value, 8);  // the toolkit's platforms are little-endian
  return out_write(w, b, 8);
}

int16_t out_write_rl(TkWriter* w, int32_t value) {
  uint32_t v = uint32_t(value);
  uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
  return out_write(w, b, 4);
}

int16_t out_write_rs(TkWriter* w, uint16_t value) {
  uint8_t b[2] = {uint8_t(value), uint8_t(value >> 8)};
  return out_write(w, b, 2);
}

uint32_t out_tell(TkWriter* w) {
  if (!w->file) return 0;
  long at = stdio_tell(w->file);
  return at < 0 ? 0 : uint32_t(at);
}

int16_t out_seek(TkWriter* w, uint32_t offset) {
  if (!w->file || stdio_seek(w->file, long(offset), SEEK_SET) != 0)
    return tk_fail(TK_ERR_DISK_FULL);
  return 1;
}
