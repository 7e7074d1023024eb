// Storing and loading an engine sheet through an archive.
#include "EngineArchive.h"

#include "EngineCellRef.h"
#include "EngineState.h"
#include "FormulaEval.h"
#include "FormulaParser.h"

#include "Archive.h"
#include "Array.h"
#include "Exception.h"

#include <cstdint>
#include <cstring>
#include <unordered_set>
#include <vector>

namespace {

// Status bits 15-22 of a cell travel as one byte; "evaluation in progress" never does.
const uint32_t kStoredStatus = 0xFFu << 15;

[[noreturn]] void Damaged(CArchive& ar) {
  AfxThrowArchiveException(CArchiveException::generic, ar.m_strFileName);
}

void StoreCell(CArchive& ar, int sheet, EngineCell* c) {
  if (c->Kind() == ENGINE_CELL_FORMULA_REFS && !c->Is(ENGINE_FLAG_CURRENT))
    EvaluateCell(sheet, c);
  ar << (BYTE)1;
  ar << (BYTE)c->Kind();
  ar << (BYTE)c->ValueType();
  ar << (BYTE)((c->flags & kStoredStatus & ~ENGINE_FLAG_IN_PROGRESS) >> 15);
  ar << (DWORD)c->row;
  ar << (DWORD)c->col;
  ar.WriteObject(c->object);
  if (c->IsFormula())
    ar << (c->formula != nullptr ? FormulaToText(sheet, c->formula) : CString());
  if (c->Kind() == ENGINE_CELL_NONE)
    return;
  switch (c->ValueType()) {
    case ENGINE_VALUE_ERROR: ar << (WORD)c->value.error; break;
    case ENGINE_VALUE_NUMBER: ar << c->value.number; break;
    case ENGINE_VALUE_LONG_TEXT:
    case ENGINE_VALUE_SHORT_TEXT: ar << EngineCellText(c); break;
    default: break;
  }
}

void Store(CArchive& ar, int sheet) {
  EngineSheet* s = GetEngineSheet(sheet);
  ar << (WORD)s->iterationLimit << (WORD)s->blanksAreZero << (WORD)s->manualRecalc << (WORD)s->recalcAll
     << (WORD)s->constraintCheck;
  CStringArray names;
  for (EngineName* e = s->names; e != nullptr; e = e->next) {
    CString line;
    const char* range = FormatCellReference(e->range);
    line.Format("%s=%s", e->name, range != nullptr ? range : "");
    names.Add(line);
  }
  names.Serialize(ar);
  static const int kPoolOrder[] = {0, 1, 2};  // constants, formulas, placeholders
  for (int p : kPoolOrder) {
    // Evaluating while storing may add no cell, but collect first so the walk stays simple.
    std::vector<EngineCell*> cells;
    ForEachPoolCell(&s->pools[p], [&](EngineCell* c) {
      if (c->Is(ENGINE_FLAG_LINKED))
        cells.push_back(c);
    });
    for (EngineCell* c : cells)
      StoreCell(ar, sheet, c);
  }
  ar << (BYTE)0;
}

// Reads one cell record after its marker; the cell is returned unlinked.
// An object that the archive names a second time would be owned by two cells, and one read before
// the cells (the formula sheet being loaded, say) is owned already: both are damage.
EngineCell* LoadCell(CArchive& ar, int sheet, EngineSheet* s, std::unordered_set<CObject*>& objects) {
  BYTE kind, type, status;
  DWORD row, col;
  ar >> kind >> type >> status >> row >> col;
  if (kind > ENGINE_CELL_FORMULA || type > ENGINE_VALUE_SHORT_TEXT || row < 1 || row > ENGINE_MAX_ROW ||
      col > ENGINE_MAX_COL)
    Damaged(ar);
  CObject* object = ar.ReadNewObject(nullptr);
  if (object != nullptr && !objects.insert(object).second)
    Damaged(ar);
  CompiledFormula* formula = nullptr;
  CString formulaText;
  bool isFormula = kind == ENGINE_CELL_FORMULA_REFS || kind == ENGINE_CELL_FORMULA;
  try {
    if (isFormula) {
      ar >> formulaText;
      if (!formulaText.IsEmpty())
        formula = CompileFormulaText(sheet, formulaText);
      if (formula == nullptr) {
        // A formula that no longer compiles survives as text showing the formula.
        kind = ENGINE_CELL_TEXT;
      } else {
        // The formula's own nodes say whether it is recalculated with its references: a stored
        // kind that says otherwise would leave it out of every recalculation.
        kind = FormulaHasReferences(formula) ? ENGINE_CELL_FORMULA_REFS : ENGINE_CELL_FORMULA;
      }
    }
  } catch (...) {
    delete object;
    EngineRethrow();
  }
  int pool = kind == ENGINE_CELL_NONE ? 2 : (kind == ENGINE_CELL_FORMULA_REFS ? 1 : 0);
  EngineCell* c;
  try {
    c = AllocEngineCell(&s->pools[pool]);
  } catch (...) {
    delete object;
    FreeCompiledFormula(formula);
    EngineRethrow();
  }
  c->SetKind(kind);
  c->row = row;
  c->col = col;
  c->object = object;
  c->formula = formula;
  c->stamp = s->stamp;
  c->flags |= ((uint32_t)status << 15) & kStoredStatus & ~ENGINE_FLAG_IN_PROGRESS;
  if (formula != nullptr && !c->Is(ENGINE_FLAG_CURRENT))
    c->Set(ENGINE_FLAG_RECOMPUTE, true);
  try {
    if (isFormula && formula == nullptr) {
      EngineSetTextValue(c, formulaText, (size_t)formulaText.GetLength());
      // The stored value of the formula is read and dropped: the text is the value now.
      if (type == ENGINE_VALUE_ERROR) {
        WORD w;
        ar >> w;
      } else if (type == ENGINE_VALUE_NUMBER) {
        double d;
        ar >> d;
      } else if (type == ENGINE_VALUE_LONG_TEXT || type == ENGINE_VALUE_SHORT_TEXT) {
        CString t;
        ar >> t;
      }
      return c;
    }
    if (kind != ENGINE_CELL_NONE) {
      switch (type) {
        case ENGINE_VALUE_ERROR: {
          WORD w;
          ar >> w;
          SetCellValue(c, EngineValue::Error(w));
          break;
        }
        case ENGINE_VALUE_NUMBER: {
          double d;
          ar >> d;
          SetCellValue(c, EngineValue::Number(d));
          break;
        }
        case ENGINE_VALUE_LONG_TEXT:
        case ENGINE_VALUE_SHORT_TEXT: {
          CString t;
          ar >> t;
          EngineSetTextValue(c, t, (size_t)t.GetLength());  // kept whole
          break;
        }
        case ENGINE_VALUE_NA:
          c->SetValueType(ENGINE_VALUE_NA);
          break;
        default:
          break;
      }
    }
  } catch (...) {
    FreeEngineCell(c);
    EngineRethrow();
  }
  return c;
}

void Load(CArchive& ar, int sheet) {
  EngineSheet* s = GetEngineSheet(sheet);
  EmptyEngineSheet(s);
  WORD iteration, blanks, manual, all, constraints;
  ar >> iteration >> blanks >> manual >> all >> constraints;
  SetEngineIterationLimit(s, iteration);
  SetEngineBlanksAreZero(s, blanks);
  SetEngineManualRecalc(s, manual);
  SetEngineRecalcAll(s, all);
  SetEngineConstraintCheck(s, constraints);
  CStringArray names;
  names.Serialize(ar);
  for (int i = 0; i < names.GetSize(); i++) {
    const CString& line = names[i];
    int eq = line.Find('=');
    if (eq <= 0)
      continue;
    EngineCellRef r;
    if (ParseCellReference(line.Mid(eq + 1), &r))
      DefineEngineName(sheet, line.Left(eq), r);
  }
  int batch = BeginCellBatch(s, ENGINE_POOL_ALL);
  std::unordered_set<CObject*> objects;
  std::unordered_set<uint64_t> positions;
  try {
    for (;;) {
      BYTE marker;
      ar >> marker;
      if (marker == 0)
        break;
      if (marker != 1)
        Damaged(ar);
      EngineCell* c = LoadCell(ar, sheet, s, objects);
      // The positions already loaded are kept aside: a stored sheet may put many cells into one
      // hash chain, and looking each one up there would take quadratic time.
      bool repeated;
      try {
        repeated = !positions.insert((uint64_t)c->row << 32 | c->col).second;
      } catch (...) {
        FreeEngineCell(c);
        EngineRethrow();
      }
      EngineCell* existing = repeated ? FindEngineCell(s, c->row, c->col) : nullptr;
      if (existing != nullptr) {
        if (c->Kind() == ENGINE_CELL_NONE) {
          FreeEngineCell(c);
          continue;
        }
        DeleteEngineCell(s, existing);
      }
      LinkEngineCell(s, c);
    }
  } catch (...) {
    EndCellBatch(s, batch);
    EngineRethrow();
  }
  EndCellBatch(s, batch);
}

}  // namespace

void SerializeEngineSheet(CArchive& ar, int sheet) {
  try {
    if (ar.IsStoring())
      Store(ar, sheet);
    else
      Load(ar, sheet);
  } catch (const std::bad_alloc&) {
    AfxThrowMemoryException();
  }
}
