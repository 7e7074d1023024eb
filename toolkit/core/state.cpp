// The toolkit's global state: start-up (buffers, tolerances, the init data with its code-page
// tables and built-in font tables), shutdown, and the helpers that only need the state. The
// readers, drawings and display keep their own records; this file only owns what start-up made.
#include "toolkit/core/state.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "toolkit/core/codepage_names.h"
#include "toolkit/core/font.h"
#include "toolkit/core/initdata.h"
#include "toolkit/core/matrix.h"
#include "toolkit/core/mem.h"

TkState* tk_state = nullptr;

namespace {

// The application's values, kept until start-up copies them into the state.
struct AppHooks {
  TkInitOpenFn open;
  TkInitGetcFn getc;
  TkInitReadFn read;
  TkInitCloseFn close;
  TkErrorCallback error;
} app_hooks;

// One source of init-data bytes: the hooks or a file through the file layer.
struct InitSource {
  bool hooks;
  TkFile* file;

  bool read(void* buffer, size_t n) {
    if (n == 0) return true;
    if (hooks) {
      // A hook may hand out less than asked (a stream in pieces); only nothing means the end.
      auto* out = static_cast<uint8_t*>(buffer);
      while (n > 0) {
        size_t got = tk_state->init_read ? tk_state->init_read(out, n) : 0;
        if (got == 0 || got > n) return false;
        out += got;
        n -= got;
      }
      return true;
    }
    return file_read(buffer, 1, n, file) == n;
  }
  int getc() {
    if (hooks) return tk_state->init_getc ? tk_state->init_getc() : -1;
    int c = file_getc(file);
    return file_eof(file) ? -1 : c;
  }
  bool u16(uint16_t* out) {
    uint8_t b[2];
    if (!read(b, 2)) return false;
    *out = static_cast<uint16_t>(b[0] | b[1] << 8);
    return true;
  }
  // Little-endian values read in one go and turned around in place.
  bool u16_array(uint16_t* out, size_t n) {
    auto* bytes = reinterpret_cast<uint8_t*>(out);
    if (!read(bytes, 2 * n)) return false;
    for (size_t i = 0; i < n; ++i)
      out[i] = static_cast<uint16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    return true;
  }
  bool u32(uint32_t* out) {
    uint8_t b[4];
    if (!read(b, 4)) return false;
    *out = b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24;
    return true;
  }
};

void free_codepages(TkState* s) {
  for (size_t i = 0; i < TK_CODEPAGE_COUNT; ++i) {
    mem_free(s->codepage_single[i]);
    mem_free(s->codepage_double_codes[i]);
    mem_free(s->codepage_double_values[i]);
    s->codepage_single[i] = nullptr;
    s->codepage_double_codes[i] = nullptr;
    s->codepage_double_values[i] = nullptr;
    s->codepage_double_count[i] = 0;
  }
  s->codepages_loaded = 0;
}

void free_font_tables(TkState* s) {
  for (size_t i = 0; i < TK_BUILTIN_FONTS; ++i) {
    mem_free(s->font_index[i]);
    mem_free(s->font_data[i]);
    s->font_index[i] = nullptr;
    s->font_data[i] = nullptr;
    s->font_data_size[i] = 0;
  }
}

// Reads one font's index (code, offset pairs into 8-byte entries) and definition bytes.
TkError read_font(InitSource& in, size_t font) {
  TkState* s = tk_state;
  uint16_t entries = tk_builtin_font_entries[font];
  for (uint16_t i = 0; i < entries; ++i) {
    TkShapeIndexEntry e{};
    uint32_t offset = 0;
    if (!in.u16(&e.code) || !in.u32(&offset)) return TK_ERR_OPEN_INIT_FILE;
    if (offset >= s->font_data_size[font]) return TK_ERR_INIT_FILE_VERSION;
    e.offset = offset;
    std::memcpy(s->font_index[font] + i * sizeof(TkShapeIndexEntry), &e, sizeof e);
  }
  if (!in.read(s->font_data[font], s->font_data_size[font])) return TK_ERR_OPEN_INIT_FILE;
  return TK_ERR_NONE;
}

TkError read_codepages(InitSource& in) {
  TkState* s = tk_state;
  uint16_t pages = 0;
  if (!in.u16(&pages)) return TK_ERR_OPEN_INIT_FILE;
  if (pages > TK_CODEPAGE_COUNT) return TK_ERR_INIT_FILE_VERSION;
  for (uint16_t p = 0; p < pages; ++p) {
    s->codepage_single[p] = static_cast<uint16_t*>(mem_alloc(256 * sizeof(uint16_t)));
    if (!s->codepage_single[p]) return TK_ERR_CODEPAGE_BUFFER;
    if (!in.u16_array(s->codepage_single[p], 256)) return TK_ERR_OPEN_INIT_FILE;
    uint32_t count = 0;
    if (!in.u32(&count)) return TK_ERR_OPEN_INIT_FILE;
    if (count > TK_INITDATA_MAX_DOUBLE_CODES) return TK_ERR_INIT_FILE_VERSION;
    if (count == 0) continue;
    s->codepage_double_codes[p] = static_cast<uint16_t*>(mem_alloc(count * sizeof(uint16_t)));
    if (!s->codepage_double_codes[p]) return TK_ERR_CODEPAGE_BUFFER;
    s->codepage_double_values[p] = static_cast<uint16_t*>(mem_alloc(count * sizeof(uint16_t)));
    if (!s->codepage_double_values[p]) return TK_ERR_CODEPAGE_BUFFER;
    s->codepage_double_count[p] = count;
    uint16_t* lists[2] = {s->codepage_double_codes[p], s->codepage_double_values[p]};
    for (uint16_t* list : lists)
      if (!in.u16_array(list, count)) return TK_ERR_OPEN_INIT_FILE;
  }
  return TK_ERR_NONE;
}

// Reads the whole init data; on failure everything it allocated is freed again.
TkError read_init_data(const char* init_file, bool hooks) {
  TkState* s = tk_state;
  InitSource in{hooks, nullptr};
  if (hooks) {
    if (!s->init_open || !s->init_open()) return TK_ERR_OPEN_INIT_FILE;
  } else {
    in.file = file_open(init_file);
    if (!in.file) return TK_ERR_OPEN_INIT_FILE;
  }
  TkError error = TK_ERR_NONE;
  for (size_t f = 0; f < TK_BUILTIN_FONTS && !error; ++f) {
    s->font_index[f] =
        static_cast<uint8_t*>(mem_alloc(tk_builtin_font_entries[f] * sizeof(TkShapeIndexEntry)));
    if (!s->font_index[f]) error = s->last_error;
  }
  if (!error) {
    // The banner names the layout; one that does not end in "G" is some other data.
    char banner[TK_INITDATA_MAX_BANNER];
    size_t n = 0;
    int c;
    while ((c = in.getc()) > 0 && n + 1 < sizeof banner) banner[n++] = static_cast<char>(c);
    if (c < 0) error = TK_ERR_OPEN_INIT_FILE;
    else if (c != 0 || n == 0 || banner[n - 1] != 'G') error = TK_ERR_INIT_FILE_VERSION;
  }
  // Two values that carry our block sizes: the built-in fonts' definition bytes.
  for (size_t f = 0; f < TK_BUILTIN_FONTS && !error; ++f) {
    uint32_t size = 0;
    if (!in.u32(&size)) error = TK_ERR_OPEN_INIT_FILE;
    else if (size == 0 || size > TK_INITDATA_MAX_FONT_DATA) error = TK_ERR_INIT_FILE_VERSION;
    else s->font_data_size[f] = size;
  }
  for (size_t f = 0; f < TK_BUILTIN_FONTS && !error; ++f) {
    s->font_data[f] = static_cast<uint8_t*>(mem_alloc(s->font_data_size[f]));
    if (!s->font_data[f]) error = s->last_error;
  }
  for (size_t f = 0; f < TK_BUILTIN_FONTS && !error; ++f) error = read_font(in, f);
  if (!error) error = read_codepages(in);
  if (hooks) {
    if (s->init_close) s->init_close();
  } else {
    file_close(in.file);
  }
  if (error) {
    free_codepages(s);
    free_font_tables(s);
    return error;
  }
  s->codepages_loaded = 1;
  return TK_ERR_NONE;
}

void free_state_buffers(TkState* s) {
  uint8_t** buffers[] = {&s->xdata_write_buffer, &s->xdata_read_buffer, &s->write_buffer,
                         &s->read_buffer, &s->small_buffer};
  for (uint8_t** b : buffers) {
    mem_free(*b);
    *b = nullptr;
  }
}

bool file_exists(const char* path) {
  TkFile* f = file_open(path);
  if (!f) return false;
  file_close(f);
  return true;
}

int fold(unsigned char c) { return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c; }

}  // namespace

void tk_set_initdata_open_callback(TkInitOpenFn fn) { app_hooks.open = fn; }
void tk_set_initdata_getc_callback(TkInitGetcFn fn) { app_hooks.getc = fn; }
void tk_set_initdata_read_callback(TkInitReadFn fn) { app_hooks.read = fn; }
void tk_set_initdata_close_callback(TkInitCloseFn fn) { app_hooks.close = fn; }
void tk_set_error_callback(TkErrorCallback fn) { app_hooks.error = fn; }

int16_t tk_init_core(const char* init_file, uint16_t use_hooks, uint16_t* status) {
  uint16_t ignored;
  if (!status) status = &ignored;
  if (!init_file && !use_hooks) {
    *status = TK_ERR_INIT_DATA_REQUIRED;
    return 0;
  }
  if (tk_state) tk_shutdown_core();
  auto* s = static_cast<TkState*>(mem_alloc(sizeof(TkState)));
  if (!s) {
    *status = TK_ERR_STATE_ALLOC;
    return 0;
  }
  // Cleared, unlike the original record: a field nobody has set yet reads as null, never as
  // whatever the allocator left there.
  std::memset(s, 0, sizeof *s);
  tk_matrix_identity(s->view_matrix);
  tk_state = s;
  s->init_open = app_hooks.open;
  s->init_getc = app_hooks.getc;
  s->init_read = app_hooks.read;
  s->init_close = app_hooks.close;
  s->error_callback = app_hooks.error;
  s->find_shape_font = tk_find_file;
  mem_start();

  // The small buffer is used unchecked later on, so a start without it is no start at all.
  s->small_buffer = static_cast<uint8_t*>(mem_alloc(TK_SMALL_BUFFER_SIZE));
  if (!s->small_buffer) {
    if (s->error_callback) s->error_callback(2);
    *status = TK_ERR_VM_TEMP_MEMORY;
    mem_stop();
    mem_free(s);
    tk_state = nullptr;
    return 0;
  }

  s->distance_tolerance = 5e-7;
  s->angle_tolerance = 8.726646259971647e-9;
  s->decimal_places = 6;
  std::strcpy(s->integer_format, "%6d");
  std::strcpy(s->fixed_format, "%.6f");
  std::strcpy(s->exponent_format, "%.6lE");
  s->large_value = 1e6;

  struct {
    TkError error;
    uint8_t** buffer;
    size_t size;
  } const buffers[] = {
      {TK_ERR_READ_BUFFER, &s->read_buffer, TK_READ_BUFFER_SIZE},
      {TK_ERR_WRITE_BUFFER, &s->write_buffer, TK_WRITE_BUFFER_SIZE},
      {TK_ERR_XDATA_READ_ALLOC, &s->xdata_read_buffer, TK_XDATA_READ_BUFFER_SIZE},
      {TK_ERR_XDATA_WRITE_ALLOC, &s->xdata_write_buffer, TK_XDATA_WRITE_BUFFER_SIZE},
  };
  TkError failure = TK_ERR_NONE;
  for (const auto& b : buffers) {
    s->last_error = b.error;
    *b.buffer = static_cast<uint8_t*>(mem_alloc(b.size));
    if (!*b.buffer) {
      failure = b.error;
      break;
    }
  }
  if (!failure) {
    s->last_error = TK_ERR_WRITE_BLOCKS;
    s->blob_chunk_size = 4096;
    failure = read_init_data(init_file, use_hooks != 0);
  }
  if (!failure) {
    s->last_error = TK_ERR_SHAPEFILE_SYSTEM;
    if (!font_list_init()) {
      free_codepages(s);
      free_font_tables(s);
      failure = TK_ERR_SHAPEFILE_SYSTEM;
    }
  }
  if (failure) {
    free_state_buffers(s);
    mem_stop();
    mem_free(s);
    tk_state = nullptr;
    *status = static_cast<uint16_t>(failure);
    return 0;
  }

  s->last_error = TK_ERR_NONE;
  std::memset(s->failing_handle, 0, sizeof s->failing_handle);
  const uint16_t writer_flags[5] = {0, 0, 0, 0, 1};
  std::memcpy(s->writer_flags, writer_flags, sizeof writer_flags);
  std::memset(s->null_handle, 0, sizeof s->null_handle);
  const uint8_t seed[8] = {0, 0, 0, 0, 0, 0, 0, 1};
  std::memcpy(s->default_handle_seed, seed, 8);
  std::memcpy(s->default_handle_seed_copy, seed, 8);
  std::strcpy(s->short_name_a, "dosa");
  std::strcpy(s->short_name_b, "TEXT");
  s->max_symbol_name = 26;
  s->extended_classes = 1;
  *status = TK_ERR_NONE;
  return 1;
}

void tk_shutdown_core() {
  TkState* s = tk_state;
  if (!s) return;
  if (s->codepages_loaded) free_codepages(s);
  free_state_buffers(s);
  font_list_free();
  free_font_tables(s);
  mem_stop();
  mem_free(s);
  tk_state = nullptr;
}

void tk_set_find_shape_font_callback(TkFindFileFn fn) {
  if (tk_state) tk_state->find_shape_font = fn;
}

void tk_set_find_truetype_font_callback(TkFindTrueTypeFn fn) {
  if (tk_state) tk_state->find_truetype_font = fn;
}

void tk_find_file(const char* name, char* out, TkUserData) {
  char path[TK_PATH_MAX];
  std::snprintf(path, sizeof path, "%s", name);
  for (char* p = path; *p; ++p)
    if (*p == '/') *p = '\\';
  std::memcpy(out, path, sizeof path);
  if (std::strchr(path, '\\') || file_exists(path) || std::strchr(path, ':')) return;
  const char* search = std::getenv("ACAD");
  if (!search) return;
  while (*search) {
    const char* end = std::strchr(search, ';');
    size_t len = end ? static_cast<size_t>(end - search) : std::strlen(search);
    if (len > 0) {
      char candidate[TK_PATH_MAX];
      bool slash = search[len - 1] == '\\';
      int n = std::snprintf(candidate, sizeof candidate, "%.*s%s%s", static_cast<int>(len), search,
                            slash ? "" : "\\", path);
      if (n > 0 && static_cast<size_t>(n) < sizeof candidate && file_exists(candidate)) {
        std::memcpy(out, candidate, sizeof candidate);
        return;
      }
    }
    if (!end) break;
    search = end + 1;
  }
}

int16_t tk_codepage_index(const char* name, int16_t* index) {
  for (int16_t i = 0; i < static_cast<int16_t>(TK_CODEPAGE_COUNT); ++i) {
    if (tk_name_compare(name, tk_codepage_names[i]) == 0) {
      *index = i;
      return 1;
    }
  }
  return 0;
}

int16_t tk_codepage_map_char(int16_t page, uint16_t code, uint16_t* out) {
  *out = 0;
  TkState* s = tk_state;
  if (page < 2 || page >= static_cast<int16_t>(TK_CODEPAGE_COUNT) || !s || !s->codepages_loaded)
    return 0;
  if (code <= 255) {
    if (!s->codepage_single[page]) return 0;
    *out = s->codepage_single[page][code];
    return *out != 0;
  }
  for (uint32_t i = 0; i < s->codepage_double_count[page]; ++i) {
    if (s->codepage_double_codes[page][i] == code) {
      *out = s->codepage_double_values[page][i];
      return 1;
    }
  }
  return 0;
}

int tk_name_compare(const char* a, const char* b) {
  for (;; ++a, ++b) {
    int x = fold(static_cast<unsigned char>(*a));
    int y = fold(static_cast<unsigned char>(*b));
    if (x != y) return x < y ? -1 : 1;
    if (x == 0) return 0;
  }
}

int tk_name_compare_n(const char* a, const char* b, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    int x = fold(static_cast<unsigned char>(a[i]));
    int y = fold(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y ? -1 : 1;
    if (x == 0) return 0;
  }
  return 0;
}

void tk_str_upper(char* text) {
  for (; *text; ++text) *text = static_cast<char>(fold(static_cast<unsigned char>(*text)));
}

void tk_str_lower(char* text) {
  for (; *text; ++text)
    if (*text >= 'A' && *text <= 'Z') *text = static_cast<char>(*text - 'A' + 'a');
}
