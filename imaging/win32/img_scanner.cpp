// Scanner selection and acquisition through the TWAIN source manager (TWAINDSM.DLL, else the older
// TWAIN_32.DLL), loaded only when asked for, so the library runs on systems without one. The
// image comes back as a native transfer (a packed DIB in global memory) and becomes an image
// through the clipboard's DIB road. Where there is no manager or no source, the operations fail
// at once with IMG_ERR_NO_SCANNER; nothing waits.
#include <cstring>

#include "img_library.h"
#include "zeri8v98.h"

namespace {

// The few protocol records and codes the library exchanges with the source manager (the TWAIN
// protocol's own layouts, packed to 2 bytes).
#pragma pack(push, 2)
struct TwVersion {
  uint16_t major, minor, language, country;
  char info[34];
};
struct TwIdentity {
  uint32_t id;
  TwVersion version;
  uint16_t protocol_major, protocol_minor;
  uint32_t supported_groups;
  char manufacturer[34], product_family[34], product_name[34];
};
struct TwUserInterface {
  uint16_t show_ui, modal_ui;
  HANDLE parent;
};
struct TwEvent {
  void* event;
  uint16_t message;
};
struct TwPendingXfers {
  uint16_t count;
  uint32_t reserved;
};
struct TwStatus {
  uint16_t condition, data;
};
#pragma pack(pop)
static_assert(sizeof(TwIdentity) == 156, "TWAIN identity layout");

enum : uint32_t { DG_CONTROL = 1, DG_IMAGE = 2 };
enum : uint16_t {
  DAT_EVENT = 2, DAT_IDENTITY = 3, DAT_PARENT = 4, DAT_PENDINGXFERS = 5, DAT_STATUS = 8,
  DAT_USERINTERFACE = 9, DAT_IMAGENATIVEXFER = 0x0104,
};
enum : uint16_t {
  MSG_GET = 0x0001, MSG_GETDEFAULT = 0x0003, MSG_RESET = 0x0007, MSG_XFERREADY = 0x0101,
  MSG_CLOSEDSREQ = 0x0102, MSG_CLOSEDSOK = 0x0103, MSG_OPENDSM = 0x0301, MSG_CLOSEDSM = 0x0302,
  MSG_OPENDS = 0x0401, MSG_CLOSEDS = 0x0402, MSG_USERSELECT = 0x0403, MSG_DISABLEDS = 0x0501,
  MSG_ENABLEDS = 0x0502, MSG_PROCESSEVENT = 0x0601, MSG_ENDXFER = 0x0701,
};
enum : uint16_t { TWRC_SUCCESS = 0, TWRC_CANCEL = 3, TWRC_DSEVENT = 4, TWRC_XFERDONE = 6 };
enum : uint16_t { TWCC_NODS = 3 };

typedef uint16_t(WINAPI* DsmEntry)(TwIdentity* origin, TwIdentity* dest, uint32_t group,
                                   uint16_t data, uint16_t message, void* payload);

// The source the user chose last; zero id means the manager's default.
TwIdentity g_source;

// An open session with the source manager; closes and unloads it when it goes.
class DsmSession {
 public:
  explicit DsmSession(HWND owner) : owner_(owner) {
    std::memset(&app_, 0, sizeof app_);
    app_.version.major = 1;
    app_.version.language = 2;  // English
    app_.version.country = 1;
    std::strcpy(app_.version.info, "Vellview imaging");
    app_.protocol_major = 1;
    app_.protocol_minor = 9;
    app_.supported_groups = DG_CONTROL | DG_IMAGE;
    std::strcpy(app_.manufacturer, "Vellview");
    std::strcpy(app_.product_family, "Vellview");
    std::strcpy(app_.product_name, "Vellview");
    for (const char* name : {"TWAINDSM.DLL", "TWAIN_32.DLL"}) {
      module_ = LoadLibraryA(name);
      if (!module_) continue;
      entry_ = reinterpret_cast<DsmEntry>(
          reinterpret_cast<void*>(GetProcAddress(module_, "DSM_Entry")));
      if (entry_) break;
      FreeLibrary(module_);
      module_ = nullptr;
    }
    HWND parent = owner_;
    open_ = entry_ && Call(nullptr, DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &parent) == TWRC_SUCCESS;
  }
  ~DsmSession() {
    if (open_) {
      HWND parent = owner_;
      Call(nullptr, DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &parent);
    }
    if (module_) FreeLibrary(module_);
  }
  bool open() const { return open_; }
  uint16_t Call(TwIdentity* dest, uint32_t group, uint16_t data, uint16_t message, void* payload) {
    return entry_(&app_, dest, group, data, message, payload);
  }
  // The error of a failed call: no source installed, or a failure of the chosen one.
  int32_t Failure(TwIdentity* dest) {
    TwStatus status = {};
    Call(dest, DG_CONTROL, DAT_STATUS, MSG_GET, &status);
    return status.condition == TWCC_NODS ? IMG_ERR_NO_SCANNER : IMG_ERR_SCANNER;
  }

 private:
  HWND owner_;
  HMODULE module_ = nullptr;
  DsmEntry entry_ = nullptr;
  bool open_ = false;
  TwIdentity app_;
};

// Takes the one image the source has ready and ends its pending transfers.
int32_t transfer(DsmSession& dsm, TwIdentity& source) {
  void* dib_handle = nullptr;
  int32_t result = IMG_ERR_SCANNER;
  if (dsm.Call(&source, DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib_handle) == TWRC_XFERDONE &&
      dib_handle) {
    HGLOBAL block = static_cast<HGLOBAL>(dib_handle);
    const void* dib = GlobalLock(block);
    result = dib ? ImgFromPackedDib(dib) : IMG_ERR_SCANNER;
    GlobalUnlock(block);
    GlobalFree(block);
  }
  TwPendingXfers pending = {};
  dsm.Call(&source, DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending);
  if (pending.count) dsm.Call(&source, DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending);
  return result;
}

// Runs the owner's messages through the source until it delivers an image or the user closes it.
int32_t acquire_from(DsmSession& dsm, TwIdentity& source, HWND owner, bool show_ui) {
  TwUserInterface ui = {uint16_t(show_ui ? 1 : 0), 1, owner};
  if (dsm.Call(&source, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui) != TWRC_SUCCESS)
    return dsm.Failure(&source);
  int32_t result = IMG_ERR_SCANNER;
  MSG msg;
  bool done = false;
  while (!done) {
    BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got <= 0) {
      if (got == 0) PostQuitMessage(int(msg.wParam));
      break;
    }
    TwEvent event = {&msg, 0};
    if (dsm.Call(&source, DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event) != TWRC_DSEVENT) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    if (event.message == MSG_XFERREADY) {
      result = transfer(dsm, source);
      done = true;
    } else if (event.message == MSG_CLOSEDSREQ || event.message == MSG_CLOSEDSOK) {
      done = true;
    }
  }
  dsm.Call(&source, DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui);
  return result;
}

}  // namespace

int32_t WINAPI ImgSelectSource(HWND owner) {
  DsmSession dsm(owner);
  if (!dsm.open()) return IMG_ERR_NO_SCANNER;
  TwIdentity chosen = {};
  uint16_t rc = dsm.Call(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_USERSELECT, &chosen);
  if (rc == TWRC_CANCEL) return IMG_ERR_SCANNER;
  if (rc != TWRC_SUCCESS) return dsm.Failure(nullptr);
  g_source = chosen;
  return IMG_OK;
}

int32_t WINAPI ImgAcquire(HWND owner, int32_t showUi) {
  DsmSession dsm(owner);
  if (!dsm.open()) return IMG_ERR_NO_SCANNER;
  TwIdentity source = g_source;
  if (source.id == 0 &&
      dsm.Call(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GETDEFAULT, &source) != TWRC_SUCCESS)
    return dsm.Failure(nullptr);
  if (dsm.Call(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source) != TWRC_SUCCESS)
    return dsm.Failure(nullptr);
  int32_t result = acquire_from(dsm, source, owner, showUi != 0);
  dsm.Call(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &source);
  return result;
}
