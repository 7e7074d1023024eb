// The Calcomp decoder over streams the test writes: the preamble, sync run, bias and data header;
// each opcode's operands (so that a following move still decodes where it should); moves of every
// digit count and radix; line breaks inside the stream; and the failures that leave no drawing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "vector/model/Calcomp.h"

namespace {

struct Line {
  double x1, y1, x2, y2;
  int colour;
  bool operator==(const Line& o) const {
    return x1 == o.x1 && y1 == o.y1 && x2 == o.x2 && y2 == o.y2 && colour == o.colour;
  }
};

class Recorder : public CalcompOutput {
 public:
  std::vector<Line> lines;
  bool AddLine(double x1, double y1, double x2, double y2, int16_t colour) override {
    lines.push_back({x1, y1, x2, y2, colour});
    return true;
  }
};

constexpr char kPreamble[] = "&&&&CALCOMP DEVICE CONTROL\r\nDEVICE 907\r\n^^^^END OF FILE\r\n";
constexpr int kSync = '!';
constexpr int kBias = '"';
constexpr int kRaw = 1000;  // marks a byte written without the bias

// A plot file: the preamble, spaces, a sync run, the bias character, the data header, then the
// values given (each with the bias added, unless marked raw with kRaw + byte).
std::string Plot(const std::vector<int>& values) {
  std::string s = kPreamble;
  s += "  ";
  s += std::string(3, char(kSync));
  s += char(kBias);
  for (int v : {1, 0, 0, 1}) s += char(v + kBias);
  for (int v : values) s += v >= kRaw ? char(v - kRaw) : char((v + kBias) & 0xff);
  return s;
}

CalcompResult Decode(const std::string& s, Recorder* r) {
  return DecodeCalcompBytes(reinterpret_cast<const uint8_t*>(s.data()), s.size(), *r);
}

struct Case {
  const char* name;
  std::vector<int> values;
  std::vector<Line> lines;
};

const Case kCases[] = {
    {"one-byte move", {2, 24, 5, 7}, {{0, 0, 5, 7, 1}}},
    {"three-byte move at radix 64", {2, 17, 0, 1, 2, 0, 0, 3}, {{0, 0, -66, 3, 1}}},
    {"moves add up", {2, 38, 4, 39, 2}, {{0, 0, 4, 0, 1}, {4, 0, 4, -2, 1}}},
    {"pen up moves are not drawn", {38, 9, 2, 36, 1}, {{9, 0, 9, 1, 1}}},
    {"mixed counts", {2, 52, 1, 0, 0, 9}, {{0, 0, 4096, 9, 1}}},
    {"radix from opcode 7", {7, 99, 2, 20, 1, 2, 0, 3}, {{0, 0, 102, 3, 1}}},
    {"pen 0 selects pen 1 and lifts", {2, 4, 0, 24, 1, 1, 2, 24, 1, 1}, {{1, 1, 2, 2, 1}}},
    {"pen number is the colour", {4, 5, 2, 24, 1, 1}, {{0, 0, 1, 1, 5}}},
    {"opcode 1 skips three", {1, 24, 24, 24, 2, 24, 1, 1}, {{0, 0, 1, 1, 1}}},
    {"opcode 5 skips raw bytes", {5, 3, kRaw + 13, kRaw + 10, kRaw + 2, 2, 24, 1, 1},
     {{0, 0, 1, 1, 1}}},
    {"opcode 8 with one", {8, 2, 24, 2, 24, 1, 1}, {{0, 0, 1, 1, 1}}},
    {"opcode 8 with pairs", {8, 5, 2, 24, 24, 24, 24, 2, 24, 1, 1}, {{0, 0, 1, 1, 1}}},
    {"opcode 8 other", {8, 1, 2, 24, 1, 1}, {{0, 0, 1, 1, 1}}},
    {"opcode 9", {9, 24, 2, 24, 1, 1}, {{0, 0, 1, 1, 1}}},
    {"opcode 14 counted", {14, 6, 2, 24, 24, 2, 24, 1, 1}, {{0, 0, 1, 1, 1}}},
    {"opcode 14 s13", {14, 13, 0, 0, 1, 24, 24, 2, 24, 1, 1}, {{0, 0, 1, 1, 1}}},
    {"opcode 14 s30", {14, 30, 24, 24, 24, 24, 24, 24, 24, 24, 24, 24, 24, 24, 2, 24, 1, 1},
     {{0, 0, 1, 1, 1}}},
    {"opcode 14 s28", {14, 28, 24, 24, 24, 24, 2, 24, 1, 1}, {{0, 0, 1, 1, 1}}},
    {"opcode 14 other", {14, 3, 2, 24, 1, 1}, {{0, 0, 1, 1, 1}}},
    {"opcode 15 skips to after the sync run",
     {15, kRaw + 'x', kRaw + 'y', kRaw + kSync, kRaw + kSync, kRaw + 'z', 2, 24, 1, 1},
     {{0, 0, 1, 1, 1}}},
    {"opcodes without operands", {0, 6, 10, 11, 12, 13, 64, 200, 2, 24, 1, 1}, {{0, 0, 1, 1, 1}}},
    {"line breaks are invisible", {2, 24, kRaw + 13, kRaw + 10, 1, 1}, {{0, 0, 1, 1, 1}}},
    {"sync and bias after a break are dropped",
     {2, 24, 1, kRaw + 13, kRaw + 10, kRaw + kSync, kRaw + kBias, 1}, {{0, 0, 1, 1, 1}}},
    {"an opcode-place byte of 64 up before CR is an end of line",
     {2, kRaw + 'Z', kRaw + 13, 24, 1, 1}, {{0, 0, 1, 1, 1}}},
};

TEST(CalcompDecoder, DecodesEachInstruction) {
  for (const Case& c : kCases) {
    Recorder r;
    EXPECT_EQ(Decode(Plot(c.values), &r), kCalcompConverted) << c.name;
    EXPECT_EQ(r.lines, c.lines) << c.name;
  }
}

TEST(CalcompDecoder, RefusesWhatIsNoCompletePlot) {
  struct Bad {
    const char* name;
    std::string bytes;
    CalcompResult result;
  };
  std::string noEnd = "&&&&CALCOMP DEVICE CONTROL\r\nDEVICE 907\r\n";
  std::string wrongHeader = std::string(kPreamble) + "!!\"" + char(1 + kBias) + char(kBias) +
                            char(kBias) + char(kBias);
  const Bad bad[] = {
      {"empty", "", kCalcompNoPreamble},
      {"random bytes", "\x01\x02 garbage\n^^^^END OF FILE\n", kCalcompNoPreamble},
      {"preamble without its end line", noEnd + "!!\"" + std::string(20, '\x23'),
       kCalcompNoPreamble},
      {"first line longer", "&&&&CALCOMP DEVICE CONTROLS\n^^^^END OF FILE\n!\"#\"\"#",
       kCalcompNoPreamble},
      {"nothing after the preamble", kPreamble, kCalcompBadHeader},
      {"only a sync run", std::string(kPreamble) + "!!!!", kCalcompBadHeader},
      {"wrong data header", wrongHeader, kCalcompBadHeader},
      {"truncated move", Plot({2, 17, 0, 1}), kCalcompTruncated},
      {"truncated pen", Plot({4}), kCalcompTruncated},
      {"truncated raw skip", Plot({5, 9, kRaw + 1}), kCalcompTruncated},
      {"truncated opcode 14", Plot({14, 30, 1, 2}), kCalcompTruncated},
  };
  for (const Bad& b : bad) {
    Recorder r;
    EXPECT_EQ(Decode(b.bytes, &r), b.result) << b.name;
  }
}

TEST(CalcompDecoder, FindsTheDataStartBehindThePreamble) {
  std::string s = Plot({});
  size_t start = CalcompFindDataStart(reinterpret_cast<const uint8_t*>(s.data()), s.size());
  EXPECT_EQ(start, sizeof kPreamble - 1);
  std::string lf = "&&&&CALCOMP DEVICE CONTROL\n^^^^END OF FILE\nxyz";
  EXPECT_EQ(CalcompFindDataStart(reinterpret_cast<const uint8_t*>(lf.data()), lf.size()),
            lf.size() - 3);
}

TEST(CalcompDecoder, StopsWhenTheOutputRefusesALine) {
  class Refuser : public CalcompOutput {
   public:
    bool AddLine(double, double, double, double, int16_t) override { return false; }
  } refuser;
  std::string s = Plot({2, 24, 1, 1});
  EXPECT_EQ(DecodeCalcompBytes(reinterpret_cast<const uint8_t*>(s.data()), s.size(), refuser),
            kCalcompOutputFailed);
}

TEST(CalcompDecoder, CannotOpenAMissingFile) {
  Recorder r;
  EXPECT_EQ(DecodeCalcompPath("/nonexistent/plot.907", r), kCalcompCannotOpen);
}

}  // namespace
