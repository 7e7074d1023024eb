// OLE server registration as the application's start-up asks for it: the template server that
// ties a document template to its class identifier, hands COM its class object (which makes a new
// server document for each object a container asks for), and the registry entries that name the
// program as that class's local server. A factory that cannot create its objects (no server
// document class serves the template's documents) hands COM no class object and writes no
// registry entries: a container that found the entries would start the program and wait for a
// class object that never comes. Stale entries of such a class that name this program are removed.
#pragma once

#include "Win32Platform.h"
#include <objbase.h>

#include "CmdTarget.h"

class CDocTemplate;

enum OLE_APPTYPE {
  OAT_UNKNOWN = -1,
  OAT_INPLACE_SERVER = 0,
  OAT_SERVER = 1,
  OAT_CONTAINER = 2,
  OAT_DISPATCH_OBJECT = 3,
  OAT_DOC_OBJECT_SERVER = 4,
};

class COleObjectFactory : public CCmdTarget {
  DECLARE_DYNAMIC(COleObjectFactory)
 public:
  COleObjectFactory();
  ~COleObjectFactory() override;

  const CLSID& GetClassID() const { return m_clsid; }
  // Hands the class objects of every connected factory to COM; FALSE when a connected factory
  // cannot serve (an embedded or automated start then has nothing to offer).
  static BOOL RegisterAll();
  // Takes every class object back from COM (no new objects are made from then on).
  static void RevokeAll();
  // Writes (or with FALSE removes) the registry entries of every connected factory; a factory
  // that cannot serve writes none and removes its class's entries that name this program.
  static BOOL UpdateRegistryAll(BOOL bRegister = TRUE);
  virtual BOOL UpdateRegistry(BOOL bRegister = TRUE);
  // TRUE when the factory can create the objects of its class for COM.
  virtual BOOL CanServe() const { return FALSE; }
  // A new object for COM, with a reference for the caller; null when none can be made.
  virtual IUnknown* OnCreateObject() { return nullptr; }

 protected:
  class XClassFactory;
  XClassFactory* m_pClassFactory = nullptr;  // owned reference
  DWORD m_dwRegister = 0;                    // COM's cookie while registered
  // Removes the class's entries when they name this program (module) as the local server.
  void RemoveStaleEntries(LPCSTR module);
  CLSID m_clsid = {};
  BOOL m_bConnected = FALSE;
  CString m_strProgID;
  CString m_strTypeName;
};

class COleTemplateServer : public COleObjectFactory {
  DECLARE_DYNAMIC(COleTemplateServer)
 public:
  // Ties the template (borrowed: the application owns it) to the class identifier; the
  // program identifier and type name come from the template's document string.
  void ConnectTemplate(REFCLSID clsid, CDocTemplate* pDocTemplate, BOOL bMultiInstance);
  // FALSE, with nothing written, when the factory cannot serve.
  BOOL UpdateRegistry(OLE_APPTYPE nAppType);
  using COleObjectFactory::UpdateRegistry;
  CDocTemplate* GetDocTemplate() const { return m_pDocTemplate; }
  BOOL IsMultiInstance() const { return m_bMultiInstance; }
  // Serves when the template's documents are server documents.
  BOOL CanServe() const override;
  // A new, empty server document of the template, embedded.
  IUnknown* OnCreateObject() override;

 private:
  CDocTemplate* m_pDocTemplate = nullptr;  // borrowed
  BOOL m_bMultiInstance = FALSE;
};

// The class identifier as registry text: "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}", upper case.
CString AfxStringFromCLSID(REFCLSID clsid);
