// Compiled formulas and the parser that makes them: a recursive-descent parser over the formula
// scanner that compiles formula text into a flat array of nodes with the roots of the formula's
// three parts (expression, constraint, target range), and `FormulaToText`, which writes a compiled
// formula back as text for editing and saving. The first error stops a parse and is reported by
// number and character position in the engine state.
// Not for: evaluating the nodes (FormulaEval.h).
#ifndef GRID_FORMULA_FORMULAPARSER_H
#define GRID_FORMULA_FORMULAPARSER_H

#include "EngineCellRef.h"

#include "Str.h"

#include <cstdint>

struct EngineFunction;

enum FormulaNodeKind : uint8_t {
  NODE_OPERATOR = 0, NODE_NUMBER, NODE_STRING, NODE_CELL, NODE_RANGE, NODE_NAME, NODE_NAMED_CELL,
  NODE_NAMED_RANGE, NODE_FUNCTION, NODE_ARG, NODE_RELATIVE, NODE_EXTENSION,
};

enum : uint32_t {
  NODE_FLAG_PARENS = 1u << 8,
  NODE_FLAG_HEX = 1u << 9,
  NODE_FLAG_UNEVALUATED = 1u << 10,
  NODE_FLAG_UNTRACKED = 1u << 12,
};

enum : uint16_t { NODE_NONE = 0xFFFF, FORMULA_MAX_NODES = 200, FORMULA_MAX_ARGS = 100 };

// Operator codes of OPERATOR nodes.
enum FormulaOperator : uint32_t {
  OP_ADD = 0, OP_SUB, OP_PLUS, OP_NEG, OP_MUL, OP_DIV, OP_POW, OP_MOD, OP_AND, OP_OR, OP_NOT,
  OP_CONCAT, OP_BITOR, OP_BITXOR, OP_BITNOT, OP_SHL, OP_SHR, OP_EQ, OP_NE, OP_LT, OP_GT, OP_LE, OP_GE,
  OP_COND, OP_RANGE, OP_PERCENT, OP_LOST,
};

struct FormulaNode {
  uint32_t kindFlags;  // kind in the low byte, flags above
  uint16_t child[2];   // first and second operand; ARG: expression and next argument
  union {
    uint32_t op;
    double number;
    char* text;  // STRING and NAME, engine-tracked
    EngineCellRef ref;
    EngineName* name;
    const EngineFunction* function;
    struct {
      uint16_t prev, accepts;  // previous argument; the kinds its parameter takes
    } arg;
    struct {
      uint16_t rowOffset, colOffset;
    } rel;
    struct {
      uint16_t thenNode, elseNode, owner;
    } ext;
  } u;

  uint8_t Kind() const { return (uint8_t)(kindFlags & 0xFF); }
  bool Has(uint32_t flag) const { return (kindFlags & flag) != 0; }
};
static_assert(sizeof(FormulaNode) == 24, "a formula node is 24 bytes");

struct CompiledFormula {
  uint16_t expression;  // roots; NODE_NONE when absent
  uint16_t constraint;
  uint16_t target;
  uint16_t count;
  FormulaNode* nodes;  // engine-tracked
  char* comment;       // engine-tracked or null
};

// Compiles text into *out (which the caller owns: free its parts with ClearCompiledFormula);
// stores the error flag, number and position in the engine state; true on success.
bool ParseFormula(int sheet, const char* text, CompiledFormula* out);
// The children of a node (operands, branches, arguments, offsets), NODE_NONE where absent.
void FormulaNodeChildren(const FormulaNode& node, uint16_t out[3]);
// A new compiled formula on the engine heap, or null with the error in the engine state.
CompiledFormula* CompileFormulaText(int sheet, const char* text);
CString FormulaToText(int sheet, const CompiledFormula* formula);

void ClearCompiledFormula(CompiledFormula* formula);
void FreeCompiledFormula(CompiledFormula* formula);
CompiledFormula* DuplicateCompiledFormula(const CompiledFormula* formula);

// Whether the formula holds CELL, RANGE, NAMED_CELL, NAMED_RANGE or FUNCTION nodes.
bool FormulaHasReferences(const CompiledFormula* formula);
bool FormulaRefersToName(const CompiledFormula* formula, const EngineName* name);
// Turns the nodes naming entry into plain CELL or RANGE nodes with its current range.
void ReplaceNameNodes(CompiledFormula* formula, const EngineName* entry);
// Marks which nodes lie inside the constraint expression (inConstraint[i] for node i).
void MarkConstraintNodes(const CompiledFormula* formula, bool* inConstraint);

// Resolves the backslash escapes of a string literal (\n, \t, \", \\, \x41, \101 ...).
CString ResolveFormulaEscapes(const char* text, int len);

#endif  // GRID_FORMULA_FORMULAPARSER_H
