// Fuzzing the cached file layer the readers stand on: the input is split into a script of
// operations and the file's bytes; every byte read is checked against the bytes themselves, so
// a cache or position fault shows up as a wrong byte, not only as a crash.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "toolkit/core/mem.h"

namespace {

std::vector<uint8_t> content;
uint32_t position = 0;

int open_mem(const char*) {
  position = 0;
  return 3;
}
int32_t read_mem(int, void* buffer, uint32_t n) {
  if (position >= content.size()) return 0;
  uint32_t k = static_cast<uint32_t>(content.size()) - position;
  if (k > n) k = n;
  std::memcpy(buffer, content.data() + position, k);
  position += k;
  return static_cast<int32_t>(k);
}
int32_t seek_mem(int, uint32_t offset) {
  position = offset;
  return static_cast<int32_t>(offset);
}
int close_mem(int) { return 0; }

void check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  size_t script = data[0] % 64;
  if (script + 1 > size) return 0;
  const uint8_t* ops = data + 1;
  // The file's bytes: the rest of the input repeated, so files span several blocks.
  content.clear();
  size_t rest = size - 1 - script;
  size_t repeat = rest ? 1 + data[1] % 12 * 8192 / rest : 0;
  for (size_t r = 0; r < repeat && content.size() < 20 * 8192; ++r)
    content.insert(content.end(), data + 1 + script, data + size);
  TkHostLayer layer{};
  layer.open_read = open_mem;
  layer.read = read_mem;
  layer.seek = seek_mem;
  layer.close = close_mem;
  tk_set_host_layer(&layer);
  TkFile* f = file_open("mem");
  check((f != nullptr) == !content.empty());
  if (!f) return 0;
  check(file_length(f) == content.size());
  for (size_t i = 0; i + 2 < script; i += 3) {
    uint32_t arg = static_cast<uint32_t>(ops[i + 1] | ops[i + 2] << 8) * 3;
    uint32_t here = file_tell(f);
    switch (ops[i] % 5) {
      case 0:
        file_seek(f, arg, 0);
        check(file_tell(f) == (arg < content.size() ? arg : file_tell(f)));
        break;
      case 1: {
        int c = file_getc(f);
        if (here < content.size()) check(c == content[here] && !file_eof(f));
        break;
      }
      case 2: {
        std::vector<uint8_t> buf(arg % 20000);
        size_t got = file_read(buf.data(), 1, buf.size(), f);
        check(got <= buf.size());
        if (here <= content.size()) {
          size_t expect = std::min(buf.size(), content.size() - here);
          check(got == expect);
          check(got == 0 || std::memcmp(buf.data(), content.data() + here, got) == 0);
        }
        break;
      }
      case 3: {
        std::vector<char> line(1 + arg % 300);
        char* end = file_gets(line.data(), line.size(), f);
        if (end) check(end >= line.data() && end < line.data() + line.size() && *end == 0);
        break;
      }
      case 4:
        if (here > 0 && here <= content.size()) {
          file_ungetc(content[here - 1], f);
          check(file_tell(f) == here - 1);
        }
        break;
    }
  }
  file_close(f);
  tk_set_host_layer(nullptr);
  return 0;
}
