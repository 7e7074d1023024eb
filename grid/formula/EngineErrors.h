// The numbered errors of the formula engine (compilation, evaluation, scanning) and their fixed
// English texts. The numbers travel in the engine state, in error values of cells and in archives,
// so they never change meaning.
// Not for: formatting the messages that quote these texts (the evaluator and the formula sheet do).
#ifndef GRID_FORMULA_ENGINEERRORS_H
#define GRID_FORMULA_ENGINEERRORS_H

// The numbers the engine itself raises.
enum EngineError {
  ENGINE_ERR_UNKNOWN = 0,
  ENGINE_ERR_OUT_OF_MEMORY = 5,
  ENGINE_ERR_HEX_TOO_LARGE = 88,
  ENGINE_ERR_BLANK_OPERAND = 60,
  ENGINE_ERR_DIVIDE_BY_ZERO = 70,
  ENGINE_ERR_LOST_REFERENCE = 89,
  ENGINE_ERR_OPERAND_NE = 90,
  ENGINE_ERR_OPERAND_CONCAT = 91,
  ENGINE_ERR_OPERAND_LE = 92,
  ENGINE_ERR_OPERAND_LT = 93,
  ENGINE_ERR_OPERAND_EQ = 94,
  ENGINE_ERR_OPERAND_GE = 95,
  ENGINE_ERR_OPERAND_GT = 96,
  ENGINE_ERR_RELATIVE_OUTSIDE = 110,
  ENGINE_ERR_MODULO_BY_ZERO = 122,
  ENGINE_ERR_NON_NUMERIC = 128,
  ENGINE_ERR_OPERAND_ERROR = 133,
  ENGINE_ERR_INTEGER_RANGE = 136,
  ENGINE_ERR_CONCAT_TYPES = 140,
  ENGINE_ERR_RANGE_OPERANDS = 141,
  ENGINE_ERR_RESULT_IS_RANGE = 149,
  ENGINE_ERR_STRING_TOO_LONG = 150,
  ENGINE_ERR_INVALID_CHARACTER = 223,
  ENGINE_ERR_UNEXPECTED = 225,
  ENGINE_ERR_CELL_OUT_OF_RANGE = 226,
  ENGINE_ERR_UNDEFINED_FUNCTION = 227,
  ENGINE_ERR_FREEING_NODE = 228,
  ENGINE_ERR_TOO_MANY_ARGUMENTS = 229,
  ENGINE_ERR_TOO_FEW_ARGUMENTS = 230,
  ENGINE_ERR_EXPECTED_TOKEN = 231,  // plus the token kind that was expected
  ENGINE_ERR_EXPECTED_OPERAND = 274,
  ENGINE_ERR_EXPECTED_RANGE_END = 275,
  ENGINE_ERR_TOKEN_OVERFLOW = 280,
  ENGINE_ERR_UNDEFINED_NAME = 281,
  ENGINE_ERR_UNREPRESENTABLE = 282,
  ENGINE_ERR_UNRESOLVED_NAME = 283,
  ENGINE_ERR_UNCONSUMED = 284,
};

enum { ENGINE_ERROR_COUNT = 382 };

// The text of an error number; numbers outside 0..381 give the text of 0, "unknown error", and
// numbers without a message the empty text.
const char* GetEngineErrorText(int number);

#endif  // GRID_FORMULA_ENGINEERRORS_H
