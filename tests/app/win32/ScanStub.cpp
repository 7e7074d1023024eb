// A stand-in for the outside large-format scanning programs, for the Scan command's tests.
// Called "<program> -9 TEMP" it acts as the Rastrum program: it writes a small BMP, SCAN.BMP,
// and the result file RST.INI in its own folder; VV_SCAN_STUB_INI picks what RST.INI says
// ("good", the default, names SCAN.BMP; "nokey" has no PRIMARY_FILE line; "bare" has the key
// without a value; "none" leaves no RST.INI). Called with a file name it acts as the Ostrel
// program and writes bytes that are no image into that file, after a pause long enough for the
// waiting program to pump its messages.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string OwnFolder() {
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, sizeof path);
  std::string s = path;
  return s.substr(0, s.rfind('\\'));
}

// 16 x 16 pixels at one bit, white with a black top half, 200 dpi.
void WriteBmp(const std::string& path) {
  unsigned char f[62 + 64] = {};
  auto le = [&](int at, unsigned v, int n) {
    for (int i = 0; i < n; ++i) f[at + i] = static_cast<unsigned char>(v >> (8 * i));
  };
  f[0] = 'B';
  f[1] = 'M';
  le(2, sizeof f, 4);
  le(10, 62, 4);
  le(14, 40, 4);
  le(18, 16, 4);
  le(22, 16, 4);
  le(26, 1, 2);
  le(28, 1, 2);
  le(34, 64, 4);
  le(38, 7874, 4);
  le(42, 7874, 4);
  le(58, 0xFFFFFF, 4);  // palette: 0 black, 1 white
  for (int row = 0; row < 16; ++row) {
    const unsigned char bits = row < 8 ? 0xFF : 0x00;  // bottom-up rows: the upper half is black
    f[62 + row * 4] = bits;
    f[62 + row * 4 + 1] = bits;
  }
  FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) return;
  std::fwrite(f, 1, sizeof f, out);
  std::fclose(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "-9") == 0 && std::strcmp(argv[2], "TEMP") == 0) {
    const std::string folder = OwnFolder();
    const std::string scan = folder + "\\SCAN.BMP";
    const std::string ini = folder + "\\RST.INI";
    WriteBmp(scan);
    const char* mode = std::getenv("VV_SCAN_STUB_INI");
    const std::string m = mode ? mode : "good";
    DeleteFileA(ini.c_str());
    if (m == "none") return 0;
    FILE* out = std::fopen(ini.c_str(), "w");
    if (!out) return 1;
    std::fputs("[RESULT]\n", out);
    if (m == "good") std::fprintf(out, "PRIMARY_FILE = %s\n", scan.c_str());
    if (m == "bare") std::fputs("PRIMARY_FILE\n", out);
    std::fputs("PAGES = 1\n", out);
    std::fclose(out);
    return 0;
  }
  // Ostrel's command line is the file's name alone, so it arrives as the first word.
  if (argc >= 1) {
    Sleep(700);
    FILE* out = std::fopen(argc >= 2 ? argv[1] : argv[0], "wb");
    if (!out) return 1;
    std::fputs("no image here", out);
    std::fclose(out);
    return 0;
  }
  return 2;
}
