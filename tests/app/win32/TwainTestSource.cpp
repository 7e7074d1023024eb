// A TWAIN data source of the tests' own: the system's source manager loads it from its sources
// folder (as a .ds library) and it delivers one known bitonal page through a native transfer as
// soon as it is enabled: a 64 x 48 page of 8-pixel squares, black where (x / 8 + y / 8) is even.
// It speaks only the part of the protocol a native-transfer acquisition uses.
#include <windows.h>

#include <cstdint>
#include <cstring>

namespace {

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

enum : uint32_t { DG_CONTROL = 1, DG_IMAGE = 2 };
enum : uint16_t {
  DAT_EVENT = 2, DAT_IDENTITY = 3, DAT_PENDINGXFERS = 5, DAT_STATUS = 8, DAT_USERINTERFACE = 9,
  DAT_IMAGENATIVEXFER = 0x0104,
};
enum : uint16_t {
  MSG_GET = 0x0001, MSG_RESET = 0x0007, MSG_XFERREADY = 0x0101, MSG_NULL = 0, MSG_OPENDS = 0x0401,
  MSG_CLOSEDS = 0x0402, MSG_DISABLEDS = 0x0501, MSG_ENABLEDS = 0x0502, MSG_PROCESSEVENT = 0x0601,
  MSG_ENDXFER = 0x0701,
};
enum : uint16_t { TWRC_SUCCESS = 0, TWRC_FAILURE = 1, TWRC_NOTDSEVENT = 5, TWRC_DSEVENT = 4, TWRC_XFERDONE = 6 };
enum : uint16_t { TWCC_SUCCESS = 0, TWCC_BADPROTOCOL = 9 };

const int kWidth = 64;
const int kHeight = 48;

bool g_enabled = false;
bool g_ready_sent = false;
bool g_transferred = false;
uint16_t g_condition = TWCC_SUCCESS;

// The page as a packed bottom-up 1-bit DIB, white 0 and black 1 in its colour table.
HGLOBAL MakePage() {
  const int stride = ((kWidth + 31) / 32) * 4;
  const size_t size = sizeof(BITMAPINFOHEADER) + 2 * sizeof(RGBQUAD) + static_cast<size_t>(stride) * kHeight;
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
  BYTE* p = h ? static_cast<BYTE*>(GlobalLock(h)) : nullptr;
  if (!p) return h;
  BITMAPINFOHEADER bih = {};
  bih.biSize = sizeof bih;
  bih.biWidth = kWidth;
  bih.biHeight = kHeight;
  bih.biPlanes = 1;
  bih.biBitCount = 1;
  bih.biCompression = BI_RGB;
  bih.biXPelsPerMeter = 7874;  // 200 dpi
  bih.biYPelsPerMeter = 7874;
  bih.biClrUsed = 2;
  std::memcpy(p, &bih, sizeof bih);
  RGBQUAD colours[2] = {{255, 255, 255, 0}, {0, 0, 0, 0}};
  std::memcpy(p + sizeof bih, colours, sizeof colours);
  BYTE* bits = p + sizeof bih + sizeof colours;
  for (int y = 0; y < kHeight; ++y) {
    BYTE* row = bits + static_cast<size_t>(kHeight - 1 - y) * stride;
    for (int x = 0; x < kWidth; ++x)
      if ((x / 8 + y / 8) % 2 == 0) row[x / 8] |= static_cast<BYTE>(0x80 >> (x % 8));
  }
  GlobalUnlock(h);
  return h;
}

uint16_t Control(uint16_t dat, uint16_t msg, void* data) {
  switch (dat) {
    case DAT_IDENTITY: {
      if (msg == MSG_GET) {
        auto* id = static_cast<TwIdentity*>(data);
        const uint32_t keep = id->id;
        std::memset(id, 0, sizeof *id);
        id->id = keep;
        id->version.major = 1;
        id->version.language = 2;
        id->version.country = 1;
        std::strcpy(id->version.info, "1.0");
        id->protocol_major = 1;
        id->protocol_minor = 9;
        id->supported_groups = DG_CONTROL | DG_IMAGE;
        std::strcpy(id->manufacturer, "Vellview tests");
        std::strcpy(id->product_family, "Vellview tests");
        std::strcpy(id->product_name, "Vellview test source");
        return TWRC_SUCCESS;
      }
      if (msg == MSG_OPENDS || msg == MSG_CLOSEDS) {
        g_enabled = g_ready_sent = g_transferred = false;
        return TWRC_SUCCESS;
      }
      break;
    }
    case DAT_USERINTERFACE: {
      auto* ui = static_cast<TwUserInterface*>(data);
      if (msg == MSG_ENABLEDS) {
        g_enabled = true;
        g_ready_sent = g_transferred = false;
        // Wakes the application's loop, whose next message this source answers with the page.
        HWND owner = ui ? static_cast<HWND>(ui->parent) : nullptr;
        if (owner) {
          PostMessageA(owner, WM_NULL, 0, 0);
        } else {
          PostThreadMessageA(GetCurrentThreadId(), WM_NULL, 0, 0);
        }
        return TWRC_SUCCESS;
      }
      if (msg == MSG_DISABLEDS) {
        g_enabled = false;
        return TWRC_SUCCESS;
      }
      break;
    }
    case DAT_EVENT: {
      if (msg != MSG_PROCESSEVENT) break;
      auto* event = static_cast<TwEvent*>(data);
      event->message = MSG_NULL;
      if (g_enabled && !g_ready_sent) {
        g_ready_sent = true;
        event->message = MSG_XFERREADY;
        return TWRC_DSEVENT;
      }
      return TWRC_NOTDSEVENT;
    }
    case DAT_PENDINGXFERS: {
      auto* pending = static_cast<TwPendingXfers*>(data);
      if (msg == MSG_ENDXFER || msg == MSG_RESET) {
        pending->count = 0;
        return TWRC_SUCCESS;
      }
      break;
    }
    case DAT_STATUS: {
      auto* status = static_cast<TwStatus*>(data);
      status->condition = g_condition;
      status->data = 0;
      g_condition = TWCC_SUCCESS;
      return TWRC_SUCCESS;
    }
    default:
      break;
  }
  g_condition = TWCC_BADPROTOCOL;
  return TWRC_FAILURE;
}

}  // namespace

extern "C" __declspec(dllexport) uint16_t WINAPI DS_Entry(void*, uint32_t group, uint16_t dat, uint16_t msg,
                                                           void* data) {
  if (group == DG_CONTROL) return Control(dat, msg, data);
  if (group == DG_IMAGE && dat == DAT_IMAGENATIVEXFER && msg == MSG_GET && g_ready_sent && !g_transferred) {
    HGLOBAL page = MakePage();
    if (!page) return TWRC_FAILURE;
    *static_cast<HANDLE*>(data) = page;
    g_transferred = true;
    return TWRC_XFERDONE;
  }
  g_condition = TWCC_BADPROTOCOL;
  return TWRC_FAILURE;
}
