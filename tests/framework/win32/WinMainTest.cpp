// The framework's WinMain: a program made of an application object alone starts, runs its
// message loop and ends with the exit code its ExitInstance gives, with the raw command line
// handed over unchanged; a failed start-up ends the program through ExitInstance too.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

DWORD RunSmokeApp(const std::string& args) {
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, sizeof self);
  std::string dir(self);
  dir = dir.substr(0, dir.find_last_of('\\') + 1);
  std::string exe = dir + "framework_win_smoke_app.exe";
  std::string cmd = "\"" + exe + "\" " + args;
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessA(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return 0xFFFF;
  DWORD code = 0xFFFE;
  if (WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0) GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return code;
}

TEST(WinMain, RunsTheApplicationObjectToItsEnd) {
  EXPECT_EQ(RunSmokeApp("\"a b.tif\";c.dwg"), 42u);
  EXPECT_EQ(RunSmokeApp("other"), 1u);
  EXPECT_EQ(RunSmokeApp("/fail"), 7u);
}

}  // namespace
