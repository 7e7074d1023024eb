// Printing a raster to a raster printer on a parallel port under Wine: LPT1 is pointed at a file,
// File/Print to Raster printer is answered through its dialog, and the bytes that reach the port
// are checked: the job header byte for byte, each copy of the image as a CALS or TIFF G4 file of
// the size the paper asks, turned when the paper lies the other way, and the density the CALS
// header states.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "RasterPrintDlg.h"
#include "tests/app/win32/DocViewFixture.h"
#include "tests/framework/win32/PdfPrinter.h"
#include "zeri8v98.h"

namespace {

// A 1-bit BMP of w x h pixels at dpi, black in its left half.
std::string WriteHalfBlackBmp(const char* name, int w, int h, int dpi) {
  const int row = (w + 31) / 32 * 4;
  const uint32_t ppm = (uint32_t)(dpi * 10000 / 254);
  std::vector<uint8_t> f;
  auto le = [&](uint32_t v, int n) {
    for (int i = 0; i < n; ++i) f.push_back((uint8_t)(v >> (8 * i)));
  };
  f.push_back('B');
  f.push_back('M');
  for (uint32_t v : {62u + row * h, 0u, 62u, 40u, (uint32_t)w, (uint32_t)h}) le(v, 4);
  le(1, 2);
  le(1, 2);
  for (uint32_t v : {0u, (uint32_t)(row * h), ppm, ppm, 2u, 0u}) le(v, 4);
  le(0x00000000, 4);  // colour 0 black
  le(0x00FFFFFF, 4);  // colour 1 white
  for (int y = 0; y < h; ++y)
    for (int b = 0; b < row; ++b) {
      uint8_t bits = 0;
      for (int i = 0; i < 8; ++i) {
        const int x = b * 8 + i;
        if (x < w && x >= w / 2) bits |= (uint8_t)(0x80 >> i);
      }
      f.push_back(bits);
    }
  const std::string path = vvtest::TempDir() + name + std::to_string(GetCurrentProcessId()) + ".bmp";
  FILE* out = fopen(path.c_str(), "wb");
  fwrite(f.data(), 1, f.size(), out);
  fclose(out);
  return path;
}

std::string ReadAll(const std::string& path) {
  std::string bytes;
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return bytes;
  char buf[65536];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
  fclose(f);
  return bytes;
}

void WriteAll(const std::string& path, const std::string& bytes) {
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) return;
  fwrite(bytes.data(), 1, bytes.size(), f);
  fclose(f);
}

// The size of an image file's bytes as the imaging library reads them back; -1 x -1 when it
// can't.
struct Size {
  int w = -1, h = -1;
};
Size ImageSize(const std::string& bytes) {
  const std::string path = vvtest::TempDir() + "vvlptimg" + std::to_string(GetCurrentProcessId());
  WriteAll(path, bytes);
  Size s;
  const int32_t image = ImgLoadFile(path.c_str());
  if (image >= 0) {
    ImgInfoBlock info;
    memset(&info, 0, sizeof info);
    ImgGetInfo(image, &info);
    s.w = info.width;
    s.h = info.height;
    ImgFree(image);
  }
  DeleteFileA(path.c_str());
  return s;
}

// The "VLR" temporary files of the temporary folder, which every print must remove.
int CountVlrTempFiles() {
  WIN32_FIND_DATAA found;
  HANDLE h = FindFirstFileA((vvtest::TempDir() + "VLR*.tmp").c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) return 0;
  int n = 0;
  do ++n;
  while (FindNextFileA(h, &found));
  FindClose(h);
  return n;
}

// What the timer answers the dialog with; the values it found there on opening.
struct DialogAnswer {
  int copies, size, area, port;
};
DialogAnswer g_answer;
DialogAnswer g_found;
int g_dialogSeen = 0;

void CALLBACK RasterPrintTimer(HWND, UINT, UINT_PTR, DWORD) {
  HWND dlg = GetActiveWindow();
  char caption[64] = "";
  if (dlg) GetWindowTextA(dlg, caption, sizeof caption);
  if (!dlg || std::string(caption) != "Print to raster printer" || !GetDlgItem(dlg, IDC_RASTERPRINT_SIZE)) return;
  if (g_dialogSeen++) return;
  g_found.copies = (int)GetDlgItemInt(dlg, IDC_RASTERPRINT_COPIES, nullptr, FALSE);
  g_found.size = (int)SendDlgItemMessageA(dlg, IDC_RASTERPRINT_SIZE, CB_GETCURSEL, 0, 0);
  g_found.area = IsDlgButtonChecked(dlg, IDC_RASTERPRINT_SELECTED) == BST_CHECKED ? 1 : 0;
  g_found.port = (int)SendDlgItemMessageA(dlg, IDC_RASTERPRINT_PORT, CB_GETCURSEL, 0, 0);
  SetDlgItemInt(dlg, IDC_RASTERPRINT_COPIES, (UINT)g_answer.copies, FALSE);
  SendDlgItemMessageA(dlg, IDC_RASTERPRINT_SIZE, CB_SETCURSEL, (WPARAM)g_answer.size, 0);
  CheckRadioButton(dlg, IDC_RASTERPRINT_ENTIRE, IDC_RASTERPRINT_SELECTED,
                   g_answer.area ? IDC_RASTERPRINT_SELECTED : IDC_RASTERPRINT_ENTIRE);
  SendDlgItemMessageA(dlg, IDC_RASTERPRINT_PORT, CB_SETCURSEL, (WPARAM)g_answer.port, 0);
  PostMessageA(dlg, WM_COMMAND, IDOK, 0);
}

// The Size list: the dialog's four formats, then the application's one, "As is".
const int kAsIs = 4;

const char kCalcompHeader3[] = "&&&&CALCOMP DEVICE CONTROL \r\nCOPIES(3)\r\n^^^^END OF FILE \r\n";
const char kRcfHeader3[] =
    "BEGMF \"RCH file\";\r\nMFVERSION 1;\r\nMFDESC \"Oce RCF, Version=2.0,Type=Header, Unit=Metric\";\r\n"
    "APPLDATA 2 \"JB=0,CO=3\";\r\nAPPLDATA 22 \"FO=0\";\r\nENDMF;";

// Starts a program of the host system (Wine starts Unix programs given by their Z: path, without
// a handle to wait on); its exit status when there is one to wait on, 0 when started, -1 when not.
int RunHostProgram(const std::string& commandLine) {
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
  DWORD code = 0;
  if (pi.hProcess) {
    WaitForSingleObject(pi.hProcess, 30000);
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
  }
  if (pi.hThread) CloseHandle(pi.hThread);
  return (int)code;
}

class RasterPrinterTest : public DocViewFixture {
 protected:
  void SetUp() override {
    // The port's file lies where both sides name it: /tmp for Unix, Z:\tmp for the program.
    m_portUnix = "/tmp/vvlpt1_" + std::to_string(GetCurrentProcessId()) + ".prn";
    m_port = "Z:" + m_portUnix;
    for (char& c : m_port)
      if (c == '/') c = '\\';
    // LPT1 is this file: by a DOS device name where Wine follows one, else by the prefix's
    // dosdevices link, which is how Wine maps its parallel ports.
    if (DefineDosDeviceA(DDD_RAW_TARGET_PATH, "LPT1", ("\\??\\" + m_port).c_str())) {
      m_defined = true;
      if (PortReachesFile()) return;
      DefineDosDeviceA(DDD_RAW_TARGET_PATH | DDD_REMOVE_DEFINITION | DDD_EXACT_MATCH_ON_REMOVE, "LPT1",
                       ("\\??\\" + m_port).c_str());
      m_defined = false;
    }
    const std::string prefix = vvtest::EnvText("WINEPREFIX");
    ASSERT_FALSE(prefix.empty()) << "WINEPREFIX is not set; LPT1 can't be pointed at a file";
    m_link = prefix + "/dosdevices/lpt1";
    ASSERT_EQ(0, RunHostProgram("Z:\\bin\\ln -sfn " + m_portUnix + " " + m_link));
    EXPECT_TRUE(vvtest::PumpUntil([this] { return PortReachesFile(); }, 20000))
        << "LPT1 does not reach " << m_port;
  }
  void TearDown() override {
    if (m_defined)
      DefineDosDeviceA(DDD_RAW_TARGET_PATH | DDD_REMOVE_DEFINITION | DDD_EXACT_MATCH_ON_REMOVE, "LPT1",
                       ("\\??\\" + m_port).c_str());
    if (!m_link.empty()) {
      // The link is gone before the next test makes its own.
      RunHostProgram("Z:\\bin\\rm -f " + m_link);
      std::string seen = "Z:" + m_link;
      for (char& c : seen)
        if (c == '/') c = '\\';
      vvtest::PumpUntil([&seen] { return GetFileAttributesA(seen.c_str()) == INVALID_FILE_ATTRIBUTES; }, 20000);
    }
    DeleteFileA(m_port.c_str());
    DocViewFixture::TearDown();
  }
  // Whether bytes written to LPT1 land in the port's file; the file is left empty.
  bool PortReachesFile() {
    WriteAll(m_port, "");
    HANDLE h = CreateFileA("LPT1", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD put = 0;
    WriteFile(h, "probe", 5, &put, nullptr);
    CloseHandle(h);
    const bool reached = ReadAll(m_port) == "probe";
    WriteAll(m_port, "");
    return reached;
  }
  void Open() {
    // Landscape, 800 x 400 at 100 dpi.
    OpenDrawing(new CTestDocApp(900, 700), WriteHalfBlackBmp("vvlpt", 800, 400, 100));
    // The application's one format: the entry that does not fit to paper, after the dialog's four.
    GetVLRApp()->m_paperNames.Add("As is");
    GetVLRApp()->m_paperSizes.Add(0);
    GetVLRApp()->m_paperSizes.Add(0);
  }
  // Runs the command through its dialog; what reached the port.
  std::string PrintThroughDialog(const DialogAnswer& answer) {
    WriteAll(m_port, "");
    g_answer = answer;
    g_found = DialogAnswer{-9, -9, -9, -9};
    g_dialogSeen = 0;
    const UINT_PTR timer = SetTimer(nullptr, 0, 100, &RasterPrintTimer);
    m_view->SendMessage(WM_COMMAND, ID_FILE_PRINT_RASTER, 0);
    KillTimer(nullptr, timer);
    EXPECT_EQ(1, g_dialogSeen) << "the raster print dialog was not reached";
    return ReadAll(m_port);
  }
  CConfig& Settings() { return *GetVLRApp()->m_pConfig; }

  std::string m_port, m_portUnix, m_link;
  bool m_defined = false;
};

TEST_F(RasterPrinterTest, PortDataHeadersCopiesFormatsAndFit) {
  Open();
  const int kA1 = 0, kA4 = 3;
  struct Case {
    const char* name;
    int format, printer, swCopies, forceDpi, dpi;
    DialogAnswer answer;
    const char* header;  // expected at the start of the port's data
    int images;          // copies of the image after the header
    bool tiff;           // TIFF G4, else CALS
    int w, h;            // the size of each copy
    int density;         // the CALS density record's value; 0: not looked at
  };
  const Case cases[] = {
      // Not fitted to paper: the area as it is, the file's own density.
      {"cals as is", 0, 0, 0, 0, 400, {1, kAsIs, 0, 0}, "", 1, false, 800, 400, 0},
      // Three copies told to the printer in a header of either kind, the image sent once.
      {"header kind 0", 0, 0, 0, 0, 400, {3, kAsIs, 0, 0}, kCalcompHeader3, 1, false, 800, 400, 0},
      {"header kind 1", 0, 1, 0, 0, 400, {3, kAsIs, 0, 0}, kRcfHeader3, 1, false, 800, 400, 0},
      // A printer kind without a header: the count is lost on the printer, as it says.
      {"no header kind", 0, 2, 0, 0, 400, {3, kAsIs, 0, 0}, "", 1, false, 800, 400, 0},
      // Copies made by the program: no header, the image three times.
      {"software copies", 0, 0, 1, 0, 400, {3, kAsIs, 0, 0}, "", 3, false, 800, 400, 0},
      // Landscape on A1 (594 x 841 mm): turned, the width filling 841 mm at 100 dpi (3311), the
      // height in proportion (1655.5 rounded); the header says 100 dpi.
      {"landscape on A1", 0, 0, 0, 0, 400, {1, kA1, 0, 0}, "", 1, false, 1656, 3311, 100},
      // Forced to 50 dpi on A4 lying (297 x 210 mm: 584 x 413 pixels): 400 x 200 fitted to the
      // width, as TIFF G4.
      {"g4 forced dpi on A4", 1, 0, 0, 1, 50, {1, kA4, 0, 0}, "", 1, true, 584, 292, 0},
      // The same in CALS states the forced density.
      {"cals forced dpi on A4", 0, 0, 0, 1, 50, {1, kA4, 0, 0}, "", 1, false, 584, 292, 50},
  };
  const int tempsBefore = CountVlrTempFiles();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Settings().m_nRasterFormat = c.format;
    Settings().m_nRasterPrinter = c.printer;
    Settings().m_nSWCopies = c.swCopies;
    Settings().m_nForceDpi = c.forceDpi;
    Settings().m_nDpi = c.dpi;
    Settings().m_nAllowDpi = 0;
    vvtest::MessageBoxes::Get().texts.clear();
    const std::string data = PrintThroughDialog(c.answer);
    EXPECT_TRUE(vvtest::MessageBoxes::Get().texts.empty())
        << (vvtest::MessageBoxes::Get().texts.empty() ? "" : vvtest::MessageBoxes::Get().texts[0]);
    const std::string header = c.header;
    ASSERT_GE(data.size(), header.size());
    EXPECT_EQ(header, data.substr(0, header.size()));
    const std::string images = data.substr(header.size());
    ASSERT_EQ(0u, images.size() % c.images);
    const size_t one = images.size() / c.images;
    ASSERT_GT(one, c.tiff ? 8u : 2048u);  // a CALS file holds at least its header
    for (int i = 1; i < c.images; ++i) EXPECT_TRUE(images.substr(0, one) == images.substr(i * one, one)) << i;
    const std::string image = images.substr(0, one);
    if (c.tiff) {
      EXPECT_TRUE(image.compare(0, 4, "II*\0", 4) == 0 || image.compare(0, 4, "MM\0*", 4) == 0);
    } else {
      // A CALS file: a text header of sixteen 128-byte records, the density in the tenth.
      EXPECT_EQ(0, image.compare(0, 9, "srcdocid:")) << image.substr(0, 16);
      if (c.density) {
        char record[32];
        snprintf(record, sizeof record, "rdensty: %04d        ", c.density);
        EXPECT_EQ(std::string(record), image.substr(1152, 21));
      }
    }
    const Size size = ImageSize(image);
    EXPECT_EQ(c.w, size.w);
    EXPECT_EQ(c.h, size.h);
  }
  EXPECT_EQ(tempsBefore, CountVlrTempFiles());
}

TEST_F(RasterPrinterTest, DialogKeepsTheViewsChoicesAndTheSelectedAreaIsTheZoomedPart) {
  Open();
  m_view->LoadPrintSettingsOnce();
  m_view->m_print.nCopies = 2;
  m_view->m_print.nSize = kAsIs;
  m_view->m_print.nWhat = 1;
  m_view->m_print.nPort = -1;
  Settings().m_nRasterPort = 0;
  Settings().m_nSWCopies = 1;
  // The view shows the image's left half: the zoom rectangle is the selected area.
  const CRect extent = m_view->GetExtent();
  m_view->ZoomTo(CRect(extent.left, extent.top, extent.left + extent.Width() / 2, extent.bottom));
  const std::string data = PrintThroughDialog({1, kAsIs, 1, 0});
  // The dialog opened with the view's copies, size and area, and the setting's port.
  EXPECT_EQ(2, g_found.copies);
  EXPECT_EQ(kAsIs, g_found.size);
  EXPECT_EQ(1, g_found.area);
  EXPECT_EQ(0, g_found.port);
  // And gave its answers back to the view.
  EXPECT_EQ(1, m_view->m_print.nCopies);
  EXPECT_EQ(0, m_view->m_print.nPort);
  const Size size = ImageSize(data);
  EXPECT_NEAR(400, size.w, 4);
  EXPECT_EQ(400, size.h);
}

TEST_F(RasterPrinterTest, APortThatCannotBeOpenedIsReportedAndLeavesNoTemporaryFile) {
  Open();
  const int tempsBefore = CountVlrTempFiles();
  Settings().m_nSWCopies = 0;
  // LPT9 leads nowhere.
  PrintThroughDialog({3, 4, 0, 8});
  const std::vector<std::string>& texts = vvtest::MessageBoxes::Get().texts;
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(0u, texts[0].find("Can't print the raster file: open prn: ")) << texts[0];
  EXPECT_EQ(tempsBefore, CountVlrTempFiles());
  EXPECT_EQ(std::string(), ReadAll(m_port));
}

}  // namespace
