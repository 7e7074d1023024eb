// The engine's error texts by number.
#include "EngineErrors.h"

#include <gtest/gtest.h>

#include <string>

TEST(EngineErrors, TextsByNumber) {
  static const struct {
    int number;
    const char* text;
  } kCases[] = {
      {0, "unknown error"},
      {-1, "unknown error"},
      {382, "unknown error"},
      {1, ""},
      {222, ""},
      {378, ""},
      {5, "out of memory"},
      {41, "\"#\" in primary expression"},
      {70, "divide by zero"},
      {89, "illegal cell or range reference"},
      {210, "iterative calculcation not supported with \"As Needed\""},
      {227, "undefined function"},
      {231, "expected to find \";\" here"},
      {253, "expected to find \"=\" here"},
      {271, "expected to find the end of formula here"},
      {355, "ending line with a \\"},
      {381, "precompiled regular expression is invalid"},
  };
  for (const auto& c : kCases)
    EXPECT_EQ(std::string(GetEngineErrorText(c.number)), c.text) << c.number;
}

// The expected-token messages follow the token kinds: 231 plus the kind.
TEST(EngineErrors, ExpectedTokenMessagesFollowTokenKinds) {
  static const struct {
    int kind;
    const char* token;
  } kCases[] = {{0, "\";\""}, {18, "\"(\""}, {23, "\"**\""}, {32, "\"..\""}, {33, "a cell name"},
                {37, "a number"}, {42, "a \".\""}};
  for (const auto& c : kCases) {
    std::string text = GetEngineErrorText(231 + c.kind);
    EXPECT_NE(text.find(c.token), std::string::npos) << c.kind << ": " << text;
  }
}
