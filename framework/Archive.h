// CArchive: the framework's binary serialisation over a CFile, through a buffer of 4096 bytes by
// default. Its bytes are a stored format (the annotation side file "VVX3", its index file and the
// annotation clipboard format are made of them), so they are written down here exactly.
//
// Numbers are little-endian: BYTE and char 1 byte; WORD and short 2; LONG, DWORD, int, unsigned,
// BOOL 4 (int and BOOL as LONG); float 4 and double 8 (IEEE). POINT and SIZE are two LONGs, RECT
// four (left, top, right, bottom).
//
// Counts (WriteCount/ReadCount): below 0xFFFF a WORD; else the WORD 0xFFFF and the DWORD count.
//
// Strings (CString): the length in chars, then the chars without a terminating zero. The length
// is a BYTE below 255; else 0xFF and a WORD below 0xFFFE; else 0xFF, the WORD 0xFFFF and a DWORD.
// (0xFF 0xFFFE announces a UTF-16 string, which only the framework's Unicode builds write; we
// never write one, and reading one throws CArchiveException::generic.)
//
// Objects (WriteObject/ReadObject, operators << and >> with CObject pointers). Each archive keeps
// one numbering of the classes and objects it has written or read: index 0 is the null object,
// and every new class and every new object takes the next index (1, 2, ...) in the order met,
// a class before its object, an object before the fields its Serialize writes. A pointer is
// written as one of:
//   0x0000                       the null object
//   0xFFFF, WORD schema, WORD name length, name chars
//                                a class not yet written, then a new object of it (its fields)
//   0x8000 | class index (WORD)  a class written before, then a new object of it (its fields)
//   object index (WORD)          an object written before (an index below 0x7FFF)
//   0x7FFF, DWORD                the big-index escape, for an index of 0x7FFF or more: the DWORD
//                                is 0x80000000 | class index for a class, or the object index
// So the first object of a class costs 6 bytes + its name before its fields, every later object of
// that class 2 bytes, and a repeated object 2 bytes in all.
//
// Reading checks what it reads: a class name that no serialisable class has (CArchiveException::
// badClass), a class of the wrong kind for the pointer read (badClass), a stored schema that is
// not the class's schema (badSchema), an index that names nothing read so far or a class where an
// object is due (badIndex), bytes missing at the end (endOfFile), objects nested deeper than
// kMaxObjectDepth (generic). Sizes read from the archive are never trusted for an allocation: a
// string grows as its chars arrive. An object whose Serialize throws while it is read is deleted
// before the exception goes on (the framework leaves it behind).
//
// Not for: text files (CStdioFile) or compound documents (OLE).
#ifndef FRAMEWORK_ARCHIVE_H
#define FRAMEWORK_ARCHIVE_H

#include "Object.h"
#include "Point.h"
#include "Rect.h"
#include "Str.h"

#include <unordered_map>
#include <vector>

class CFile;
class CDocument;

class CArchive {
 public:
  enum Mode { store = 0, load = 1, bNoFlushOnDelete = 2 };
  enum { kMaxObjectDepth = 1000 };

  // The archive does not own pFile; the buffer is its own (lpBuf is accepted for the framework's
  // signature and not used).
  CArchive(CFile* pFile, UINT nMode, int nBufSize = 4096, void* lpBuf = nullptr);
  // Flushes a storing archive unless bNoFlushOnDelete is given; errors are then lost, so callers
  // that care call Close().
  ~CArchive();
  CArchive(const CArchive&) = delete;
  CArchive& operator=(const CArchive&) = delete;

  BOOL IsLoading() const { return (m_nMode & load) != 0; }
  BOOL IsStoring() const { return (m_nMode & load) == 0; }
  CFile* GetFile() const { return m_pFile; }

  // The schema of the object being read, for its Serialize.
  UINT GetObjectSchema() const { return m_nObjectSchema; }

  // Raw bytes. Read returns the number read, fewer only at the end of the file.
  UINT Read(void* lpBuf, UINT nMax);
  void Write(const void* lpBuf, UINT nMax);
  void Flush();
  // Flushes (storing) and detaches the file; the archive is then unusable.
  void Close();
  // Detaches the file without flushing.
  void Abort();

  void WriteCount(DWORD dwCount);
  DWORD ReadCount();

  void WriteObject(const CObject* pOb);
  // A new object of a class derived from pClassRefRequested (any class when null), a repeated
  // object, or null.
  CObject* ReadObject(const CRuntimeClass* pClassRefRequested);
  // As ReadObject, for a caller that takes ownership of what it reads: a reference to an object
  // read before throws badIndex, so that no object is owned twice (or handed out again after its
  // owner freed it).
  CObject* ReadNewObject(const CRuntimeClass* pClassRefRequested);
  void WriteClass(const CRuntimeClass* pClassRef);
  CRuntimeClass* ReadClass(const CRuntimeClass* pClassRefRequested = nullptr, UINT* pSchema = nullptr,
                           DWORD* pObTag = nullptr);

  CArchive& operator<<(BYTE by) { return WriteLE(by, 1); }
  CArchive& operator<<(char ch) { return WriteLE((BYTE)ch, 1); }
  CArchive& operator<<(WORD w) { return WriteLE(w, 2); }
  CArchive& operator<<(short n) { return WriteLE((WORD)n, 2); }
  CArchive& operator<<(int i) { return WriteLE((DWORD)i, 4); }
  CArchive& operator<<(unsigned u) { return WriteLE((DWORD)u, 4); }
#ifdef _WIN32
  // LONG and DWORD are long and unsigned long on Windows, int32_t and uint32_t natively.
  CArchive& operator<<(long l) { return WriteLE((DWORD)l, 4); }
  CArchive& operator<<(unsigned long dw) { return WriteLE((DWORD)dw, 4); }
#endif
  CArchive& operator<<(float f);
  CArchive& operator<<(double d);

  CArchive& operator>>(BYTE& by) { by = (BYTE)ReadLE(1); return *this; }
  CArchive& operator>>(char& ch) { ch = (char)ReadLE(1); return *this; }
  CArchive& operator>>(WORD& w) { w = (WORD)ReadLE(2); return *this; }
  CArchive& operator>>(short& n) { n = (short)ReadLE(2); return *this; }
  CArchive& operator>>(int& i) { i = (int)(DWORD)ReadLE(4); return *this; }
  CArchive& operator>>(unsigned& u) { u = (unsigned)ReadLE(4); return *this; }
#ifdef _WIN32
  CArchive& operator>>(long& l) { l = (long)(int32_t)ReadLE(4); return *this; }
  CArchive& operator>>(unsigned long& dw) { dw = (unsigned long)ReadLE(4); return *this; }
#endif
  CArchive& operator>>(float& f);
  CArchive& operator>>(double& d);

  // Set by the document framework to the document being stored or loaded (not owned); other
  // callers may point it at what their objects need to find.
  CDocument* m_pDocument = nullptr;
  // The path of the archive's file, for exception messages.
  CString m_strFileName;

 private:
  CArchive& WriteLE(uint64_t value, int nBytes);
  uint64_t ReadLE(int nBytes);
  // Makes at least nBytes readable in the buffer, or throws endOfFile.
  void FillBuffer(UINT nBytes);
  void CheckMapCount();
  [[noreturn]] void Throw(int cause) const;
  CObject* ReadObjectImpl(const CRuntimeClass* pClassRefRequested, bool bNewOnly);

  CFile* m_pFile;  // not owned
  UINT m_nMode;
  std::vector<BYTE> m_buffer;
  UINT m_nBufCur = 0;  // next byte to read or write
  UINT m_nBufMax = 0;  // end of the valid bytes (loading)
  UINT m_nObjectSchema = (UINT)-1;
  int m_nDepth = 0;
  // Storing: class and object pointers to their indexes. Loading: index to class or object.
  std::unordered_map<const void*, DWORD> m_storeMap;
  struct LoadEntry {
    CRuntimeClass* pClass;  // a class entry, or null for an object entry
    CObject* pObject;
  };
  std::vector<LoadEntry> m_loadArray;
  DWORD m_nMapCount = 1;  // index 0 is the null object
};

CArchive& operator<<(CArchive& ar, const CString& string);
CArchive& operator>>(CArchive& ar, CString& string);
CArchive& operator<<(CArchive& ar, const CObject* pOb);
CArchive& operator>>(CArchive& ar, CObject*& pOb);
CArchive& operator>>(CArchive& ar, const CObject*& pOb);
CArchive& operator<<(CArchive& ar, SIZE size);
CArchive& operator<<(CArchive& ar, POINT point);
CArchive& operator<<(CArchive& ar, const RECT& rect);
CArchive& operator>>(CArchive& ar, SIZE& size);
CArchive& operator>>(CArchive& ar, POINT& point);
CArchive& operator>>(CArchive& ar, RECT& rect);

#endif  // FRAMEWORK_ARCHIVE_H
