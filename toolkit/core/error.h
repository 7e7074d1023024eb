// Toolkit error numbers and their texts. Every toolkit operation that fails leaves one of these
// numbers in the global state for the application to read; this file does not report anything
// to the user by itself.
#pragma once

#include <cstdint>

// A toolkit error number, 0 to 307. Only the numbers the code names are listed; the text table
// in error.cpp covers all of them.
using TkError = int32_t;

enum : TkError {
  TK_ERR_NONE = 0,
  TK_ERR_CONTROL_BLOCK = 1,
  TK_ERR_GENERAL = 2,
  TK_ERR_OPEN_FILE = 3,
  TK_ERR_XDATA_READ_ALLOC = 9,
  TK_ERR_XDATA_WRITE_ALLOC = 10,
  TK_ERR_READ_BUFFER = 11,
  TK_ERR_WRITE_BUFFER = 12,
  TK_ERR_WRITE_BLOCKS = 15,
  TK_ERR_UNEXPECTED_EOF = 30,
  TK_ERR_DELETE_FROM_NULL_LIST = 151,
  TK_ERR_ENTITY_NOT_IN_LIST = 152,
  TK_ERR_DUPLICATE_HANDLE_IN_FILE = 153,
  TK_ERR_BLOB_BUFFER = 157,
  TK_ERR_READ_NULL_BLOB = 162,
  TK_ERR_WRITE_NULL_BLOB = 163,
  TK_ERR_ADD_DUPLICATE_HANDLE = 172,
  TK_ERR_BTREE = 173,
  TK_ERR_TEMP_HEADER = 181,
  TK_ERR_OPEN_INIT_FILE = 182,
  TK_ERR_INIT_FILE_VERSION = 183,
  TK_ERR_CODEPAGE_BUFFER = 207,
  TK_ERR_VM_TEMP_MEMORY = 216,
  TK_ERR_STATE_ALLOC = 284,
  TK_ERR_DUPLICATE_HANDLE = 292,
  TK_ERR_SHAPEFILE_ALLOC = 293,
  TK_ERR_SHAPEFILE_SYSTEM = 294,
  TK_ERR_INIT_DATA_REQUIRED = 295,
  TK_ERR_HANDLE_NOT_IN_BTREE = 303,
  TK_ERR_SET_CURRENT_NODE = 304,
  TK_ERR_GET_ITEM = 305,
  TK_ERR_LAST = 307,
};

// The text of an error number; "Error number out of range" outside 0..TK_ERR_LAST. Texts built
// from a shared prefix live in one static buffer that the next call overwrites.
const char* tk_error_text(TkError number);

// Stores the number as the last error (nothing happens before start-up) and returns 0, so a
// failing operation can end with `return tk_fail(...)`.
int16_t tk_fail(TkError number);

// As tk_fail, and tells the application that memory ran out (error callback code 2).
int16_t tk_fail_alloc(TkError number);

// Stores the number and the 8 bytes of the handle that caused it (duplicate handles).
int16_t tk_fail_handle(TkError number, const uint8_t handle[8]);

// The last error number (its low 16 bits).
int16_t tk_get_last_error();
