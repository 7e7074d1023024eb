// The memory and file layer beneath the toolkit: allocation through the application's (or a
// test's) allocator, and TkFile, a read-only file served from a cache of 8 blocks so the readers
// can jump between sections without a system read each time. Stream output for the writers is a
// thin wrapper here too. Parsing file contents is not this layer's business.
#include "toolkit/core/mem.h"

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#ifdef _WIN32
#include <io.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "toolkit/core/error.h"

uint32_t tk_file_use_counter = 0;

namespace {

#ifndef O_BINARY
#define O_BINARY 0
#endif

int default_open_read(const char* path) {
#ifdef _WIN32
  return _open(path, _O_RDONLY | _O_BINARY);
#else
  return open(path, O_RDONLY | O_BINARY);
#endif
}

int32_t default_read(int descriptor, void* buffer, uint32_t n) {
#ifdef _WIN32
  return _read(descriptor, buffer, n);
#else
  return static_cast<int32_t>(read(descriptor, buffer, n));
#endif
}

int32_t default_seek(int descriptor, uint32_t offset) {
#ifdef _WIN32
  return _lseek(descriptor, static_cast<long>(offset), SEEK_SET);
#else
  return static_cast<int32_t>(lseek(descriptor, static_cast<off_t>(offset), SEEK_SET));
#endif
}

int default_close(int descriptor) {
#ifdef _WIN32
  return _close(descriptor);
#else
  return close(descriptor);
#endif
}

int64_t default_size(int descriptor) {
#ifdef _WIN32
  return _filelengthi64(descriptor);
#else
  struct stat st;
  return fstat(descriptor, &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
#endif
}

const TkHostLayer default_layer = {std::malloc,   std::free,     default_open_read, default_read,
                                   default_seek, default_close, default_size,      nullptr};
TkHostLayer host = default_layer;

void report_critical(int16_t kind) {
  if (host.critical_error) host.critical_error(kind);
}

void stamp(TkFile* file) {
  if (file->slot >= 0) file->cache[file->slot].stamp = static_cast<int32_t>(++tk_file_use_counter);
}

// Makes the block at file->block_start current, from the cache or from the file.
void load_block(TkFile* file) {
  file->slot = -1;
  for (int16_t i = 0; i < static_cast<int16_t>(TK_FILE_SLOTS); ++i) {
    TkFileSlot& s = file->cache[i];
    if (s.block_start == file->block_start) {
      file->slot = i;
      file->block = s.buffer;
      file->fill = s.fill;
      file->read_pointer = s.buffer;
      file->left = s.fill;
      file->end = s.fill == 0;
      stamp(file);
      return;
    }
  }
  int16_t victim = -1;
  for (int16_t i = 0; i < static_cast<int16_t>(TK_FILE_SLOTS); ++i) {
    if (file->cache[i].block_start == TK_FILE_NO_BLOCK) {
      victim = i;
      break;
    }
  }
  if (victim < 0) {
    int64_t oldest = INT64_MAX;
    for (int16_t i = 0; i < static_cast<int16_t>(TK_FILE_SLOTS); ++i) {
      int64_t s = file->cache[i].stamp < 0 ? 0 : file->cache[i].stamp;
      if (s < oldest) {
        oldest = s;
        victim = i;
      }
    }
  }
  TkFileSlot& s = file->cache[victim];
  int32_t got = -1;
  for (uint32_t attempt = 0; attempt < TK_FILE_READ_ATTEMPTS && got < 0; ++attempt) {
    if (attempt > 0 || file->system_position != file->block_start) {
      if (host.seek(file->descriptor, file->block_start) < 0) {
        report_critical(1);
        continue;
      }
      file->system_position = file->block_start;
    }
    got = host.read(file->descriptor, s.buffer, TK_FILE_BLOCK_SIZE);
    if (got < 0) report_critical(1);
  }
  if (got < 0) {
    // Given up: the block reads as the end of the file, but is not cached, so a later visit
    // tries the disk again. The position is unknown now, so the next read seeks first.
    got = 0;
    file->system_position = TK_FILE_NO_BLOCK;
    s.block_start = TK_FILE_NO_BLOCK;
    tk_fail(TK_ERR_UNEXPECTED_EOF);
  } else {
    file->system_position = file->block_start + static_cast<uint32_t>(got);
    s.block_start = file->block_start;
  }
  s.fill = static_cast<uint16_t>(got);
  file->slot = victim;
  stamp(file);
  file->block = s.buffer;
  file->fill = s.fill;
  file->read_pointer = s.buffer;
  file->left = s.fill;
  file->end = s.fill == 0;
}

}  // namespace

void tk_set_host_layer(const TkHostLayer* layer) {
  host = default_layer;
  if (!layer) return;
  if (layer->alloc && layer->free) {
    host.alloc = layer->alloc;
    host.free = layer->free;
  }
  if (layer->open_read) host.open_read = layer->open_read;
  if (layer->read) host.read = layer->read;
  if (layer->seek) host.seek = layer->seek;
  if (layer->close) host.close = layer->close;
  // The default size call only knows the default descriptors.
  if (layer->size || layer->open_read) host.size = layer->size;
  host.critical_error = layer->critical_error;
}

void* mem_alloc(size_t size) { return host.alloc(size); }

void mem_free(void* block) {
  if (block) host.free(block);
}

int16_t mem_free_ok(void* block) {
  mem_free(block);
  return 1;
}

int16_t mem_copy(void* destination, const void* source, size_t count) {
  if (count) std::memmove(destination, source, count);
  return 1;
}

int16_t mem_start() { return 1; }
int16_t mem_stop() { return 1; }

void tk_free_pointer_array(void** blocks, size_t n) {
  if (!blocks) return;
  for (size_t i = 0; i < n; ++i) mem_free(blocks[i]);
  mem_free(blocks);
}

FILE* stdio_open(const char* path, const char* mode) {
  FILE* stream = std::fopen(path, mode);
  if (stream) std::setvbuf(stream, nullptr, _IOFBF, 8192);
  return stream;
}

int stdio_close(FILE* stream) { return std::fclose(stream); }
size_t stdio_read(void* buffer, size_t size, size_t count, FILE* stream) {
  return std::fread(buffer, size, count, stream);
}
size_t stdio_write(const void* buffer, size_t size, size_t count, FILE* stream) {
  return std::fwrite(buffer, size, count, stream);
}
int stdio_seek(FILE* stream, long offset, int whence) { return std::fseek(stream, offset, whence); }
long stdio_tell(FILE* stream) { return std::ftell(stream); }
int stdio_puts(const char* text, FILE* stream) { return std::fputs(text, stream); }

TkFile* file_open(const char* path) {
  if (!path) return nullptr;
  auto* file = static_cast<TkFile*>(mem_alloc(sizeof(TkFile)));
  if (!file) return nullptr;
  std::memset(file, 0, sizeof(TkFile));
  std::string native_path(path);
#ifndef _WIN32
  // Support files are named with Windows separators ("ACAD" search); this system has only "/".
  for (char& c : native_path)
    if (c == '\\') c = '/';
#endif
  file->descriptor = host.open_read(native_path.c_str());
  if (file->descriptor < 0) {
    mem_free(file);
    return nullptr;
  }
  file->slot = -1;
  for (TkFileSlot& s : file->cache) {
    s.block_start = TK_FILE_NO_BLOCK;
    s.stamp = -1;
  }
  for (TkFileSlot& s : file->cache) {
    s.buffer = static_cast<uint8_t*>(mem_alloc(TK_FILE_BLOCK_SIZE));
    if (!s.buffer) {
      file_close(file);
      report_critical(2);
      return nullptr;
    }
  }
  file->block_start = TK_FILE_NO_BLOCK;
  file_seek(file, 0, 0);
  if (file->end) {
    file_close(file);
    return nullptr;
  }
  return file;
}

int file_close(TkFile* file) {
  if (!file) return -1;
  for (TkFileSlot& s : file->cache) mem_free(s.buffer);
  int result = host.close(file->descriptor);
  mem_free(file);
  return result;
}

uint32_t file_length(TkFile* file) {
  if (host.size) {
    int64_t size = host.size(file->descriptor);
    if (size >= 0) return size > TK_FILE_BLOCK_MASK ? TK_FILE_BLOCK_MASK : static_cast<uint32_t>(size);
  }
  // Without a size call: read block by block up to the end.
  uint32_t here = file_tell(file);
  uint32_t start = 0;
  uint32_t length = 0;
  for (;;) {
    file->block_start = start;
    load_block(file);
    length = start + file->fill;
    if (file->fill < TK_FILE_BLOCK_SIZE) break;
    start += TK_FILE_BLOCK_SIZE;
  }
  file_seek(file, here, 0);
  return length;
}

int file_seek(TkFile* file, int64_t offset, int whence) {
  int64_t target = whence == 1 ? file_tell(file) + offset : offset;
  if (target < 0) target = 0;
  if (target > static_cast<int64_t>(TK_FILE_BLOCK_MASK)) target = TK_FILE_BLOCK_MASK;
  file->end = 0;
  uint32_t t = static_cast<uint32_t>(target);
  if (file->slot >= 0 && t >= file->block_start && t < file->block_start + file->fill) {
    file->read_pointer = file->block + (t - file->block_start);
    file->left = static_cast<int32_t>(file->fill - (t - file->block_start));
    return 0;
  }
  file->block_start = t & TK_FILE_BLOCK_MASK;
  load_block(file);
  uint32_t within = t - file->block_start;
  if (within > file->fill) within = file->fill;
  file->read_pointer = file->block + within;
  file->left = static_cast<int32_t>(file->fill - within);
  return 0;
}

int file_getc(TkFile* file) {
  stamp(file);
  if (file->left <= 0) {
    uint32_t before = file->block_start;
    file->block_start += file->fill;
    if (file->block_start == before) {
      file->end = 1;
      return 0;
    }
    load_block(file);
    if (file->left <= 0) {
      file->end = 1;
      return 0;
    }
  }
  --file->left;
  return *file->read_pointer++;
}

int file_ungetc(int byte, TkFile* file) {
  if (file->read_pointer == file->block) {
    uint32_t here = file_tell(file);
    if (here == 0) return 0;
    file_seek(file, here - 1, 0);
  } else {
    --file->read_pointer;
    ++file->left;
  }
  *file->read_pointer = static_cast<uint8_t>(byte);
  file->end = 0;
  return 1;
}

size_t file_read(void* buffer, size_t size, size_t count, TkFile* file) {
  if (size == 0 || count == 0) return 0;
  stamp(file);
  auto* out = static_cast<uint8_t*>(buffer);
  size_t wanted = size * count;
  size_t done = 0;
  while (done < wanted && !file->end) {
    if (file->left <= 0) {
      uint32_t before = file->block_start;
      file->block_start += file->fill;
      if (file->block_start == before) {
        file->end = 1;
        break;
      }
      load_block(file);
      if (file->left <= 0) {
        file->end = 1;
        break;
      }
    }
    size_t n = static_cast<size_t>(file->left);
    if (n > wanted - done) n = wanted - done;
    std::memcpy(out + done, file->read_pointer, n);
    file->read_pointer += n;
    file->left -= static_cast<int32_t>(n);
    done += n;
  }
  return done / size;
}

char* file_gets(char* buffer, size_t capacity, TkFile* file) {
  if (capacity == 0 || file->end) return nullptr;
  size_t n = 0;
  char last = 0;
  while (n < capacity) {
    int c = file_getc(file);
    if (file->end) break;
    buffer[n++] = static_cast<char>(c);
    last = static_cast<char>(c);
    if (c == '\r' || c == '\n') break;
  }
  if (n > 0 && (last == '\r' || last == '\n')) {
    int c = file_getc(file);
    if (file->end) {
      file->end = 0;
    } else if (!((last == '\r' && c == '\n') || (last == '\n' && c == '\r'))) {
      file_ungetc(c, file);
    }
    if (n < capacity) {
      buffer[n] = 0;
      return buffer + n;
    }
  }
  // The buffer filled or the file ended: the zero takes the last stored byte's place.
  size_t z = n == 0 ? 0 : (n == capacity ? n - 1 : n);
  buffer[z] = 0;
  return buffer + z;
}
