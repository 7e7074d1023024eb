// Reading the shell's DDE commands into their parts.
#include "DdeCommand.h"

#include <cstdlib>
#include <cstring>

namespace {

struct Keyword {
  const char* text;
  DdeKind kind;
  size_t argumentAt;  // where the arguments start; 0 for commands without arguments
};

// In the order the commands are compared.
const Keyword kKeywords[] = {
    {"#EXIT#", DdeKind::Exit, 0},
    {"#RESTOREWINDOW#", DdeKind::RestoreWindow, 0},
    {"#MINIMIZEWINDOW#", DdeKind::MinimizeWindow, 0},
    {"#MAXIMIZEWINDOW#", DdeKind::MaximizeWindow, 0},
    {"#THUMB#", DdeKind::Thumb, 8},
    {"#PRINT#", DdeKind::Print, 8},
    {"#SLEEP#", DdeKind::Sleep, 8},
    {"#OPENFILE#", DdeKind::OpenFile, 11},
    {"#CLOSEFILE#", DdeKind::CloseFile, 12},
};

// The text after the next ";" from pos, or null when there is none; pos moves past it.
const char* NextField(const char*& pos) {
  if (!pos) return nullptr;
  const char* semi = strchr(pos, ';');
  if (!semi) {
    pos = nullptr;
    return nullptr;
  }
  pos = semi + 1;
  return pos;
}

DdePrintArgs ParsePrint(const CString& argument) {
  DdePrintArgs args;
  int semi = argument.Find(';');
  if (semi < 0) {
    args.path = argument;
    return args;
  }
  args.path = argument.Left(semi);
  const char* pos = static_cast<const char*>(argument) + semi;
  int* numbers[] = {&args.mode, &args.scale, &args.fileName, &args.time, &args.text};
  for (int* n : numbers) {
    const char* field = NextField(pos);
    if (!field) return args;
    *n = atoi(field);
  }
  if (args.text == 1) {
    const char* field = NextField(pos);
    if (field) args.userText = field;
  }
  return args;
}

}  // namespace

DdeCommand ParseDdeCommand(const char* command) {
  DdeCommand cmd;
  if (!command) return cmd;
  size_t length = strlen(command);
  for (const Keyword& k : kKeywords) {
    size_t n = strlen(k.text);
    if (strncmp(command, k.text, n) != 0) continue;
    if (k.kind == DdeKind::CloseFile && length == n) {
      cmd.kind = DdeKind::CloseAll;
      return cmd;
    }
    if (k.argumentAt > length) {
      cmd.kind = DdeKind::TooShort;
      return cmd;
    }
    cmd.kind = k.kind;
    if (k.argumentAt == 0) return cmd;
    cmd.argument = command + k.argumentAt;
    switch (k.kind) {
      case DdeKind::Thumb:
      case DdeKind::CloseFile:
        cmd.path = cmd.argument;
        break;
      case DdeKind::OpenFile: {
        int semi = cmd.argument.Find(';');
        if (semi >= 0) {
          cmd.path = cmd.argument.Left(semi);
          cmd.pending = cmd.argument.Mid(semi + 1);
          cmd.hasPending = TRUE;
        } else {
          cmd.path = cmd.argument;
        }
        break;
      }
      case DdeKind::Sleep: {
        // A negative time would be taken as an unsigned one of weeks: it waits not at all.
        int ms = atoi(cmd.argument.SpanExcluding("|"));
        cmd.milliseconds = ms < 0 ? 0 : ms;
        break;
      }
      case DdeKind::Print:
        cmd.print = ParsePrint(cmd.argument);
        break;
      default:
        break;
    }
    return cmd;
  }
  return cmd;
}

CString TakeFirstPendingName(CString& list) {
  int semi = list.Find(';');
  CString first;
  if (semi < 0) {
    first = list;
    list.Empty();
  } else {
    first = list.Left(semi);
    list = list.Mid(semi + 1);
  }
  return first;
}
