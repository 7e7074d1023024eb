// The scanner's tokens: kinds, texts and positions, by longest match.
#include "FormulaScanner.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

struct Tok {
  int kind;
  const char* text;  // null: not checked
  int pos;           // -1: not checked
};

std::vector<FormulaToken> ScanAll(const char* text) {
  SetScanInput(text);
  std::vector<FormulaToken> out;
  for (size_t guard = 0, n = std::strlen(text); guard <= n; guard++) {
    out.push_back(ScanFormulaToken());
    if (out.back().kind == TOK_END)
      break;
  }
  return out;
}

}  // namespace

TEST(FormulaScanner, TokensOfFormulas) {
  static const struct {
    const char* text;
    std::vector<Tok> tokens;  // end token included
  } kCases[] = {
      {"=A1+B2", {{TOK_EQUAL, nullptr, 0}, {TOK_CELL, "A1", 1}, {TOK_PLUS, nullptr, 3}, {TOK_CELL, "B2", 4},
                  {TOK_END, nullptr, 6}}},
      {"A1..B2", {{TOK_CELL, "A1", 0}, {TOK_DOTDOT, nullptr, 2}, {TOK_CELL, "B2", 4}, {TOK_END, nullptr, 6}}},
      {"A1.B2", {{TOK_CELL, "A1", 0}, {TOK_DOT, nullptr, 2}, {TOK_CELL, "B2", 3}, {TOK_END, nullptr, 5}}},
      {"$A$1..$B$2", {{TOK_CELL, "$A$1", 0}, {TOK_DOTDOT, nullptr, 4}, {TOK_CELL, "$B$2", 6}, {TOK_END, nullptr, 10}}},
      {"A1:B2", {{TOK_CELL, "A1", 0}, {TOK_COLON, nullptr, 2}, {TOK_CELL, "B2", 3}, {TOK_END, nullptr, 5}}},
      {"1E3", {{TOK_NUMBER, "1", 0}, {TOK_CELL, "E3", 1}, {TOK_END, nullptr, 3}}},
      {"1e3", {{TOK_NUMBER, "1e3", 0}, {TOK_END, nullptr, 3}}},
      {"1.5e-2 .5 7.", {{TOK_NUMBER, "1.5e-2", 0}, {TOK_NUMBER, ".5", 7}, {TOK_NUMBER, "7.", 10}, {TOK_END, nullptr, 12}}},
      {"1e+", {{TOK_NUMBER, "1", 0}, {TOK_NAME, "e", 1}, {TOK_PLUS, nullptr, 2}, {TOK_END, nullptr, 3}}},
      {"#and# #Or# #NOT#", {{TOK_AND, nullptr, 0}, {TOK_OR, nullptr, 6}, {TOK_NOT, nullptr, 11}, {TOK_END, nullptr, 16}}},
      {"#XOR#", {{TOK_HASH, nullptr, 0}, {TOK_NAME, "XOR", 1}, {TOK_HASH, nullptr, 4}, {TOK_END, nullptr, 5}}},
      {"XFD1", {{TOK_NAME, "XFD1", 0}, {TOK_END, nullptr, 4}}},
      {"A12345678", {{TOK_NAME, "A12345678", 0}, {TOK_END, nullptr, 9}}},
      {"A1.5", {{TOK_CELL, "A1", 0}, {TOK_NUMBER, ".5", 2}, {TOK_END, nullptr, 4}}},
      {"A1..Total", {{TOK_CELL, "A1", 0}, {TOK_DOTDOT, nullptr, 2}, {TOK_NAME, "Total", 4}, {TOK_END, nullptr, 9}}},
      {"Total.x", {{TOK_NAME, "Total.x", 0}, {TOK_END, nullptr, 7}}},
      {"'", {{TOK_ERROR, nullptr, 0}, {TOK_END, nullptr, 1}}},
      {"@sum(x)", {{TOK_FUNCTION, "sum", 0}, {TOK_LPAREN, nullptr, 4}, {TOK_NAME, "x", 5}, {TOK_RPAREN, nullptr, 6},
                   {TOK_END, nullptr, 7}}},
      {"\"a\\\"b\"", {{TOK_STRING, "a\\\"b", 0}, {TOK_END, nullptr, 6}}},
      {"\"open", {{TOK_ERROR, nullptr, 0}, {TOK_NAME, "open", 1}, {TOK_END, nullptr, 5}}},
      {"0x1F 0X", {{TOK_HEX, "1F", 0}, {TOK_NUMBER, "0", 5}, {TOK_NAME, "X", 6}, {TOK_END, nullptr, 7}}},
      {"1//note\n", {{TOK_NUMBER, "1", 0}, {TOK_COMMENT, "note", 1}, {TOK_END, nullptr, 7}}},
      {"a\n\tb", {{TOK_NAME, "a", 0}, {TOK_NAME, "b", 2}, {TOK_END, nullptr, 3}}},
      {"** && || << >> <= >= != <> == .. ??",
       {{TOK_POWER, nullptr, 0}, {TOK_AND, nullptr, 3}, {TOK_OR, nullptr, 6}, {TOK_SHL, nullptr, 9},
        {TOK_SHR, nullptr, 12}, {TOK_LE, nullptr, 15}, {TOK_GE, nullptr, 18}, {TOK_NE, nullptr, 21},
        {TOK_NE, nullptr, 24}, {TOK_EQEQ, nullptr, 27}, {TOK_DOTDOT, nullptr, 30}, {TOK_PLACEHOLDER, nullptr, 33},
        {TOK_END, nullptr, 35}}},
      {";:,?#\\+-*/%|^&!~><(){}=",
       {{0, nullptr, 0}, {1, nullptr, 1}, {2, nullptr, 2}, {3, nullptr, 3}, {4, nullptr, 4}, {5, nullptr, 5},
        {6, nullptr, 6}, {7, nullptr, 7}, {8, nullptr, 8}, {9, nullptr, 9}, {10, nullptr, 10}, {11, nullptr, 11},
        {12, nullptr, 12}, {13, nullptr, 13}, {14, nullptr, 14}, {15, nullptr, 15}, {17, nullptr, 16},
        {16, nullptr, 17}, {18, nullptr, 18}, {19, nullptr, 19}, {20, nullptr, 20}, {21, nullptr, 21},
        {22, nullptr, 22}, {TOK_END, nullptr, 23}}},
  };
  for (const auto& c : kCases) {
    std::vector<FormulaToken> got = ScanAll(c.text);
    ASSERT_EQ(got.size(), c.tokens.size()) << c.text;
    for (size_t i = 0; i < got.size(); i++) {
      EXPECT_EQ(got[i].kind, c.tokens[i].kind) << c.text << " token " << i;
      if (c.tokens[i].text != nullptr) {
        EXPECT_EQ(std::string(got[i].text), c.tokens[i].text) << c.text << " token " << i;
      }
      if (c.tokens[i].pos >= 0) {
        EXPECT_EQ(got[i].pos, c.tokens[i].pos) << c.text << " token " << i;
      }
    }
  }
}

// Bytes that no rule takes are error tokens one at a time; the scanner goes on after them.
TEST(FormulaScanner, InvalidCharactersAreErrorTokens) {
  static const char* const kTexts[] = {"'", "[", "]", "`", "\x01", "\x80", "\xff", "\""};
  for (const char* text : kTexts) {
    std::vector<FormulaToken> got = ScanAll(text);
    ASSERT_EQ(got.size(), 2u) << (int)(unsigned char)text[0];
    EXPECT_EQ(got[0].kind, TOK_ERROR);
    EXPECT_EQ(got[0].error, 223);
  }
  // End of input repeats.
  SetScanInput("");
  EXPECT_EQ(ScanFormulaToken().kind, TOK_END);
  EXPECT_EQ(ScanFormulaToken().kind, TOK_END);
}

// A token longer than any buffer is still one token.
TEST(FormulaScanner, LongTokensStayWhole) {
  std::string s = "\"" + std::string(40000, 'x') + "\"";
  std::vector<FormulaToken> got = ScanAll(s.c_str());
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].kind, TOK_STRING);
  EXPECT_EQ(got[0].text.GetLength(), 40000);
}

// Texts made of many ranges written with dots, or of many quotes that never close, are scanned
// token by token without looking at the rest of the text again for each one.
TEST(FormulaScanner, LongRunsOfDottedRangesAndOpenQuotes) {
  const int n = 100000;
  std::string dotted;
  std::string quotes;
  for (int i = 0; i < n; i++) {
    dotted += "A1.";
    quotes += "\"\\";
  }
  std::vector<FormulaToken> got = ScanAll(dotted.c_str());
  ASSERT_EQ(got.size(), (size_t)(2 * n + 1));
  EXPECT_EQ(got[0].kind, TOK_CELL);
  EXPECT_EQ(got[1].kind, TOK_DOT);
  EXPECT_EQ(got[2 * n - 2].kind, TOK_CELL);
  EXPECT_EQ(got[2 * n - 2].pos, 3 * (n - 1));
  got = ScanAll(quotes.c_str());
  ASSERT_EQ(got.size(), (size_t)(2 * n + 1));
  EXPECT_EQ(got[0].kind, TOK_ERROR);
  EXPECT_EQ(got[1].kind, TOK_BACKSLASH);
  EXPECT_EQ(got[2 * n - 2].kind, TOK_ERROR);
  EXPECT_EQ(got[2 * n - 2].error, 223);
  // A string closes at the first quote its escapes leave; after it an open quote is an error.
  static const int kKinds[] = {TOK_STRING, TOK_NAME, TOK_BACKSLASH, TOK_ERROR, TOK_END};
  got = ScanAll("\"a\\\" \"b\\\"");
  ASSERT_EQ(got.size(), 5u);
  for (size_t i = 0; i < got.size(); i++)
    EXPECT_EQ(got[i].kind, kKinds[i]) << i;
  EXPECT_EQ(std::string(got[0].text), "a\\\" ");
}
