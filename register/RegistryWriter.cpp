// VLReg's registry writes: create or open a key, set REG_SZ values in it, close it.
#include "RegistryWriter.h"

bool CRegistryWriter::CreateKey(LPCSTR lpszKey) {
  CloseKey();
  // An existing key is opened and keeps its other values and subkeys.
  return ::RegCreateKeyA(m_hRoot, lpszKey, &m_hKey) == ERROR_SUCCESS;
}

bool CRegistryWriter::SetValue(LPCSTR lpszName, LPCSTR lpszData) {
  if (!m_hKey) return false;
  // The size counts the closing zero, as REG_SZ data must: a reader that takes the stored bytes
  // as they are would otherwise read past the text.
  const DWORD size = static_cast<DWORD>(strlen(lpszData) + 1);
  return ::RegSetValueExA(m_hKey, lpszName, 0, REG_SZ, reinterpret_cast<const BYTE*>(lpszData), size) ==
         ERROR_SUCCESS;
}

void CRegistryWriter::CloseKey() {
  if (!m_hKey) return;
  ::RegCloseKey(m_hKey);
  m_hKey = nullptr;
}
