// The SAT parser: header, records, references between records and subtypes.
#include "sat/SatParser.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <limits>

#include "sat/AcisEntity.h"
#include "sat/AcisGeometry.h"
#include "sat/AcisTopology.h"
#include "sat/Geometry.h"

namespace {

// Every word and string the parser returns lives here until the next one is read.
char g_token[kSatTokenSize];

bool isBlank(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

bool isDigit(int c) { return c >= '0' && c <= '9'; }

bool is(const char* a, const char* b) { return std::strcmp(a, b) == 0; }

const char* const kIntcurveSubtypes[] = {
    "bldcur",  "blndsprngcur", "exactcur",      "exppc",    "lawintcur",     "offintcur",
    "offsetintcur", "offsurfintcur", "parcur", "projcur", "subsetintcur", "surfcur",
    "surfintcur"};
const char* const kSplineSubtypes[] = {"exactsur", "netsur",  "offsur",  "pipesur",
                                       "rbblnsur", "rotsur",  "skinsur", "sumsur",
                                       "sweepsur", "vertexblendsur"};

template <size_t N>
bool inList(const char* word, const char* const (&list)[N]) {
  for (const char* name : list)
    if (is(word, name)) return true;
  return false;
}

}  // namespace

// ---- subtype table ----

SatSubtypeTable::SatSubtypeTable(int32_t capacity) : entries_(size_t(capacity < 5 ? 20 : capacity)) {}

SatSubtypeTable::~SatSubtypeTable() {
  for (SatSubtype* s : entries_) delete s;
}

int32_t SatSubtypeTable::reserve() {
  if (size_t(count_) >= entries_.size()) entries_.resize(entries_.size() + entries_.size() / 2 + 1);
  return count_++;
}

void SatSubtypeTable::set(int32_t i, SatSubtype* object) {
  if (i < 0 || size_t(i) >= entries_.size()) {
    delete object;
    return;
  }
  delete entries_[size_t(i)];
  entries_[size_t(i)] = object;
}

SatSubtype* SatSubtypeTable::lookup(int32_t i) const {
  return i >= 0 && i < count_ ? entries_[size_t(i)] : nullptr;
}

// ---- parser ----

satParser::satParser(std::streambuf* buffer) : in_(buffer), failed_(buffer == nullptr), subtypes_(200) {}

satParser::~satParser() {
  for (acis_Entity* record : owned_) delete record;
}

int satParser::get() {
  if (failed_) return -1;
  int c = in_->sbumpc();
  if (c == std::char_traits<char>::eof()) {
    failed_ = true;
    return -1;
  }
  return static_cast<unsigned char>(c);
}

int satParser::peek() {
  if (failed_) return -1;
  int c = in_->sgetc();
  if (c == std::char_traits<char>::eof()) {
    failed_ = true;
    return -1;
  }
  return static_cast<unsigned char>(c);
}

void satParser::skipBlanks() {
  while (!failed_) {
    int c = peek();
    if (c < 0 || !isBlank(c)) return;
    in_->sbumpc();
  }
}

int satParser::nextNonBlank() {
  skipBlanks();
  return get();
}

// The text of one number at the read position, as formatted extraction takes it: a sign,
// digits, and for a double a fraction and an exponent. False when no digit stands there or the
// text outgrows the buffer (it is then read to its end). A number that cannot be read leaves the
// stream usable: the record's reader goes on, and the missing "#" brings the parser back in step
// at the next record. Only the end of the text ends the stream.
bool satParser::readNumberText(char* out, int32_t size, bool fractional) {
  int32_t n = 0;
  bool digits = false, overlong = false;
  int c = peek();
  auto take = [&]() {
    if (n < size - 1)
      out[n++] = static_cast<char>(c);
    else
      overlong = true;
    in_->sbumpc();
    c = in_->sgetc() == std::char_traits<char>::eof() ? -1 : in_->sgetc();
  };
  auto takeDigits = [&]() {
    while (isDigit(c)) {
      digits = true;
      take();
    }
  };
  if (c == '+' || c == '-') take();
  takeDigits();
  if (fractional) {
    if (c == '.') {
      take();
      takeDigits();
    }
    if (digits && (c == 'e' || c == 'E')) {
      take();
      if (c == '+' || c == '-') take();
      while (isDigit(c)) take();
    }
  }
  out[n] = 0;
  return digits && !overlong;
}

bool satParser::readInt(int32_t& value) {
  skipBlanks();
  char text[24];
  if (failed_ || !readNumberText(text, sizeof text, false)) return false;
  long long v = std::strtoll(text, nullptr, 10);
  if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
    return false;
  value = static_cast<int32_t>(v);
  return true;
}

bool satParser::readDouble(double& value) {
  skipBlanks();
  char text[80];
  if (failed_ || !readNumberText(text, sizeof text, true)) return false;
  double v = std::strtod(text, nullptr);
  if (!std::isfinite(v)) return false;
  value = v;
  return true;
}

bool satParser::readDoubles(double* values, int32_t n) {
  for (int32_t i = 0; i < n; ++i)
    if (!readDouble(values[i])) return false;
  return true;
}

bool satParser::readString(char*& text, int32_t n) {
  text = g_token;
  g_token[0] = 0;
  skipBlanks();
  int32_t kept = 0;
  if (n < 1) {
    for (int c = peek(); c >= 0 && !isBlank(c); c = peek()) {
      if (kept < kSatTokenSize - 1) g_token[kept++] = static_cast<char>(c);
      in_->sbumpc();
    }
  } else {
    for (int32_t i = 0; i < n; ++i) {
      int c = get();
      if (c < 0) break;
      if (kept < kSatTokenSize - 1) g_token[kept++] = static_cast<char>(c);
    }
  }
  g_token[kept] = 0;
  // A word that ends the text is still a word.
  if (failed_ && kept > 0 && in_->sgetc() == std::char_traits<char>::eof() && n < 1) {
    failed_ = false;
    return true;
  }
  return good();
}

bool satParser::readCountedString(char*& text) {
  skipBlanks();
  // Later writers put "@" before the length.
  if (peek() == '@') in_->sbumpc();
  int32_t length = 0;
  if (!readInt(length)) return readString(text, 0);
  // An empty string (real headers write the date that way) reads nothing further.
  if (length < 1) {
    text = g_token;
    g_token[0] = 0;
    return good();
  }
  return readString(text, length);
}

bool satParser::readReference(char& mark, int32_t& number, char*& word) {
  skipBlanks();
  int c = peek();
  if (c < 0) return false;
  if (c == '-' || c == '$') {
    in_->sbumpc();
    mark = static_cast<char>(c);
    char text[24];
    if (readNumberText(text, sizeof text, false)) {
      long long v = std::strtoll(text, nullptr, 10);
      // A number beyond the range names no record.
      number = v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max()
                   ? static_cast<int32_t>(v)
                   : -1;
    }
    return true;
  }
  mark = ' ';
  int32_t kept = 0;
  while (c >= 0 && !isBlank(c)) {
    if (kept < kSatTokenSize - 1) g_token[kept++] = static_cast<char>(c);
    in_->sbumpc();
    c = peek();
  }
  g_token[kept] = 0;
  word = g_token;
  if (c >= 0) in_->sbumpc();  // the blank after the word
  return kept > 0;
}

acis_Entity* satParser::recordAt(int32_t n) const {
  if (n < 0) return nullptr;
  auto it = records_.find(n);
  return it == records_.end() ? nullptr : it->second;
}

void satParser::addFixup(int32_t n, acis_Entity* holder, int32_t code) {
  if (n < 0 || !holder) return;
  fixups_.push_back(Fixup{n, holder, code});
}

bool satParser::enterNested() {
  if (nesting_ >= kSatMaxNesting) {
    failed_ = true;
    return false;
  }
  ++nesting_;
  return true;
}

SatSubtype* satParser::parseSubtype() {
  if (!enterNested()) return nullptr;
  SatSubtype* result = nullptr;
  char* word = nullptr;
  if (readWord(word)) {
    if (is(word, "ref")) {
      int32_t n = -1;
      if (readInt(n)) {
        result = subtypes_.lookup(n);
        skipSubtype();
      }
    } else {
      int32_t slot = subtypes_.reserve();
      if (inList(word, kIntcurveSubtypes)) {
        result = acis_int_cur::read(*this, word);
      } else if (inList(word, kSplineSubtypes)) {
        result = acis_spl_sur::read(*this, word);
      }
      subtypes_.set(slot, result);
      if (!hashSeen_) skipSubtype();
    }
  }
  leaveNested();
  return result;
}

bool satParser::skipSubtype() {
  char* word = nullptr;
  while (readWord(word) || word[0]) {
    if (word[0] == '}') return true;
    if (word[0] == '#') {
      // The record ended inside the block: the block was never closed.
      hashSeen_ = true;
      terminated_ = true;
      return false;
    }
    if (word[0] == '{') {
      parseSubtype();
      if (hashSeen_) return false;
    }
    if (failed_) break;
  }
  return false;
}

void satParser::restoreCurve() {
  char* word = nullptr;
  if (!readWord(word) || !enterNested()) return;
  acis_Entity* dropped = nullptr;
  if (is(word, "straight"))
    dropped = new acis_Straight(*this, false);
  else if (is(word, "ellipse"))
    dropped = new acis_Ellipse(*this, false);
  else if (is(word, "intcurve"))
    dropped = new acis_Intcurve(*this, false);
  delete dropped;
  leaveNested();
}

void satParser::restoreSurface() {
  char* word = nullptr;
  if (!readWord(word) || !enterNested()) return;
  acis_Entity* dropped = nullptr;
  if (is(word, "cone"))
    dropped = new acis_Cone(*this, false);
  else if (is(word, "plane"))
    dropped = new acis_Plane(*this, false);
  else if (is(word, "sphere"))
    dropped = new acis_Sphere(*this, false);
  else if (is(word, "spline"))
    dropped = new acis_Spline(*this, false);
  else if (is(word, "torus"))
    dropped = new acis_Torus(*this, false);
  delete dropped;
  leaveNested();
}

void satParser::restoreLaw() {
  if (!enterNested()) return;
  readLaw(*this);
  leaveNested();
}

void satParser::restorePcurve() {
  if (!enterNested()) return;
  delete new acis_Pcurve(*this, false);
  leaveNested();
}

bool satParser::skipToEndOfEntity() {
  terminated_ = true;
  if (hashSeen_) return true;
  for (;;) {
    int c = nextNonBlank();
    if (c < 0) break;
    if (c == '#') {
      hashSeen_ = true;
      return true;
    }
    if (c == '{') {
      parseSubtype();
      if (hashSeen_) return true;
    }
  }
  std::cerr << "*** ERROR: " << "Unexpected EOF in satParser::skipToEndOfEntity" << std::endl;
  return false;
}

bool satParser::syntaxError(const char* text) {
  std::cerr << "*** ERROR: " << "Syntax error at sequence number " << currentRecord_ << ": "
            << text << std::endl;
  return skipToEndOfEntity();
}

int32_t satParser::readHeader() {
  if (failed_) return kSatUnreadable;
  int32_t unused = 0;
  readInt(version_);
  readInt(recordCount_);
  readInt(unused);
  readInt(unused);
  if (version_ < 103 || version_ > 500) return kSatUnsupported;
  if (!good()) return kSatPrematureEnd;
  if (version_ >= 200) {
    char* text = nullptr;
    for (int i = 0; i < 3; ++i)
      if (!readCountedString(text)) return kSatPrematureEnd;
    double ignored[3];
    if (!readDoubles(ignored, 3)) return kSatPrematureEnd;
  }
  return kSatParsed;
}

void satParser::storeRecord(acis_Entity* record, bool isBody) {
  owned_.push_back(record);
  ++recordsMade_;
  if (currentRecord_ >= 0) records_[currentRecord_] = record;
  if (isBody) {
    ++bodyCount_;
    bodies_.push_back(static_cast<acis_Body*>(record));
  }
}

bool satParser::readRecord() {
  terminated_ = false;
  hashSeen_ = false;
  if (recordsMade_ >= kSatMaxRecords) return false;
  char mark = ' ';
  int32_t number = 0;
  char* word = nullptr;
  if (!readReference(mark, number, word)) return false;
  if (mark == '-') {
    currentRecord_ = number;
    if (!readReference(mark, number, word)) return false;
  }
  if (mark != ' ') return syntaxError("Bad tag");
  if (is(word, "End-of-ACIS-data") || is(word, "Begin-of-ACIS-History-Data")) return false;
  // The name is copied: reading the record reuses the token buffer.
  char name[kSatTokenSize];
  std::memcpy(name, word, std::strlen(word) + 1);
  acis_Entity* record = makeTopologyRecord(*this, name);
  if (!record) record = makeGeometryRecord(*this, name);
  if (!record) record = makeAttribute(*this, name);
  bool result;
  if (record) {
    storeRecord(record, dynamic_cast<acis_Body*>(record) != nullptr);
    if (!terminated_) {
      int c = nextNonBlank();
      result = c == '#' ? true : syntaxError("Expected '#'");
    } else {
      result = hashSeen_ || good();
    }
  } else {
    result = skipToEndOfEntity();
  }
  if (currentRecord_ < std::numeric_limits<int32_t>::max()) ++currentRecord_;
  return result;
}

void satParser::resolveReferences() {
  for (const Fixup& f : fixups_)
    if (acis_Entity* target = recordAt(f.number)) f.holder->setPointerField(f.code, target);
  fixups_.clear();
}

int32_t satParser::parse() {
  int32_t result = readHeader();
  c_Point::setTolerance(0.007);
  if (result == kSatParsed)
    while (readRecord()) {
    }
  resolveReferences();
  if (result == kSatParsed && bodyCount_ == 0) return kSatNoBody;
  return result;
}

acis_Body* satParser::firstBody() {
  cursor_ = 0;
  return nextBody();
}

acis_Body* satParser::nextBody() {
  if (cursor_ >= bodies_.size()) return nullptr;
  return bodies_[bodies_.size() - 1 - cursor_++];
}
