// The DLL's exports as the application links them: every operation at its ordinal, none by name,
// and a program built against the import library imports each one by number and reaches the
// function exported under it.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "img_core.h"  // the error numbers
#include "zeri8v98.h"

namespace {

struct Export {
  WORD ordinal;
  const char* name;
  const void* thunk;  // taking the address makes this program import the operation
};

#define EXPORT(ord, fn) {ord, #fn, reinterpret_cast<const void*>(&fn)}
const Export kExports[] = {
    EXPORT(2, ImgDrawToDc),        EXPORT(3, ImgPrintToDc),       EXPORT(4, ImgFree),
    EXPORT(5, ImgLoadFile),        EXPORT(8, ImgGetRegion),       EXPORT(9, ImgSetRegion),
    EXPORT(10, ImgSetupDcPalette), EXPORT(11, ImgSaveFile),       EXPORT(12, ImgLoadFromHandle),
    EXPORT(13, ImgFromPackedDib),  EXPORT(16, ImgGetFileFormat),  EXPORT(19, ImgCopyRegion),
    EXPORT(20, ImgPaintBitmap),    EXPORT(21, ImgRotate),         EXPORT(22, ImgMirrorY),
    EXPORT(23, ImgMirrorX),        EXPORT(24, ImgInvert),         EXPORT(38, ImgGetInfo),
    EXPORT(42, ImgFromBitmap),     EXPORT(51, ImgSetProgressCallback),
    EXPORT(52, ImgGetPageCount),   EXPORT(56, ImgSelectSource),   EXPORT(57, ImgAcquire),
    EXPORT(65, ImgResize),         EXPORT(93, ImgSetDisplayMode), EXPORT(96, ImgBeginSave),
    EXPORT(118, ImgEndSave),       EXPORT(128, ImgReduceTo24Bpp), EXPORT(131, ImgIsMultiPage),
    EXPORT(133, ImgLoadPage),      EXPORT(134, ImgGetErrorText),  EXPORT(135, ImgCanSave),
};
#undef EXPORT

// This program's imports from the DLL: ordinal -> the address the loader bound; 0 marks an import
// by name.
std::map<WORD, const void*> ImportsFromDll() {
  auto* base = reinterpret_cast<const uint8_t*>(GetModuleHandleA(nullptr));
  auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  std::map<WORD, const void*> imports;
  for (auto* imp = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
       imp->Name; ++imp) {
    if (lstrcmpiA(reinterpret_cast<const char*>(base + imp->Name), "zeri8v98.dll") != 0) continue;
    auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + imp->OriginalFirstThunk);
    auto* bound = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
    for (; names->u1.Ordinal; ++names, ++bound) {
      if (!IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) {
        imports[0] = nullptr;
        continue;
      }
      imports[WORD(IMAGE_ORDINAL(names->u1.Ordinal))] =
          reinterpret_cast<const void*>(bound->u1.Function);
    }
  }
  return imports;
}

TEST(Exports, EveryOperationIsImportedByItsOrdinal) {
  HMODULE dll = GetModuleHandleA("zeri8v98.dll");
  ASSERT_NE(dll, nullptr);
  std::map<WORD, const void*> imports = ImportsFromDll();
  EXPECT_EQ(imports.count(0), 0u) << "an import by name";
  EXPECT_EQ(imports.size(), sizeof kExports / sizeof kExports[0]);
  for (const Export& e : kExports) {
    SCOPED_TRACE(e.name);
    ASSERT_NE(e.thunk, nullptr);
    const void* exported = reinterpret_cast<const void*>(GetProcAddress(dll, MAKEINTRESOURCEA(e.ordinal)));
    EXPECT_NE(exported, nullptr);
    EXPECT_EQ(imports[e.ordinal], exported);
    EXPECT_EQ(reinterpret_cast<const void*>(GetProcAddress(dll, e.name)), nullptr) << "exported by name";
  }
}

// The application shows the library's text for a negative result: every error number has its own
// text through the export, and a number the library does not know still gives a text.
TEST(Exports, EveryErrorNumberHasItsOwnText) {
  std::set<std::string> texts;
  for (int32_t code = IMG_ERR_NO_IMAGE; code >= IMG_ERR_DEVICE; --code) {
    SCOPED_TRACE(code);
    const char* text = ImgGetErrorText(code);
    ASSERT_NE(text, nullptr);
    EXPECT_STRNE(text, "");
    EXPECT_STRNE(text, ImgGetErrorText(-9999));
    texts.insert(text);
  }
  EXPECT_EQ(texts.size(), size_t(IMG_ERR_NO_IMAGE - IMG_ERR_DEVICE + 1));
  ASSERT_NE(ImgGetErrorText(-9999), nullptr);
  EXPECT_STRNE(ImgGetErrorText(-9999), "");
  EXPECT_STREQ(ImgGetErrorText(ImgLoadFile("C:\\no\\such\\file.tif")), "The file cannot be opened");
}

// The DLL is copied onto machines that have nothing but Windows: it may import only the system's
// own libraries (libtiff, libjpeg, libpng and zlib are linked in).
TEST(Exports, DllNeedsOnlySystemLibraries) {
  auto* base = reinterpret_cast<const uint8_t*>(GetModuleHandleA("zeri8v98.dll"));
  ASSERT_NE(base, nullptr);
  auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  const std::set<std::string> system = {"kernel32.dll", "user32.dll", "gdi32.dll", "msvcrt.dll",
                                        "advapi32.dll"};
  int count = 0;
  for (auto* imp = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
       imp->Name; ++imp, ++count) {
    std::string name = reinterpret_cast<const char*>(base + imp->Name);
    for (char& c : name) c = char(tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(system.count(name), 1u) << name;
  }
  EXPECT_GT(count, 0);
}

}  // namespace
