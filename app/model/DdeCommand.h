// The shell's command language on the DDE "System" topic: a keyword between "#" characters,
// compared by its first characters, exactly and with case; the arguments start at a fixed
// place after the keyword and its separator, and fields are separated by ";". This file only
// reads a command string; the application carries the commands out.
// A command shorter than its keyword and separator has no arguments to read and is refused as
// too short instead of being read past its end.
#pragma once

#include "Str.h"

enum class DdeKind {
  Exit,
  RestoreWindow,
  MinimizeWindow,
  MaximizeWindow,
  Thumb,
  Print,
  Sleep,
  OpenFile,
  CloseFile,     // with a path
  CloseAll,      // exactly "#CLOSEFILE#"
  TooShort,      // a keyword that takes arguments, without room for them
  Other,         // not ours: the framework's own handling
};

struct DdePrintArgs {
  CString path;
  int mode = 0;
  int scale = 0;
  int fileName = 0;
  int time = 0;
  int text = 0;
  CString userText;  // only when text is 1
};

struct DdeCommand {
  DdeKind kind = DdeKind::Other;
  CString argument;    // the text after the keyword and its separator
  CString path;        // Thumb, OpenFile (first path), CloseFile
  CString pending;     // OpenFile: the paths after the first ";"
  BOOL hasPending = FALSE;
  int milliseconds = 0;  // Sleep, never negative
  DdePrintArgs print;
};

DdeCommand ParseDdeCommand(const char* command);

// Takes the first name off a ";"-separated list of pending files: the name up to the first ";"
// (the whole list when there is none); the list keeps what follows (empty when there was no ";").
CString TakeFirstPendingName(CString& list);
