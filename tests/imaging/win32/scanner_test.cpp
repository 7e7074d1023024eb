// The scanner operations where no scanner can deliver: they fail at once with a clear error and
// never wait. Under Wine the source manager exists but its sources cannot open; a run with the
// manager disabled (VV_EXPECT_NO_TWAIN, see CMakeLists.txt) checks the road without one.
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "dll_fixture.h"

namespace {

class Scanner : public DllTest {};

bool NoManagerExpected() { return std::getenv("VV_EXPECT_NO_TWAIN") != nullptr; }

// Cancels the source manager's selection dialog when one appears (a person would choose or
// cancel; a test must not wait for one).
class DialogCanceller {
 public:
  DialogCanceller() : thread_([this] { Run(); }) {}
  ~DialogCanceller() {
    stop_ = true;
    thread_.join();
  }

 private:
  static BOOL CALLBACK Cancel(HWND hwnd, LPARAM) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    char cls[16] = "";
    GetClassNameA(hwnd, cls, sizeof cls);
    if (pid == GetCurrentProcessId() && std::strcmp(cls, "#32770") == 0 && IsWindowVisible(hwnd))
      PostMessageA(hwnd, WM_COMMAND, IDCANCEL, 0);
    return TRUE;
  }
  void Run() {
    while (!stop_) {
      EnumWindows(Cancel, 0);
      Sleep(50);
    }
  }
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

TEST_F(Scanner, AcquireFailsAtOnceWithAClearError) {
  int32_t image = ImgAcquire(nullptr, 1);
  if (NoManagerExpected()) {
    EXPECT_EQ(image, IMG_ERR_NO_SCANNER);
  } else {
    EXPECT_TRUE(image == IMG_ERR_NO_SCANNER || image == IMG_ERR_SCANNER) << image;
  }
  EXPECT_STRNE(img_error_text(image), img_error_text(12345));
}

TEST_F(Scanner, SelectSourceEndsWithoutAChoice) {
  DialogCanceller canceller;
  int32_t rc = ImgSelectSource(nullptr);
  if (NoManagerExpected()) {
    EXPECT_EQ(rc, IMG_ERR_NO_SCANNER);
  } else {
    EXPECT_TRUE(rc == IMG_ERR_NO_SCANNER || rc == IMG_ERR_SCANNER) << rc;
  }
  // A cancelled choice leaves acquisition on the manager's default, which still fails cleanly.
  int32_t image = ImgAcquire(nullptr, 0);
  EXPECT_LT(image, 0);
}

}  // namespace
