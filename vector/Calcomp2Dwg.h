// CCalcomp2Dwg: turns a Calcomp 906/907 plot file into an AC1014 DWG file at a path the caller
// chose, one LINE a pen-down move in plotter steps, coloured by the pen number. The document's
// open road then opens that file as a vector drawing converted from Calcomp.
// Not for: decoding the plot stream (model/Calcomp.h) nor HP-GL plot files (model/Hpgl.h).
#pragma once

#include "FrameworkWin.h"

#include <cstdint>

class CCalcomp2Dwg {
 public:
  explicit CCalcomp2Dwg(const char* path);
  virtual ~CCalcomp2Dwg();
  CCalcomp2Dwg(const CCalcomp2Dwg&) = delete;
  CCalcomp2Dwg& operator=(const CCalcomp2Dwg&) = delete;

  // The file offset behind the preamble's "^^^^END OF FILE" line; 0 when the file does not
  // open, does not begin with "&&&&CALCOMP DEVICE CONTROL" or the end line never comes.
  static long FindDataStart(const char* path);

  // TRUE when the whole plot stream was decoded and the DWG file saved at m_strOutPath. A file
  // without the preamble, with a wrong data header or cut inside an instruction, and a save that
  // fails, give FALSE; no DWG file is then left at m_strOutPath.
  BOOL Convert();

  CString m_strPath;
  CString m_strOutPath;  // assigned by the caller before Convert
  int32_t m_converted = 0;
};
