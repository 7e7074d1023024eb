// What VLReg writes to the registry, worked out without the registry: where the main program
// lies beside VLReg, the ordered list of key writes for the user's choices, running such a list
// against a registry target with the stopping rule, and which message tells the outcome.
// Not for: the dialog or the Windows registry itself (VLRegDlg.cpp, RegistryWriter.cpp).
#pragma once

#include <vector>

#include "Str.h"
#include "resource.h"

// The file name of the program VLReg registers; it lies in VLReg's own folder.
extern const char kMainProgramName[];

// The directory part of a module's file name (up to and including its last backslash; empty
// when there is none) joined with the given file name.
CString PathBesideModule(LPCSTR lpszModuleFileName, LPCSTR lpszFileName);

// The choices of the dialog.
struct VLRegChoices {
  BOOL bCal = TRUE;
  BOOL bDwg = TRUE;
  BOOL bDxf = TRUE;
  BOOL bTif = TRUE;
  BOOL bOther = FALSE;
  CString strOther;  // as typed, at most 3 characters
};

// The other extension as it is registered: trimmed of white space at both ends, with a "."
// put in front when it does not start with one. An empty text stays empty: it names no
// extension.
CString PrepareOtherExtension(const CString& strOther);

// An extension the shell can match: "." followed by one or more characters, none of them a
// further ".", a character that a file name cannot hold (\ / : * ? " < > |) or a control
// character. A backslash would make the key a path of keys and register something else.
bool IsFileExtension(const CString& strExtension);

// One key of the plan and the values set in it (REG_SZ; an empty name is the default value).
struct RegValue {
  CString name;
  CString data;
};
struct RegWrite {
  CString key;
  std::vector<RegValue> values;
  CString extension;  // the extension this key registers; empty for the document type's keys
};

// The ordered registry writes under HKEY_CLASSES_ROOT: the document-type key with its open and
// DDE commands, then the chosen extensions in the fixed order .cal, .dwg, .dxf, .tif, other.
// The open command quotes the main program's path so that a path with blanks starts it. The
// other extension is prepared as above; an empty one is left out. False (and an empty plan)
// when Other is chosen with a text that IsFileExtension refuses.
bool BuildRegistrationPlan(const CString& strMainProgram, const VLRegChoices& choices, std::vector<RegWrite>& plan);

// Where a plan is written: HKEY_CLASSES_ROOT in the program, a recording fake in the tests.
class CRegistryTarget {
 public:
  virtual ~CRegistryTarget() = default;
  // Creates the key or opens the existing one (keeping its other values and subkeys); it is
  // the current key until CloseKey.
  virtual bool CreateKey(LPCSTR lpszKey) = 0;
  virtual bool SetValue(LPCSTR lpszName, LPCSTR lpszData) = 0;
  virtual void CloseKey() = 0;
};

enum class RegistrationResult {
  Finished,    // every write of the plan succeeded
  Failed,      // a write of the document type's keys was refused: the shell cannot open anything
  Incomplete,  // the document type stands, but an extension key was refused
};

struct RegistrationOutcome {
  RegistrationResult result = RegistrationResult::Finished;
  // With Incomplete: the extensions that were not (or not fully) written, in plan order.
  std::vector<CString> notWritten;
};

// Writes the plan in order. The first create or set that fails ends the run: the open key is
// closed, no later key is written and what was written stays.
RegistrationOutcome RunRegistrationPlan(const std::vector<RegWrite>& plan, CRegistryTarget& target);

// The message box that tells an outcome: its string-table entry (IDS_VLREG_...), its icon and
// the text for its "%1" (the extensions not written, ", " between them).
enum class MessageIcon { Stop, Exclamation };
struct RegistrationMessage {
  UINT nIDPrompt;
  MessageIcon icon;
  CString strInsert;
};
RegistrationMessage MessageForOutcome(const RegistrationOutcome& outcome);
