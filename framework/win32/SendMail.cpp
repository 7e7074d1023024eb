// CDocument's File/Send: the document's file handed to the system's mail through Simple MAPI,
// which is loaded only when asked for, so the program runs where no mail system is installed.
#include "Document.h"
#include "WinApp.h"
#include "Wnd.h"

#include <mapi.h>

namespace {

const char kNoMailSystem[] = "No mail system is installed: the document can not be sent.";
const char kMailSystemInvalid[] = "The mail system (MAPI32.DLL) does not offer sending: the document can not be sent.";
const char kNoFile[] = "The document has no file to send.";
const char kSendFailed[] = "The mail system could not send the document.";

}  // namespace

void CDocument::OnFileSendMail() {
  // The file as it lies on disk: saving it first would write the document in the framework's
  // own form over a file that other programs wrote.
  CString path = GetPathName();
  if (path.IsEmpty() || ::GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) {
    AfxMessageBox(kNoFile, MB_ICONSTOP);
    return;
  }
  HINSTANCE mapi = AfxLoadLibrary("MAPI32.DLL");
  if (!mapi) {
    AfxMessageBox(kNoMailSystem, MB_ICONSTOP);
    return;
  }
  auto send = reinterpret_cast<LPMAPISENDMAIL>(reinterpret_cast<void*>(::GetProcAddress(mapi, "MAPISendMail")));
  if (!send) {
    AfxFreeLibrary(mapi);
    AfxMessageBox(kMailSystemInvalid, MB_ICONSTOP);
    return;
  }
  CString title = GetTitle();
  MapiFileDesc file = {};
  file.nPosition = static_cast<ULONG>(-1);
  file.lpszPathName = const_cast<LPSTR>(static_cast<LPCSTR>(path));
  file.lpszFileName = const_cast<LPSTR>(static_cast<LPCSTR>(title));
  MapiMessage message = {};
  message.nFileCount = 1;
  message.lpFiles = &file;
  CWnd* main = AfxGetMainWnd();
  const ULONG rc = send(0, reinterpret_cast<ULONG_PTR>(main ? main->m_hWnd : nullptr), &message,
                        MAPI_LOGON_UI | MAPI_DIALOG, 0);
  AfxFreeLibrary(mapi);
  if (rc != SUCCESS_SUCCESS && rc != MAPI_USER_ABORT) AfxMessageBox(kSendFailed, MB_ICONSTOP);
}
