// The SAT parser: reads the ACIS SAT text of a solid, region or body (versions 103 to 500) from
// a stream buffer and builds one record object per record it knows, patching references between
// records once the text is read. It also owns the subtype objects (the "{ ... }" blocks of
// intersection curves and spline surfaces) and offers the reading primitives that every record
// reads its fields with.
//
// Hostile text is expected: every word and string goes through one bounded token buffer (a longer
// one is read in bounds and cut), record numbers and "$n" references are kept in tables grown only
// by what was actually read (never sized from a count in the text), and nesting of subtypes and
// embedded geometry is bounded.
//
// Not for: drawing (GL_Renderer) or the toolkit's side (SatEntry).
#ifndef SAT_SATPARSER_H
#define SAT_SATPARSER_H

#include <cstdint>
#include <streambuf>
#include <unordered_map>
#include <vector>

class acis_Entity;
class acis_Body;

// The results of satParser::parse.
enum SatParseResult : int32_t {
  kSatUnreadable = 0,    // the stream was not readable at the start
  kSatUnsupported = 1,   // version below 103 or above 500
  kSatPrematureEnd = 2,  // the text ended inside the header
  kSatNoBody = 3,        // records were read, none was a body
  kSatParsed = 4,
};

// The base of the subtype objects the parser keeps in its subtype table.
class SatSubtype {
 public:
  virtual ~SatSubtype() = default;
  virtual const char* typeName() const = 0;
};

class SatSubtypeTable {
 public:
  explicit SatSubtypeTable(int32_t capacity);
  ~SatSubtypeTable();
  SatSubtypeTable(const SatSubtypeTable&) = delete;
  SatSubtypeTable& operator=(const SatSubtypeTable&) = delete;
  int32_t reserve();
  void set(int32_t i, SatSubtype* object);  // takes ownership; ignored outside the table
  SatSubtype* lookup(int32_t i) const;      // null outside 0..count-1
  int32_t count() const { return count_; }

 private:
  std::vector<SatSubtype*> entries_;
  int32_t count_ = 0;
};

// A process-wide buffer of this size holds every word and string the parser returns.
constexpr int32_t kSatTokenSize = 248;
// Bounds that keep a hostile text from exhausting the stack or the time of one drawing pass.
constexpr int32_t kSatMaxNesting = 24;
constexpr int32_t kSatMaxRecords = 4000000;

class satParser {
 public:
  explicit satParser(std::streambuf* buffer);
  ~satParser();
  satParser(const satParser&) = delete;
  satParser& operator=(const satParser&) = delete;

  int32_t parse();
  acis_Body* firstBody();
  acis_Body* nextBody();

  int32_t version() const { return version_; }
  int32_t bodyCount() const { return bodyCount_; }
  // The number of records made: the bound of every walk over the records' links.
  int32_t recordsMade() const { return recordsMade_; }

  // Reading primitives; each answers whether the stream is still good afterwards.
  bool readInt(int32_t& value);
  bool readDouble(double& value);
  bool readDoubles(double* values, int32_t n);
  bool readString(char*& text, int32_t n);
  bool readWord(char*& text) { return readString(text, 0); }
  bool readCountedString(char*& text);
  bool readReference(char& mark, int32_t& number, char*& word);
  bool good() const { return !failed_; }
  // The next non-blank character, consumed; -1 at the end.
  int nextNonBlank();

  acis_Entity* recordAt(int32_t n) const;
  void addFixup(int32_t n, acis_Entity* holder, int32_t code);

  SatSubtype* parseSubtype();
  bool skipSubtype();
  void restoreCurve();
  void restoreSurface();
  void restoreLaw();
  void restorePcurve();
  bool skipToEndOfEntity();
  bool syntaxError(const char* text);

  // Embedded readers count their depth here; beyond kSatMaxNesting the text counts as broken and
  // the stream is failed, which ends the parse.
  bool enterNested();
  void leaveNested() { --nesting_; }

 private:
  int get();
  int peek();
  void skipBlanks();
  bool readNumberText(char* out, int32_t size, bool fractional);
  int32_t readHeader();
  bool readRecord();
  void resolveReferences();
  void storeRecord(acis_Entity* record, bool isBody);

  struct Fixup {
    int32_t number;
    acis_Entity* holder;
    int32_t code;
  };

  std::streambuf* in_;  // the caller's; not owned
  bool failed_ = false;
  int32_t currentRecord_ = 0;
  int32_t bodyCount_ = 0;
  int32_t recordsMade_ = 0;
  bool terminated_ = false;
  bool hashSeen_ = false;  // the current record's "#" has been read
  int32_t version_ = 0;
  int32_t recordCount_ = 0;
  int32_t nesting_ = 0;
  std::unordered_map<int32_t, acis_Entity*> records_;
  std::vector<acis_Entity*> owned_;  // every record made, in the order made
  std::vector<Fixup> fixups_;
  std::vector<acis_Body*> bodies_;  // newest first
  size_t cursor_ = 0;
  SatSubtypeTable subtypes_;
};

#endif
