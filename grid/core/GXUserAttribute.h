// User attributes of styles: values that cell controls define for themselves, each under a 16-bit
// id (text or number, a small integer for the ellipsis kind, or an OLE variant), and the sorted map
// of them that a style owns.
// Not for: the names of the attributes (the styles map keeps them, GXStylesMap.h).
#ifndef GRID_CORE_GXUSERATTRIBUTE_H
#define GRID_CORE_GXUSERATTRIBUTE_H

#include "Framework.h"
#include "OleVariant.h"

class CGXAbstractUserAttribute : public CObject {
  DECLARE_SERIAL(CGXAbstractUserAttribute)

 public:
  CGXAbstractUserAttribute() = default;
  void Serialize(CArchive& ar) override;

  virtual CGXAbstractUserAttribute& SetValue(LPCTSTR pszValue);
  virtual CGXAbstractUserAttribute& SetValue(const CString& s);
  virtual const CString& GetValue() const;
  virtual LONG GetLongValue() const;
  virtual DWORD GetDWordValue() const;
  virtual double GetDoubleValue() const;
  virtual CGXAbstractUserAttribute* Clone() const;
  virtual BOOL IsEqual(const CGXAbstractUserAttribute& other) const;
  virtual BOOL IsEmpty() const;

  LPCTSTR GetValueText() const { return GetValue(); }

  WORD m_nId = 0;
};

class CGXUserAttribute : public CGXAbstractUserAttribute {
  DECLARE_SERIAL(CGXUserAttribute)

 public:
  enum { vtEmpty = 0, vtDWord = 1, vtLong = 2, vtShortText = 3, vtText = 4, vtDouble = 5, vtBytes8 = 6 };

  CGXUserAttribute() = default;
  explicit CGXUserAttribute(LPCTSTR pszValue) { SetValue(pszValue); }
  explicit CGXUserAttribute(const CString& s) { SetValue(s); }
  CGXUserAttribute(const CGXUserAttribute& other);
  ~CGXUserAttribute() override;
  CGXUserAttribute& operator=(const CGXUserAttribute&) = delete;

  void Serialize(CArchive& ar) override;
  using CGXAbstractUserAttribute::SetValue;
  CGXAbstractUserAttribute& SetValue(LPCTSTR pszValue) override;
  const CString& GetValue() const override;
  LONG GetLongValue() const override;
  DWORD GetDWordValue() const override;
  double GetDoubleValue() const override;
  CGXAbstractUserAttribute* Clone() const override;
  BOOL IsEqual(const CGXAbstractUserAttribute& other) const override;

  void SetDWord(DWORD dw);
  void SetLong(LONG n);
  void SetDouble(double d);
  void SetBytes8(const BYTE* pBytes);
  DWORD GetValueType() const { return m_nType; }
  // The text of a short (type 3) or long (type 4) text value.
  CString GetText() const;

 private:
  void FreeText();
  void SetText(LPCTSTR pszText, size_t nLen);

  DWORD m_nType = vtEmpty;
  union {
    DWORD dw;
    LONG n;
    double d;
    BYTE bytes[8];
    char* pszText;
  } m_value{};
  mutable CString m_sValue;  // the text GetValue gives
};

class CGXEllipseUserAttribute : public CGXAbstractUserAttribute {
  DECLARE_SERIAL(CGXEllipseUserAttribute)

 public:
  CGXEllipseUserAttribute() = default;
  explicit CGXEllipseUserAttribute(LONG nValue) : m_nValue(nValue) {}

  // Stored as a 16-bit word; a value outside 0..65535, which would come back changed, is refused
  // with CArchiveException::generic instead of being cut.
  void Serialize(CArchive& ar) override;
  using CGXAbstractUserAttribute::SetValue;
  CGXAbstractUserAttribute& SetValue(LPCTSTR) override { return *this; }
  LONG GetLongValue() const override { return m_nValue; }
  DWORD GetDWordValue() const override { return (DWORD)m_nValue; }
  double GetDoubleValue() const override { return m_nValue; }
  CGXAbstractUserAttribute* Clone() const override;
  BOOL IsEqual(const CGXAbstractUserAttribute& other) const override;
  BOOL IsEmpty() const override { return TRUE; }
  virtual void SetNumber(LONG nValue) { m_nValue = nValue; }
  virtual LONG GetNumber() const { return m_nValue; }

 private:
  LONG m_nValue = 0;
};

// The process-wide pool of variants that OLE-variant attributes take theirs from.
class CGXVariantPool {
 public:
  ~CGXVariantPool();
  COleVariant* Take();
  void Give(COleVariant* pVariant);
  int GetFreeCount() const { return (int)m_free.size(); }

 private:
  std::vector<COleVariant*> m_free;
};
CGXVariantPool* GXGetVariantPool();

class CGXOleVarUserAttribute : public CGXAbstractUserAttribute {
  DECLARE_SERIAL(CGXOleVarUserAttribute)

 public:
  CGXOleVarUserAttribute() = default;
  explicit CGXOleVarUserAttribute(const COleVariant& value) { SetVariant(value); }
  ~CGXOleVarUserAttribute() override;
  CGXOleVarUserAttribute(const CGXOleVarUserAttribute&) = delete;
  CGXOleVarUserAttribute& operator=(const CGXOleVarUserAttribute&) = delete;

  // The variant's contents are not kept: one neutral word 0 is written, and loading, whatever the
  // word, leaves an empty variant.
  void Serialize(CArchive& ar) override;
  CGXAbstractUserAttribute* Clone() const override;
  BOOL IsEmpty() const override;
  virtual BOOL IsSameVariant(const CGXOleVarUserAttribute& other) const;

  void SetVariant(const COleVariant& value);
  const COleVariant* GetVariant() const { return m_pVariant; }

 private:
  COleVariant* m_pVariant = nullptr;  // from the pool, given back by the destructor
};

// The user attributes of one style, owned and sorted by ascending id.
class CGXUserAttributeMap : public CObArray {
  DECLARE_SERIAL(CGXUserAttributeMap)

 public:
  CGXUserAttributeMap() = default;
  ~CGXUserAttributeMap() override;
  CGXUserAttributeMap(const CGXUserAttributeMap&) = delete;
  CGXUserAttributeMap& operator=(const CGXUserAttributeMap&) = delete;

  void SetAttribute(WORD nId, const CGXAbstractUserAttribute& value);
  // Takes ownership of pAttribute.
  void SetAttributePtr(WORD nId, CGXAbstractUserAttribute* pAttribute);
  void RemoveAttribute(WORD nId);
  const CGXAbstractUserAttribute* GetAttribute(WORD nId) const;
  BOOL IsEmpty() const { return GetSize() == 0; }
  void ChangeMap(const CGXUserAttributeMap* pOther, int nMode);
  void RemoveAll();
  CGXAbstractUserAttribute* GetAttributeAt(int i) const { return static_cast<CGXAbstractUserAttribute*>(GetAt(i)); }

  // A 16-bit count, then per attribute the object and its 16-bit id. Refuses to store more
  // attributes than the count word holds.
  void Serialize(CArchive& ar) override;

 private:
  int FindIndex(WORD nId) const;  // the index of the id, or -1
  void Sort();
};

#endif  // GRID_CORE_GXUSERATTRIBUTE_H
