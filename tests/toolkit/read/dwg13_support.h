// Test support for the object readers of the bit-stream releases: objects built with the bit
// writer (frame, extended data, body, handles, size word and CRC), laid one after the other in a
// small file with an object map, and a started toolkit with a drawing whose reader state reads
// that file.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/toolkit/core/records_support.h"
#include "tests/toolkit/read/dwg13_fixture.h"
#include "toolkit/core/blob.h"
#include "toolkit/core/drawing.h"
#include "toolkit/core/drawing_life.h"
#include "toolkit/core/load.h"
#include "toolkit/core/mem.h"
#include "toolkit/read/bits_reader.h"
#include "toolkit/read/dwg13_file.h"
#include "toolkit/read/dwg13_object.h"
#include "toolkit/write/bits_writer.h"
#include "toolkit/write/crc16.h"

namespace dwg13_test {

inline TkHandle H(uint64_t v) {
  TkHandle h{};
  for (int i = 7; i >= 0; --i, v >>= 8) h.bytes[i] = uint8_t(v);
  return h;
}
inline uint64_t V(const TkHandle& h) {
  uint64_t v = 0;
  for (uint8_t b : h.bytes) v = v << 8 | b;
  return v;
}

using Writes = std::function<void(TkBitWriter*)>;

// One application block of extended data: the application handle and its data bytes.
struct XdataBlock {
  uint64_t app;
  std::vector<uint8_t> bytes;
};

struct ObjectSpec {
  uint16_t type = 0;
  uint64_t handle = 0;
  bool entity = false;
  int32_t graphics = -1;  // entities: bytes of proxy graphics after a set graphics bit; -1 none
  std::vector<XdataBlock> xdata;
  uint32_t reactors = 0;  // non-entities: the reactor count of the frame
  Writes data;            // everything after the frame up to the handle stream
  Writes handles;         // the handle stream
};

inline std::vector<uint8_t> blob_bytes(TkBlob* stored) {
  std::vector<uint8_t> out(size_t(blob_stored_size(stored)));
  TkBlob* r = blob_open_read(stored);
  if (!out.empty()) {
    EXPECT_EQ(blob_read(r, out.data(), out.size()), 1);
  }
  blob_close(r);
  return out;
}

// The object's data bits, written twice: once to learn where its handles begin, once with that
// bit count in the data-size field.
inline std::vector<uint8_t> object_data(int16_t version, const ObjectSpec& s,
                                        uint32_t* data_bits = nullptr) {
  auto w = std::make_unique<TkBitWriter>();
  uint32_t size_bits = 0;
  std::vector<uint8_t> bytes;
  for (int pass = 0; pass < 2; ++pass) {
    EXPECT_EQ(bits_blob_begin(w.get()), 1);
    bits_write_bs(w.get(), int16_t(s.type));
    if (version >= TK_VERSION_AC1015) bits_write_rl(w.get(), size_bits);
    TkHandle own = H(s.handle);
    bits_write_handle(w.get(), &own, 0x00);
    for (const XdataBlock& x : s.xdata) {
      bits_write_bs(w.get(), int16_t(x.bytes.size()));
      TkHandle app = H(x.app);
      bits_write_handle(w.get(), &app, 0x50);
      bits_write_bytes(w.get(), x.bytes.data(), x.bytes.size());
    }
    bits_write_bs(w.get(), 0);
    if (s.entity) bits_write_bit(w.get(), s.graphics >= 0);
    if (s.entity && s.graphics >= 0) {
      bits_write_rl(w.get(), uint32_t(s.graphics));
      for (int32_t i = 0; i < s.graphics; ++i) bits_write_rc(w.get(), uint8_t(i));
    }
    if (version < TK_VERSION_AC1015) bits_write_rl(w.get(), size_bits);
    if (!s.entity) bits_write_bl(w.get(), int32_t(s.reactors));
    if (s.data) s.data(w.get());
    bits_mark_data_end(w.get());
    size_bits = w->data_bits;
    if (s.handles) s.handles(w.get());
    uint32_t count = 0;
    TkBlob* blob = bits_blob_end(w.get(), &count);
    EXPECT_NE(blob, nullptr);
    bytes = blob_bytes(blob);
    blob_free(blob);
  }
  if (data_bits) *data_bits = size_bits;
  return bytes;
}

// Size word (and page count for objects over 32,767 bytes), data and CRC.
inline std::vector<uint8_t> frame_bytes(const std::vector<uint8_t>& data) {
  return dwg13_fixture::frame_object(data);
}

// A started toolkit and a drawing of the given version whose reader reads the objects given.
class ObjectFile : public records_test::StartedToolkit {
 protected:
  void SetUp() override {
    StartedToolkit::SetUp();
    d = tk_new_drawing(nullptr, nullptr, 0, 6);
    ASSERT_NE(d, nullptr);
    path_ = testing::TempDir() + "dwg13_objects_" +
            testing::UnitTest::GetInstance()->current_test_info()->name() + ".bin";
    for (char& c : path_)
      if (c == '/' && &c > &path_[testing::TempDir().size()]) c = '_';
  }
  void TearDown() override {
    if (d && d->file) file_close(d->file);
    if (d) d->file = nullptr;
    tk_close_drawing(d);
    std::remove(path_.c_str());
    StartedToolkit::TearDown();
  }

  // Writes the objects into the file (behind a 16-byte lead), opens it for the drawing and
  // gives the reader its object map.
  void Load(int16_t version, const std::vector<ObjectSpec>& objects) {
    d->version = version;
    std::vector<uint8_t> file(16, 0);
    std::vector<std::pair<uint64_t, uint32_t>> map;
    for (const ObjectSpec& s : objects) {
      map.push_back({s.handle, uint32_t(file.size())});
      std::vector<uint8_t> bytes = frame_bytes(object_data(version, s));
      file.insert(file.end(), bytes.begin(), bytes.end());
    }
    LoadBytes(file, map);
  }

  void LoadBytes(std::vector<uint8_t> file, std::vector<std::pair<uint64_t, uint32_t>> map) {
    std::sort(map.begin(), map.end());
    map_at_ = uint32_t(file.size());
    AppendMap(&file, map);
    FILE* out = std::fopen(path_.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    std::fwrite(file.data(), 1, file.size(), out);
    std::fclose(out);
    d->file = file_open(path_.c_str());
    ASSERT_NE(d->file, nullptr);
    Dwg13File* f = dwg13_file_attach(d);
    ASSERT_NE(f, nullptr);
    for (auto& c : controls_) f->controls[c.first] = H(c.second);
    controls_.clear();
    f->objmap_seeker = map_at_;
    ASSERT_EQ(dwg_objmap_load(d), 1);
  }

  // The object map: sections of at most 2,030 bytes of (handle, location) deltas, each behind
  // its big-endian size and before its CRC, closed by an empty section.
  static void AppendMap(std::vector<uint8_t>* out,
                        const std::vector<std::pair<uint64_t, uint32_t>>& map) {
    size_t i = 0;
    do {
      std::vector<uint8_t> pairs;
      uint64_t handle = 0;
      int64_t location = 0;
      while (i < map.size() && pairs.size() < 2000) {
        uint8_t buf[10];
        TkHandle delta = H(map[i].first - handle);
        size_t n = modular_char_encode(&delta, buf);
        pairs.insert(pairs.end(), buf, buf + n);
        n = modular_char_encode_signed(int32_t(int64_t(map[i].second) - location), buf);
        pairs.insert(pairs.end(), buf, buf + n);
        handle = map[i].first;
        location = map[i].second;
        ++i;
      }
      uint16_t size = uint16_t(pairs.size() + 2);
      out->push_back(uint8_t(size >> 8));
      out->push_back(uint8_t(size));
      out->insert(out->end(), pairs.begin(), pairs.end());
      out->push_back(0);
      out->push_back(0);
    } while (i < map.size());
    out->insert(out->end(), {0, 2, 0, 0});
  }

  Dwg13Objects* objects() { return dwg13_objects(d); }
  TkBitReader* bits() { return dwg13_bits(d); }

  TkDrawing* d = nullptr;
  std::string path_;
  std::vector<std::pair<int, uint64_t>> controls_;
  uint32_t map_at_ = 0;  // control handles set once the file loads
};

}  // namespace dwg13_test
