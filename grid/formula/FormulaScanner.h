// The formula scanner: splits formula text held in memory into tokens for the parser, by
// longest match over the lexical rules of the formula language (on equal length the earlier rule
// wins). Invalid characters are tokens of their own, never failures; a scanner that cannot go on
// answers with an error token instead of ending the process.
// Not for: what the tokens mean together (FormulaParser.h).
#ifndef GRID_FORMULA_FORMULASCANNER_H
#define GRID_FORMULA_FORMULASCANNER_H

#include "Object.h"
#include "Str.h"

#include <cstdint>

enum FormulaTokenKind {
  TOK_SEMICOLON = 0, TOK_COLON, TOK_COMMA, TOK_QUESTION, TOK_HASH, TOK_BACKSLASH, TOK_PLUS, TOK_MINUS,
  TOK_STAR, TOK_SLASH, TOK_PERCENT, TOK_BAR, TOK_CARET, TOK_AMP, TOK_NOT, TOK_TILDE, TOK_LT, TOK_GT,
  TOK_LPAREN, TOK_RPAREN, TOK_LBRACE, TOK_RBRACE, TOK_EQUAL,
  TOK_POWER = 23, TOK_AND, TOK_OR, TOK_SHL, TOK_SHR, TOK_LE, TOK_GE, TOK_NE, TOK_EQEQ, TOK_DOTDOT,
  TOK_CELL = 33, TOK_NAME, TOK_FUNCTION, TOK_STRING, TOK_NUMBER, TOK_HEX, TOK_COMMENT, TOK_END,
  TOK_ERROR = 41, TOK_DOT = 42, TOK_PLACEHOLDER = 43, TOK_RANGE_END = 44,
};

struct FormulaToken {
  int32_t kind = TOK_END;
  int32_t error = 0;  // 223 for an invalid character
  CString text;       // for the kinds that carry text
  int32_t pos = 0;    // 0-based offset of the token's first character
};

// The scanner's state, one per process: the input and how far it has been read.
class GX_PARSE_STATE : public CObject {
 public:
  CString m_input;
  int m_nConsumed = 0;  // characters of the input already scanned
  int m_nPosition = 0;  // the running position counter
  int m_nUnterminatedFrom = -1;  // no string closes from this offset on; -1 not known
  bool m_bStarted = false;
};

GX_PARSE_STATE* GetParseState();
void SetScanInput(const char* text);
FormulaToken ScanFormulaToken();

#endif  // GRID_FORMULA_FORMULASCANNER_H
