// The DLL's exports as the application links them: every operation at its ordinal, none by name,
// and a program built against the import library imports each one by number.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "zeri8v98.h"

namespace {

struct Export {
  WORD ordinal;
  const char* name;
  const void* imported;  // the address this program's import table resolved
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
    EXPORT(133, ImgLoadPage),
};
#undef EXPORT

TEST(Exports, EveryOperationSitsAtItsOrdinalAndHasNoName) {
  HMODULE dll = GetModuleHandleA("zeri8v98.dll");
  ASSERT_NE(dll, nullptr);
  for (const Export& e : kExports) {
    SCOPED_TRACE(e.name);
    EXPECT_EQ(reinterpret_cast<const void*>(GetProcAddress(dll, MAKEINTRESOURCEA(e.ordinal))),
              e.imported);
    EXPECT_EQ(reinterpret_cast<const void*>(GetProcAddress(dll, e.name)), nullptr);
  }
}

// What the application's import library gives it: entries by ordinal only.
TEST(Exports, ImportLibraryLinksByOrdinal) {
  auto* base = reinterpret_cast<const uint8_t*>(GetModuleHandleA(nullptr));
  auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  std::set<WORD> ordinals;
  bool found = false;
  for (auto* imp = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
       imp->Name; ++imp) {
    if (lstrcmpiA(reinterpret_cast<const char*>(base + imp->Name), "zeri8v98.dll") != 0) continue;
    found = true;
    for (auto* t = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + imp->OriginalFirstThunk);
         t->u1.Ordinal; ++t) {
      EXPECT_TRUE(IMAGE_SNAP_BY_ORDINAL(t->u1.Ordinal)) << "an import by name";
      ordinals.insert(WORD(IMAGE_ORDINAL(t->u1.Ordinal)));
    }
  }
  ASSERT_TRUE(found);
  std::set<WORD> expected;
  for (const Export& e : kExports) expected.insert(e.ordinal);
  EXPECT_EQ(ordinals, expected);
}

}  // namespace
