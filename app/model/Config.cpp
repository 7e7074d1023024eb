// The settings record: one table names every stored field with its profile key, section,
// default and reading rule, and both the reading and the writing walk that one table.
#include "Config.h"

#include <cstddef>
#include <cstdio>
#include <cstdlib>

IMPLEMENT_DYNAMIC(CConfig, CObject)

namespace {

enum class Kind { Int, String, Real };

// What happens to a value as it is read.
enum class Rule {
  None,
  SnapType,   // outside 1..2 becomes 1
  SnapSize,   // outside 0..3 becomes 0
  Alias,      // outside 0..2 becomes 1
  Directory,  // ApplyDirectoryRule
  Trim,       // trimmed on both sides
  CalsDir,    // trimmed; empty becomes the program's folder
  CalsExt,    // trimmed; empty becomes "CAL"
};

struct Field {
  const char* key;
  const char* section;
  Kind kind;
  int CConfig::*intField;
  CString CConfig::*stringField;
  double CConfig::*realField;
  int intDefault;
  const char* textDefault;  // strings and reals ("1.0")
  Rule rule;
};

constexpr const char* kConfig = "Config";
constexpr const char* kHead = "PaperHead";
constexpr const char* kRaster = "RasterPrinting";

Field IntField(const char* key, const char* section, int CConfig::*f, int def, Rule rule = Rule::None) {
  return Field{key, section, Kind::Int, f, nullptr, nullptr, def, nullptr, rule};
}
Field StringField(const char* key, const char* section, CString CConfig::*f, Rule rule = Rule::None) {
  return Field{key, section, Kind::String, nullptr, f, nullptr, 0, "", rule};
}
Field RealField(const char* key, const char* section, double CConfig::*f, const char* def) {
  return Field{key, section, Kind::Real, nullptr, nullptr, f, 0, def, Rule::None};
}

// In the order the profile is read; writing uses the same order.
const Field* Fields(size_t& count) {
  static const Field fields[] = {
      IntField("DarkDWG", kConfig, &CConfig::m_nDarkDWG, 0),
      IntField("BWDWG", kConfig, &CConfig::m_nBWDWG, 0),
      IntField("SnapType", kConfig, &CConfig::m_nSnapType, 0, Rule::SnapType),
      IntField("SnapSize", kConfig, &CConfig::m_nSnapSize, 1, Rule::SnapSize),
      IntField("Unit", kConfig, &CConfig::m_nUnit, 0),
      IntField("Decimals", kConfig, &CConfig::m_nDecimals, 1),
      IntField("TextHeight", kConfig, &CConfig::m_nTextHeight, 0),
      IntField("Alias", kConfig, &CConfig::m_nAlias, 1, Rule::Alias),
      StringField("SHXDir", kConfig, &CConfig::m_strSHXDir, Rule::Directory),
      IntField("UseShx", kConfig, &CConfig::m_nUseShx, 1),
      IntField("XrefMissingWarning", kConfig, &CConfig::m_nXrefMissingWarning, 1),
      IntField("XrefShowText", kConfig, &CConfig::m_nXrefShowText, 1),
      StringField("RedlineDir", kConfig, &CConfig::m_strRedlineDir, Rule::Directory),
      IntField("UseRedlineDir", kConfig, &CConfig::m_nUseRedlineDir, 0),
      StringField("RSTWPath", kConfig, &CConfig::m_strRSTWPath, Rule::Trim),
      IntField("RotateCals", kConfig, &CConfig::m_nRotateCals, 1),
      IntField("UseQuickView", kConfig, &CConfig::m_nUseQuickView, 1),
      IntField("ShowRedline", kConfig, &CConfig::m_nShowRedline, 1),
      IntField("ViewDwg", kConfig, &CConfig::m_nViewDwg, 0),
      IntField("Scanner", kConfig, &CConfig::m_nScanner, 0),
      IntField("OnTop", kConfig, &CConfig::m_nOnTop, 0),
      IntField("Dlp", kConfig, &CConfig::m_nDlp, 1),
      IntField("UsePrevLSet", kConfig, &CConfig::m_nUsePrevLSet, 0),
      StringField("LLSet", kConfig, &CConfig::m_strLLSet, Rule::Trim),
      StringField("CALSDir", kConfig, &CConfig::m_strCALSDir, Rule::CalsDir),
      StringField("CALSExt", kConfig, &CConfig::m_strCALSExt, Rule::CalsExt),
      StringField("CALSSpec", kConfig, &CConfig::m_strCALSSpec, Rule::Trim),
      StringField("LaunchApp", kConfig, &CConfig::m_strLaunchApp, Rule::Trim),
      IntField("Use", kHead, &CConfig::m_nHeadUse, 1),
      IntField("FileName", kHead, &CConfig::m_nHeadFileName, 1),
      IntField("Time", kHead, &CConfig::m_nHeadTime, 1),
      IntField("Scale", kHead, &CConfig::m_nHeadScale, 1),
      IntField("Text", kHead, &CConfig::m_nHeadText, 1),
      StringField("UserText", kHead, &CConfig::m_strHeadUserText),
      IntField("All", kHead, &CConfig::m_nPrintAll, 1),
      IntField("Fit", kHead, &CConfig::m_nPrintFit, 1),
      RealField("Scale1", kHead, &CConfig::m_dScale1, "1.0"),
      RealField("Scale2", kHead, &CConfig::m_dScale2, "1.0"),
      IntField("Copies", kHead, &CConfig::m_nCopies, 1),
      IntField("What", kHead, &CConfig::m_nPrintWhat, 0),
      IntField("PenType", kHead, &CConfig::m_nPenType, 0),
      IntField("PenWidth", kHead, &CConfig::m_nPenWidth, 1),
      IntField("Size", kHead, &CConfig::m_nPaperSize, 0),
      IntField("Left", kHead, &CConfig::m_nPaperLeft, 1),
      IntField("Top", kHead, &CConfig::m_nPaperTop, 1),
      IntField("Format", kRaster, &CConfig::m_nRasterFormat, 0),
      IntField("Port", kRaster, &CConfig::m_nRasterPort, 0),
      IntField("Printer", kRaster, &CConfig::m_nRasterPrinter, 0),
      IntField("ForceDpi", kRaster, &CConfig::m_nForceDpi, 1),
      IntField("Dpi", kRaster, &CConfig::m_nDpi, 400),
      IntField("AllowDpi", kRaster, &CConfig::m_nAllowDpi, 1),
      IntField("Dpi2", kRaster, &CConfig::m_nDpi2, 200),
      IntField("UsePrim", kRaster, &CConfig::m_nUsePrim, 1),
      IntField("Prim", kRaster, &CConfig::m_nPrim, 594),
      IntField("UseSnd", kRaster, &CConfig::m_nUseSnd, 1),
      IntField("Snd", kRaster, &CConfig::m_nSnd, 297),
      IntField("SWCopies", kRaster, &CConfig::m_nSWCopies, 0),
  };
  count = sizeof fields / sizeof fields[0];
  return fields;
}

CString Trimmed(const CString& value) {
  CString s = value;
  s.TrimLeft();
  s.TrimRight();
  return s;
}

int ApplyIntRule(Rule rule, int v) {
  switch (rule) {
    case Rule::SnapType:
      return (v < 1 || v > 2) ? 1 : v;
    case Rule::SnapSize:
      return (v < 0 || v > 3) ? 0 : v;
    case Rule::Alias:
      return (v < 0 || v > 2) ? 1 : v;
    default:
      return v;
  }
}

CString ApplyStringRule(Rule rule, const CString& v, const char* programDir) {
  switch (rule) {
    case Rule::Directory:
      return ApplyDirectoryRule(v);
    case Rule::Trim:
      return Trimmed(v);
    case Rule::CalsDir: {
      CString s = Trimmed(v);
      return s.IsEmpty() ? CString(programDir) : s;
    }
    case Rule::CalsExt: {
      CString s = Trimmed(v);
      return s.IsEmpty() ? CString("CAL") : s;
    }
    default:
      return v;
  }
}

}  // namespace

CString ApplyDirectoryRule(const CString& value) {
  CString s = Trimmed(value);
  if (!s.IsEmpty()) {
    char last = s[s.GetLength() - 1];
    if (last != '\\' && last != '/') s += '\\';
  }
  return s;
}

CConfig::CConfig(CConfigProfile* pProfile, const char* programDir) : m_pProfile(pProfile) {
  Read(programDir ? programDir : "");
}

CConfig::~CConfig() { Write(); }

void CConfig::Read(const char* programDir) {
  size_t n;
  const Field* fields = Fields(n);
  for (size_t i = 0; i < n; ++i) {
    const Field& f = fields[i];
    switch (f.kind) {
      case Kind::Int:
        this->*f.intField = ApplyIntRule(f.rule, m_pProfile->GetInt(f.section, f.key, f.intDefault));
        break;
      case Kind::String:
        this->*f.stringField = ApplyStringRule(f.rule, m_pProfile->GetString(f.section, f.key, f.textDefault), programDir);
        break;
      case Kind::Real:
        this->*f.realField = atof(m_pProfile->GetString(f.section, f.key, f.textDefault));
        break;
    }
  }
  m_nPrintChoice = -1;
}

void CConfig::Write() {
  size_t n;
  const Field* fields = Fields(n);
  for (size_t i = 0; i < n; ++i) {
    const Field& f = fields[i];
    switch (f.kind) {
      case Kind::Int:
        m_pProfile->WriteInt(f.section, f.key, this->*f.intField);
        break;
      case Kind::String:
        m_pProfile->WriteString(f.section, f.key, this->*f.stringField);
        break;
      case Kind::Real: {
        char text[64];
        snprintf(text, sizeof text, "%f", this->*f.realField);
        m_pProfile->WriteString(f.section, f.key, text);
        break;
      }
    }
  }
}
