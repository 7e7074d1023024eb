// The formula parser (recursive descent over the scanner's tokens) and the writer that turns a
// compiled formula back into text.
#include "FormulaParser.h"

#include "EngineErrors.h"
#include "EngineState.h"
#include "FormulaFunctions.h"
#include "FormulaScanner.h"

#include "Exception.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

namespace {

enum { kMaxNesting = 200 };

struct ParseFailure {
  int number;
  int pos;
};

bool StartsOperand(int kind) {
  switch (kind) {
    case TOK_HASH: case TOK_LPAREN: case TOK_CELL: case TOK_NAME: case TOK_FUNCTION: case TOK_STRING:
    case TOK_NUMBER: case TOK_HEX: case TOK_PLACEHOLDER:
      return true;
    default:
      return false;
  }
}

class Parser {
 public:
  explicit Parser(int sheet) : m_sheet(sheet) {}
  ~Parser() {
    if (!m_keepTexts)
      FreeTexts();
  }

  void Run(const char* text, CompiledFormula* out) {
    SetScanInput(text);
    FormulaToken t = Next();
    if (t.kind != TOK_EQUAL) {
      if (t.kind == TOK_EQEQ)
        throw ParseFailure{ENGINE_ERR_EXPECTED_OPERAND, 1};
      FailAt(t, ENGINE_ERR_EXPECTED_TOKEN + TOK_EQUAL);
    }
    out->expression = Expression();
    if (Peek().kind == TOK_SEMICOLON) {
      Next();
      out->constraint = Expression();
    }
    if (Peek().kind == TOK_BACKSLASH) {
      Next();
      out->target = Primary();
    }
    CString comment;
    bool hasComment = false;
    if (Peek().kind == TOK_COMMENT) {
      comment = Next().text;
      hasComment = true;
    }
    Expect(TOK_END);
    char* commentCopy = hasComment ? EngineStrDup(comment, (size_t)comment.GetLength()) : nullptr;
    FormulaNode* nodes;
    try {
      nodes = static_cast<FormulaNode*>(EngineAlloc(sizeof(FormulaNode) * (m_count ? m_count : 1)));
    } catch (...) {
      EngineFree(commentCopy);
      EngineRethrow();
    }
    std::memcpy(nodes, m_nodes, sizeof(FormulaNode) * m_count);
    out->count = (uint16_t)m_count;
    out->nodes = nodes;
    out->comment = commentCopy;
    m_keepTexts = true;
  }

 private:
  // Tokens are scanned as the parse needs them, so that a parse that fails early never scans the
  // rest of a long text.
  const FormulaToken& Peek(size_t k = 0) {
    size_t i = m_cur + k;
    while (m_tokens.size() <= i && (m_tokens.empty() || m_tokens.back().kind != TOK_END))
      m_tokens.push_back(ScanFormulaToken());
    return i < m_tokens.size() ? m_tokens[i] : m_tokens.back();
  }
  FormulaToken Next() {
    FormulaToken t = Peek();
    if (t.kind != TOK_END)
      m_cur++;
    return t;
  }
  [[noreturn]] void FailAt(const FormulaToken& t, int number) {
    throw ParseFailure{t.kind == TOK_ERROR ? t.error : number, t.pos};
  }
  void Expect(int kind) {
    FormulaToken t = Next();
    if (t.kind != kind)
      FailAt(t, kind <= TOK_DOT ? ENGINE_ERR_EXPECTED_TOKEN + kind : ENGINE_ERR_UNEXPECTED);
  }

  uint16_t NewNode(uint8_t kind) {
    if (m_count >= FORMULA_MAX_NODES)
      throw ParseFailure{ENGINE_ERR_TOKEN_OVERFLOW, Peek().pos};
    FormulaNode& n = m_nodes[m_count];
    std::memset(&n, 0, sizeof(n));
    n.kindFlags = kind;
    n.child[0] = n.child[1] = NODE_NONE;
    return (uint16_t)m_count++;
  }
  uint16_t NewOperator(uint32_t op, uint16_t a, uint16_t b) {
    uint16_t n = NewNode(NODE_OPERATOR);
    m_nodes[n].u.op = op;
    m_nodes[n].child[0] = a;
    m_nodes[n].child[1] = b;
    return n;
  }
  char* KeepText(const char* text, size_t len) {
    char* p = EngineStrDup(text, len);
    try {
      m_texts.push_back(p);
    } catch (const std::bad_alloc&) {
      EngineFree(p);
      AfxThrowMemoryException();
    }
    return p;
  }
  void FreeTexts() {
    for (char* p : m_texts)
      EngineFree(p);
    m_texts.clear();
  }

  // Guards the recursion of nested parentheses, unary signs and branches.
  struct Depth {
    explicit Depth(Parser* p) : m_p(p) {
      if (++m_p->m_depth > kMaxNesting)
        throw ParseFailure{142, m_p->Peek().pos};  // "operator stack overflow"
    }
    ~Depth() { m_p->m_depth--; }
    Parser* m_p;
  };

  uint16_t Expression() {
    Depth d(this);
    uint16_t cond = OrExpr();
    if (Peek().kind != TOK_QUESTION)
      return cond;
    Next();
    uint16_t x = Expression();
    Expect(TOK_COLON);
    uint16_t y = Expression();
    uint16_t ext = NewNode(NODE_EXTENSION);
    m_nodes[ext].u.ext.thenNode = x;
    m_nodes[ext].u.ext.elseNode = y;
    uint16_t op = NewOperator(OP_COND, cond, ext);
    m_nodes[ext].u.ext.owner = op;
    return op;
  }

  struct BinaryRule {
    int token;
    uint32_t op;
  };
  template <size_t N>
  uint16_t Binary(uint16_t (Parser::*next)(), const BinaryRule (&rules)[N]) {
    uint16_t left = (this->*next)();
    for (;;) {
      int kind = Peek().kind;
      const BinaryRule* hit = nullptr;
      for (const BinaryRule& r : rules)
        if (r.token == kind)
          hit = &r;
      if (hit == nullptr)
        return left;
      Next();
      uint16_t right = (this->*next)();
      left = NewOperator(hit->op, left, right);
    }
  }

  uint16_t OrExpr() { static const BinaryRule r[] = {{TOK_OR, OP_OR}}; return Binary(&Parser::AndExpr, r); }
  uint16_t AndExpr() { static const BinaryRule r[] = {{TOK_AND, OP_AND}}; return Binary(&Parser::BitOr, r); }
  uint16_t BitOr() { static const BinaryRule r[] = {{TOK_BAR, OP_BITOR}}; return Binary(&Parser::BitXor, r); }
  uint16_t BitXor() { static const BinaryRule r[] = {{TOK_CARET, OP_BITXOR}}; return Binary(&Parser::BitAnd, r); }
  uint16_t BitAnd() { static const BinaryRule r[] = {{TOK_AMP, OP_CONCAT}}; return Binary(&Parser::Equality, r); }
  uint16_t Equality() {
    static const BinaryRule r[] = {{TOK_EQUAL, OP_EQ}, {TOK_EQEQ, OP_EQ}, {TOK_NE, OP_NE}};
    return Binary(&Parser::Relational, r);
  }
  uint16_t Relational() {
    static const BinaryRule r[] = {{TOK_LT, OP_LT}, {TOK_GT, OP_GT}, {TOK_LE, OP_LE}, {TOK_GE, OP_GE}};
    return Binary(&Parser::Shift, r);
  }
  uint16_t Shift() {
    static const BinaryRule r[] = {{TOK_SHL, OP_SHL}, {TOK_SHR, OP_SHR}};
    return Binary(&Parser::Additive, r);
  }
  uint16_t Additive() {
    static const BinaryRule r[] = {{TOK_PLUS, OP_ADD}, {TOK_MINUS, OP_SUB}};
    return Binary(&Parser::Multiplicative, r);
  }
  uint16_t Multiplicative() {
    static const BinaryRule r[] = {{TOK_STAR, OP_MUL}, {TOK_SLASH, OP_DIV}, {TOK_PERCENT, OP_MOD}};
    return Binary(&Parser::Unary, r);
  }

  uint16_t Unary() {
    static const BinaryRule r[] = {{TOK_PLUS, OP_PLUS}, {TOK_MINUS, OP_NEG}, {TOK_NOT, OP_NOT}, {TOK_TILDE, OP_BITNOT}};
    for (const BinaryRule& rule : r) {
      if (Peek().kind == rule.token) {
        Depth d(this);
        Next();
        uint16_t operand = Unary();
        return NewOperator(rule.op, operand, NODE_NONE);
      }
    }
    return Power();
  }

  uint16_t Power() {
    static const BinaryRule r[] = {{TOK_POWER, OP_POW}};
    return Binary(&Parser::Postfix, r);
  }

  uint16_t Postfix() {
    uint16_t n = Primary();
    // "%" after an operand is the percent sign unless an operand follows it (then it is modulo).
    if (Peek().kind == TOK_PERCENT && !StartsOperand(Peek(1).kind)) {
      Next();
      n = NewOperator(OP_PERCENT, n, NODE_NONE);
    }
    return n;
  }

  uint16_t CellNode(const FormulaToken& t) {
    EngineCellRef ref;
    if (!ParseCellReference(t.text, &ref))
      throw ParseFailure{ENGINE_ERR_CELL_OUT_OF_RANGE, t.pos};
    uint16_t n = NewNode(NODE_CELL);
    m_nodes[n].u.ref = ref;
    return n;
  }

  uint16_t NamedNode(const FormulaToken& t) {
    EngineCellRef range;
    EngineName* entry = FindEngineName(m_sheet, t.text, &range);
    if (entry == nullptr) {
      uint16_t n = NewNode(NODE_NAME);
      m_nodes[n].u.text = KeepText(t.text, (size_t)t.text.GetLength());
      throw ParseFailure{ENGINE_ERR_UNDEFINED_NAME, t.pos};
    }
    bool single = range.FirstRow() == range.LastRow() && range.FirstCol() == range.LastCol();
    uint16_t n = NewNode(single ? NODE_NAMED_CELL : NODE_NAMED_RANGE);
    m_nodes[n].u.name = entry;
    return n;
  }

  uint16_t Primary() {
    Depth d(this);
    FormulaToken t = Next();
    switch (t.kind) {
      case TOK_LPAREN: {
        uint16_t n = Expression();
        Expect(TOK_RPAREN);
        m_nodes[n].kindFlags |= NODE_FLAG_PARENS;
        return n;
      }
      case TOK_NUMBER: {
        double v = std::strtod(t.text, nullptr);
        if (!std::isfinite(v))
          throw ParseFailure{ENGINE_ERR_UNREPRESENTABLE, t.pos};
        uint16_t n = NewNode(NODE_NUMBER);
        m_nodes[n].u.number = v;
        return n;
      }
      case TOK_HEX: {
        uint32_t v = 0;
        int significant = 0;
        for (const char* p = t.text; *p != '\0'; p++) {
          int digit = *p <= '9' ? *p - '0' : (*p | 0x20) - 'a' + 10;
          if (significant > 0 || digit != 0)
            significant++;
          v = (v << 4) | (uint32_t)digit;
        }
        if (significant > 8)
          throw ParseFailure{ENGINE_ERR_HEX_TOO_LARGE, t.pos};
        uint16_t n = NewNode(NODE_NUMBER);
        m_nodes[n].u.number = (double)(int32_t)v;
        m_nodes[n].kindFlags |= NODE_FLAG_HEX;
        return n;
      }
      case TOK_STRING: {
        CString s = ResolveFormulaEscapes(t.text, t.text.GetLength());
        uint16_t n = NewNode(NODE_STRING);
        m_nodes[n].u.text = KeepText(s, (size_t)s.GetLength());
        return n;
      }
      case TOK_PLACEHOLDER:
        return NewOperator(OP_LOST, NODE_NONE, NODE_NONE);
      case TOK_FUNCTION:
        return FunctionCall(t, Peek().kind == TOK_LPAREN);
      case TOK_HASH: {
        uint16_t n = NewNode(NODE_RELATIVE);
        m_nodes[n].u.rel.rowOffset = NODE_NONE;
        m_nodes[n].u.rel.colOffset = NODE_NONE;
        if (Peek().kind == TOK_LBRACE) {
          Next();
          uint16_t col = Expression();
          m_nodes[n].u.rel.colOffset = col;
          if (Peek().kind == TOK_COMMA) {
            Next();
            uint16_t row = Expression();
            m_nodes[n].u.rel.rowOffset = row;
          }
          Expect(TOK_RBRACE);
        }
        return n;
      }
      case TOK_CELL:
        return RangeTail(CellNode(t));
      case TOK_NAME:
        if (Peek().kind == TOK_LPAREN)
          return FunctionCall(t, true);
        return RangeTail(NamedNode(t));
      default:
        FailAt(t, ENGINE_ERR_EXPECTED_OPERAND);
    }
  }

  uint16_t RangeTail(uint16_t first) {
    int sep = Peek().kind;
    if (sep != TOK_COLON && sep != TOK_DOTDOT && sep != TOK_DOT)
      return first;
    Next();
    FormulaToken t = Next();
    uint16_t second;
    if (t.kind == TOK_CELL)
      second = CellNode(t);
    else if (t.kind == TOK_NAME)
      second = Peek().kind == TOK_LPAREN ? FunctionCall(t, true) : NamedNode(t);
    else if (t.kind == TOK_FUNCTION)
      second = FunctionCall(t, Peek().kind == TOK_LPAREN);
    else
      FailAt(t, ENGINE_ERR_EXPECTED_RANGE_END);
    if (m_nodes[first].Kind() == NODE_CELL && m_nodes[second].Kind() == NODE_CELL) {
      if (second != m_count - 1)
        throw ParseFailure{ENGINE_ERR_FREEING_NODE, t.pos};
      const EngineCellRef a = m_nodes[first].u.ref, b = m_nodes[second].u.ref;
      EngineCellRef r = MakeEngineRangeRef(
          (int32_t)a.FirstRow(), (int32_t)a.FirstCol(), (int32_t)b.FirstRow(), (int32_t)b.FirstCol(),
          (a.FirstColAbs() ? ENGINE_REF_FIRST_COL_ABS : 0) | (a.FirstRowAbs() ? ENGINE_REF_FIRST_ROW_ABS : 0) |
              (b.FirstColAbs() ? ENGINE_REF_LAST_COL_ABS : 0) | (b.FirstRowAbs() ? ENGINE_REF_LAST_ROW_ABS : 0));
      m_nodes[first].kindFlags = (m_nodes[first].kindFlags & ~0xFFu) | NODE_RANGE;
      m_nodes[first].u.ref = r;
      m_count--;
      return first;
    }
    return NewOperator(OP_RANGE, first, second);
  }

  uint16_t FunctionCall(const FormulaToken& nameTok, bool hasParens) {
    CString upper = nameTok.text;
    upper.MakeUpper();
    GX_ENGINE_STATE* st = GetEngineState();
    const EngineFunction* fn = st->m_pResolver != nullptr ? st->m_pResolver->ResolveFunction(upper) : nullptr;
    if (fn == nullptr)
      throw ParseFailure{ENGINE_ERR_UNDEFINED_FUNCTION, nameTok.pos};
    uint16_t call = NewNode(NODE_FUNCTION);
    m_nodes[call].u.function = fn;
    int argCount = 0;
    uint16_t prev = NODE_NONE;
    if (hasParens) {
      Next();  // "("
      if (Peek().kind != TOK_RPAREN) {
        for (;;) {
          if (argCount == FORMULA_MAX_ARGS)
            throw ParseFailure{ENGINE_ERR_TOO_MANY_ARGUMENTS, Peek().pos};
          uint16_t expr = Expression();
          uint16_t arg = NewNode(NODE_ARG);
          m_nodes[arg].child[0] = expr;
          m_nodes[arg].u.arg.prev = prev;
          if (prev == NODE_NONE)
            m_nodes[call].child[0] = arg;
          else
            m_nodes[prev].child[1] = arg;
          prev = arg;
          argCount++;
          if (Peek().kind != TOK_COMMA)
            break;
          Next();
        }
      }
      Expect(TOK_RPAREN);
    }
    // Bind the arguments to the descriptor's parameters.
    int required = 0;
    for (int i = 0; i < fn->paramCount; i++)
      if (!fn->params[i].optional && !fn->params[i].repeating)
        required++;
    if (argCount < required)
      throw ParseFailure{ENGINE_ERR_TOO_FEW_ARGUMENTS, nameTok.pos};
    int index = 0;
    for (uint16_t a = m_nodes[call].child[0]; a != NODE_NONE; a = m_nodes[a].child[1], index++) {
      const EngineFunctionParam* p = nullptr;
      if (index < fn->paramCount)
        p = &fn->params[index];
      else if (fn->paramCount > 0 && fn->params[fn->paramCount - 1].repeating)
        p = &fn->params[fn->paramCount - 1];
      if (p == nullptr)
        throw ParseFailure{ENGINE_ERR_TOO_MANY_ARGUMENTS, nameTok.pos};
      if (p->unevaluated)
        m_nodes[a].kindFlags |= NODE_FLAG_UNEVALUATED;
      m_nodes[a].u.arg.accepts = p->accepts;
      if (index == 0 && std::strcmp(fn->name, "XVALUE") == 0)
        m_nodes[a].kindFlags |= NODE_FLAG_UNTRACKED;
    }
    return call;
  }

  int m_sheet;
  std::vector<FormulaToken> m_tokens;
  size_t m_cur = 0;
  FormulaNode m_nodes[FORMULA_MAX_NODES];
  int m_count = 0;
  int m_depth = 0;
  std::vector<char*> m_texts;  // STRING and NAME texts made during the parse
  bool m_keepTexts = false;
};

void AppendEscaped(CString& out, const char* text) {
  for (const char* p = text; *p != '\0'; p++) {
    switch (*p) {
      case '\f': out += "\\f"; break;
      case '\a': out += "\\a"; break;
      case '\b': out += "\\b"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      case '\v': out += "\\v"; break;
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      default: out += *p; break;
    }
  }
}

const char* OperatorText(uint32_t op) {
  static const char* const kText[] = {"+", "-", "+", "-", "*", "/", "**", "%", "&&", "||", "!", "&", "|", "^",
                                      "~", "<<", ">>", "==", "!=", "<", ">", "<=", ">=", "?", "..", "%", "??"};
  return op < sizeof(kText) / sizeof(kText[0]) ? kText[op] : "?";
}

// A name written without parentheses around it.
bool IsBareName(const CompiledFormula* f, uint16_t index) {
  if (index >= f->count || f->nodes[index].Has(NODE_FLAG_PARENS))
    return false;
  uint8_t k = f->nodes[index].Kind();
  return k == NODE_NAMED_CELL || k == NODE_NAMED_RANGE || k == NODE_NAME;
}

void WriteNode(const CompiledFormula* f, uint16_t index, CString& out) {
  if (index == NODE_NONE || index >= f->count)
    return;
  const FormulaNode& n = f->nodes[index];
  bool parens = n.Has(NODE_FLAG_PARENS);
  if (parens)
    out += '(';
  char buf[64];
  switch (n.Kind()) {
    case NODE_OPERATOR: {
      uint32_t op = n.u.op;
      if (op == OP_PLUS || op == OP_NEG || op == OP_NOT || op == OP_BITNOT) {
        out += OperatorText(op);
        WriteNode(f, n.child[0], out);
      } else if (op == OP_PERCENT) {
        WriteNode(f, n.child[0], out);
        out += '%';
      } else if (op == OP_LOST) {
        out += "??";
      } else if (op == OP_COND) {
        WriteNode(f, n.child[0], out);
        out += '?';
        if (n.child[1] < f->count) {
          const FormulaNode& ext = f->nodes[n.child[1]];
          WriteNode(f, ext.u.ext.thenNode, out);
          out += ':';
          WriteNode(f, ext.u.ext.elseNode, out);
        }
      } else if (op == OP_RANGE && IsBareName(f, n.child[0])) {
        // Dots after a name would be read back as part of the name: the colon separates instead.
        WriteNode(f, n.child[0], out);
        out += ':';
        WriteNode(f, n.child[1], out);
      } else {
        WriteNode(f, n.child[0], out);
        out += OperatorText(op);
        WriteNode(f, n.child[1], out);
      }
      break;
    }
    case NODE_NUMBER:
      if (n.Has(NODE_FLAG_HEX))
        std::snprintf(buf, sizeof(buf), "0x%X", (unsigned)(uint32_t)(int32_t)n.u.number);
      else
        std::snprintf(buf, sizeof(buf), "%.14g", n.u.number);
      out += buf;
      break;
    case NODE_STRING:
      out += '"';
      AppendEscaped(out, n.u.text);
      out += '"';
      break;
    case NODE_CELL:
    case NODE_RANGE: {
      const char* ref = FormatCellReference(n.u.ref);
      out += ref != nullptr ? ref : "??";
      break;
    }
    case NODE_NAME:
      out += n.u.text;
      break;
    case NODE_NAMED_CELL:
    case NODE_NAMED_RANGE:
      out += n.u.name->name;
      break;
    case NODE_FUNCTION: {
      out += n.u.function->name;
      out += '(';
      for (uint16_t a = n.child[0]; a != NODE_NONE && a < f->count; a = f->nodes[a].child[1]) {
        if (a != n.child[0])
          out += ',';
        WriteNode(f, f->nodes[a].child[0], out);
      }
      out += ')';
      break;
    }
    case NODE_RELATIVE:
      out += '#';
      if (n.u.rel.colOffset != NODE_NONE || n.u.rel.rowOffset != NODE_NONE) {
        out += '{';
        if (n.u.rel.colOffset != NODE_NONE)
          WriteNode(f, n.u.rel.colOffset, out);
        else
          out += '0';
        if (n.u.rel.rowOffset != NODE_NONE) {
          out += ',';
          WriteNode(f, n.u.rel.rowOffset, out);
        }
        out += '}';
      }
      break;
    default:
      break;
  }
  if (parens)
    out += ')';
}

}  // namespace

void FormulaNodeChildren(const FormulaNode& n, uint16_t out[3]) {
  out[0] = out[1] = out[2] = NODE_NONE;
  switch (n.Kind()) {
    case NODE_OPERATOR:
    case NODE_FUNCTION:
    case NODE_ARG:
      out[0] = n.child[0];
      out[1] = n.child[1];
      break;
    case NODE_EXTENSION:
      out[0] = n.u.ext.thenNode;
      out[1] = n.u.ext.elseNode;
      break;
    case NODE_RELATIVE:
      out[0] = n.u.rel.colOffset;
      out[1] = n.u.rel.rowOffset;
      break;
    default:
      break;
  }
}

bool ParseFormula(int sheet, const char* text, CompiledFormula* out) {
  out->expression = out->constraint = out->target = NODE_NONE;
  out->count = 0;
  out->nodes = nullptr;
  out->comment = nullptr;
  GX_ENGINE_STATE* st = GetEngineState();
  try {
    Parser parser(sheet);
    parser.Run(text != nullptr ? text : "", out);
    st->m_nErrorFlag = 0;
    st->m_nErrorNumber = 0;
    st->m_nErrorPos = 0;
    return true;
  } catch (const ParseFailure& f) {
    out->expression = out->constraint = out->target = NODE_NONE;
    out->count = 0;
    st->m_nErrorFlag = 1;
    st->m_nErrorNumber = f.number;
    st->m_nErrorPos = f.pos;
    return false;
  } catch (const std::bad_alloc&) {
    AfxThrowMemoryException();
  }
}

CompiledFormula* CompileFormulaText(int sheet, const char* text) {
  CompiledFormula* f = static_cast<CompiledFormula*>(EngineCalloc(sizeof(CompiledFormula)));
  bool ok;
  try {
    ok = ParseFormula(sheet, text, f);
  } catch (...) {
    EngineFree(f);
    EngineRethrow();
  }
  if (!ok) {
    EngineFree(f);
    return nullptr;
  }
  return f;
}

void ClearCompiledFormula(CompiledFormula* f) {
  if (f == nullptr)
    return;
  for (int i = 0; i < f->count; i++) {
    uint8_t k = f->nodes[i].Kind();
    if (k == NODE_STRING || k == NODE_NAME)
      EngineFree(f->nodes[i].u.text);
  }
  EngineFree(f->nodes);
  EngineFree(f->comment);
  f->nodes = nullptr;
  f->comment = nullptr;
  f->count = 0;
  f->expression = f->constraint = f->target = NODE_NONE;
}

void FreeCompiledFormula(CompiledFormula* f) {
  if (f == nullptr)
    return;
  ClearCompiledFormula(f);
  EngineFree(f);
}

CompiledFormula* DuplicateCompiledFormula(const CompiledFormula* src) {
  if (src == nullptr)
    return nullptr;
  CompiledFormula* f = static_cast<CompiledFormula*>(EngineCalloc(sizeof(CompiledFormula)));
  *f = *src;
  f->nodes = nullptr;
  f->comment = nullptr;
  f->count = 0;
  try {
    f->nodes = static_cast<FormulaNode*>(EngineAlloc(sizeof(FormulaNode) * (src->count ? src->count : 1)));
    std::memcpy(f->nodes, src->nodes, sizeof(FormulaNode) * src->count);
    for (int i = 0; i < src->count; i++) {
      uint8_t k = f->nodes[i].Kind();
      if (k == NODE_STRING || k == NODE_NAME)
        f->nodes[i].u.text = nullptr;
    }
    f->count = src->count;
    for (int i = 0; i < src->count; i++) {
      uint8_t k = src->nodes[i].Kind();
      if (k == NODE_STRING || k == NODE_NAME)
        f->nodes[i].u.text = EngineStrDup(src->nodes[i].u.text, std::strlen(src->nodes[i].u.text));
    }
    if (src->comment != nullptr)
      f->comment = EngineStrDup(src->comment, std::strlen(src->comment));
  } catch (...) {
    FreeCompiledFormula(f);
    EngineRethrow();
  }
  return f;
}

CString FormulaToText(int sheet, const CompiledFormula* f) {
  (void)sheet;
  CString out;
  if (f == nullptr || f->expression == NODE_NONE || f->count == 0)
    return out;
  out = "=";
  WriteNode(f, f->expression, out);
  if (f->constraint != NODE_NONE) {
    out += ';';
    WriteNode(f, f->constraint, out);
  }
  if (f->target != NODE_NONE) {
    out += '\\';
    WriteNode(f, f->target, out);
  }
  if (f->comment != nullptr) {
    out += "//";
    out += f->comment;
  }
  return out;
}

bool FormulaHasReferences(const CompiledFormula* f) {
  for (int i = 0; i < f->count; i++) {
    switch (f->nodes[i].Kind()) {
      case NODE_CELL: case NODE_RANGE: case NODE_NAMED_CELL: case NODE_NAMED_RANGE: case NODE_FUNCTION:
      // A relative reference reads another cell as much as a plain one does.
      case NODE_RELATIVE:
        return true;
      default:
        break;
    }
  }
  return false;
}

bool FormulaRefersToName(const CompiledFormula* f, const EngineName* name) {
  for (int i = 0; i < f->count; i++) {
    uint8_t k = f->nodes[i].Kind();
    if ((k == NODE_NAMED_CELL || k == NODE_NAMED_RANGE) && f->nodes[i].u.name == name)
      return true;
  }
  return false;
}

void ReplaceNameNodes(CompiledFormula* f, const EngineName* entry) {
  for (int i = 0; i < f->count; i++) {
    FormulaNode& n = f->nodes[i];
    uint8_t k = n.Kind();
    if ((k != NODE_NAMED_CELL && k != NODE_NAMED_RANGE) || n.u.name != entry)
      continue;
    EngineCellRef r = entry->range;
    r.SetSingle(k == NODE_NAMED_CELL);
    NormalizeEngineRange(&r);
    n.kindFlags = (n.kindFlags & ~0xFFu) | (k == NODE_NAMED_CELL ? NODE_CELL : NODE_RANGE);
    n.u.ref = r;
  }
}

void MarkConstraintNodes(const CompiledFormula* f, bool* inConstraint) {
  for (int i = 0; i < f->count; i++)
    inConstraint[i] = false;
  if (f->constraint == NODE_NONE)
    return;
  uint16_t stack[FORMULA_MAX_NODES * 3 + 1];
  int top = 0;
  stack[top++] = f->constraint;
  while (top > 0) {
    uint16_t i = stack[--top];
    if (i >= f->count || inConstraint[i])
      continue;
    inConstraint[i] = true;
    uint16_t ch[3];
    FormulaNodeChildren(f->nodes[i], ch);
    for (uint16_t c : ch)
      if (c != NODE_NONE)
        stack[top++] = c;
  }
}

CString ResolveFormulaEscapes(const char* text, int len) {
  CString out;
  auto hexValue = [](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  for (int i = 0; i < len; i++) {
    char c = text[i];
    if (c != '\\' || i + 1 >= len) {
      out += c;
      continue;
    }
    char e = text[++i];
    switch (e) {
      case 'f': out += '\f'; break;
      case 'a': out += '\a'; break;
      case 'b': out += '\b'; break;
      case 'n': out += '\n'; break;
      case 'r': out += '\r'; break;
      case 't': out += '\t'; break;
      case 'v': out += '\v'; break;
      case 'x': {
        // Up to two hex digits make one byte.
        int v = 0, n = 0;
        while (n < 2 && i + 1 < len && hexValue(text[i + 1]) >= 0) {
          v = v * 16 + hexValue(text[++i]);
          n++;
        }
        if (n == 0)
          out += 'x';
        else if (v != 0)
          out += (char)v;
        break;
      }
      default:
        if (e >= '0' && e <= '7') {
          // Up to three octal digits make one byte.
          int v = e - '0', n = 1;
          while (n < 3 && i + 1 < len && text[i + 1] >= '0' && text[i + 1] <= '7') {
            v = v * 8 + (text[++i] - '0');
            n++;
          }
          if ((v & 0xFF) != 0)
            out += (char)v;
        } else {
          out += e;  // \" and \\ give the character itself, as does any other
        }
        break;
    }
  }
  return out;
}
