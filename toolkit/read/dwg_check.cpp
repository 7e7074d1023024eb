// The DWG file check: an AC1009 header of sub-version 205 must carry its own check value and
// give section and table positions inside the file. Older releases are not examined, newer ones
// pass. Everything is read into the state's read buffer, never past the file or the buffer.
#include "toolkit/read/dwg_check.h"

#include <cstring>
#include <initializer_list>

#include "toolkit/core/load.h"
#include "toolkit/core/mem.h"
#include "toolkit/core/state.h"
#include "toolkit/write/crc16.h"

namespace {

constexpr size_t sniff_bytes = 24;
constexpr int32_t max_header = 2048;
// The last table descriptor ends at 1705 and the check value lies below the 16 bytes before
// the entity section: a shorter header would have the check read fields that are not there.
constexpr int32_t min_header = 1705 + 18;
constexpr uint16_t checked_subversion = 205;

int32_t i32_at(const uint8_t* b, size_t p) {
  return static_cast<int32_t>(static_cast<uint32_t>(b[p]) | static_cast<uint32_t>(b[p + 1]) << 8 |
                              static_cast<uint32_t>(b[p + 2]) << 16 |
                              static_cast<uint32_t>(b[p + 3]) << 24);
}
int16_t i16_at(const uint8_t* b, size_t p) {
  return static_cast<int16_t>(b[p] | b[p + 1] << 8);
}

bool outside(int32_t position, uint32_t file_length) {
  return position < 0 || static_cast<uint32_t>(position) >= file_length;
}

TkError locators(const uint8_t* b, uint32_t file_length) {
  for (size_t p : {20u, 24u, 28u, 36u})
    if (outside(i32_at(b, p), file_length)) return TK_ERR_DWG_INFO;
  static const size_t descriptors[] = {44, 54, 64, 74, 84, 1007, 1280, 1298, 1314, 1695};
  for (size_t p : descriptors) {
    int32_t position = i32_at(b, p + 6);
    if (i16_at(b, p) < 0 || i32_at(b, p + 2) < 0 || position < 0 ||
        static_cast<uint32_t>(position) > file_length)
      return TK_ERR_DWG_INFO;
  }
  return TK_ERR_NONE;
}

TkError check_ac1009(TkFile* file, const uint8_t* head, uint8_t* buffer) {
  if (static_cast<uint16_t>(i16_at(head, 17)) != checked_subversion) return TK_ERR_NONE;
  int32_t length = static_cast<int16_t>(i32_at(head, 20));
  uint32_t file_length = ::file_length(file);
  if (length > max_header || length < min_header ||
      static_cast<uint32_t>(length) > file_length)
    return TK_ERR_HEADER_SIZE;
  file_seek(file, 0, 0);
  if (file_read(buffer, 1, static_cast<size_t>(length), file) != static_cast<size_t>(length))
    return TK_ERR_HEADER_SIZE;
  size_t at = static_cast<size_t>(length) - 18;
  uint16_t stored = static_cast<uint16_t>(buffer[at] | buffer[at + 1] << 8);
  if (stored != (crc16(0, buffer, at) ^ DWG_HEADER_CHECK_XOR)) return TK_ERR_HEADER_CHECK;
  return locators(buffer, file_length);
}

}  // namespace

int16_t dwg_file_check(TkFile* file, int16_t mode) {
  (void)mode;
  if (!tk_state) return 1;
  uint8_t head[sniff_bytes] = {};
  file_seek(file, 0, 0);
  size_t got = file_read(head, 1, sizeof head, file);
  int16_t version = -1;
  if (got == sizeof head) {
    char text[8];
    std::memcpy(text, head, 7);
    text[7] = 0;
    version = tk_version_from_string(text);
  }
  if (version < TK_VERSION_AC1009) {
    tk_fail(TK_ERR_NONE);
    return -1;
  }
  TkError error = TK_ERR_NONE;
  if (version == TK_VERSION_AC1009) {
    if (!tk_state->read_buffer) {
      error = TK_ERR_READ_BUFFER;
    } else {
      error = check_ac1009(file, head, tk_state->read_buffer);
    }
  }
  tk_fail(error);
  return error ? 1 : 0;
}
