// Toolkit start-up from the program's resources, and its shutdown at exit.
#include "ToolkitSession.h"

#include "toolkit/core/display_block.h"
#include "toolkit/core/mem.h"
#include "toolkit/core/reader_ops.h"
#include "toolkit/core/state.h"
#include "toolkit/display/regen_kinds.h"
#include "toolkit/read/readers.h"


namespace {

const WORD kInitDataResource = 101;
const WORD kOemFontResource = 102;
const WORD kAnsiFontResource = 103;

// Where the init-data hooks read: the locked resource and the position in it.
struct InitDataStream {
  HINSTANCE module = nullptr;
  const uint8_t* data = nullptr;
  size_t size = 0;
  size_t pos = 0;
} g_stream;

CString TempFontPath() {
  char dir[MAX_PATH];
  char name[MAX_PATH];
  if (!::GetTempPathA(sizeof dir, dir) || !::GetTempFileNameA(dir, "TT", 0, name)) return CString();
  // GetTempFileName made an empty file of that name; the font goes beside it under ".SHX".
  ::DeleteFileA(name);
  CString path(name);
  if (path.GetLength() >= 3) path = path.Left(path.GetLength() - 3) + "SHX";
  return path;
}

BOOL WriteResourceToFile(HINSTANCE module, WORD id, const CString& path) {
  HRSRC res = ::FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(10));  // RT_RCDATA
  if (!res) return FALSE;
  DWORD size = ::SizeofResource(module, res);
  const void* bytes = ::LockResource(::LoadResource(module, res));
  if (!bytes) return FALSE;
  HANDLE f = ::CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return FALSE;
  DWORD written = 0;
  BOOL ok = ::WriteFile(f, bytes, size, &written, nullptr) && written == size;
  ::CloseHandle(f);
  return ok;
}

}  // namespace

// Made during static initialisation, so the toolkit is up before the application starts; the
// stream above needs no construction and is ready before it.
namespace {
CToolkitSession g_session;
}  // namespace

CToolkitSession& GetToolkitSession() { return g_session; }

CToolkitSession::CToolkitSession() { Init(m_hModule); }

CToolkitSession::~CToolkitSession() {
  if (!m_strOemFont.IsEmpty()) ::DeleteFileA(m_strOemFont);
  if (!m_strAnsiFont.IsEmpty()) ::DeleteFileA(m_strAnsiFont);
  if (m_bInitialised) tk_shutdown();
  if (m_bCoreStarted) tk_shutdown_core();
}

void CToolkitSession::Init(HINSTANCE module) {
  m_hModule = module;
  g_stream.module = module;
  if (m_bInitialised) return;
  if (!m_bCoreStarted) {
    if (m_strOemFont.IsEmpty()) m_strOemFont = TempFontPath();
    if (m_strAnsiFont.IsEmpty()) m_strAnsiFont = TempFontPath();
    if (!WriteResourceToFile(module, kOemFontResource, m_strOemFont)) return;
    if (!WriteResourceToFile(module, kAnsiFontResource, m_strAnsiFont)) return;
    tk_set_initdata_open_callback(&OpenInitData);
    tk_set_initdata_getc_callback(&ReadInitDataByte);
    tk_set_initdata_read_callback(&ReadInitDataBlock);
    tk_set_initdata_close_callback(&DoNothing);
    // The C library's memory and files, and hard failures reported to the user.
    TkHostLayer layer{};
    layer.critical_error = &OnDwgCriticalError;
    tk_set_host_layer(&layer);
    if (!tk_init_core(nullptr, 1, &m_nStatus)) return;
    m_bCoreStarted = TRUE;
    // What loads and outlines ask of the display: standard arrowhead blocks, spline points.
    regen_install_core_hooks();
    tk_install_readers_full(tk_dwg_reader_ops());
    tk_install_readers(tk_dxf_reader_ops());
  }
  if (tk_init()) {
    m_bInitialised = TRUE;
  } else {
    m_nStatus = 65534;
  }
  tk_set_draw_enabled(1);
}

int16_t CToolkitSession::OpenInitData() {
  HRSRC res = ::FindResourceA(g_stream.module, MAKEINTRESOURCEA(kInitDataResource), MAKEINTRESOURCEA(10));
  if (!res) return 0;
  HGLOBAL loaded = ::LoadResource(g_stream.module, res);
  const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
  if (!bytes) return 0;
  g_stream.data = static_cast<const uint8_t*>(bytes);
  g_stream.size = ::SizeofResource(g_stream.module, res);
  g_stream.pos = 0;
  return 1;
}

int CToolkitSession::ReadInitDataByte() {
  if (!g_stream.data || g_stream.pos >= g_stream.size) return -1;
  return g_stream.data[g_stream.pos++];
}

size_t CToolkitSession::ReadInitDataBlock(void* buffer, size_t n) {
  if (!g_stream.data || g_stream.pos >= g_stream.size) return 0;
  size_t left = g_stream.size - g_stream.pos;
  if (n > left) n = left;
  memcpy(buffer, g_stream.data + g_stream.pos, n);
  g_stream.pos += n;
  return n;
}

void CToolkitSession::DoNothing() {}

BOOL InitDwgToolkitOnce(HINSTANCE module) {
  CToolkitSession& session = GetToolkitSession();
  if (!session.IsInitialised()) session.Init(module);
  return session.IsInitialised();
}

CString GetModuleRelativePath(const CString& name) {
  char module[MAX_PATH];
  DWORD n = ::GetModuleFileNameA(nullptr, module, sizeof module);
  CString dir(module, static_cast<int>(n));
  int slash = dir.ReverseFind('\\');
  return (slash >= 0 ? dir.Left(slash + 1) : CString()) + name;
}
