// The display and print properties of a grid parameter object: the named colours of lines and
// background, the page header and footer (each a small cell store with page tokens), the page
// tokens, the current-cell frame choices, user properties, margins and switches.
// Not for: printing itself (the print feature) or the profile (the grid profile feature).
#ifndef GRID_CORE_GXPROPERTIES_H
#define GRID_CORE_GXPROPERTIES_H

#include "GXData.h"

struct GXUserPropertyEntry {
  WORD nId = 0;
  CString sName;
  CGXStyle* pStyle = nullptr;  // owned
};

class CGXProperties : public CObject {
  DECLARE_SERIAL(CGXProperties)

 public:
  enum { colorGridLines = 0, colorFixedLines, colorTrackingLine, colorDraggingLine, colorBackground };

  CGXProperties();
  // Empty members (no defaults), then the other's contents through the parameter copy feature.
  CGXProperties(const CGXProperties& other);
  ~CGXProperties() override;
  CGXProperties& operator=(const CGXProperties& other);

  void Serialize(CArchive& ar) override;
  virtual void AddDefaultUserProperties();
  virtual void WriteProfile() const;
  virtual BOOL ReadProfile();
  // The expanded page text and the value of a page token: the print feature's, which this library
  // does not carry, so both are empty.
  virtual CString GetPageText(LPCTSTR pszText, int a);
  virtual CString GetPageTextRange(LPCTSTR pszText, int a, int b);

  int AddColor(UINT nNameId, DWORD dwColor);
  DWORD GetColor(int nIndex) const;
  void AddUserProperty(WORD nId, const CGXStyle& style);
  const CGXStyle& GetUserProperty(WORD nId) const;
  int AddToken(LPCTSTR pszToken);
  void RemoveAll();

  // For the serialisation and copy features: sets an entry's name and style (takes pStyle).
  void SetUserPropertyEntry(WORD nId, LPCTSTR pszName, CGXStyle* pStyle);

  GX_GRID_STATE* m_pAppState;
  CString m_sFrameTexts[5];
  CGXStyle m_defaultUserProperty;
  CStringArray m_tokens;
  CStringArray m_tokens2;
  CMapWordToPtr m_userProperties;  // id -> owned GXUserPropertyEntry
  BOOL m_b3dHeader = TRUE;
  BOOL m_bVerticalLines = TRUE;
  BOOL m_bHorizontalLines = TRUE;
  BOOL m_bMarkRowHeader = TRUE;
  BOOL m_bMarkColHeader = TRUE;
  BOOL m_bSwitch = FALSE;
  CString m_sSection = "Grid";
  CStringArray m_colorNames;
  CDWordArray m_colors;
  DWORD m_nValue = 100;
  LONG m_nMargins[4] = {0, 0, 0, 0};
  BOOL m_bCenterHorizontal = TRUE;
  BOOL m_bCenterVertical = FALSE;
  BOOL m_bPrintColHeaders = TRUE;
  BOOL m_bPrintHorzLines = TRUE;
  BOOL m_bPrintRowHeaders = TRUE;
  BOOL m_bPrintVertLines = TRUE;
  DWORD m_nPageOrder = 0;
  BOOL m_bBlackWhite = TRUE;
  BOOL m_bPrintFrame = TRUE;
  LONG m_nDistances[2] = {0, 0};
  LONG m_nFirstPage = -1;
  CGXData m_footer;  // the page footer (the first page-text store)
  CGXData m_header;  // the page header (the second)
  DWORD m_nWord = 0;
  CDWordArray m_array1;
  CDWordArray m_array2;

 private:
  struct NoDefaults {};
  explicit CGXProperties(NoDefaults);
};

#endif  // GRID_CORE_GXPROPERTIES_H
