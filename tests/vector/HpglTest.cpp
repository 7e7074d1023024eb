// The HP-GL converter against small plot programs: what each instruction family draws, how the
// reader recovers from what it does not know, and that every conversion starts clean.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "vector/model/AciPalette.h"
#include "vector/model/Hpgl.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Entity {
  char kind;  // L line, A arc, C circle, T text, H hatch
  HpglPoint a, b;
  double r = 0, s = 0, e = 0;
  std::string text;
  uint64_t layer = 0;
  uint32_t rgb = 0;
  int paths = 0;
};

class Recorder : public HpglOutput {
 public:
  std::vector<std::string> layers;
  std::vector<Entity> entities;
  std::vector<std::string> errors;

  uint64_t AddLayer(const char* name, uint32_t) override {
    layers.push_back(name);
    return layers.size();
  }
  void AddLine(const HpglPoint& s, const HpglPoint& e, uint64_t layer, uint32_t rgb) override {
    entities.push_back({'L', s, e, 0, 0, 0, "", layer, rgb});
  }
  void AddArc(const HpglPoint& c, double s, double e, double r, uint64_t layer,
              uint32_t rgb) override {
    entities.push_back({'A', c, {}, r, s, e, "", layer, rgb});
  }
  void AddCircle(const HpglPoint& c, double r, uint64_t layer, uint32_t rgb) override {
    entities.push_back({'C', c, {}, r, 0, 0, "", layer, rgb});
  }
  void AddText(const HpglPoint& at, const std::string& text, double height, const char*,
               double rotation, int, int, uint64_t layer, uint32_t rgb) override {
    entities.push_back({'T', at, {}, height, rotation, 0, text, layer, rgb});
  }
  void AddHatch(const std::vector<HpglPoint>& buffer, uint64_t layer, uint32_t rgb) override {
    Entity h{'H', {}, {}, 0, 0, 0, "", layer, rgb};
    for (size_t i = 1; i < buffer.size(); i += 2)
      if (HpglIsMarker(buffer[i])) ++h.paths;
    h.r = double(buffer.size());
    entities.push_back(h);
  }
  void Error(const char* text) override { errors.push_back(text); }

  std::string Kinds() const {
    std::string k;
    for (const Entity& e : entities) k += e.kind;
    return k;
  }
};

HpglResult Convert(const std::string& program, Recorder* rec, HpglStats* stats = nullptr) {
  return ConvertHpglBytes(reinterpret_cast<const uint8_t*>(program.data()), program.size(), *rec,
                          nullptr, stats);
}

// Each program's entity kinds in order, and where the last entity ends (line end, arc or circle
// centre, text insertion).
struct Case {
  const char* name;
  const char* program;
  const char* kinds;
  double x, y;
};

const Case kCases[] = {
    // Pens up and down, absolute and relative lists.
    {"pa_pd", "IN;SP1;PA0,0;PD;PA1000,0;PU;", "L", 25, 0},
    {"pd_list", "IN;SP1;PU0,0;PD400,0,400,400,0,400;", "LLL", 0, 10},
    {"pr_stays", "IN;SP1;PR;PU100,100;PD100,0;PU;PD0,100;", "LL", 5, 5},
    {"pa_ends_pr", "IN;SP1;PR100,100;PA;PD0,0;", "L", 0, 0},
    {"pu_draws_nothing", "IN;SP1;PU1000,1000,0,0;", "", 0, 0},
    {"list_then_letter", "IN;SP1;PD400,0PU;", "L", 10, 0},
    // Line types: 0 only moves.
    {"lt0_moves", "IN;SP1;LT0;PD100,100;LT;PD200,100;", "L", 5, 2.5},
    {"lt_dashed_solid", "IN;SP1;LT2,4;PD400,0;", "L", 10, 0},
    // Circles and arcs.
    {"ci", "IN;SP1;PA400,400;CI200;", "C", 10, 10},
    {"ci_chord", "IN;SP1;PA400,400;CI200,10;", "C", 10, 10},
    {"ci_in_polygon", "IN;SP1;PA0,0;PM0;PD400,0,400,400;CI100;PM2;FP;", "CH", 0, 0},
    {"aa_pen_down", "IN;SP1;PA400,0;PD;AA0,0,90;", "A", 0, 0},
    {"ar_pen_down", "IN;SP1;PA400,0;PD;AR-400,0,90.7;", "A", 0, 0},
    {"aa_pen_up_moves", "IN;SP1;PA400,0;AA0,0,90;PD;PA0,0;", "L", 0, 0},
    {"aa_full_turn", "IN;SP1;PA400,0;PD;AA0,0,360;", "C", 0, 0},
    // Polygons.
    {"pm_fill", "IN;SP1;PA0,0;PM0;PD400,0,400,400;PU;PM2;FP;", "H", 0, 0},
    {"pm_edge", "IN;SP1;PA0,0;PM0;PD400,0,400,400;PM2;EP;", "LLL", 0, 0},
    {"pm_two_subpolygons", "IN;SP1;PA0,0;PM0;PD400,0,400,400;PM1;PU1000,0;PD1400,0,1400,400;PM2;FP;",
     "H", 0, 0},
    {"ra", "IN;SP1;PA0,0;RA400,400;", "H", 0, 0},
    {"rr", "IN;SP1;PA100,100;RR400,400;", "H", 0, 0},
    {"ea", "IN;SP1;PA0,0;EA400,400;", "LLLL", 0, 0},
    {"er", "IN;SP1;PA100,100;ER400,400;", "LLLL", 2.5, 2.5},
    {"wg", "IN;SP1;PA0,0;WG1000,0,90,10;", "H", 0, 0},
    {"ew", "IN;SP1;PA0,0;EW1000,0,90,10;", "LLLLLLLLLLL", 0, 0},
    // Scaling and rotation.
    {"sc_user", "IN;SP1;SC0,100,0,100;PA0,0;PD100,0;", "L", 11890, 0},
    {"sc_off", "IN;SP1;SC0,100,0,100;SC;PA0,0;PD1000,0;", "L", 25, 0},
    {"sc_invalid", "IN;SP1;SC0,0,0,100;PA0,0;PD1000,0;", "L", 25, 0},
    {"ip_sc", "IN;SP1;IP0,0,4000,4000;SC0,10,0,10;PA0,0;PD10,10;", "L", 100, 100},
    {"ir_sc", "IN;SP1;IR0,0,100,100;SC0,1,0,1;PA0,0;PD1,0;", "L", 1189, 0},
    {"iw_ignored", "IN;SP1;IW0,0,100,100;PA0,0;PD1000,0;", "L", 25, 0},
    {"ro_moves_pen_only", "IN;SP1;PA0,0;RO90;PD1000,0;", "L", 25, 0},
    // Labels.
    {"lb", "IN;SP1;PA400,400;LBHello\x03;", "T", 10, 10},
    {"lb_continues", "IN;SP1;PA0,0;LBAB\x03LBC\x03;", "TT", 4.19, 0},
    {"dt", "IN;SP1;DT#;PA0,0;LBAB#;LBC#;", "TT", 4.19, 0},
    {"si", "IN;SP1;SI1,2;PA0,0;LBAB\x03LBC\x03;", "TT", 20, 0},
    {"di", "IN;SP1;DI0,1;PA0,0;LBAB\x03LBC\x03;", "TT", 0, 4.19},
    {"dr_skipped", "IN;SP1;DR0,1;PA0,0;LBAB\x03LBC\x03;", "TT", 4.19, 0},
    {"cp_skipped", "IN;SP1;CP1,1;PD400,0;", "L", 10, 0},
    // Encoded polylines: a move to (4, 4) then a line by (4, 0), in base 64 and in base 32, and
    // a number of two characters (100 is 200, the low six bits 8, then 3 with the terminator).
    {"pe", "IN;SP1;PE<\xc7\xc7\xc7\xbf;", "L", 0.2, 0.1},
    {"pe_base32", "IN;SP1;PE7<ggg_;", "L", 0.2, 0.1},
    {"pe_two_chars", "IN;SP1;PE\x47\xc2\xbf;", "L", 2.5, 0},
    {"pe_absolute", "IN;SP1;PA400,400;PE=\xc7\xc7;", "L", 0.1, 0.1},
    {"pe_empty", "IN;SP1;PE;PD400,0;", "L", 10, 0},
    // Pens and instructions without effect on the drawing.
    {"pw_np", "IN;SP2;PW0.5;NP8;PD400,0;", "L", 10, 0},
    {"bp_ps_df", "IN;BP;PS1000,2000;DF;SP1;PD400,0;", "L", 10, 0},
    {"ft_tl_xt", "IN;SP1;FT1;TL1,1;XT;YT;PD400,0;", "L", 10, 0},
    {"sm", "IN;SP1;SM*;PD400,0;", "L", 10, 0},
    // Device-control escapes are dropped from the stream.
    {"esc_leading", "\x1b.(;\x1b.I81;;17:IN;SP1;PD400,0;", "L", 10, 0},
    {"esc_inside", "IN;SP1;PD\x1b.N;19:\r\n400,0;", "L", 10, 0},
    {"lower_second", "IN;SP1;Pa0,0;Pd;Pa1000,0;", "L", 25, 0},
};

class HpglProgram : public ::testing::TestWithParam<Case> {};

TEST_P(HpglProgram, DrawsTheEntities) {
  const Case& c = GetParam();
  Recorder rec;
  Convert(c.program, &rec);
  EXPECT_EQ(rec.Kinds(), c.kinds);
  ASSERT_FALSE(rec.layers.empty());
  if (rec.entities.empty()) return;
  const Entity& last = rec.entities.back();
  double x = last.kind == 'L' ? last.b.x : last.a.x;
  double y = last.kind == 'L' ? last.b.y : last.a.y;
  if (last.kind == 'H') return;
  EXPECT_NEAR(x, c.x, 1e-6 + std::fabs(c.x) * 1e-6);
  EXPECT_NEAR(y, c.y, 1e-6 + std::fabs(c.y) * 1e-6);
}

INSTANTIATE_TEST_SUITE_P(Families, HpglProgram, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& i) { return i.param.name; });

TEST(Hpgl, LineIsOnTheFirstPageInThePenColour) {
  Recorder rec;
  ASSERT_EQ(Convert("IN;SP1;PA0,0;PD;PA1000,0;PU;", &rec), kHpglConverted);
  ASSERT_EQ(rec.layers, std::vector<std::string>{"Page1"});
  ASSERT_EQ(rec.entities.size(), 1u);
  EXPECT_EQ(rec.entities[0].layer, 1u);
  EXPECT_EQ(rec.entities[0].rgb, AciRgbPalette[1]);
  EXPECT_DOUBLE_EQ(rec.entities[0].a.x, 0);
  // The stray character that follows IN's semicolon is reported once.
  EXPECT_EQ(rec.errors.size(), 1u);
}

TEST(Hpgl, PageAdvanceStartsTheNextLayer) {
  Recorder rec;
  Convert("IN;SP1;PD400,0;PG;PU0,0;PD0,400;", &rec);
  ASSERT_EQ(rec.layers, (std::vector<std::string>{"Page1", "Page2"}));
  ASSERT_EQ(rec.entities.size(), 2u);
  EXPECT_EQ(rec.entities[1].layer, 2u);
}

TEST(Hpgl, ArcsAndWedgesHaveTheirGeometry) {
  Recorder rec;
  Convert("IN;SP1;PA400,0;PD;AA0,0,90;", &rec);
  ASSERT_EQ(rec.Kinds(), "A");
  EXPECT_NEAR(rec.entities[0].r, 10, 1e-9);
  EXPECT_NEAR(rec.entities[0].s, 0, 1e-9);
  EXPECT_NEAR(rec.entities[0].e, kPi / 2, 1e-9);

  // A clockwise sweep is stored counter-clockwise from its end.
  Recorder cw;
  Convert("IN;SP1;PA400,0;PD;AA0,0,-90;", &cw);
  ASSERT_EQ(cw.Kinds(), "A");
  EXPECT_NEAR(cw.entities[0].s, 3 * kPi / 2, 1e-9);
  EXPECT_NEAR(cw.entities[0].e, 0, 1e-9);

  // Nine chords of 10 degrees, eighteen of the default 5, and a chord below 4 raised to 4: the
  // buffer holds the two radii, the chords and the closing marker, two entries each.
  struct {
    const char* program;
    double entries;
  } wedges[] = {{"IN;PA0,0;WG1000,0,90,10;", 2.0 * (2 + 9 + 1)},
                {"IN;PA0,0;WG1000,0,90;", 2.0 * (2 + 18 + 1)},
                {"IN;PA0,0;WG1000,0,80,1;", 2.0 * (2 + 20 + 1)}};
  for (const auto& w : wedges) {
    Recorder r;
    Convert(w.program, &r);
    ASSERT_EQ(r.Kinds(), "H") << w.program;
    EXPECT_EQ(r.entities[0].r, w.entries) << w.program;
    EXPECT_EQ(r.entities[0].paths, 1) << w.program;
  }
  Recorder out;
  Convert("IN;PA0,0;WG1000,0,90,121;", &out);
  EXPECT_EQ(out.Kinds(), "");
}

TEST(Hpgl, PolygonBufferKeepsSubPolygons) {
  Recorder rec;
  Convert("IN;SP1;PA0,0;PM0;PD400,0,400,400;PM1;PU1000,0;PD1400,0,1400,400;PM2;FP;", &rec);
  ASSERT_EQ(rec.Kinds(), "H");
  EXPECT_EQ(rec.entities[0].paths, 2);
}

TEST(Hpgl, NumberReading) {
  // The x of the drawn line's end shows the number read (1000 is one plotter unit, 0.025 mm).
  struct {
    const char* number;
    double mm;
  } numbers[] = {{"12.3456", 12.345 * 0.025}, {"-.5", -0.5 * 0.025},     {"+4", 4 * 0.025},
                 {"0\r5", 0.5 * 0.025},      {"999999", 999999 * 0.025}, {"7.", 7 * 0.025}};
  for (const auto& n : numbers) {
    Recorder rec;
    Convert(std::string("IN;SP1;PD") + n.number + ",0;", &rec);
    ASSERT_EQ(rec.Kinds(), "L") << n.number;
    EXPECT_NEAR(rec.entities[0].b.x, n.mm, 1e-9) << n.number;
  }
  Recorder big;
  Convert("IN;SP1;PD1234567,0;", &big);
  EXPECT_EQ(big.Kinds(), "");
}

TEST(Hpgl, MnemonicTable) {
  EXPECT_EQ(HpglMnemonicCount(), 63);
  struct {
    const char* m;
    int handler;
  } table[] = {{"AA", 2},  {"Pa", 21}, {"PG", 48}, {"EP", 47}, {"OW", 1},  {"VS", 0},
               {"SL", 33}, {"IR", 44}, {"FP", 46}, {"PM", 45}, {"ZZ", -1}, {"GA", -1}};
  for (const auto& t : table) EXPECT_EQ(HpglLookupMnemonic(t.m[0], t.m[1]), t.handler) << t.m;
  // A lower-case first letter is no instruction.
  Recorder rec;
  Convert("IN;SP1;pd400,0;", &rec);
  EXPECT_EQ(rec.Kinds(), "");
}

TEST(Hpgl, RecoversFromUnknownWords) {
  Recorder rec;
  Convert("IN;SP1;BP;QQ;XX5;PD400,0;OA;PD0,0;", &rec);
  EXPECT_EQ(rec.Kinds(), "LL");
  bool interaction = false;
  for (const std::string& e : rec.errors)
    interaction |= e == "Cannot handle commands requiring Plotter-Computer interaction.";
  EXPECT_TRUE(interaction);
}

TEST(Hpgl, PenNumbersAreBoundedToThePalette) {
  struct {
    const char* program;
    uint32_t rgb;
  } pens[] = {{"IN;SP300;PD400,0;", AciRgbPalette[255]},
              {"IN;SP;PD400,0;", AciRgbPalette[0]},
              {"IN;SP-3;PD400,0;", AciRgbPalette[0]},
              {"IN;SP12.7;PD400,0;", AciRgbPalette[12]}};
  for (const auto& p : pens) {
    Recorder rec;
    Convert(p.program, &rec);
    ASSERT_EQ(rec.Kinds(), "L") << p.program;
    EXPECT_EQ(rec.entities[0].rgb, p.rgb) << p.program;
  }
}

TEST(Hpgl, EveryConversionStartsClean) {
  // A pen, an open polygon and a PR left by one file do not reach the next.
  Recorder first;
  Convert("IN;SP5;PA0,0;PM0;PD400,0,400,400;PR;PE<", &first);
  Recorder second;
  Convert("IN;FP;PD400,0;", &second);
  ASSERT_EQ(second.Kinds(), "L");
  EXPECT_EQ(second.entities[0].rgb, AciRgbPalette[0]);
}

TEST(Hpgl, NotAPlotFileIsRefused) {
  struct {
    const char* bytes;
    HpglResult result;
  } files[] = {{"", kHpglNotRecognised},
               {"hello world, nothing here", kHpglNotRecognised},
               {"\x1b.(\x1b.Y", kHpglNotRecognised},
               {"BP;QQ;", kHpglNotRecognised},
               {"PD0,0", kHpglConverted},
               {"IN;", kHpglNotRecognised},
               {"IN;SP1;", kHpglConverted}};
  for (const auto& f : files) {
    Recorder rec;
    EXPECT_EQ(Convert(f.bytes, &rec), f.result) << "[" << f.bytes << "]";
  }
  // Random bytes name an instruction now and then, among thousands of words that are none.
  std::string noise;
  uint32_t seed = 12345;
  for (int i = 0; i < 20000; ++i) {
    seed = seed * 1103515245u + 12345u;
    noise.push_back(char(seed >> 16));
  }
  Recorder random;
  EXPECT_EQ(Convert(noise, &random), kHpglNotRecognised);
  Recorder rec;
  EXPECT_EQ(ConvertHpglPath("/nonexistent/plot.hpgl", rec), kHpglCannotOpen);
  EXPECT_TRUE(rec.layers.empty());
}

TEST(Hpgl, ProgressOnlyForFilesOf101BytesOrMore) {
  std::string small = "IN;SP1;PD400,0;";
  std::string large = small;
  while (large.size() < 5000) large += "PD400,0;";
  std::vector<int> seen;
  Recorder rec;
  auto note = [&](int p) { seen.push_back(p); };
  ConvertHpglBytes(reinterpret_cast<const uint8_t*>(small.data()), small.size(), rec, note);
  EXPECT_TRUE(seen.empty());
  ConvertHpglBytes(reinterpret_cast<const uint8_t*>(large.data()), large.size(), rec, note);
  ASSERT_GE(seen.size(), 50u);
  EXPECT_LE(seen.back(), 100);
}

TEST(Hpgl, IntegerTrigonometry) {
  struct {
    int64_t dx, dy, length;
  } lengths[] = {{3000, 0, 3000}, {0, -7000, 7000}, {3000, 4000, 5000}, {-1000, -1000, 1414}};
  for (const auto& l : lengths)
    EXPECT_NEAR(double(HpglIntegerLength(l.dx, l.dy)), double(l.length), l.length * 0.01)
        << l.dx << "," << l.dy;
  EXPECT_EQ(HpglMul4(-20000, 5000), -10000);
  EXPECT_EQ(HpglDiv4(1, 0), 0);
}

}  // namespace
