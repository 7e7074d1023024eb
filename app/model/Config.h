// CConfig: every user setting of the program in one record. Creating it reads each setting from
// the application's profile; deleting it writes each one back. Nothing touches the profile in
// between, so a setting changed while the program runs reaches the file only at an orderly exit.
// The profile comes through CConfigProfile, which the Windows side fills with the application's
// profile functions; this file is portable and never includes <windows.h>.
// Not for: the settings sheet (it edits the fields), the pen-width lists of "ProgramDefault".
#pragma once

#include "Object.h"
#include "Str.h"

// The four profile calls the record needs. Integers are 32-bit signed, strings as stored.
class CConfigProfile {
 public:
  virtual ~CConfigProfile() = default;
  virtual int GetInt(const char* section, const char* key, int nDefault) = 0;
  virtual CString GetString(const char* section, const char* key, const char* lpszDefault) = 0;
  virtual void WriteInt(const char* section, const char* key, int nValue) = 0;
  virtual void WriteString(const char* section, const char* key, const char* lpszValue) = 0;
};

class CConfig : public CObject {
  DECLARE_DYNAMIC(CConfig)
 public:
  // Reads every setting. The profile is borrowed and must outlive the record; programDir is the
  // program's folder with its trailing separator (the default of "CALSDir").
  CConfig(CConfigProfile* pProfile, const char* programDir);
  // Writes every stored setting back.
  ~CConfig() override;
  CConfig(const CConfig&) = delete;
  CConfig& operator=(const CConfig&) = delete;

  // Section "Config".
  int m_nViewDwg = 0;
  int m_nDarkDWG = 0;
  int m_nSnapType = 1;
  int m_nSnapSize = 0;
  int m_nUnit = 0;
  int m_nDecimals = 1;
  int m_nBWDWG = 0;
  CString m_strSHXDir;
  int m_nUseShx = 1;
  int m_nXrefMissingWarning = 1;
  int m_nXrefShowText = 1;
  CString m_strRedlineDir;
  int m_nUseRedlineDir = 0;
  int m_nAlias = 1;
  int m_nTextHeight = 0;
  int m_nRotateCals = 1;
  int m_nUseQuickView = 1;
  int m_nShowRedline = 1;
  int m_nScanner = 0;
  CString m_strRSTWPath;
  int m_nOnTop = 0;
  int m_nDlp = 1;
  int m_nUsePrevLSet = 0;
  CString m_strLLSet;
  CString m_strCALSDir;
  CString m_strCALSExt;
  CString m_strCALSSpec;
  CString m_strLaunchApp;

  // Section "PaperHead".
  int m_nHeadUse = 1;
  int m_nHeadFileName = 1;
  int m_nHeadTime = 1;
  int m_nHeadScale = 1;
  int m_nHeadText = 1;
  CString m_strHeadUserText;
  int m_nPrintAll = 1;
  int m_nPrintFit = 1;
  double m_dScale1 = 1.0;
  double m_dScale2 = 1.0;
  int m_nCopies = 1;
  int m_nPrintWhat = 0;
  int m_nPrintChoice = -1;  // never stored: -1 on every start
  int m_nPaperSize = 0;
  int m_nPaperLeft = 1;
  int m_nPaperTop = 1;
  int m_nPenType = 0;
  int m_nPenWidth = 1;

  // Section "RasterPrinting".
  int m_nRasterFormat = 0;
  int m_nRasterPort = 0;
  int m_nRasterPrinter = 0;
  int m_nForceDpi = 1;
  int m_nDpi = 400;
  int m_nAllowDpi = 1;
  int m_nDpi2 = 200;
  int m_nUsePrim = 1;
  int m_nPrim = 594;
  int m_nUseSnd = 1;
  int m_nSnd = 297;
  int m_nSWCopies = 0;

 private:
  void Read(const char* programDir);
  void Write();
  CConfigProfile* m_pProfile;  // borrowed: the application's profile
};

// The folder rule of "SHXDir" and "RedlineDir" (also applied by the settings sheet): trimmed on
// both sides, and a separator appended unless the text is empty or already ends in one.
CString ApplyDirectoryRule(const CString& value);
