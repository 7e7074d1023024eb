// The toolkit's critical-error report: hard failures of its file layer (a failing read, buffers
// that could not be allocated) reach the user in a message box, worded by the drawing wrapper's
// model, instead of passing unseen.
#include <windows.h>

#include "toolkit/core/error.h"
#include "vector/ToolkitSession.h"
#include "vector/model/TaveloModel.h"

void OnDwgCriticalError(int16_t kind) {
  const int last = tk_get_last_error();
  std::string text = TaveloCriticalErrorText(kind, last, tk_error_text(last));
  if (!text.empty()) ::MessageBoxA(nullptr, text.c_str(), "Vellview", MB_OK | MB_ICONSTOP);
}
