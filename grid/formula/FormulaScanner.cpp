// The formula scanner. Every rule is tried at the current character and the longest match wins;
// a tie goes to the rule listed first. A character that no rule takes becomes an error token.
#include "FormulaScanner.h"

#include "EngineCellRef.h"
#include "EngineErrors.h"

#include <cstring>

namespace {

bool IsLetter(unsigned char ch) { return (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z'); }
bool IsDigit(unsigned char ch) { return ch >= '0' && ch <= '9'; }
bool IsHex(unsigned char ch) {
  return IsDigit(ch) || (ch >= 'a' && ch <= 'f') || (ch >= 'A' && ch <= 'F');
}
bool IsNameChar(unsigned char ch) { return IsLetter(ch) || IsDigit(ch) || ch == '_' || ch == '.' || ch == '$'; }

// Each rule answers the length it matches at p (0 for none); end is the end of the input.
int MatchCell(const unsigned char* p, const unsigned char* end) {
  const unsigned char* q = p;
  if (q < end && *q == '$') q++;
  int letters = 0;
  while (q < end && IsLetter(*q) && letters < 3) { q++; letters++; }
  if (letters == 0) return 0;
  if (q < end && *q == '$') q++;
  int digits = 0;
  while (q < end && IsDigit(*q) && digits < 7) { q++; digits++; }
  return digits == 0 ? 0 : (int)(q - p);
}

// A name that is a range written with dots (A1..B2, A1.B2, and A1..Total where Total names a
// range) gives only the cell before the first dot, and *cellPrefix is set: the rest follows as
// tokens of its own. Nothing after that dot is looked at, so that a long run of such ranges is
// scanned in linear time.
int MatchName(const unsigned char* p, const unsigned char* end, bool* cellPrefix) {
  *cellPrefix = false;
  if (!(IsLetter(*p) || *p == '_' || *p == '$')) return 0;
  const unsigned char* q = p + 1;
  while (q < end && IsNameChar(*q)) {
    // The longest cell is "$" three letters "$" and seven digits.
    if (*q == '.' && !*cellPrefix && q - p <= 13) {
      EngineCellRef first;
      if (ParseCellReference(CString(reinterpret_cast<const char*>(p), (int)(q - p)), &first)) {
        *cellPrefix = true;
        return (int)(q - p);
      }
    }
    if (*q == '.')
      break;
    q++;
  }
  while (q < end && IsNameChar(*q)) q++;
  return (int)(q - p);
}

int MatchFunction(const unsigned char* p, const unsigned char* end) {
  if (*p != '@') return 0;
  const unsigned char* q = p + 1;
  while (q < end && (IsLetter(*q) || IsDigit(*q) || *q == '_')) q++;
  return (int)(q - p);
}

int MatchString(const unsigned char* p, const unsigned char* end) {
  if (*p != '"') return 0;
  for (const unsigned char* q = p + 1; q < end; q++) {
    if (*q == '\\') {
      if (++q >= end) return 0;
    } else if (*q == '"') {
      return (int)(q + 1 - p);
    }
  }
  return 0;  // no closing quote: the quote is an invalid character
}

int MatchHex(const unsigned char* p, const unsigned char* end) {
  if (end - p < 3 || p[0] != '0' || (p[1] != 'x' && p[1] != 'X') || !IsHex(p[2])) return 0;
  const unsigned char* q = p + 2;
  while (q < end && IsHex(*q)) q++;
  return (int)(q - p);
}

int MatchNumber(const unsigned char* p, const unsigned char* end) {
  const unsigned char* q = p;
  int intDigits = 0, fracDigits = 0;
  while (q < end && IsDigit(*q)) { q++; intDigits++; }
  if (q < end && *q == '.') {
    const unsigned char* r = q + 1;
    while (r < end && IsDigit(*r)) { r++; fracDigits++; }
    if (intDigits > 0 || fracDigits > 0) q = r;
  }
  if (intDigits == 0 && fracDigits == 0) return 0;
  // Only a lowercase e starts an exponent: 1E3 is the number 1 and the cell E3.
  if (q < end && *q == 'e') {
    const unsigned char* r = q + 1;
    if (r < end && (*r == '+' || *r == '-')) r++;
    const unsigned char* d = r;
    while (r < end && IsDigit(*r)) r++;
    if (r > d) q = r;
  }
  return (int)(q - p);
}

int MatchComment(const unsigned char* p, const unsigned char* end) {
  if (end - p < 2 || p[0] != '/' || p[1] != '/') return 0;
  const unsigned char* q = p + 2;
  while (q < end && *q != '\n') q++;
  return (int)(q - p);
}

struct OperatorRule {
  const char* text;
  int kind;
};
// Longest first, so that the first match is the longest.
const OperatorRule kOperators[] = {
    {"#AND#", TOK_AND}, {"#NOT#", TOK_NOT}, {"#OR#", TOK_OR},
    {"**", TOK_POWER}, {"&&", TOK_AND}, {"||", TOK_OR}, {"<<", TOK_SHL}, {">>", TOK_SHR},
    {"<=", TOK_LE}, {">=", TOK_GE}, {"!=", TOK_NE}, {"<>", TOK_NE}, {"==", TOK_EQEQ},
    {"..", TOK_DOTDOT}, {"??", TOK_PLACEHOLDER},
    {";", TOK_SEMICOLON}, {":", TOK_COLON}, {",", TOK_COMMA}, {"?", TOK_QUESTION}, {"#", TOK_HASH},
    {"\\", TOK_BACKSLASH}, {"+", TOK_PLUS}, {"-", TOK_MINUS}, {"*", TOK_STAR}, {"/", TOK_SLASH},
    {"%", TOK_PERCENT}, {"|", TOK_BAR}, {"^", TOK_CARET}, {"&", TOK_AMP}, {"!", TOK_NOT},
    {"~", TOK_TILDE}, {"<", TOK_LT}, {">", TOK_GT}, {"(", TOK_LPAREN}, {")", TOK_RPAREN},
    {"{", TOK_LBRACE}, {"}", TOK_RBRACE}, {"=", TOK_EQUAL}, {".", TOK_DOT},
};

int MatchOperator(const unsigned char* p, const unsigned char* end, int* kind) {
  for (const OperatorRule& op : kOperators) {
    size_t n = std::strlen(op.text);
    if ((size_t)(end - p) < n) continue;
    bool same = true;
    for (size_t i = 0; i < n && same; i++) {
      unsigned char a = p[i], b = (unsigned char)op.text[i];
      if (a >= 'a' && a <= 'z') a = (unsigned char)(a - 32);  // word operators in either case
      same = a == b;
    }
    if (same) {
      *kind = op.kind;
      return (int)n;
    }
  }
  return 0;
}

}  // namespace

GX_PARSE_STATE* GetParseState() {
  static GX_PARSE_STATE s_state;
  return &s_state;
}

void SetScanInput(const char* text) {
  GX_PARSE_STATE* st = GetParseState();
  st->m_input = text;
  st->m_nConsumed = 0;
  st->m_nPosition = 0;
  st->m_nUnterminatedFrom = -1;
  st->m_bStarted = true;
}

FormulaToken ScanFormulaToken() {
  GX_PARSE_STATE* st = GetParseState();
  const unsigned char* base = reinterpret_cast<const unsigned char*>((const char*)st->m_input);
  const unsigned char* end = base + st->m_input.GetLength();
  FormulaToken tok;
  for (;;) {
    const unsigned char* p = base + st->m_nConsumed;
    if (p >= end) {
      tok.kind = TOK_END;
      tok.pos = st->m_nPosition;
      return tok;
    }
    if (*p == ' ' || *p == '\t') {
      st->m_nConsumed++;
      st->m_nPosition++;
      continue;
    }
    if (*p == '\n') {  // skipped without counting, as the position is within one line
      st->m_nConsumed++;
      continue;
    }
    break;
  }
  const unsigned char* p = base + st->m_nConsumed;
  tok.pos = st->m_nPosition;

  // A string that finds no closing quote from one offset finds none from any later quote either
  // (a later quote is one the first scan took as escaped, and from there both scans agree), so
  // each unterminated string is looked for once.
  int stringLen = 0;
  if (*p == '"' && (st->m_nUnterminatedFrom < 0 || st->m_nConsumed < st->m_nUnterminatedFrom)) {
    stringLen = MatchString(p, end);
    if (stringLen == 0)
      st->m_nUnterminatedFrom = st->m_nConsumed;
  }

  // Each rule's match, in rule order; the longest wins and the earlier wins a tie.
  int opKind = TOK_ERROR;
  bool cellPrefix = false;
  const int lengths[] = {
      MatchCell(p, end), MatchName(p, end, &cellPrefix), MatchFunction(p, end), stringLen,
      MatchHex(p, end), MatchNumber(p, end), MatchComment(p, end), MatchOperator(p, end, &opKind),
  };
  int best = -1, bestLen = 0;
  for (int i = 0; i < (int)(sizeof(lengths) / sizeof(lengths[0])); i++)
    if (lengths[i] > bestLen) {
      best = i;
      bestLen = lengths[i];
    }

  const char* s = reinterpret_cast<const char*>(p);
  switch (best) {
    case 0: {  // cell name
      tok.text = CString(s, bestLen);
      const char* letters = s[0] == '$' ? s + 1 : s;
      tok.kind = ColumnLettersToIndex(letters) >= 0 ? TOK_CELL : TOK_NAME;
      break;
    }
    case 1:  // a name, or the cell that begins a range written with dots
      tok.kind = cellPrefix ? TOK_CELL : TOK_NAME;
      tok.text = CString(s, bestLen);
      break;
    case 2:
      tok.kind = TOK_FUNCTION;
      tok.text = CString(s + 1, bestLen - 1);
      break;
    case 3:
      tok.kind = TOK_STRING;
      tok.text = CString(s + 1, bestLen - 2);
      break;
    case 4:
      tok.kind = TOK_HEX;
      tok.text = CString(s + 2, bestLen - 2);
      break;
    case 5:
      tok.kind = TOK_NUMBER;
      tok.text = CString(s, bestLen);
      break;
    case 6:
      tok.kind = TOK_COMMENT;
      tok.text = CString(s + 2, bestLen - 2);
      break;
    case 7:
      tok.kind = opKind;
      break;
    default:  // no rule matched: one invalid character
      tok.kind = TOK_ERROR;
      tok.error = ENGINE_ERR_INVALID_CHARACTER;
      bestLen = 1;
      break;
  }
  st->m_nConsumed += bestLen;
  st->m_nPosition += bestLen;
  return tok;
}
