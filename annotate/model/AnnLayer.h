// CAnnLayer: one named annotation layer. Its objects are drawn and hit only while it is visible,
// and new objects on it take its colour. The annotation set owns its layers by id.
// Not for: the layer dialogs (Windows side).
#pragma once

#include "Object.h"
#include "Str.h"

class CAnnLayer : public CObject {
  DECLARE_SERIAL(CAnnLayer)
 public:
  CAnnLayer() = default;
  CAnnLayer(LPCSTR lpszName, DWORD crColour, DWORD nVisible);

  // Archive form: the name, u32 colour, then the visible flag as a u16 (read back zero-extended).
  void Serialize(CArchive& ar) override;

  CString m_strName;
  DWORD m_crColour = 0x00FFFFFF;  // COLORREF
  DWORD m_nVisible = 1;
};
