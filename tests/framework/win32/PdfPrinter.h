// The real print system the printing tests print through: the cups-pdf printer
// "PDF" that Wine lists from CUPS, the PDF files it writes, and pdftoppm
// (poppler) turning a page into a grey image whose ink the tests look for.
// scripts/test.sh starts CUPS (vv_start_print); without it the tests say
// skipped and why.
#pragma once

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "WinTestSupport.h"

namespace vvtest {

inline std::string EnvText(const char* name) {
  char value[1024] = "";
  const DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
  return n > 0 && n < sizeof value ? std::string(value) : std::string();
}

// Why the PDF printer cannot be used, or empty when it can.
inline std::string PdfPrinterSkipReason() {
  const std::string skip = EnvText("VV_PRINT_SKIP");
  if (!skip.empty()) return "no print system: " + skip;
  if (EnvText("VV_PDF_DIR").empty())
    return "no print system: VV_PDF_DIR is not set (scripts/test.sh sets it "
           "when it starts CUPS)";
  char name[256] = "";
  DWORD size = sizeof name;
  if (!GetDefaultPrinterA(name, &size))
    return "no print system: Wine lists no default printer (scripts/test.sh "
           "starts CUPS with the cups-pdf printer)";
  if (std::string(name) != "PDF")
    return std::string("the default printer is \"") + name + "\", not the cups-pdf printer \"PDF\"";
  return std::string();
}

// The folder cups-pdf writes into, as a Unix path and as Wine sees it.
inline std::string PdfDirUnix() { return EnvText("VV_PDF_DIR"); }

inline std::string UnixToWine(const std::string& unix) {
  std::string s = "Z:" + unix;
  for (char& c : s)
    if (c == '/') c = '\\';
  return s;
}

inline std::set<std::string> ListPdfs() {
  std::set<std::string> names;
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((UnixToWine(PdfDirUnix()) + "\\*.pdf").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return names;
  do names.insert(fd.cFileName);
  while (FindNextFileA(h, &fd));
  FindClose(h);
  return names;
}

inline long long FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA a;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &a)) return -1;
  return ((long long)a.nFileSizeHigh << 32) | a.nFileSizeLow;
}

// The name of a PDF that was not there before, once its size has stopped
// growing; empty after the wait (a loaded machine converts slowly: the wait is
// generous).
inline std::string WaitForNewPdf(const std::set<std::string>& before, DWORD timeoutMs = 120000) {
  std::string found;
  long long lastSize = -2;
  int stable = 0;
  PumpUntil(
      [&] {
        if (found.empty()) {
          for (const std::string& n : ListPdfs())
            if (!before.count(n)) found = n;
          if (found.empty()) return false;
        }
        const long long size = FileSize(UnixToWine(PdfDirUnix() + "/" + found));
        stable = size > 0 && size == lastSize ? stable + 1 : 0;
        lastSize = size;
        if (stable < 3) Sleep(300);
        return stable >= 3;
      },
      timeoutMs);
  return stable >= 3 ? found : std::string();
}

// One page as pdftoppm renders it in grey.
struct GreyPage {
  int width = 0, height = 0;
  std::vector<unsigned char> pixels;
  // Share of pixels darker than the threshold (mid-grey unless given) in the
  // part given as fractions of the page. Thin lines render light at a low
  // resolution: they take a threshold near white.
  double InkShare(double x0, double y0, double x1, double y1, int threshold = 128) const {
    int dark = 0, all = 0;
    for (int y = (int)(y0 * height); y < (int)(y1 * height); ++y)
      for (int x = (int)(x0 * width); x < (int)(x1 * width); ++x, ++all)
        if (pixels[(size_t)y * width + x] < threshold) ++dark;
    return all ? (double)dark / all : 0;
  }
};

inline bool ReadPgm(const std::string& path, GreyPage* page) {
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return false;
  int maxval = 0;
  const bool ok = fscanf(f, "P5 %d %d %d", &page->width, &page->height, &maxval) == 3 && fgetc(f) != EOF &&
                  page->width > 0 && page->height > 0 && page->width < 20000 && page->height < 20000 && maxval == 255;
  if (ok) {
    page->pixels.resize((size_t)page->width * page->height);
    const bool whole = fread(page->pixels.data(), 1, page->pixels.size(), f) == page->pixels.size();
    fclose(f);
    return whole;
  }
  fclose(f);
  return false;
}

// Every page of the PDF, rendered by the host's pdftoppm (Wine starts Unix
// programs as it starts its own).
inline std::vector<GreyPage> RenderPdf(const std::string& name, int dpi) {
  std::vector<GreyPage> pages;
  const std::string pdf = PdfDirUnix() + "/" + name;
  // The prefix lives in /tmp of the host: both sides reach it by the same name.
  const std::string prefix = "/tmp/vvpdf" + std::to_string(GetCurrentProcessId());
  // Wine's start runs a Unix program; the pages are read once the first has
  // appeared and the set has stopped growing.
  std::string cmd =
      "start.exe /wait /unix /usr/bin/pdftoppm -gray -r " + std::to_string(dpi) + " " + pdf + " " + prefix;
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  std::vector<char> line(cmd.begin(), cmd.end());
  line.push_back('\0');
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return pages;
  WaitForSingleObject(pi.hProcess, 120000);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  auto pageFile = [&prefix](int n) -> std::string {
    for (const char* fmt : {"%s-%d.pgm", "%s-%02d.pgm", "%s-%03d.pgm"}) {
      char file[MAX_PATH];
      snprintf(file, sizeof file, fmt, prefix.c_str(), n);
      if (GetFileAttributesA(UnixToWine(file).c_str()) != INVALID_FILE_ATTRIBUTES) return UnixToWine(file);
    }
    return std::string();
  };
  long long lastTotal = -1;
  int stable = 0;
  PumpUntil(
      [&] {
        long long total = 0;
        for (int n = 1; n < 100; ++n) {
          const std::string f = pageFile(n);
          if (f.empty()) break;
          total += FileSize(f) + 1;
        }
        stable = total > 0 && total == lastTotal ? stable + 1 : 0;
        lastTotal = total;
        if (stable < 3) Sleep(300);
        return stable >= 3;
      },
      120000);
  for (int n = 1; n < 100; ++n) {
    GreyPage page;
    const std::string f = pageFile(n);
    if (f.empty() || !ReadPgm(f, &page)) break;
    DeleteFileA(f.c_str());
    pages.push_back(page);
  }
  return pages;
}

}  // namespace vvtest
