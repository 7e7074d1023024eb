// The stored form of an engine sheet inside a formula sheet's archive: the five settings, the
// names as "name=range" lines, and every linked cell as a record (kind, value type, status,
// position, attached object, formula text, value), ended by a zero byte. The formula sheet
// writes its schema WORD (1) and its grid data before it.
// Loading checks every record: a marker, kind, value type or position outside what the engine
// holds throws CArchiveException::generic, and bytes missing at the end throw endOfFile, so a
// damaged archive never becomes a damaged sheet. Texts are kept whole.
// Not for: the grid data (the grid core's CGXData).
#ifndef GRID_FORMULA_ENGINEARCHIVE_H
#define GRID_FORMULA_ENGINEARCHIVE_H

class CArchive;

void SerializeEngineSheet(CArchive& ar, int sheet);

#endif  // GRID_FORMULA_ENGINEARCHIVE_H
