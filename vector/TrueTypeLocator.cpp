// The TrueType locator over the registry's font list and the Fonts folder. Names from drawings
// and the registry go into the request's 512-byte fields only when they fit.
#include "vector/TrueTypeLocator.h"

#include "FrameworkWin.h"

#include <io.h>
#include <shlobj.h>

#include <cstring>

#include "vector/model/LocatorPaths.h"

namespace {

// The registry's file for a face: the value that is the face itself, else the first value whose
// name begins with it. The list's order is the system's; a face whose bold or condensed
// variants come first must still get its own file.
bool FontFileOfFace(const char* face, char* file, size_t size) {
  const bool nt = (GetVersion() & 0x80000000u) == 0;
  const char* key = nt ? "Software\\Microsoft\\Windows nt\\CurrentVersion\\Fonts"
                       : "Software\\Microsoft\\Windows\\CurrentVersion\\Fonts";
  HKEY fonts = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &fonts) != ERROR_SUCCESS) return false;
  bool found = false, exact = false;
  for (DWORD i = 0; !exact; ++i) {
    char name[512];
    BYTE data[160];
    DWORD name_size = sizeof name, data_size = sizeof data - 1, type = 0;
    LONG r = RegEnumValueA(fonts, i, name, &name_size, nullptr, &type, data, &data_size);
    if (r == ERROR_NO_MORE_ITEMS) break;
    // A value too long for a font file (ERROR_MORE_DATA) is no font of ours.
    if (r != ERROR_SUCCESS || type != REG_SZ) continue;
    if (!FontValueNamesFace(name, face)) continue;
    exact = FontValueIsFace(name, face);
    if (found && !exact) continue;
    data[data_size < sizeof data ? data_size : sizeof data - 1] = 0;
    found = JoinPath(file, size, {FileNamePart(reinterpret_cast<const char*>(data))}) || found;
  }
  RegCloseKey(fonts);
  return found;
}

}  // namespace

// What is not found leaves both names empty, so that the display draws the text in its own
// font: a face left in the request would be taken for the font's file, which cannot be opened,
// and the text would not show at all.
void DwgFindTrueTypeFontCallback(TkTrueTypeRequest* request, TkUserData) {
  char file[kFontNameSize] = {};
  request->file[sizeof request->file - 1] = 0;
  request->face[sizeof request->face - 1] = 0;
  bool named = request->file[0] && JoinPath(file, sizeof file, {FileNamePart(request->file)});
  if (!named && !FontFileOfFace(TrueTypeFaceAlias(request->face), file, sizeof file)) {
    request->file[0] = request->face[0] = 0;
    return;
  }
  char folder[MAX_PATH] = {};
  if (!SHGetSpecialFolderPathA(nullptr, folder, CSIDL_FONTS, FALSE)) folder[0] = 0;
  size_t n = std::strlen(folder);
  const char* separator = n && folder[n - 1] != '\\' ? "\\" : "";
  if (JoinPath(request->file, sizeof request->file, {folder, separator, file}) &&
      _access(request->file, 0) == 0)
    return;
  request->file[0] = request->face[0] = 0;
}
