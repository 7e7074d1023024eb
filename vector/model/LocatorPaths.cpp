// Path composition and text rewrites for the locators and the text hook, every one bounded by
// the buffer it fills.
#include "vector/model/LocatorPaths.h"

#include <cmath>
#include <cstring>
#include <string>

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/' || c == ':'; }

bool Fits(const std::string& s, char* out, size_t size) {
  if (size == 0) return false;
  if (s.size() >= size) {
    out[0] = 0;
    return false;
  }
  std::memcpy(out, s.c_str(), s.size() + 1);
  return true;
}

}  // namespace

bool JoinPath(char* out, size_t size, std::initializer_list<const char*> parts) {
  std::string s;
  for (const char* p : parts)
    if (p) s += p;
  return Fits(s, out, size);
}

const char* FileNamePart(const char* path) {
  const char* name = path;
  for (const char* p = path; *p; ++p)
    if (IsSeparator(*p)) name = p + 1;
  return name;
}

bool DirectoryPart(const char* path, char* out, size_t size) {
  return Fits(std::string(path, size_t(FileNamePart(path) - path)), out, size);
}

bool FileTitle(const char* path, char* out, size_t size) {
  std::string name = FileNamePart(path);
  size_t dot = name.rfind('.');
  if (dot != std::string::npos) name.resize(dot);
  return Fits(name, out, size);
}

void ToBackslashes(char* path) {
  for (char* p = path; *p; ++p)
    if (*p == '/') *p = '\\';
}

const char* SubstituteShapeFont(int16_t codepage) {
  return codepage == 0 || codepage == 12 ? "DWG_OEM.SHX" : "DWG_ANSI.SHX";
}

const char* TrueTypeFaceAlias(const char* face) {
  if (std::strcmp(face, "CommercialPi BT") == 0) return "Commercial Pi BT";
  if (std::strcmp(face, "UniversalMath1 BT") == 0) return "Universal Math 1 BT";
  return face;
}

bool FontValueNamesFace(const char* value_name, const char* face) {
  return *face && std::strncmp(value_name, face, std::strlen(face)) == 0;
}

bool FontValueIsFace(const char* value_name, const char* face) {
  if (!FontValueNamesFace(value_name, face)) return false;
  const char* rest = value_name + std::strlen(face);
  return !*rest || (rest[0] == ' ' && rest[1] == '(');
}

bool XrefBesideDrawing(const char* drawing_path, const char* name, char* out, size_t size) {
  std::string dir(drawing_path, size_t(FileNamePart(drawing_path) - drawing_path));
  return Fits(dir + FileNamePart(name), out, size);
}

bool XrefRelativeToDrawing(const char* drawing_path, const char* name, char* out, size_t size) {
  std::string dir(drawing_path, size_t(FileNamePart(drawing_path) - drawing_path));
  if (dir.empty() || (dir.back() != '\\' && dir.back() != '/')) dir += '\\';
  if (*name == '\\' || *name == '/') ++name;
  return Fits(dir + name, out, size);
}

void RewriteMtextHeights(char* text, size_t capacity, bool* paragraph) {
  *paragraph = false;
  if (capacity == 0) return;
  std::string s(text, strnlen(text, capacity));
  size_t at = s.find("\\P");
  if (at != std::string::npos) {
    s.erase(at, 2);
    *paragraph = true;
  }
  size_t j = s.find("{\\H");
  if (j != std::string::npos) {
    std::string t = s.substr(0, j) + "  ";
    size_t k = s.find("^  ", j);
    size_t dropped = 2;
    if (k == std::string::npos) {
      k = s.find("^ ", j);
      dropped = 1;
    }
    if (k != std::string::npos)
      t += s.substr(j, k - j + 1) + s.substr(k + 1 + dropped);
    else
      t += s.substr(j);
    s = t;
  }
  if (s.size() < capacity) std::memcpy(text, s.c_str(), s.size() + 1);
}

double FitWidthFactor(double width_factor, const double p[2], const double a[2],
                      const double b[2]) {
  double along = std::hypot(p[0] - a[0], p[1] - a[1]);
  double box = std::hypot(b[0] - a[0], b[1] - a[1]);
  if (box == 0) return width_factor;
  double r = along / box;
  return std::fabs(r) > 0.1 && std::fabs(r) < 10 ? width_factor * r : width_factor;
}

void SnapDevicePoint(double x, double y, double lower_left_x, double lower_left_y, double scale,
                     double device_height, int32_t out[2]) {
  auto clamp = [](double v) {
    if (!(v > -2147483648.0)) return INT32_MIN;
    if (!(v < 2147483647.0)) return INT32_MAX;
    return int32_t(v);
  };
  out[0] = clamp((x - lower_left_x) * scale + 0.5);
  out[1] = clamp(device_height - (y - lower_left_y) * scale + 0.5);
}
