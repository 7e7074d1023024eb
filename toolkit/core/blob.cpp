// Chunked in-memory blobs: working copies, chunked writing and appending, reading and seeking.
// Reads never run past the stored bytes or a chunk, whatever a damaged length asks for.
#include "toolkit/core/blob.h"

#include <cctype>
#include <cstddef>
#include <cstring>

#include "toolkit/core/handle.h"
#include "toolkit/core/mem.h"
#include "toolkit/core/pool.h"
#include "toolkit/core/state.h"

enum : TkError { TK_ERR_ALLOC_VM_BLOB = 215 };

namespace {

// Descriptors, chunk lists and chunks come from the pool a loading drawing lends, and wait for
// it when freed; otherwise from mem_alloc.
void* piece_alloc(size_t n) {
  TkRecordPool* pool = pool_for_blobs();
  return pool ? pool_alloc(pool, n) : mem_alloc(n);
}

void piece_free(void* piece) {
  if (piece && !pool_holds(piece)) mem_free(piece);
}

TkList* new_chunk_list() {
  TkRecordPool* pool = pool_for_blobs();
  if (!pool) return list_new();
  auto* list = static_cast<TkList*>(pool_alloc(pool, sizeof(TkList)));
  if (!list) {
    tk_fail_alloc(TK_ERR_ALLOC_LLIST);
    return nullptr;
  }
  memset(list, 0, sizeof(TkList));
  return list;
}

void free_chunks(TkList* chunks) {
  if (!chunks) return;
  for (TkLink* link = chunks->first; link;) {
    TkLink* next = link->next;
    piece_free(link);
    link = next;
  }
  piece_free(chunks);
}

// The working copy and its chunk buffer are one block, freed with the copy: a blob is opened
// for nearly every entity a load stores, and one allocation is half the cost of two.
TkBlob* open_copy(TkBlob* stored) {
  constexpr size_t kHead = (sizeof(TkBlob) + alignof(std::max_align_t) - 1) /
                           alignof(std::max_align_t) * alignof(std::max_align_t);
  auto* block = static_cast<uint8_t*>(mem_alloc(kHead + size_t(stored->chunk_size)));
  if (!block) {
    tk_fail_alloc(TK_ERR_ALLOC_BLOB_BUFFER);
    return nullptr;
  }
  TkBlob* copy = reinterpret_cast<TkBlob*>(block);
  *copy = *stored;
  copy->buffer = block + kHead;
  copy->stored = stored;
  return copy;
}

// Writes the descriptor back and frees the working copy. A chunk list that replaced the stored
// one (a rewrite from the start) frees the old chunks.
void write_back(TkBlob* copy) {
  TkBlob* stored = copy->stored;
  if (stored->chunks != copy->chunks) free_chunks(stored->chunks);
  stored->marker = TK_BLOB_MARKER;
  stored->buffer = nullptr;
  stored->chunks = copy->chunks;
  stored->stored = nullptr;
  stored->total = copy->total + (copy->reopened ? int32_t(copy->reopened->size) : 0);
  stored->reopened = nullptr;
  stored->remaining = 0;
  stored->writing = 0;
  stored->position = 0;
  stored->left = 0;
  stored->chunk_size = copy->chunk_size;
  mem_free(copy);  // its buffer with it
}

// Frees a writing copy and the chunks it made, leaving the stored blob untouched.
void discard(TkBlob* copy) {
  if (copy->chunks != copy->stored->chunks) free_chunks(copy->chunks);
  mem_free(copy);  // its buffer with it
}

int16_t flush_chunk(TkBlob* blob, size_t n) {
  // Only a blob written from the start takes chunks from a lent pool. Appends come again and
  // again, each replacing the last chunk, and a replaced pooled chunk stays until the pool goes.
  bool fresh_list = blob->chunks != blob->stored->chunks;
  if (!record_store(blob->buffer, n, blob->chunks, fresh_list ? pool_for_blobs() : nullptr))
    return 0;
  if (blob->reopened) {
    piece_free(list_remove(blob->chunks, blob->reopened));
    blob->reopened = nullptr;
  }
  blob->total += int32_t(n);
  blob->position = 0;
  return 1;
}

// Loads the list's current chunk into the buffer; 0 when the chunks ran out.
int16_t load_chunk(TkBlob* blob) {
  TkLink* link = list_current(blob->chunks);
  if (!link) return 0;
  size_t n = link->size < size_t(blob->chunk_size) ? link->size : size_t(blob->chunk_size);
  memcpy(blob->buffer, tk_link_data(link), n);
  list_next(blob->chunks, link->next);
  blob->position = 0;
  blob->left = int16_t(n);
  return 1;
}

void report_bad_length() {
  if (tk_state && tk_state->error_callback) tk_state->error_callback(5);
}

}  // namespace

TkBlob* blob_alloc(int16_t chunk_size) {
  if (chunk_size <= 0) return nullptr;
  TkBlob* blob = static_cast<TkBlob*>(piece_alloc(sizeof(TkBlob)));
  if (!blob) {
    tk_fail_alloc(TK_ERR_ALLOC_VM_BLOB);
    return nullptr;
  }
  memset(blob, 0, sizeof(TkBlob));
  blob->marker = TK_BLOB_MARKER;
  blob->chunk_size = chunk_size;
  return blob;
}

TkBlob* blob_create(TkBlob* stored) {
  if (!stored) return nullptr;
  TkBlob* copy = open_copy(stored);
  if (!copy) return nullptr;
  copy->chunks = new_chunk_list();
  if (!copy->chunks) {
    mem_free(copy);  // its buffer with it
    return nullptr;
  }
  copy->total = copy->remaining = 0;
  copy->position = copy->left = 0;
  copy->writing = 1;
  copy->reopened = nullptr;
  return copy;
}

TkBlob* blob_open_append(TkBlob* stored) {
  if (!stored) return nullptr;
  if (!stored->chunks || list_count(stored->chunks) == 0) {
    TkBlob* copy = blob_create(stored);
    return copy;
  }
  TkBlob* copy = open_copy(stored);
  if (!copy) return nullptr;
  TkLink* last = list_last(copy->chunks);
  size_t n = last->size < size_t(copy->chunk_size) ? last->size : size_t(copy->chunk_size);
  memcpy(copy->buffer, tk_link_data(last), n);
  copy->reopened = last;
  copy->total -= int32_t(last->size);
  copy->position = int16_t(n);
  copy->left = 0;
  copy->remaining = 0;
  copy->writing = 1;
  return copy;
}

TkBlob* blob_open_read(TkBlob* stored) {
  if (!stored) return nullptr;
  TkBlob* copy = open_copy(stored);
  if (!copy) return nullptr;
  blob_rewind(copy);
  return copy;
}

int16_t blob_write(TkBlob* blob, const void* data, size_t n) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  size_t cs = size_t(blob->chunk_size);
  while (n) {
    // A reopened full chunk is stored before the first new byte.
    if (size_t(blob->position) == cs && !flush_chunk(blob, cs)) return 0;
    size_t k = cs - size_t(blob->position);
    if (k > n) k = n;
    memcpy(blob->buffer + blob->position, p, k);
    blob->position = int16_t(blob->position + k);
    p += k;
    n -= k;
    if (size_t(blob->position) == cs && !flush_chunk(blob, cs)) return 0;
  }
  return 1;
}

int16_t blob_write_byte(TkBlob* blob, uint8_t value) { return blob_write(blob, &value, 1); }
int16_t blob_write_short_raw(TkBlob* blob, int16_t value) { return blob_write(blob, &value, 2); }
int16_t blob_write_long_raw(TkBlob* blob, int32_t value) { return blob_write(blob, &value, 4); }
int16_t blob_write_double(TkBlob* blob, double value) { return blob_write(blob, &value, 8); }
int16_t blob_write_point2(TkBlob* blob, const double point[2]) { return blob_write(blob, point, 16); }
int16_t blob_write_point3(TkBlob* blob, const double point[3]) { return blob_write(blob, point, 24); }
int16_t blob_write_vector3(TkBlob* blob, const double vector[3]) {
  return blob_write(blob, vector, 24);
}

int16_t blob_write_zeros(TkBlob* blob, size_t n) {
  static const uint8_t zeros[512] = {};
  while (n) {
    size_t k = n < sizeof zeros ? n : sizeof zeros;
    if (!blob_write(blob, zeros, k)) return 0;
    n -= k;
  }
  return 1;
}

int16_t blob_write_string(TkBlob* blob, const char* text) {
  size_t len = strlen(text);
  if (len > 0x7FFF) return 0;
  int16_t n = int16_t(len);
  return blob_write(blob, &n, 2) && blob_write(blob, text, len) ? 1 : 0;
}

int16_t blob_put_handle(TkBlob* blob, const TkHandle* handle) {
  if (!blob) return tk_fail(TK_ERR_WRITE_NULL_BLOB);
  return blob_write(blob, handle->bytes, 8);
}

int16_t blob_close_write(TkBlob* blob) {
  if (blob->position > 0 && !flush_chunk(blob, size_t(blob->position))) {
    if (blob->chunks != blob->stored->chunks) {
      // A rewrite that cannot be completed keeps the blob's old bytes.
      discard(blob);
      return 0;
    }
    write_back(blob);  // an append keeps the old last chunk until its copy is stored
    return 0;
  }
  write_back(blob);
  return 1;
}

int16_t blob_close_append(TkBlob* blob) { return blob_close_write(blob); }

int16_t blob_read(TkBlob* blob, void* buffer, size_t n) {
  if (blob->remaining <= 0 || size_t(blob->remaining) < n) return 0;
  uint8_t* p = static_cast<uint8_t*>(buffer);
  while (n) {
    if (blob->left == 0 && !load_chunk(blob)) return 0;
    size_t k = size_t(blob->left) < n ? size_t(blob->left) : n;
    memcpy(p, blob->buffer + blob->position, k);
    blob->position = int16_t(blob->position + k);
    blob->left = int16_t(blob->left - k);
    blob->remaining -= int32_t(k);
    p += k;
    n -= k;
  }
  return 1;
}

int16_t blob_read_byte(TkBlob* blob, uint8_t* value) {
  if (blob->left > 0 && blob->remaining > 0) {
    *value = blob->buffer[blob->position++];
    --blob->left;
    --blob->remaining;
    return 1;
  }
  return blob_read(blob, value, 1);
}

int16_t blob_read_short_raw(TkBlob* blob, int16_t* value) { return blob_read(blob, value, 2); }
int16_t blob_read_long_raw(TkBlob* blob, int32_t* value) { return blob_read(blob, value, 4); }
int16_t blob_read_double(TkBlob* blob, double* value) { return blob_read(blob, value, 8); }
int16_t blob_read_point2(TkBlob* blob, double point[2]) { return blob_read(blob, point, 16); }
int16_t blob_read_point3(TkBlob* blob, double point[3]) { return blob_read(blob, point, 24); }
int16_t blob_read_vector3(TkBlob* blob, double vector[3]) { return blob_read(blob, vector, 24); }

int16_t blob_read_short(TkBlob* blob, void* target, size_t target_size) {
  memset(target, 0, target_size);
  return target_size >= 2 ? blob_read(blob, target, 2) : 0;
}

int16_t blob_read_long(TkBlob* blob, void* target, size_t target_size) {
  memset(target, 0, target_size);
  return target_size >= 4 ? blob_read(blob, target, 4) : 0;
}

int16_t blob_read_string(TkBlob* blob, char* buffer, size_t capacity) {
  int32_t start = blob_read_pos(blob);
  int16_t len = 0;
  if (!blob_read(blob, &len, 2)) return 0;
  // The text and its zero must both fit: a length equal to the capacity has no room left.
  if (len < 0 || size_t(len) >= capacity) {
    report_bad_length();
    blob_seek(blob, start);
    return 0;
  }
  if (!blob_read(blob, buffer, size_t(len))) {
    blob_seek(blob, start);
    return 0;
  }
  buffer[len] = 0;
  return 1;
}

int16_t blob_get_handle(TkBlob* blob, TkHandle* handle) {
  if (!blob) return tk_fail(TK_ERR_READ_NULL_BLOB);
  return blob_read(blob, handle->bytes, 8);
}

int16_t blob_unread_byte(TkBlob* blob, uint8_t byte) {
  if (blob->position > 0) {
    blob->buffer[--blob->position] = byte;
    ++blob->left;
    ++blob->remaining;
    return 1;
  }
  int32_t pos = blob_read_pos(blob);
  if (pos == 0 || !blob_seek(blob, pos - 1)) return 0;
  blob->buffer[blob->position] = byte;
  return 1;
}

int16_t blob_rewind(TkBlob* blob) {
  blob->remaining = blob->total;
  blob->position = 0;
  blob->left = 0;
  blob->writing = 0;
  list_rewind(blob->chunks);
  return 1;
}

int16_t blob_seek(TkBlob* blob, int32_t offset) {
  if (offset < 0 || offset > blob->total) return 0;
  int32_t cs = blob->chunk_size;
  int32_t buffer_start = blob_read_pos(blob) - blob->position;
  int32_t buffer_fill = blob->position + blob->left;
  if (buffer_fill > 0 && offset / cs == buffer_start / cs && offset - buffer_start <= buffer_fill) {
    blob->position = int16_t(offset - buffer_start);
    blob->left = int16_t(buffer_fill - blob->position);
    blob->remaining = blob->total - offset;
    return 1;
  }
  blob_rewind(blob);
  for (int32_t skip = offset / cs; skip > 0; --skip) {
    TkLink* link = list_current(blob->chunks);
    if (!link) return 0;
    list_next(blob->chunks, link->next);
  }
  blob->remaining = blob->total - offset;
  if (blob->remaining > 0) {
    if (!load_chunk(blob)) return 0;
    blob->position = int16_t(offset % cs);
    blob->left = int16_t(blob->left - blob->position);
  }
  return 1;
}

int32_t blob_read_pos(const TkBlob* blob) { return blob->total - blob->remaining; }

int32_t blob_length(const TkBlob* blob) {
  return blob->writing ? blob->total + blob->position : blob->total;
}

int32_t blob_stored_size(const TkBlob* stored) { return stored ? stored->total : 0; }

int16_t blob_overwrite(TkBlob* stored, int32_t offset, const void* data, size_t n) {
  if (!stored || offset < 0 || size_t(offset) + n > size_t(stored->total)) return 0;
  const uint8_t* p = static_cast<const uint8_t*>(data);
  size_t chunk_start = 0, at = size_t(offset);
  for (TkLink* link = list_first(stored->chunks); link && n; link = link->next) {
    size_t chunk_end = chunk_start + link->size;
    if (at < chunk_end) {
      size_t k = chunk_end - at < n ? chunk_end - at : n;
      memcpy(static_cast<uint8_t*>(tk_link_data(link)) + (at - chunk_start), p, k);
      p += k;
      at += k;
      n -= k;
    }
    chunk_start = chunk_end;
  }
  return n == 0 ? 1 : 0;
}

int16_t blob_close(TkBlob* blob) {
  write_back(blob);
  return 1;
}

int16_t blob_free(TkBlob* stored) {
  if (!stored) return 0;
  free_chunks(stored->chunks);
  piece_free(stored);
  return 1;
}

int16_t blob_find_string(TkBlob* stored, const char* name) {
  // Names and the stored strings are symbol names; longer strings compare by their first part.
  enum { kCap = 512 };
  char wanted[kCap];
  strncpy(wanted, name, kCap - 1);
  wanted[kCap - 1] = 0;
  tk_str_upper(wanted);

  TkBlob* reader = blob_open_read(stored);
  if (!reader) return 0;
  int16_t found = 0;
  while (!found && reader->remaining > 0) {
    char text[kCap];
    size_t n = 0;
    uint8_t c = 0;
    while (blob_read_byte(reader, &c) && c != 0) {
      if (n < kCap - 1) text[n++] = char(c);
    }
    text[n] = 0;
    tk_str_upper(text);
    found = strstr(wanted, text) || strstr(text, wanted) ? 1 : 0;
  }
  blob_close(reader);
  return found;
}

int16_t blob_copy(TkBlob* target, TkBlob* source) {
  TkBlob* writer = blob_create(target);
  if (!writer) return 0;
  TkBlob* reader = blob_open_read(source);
  int16_t ok = reader ? 1 : 0;
  uint8_t piece[250];
  while (ok && reader->remaining > 0) {
    size_t k = reader->remaining < int32_t(sizeof piece) ? size_t(reader->remaining) : sizeof piece;
    ok = blob_read(reader, piece, k) && blob_write(writer, piece, k);
  }
  if (reader) blob_close(reader);
  if (ok && writer->position > 0) ok = flush_chunk(writer, size_t(writer->position));
  if (!ok) {
    // A copy that did not get through leaves the target as it was.
    discard(writer);
    return 0;
  }
  write_back(writer);
  return 1;
}
