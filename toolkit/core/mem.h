// The memory and file layer: every allocation, block copy and file access of the toolkit goes
// through here, so the application (and a test) can supply its own allocator and file calls.
// TkFile is the cached read-only file the readers seek around in; stdio_ wraps the streams the
// writers use. Nothing here knows about drawings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

// What the application supplies beneath the toolkit. Null members fall back to the C library
// (malloc/free and the POSIX descriptor calls); a layer that supplies its own descriptors but
// no size call has its files' lengths found by reading. `critical_error` hears of hard I/O failures:
// kind 1 a failing read, kind 2 buffers that could not be allocated.
struct TkHostLayer {
  void* (*alloc)(size_t size);
  void (*free)(void* block);
  int (*open_read)(const char* path);                        // descriptor, or -1
  int32_t (*read)(int descriptor, void* buffer, uint32_t n);  // bytes read, 0 at end, -1 error
  int32_t (*seek)(int descriptor, uint32_t offset);           // new offset, or -1
  int (*close)(int descriptor);
  int64_t (*size)(int descriptor);                            // bytes in the file, or -1
  void (*critical_error)(int16_t kind);
};

// Installs the host layer (null restores the defaults). Only between toolkit sessions: blocks
// must be freed by the allocator that made them.
void tk_set_host_layer(const TkHostLayer* layer);

void* mem_alloc(size_t size);
void mem_free(void* block);
int16_t mem_free_ok(void* block);
int16_t mem_copy(void* destination, const void* source, size_t count);
int16_t mem_start();
int16_t mem_stop();

// Frees each of the n blocks the array points at, then the array.
void tk_free_pointer_array(void** blocks, size_t n);

// Streams for the writers, with an 8,192-byte buffer.
FILE* stdio_open(const char* path, const char* mode);
int stdio_close(FILE* stream);
size_t stdio_read(void* buffer, size_t size, size_t count, FILE* stream);
size_t stdio_write(const void* buffer, size_t size, size_t count, FILE* stream);
int stdio_seek(FILE* stream, long offset, int whence);
long stdio_tell(FILE* stream);
int stdio_puts(const char* text, FILE* stream);

enum : uint32_t {
  TK_FILE_SLOTS = 8,
  TK_FILE_BLOCK_SIZE = 8192,
  TK_FILE_BLOCK_MASK = 0xFFFFE000u,
  TK_FILE_NO_BLOCK = 0xFFFFFFFFu,
  // A block read that keeps failing is given up after this many attempts and reads as the end
  // of the file, so a bad sector or a vanished network share cannot hang the reader.
  TK_FILE_READ_ATTEMPTS = 3,
};

struct TkFileSlot {
  uint8_t* buffer;
  uint32_t block_start;  // TK_FILE_NO_BLOCK while free
  uint16_t fill;
  int32_t stamp;         // -1 while never used
};

// A read-only file seen through a cache of 8 blocks of 8,192 bytes.
struct TkFile {
  uint32_t system_position;  // where the descriptor stands after the last block read
  uint32_t block_start;
  int32_t descriptor;
  int32_t left;              // unread bytes of the current block
  uint16_t fill;             // bytes the current block holds
  uint8_t* read_pointer;
  uint8_t* block;
  int16_t end;               // 1 once a read found no more bytes
  int16_t slot;              // current cache slot, -1 for none
  TkFileSlot cache[TK_FILE_SLOTS];
};

// Opens a file for reading; null when it cannot be opened, is empty, or memory runs out. Both
// "/" and "\\" separate directories.
TkFile* file_open(const char* path);
int file_close(TkFile* file);
uint32_t file_length(TkFile* file);
// The readers ask for the position and the end flag around every value they read: both are
// inline.
inline uint32_t file_tell(const TkFile* file) {
  return file->block_start + static_cast<uint32_t>(file->read_pointer - file->block);
}
int file_seek(TkFile* file, int64_t offset, int whence);  // whence 0 from the start, 1 from here
int file_getc(TkFile* file);                             // 0 with the end flag set at the end
int file_ungetc(int byte, TkFile* file);
inline int16_t file_eof(const TkFile* file) { return file->end; }
// Reads up to size x count bytes; returns the number of whole items actually read.
size_t file_read(void* buffer, size_t size, size_t count, TkFile* file);
// One line with its line end, zero-terminated; returns the terminating zero, or null.
char* file_gets(char* buffer, size_t capacity, TkFile* file);

// Descriptor-level reads use this process-wide counter to stamp cache slots.
extern uint32_t tk_file_use_counter;
