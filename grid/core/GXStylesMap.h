// The named base styles of a grid parameter object ("Standard", "Column Header", "Row Header" and
// whatever else is registered), the registered cell-control types and the user attributes with
// their names and default styles.
// Not for: composing styles (the engine) or the stored form (GXSerializeImp.cpp).
#ifndef GRID_CORE_GXSTYLESMAP_H
#define GRID_CORE_GXSTYLESMAP_H

#include "GXStyle.h"

enum : UINT {
  GX_IDS_STYLE_STANDARD = 52768,
  GX_IDS_STYLE_ROWHEADER = 52769,
  GX_IDS_STYLE_COLHEADER = 52770,
};

struct GXBaseStyleEntry {
  WORD nId = 0;
  UINT nResourceId = 0;
  CString sName;
  CGXStyle* pStyle = nullptr;  // owned
  DWORD nFlags = 0;
};

struct GXUserAttributeEntry {
  WORD nId = 0;
  CString sName;
  CGXStyle* pStyle = nullptr;  // owned
};

class CGXStylesMap : public CObject {
  DECLARE_SERIAL(CGXStylesMap)

 public:
  explicit CGXStylesMap(CRuntimeClass* pStyleClass = nullptr);
  CGXStylesMap(const CGXStylesMap& other);
  ~CGXStylesMap() override;
  // Through the parameter copy feature; nothing without it.
  CGXStylesMap& operator=(const CGXStylesMap& other);

  void Serialize(CArchive& ar) override;
  virtual void WriteProfile() const;
  virtual BOOL ReadProfile();

  void CreateStandardStyles();
  WORD RegisterStyle(LPCTSTR pszName, const CGXStyle& style, DWORD nFlags = 0);
  WORD RegisterStyleFromResId(UINT nResourceId, const CGXStyle& style, DWORD nFlags = 0);
  // 0 when the name is unknown.
  WORD GetBaseStyleId(LPCTSTR pszName) const;
  // Whether the name is known, with its id: unlike GetBaseStyleId, an unknown name is told apart
  // from the style whose id is 0.
  BOOL LookupBaseStyleId(LPCTSTR pszName, WORD& nId) const;
  WORD GetBaseStyleIdFromResId(UINT nResourceId) const;
  BOOL LookupBaseStyleIdFromResId(UINT nResourceId, WORD& nId) const;
  // The name and the string id of a base style; null and 0 when the id is unknown.
  LPCTSTR GetStyleName(WORD nId, UINT& nResourceId) const;
  BOOL LookupStyle(WORD nId, const CGXStyle*& pStyle) const;
  BOOL LookupStyle(WORD nId, CGXStyle*& pStyle);
  POSITION GetStartPosition() const { return m_names.GetStartPosition(); }
  void GetNextStyle(POSITION& pos, WORD& nId, CString& sName, UINT& nResourceId, const CGXStyle*& pStyle) const;

  void AddControl(WORD nControlId);
  BOOL IsControlRegistered(WORD nControlId) const;
  void AddUserAttributeName(UINT nResourceId);
  void AddUserAttribute(UINT nResourceId, const CGXStyle* pDefault = nullptr);
  const CMapWordToPtr& GetCustomAttrMap() const { return m_userAttributes; }
  const CMapWordToPtr& GetUserAttributeNames() const { return m_userAttributeNames; }
  // The name of a registered control (empty when unknown).
  CString GetControlName(WORD nControlId) const;

  void RemoveAll();
  void RemoveStyles();
  void RemoveUserAttributeNames();

  CGXStyle* CreateStyle() const;

  // Direct access for the serialisation and copy features.
  GXBaseStyleEntry* GetEntry(WORD nId) const;
  GXBaseStyleEntry* SetEntry(WORD nId, UINT nResourceId, LPCTSTR pszName, const CGXStyle& style, DWORD nFlags);
  void SetUserAttributeEntry(WORD nId, LPCTSTR pszName, CGXStyle* pStyle);  // takes pStyle
  void SetUserAttributeName(WORD nId, LPCTSTR pszName);
  void MapResourceId(UINT nResourceId, WORD nId);

  WORD m_nStandardStyleId = 0;
  WORD m_nColHeaderStyleId = 0;
  WORD m_nRowHeaderStyleId = 0;
  CRuntimeClass* m_pStyleClass;
  CMapWordToPtr m_baseStyles;          // id -> owned GXBaseStyleEntry
  CMapWordToPtr m_controls;            // control id -> owned CString display name
  CMapPtrToWord m_resourceIds;         // string id -> base style id
  CMapStringToPtr m_names;             // name -> id
  DWORD m_nNextId = 0;
  CMapWordToPtr m_userAttributeNames;  // id -> owned CString
  CMapWordToPtr m_userAttributes;      // id -> owned GXUserAttributeEntry
  CString m_sSection = "Styles";

 private:
  WORD AllocateId() { return (WORD)(m_nNextId++ & 0xFFFF); }
};

#endif  // GRID_CORE_GXSTYLESMAP_H
