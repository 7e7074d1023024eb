// The HP-GL reader and plotter model. The stream is read one character at a time with one
// character of look-ahead; numbers are held in thousandths (the text 12.5 is 12500) and
// coordinates in thousandths of a plotter unit; angles of arcs and wedges in ten-thousandths of a
// degree. Plotter positions become millimetres at 0.025 mm a unit.
#include "vector/model/Hpgl.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "vector/model/AciPalette.h"

void HpglOutput::Error(const char* text) { std::fprintf(stderr, "HPDW ERROR: %s\n", text); }

namespace {

constexpr double kMmPerUnit = 2.5e-5;
constexpr int64_t kFullTurn = 3600000;
constexpr int64_t kPlotWidth = 475600000;
constexpr int64_t kPlotHeight = 336400000;

struct Trig {
  int64_t cosT[46], sinT[46], tanT[46];
  Trig() {
    const double pi = 3.14159265358979323846;
    for (int k = 0; k <= 45; ++k) {
      double r = k * pi / 180.0;
      cosT[k] = int64_t(std::floor(std::cos(r) * 10000.0));
      sinT[k] = int64_t(std::floor(std::sin(r) * 10000.0));
      tanT[k] = int64_t(std::floor(std::tan(r) * 10000.0));
    }
  }
};
const Trig& Tables() {
  static const Trig t;
  return t;
}

// Cosine and sine factors of a whole degree 0 to 359.
void Factors(int64_t deg, int64_t* c, int64_t* s) {
  const Trig& t = Tables();
  deg %= 360;
  if (deg < 0) deg += 360;
  int64_t q = deg / 90, r = deg % 90;
  int64_t cc = r <= 45 ? t.cosT[r] : t.sinT[90 - r];
  int64_t ss = r <= 45 ? t.sinT[r] : t.cosT[90 - r];
  switch (q) {
    case 0: *c = cc; *s = ss; break;
    case 1: *c = -ss; *s = cc; break;
    case 2: *c = -cc; *s = -ss; break;
    default: *c = ss; *s = -cc; break;
  }
}

// Direction of a vector in whole degrees 0 to 359 by the tangent table.
int64_t DirectionDegrees(int64_t dx, int64_t dy) {
  const Trig& t = Tables();
  int64_t ax = dx < 0 ? -dx : dx, ay = dy < 0 ? -dy : dy;
  int64_t a = std::max(ax, ay), b = std::min(ax, ay);
  if (a == 0) return 0;
  int64_t tn = HpglDiv4(b, a);
  int lo = 0, hi = 45;
  while (hi - lo > 1) {
    int mid = (lo + hi) / 2;
    if (t.tanT[mid] <= tn) lo = mid; else hi = mid;
  }
  int k = (tn - t.tanT[lo] < t.tanT[hi] - tn) ? lo : hi;
  int64_t theta = ax >= ay ? k : 90 - k;
  if (dx >= 0 && dy >= 0) return theta;
  if (dx < 0 && dy >= 0) return 180 - theta;
  if (dx < 0) return 180 + theta;
  return (360 - theta) % 360;
}

// Hostile files can make scales of zero or huge coordinates; conversions stay defined by
// bounding to what a 64-bit coordinate holds with room for sums (and a NaN becomes 0).
int64_t Whole(double v) {
  if (!(v == v)) return 0;
  if (v > 1e18) return int64_t(1e18);
  if (v < -1e18) return -int64_t(1e18);
  return int64_t(v);
}

struct Point64 {
  int64_t x, y;
};

const char* const kMnemonics[] = {
    "AA", "AR", "BP", "CA", "CI", "CP", "CS", "DC", "DF", "DI", "DP", "DR", "DT", "EA", "EP", "ER",
    "EW", "FP", "FT", "IM", "IN", "IP", "IR", "IW", "LB", "LT", "OA", "OC", "OD", "OE", "OF", "OH",
    "OI", "OO", "OP", "OS", "OW", "PA", "PD", "PE", "PG", "PM", "PR", "PS", "PU", "PW", "RA", "RO",
    "RR", "SA", "SC", "SI", "SL", "SM", "SP", "SR", "SS", "TL", "UC", "VS", "WG", "XT", "YT"};
const int kHandlers[] = {2,  3,  0,  4,  5,  6,  7,  0,  8,  9,  0,  10, 11, 12, 47, 13,
                         14, 46, 15, 0,  16, 17, 44, 18, 19, 20, 1,  1,  1,  1,  1,  1,
                         1,  1,  1,  1,  1,  21, 22, 23, 48, 45, 24, 25, 26, 43, 27, 28,
                         29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 0,  40, 41, 42};
static_assert(sizeof(kMnemonics) / sizeof(kMnemonics[0]) == 63, "table of 63 mnemonics");
static_assert(sizeof(kHandlers) / sizeof(kHandlers[0]) == 63, "one handler per mnemonic");

class Converter {
 public:
  Converter(const uint8_t* data, size_t size, HpglOutput& out, const HpglProgressFn& progress)
      : data_(data), size_(size), out_(out), progress_(progress) {}

  HpglStats stats;

  void Run() {
    Detect();
    ResetIN();
    ResetDF();
    StartPage(1);
    SkipSeparators();
    while (la_ != -1) Dispatch(ReadMnemonic());
  }

 private:
  // ---- raw input -------------------------------------------------------------------------
  int Byte() {
    if (pushback_ >= 0) {
      int c = pushback_;
      pushback_ = -1;
      return c;
    }
    if (pos_ >= size_) return -1;
    return data_[pos_++];
  }

  int RawChar() {
    int c = Byte();
    if (c == -1) return -1;
    if (progress_ && size_ >= 101) {
      size_t step = size_ / 100;
      if (pos_ % step == 0) progress_(int(uint64_t(pos_) * 100 / size_));
    }
    if (c != 27) return c;
    for (;;) {
      if (Byte() == -1) return -1;  // the full stop
      int letter = Byte();
      switch (letter) {
        case -1: return -1;
        case '(': case ')': case 'B': case 'E': case 'J': case 'K': case 'L': case 'O':
        case 'R': case 'Y': case 'Z':
          break;
        case '-':
          Byte();
          Byte();
          break;
        case '@': case 'H': case 'I': case 'M': case 'N': {
          int b;
          while ((b = Byte()) != -1 && b != ':') {
          }
          Byte();
          Byte();
          break;
        }
        default:
          Warning("Illegal escape sequence.");
          break;
      }
      do {
        c = Byte();
      } while (c == ';' || c == '\n' || c == '\r');
      if (c != 27) return c;
    }
  }

  int ReadChar() {
    if (la_ == -1) {
      la_ = RawChar();
      if (la_ == -1) return -1;
    }
    int c = la_;
    la_ = RawChar();
    return c;
  }

  // Positions the input behind the first ';' or "IN" of the file (for a file that starts with
  // ESC, its first "IN"); at the start when there is none.
  void Detect() {
    la_ = 0;
    pos_ = 0;
    if (size_ == 0) return;
    int prev = 0;
    size_t start = 0;
    if (data_[0] == 27) {
      for (size_t i = 0; i < size_; ++i) {
        if (prev == 'I' && data_[i] == 'N') {
          pos_ = i + 1;
          return;
        }
        prev = data_[i];
      }
      if (data_[size_ - 1] == ';') {
        Warning("Nothing found, not an HPGL file");
        return;
      }
      prev = data_[size_ - 1];
    } else if (data_[0] == ';') {
      pos_ = 1;
      return;
    }
    for (size_t i = start; i < size_; ++i) {
      if (data_[i] == ';' || (prev == 'I' && data_[i] == 'N')) {
        pos_ = i + 1;
        return;
      }
      prev = data_[i];
    }
    Warning("Nothing found, not an HPGL file");
    pos_ = 0;
  }

  // ---- lexical helpers --------------------------------------------------------------------
  static bool IsTerm(int c) { return c == ';' || c == '\n' || c == '\r'; }
  static bool IsDigit(int c) { return c >= '0' && c <= '9'; }
  static bool IsLetter(int c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
  bool ParamFollows() const { return IsDigit(la_) || la_ == '+' || la_ == '-' || la_ == '.'; }
  bool NoParam() const { return IsTerm(la_); }

  void SkipSeparators() {
    while (la_ == ',' || la_ == ' ' || la_ == '\n' || la_ == '\r' || la_ == '!') ReadChar();
  }
  void SkipTerminators() {
    while (IsTerm(la_)) {
      ReadChar();
      SkipSeparators();
    }
  }
  void EndCommand() {
    if (!IsTerm(la_) && !IsLetter(la_) && la_ != -1) {
      Warning("Extra parameters ignored");
      while (!IsTerm(la_) && !IsLetter(la_) && la_ != -1) ReadChar();
    }
    SkipTerminators();
  }
  bool HasNumber() {
    while (la_ == '\r' || la_ == '\n' || la_ == '!') ReadChar();
    return IsDigit(la_);
  }

  bool ReadNumber(int64_t* out) {
    bool negative = false;
    if (la_ == '+' || la_ == '-') negative = ReadChar() == '-';
    if (!HasNumber() && la_ != '.') {
      Warning("Number expected.");
      return false;
    }
    int64_t value = 0;
    int digits = 0;
    while (IsDigit(la_)) {
      if (digits == 6) {
        Warning("Number out of range.");
        return false;
      }
      value = value * 10 + (ReadChar() - '0');
      ++digits;
      if (digits == 1 && value == 0 && la_ == '\r') la_ = '.';
    }
    int fraction = 0;
    if (la_ == '.') {
      while (la_ == '.') ReadChar();
      while (IsDigit(la_) && fraction < 3) {
        value = value * 10 + (ReadChar() - '0');
        ++fraction;
      }
      if (IsDigit(la_)) {
        Warning("Extra decimal places skipped.");
        while (IsDigit(la_)) ReadChar();
      }
    }
    SkipSeparators();
    static const int64_t kPow[] = {1, 10, 100, 1000};
    if (negative) value = -value;
    *out = value * kPow[3 - fraction];
    return true;
  }

  // A whole number: rounded down to a whole multiple of 1000.
  bool ReadWhole(int64_t* out) {
    int64_t v;
    if (!ReadNumber(&v)) return false;
    int64_t r = v % 1000;
    if (r != 0) v = v - r - (v < 0 ? 1000 : 0);
    *out = v;
    return true;
  }

  bool ReadPair(Point64* p) {
    if (!ReadNumber(&p->x)) return false;
    SkipSeparators();
    if (!ParamFollows()) {
      Warning("Uneven number of coordinates.");
      return false;
    }
    return ReadNumber(&p->y);
  }

  void Warning(const char* text) {
    if (std::strncmp(text, "Useless", 7) == 0 && mnemonic_[0] != 0 && mnemonic_[1] != 0) {
      // Re-read from the second character of the word that was skipped.
      pushback_ = la_;
      la_ = mnemonic_[1];
    }
  }
  void Error(const char* text) {
    ++stats.errors;
    out_.Error(text);
  }

  // ---- dispatch ---------------------------------------------------------------------------
  int ReadMnemonic() {
    int c = ReadChar();
    mnemonic_[0] = c == -1 ? 0 : c;
    mnemonic_[1] = 0;
    if (c >= 'A' && c <= 'Z') {
      SkipSeparators();
      int d = ReadChar();
      if (d != -1) mnemonic_[1] = d;
      if (IsLetter(d)) {
        int h = HpglLookupMnemonic(char(c), char(d));
        if (h >= 0) {
          SkipSeparators();
          if (h != 0 && h != 1 && h != 4 && h != 6 && h != 7 && h != 10 && h != 30 && h != 33 &&
              h != 36 && h != 37 && h != 39)
            ++stats.instructions;
          return h;
        }
      }
    }
    Error("Illegal HPGL command.");
    return 0;
  }

  void Dispatch(int h) {
    switch (h) {
      case 0: case 4: case 6: case 7: case 10: case 30: case 33: case 36: case 37: case 39:
        Warning("Useless command skipped.");
        EndCommand();
        break;
      case 1: Error("Cannot handle commands requiring Plotter-Computer interaction."); break;
      case 2: Arc(false); break;
      case 3: Arc(true); break;
      case 5: CircleCmd(); break;
      case 8: ResetDF(); EndCommand(); break;
      case 9: DirectionCmd(); break;
      case 11: TerminatorCmd(); break;
      case 12: EdgeRect(false); break;
      case 13: EdgeRect(true); break;
      case 14: Wedge(false); break;
      case 15: FillTypeCmd(); break;
      case 16: ResetIN(); ResetDF(); EndCommand(); break;
      case 17: InputP1P2(false); break;
      case 18: WindowCmd(); break;
      case 19: Label(); break;
      case 20: LineTypeCmd(); break;
      case 21: relative_ = false; CoordinateList(); break;
      case 22: PenDown(); CoordinateList(); break;
      case 23: Encoded(); break;
      case 24: relative_ = true; CoordinateList(); break;
      case 25: PlotSizeCmd(); break;
      case 26: PenUp(); CoordinateList(); break;
      case 27: FillRect(false); break;
      case 28: RotateCmd(); break;
      case 29: FillRect(true); break;
      case 31: ScaleCmd(); break;
      case 32: SizeCmd(); break;
      case 34: SymbolCmd(); break;
      case 35: SelectPen(); break;
      case 38: TickLengthCmd(); break;
      case 40: Wedge(true); break;
      case 41: case 42: EndCommand(); break;
      case 43: PenWidthCmd(); break;
      case 44: InputP1P2(true); break;
      case 45: PolygonModeCmd(); break;
      case 46: FillPolygonCmd(); break;
      case 47: EdgePolygonCmd(); break;
      case 48: StartPage(0); EndCommand(); break;
      default: EndCommand(); break;
    }
  }

  // ---- coordinates ------------------------------------------------------------------------
  Point64 ToPlotter(Point64 u) const {
    if (!scaling_) return u;
    return {Whole(double(u.x) * scaleX_ + 0.5) + offsetX_, Whole(double(u.y) * scaleY_ + 0.5) + offsetY_};
  }
  Point64 ToUser(Point64 p) const {
    if (!scaling_) return p;
    return {Whole(double(p.x - offsetX_) / scaleX_ + 0.5), Whole(double(p.y - offsetY_) / scaleY_ + 0.5)};
  }
  static HpglPoint Mm(Point64 p) { return {double(p.x) * kMmPerUnit, double(p.y) * kMmPerUnit, 0}; }
  static Point64 FromMm(const HpglPoint& d) {
    return {Whole(d.x * 40000.0 + 0.5), Whole(d.y * 40000.0 + 0.5)};
  }
  uint32_t Colour() const { return AciRgbPalette[pen_]; }

  // ---- pen and drawing --------------------------------------------------------------------
  void PenUp() {
    if (!penUp_) {
      drawnSincePenDown_ = false;
      penUp_ = true;
    }
  }
  void PenDown() {
    if (penUp_) {
      drawPoint_ = Mm(ToPlotter(position_));
      penUp_ = false;
    }
  }
  void DrawLine(const HpglPoint& end) {
    if (polygonMode_) {
      buffer_.push_back(drawPoint_);
      buffer_.push_back(end);
    } else {
      out_.AddLine(drawPoint_, end, pageLayer_, Colour());
    }
    drawPoint_ = end;
  }
  void PlotTo(Point64 u) {
    if (!penUp_) {
      drawnSincePenDown_ = true;
      if (lineType_ == 0) {
        PenUp();
        position_ = u;
        PenDown();
        return;
      }
      DrawLine(Mm(ToPlotter(u)));
    }
    position_ = u;
    drawPoint_ = Mm(ToPlotter(u));
  }

  void CoordinateList() {
    while (ParamFollows()) {
      Point64 p;
      if (!ReadPair(&p)) return;
      if (relative_) {
        p.x += position_.x;
        p.y += position_.y;
      }
      PlotTo(p);
    }
    if (!IsLetter(la_)) EndCommand();
  }

  // ---- resets -----------------------------------------------------------------------------
  void ResetIN() {
    PenUp();
    rotated_ = false;
    position_ = {0, 0};
    drawPoint_ = Mm(ToPlotter({0, 0}));
    PlotSizeDefaults();
  }
  void PlotSizeDefaults() {
    plotW_ = kPlotWidth;
    plotH_ = kPlotHeight;
    SetP1P2({0, 0}, rotated_ ? Point64{plotH_, plotW_} : Point64{plotW_, plotH_});
  }
  void ScalingOff() {
    if (scaling_) {
      position_ = ToPlotter(position_);
      scaling_ = false;
    }
  }
  void ResetDF() {
    ScalingOff();
    relative_ = false;
    lineType_ = 70000;
    patternLength_ = diagonal_ / 25;
    symbol_ = 0;
    penThickness_ = 1856;
    fillType_ = 10000;
    fillSpacing_ = diagonal_ / 100;
    fillAngle_ = 0;
    tickPlus_ = tickMinus_ = 5000;
    charWidth_ = 2.095;
    charHeight_ = 3.5;
    labelDirection_ = 0;
    terminator_ = 3;
    polygonMode_ = false;
  }
  void SetP1P2(Point64 a, Point64 b) {
    p1_ = a;
    p2_ = b;
    diagonal_ = HpglIntegerLength(b.x - a.x, b.y - a.y);
    if (scaling_) ComputeScale();
  }
  void ComputeScale() {
    Point64 pp = ToPlotter(position_);
    scaleX_ = double(p2_.x - p1_.x) / double(userMax_.x - userMin_.x);
    scaleY_ = double(p2_.y - p1_.y) / double(userMax_.y - userMin_.y);
    offsetX_ = p1_.x - Whole(double(userMin_.x) * scaleX_ + 0.5);
    offsetY_ = p1_.y - Whole(double(userMin_.y) * scaleY_ + 0.5);
    scaling_ = true;
    position_ = ToUser(pp);
  }

  void StartPage(int reset) {
    if (reset) pageCounter_ = 1;
    char name[32];
    std::snprintf(name, sizeof name, "Page%d", pageCounter_);
    pageLayer_ = out_.AddLayer(name, AciRgbPalette[7]);
    if (pageCounter_ < 1000000) ++pageCounter_;
  }

  // ---- instructions -----------------------------------------------------------------------
  void InputP1P2(bool percent) {
    if (NoParam() || !ParamFollows()) {
      SetP1P2({0, 0}, rotated_ ? Point64{plotH_, plotW_} : Point64{plotW_, plotH_});
      EndCommand();
      return;
    }
    int64_t w = rotated_ ? plotH_ : plotW_, h = rotated_ ? plotW_ : plotH_;
    auto conv = [&](Point64 p) {
      if (!percent) return p;
      return Point64{Whole(double(p.x) * double(w) * 1e-6), Whole(double(p.y) * double(h) * 1e-6)};
    };
    Point64 a, b;
    if (!ReadPair(&a)) return;
    a = conv(a);
    if (ParamFollows()) {
      if (!ReadPair(&b)) return;
      b = conv(b);
    } else {
      b = {a.x + (p2_.x - p1_.x), a.y + (p2_.y - p1_.y)};
    }
    SetP1P2(a, b);
    EndCommand();
  }

  void WindowCmd() {
    for (int i = 0; i < 4 && ParamFollows(); ++i) {
      int64_t v;
      if (!ReadWhole(&v)) return;
    }
    EndCommand();
  }

  void ScaleCmd() {
    if (!ParamFollows()) {
      ScalingOff();
      EndCommand();
      return;
    }
    int64_t v[4];
    for (int i = 0; i < 4; ++i)
      if (!ReadNumber(&v[i])) return;
    int64_t type = 0;
    if (ParamFollows() && !ReadWhole(&type)) return;
    if (type == 1000) {
      int64_t unused;
      for (int i = 0; i < 2 && ParamFollows(); ++i)
        if (!ReadNumber(&unused)) return;
    }
    if (type == 0 || type == 1000) {
      if (v[0] == v[1] || v[2] == v[3]) {
        Warning("Invalid scale parameters.");
      } else {
        ScalingOff();
        userMin_ = {v[0], v[2]};
        userMax_ = {v[1], v[3]};
        ComputeScale();
      }
    } else if (type == 2000) {
      // Point-factor scaling: the factors are plotter units per user unit, so the window
      // reaches from the minimum as far as P2 is from P1 in user units.
      if (v[1] <= 0 || v[3] <= 0) {
        Warning("Invalid scale parameters.");
      } else {
        ScalingOff();
        userMin_ = {v[0], v[2]};
        userMax_ = {v[0] + Whole(double(p2_.x - p1_.x) * 1000.0 / double(v[1])),
                    v[2] + Whole(double(p2_.y - p1_.y) * 1000.0 / double(v[3]))};
        if (userMax_.x == userMin_.x || userMax_.y == userMin_.y)
          Warning("Invalid scale parameters.");
        else
          ComputeScale();
      }
    }
    EndCommand();
  }

  void Rotate() {
    if (rotated_) return;
    Point64 p = ToPlotter(position_);
    position_ = ToUser({plotH_ - p.y, p.x});
    rotated_ = true;
  }
  void Unrotate() {
    if (!rotated_) return;
    Point64 p = ToPlotter(position_);
    position_ = ToUser({p.y, plotH_ - p.x});
    rotated_ = false;
  }
  void RotateCmd() {
    int64_t a = 0;
    if (ParamFollows() && !ReadNumber(&a)) return;
    if (a == 0) Unrotate();
    else if (a == 90000) Rotate();
    else Warning("Erroneous rotation angle.");
    EndCommand();
  }

  void PlotSizeCmd() {
    if (!ParamFollows()) {
      PlotSizeDefaults();
      EndCommand();
      return;
    }
    int64_t a, b = 0;
    if (!ReadWhole(&a)) return;
    if (ParamFollows() && !ReadWhole(&b)) return;
    plotW_ = std::max(a, b);
    plotH_ = std::min(a, b);
    if (plotH_ == 0) plotH_ = kPlotHeight;
    if (rotated_) {
      Unrotate();
      Rotate();
    }
    SetP1P2({0, 0}, rotated_ ? Point64{plotH_, plotW_} : Point64{plotW_, plotH_});
    EndCommand();
  }

  void SelectPen() {
    int64_t v;
    if (!ParamFollows() || !ReadNumber(&v)) {
      pen_ = 0;
    } else {
      // The palette has 256 entries; a larger pen number draws with the last.
      int64_t n = v / 1000;
      pen_ = int(std::clamp<int64_t>(n, 0, 255));
    }
    EndCommand();
  }

  void PenWidthCmd() {
    int64_t v;
    if (!ParamFollows() || !ReadNumber(&v)) {
      penThickness_ = 1856;
    } else if (v < 64 || v > 50000) {
      Warning("Illegal pen thickness.");
    } else {
      penThickness_ = v;
    }
    EndCommand();
  }

  void FillTypeCmd() {
    if (!ParamFollows()) {
      fillType_ = 10000;
    } else {
      int64_t* fields[] = {&fillType_, &fillSpacing_, &fillAngle_};
      for (int i = 0; i < 3 && ParamFollows(); ++i)
        if (!ReadNumber(fields[i])) return;
    }
    EndCommand();
  }

  void LineTypeCmd() {
    if (!ParamFollows()) {
      lineType_ = 70000;
      patternLength_ = 40000;
      EndCommand();
      return;
    }
    int64_t type, length = 40000;
    if (!ReadWhole(&type)) return;
    if (ParamFollows() && !ReadNumber(&length)) return;
    if (type != lineType_ || length != patternLength_) {
      lineType_ = type;
      if (length > 0 && length < 1280000) patternLength_ = length;
    }
    EndCommand();
  }

  void TickLengthCmd() {
    if (!ParamFollows()) {
      tickPlus_ = tickMinus_ = 5000;
    } else {
      if (!ReadNumber(&tickPlus_)) return;
      tickMinus_ = 0;
      if (ParamFollows() && !ReadNumber(&tickMinus_)) return;
    }
    EndCommand();
  }

  void SymbolCmd() {
    if (!IsTerm(la_) && la_ != -1) symbol_ = ReadChar();
    EndCommand();
  }

  void SizeCmd() {
    if (ParamFollows()) {
      Point64 p;
      if (!ReadPair(&p)) return;
      charWidth_ = double(p.x) * 0.01;
      charHeight_ = double(p.y) * 0.01;
    }
    if (IsTerm(la_)) EndCommand();
  }

  void DirectionCmd() {
    if (!ParamFollows()) {
      labelDirection_ = 0;
    } else {
      Point64 p;
      if (!ReadPair(&p)) return;
      labelDirection_ = (p.x == 0 && p.y == 0) ? 0.0 : std::atan2(double(p.y), double(p.x));
    }
    if (IsTerm(la_)) EndCommand();
  }

  void TerminatorCmd() {
    if (NoParam() || la_ == -1) terminator_ = 3;
    else terminator_ = ReadChar();
    EndCommand();
  }

  void Label() {
    std::string text;
    while (la_ != -1 && la_ != terminator_) {
      int c = ReadChar();
      if (text.size() < 255) text.push_back(char(c));
    }
    if (la_ == terminator_) ReadChar();
    if (!text.empty()) {
      out_.AddText(drawPoint_, text, charHeight_, "MS Gothic", labelDirection_, 400, 0,
                   pageLayer_, Colour());
      double n = double(text.size());
      drawPoint_.x += n * charWidth_ * std::cos(labelDirection_);
      drawPoint_.y += n * charWidth_ * std::sin(labelDirection_);
      position_ = ToUser(FromMm(drawPoint_));
    }
    EndCommand();
  }

  // ---- polygons ---------------------------------------------------------------------------
  void PolygonStart() {
    polygonMode_ = true;
    buffer_.clear();
    subStart_ = 0;
  }
  HpglPoint SubPolygonFirst() const {
    const HpglPoint& f = buffer_[subStart_];
    if (HpglIsArcCentre(f) && subStart_ + 1 < buffer_.size()) {
      const HpglPoint& a = buffer_[subStart_ + 1];
      return {f.x + f.z * std::cos(a.x), f.y + f.z * std::sin(a.x), 0};
    }
    return {f.x, f.y, 0};
  }
  void CloseSubPolygon() {
    if (buffer_.size() > subStart_) {
      HpglPoint f = SubPolygonFirst();
      if (std::fabs(drawPoint_.x - f.x) >= 0.0001 || std::fabs(drawPoint_.y - f.y) >= 0.0001) {
        buffer_.push_back(drawPoint_);
        buffer_.push_back(f);
      }
      drawPoint_ = f;
      position_ = ToUser(FromMm(f));
    }
  }
  void AppendMarker() {
    buffer_.push_back({0, 0, 0});
    buffer_.push_back({0, 0, kHpglMarkerZ});
    subStart_ = buffer_.size();
  }
  void PolygonEnd() {
    CloseSubPolygon();
    if (!buffer_.empty() && !HpglIsMarker(buffer_.back())) AppendMarker();
    polygonMode_ = false;
  }
  void Fill() {
    if (!buffer_.empty()) out_.AddHatch(buffer_, pageLayer_, Colour());
  }

  void PolygonModeCmd() {
    int64_t v = 0;
    if (ParamFollows() && !ReadWhole(&v)) v = 0;
    if (v == 0) PolygonStart();
    else if (v == 1000) {
      if (polygonMode_) {
        CloseSubPolygon();
        AppendMarker();
      }
    } else if (v == 2000) {
      if (polygonMode_) PolygonEnd();
    }
    EndCommand();
  }
  void FillPolygonCmd() {
    int64_t method;
    if (ParamFollows() && !ReadNumber(&method)) return;
    if (polygonMode_) PolygonEnd();
    Fill();
    EndCommand();
  }
  void EdgePolygonCmd() {
    if (polygonMode_) PolygonEnd();
    if (buffer_.size() > 2) {
      for (size_t i = 0; i + 1 < buffer_.size(); i += 2) {
        const HpglPoint& a = buffer_[i];
        const HpglPoint& b = buffer_[i + 1];
        if (HpglIsMarker(b)) continue;
        if (HpglIsArcCentre(a))
          out_.AddArc({a.x, a.y, 0}, b.x, b.y, a.z, pageLayer_, Colour());
        else
          out_.AddLine(a, b, pageLayer_, Colour());
      }
    }
    EndCommand();
  }

  void FillRect(bool rel) {
    Point64 q;
    if (!ReadPair(&q)) return;
    Point64 p = position_;
    if (rel) {
      q.x += p.x;
      q.y += p.y;
    }
    PolygonStart();
    drawPoint_ = Mm(ToPlotter(p));
    DrawLine(Mm(ToPlotter({p.x, q.y})));
    DrawLine(Mm(ToPlotter(q)));
    DrawLine(Mm(ToPlotter({q.x, p.y})));
    DrawLine(Mm(ToPlotter(p)));
    PolygonEnd();
    Fill();
    position_ = p;
    EndCommand();
  }

  void EdgeRect(bool rel) {
    Point64 q;
    if (!ReadPair(&q)) return;
    Point64 p = position_;
    if (rel) {
      q.x += p.x;
      q.y += p.y;
    }
    bool wasUp = penUp_;
    PenDown();
    PlotTo({p.x, q.y});
    PlotTo(q);
    PlotTo({q.x, p.y});
    PlotTo(p);
    if (wasUp) PenUp();
    EndCommand();
  }

  // ---- arcs, circles, wedges --------------------------------------------------------------
  Point64 Polar(Point64 c, int64_t radius, int64_t angle) const {
    angle %= kFullTurn;
    if (angle < 0) angle += kFullTurn;
    int64_t cf, sf;
    Factors(angle / 10000, &cf, &sf);
    return {c.x + HpglMul4(cf, radius), c.y + HpglMul4(sf, radius)};
  }

  // The optional chord angle, in ten-thousandths of a degree.
  bool ReadChord(int64_t* chord) {
    *chord = 50000;
    if (!ParamFollows()) return true;
    int64_t v;
    if (!ReadWhole(&v)) return false;
    v = v * 10;
    if (v < 0) v = -v;
    *chord = v % kFullTurn;
    return true;
  }

  static int64_t NormaliseSweep(int64_t sweep) {
    return (sweep < -kFullTurn || sweep > kFullTurn) ? kFullTurn : sweep;
  }

  void Arc(bool rel) {
    Point64 c;
    if (!ReadPair(&c)) return;
    if (rel) {
      c.x += position_.x;
      c.y += position_.y;
    }
    int64_t sweep;
    if (rel ? !ReadWhole(&sweep) : !ReadNumber(&sweep)) return;
    sweep = NormaliseSweep(sweep * 10);
    int64_t chord;
    if (!ReadChord(&chord)) return;
    Point64 p = position_;
    int64_t radius = HpglIntegerLength(p.x - c.x, p.y - c.y);
    int64_t start = DirectionDegrees(p.x - c.x, p.y - c.y) * 10000;
    if (penUp_) {
      position_ = Polar(c, radius, start + sweep);
      drawPoint_ = Mm(ToPlotter(position_));
      EndCommand();
      return;
    }
    if (sweep == kFullTurn || sweep == -kFullTurn) {
      Circle(c, radius);
      EndCommand();
      return;
    }
    if (sweep == 0) {
      EndCommand();
      return;
    }
    const double twoPi = 6.283185307179586;
    HpglPoint cm{scaling_ ? (double(c.x) * scaleX_ + double(offsetX_)) * kMmPerUnit
                          : double(c.x) * kMmPerUnit,
                 scaling_ ? (double(c.y) * scaleY_ + double(offsetY_)) * kMmPerUnit
                          : double(c.y) * kMmPerUnit,
                 0};
    double sw = double(sweep) * 1.7453292519943296e-6;
    if (scaling_ && scaleX_ * scaleY_ < 0) sw = -sw;
    double s;
    if (drawPoint_.y == cm.y) s = cm.x >= drawPoint_.x ? twoPi / 2 : 0.0;
    else if (drawPoint_.x == cm.x) s = cm.y >= drawPoint_.y ? 3 * twoPi / 4 : twoPi / 4;
    else {
      s = std::atan2(drawPoint_.y - cm.y, drawPoint_.x - cm.x);
      if (s < 0) s += twoPi;
    }
    double e = s + sw;
    if (e < 0) e += twoPi;
    else if (e >= twoPi) e -= twoPi;
    double r = std::hypot(drawPoint_.x - cm.x, drawPoint_.y - cm.y);
    drawPoint_ = {cm.x + r * std::cos(e), cm.y + r * std::sin(e), 0};
    if (sw < 0) std::swap(s, e);
    if (polygonMode_) {
      buffer_.push_back({cm.x, cm.y, r});
      buffer_.push_back({s, e, 0});
    } else {
      out_.AddArc(cm, s, e, r, pageLayer_, Colour());
    }
    position_ = ToUser(FromMm(drawPoint_));
    EndCommand();
  }

  void Circle(Point64 centre, int64_t radius) {
    Point64 keep = position_;
    bool wasDown = !penUp_;
    PenUp();
    double x0 = scaling_ ? double(centre.x) * scaleX_ : double(centre.x);
    double x1 = scaling_ ? double(centre.x + radius) * scaleX_ : double(centre.x + radius);
    double r = std::fabs(x1 - x0) * kMmPerUnit;
    HpglPoint cm{scaling_ ? (double(centre.x) * scaleX_ + double(offsetX_)) * kMmPerUnit
                          : double(centre.x) * kMmPerUnit,
                 scaling_ ? (double(centre.y) * scaleY_ + double(offsetY_)) * kMmPerUnit
                          : double(centre.y) * kMmPerUnit,
                 0};
    if (r > 0) out_.AddCircle(cm, r, pageLayer_, Colour());
    position_ = keep;
    if (wasDown) PenDown();
  }

  void CircleCmd() {
    int64_t radius, chord;
    if (!ReadNumber(&radius)) return;
    if (!ReadChord(&chord)) return;
    Circle(position_, radius < 0 ? -radius : radius);
    EndCommand();
  }

  void Wedge(bool fill) {
    int64_t radius, start, sweep, chord;
    if (!ReadNumber(&radius) || !ReadWhole(&start) || !ReadWhole(&sweep)) return;
    if (!ReadChord(&chord)) return;
    if (chord > 1200000) {
      Warning("Chord angle out of range.");
      EndCommand();
      return;
    }
    const int64_t minimum = 40000;
    if (chord < minimum) chord = minimum;
    start = (start * 10) % kFullTurn;
    sweep = NormaliseSweep(sweep * 10);
    if (sweep % chord != 0) {
      for (int64_t c = chord - 10000; c > minimum - 1 && c != 0; c -= 10000) {
        if (sweep % c == 0) {
          chord = c;
          break;
        }
      }
    }
    Point64 centre = position_;
    int64_t step = sweep < 0 ? -chord : chord;
    int64_t steps = sweep / step;
    if (fill) {
      bool wasDown = !penUp_;
      PolygonStart();
      if (penUp_) drawPoint_ = Mm(ToPlotter(centre));
      else PenUp();
      int64_t a = start;
      DrawLine(Mm(ToPlotter(Polar(centre, radius, a))));
      for (int64_t i = 0; i < steps; ++i) {
        a += step;
        DrawLine(Mm(ToPlotter(Polar(centre, radius, a))));
      }
      if (sweep % chord != 0) DrawLine(Mm(ToPlotter(Polar(centre, radius, start + sweep))));
      DrawLine(Mm(ToPlotter(centre)));
      PolygonEnd();
      Fill();
      position_ = centre;
      if (wasDown) PenDown();
    } else {
      bool wasUp = penUp_;
      PenDown();
      int64_t a = start;
      PlotTo(Polar(centre, radius, a));
      for (int64_t i = 0; i < steps; ++i) {
        a += step;
        PlotTo(Polar(centre, radius, a));
      }
      if (sweep % chord != 0) PlotTo(Polar(centre, radius, start + sweep));
      PlotTo(centre);
      if (wasUp) PenUp();
    }
    EndCommand();
  }

  // ---- encoded polylines ------------------------------------------------------------------
  bool ReadEncoded(bool base32, int fractionBits, int64_t* out) {
    uint64_t value = 0;
    int shift = 0;
    const int lowEnd = base32 ? 94 : 126;
    const int termStart = base32 ? 95 : 191, termEnd = base32 ? 126 : 254;
    const int bits = base32 ? 5 : 6;
    for (;;) {
      int c = ReadChar();
      if (c >= 63 && c <= lowEnd) {
        if (shift > 36) return false;  // beyond any coordinate a plotter can hold
        value += uint64_t(c - 63) << shift;
        shift += bits;
        if (la_ == ';') return false;
        continue;
      }
      if (c >= termStart && c <= termEnd) {
        if (shift > 36) return false;
        value += uint64_t(c - termStart) << shift;
        break;
      }
      return false;
    }
    int64_t v = (value & 1) ? -int64_t(value / 2) : int64_t(value / 2);
    *out = (v * 1000) >> fractionBits;
    return true;
  }

  void Encoded() {
    bool saved = relative_;
    relative_ = true;
    bool base32 = false;
    int fractionBits = 0;
    if (la_ == ';') {
      EndCommand();
      relative_ = saved;
      return;
    }
    bool moveNext = false, absoluteNext = false;
    for (;;) {
      SkipSeparators();
      if (la_ == ';' || la_ == -1) break;
      if (la_ == '7') {
        ReadChar();
        base32 = true;
      } else if (la_ == ':') {
        ReadChar();
        int64_t v;
        if (!ReadEncoded(base32, fractionBits, &v)) return;
        pen_ = int(std::clamp<int64_t>(v / 1000, 0, 255));
      } else if (la_ == '<') {
        ReadChar();
        PenUp();
        moveNext = true;
      } else if (la_ == '=') {
        ReadChar();
        absoluteNext = true;
      } else if (la_ == '>') {
        ReadChar();
        int64_t v;
        if (!ReadEncoded(base32, 0, &v)) return;
        fractionBits = int(std::clamp<int64_t>(v / 1000, 0, 30));
      } else {
        Point64 p;
        if (!ReadEncoded(base32, fractionBits, &p.x) || !ReadEncoded(base32, fractionBits, &p.y))
          return;
        if (!absoluteNext) {
          p.x += position_.x;
          p.y += position_.y;
        }
        if (!moveNext) PenDown();
        PlotTo(p);
        PenDown();
        moveNext = absoluteNext = false;
      }
    }
    // A stream that ends inside PE leaves the instruction as it is.
    if (la_ == ';') {
      EndCommand();
      relative_ = saved;
    }
  }

  // ---- state ------------------------------------------------------------------------------
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
  int pushback_ = -1;
  int la_ = 0;
  int mnemonic_[2] = {0, 0};
  HpglOutput& out_;
  const HpglProgressFn& progress_;

  bool penUp_ = true;
  Point64 position_{0, 0};
  bool scaling_ = false;
  double scaleX_ = 1.0, scaleY_ = 1.0;
  int64_t offsetX_ = 0, offsetY_ = 0;
  bool rotated_ = false;
  bool drawnSincePenDown_ = false;
  Point64 p1_{0, 0}, p2_{kPlotWidth, kPlotHeight};
  Point64 userMin_{0, 0}, userMax_{1, 1};
  int64_t plotW_ = kPlotWidth, plotH_ = kPlotHeight;
  int64_t diagonal_ = 0;
  bool relative_ = false;
  int64_t lineType_ = 70000, patternLength_ = 40000;
  int pen_ = 0;
  int64_t penThickness_ = 1856, fillType_ = 10000, fillSpacing_ = 0, fillAngle_ = 0;
  int64_t tickPlus_ = 5000, tickMinus_ = 5000;
  double charWidth_ = 2.095, charHeight_ = 3.5;
  double labelDirection_ = 0;
  int terminator_ = 3;
  int symbol_ = 0;
  bool polygonMode_ = false;
  std::vector<HpglPoint> buffer_;
  size_t subStart_ = 0;
  HpglPoint drawPoint_{0, 0, 0};
  int pageCounter_ = 1;
  uint64_t pageLayer_ = 0;
};

}  // namespace

int HpglLookupMnemonic(char first, char second) {
  if (second >= 'a' && second <= 'z') second = char(second - 'a' + 'A');
  for (int i = 0; i < 63; ++i)
    if (kMnemonics[i][0] == first && kMnemonics[i][1] == second) return kHandlers[i];
  return -1;
}

int HpglMnemonicCount() { return int(sizeof(kMnemonics) / sizeof(kMnemonics[0])); }

int64_t HpglMul4(int64_t a, int64_t b) {
  __int128 r = __int128(a < 0 ? -a : a) * (b < 0 ? -b : b) / 10000;
  return int64_t(((a < 0) != (b < 0)) ? -r : r);
}

int64_t HpglDiv4(int64_t a, int64_t b) {
  if (b == 0) return 0;
  __int128 r = __int128(a < 0 ? -a : a) * 10000 / (b < 0 ? -b : b);
  return int64_t(((a < 0) != (b < 0)) ? -r : r);
}

int64_t HpglIntegerLength(int64_t dx, int64_t dy) {
  if (dx == 0) return dy < 0 ? -dy : dy;
  int64_t deg = DirectionDegrees(dx, dy);
  int64_t c, s;
  Factors(deg, &c, &s);
  int64_t len = c != 0 ? HpglDiv4(dx, c) : dx;
  return len < 0 ? -len : len;
}

HpglResult ConvertHpglBytes(const uint8_t* data, size_t size, HpglOutput& out,
                            const HpglProgressFn& progress, HpglStats* stats) {
  Converter converter(data, size, out, progress);
  converter.Run();
  if (stats) *stats = converter.stats;
  // Binary files of other kinds hold the odd letter pair that names an instruction; in a plot
  // file instructions are the rule and words the reader does not know the exception.
  const HpglStats& st = converter.stats;
  return st.instructions > 0 && st.errors <= 4 * st.instructions ? kHpglConverted
                                                                 : kHpglNotRecognised;
}

HpglResult ConvertHpglPath(const char* path, HpglOutput& out, const HpglProgressFn& progress,
                           HpglStats* stats) {
  FILE* f = std::fopen(path, "rb");
  if (!f) return kHpglCannotOpen;
  std::vector<uint8_t> bytes;
  uint8_t chunk[65536];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
  bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (failed) return kHpglCannotOpen;
  return ConvertHpglBytes(bytes.data(), bytes.size(), out, progress, stats);
}
