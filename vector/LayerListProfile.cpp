// The named layer lists' store: the application's profile and DWGLayer.lst beside the program.
#include "vector/model/LayerList.h"

#include "FrameworkWin.h"

#include "vector/ToolkitSession.h"

namespace {

class CProfileLayerListStore : public LayerListStore {
 public:
  int GetInt(const char* section, const char* key, int fallback) override {
    CWinApp* app = AfxGetApp();
    return app ? int(app->GetProfileInt(section, key, fallback)) : fallback;
  }
  CString GetString(const char* section, const char* key) override {
    CWinApp* app = AfxGetApp();
    return app ? app->GetProfileString(section, key, "") : CString();
  }
  void WriteString(const char* section, const char* key, const char* value) override {
    if (CWinApp* app = AfxGetApp()) app->WriteProfileString(section, key, value);
  }
  CString DescriptionFile() override { return GetModuleRelativePath("DWGLayer.lst"); }
};

}  // namespace

LayerListStore& ProfileLayerListStore() {
  static CProfileLayerListStore store;
  return store;
}
