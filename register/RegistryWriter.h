// The registry target of VLReg's plan over the Windows registry: keys under a root key
// (HKEY_CLASSES_ROOT in the program), REG_SZ values.
#pragma once

#include "FrameworkWin.h"
#include "RegistrationPlan.h"

class CRegistryWriter : public CRegistryTarget {
 public:
  explicit CRegistryWriter(HKEY hRoot = HKEY_CLASSES_ROOT) : m_hRoot(hRoot) {}
  ~CRegistryWriter() override { CloseKey(); }
  CRegistryWriter(const CRegistryWriter&) = delete;
  CRegistryWriter& operator=(const CRegistryWriter&) = delete;

  bool CreateKey(LPCSTR lpszKey) override;
  bool SetValue(LPCSTR lpszName, LPCSTR lpszData) override;
  void CloseKey() override;

 private:
  HKEY m_hRoot;            // borrowed: a predefined key or the caller's
  HKEY m_hKey = nullptr;   // owned: the key being written
};
