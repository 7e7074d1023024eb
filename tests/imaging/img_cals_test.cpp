// CALS type 1 headers: the fields the application relies on (orientation, density, pixel count),
// headers with missing or malformed fields, and pixel counts that disagree with the G4 data (too
// few rows in the data or rows of another width are refused; fewer rows than the data holds read
// the rows the header counts).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "img_core.h"
#include "img_fixture.h"

namespace {

// A CALS file of a 96 x 64 drawing whose header record `key` is replaced by `record` (an empty
// record text removes it).
std::vector<uint8_t> CalsWith(const char* key, const char* record) {
  std::vector<uint8_t> bytes;
  EXPECT_EQ(img_save_memory(imgtest::Drawing(96, 64), IMG_FMT_CALS, bytes), IMG_OK);
  for (size_t r = 0; r < 2048; r += 128) {
    if (std::strncmp(reinterpret_cast<const char*>(&bytes[r]), key, std::strlen(key)) != 0) continue;
    std::memset(&bytes[r], ' ', 128);
    std::memcpy(&bytes[r], record, std::strlen(record));
  }
  return bytes;
}

struct HeaderCase {
  const char* what;
  const char* key;
  const char* record;
  int32_t load;                  // result of loading the file
  int32_t orientation, density;  // from the header, when it reads
};

const HeaderCase kHeaders[] = {
    {"as written", "notes:", "notes: NONE", IMG_OK, 0, 400},
    {"turned sheet", "rorient:", "rorient: 090,270", IMG_OK, 90, 400},
    {"upside down", "rorient:", "rorient: 180,270", IMG_OK, 180, 400},
    {"density 200", "rdensty:", "rdensty: 0200", IMG_OK, 0, 200},
    {"upper-case keys", "rdensty:", "RDENSTY: 0300", IMG_OK, 0, 300},
    {"no orientation", "rorient:", "", IMG_OK, 0, 400},
    {"unreadable orientation", "rorient:", "rorient: upright", IMG_OK, 0, 400},
    {"unreadable density", "rdensty:", "rdensty: high", IMG_OK, 0, 0},
    {"no raster type", "rtype:", "", IMG_ERR_CALS_HEADER, 0, 0},
    {"tiled raster type", "rtype:", "rtype: 2", IMG_ERR_UNSUPPORTED, 0, 400},
    {"raster type with zeros", "rtype:", "rtype: 001", IMG_OK, 0, 400},
    {"raster type not a number", "rtype:", "rtype: one", IMG_ERR_CALS_HEADER, 0, 400},
    {"no pixel count", "rpelcnt:", "", IMG_ERR_CALS_HEADER, 0, 0},
    {"one number", "rpelcnt:", "rpelcnt: 000096", IMG_ERR_CALS_HEADER, 0, 0},
    {"letters", "rpelcnt:", "rpelcnt: 0000x6,000064", IMG_ERR_CALS_HEADER, 0, 0},
    {"zero width", "rpelcnt:", "rpelcnt: 000000,000064", IMG_ERR_CALS_HEADER, 0, 0},
    {"huge", "rpelcnt:", "rpelcnt: 999999999,999999999", IMG_ERR_TOO_LARGE, 0, 400},
    {"ten digits", "rpelcnt:", "rpelcnt: 0000000096,000064", IMG_ERR_CALS_HEADER, 0, 0},
    {"too many rows", "rpelcnt:", "rpelcnt: 000096,000200", IMG_ERR_CALS_SIZE, 0, 400},
    {"too wide", "rpelcnt:", "rpelcnt: 000300,000064", IMG_ERR_CALS_SIZE, 0, 400},
    {"fewer rows", "rpelcnt:", "rpelcnt: 000096,000040", IMG_OK, 0, 400},
    {"narrower", "rpelcnt:", "rpelcnt: 000050,000064", IMG_ERR_CALS_SIZE, 0, 400},
    {"one byte narrower", "rpelcnt:", "rpelcnt: 000088,000064", IMG_ERR_CALS_SIZE, 0, 400},
};

class ImgCalsHeader_ : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(ImgCalsHeader_, ReadsOrRefusesWithTheRightError) {
  const HeaderCase& c = GetParam();
  std::vector<uint8_t> bytes = CalsWith(c.key, c.record);
  EXPECT_EQ(img_probe_memory(bytes.data(), bytes.size()), IMG_FMT_CALS);
  ImgCalsHeader hdr;
  int32_t rc = img_cals_read_header(bytes.data(), bytes.size(), hdr);
  if (rc == IMG_OK) {
    EXPECT_EQ(hdr.orientation_pel, c.orientation);
    EXPECT_EQ(hdr.density, c.density);
  }
  ImgImage img;
  EXPECT_EQ(img_load_memory(bytes.data(), bytes.size(), 0, img, nullptr), c.load);
  if (c.load == IMG_OK) {
    // What the header says: a G4 row depends only on the rows above it, so a header that counts
    // fewer rows than the data holds shows exactly those rows.
    ImgImage expected;
    ASSERT_EQ(img_crop(imgtest::Drawing(96, 64), ImgRect{0, 0, hdr.width, hdr.height}, expected), IMG_OK);
    EXPECT_EQ(imgtest::SameColours(expected, img), "");
    EXPECT_EQ(img.dpi_x, c.density);
    EXPECT_EQ(img.format, IMG_FMT_CALS);
  } else {
    EXPECT_TRUE(img.pixels.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, ImgCalsHeader_, ::testing::ValuesIn(kHeaders),
                         [](const ::testing::TestParamInfo<HeaderCase>& i) {
                           std::string n = i.param.what;
                           for (char& ch : n)
                             if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           return n;
                         });

TEST(ImgCals, WritesTheRecordsInPlaceAndKeepsTheDensity) {
  ImgImage sheet = imgtest::Drawing(50, 30);
  sheet.dpi_x = sheet.dpi_y = 300;
  std::vector<uint8_t> bytes;
  ASSERT_EQ(img_save_memory(sheet, IMG_FMT_CALS, bytes), IMG_OK);
  std::string header(bytes.begin(), bytes.begin() + 2048);
  // The application reads orientation at byte 896 and density at byte 1152.
  EXPECT_EQ(header.substr(0, 15), "srcdocid: NONE ");
  EXPECT_EQ(header.substr(768, 9), "rtype: 1 ");
  EXPECT_EQ(header.substr(896, 17), "rorient: 000,270 ");
  EXPECT_EQ(header.substr(1024, 22), "rpelcnt: 000050,000030");
  EXPECT_EQ(header.substr(1152, 13), "rdensty: 0300");
  EXPECT_EQ(header.find('\0'), std::string::npos);
}

TEST(ImgCals, HeaderWithoutDataIsAPixelCountError) {
  std::vector<uint8_t> bytes = CalsWith("notes:", "notes: NONE");
  bytes.resize(2048);
  ImgImage img;
  EXPECT_EQ(img_load_memory(bytes.data(), bytes.size(), 0, img, nullptr), IMG_ERR_CALS_SIZE);
  ImgCalsHeader hdr;
  EXPECT_EQ(img_cals_read_header(bytes.data(), 2047, hdr), IMG_ERR_CORRUPT);
}

}  // namespace
