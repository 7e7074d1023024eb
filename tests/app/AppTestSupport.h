// Helpers of the program's Windows tests: a folder of small drawings made in the test, and
// writing the program's side files (VLFormat.ini, the profile) before a start.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace vvapptest {

// A baseline TIFF of w x h 8-bit grey pixels, all of one value, at 100 dpi.
inline bool WriteTiff(const std::string& path, int w, int h, uint8_t grey) {
  std::vector<uint8_t> b = {'I', 'I', 42, 0};
  auto u16 = [&](uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
  };
  auto u32 = [&](uint32_t v) {
    u16(v & 0xFFFF);
    u16(v >> 16);
  };
  const uint32_t pixels = static_cast<uint32_t>(w * h);
  const uint32_t ifd = 8 + pixels + (pixels & 1);
  u32(ifd);
  b.insert(b.end(), pixels, grey);
  if (pixels & 1) b.push_back(0);
  const uint16_t n = 10;
  const uint32_t res = ifd + 2 + n * 12 + 4;
  u16(n);
  auto entry = [&](uint16_t tag, uint16_t type, uint32_t value) {
    u16(tag);
    u16(type);
    u32(1);
    if (type == 3) {
      u16(value);
      u16(0);
    } else {
      u32(value);
    }
  };
  entry(256, 4, static_cast<uint32_t>(w));
  entry(257, 4, static_cast<uint32_t>(h));
  entry(258, 3, 8);
  entry(259, 3, 1);
  entry(262, 3, 1);
  entry(273, 4, 8);
  entry(278, 4, static_cast<uint32_t>(h));
  entry(279, 4, pixels);
  entry(282, 5, res);
  entry(283, 5, res + 8);
  u32(0);
  u32(100);
  u32(1);
  u32(100);
  u32(1);
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = fwrite(b.data(), 1, b.size(), f) == b.size();
  return fclose(f) == 0 && ok;
}

// A fresh folder under the system's temporary folder, with its trailing "\".
inline std::string MakeTempFolder(const char* name) {
  char tmp[MAX_PATH];
  GetTempPathA(sizeof tmp, tmp);
  std::string dir = std::string(tmp) + name + "\\";
  CreateDirectoryA(dir.c_str(), nullptr);
  return dir;
}

inline std::string ProgramDir() {
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, sizeof self);
  std::string dir(self);
  return dir.substr(0, dir.find_last_of('\\') + 1);
}

inline std::string ReadIni(const std::string& file, const char* section, const char* key) {
  char value[512];
  GetPrivateProfileStringA(section, key, "<missing>", value, sizeof value, file.c_str());
  return value;
}

// The profile of the program of that name, in the Windows folder.
inline std::string ProfilePath(const char* programName) {
  char dir[MAX_PATH];
  GetWindowsDirectoryA(dir, sizeof dir);
  return std::string(dir) + "\\" + programName + ".INI";
}

}  // namespace vvapptest
