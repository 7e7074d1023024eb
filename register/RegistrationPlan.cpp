// The registration plan of VLReg and its run against a registry target, free of the window
// system so that every combination of choices and every failure point is tested natively.
#include "RegistrationPlan.h"

const char kMainProgramName[] = "Vellview.exe";

namespace {

// The document type the extensions point at, and how the shell opens a file of it: by starting
// the main program, or, when it runs already, by its DDE "System" topic.
const char kDocumentType[] = "Orvane Vellora";
const char kOpenCommandKey[] = "Orvane Vellora\\shell\\open\\command";
const char kDdeKey[] = "Orvane Vellora\\shell\\open\\ddeexec";
const char kDdeApplicationKey[] = "Orvane Vellora\\shell\\open\\ddeexec\\Application";
const char kDdeTopicKey[] = "Orvane Vellora\\shell\\open\\ddeexec\\topic";
const char kOpenCommandSuffix[] = " \"%1\" /T";
const char kDdeCommand[] = "#OPENFILE#|%1";
const char kDdeApplication[] = "Vellview";
const char kDdeTopic[] = "System";
const char kContentType[] = "Content Type";
const char kOtherContentType[] = "image/x-orvanevl";

// The known extensions in the order they are written (not the order of the dialog's boxes).
struct KnownType {
  BOOL VLRegChoices::*chosen;
  const char* extension;
  const char* contentType;
};
const KnownType kKnownTypes[] = {
    {&VLRegChoices::bCal, ".cal", "image/x-cals"},
    {&VLRegChoices::bDwg, ".dwg", "image/x-dwg"},
    {&VLRegChoices::bDxf, ".dxf", "image/x-dxf"},
    {&VLRegChoices::bTif, ".tif", "image/tiff"},
};

RegWrite DefaultValue(const char* key, const CString& data) { return RegWrite{key, {RegValue{"", data}}, ""}; }

RegWrite ExtensionKey(const CString& extension, const char* contentType) {
  return RegWrite{extension, {RegValue{"", kDocumentType}, RegValue{kContentType, contentType}}, extension};
}

}  // namespace

CString PathBesideModule(LPCSTR lpszModuleFileName, LPCSTR lpszFileName) {
  CString module(lpszModuleFileName ? lpszModuleFileName : "");
  return module.Left(module.ReverseFind('\\') + 1) + lpszFileName;
}

CString PrepareOtherExtension(const CString& strOther) {
  CString extension = strOther;
  extension.TrimLeft();
  extension.TrimRight();
  if (!extension.IsEmpty() && extension[0] != '.') extension = "." + extension;
  return extension;
}

bool IsFileExtension(const CString& strExtension) {
  if (strExtension.GetLength() < 2 || strExtension[0] != '.') return false;
  for (int i = 1; i < strExtension.GetLength(); ++i) {
    unsigned char c = static_cast<unsigned char>(strExtension[i]);
    if (c < 0x20 || c == 0x7F || CString("./\\:*?\"<>|").Find(static_cast<char>(c)) >= 0) return false;
  }
  return true;
}

bool BuildRegistrationPlan(const CString& strMainProgram, const VLRegChoices& choices, std::vector<RegWrite>& plan) {
  plan.clear();
  const CString other = PrepareOtherExtension(choices.strOther);
  if (choices.bOther && !other.IsEmpty() && !IsFileExtension(other)) return false;

  plan.push_back(DefaultValue(kDocumentType, kDocumentType));
  plan.push_back(DefaultValue(kOpenCommandKey, "\"" + strMainProgram + "\"" + kOpenCommandSuffix));
  plan.push_back(DefaultValue(kDdeKey, kDdeCommand));
  plan.push_back(DefaultValue(kDdeApplicationKey, kDdeApplication));
  plan.push_back(DefaultValue(kDdeTopicKey, kDdeTopic));
  for (const KnownType& type : kKnownTypes) {
    if (choices.*type.chosen) plan.push_back(ExtensionKey(type.extension, type.contentType));
  }
  // Other checked with nothing typed would name the key "."; it registers nothing.
  if (choices.bOther && !other.IsEmpty()) plan.push_back(ExtensionKey(other, kOtherContentType));
  return true;
}

RegistrationOutcome RunRegistrationPlan(const std::vector<RegWrite>& plan, CRegistryTarget& target) {
  RegistrationOutcome outcome;
  for (size_t i = 0; i < plan.size(); ++i) {
    const RegWrite& write = plan[i];
    bool ok = target.CreateKey(write.key);
    if (ok) {
      for (const RegValue& value : write.values) {
        if (!target.SetValue(value.name, value.data)) {
          ok = false;
          break;
        }
      }
      target.CloseKey();
    }
    if (ok) continue;
    if (write.extension.IsEmpty()) {
      outcome.result = RegistrationResult::Failed;
      return outcome;
    }
    // The document type stands; this extension and the ones after it do not point at it.
    outcome.result = RegistrationResult::Incomplete;
    for (size_t j = i; j < plan.size(); ++j) outcome.notWritten.push_back(plan[j].extension);
    return outcome;
  }
  return outcome;
}

RegistrationMessage MessageForOutcome(const RegistrationOutcome& outcome) {
  switch (outcome.result) {
    case RegistrationResult::Finished:
      return {IDS_VLREG_FINISHED, MessageIcon::Exclamation, ""};
    case RegistrationResult::Failed:
      return {IDS_VLREG_FAILED, MessageIcon::Stop, ""};
    case RegistrationResult::Incomplete:
      break;
  }
  CString names;
  for (const CString& extension : outcome.notWritten) {
    if (!names.IsEmpty()) names += ", ";
    names += extension;
  }
  return {IDS_VLREG_INCOMPLETE, MessageIcon::Stop, names};
}
