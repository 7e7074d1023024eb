// A1 notation, range arithmetic and the named ranges of a sheet.
#include "EngineCellRef.h"

#include "EngineState.h"
#include "FormulaParser.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool IsLetter(char ch) { return (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z'); }
bool IsDigit(char ch) { return ch >= '0' && ch <= '9'; }
int LetterIndex(char ch) { return (ch >= 'a' ? ch - 'a' : ch - 'A'); }

// Reads "[$]letters[$]digits" at *p; false when the corner is not valid.
bool ReadCorner(const char*& p, uint32_t* row, uint32_t* col, bool* colAbs, bool* rowAbs) {
  *colAbs = false;
  *rowAbs = false;
  if (*p == '$') {
    *colAbs = true;
    p++;
  }
  int c = ColumnLettersToIndex(p);
  if (c < 0)
    return false;
  while (IsLetter(*p))
    p++;
  if (*p == '$') {
    *rowAbs = true;
    p++;
  }
  if (!IsDigit(*p))
    return false;
  // Read by hand rather than with atoi, so that a long run of digits cannot overflow.
  uint32_t r = 0;
  while (IsDigit(*p)) {
    if (r <= ENGINE_MAX_ROW)
      r = r * 10 + (uint32_t)(*p - '0');
    p++;
  }
  if (r < 1 || r > ENGINE_MAX_ROW)
    return false;
  *row = r;
  *col = (uint32_t)c;
  return true;
}

}  // namespace

const char* ColumnIndexToLetters(uint32_t col) {
  if (col > ENGINE_MAX_COL)
    return nullptr;
  char rev[10];
  int n = 0;
  for (;;) {
    rev[n++] = (char)('A' + col % 26);
    col /= 26;
    if (col == 0 || n == 9)
      break;
    col--;
  }
  char* out = GetEngineState()->m_szLetters;
  for (int i = 0; i < n; i++)
    out[i] = rev[n - 1 - i];
  out[n] = '\0';
  return out;
}

int ColumnLettersToIndex(const char* text) {
  if (text == nullptr || !IsLetter(*text))
    return -1;
  long value = LetterIndex(*text++);
  while (IsLetter(*text)) {
    if (value < 26)
      value += 1;
    value = value * 26 + LetterIndex(*text) + 1;
    text++;
    if (value > 0x7FFFFF)
      return -1;
  }
  if (value > 25)
    value -= 1;
  if (value >= 4096)
    return -1;
  return (int)value;
}

bool ParseCellReference(const char* text, EngineCellRef* out) {
  if (text == nullptr)
    return false;
  const char* p = text;
  uint32_t r1, c1, r2, c2;
  bool ca1, ra1, ca2, ra2;
  if (!ReadCorner(p, &r1, &c1, &ca1, &ra1))
    return false;
  EngineCellRef ref{};
  if (*p == '\0') {
    ref = MakeEngineCellRef((int32_t)r1, (int32_t)c1,
                            ENGINE_REF_SINGLE | (ca1 ? ENGINE_REF_FIRST_COL_ABS : 0) |
                                (ra1 ? ENGINE_REF_FIRST_ROW_ABS : 0));
  } else {
    if (*p == '.') {
      p++;
      if (*p == '.')
        p++;
    } else if (*p == ':') {
      p++;
    } else {
      return false;
    }
    if (!ReadCorner(p, &r2, &c2, &ca2, &ra2) || *p != '\0')
      return false;
    ref = MakeEngineRangeRef((int32_t)r1, (int32_t)c1, (int32_t)r2, (int32_t)c2,
                             (ca1 ? ENGINE_REF_FIRST_COL_ABS : 0) | (ra1 ? ENGINE_REF_FIRST_ROW_ABS : 0) |
                                 (ca2 ? ENGINE_REF_LAST_COL_ABS : 0) | (ra2 ? ENGINE_REF_LAST_ROW_ABS : 0));
  }
  if (out != nullptr)
    *out = ref;
  return true;
}

static int FormatCorner(char* buf, size_t size, uint32_t row, uint32_t col, bool colAbs, bool rowAbs) {
  const char* letters = ColumnIndexToLetters(col);
  return std::snprintf(buf, size, "%s%s%s%u", colAbs ? "$" : "", letters != nullptr ? letters : "",
                       rowAbs ? "$" : "", (unsigned)row);
}

const char* FormatCellReference(const EngineCellRef& ref) {
  if (!ref.IsValid() || ref.FirstCol() > ENGINE_MAX_COL || ref.LastCol() > ENGINE_MAX_COL)
    return nullptr;
  char* out = GetEngineState()->m_szReference;
  size_t size = sizeof(GetEngineState()->m_szReference);
  int n = FormatCorner(out, size, ref.FirstRow(), ref.FirstCol(), ref.FirstColAbs(), ref.FirstRowAbs());
  if (!ref.IsSingle()) {
    std::snprintf(out + n, size - (size_t)n, "..");
    FormatCorner(out + n + 2, size - (size_t)n - 2, ref.LastRow(), ref.LastCol(), ref.LastColAbs(),
                 ref.LastRowAbs());
  }
  return out;
}

EngineCellRef MakeEngineCellRef(int32_t row, int32_t col, int flags) {
  return MakeEngineRangeRef(row, col, row, col, flags | ENGINE_REF_SINGLE);
}

EngineCellRef MakeEngineRangeRef(int32_t row1, int32_t col1, int32_t row2, int32_t col2, int flags) {
  auto rowOk = [](int32_t r) { return r >= 1 && r <= (int32_t)ENGINE_MAX_ROW ? (uint32_t)r : 0u; };
  auto colOk = [](int32_t c) { return c >= 0 && c <= (int32_t)ENGINE_MAX_COL ? (uint32_t)c : 0u; };
  EngineCellRef r{};
  r.SetFirstRow(rowOk(row1));
  r.SetFirstCol(colOk(col1));
  r.SetLastRow(rowOk(row2));
  r.SetLastCol(colOk(col2));
  r.SetFirstColAbs(flags & ENGINE_REF_FIRST_COL_ABS);
  r.SetFirstRowAbs(flags & ENGINE_REF_FIRST_ROW_ABS);
  r.SetLastColAbs(flags & ENGINE_REF_LAST_COL_ABS);
  r.SetLastRowAbs(flags & ENGINE_REF_LAST_ROW_ABS);
  r.SetSingle(flags & ENGINE_REF_SINGLE);
  NormalizeEngineRange(&r);
  return r;
}

bool NormalizeEngineRange(EngineCellRef* ref) {
  if (!ref->IsValid())
    return false;
  if (ref->IsSingle()) {
    ref->SetLastRow(ref->FirstRow());
    ref->SetLastCol(ref->FirstCol());
    ref->SetLastRowAbs(ref->FirstRowAbs());
    ref->SetLastColAbs(ref->FirstColAbs());
    return true;
  }
  if (ref->LastRow() < ref->FirstRow()) {
    uint32_t r1 = ref->FirstRow(), r2 = ref->LastRow();
    bool a1 = ref->FirstRowAbs(), a2 = ref->LastRowAbs();
    ref->SetFirstRow(r2);
    ref->SetLastRow(r1);
    ref->SetFirstRowAbs(a2);
    ref->SetLastRowAbs(a1);
  }
  if (ref->LastCol() < ref->FirstCol()) {
    uint32_t c1 = ref->FirstCol(), c2 = ref->LastCol();
    bool a1 = ref->FirstColAbs(), a2 = ref->LastColAbs();
    ref->SetFirstCol(c2);
    ref->SetLastCol(c1);
    ref->SetFirstColAbs(a2);
    ref->SetLastColAbs(a1);
  }
  return true;
}

bool EngineRangesIntersect(const EngineCellRef& a, const EngineCellRef& b) {
  return a.FirstCol() <= b.LastCol() && b.FirstCol() <= a.LastCol() && a.FirstRow() <= b.LastRow() &&
         b.FirstRow() <= a.LastRow();
}

bool EngineRangesEqual(const EngineCellRef& a, const EngineCellRef& b) {
  return a.FirstRow() == b.FirstRow() && a.LastRow() == b.LastRow() && a.FirstCol() == b.FirstCol() &&
         a.LastCol() == b.LastCol();
}

// ---------------------------------------------------------------------------------------------
// Names

bool IsValidEngineName(const char* name) {
  if (name == nullptr)
    return false;
  unsigned char ch = (unsigned char)name[0];
  if (!(IsLetter((char)ch) || ch == '_' || ch == '$'))
    return false;
  for (const char* p = name + 1; *p != '\0' && p - name < ENGINE_NAME_MAX; p++) {
    char c = *p;
    if (!(IsLetter(c) || IsDigit(c) || c == '.' || c == '_' || c == '$'))
      return false;
  }
  return true;
}

// Names compare without regard to letter case: the key is the name cut to its stored length and
// upper-cased.
static std::string NameKey(const char* name) {
  std::string key(name, strnlen(name, ENGINE_NAME_MAX));
  for (char& c : key)
    if (c >= 'a' && c <= 'z')
      c = (char)(c - 32);
  return key;
}

bool DefineEngineName(int sheet, const char* name, const EngineCellRef& range) {
  if (!IsValidEngineName(name))
    return false;
  EngineSheet* s = GetEngineSheet(sheet);
  char cut[ENGINE_NAME_MAX + 1];
  std::snprintf(cut, sizeof(cut), "%s", name);
  EngineCellRef r = range;
  NormalizeEngineRange(&r);
  EngineName* entry = FindEngineName(sheet, cut);
  if (entry != nullptr) {
    entry->range = r;
  } else {
    entry = static_cast<EngineName*>(EngineCalloc(sizeof(EngineName)));
    try {
      entry->name = EngineStrDup(cut, std::strlen(cut));
      s->nameIndex.emplace(NameKey(cut), entry);
    } catch (...) {
      FreeEngineNameEntry(entry);
      EngineRethrow();
    }
    entry->range = r;
    if (s->lastName != nullptr)
      s->lastName->next = entry;
    else
      s->names = entry;
    s->lastName = entry;
  }
  s->changed = 1;
  return true;
}

EngineName* FindEngineName(int sheet, const char* name, EngineCellRef* out) {
  if (name == nullptr)
    return nullptr;
  EngineSheet* s = GetEngineSheet(sheet);
  auto it = s->nameIndex.find(NameKey(name));
  if (it == s->nameIndex.end())
    return nullptr;
  if (out != nullptr)
    *out = it->second->range;
  return it->second;
}

void FreeEngineNameEntry(EngineName* entry) {
  if (entry == nullptr)
    return;
  EngineFree(entry->name);
  EngineFree(entry);
}

bool DeleteEngineName(int sheet, const char* name) {
  EngineSheet* s = GetEngineSheet(sheet);
  EngineName* entry = FindEngineName(sheet, name);
  if (entry == nullptr)
    return false;
  // Formulas keep what the name designated: their name nodes become plain references.
  ForEachPoolCell(&s->pools[1], [&](EngineCell* c) {
    if (!c->Is(ENGINE_FLAG_LINKED) || c->formula == nullptr || !FormulaRefersToName(c->formula, entry))
      return;
    if (s->undoMode != 0) {
      EngineCell* copy = CopyEngineCell(c, &s->pools[1]);
      try {
        s->saved.push_back(copy);
      } catch (...) {
        FreeEngineCell(copy);
        EngineRethrow();
      }
      s->undoFlag = 1;
    }
    ReplaceNameNodes(c->formula, entry);
  });
  // Cells saved for undo keep naming the entry, which undo keeps with them; when nothing is
  // collected the entry goes, and any saved cell naming it gets plain references too.
  if (s->undoMode == 0)
    for (EngineCell* c : s->saved)
      if (c->formula != nullptr)
        ReplaceNameNodes(c->formula, entry);
  EngineName** pp = &s->names;
  EngineName* prev = nullptr;
  while (*pp != entry) {
    prev = *pp;
    pp = &(*pp)->next;
  }
  *pp = entry->next;
  if (s->lastName == entry)
    s->lastName = prev;
  entry->next = nullptr;
  // Another entry of the same name (one defined while this one was deleted and then restored)
  // becomes the one the name finds.
  std::string key = NameKey(entry->name);
  auto it = s->nameIndex.find(key);
  EngineName* other = s->names;
  while (other != nullptr && NameKey(other->name) != key)
    other = other->next;
  if (other != nullptr)
    it->second = other;
  else
    s->nameIndex.erase(it);
  if (s->undoMode != 0) {
    FreeEngineNameEntry(s->deletedName);
    s->deletedName = entry;
  } else {
    FreeEngineNameEntry(entry);
  }
  s->changed = 1;
  return true;
}

void RestoreEngineName(int sheet, EngineName* saved) {
  if (saved == nullptr)
    return;
  EngineSheet* s = GetEngineSheet(sheet);
  if (s->deletedName == saved)
    s->deletedName = nullptr;
  // The saved entry goes first in the list, so it is the one its name finds, also when the name
  // was defined again since the deletion.
  try {
    s->nameIndex[NameKey(saved->name)] = saved;
  } catch (...) {
    EngineRethrow();
  }
  saved->next = s->names;
  s->names = saved;
  if (s->lastName == nullptr)
    s->lastName = saved;
  s->changed = 1;
}

void DeleteAllEngineNames(EngineSheet* s) {
  for (EngineName* e = s->names; e != nullptr;) {
    EngineName* next = e->next;
    FreeEngineNameEntry(e);
    e = next;
  }
  s->names = nullptr;
  s->lastName = nullptr;
  s->nameIndex.clear();
}
