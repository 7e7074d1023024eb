// The font of a grid style: every attribute packed into two words, each present or absent, so that
// fonts merge attribute by attribute like styles; the process-wide face-name table that gives each
// face a 10-bit index; and the shared, reference-counted LOGFONT records of realised fonts.
// Not for: selecting fonts into a device context (the engine's drawing).
#ifndef GRID_CORE_GXFONT_H
#define GRID_CORE_GXFONT_H

#include "Framework.h"

#include <map>
#include <memory>
#include <vector>

// The window system's LOGFONTA, byte for byte.
struct GXLOGFONT {
  int32_t lfHeight;
  int32_t lfWidth;
  int32_t lfEscapement;
  int32_t lfOrientation;
  int32_t lfWeight;
  uint8_t lfItalic;
  uint8_t lfUnderline;
  uint8_t lfStrikeOut;
  uint8_t lfCharSet;
  uint8_t lfOutPrecision;
  uint8_t lfClipPrecision;
  uint8_t lfQuality;
  uint8_t lfPitchAndFamily;
  char lfFaceName[32];
};
static_assert(sizeof(GXLOGFONT) == 60, "LOGFONTA is 60 bytes");

// One face of the face-name table.
struct GXFaceEntry {
  char szName[67];
  BYTE nBaseNameLength;  // 0 for a plain face name, else the length before " (script)"
  BYTE nPitchAndFamily;
  BYTE nCharSet;
  WORD nIndex;  // 1023 until assigned
  BYTE nFontType;
  BOOL bSystem;
  BOOL bPlain;
};

class CGXFaceNameTable {
 public:
  enum { kNoFace = 1023 };
  CGXFaceNameTable();
  // 1023 for an empty name, or when every index is in use.
  UINT LookupFaceName(LPCTSTR pszName, BYTE nPitchAndFamily = 0, BYTE nCharSet = 0);
  // The entry of an assigned index, or null.
  const GXFaceEntry* GetEntry(UINT nIndex) const;
  // The script name of a character set as the system reports it; empty when unknown.
  CString GetScriptName(BYTE nCharSet) const;

  // Called by the platform's enumeration of the installed fonts, before any lookup.
  void AddSystemFace(LPCTSTR pszFace, LPCTSTR pszScript, BYTE nCharSet, BYTE nPitchAndFamily, BYTE nFontType);

  int m_nLogPixelsY = 96;
  int m_nLogPixelsX = 96;

 private:
  GXFaceEntry* Find(std::vector<GXFaceEntry*>& faces, LPCTSTR pszName);
  void AddSorted(std::vector<GXFaceEntry*>& faces, GXFaceEntry* pEntry);
  UINT AssignIndex(GXFaceEntry* pEntry);

  std::vector<std::unique_ptr<GXFaceEntry>> m_storage;
  std::vector<GXFaceEntry*> m_systemFaces;  // sorted by name
  std::vector<GXFaceEntry*> m_addedFaces;   // sorted by name
  std::vector<GXFaceEntry*> m_byIndex;
  CString m_scriptNames[256];
  CString m_lastSystemFace;
};

CGXFaceNameTable* GXGetFaceNameTable();

class CGXFont : public CObject {
  DECLARE_SERIAL(CGXFont)

 public:
  enum : DWORD { kEmptyA = 0x3FE000F0, kEmptyB = 1023 };

  CGXFont() = default;
  CGXFont(const CGXFont& other);
  CGXFont& operator=(const CGXFont& other);
  ~CGXFont() override;

  void Serialize(CArchive& ar) override;

  void Clear();
  void SetDefault();
  void SetLogFont(const GXLOGFONT& lf);
  void AssignLogFont(const GXLOGFONT& lf) { SetLogFont(lf); }
  const GXLOGFONT& GetLogFont() const;
  GXLOGFONT GetLogFontZoomed(int nZoom) const;

  CGXFont& SetWeight(LONG nWeight);
  CGXFont& SetItalic(BOOL b);
  CGXFont& IncludeItalic(BOOL b);
  CGXFont& SetUnderline(BOOL b);
  CGXFont& IncludeUnderline(BOOL b);
  CGXFont& SetStrikeOut(BOOL b);
  CGXFont& IncludeStrikeOut(BOOL b);
  CGXFont& SetSize(double dPoints);
  CGXFont& SetOrientation(LONG nTenths);
  CGXFont& SetFaceIndex(UINT nIndex);
  CGXFont& SetFaceName(LPCTSTR pszName);

  BOOL GetIncludeWeight() const { return ((m_a >> 4) & 0xF) != 15; }
  LONG GetWeight() const { return (LONG)((m_a >> 4) & 0xF) * 100; }
  BOOL GetIncludeItalic() const { return (m_a & 2) != 0; }
  BOOL GetItalic() const { return (m_a >> 18) & 1; }
  BOOL GetIncludeUnderline() const { return (m_a & 4) != 0; }
  BOOL GetUnderline() const { return (m_a >> 19) & 1; }
  BOOL GetIncludeStrikeOut() const { return (m_a & 8) != 0; }
  BOOL GetStrikeOut() const { return (m_a >> 20) & 1; }
  BOOL GetIncludeSize() const { return ((m_a >> 8) & 0x3FF) != 0; }
  UINT GetSizeQuarterPoints() const { return (m_a >> 8) & 0x3FF; }
  double GetSize() const { return GetSizeQuarterPoints() * 0.25; }
  BOOL GetIncludeOrientation() const { return ((m_a >> 21) & 0x1FF) != 511; }
  LONG GetOrientation() const { return (LONG)((m_a >> 21) & 0x1FF) * 10; }
  BOOL GetIncludeFaceName() const { return (m_b & 0x3FF) != 1023; }
  UINT GetFaceIndex() const { return m_b & 0x3FF; }
  CString GetFaceName() const;
  BOOL IsEmpty() const { return (m_a & ~1u) == kEmptyA && m_b == kEmptyB; }

  void MergeFont(const CGXFont& other, int nMode);
  BOOL IsSubSet(const CGXFont& other) const;
  BOOL IsRealised() const { return (m_a & 1) != 0; }

  static UINT FaceNameToIndex(LPCTSTR pszName) { return GXGetFaceNameTable()->LookupFaceName(pszName); }
  static const GXFaceEntry* GetFaceEntry(UINT nIndex) { return GXGetFaceNameTable()->GetEntry(nIndex); }
  // The number of shared font records alive (for tests of the sharing).
  static int GetFontDataCount();
  static int GetFontDataRefCount(const CGXFont& font);

  // The two packed words (the realised bit is bit 0 of the first).
  DWORD m_a = kEmptyA;
  DWORD m_b = kEmptyB;

 private:
  void Release() const;
  void SetBits(DWORD mask, DWORD value);
};

CArchive& ReadFontFromArchive(CArchive& ar, CGXFont*& pFont);

#endif  // GRID_CORE_GXFONT_H
