// The tests' GIF writer: a plain LZW encoder (code growth to 12 bits, table resets when full)
// and the blocks around it. The library writes no GIF; tests and seeds need GIF files made here.
#include "gif_writer.h"

#include <algorithm>
#include <map>

#include "img_fixture.h"

namespace imgtest {

namespace {

class BitWriter {
 public:
  void Put(int code, int size) {
    acc_ |= uint32_t(code) << have_;
    have_ += size;
    while (have_ >= 8) {
      bytes.push_back(uint8_t(acc_));
      acc_ >>= 8;
      have_ -= 8;
    }
  }
  void Flush() {
    if (have_ > 0) bytes.push_back(uint8_t(acc_));
    have_ = 0;
  }
  std::vector<uint8_t> bytes;

 private:
  uint32_t acc_ = 0;
  int have_ = 0;
};

std::vector<uint8_t> Lzw(const std::vector<uint8_t>& px, int min_size) {
  const int clear = 1 << min_size, end = clear + 1;
  BitWriter out;
  std::map<std::pair<int, uint8_t>, int> dict;
  int size = min_size + 1, next = clear + 2;
  // The decoder adds its entry one code later than the encoder, so data codes are sized for
  // next - 1 and the end code for next.
  auto emit = [&](int code, bool last) {
    while (size < 12 && (last ? next >= (1 << size) : next > (1 << size))) ++size;
    out.Put(code, size);
  };
  out.Put(clear, size);
  int w = px[0];
  for (size_t i = 1; i < px.size(); ++i) {
    auto it = dict.find({w, px[i]});
    if (it != dict.end()) {
      w = it->second;
      continue;
    }
    emit(w, false);
    if (next < 4096) {
      dict[{w, px[i]}] = next++;
    } else {
      emit(clear, false);
      dict.clear();
      size = min_size + 1;
      next = clear + 2;
    }
    w = px[i];
  }
  emit(w, false);
  emit(end, true);
  out.Flush();
  return out.bytes;
}

}  // namespace

std::vector<uint8_t> Gif(const ImgImage& img, bool interlaced, bool local) {
  std::vector<uint8_t> f = {'G', 'I', 'F', '8', '9', 'a'};
  auto u16 = [&](int v) {
    f.push_back(uint8_t(v));
    f.push_back(uint8_t(v >> 8));
  };
  u16(img.width);
  u16(img.height);
  f.push_back(local ? 0x00 : 0xF7);
  f.push_back(0);
  f.push_back(0);
  auto palette = [&] {
    for (int i = 0; i < 256; ++i) {
      f.push_back(uint8_t(img.palette[size_t(i)] >> 16));
      f.push_back(uint8_t(img.palette[size_t(i)] >> 8));
      f.push_back(uint8_t(img.palette[size_t(i)]));
    }
  };
  if (!local) palette();
  // A graphic control extension, which the reader must skip.
  for (uint8_t b : {0x21, 0xF9, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00}) f.push_back(b);
  f.push_back(0x2C);
  u16(0);
  u16(0);
  u16(img.width);
  u16(img.height);
  f.push_back(uint8_t((local ? 0x87 : 0) | (interlaced ? 0x40 : 0)));
  if (local) palette();
  std::vector<uint8_t> px;
  std::vector<int32_t> rows;
  if (interlaced) {
    for (int32_t start : {0, 4, 2, 1})
      for (int32_t y = start; y < img.height; y += start == 0 ? 8 : start == 4 ? 8 : start == 2 ? 4 : 2)
        rows.push_back(y);
  } else {
    for (int32_t y = 0; y < img.height; ++y) rows.push_back(y);
  }
  for (int32_t y : rows)
    for (int32_t x = 0; x < img.width; ++x) px.push_back(uint8_t(imgtest::Pixel(img, x, y)));
  f.push_back(8);
  std::vector<uint8_t> data = Lzw(px, 8);
  for (size_t i = 0; i < data.size(); i += 255) {
    size_t n = std::min<size_t>(255, data.size() - i);
    f.push_back(uint8_t(n));
    f.insert(f.end(), data.begin() + long(i), data.begin() + long(i + n));
  }
  f.push_back(0);
  f.push_back(0x3B);
  return f;
}

}  // namespace imgtest
