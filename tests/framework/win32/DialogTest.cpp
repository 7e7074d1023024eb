// A dialog from a template in the test program's resources, driven by a timer as a person
// would drive it: values go into the controls and come back through data exchange; a value
// that fails its check is told (through the message-box hook) and keeps the dialog open.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "Dialog.h"
#include "TestResource.h"
#include "WinApp.h"
#include "WinTestSupport.h"

namespace {

class CValuesDlg : public CDialog {
 public:
  CValuesDlg() : CDialog(IDD_VALUES) {}
  int m_number = 42;
  UINT m_count = 7;
  long m_distance = -100000;
  double m_real = 1.25;
  CString m_name = "Plan";
  int m_check = 1;
  int m_radio = 1;
  int m_combo = 2;
  int m_list = 1;

  void DoDataExchange(CDataExchange* pDX) override {
    DDX_Text(pDX, IDC_NUMBER, m_number);
    DDV_MinMaxInt(pDX, m_number, 5, 1200);
    DDX_Text(pDX, IDC_COUNT, m_count);
    DDX_Text(pDX, IDC_DISTANCE, m_distance);
    DDX_Text(pDX, IDC_REAL, m_real);
    DDV_MinMaxDouble(pDX, m_real, 0.5, 2.5);
    DDX_Text(pDX, IDC_NAME, m_name);
    DDV_MaxChars(pDX, m_name, 8);
    DDX_Check(pDX, IDC_CHECK, m_check);
    DDX_Radio(pDX, IDC_RADIO1, m_radio);
    DDX_CBIndex(pDX, IDC_COMBO, m_combo);
    DDX_LBIndex(pDX, IDC_LIST, m_list);
  }
};

class CTestApp : public CWinApp {
 public:
  BOOL InitInstance() override { return TRUE; }
};

// The steps a timer plays against the open dialog, one per tick.
CDialog* g_dialog = nullptr;
std::vector<std::function<void(HWND)>> g_steps;
size_t g_nextStep = 0;

void CALLBACK StepTimer(HWND, UINT, UINT_PTR, DWORD) {
  if (!g_dialog || !g_dialog->m_hWnd || g_nextStep >= g_steps.size()) return;
  g_steps[g_nextStep++](g_dialog->m_hWnd);
}

INT_PTR RunModal(CDialog& dlg, std::vector<std::function<void(HWND)>> steps) {
  g_dialog = &dlg;
  g_steps = std::move(steps);
  g_nextStep = 0;
  UINT_PTR timer = SetTimer(nullptr, 0, 20, &StepTimer);
  INT_PTR result = dlg.DoModal();
  KillTimer(nullptr, timer);
  g_dialog = nullptr;
  return result;
}

std::string Text(HWND dlg, int id) {
  char buf[256];
  int n = GetDlgItemTextA(dlg, id, buf, sizeof buf);
  return std::string(buf, n);
}

void Click(HWND dlg, int id) {
  PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dlg, id)));
}

class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    vvtest::MessageBoxes::Install();
    ASSERT_TRUE(AfxWinInit(GetModuleHandleA(nullptr), nullptr, cmdLine_, SW_SHOWNORMAL));
  }
  char cmdLine_[1] = "";
  CTestApp app_;
};

TEST_F(DialogTest, ValuesRoundTripThroughTheControls) {
  CValuesDlg dlg;
  std::string seen[5];
  LRESULT comboCount = 0, listCount = 0, checked = 0, radio2 = 0, comboSel = 0, listSel = 0;
  std::string comboText;
  INT_PTR result = RunModal(dlg, {[&](HWND h) {
    // What the dialog shows: the members, and the combo and list items of the template.
    for (int i = 0; i < 5; ++i) seen[i] = Text(h, IDC_NUMBER + i);
    comboCount = SendDlgItemMessageA(h, IDC_COMBO, CB_GETCOUNT, 0, 0);
    listCount = SendDlgItemMessageA(h, IDC_LIST, LB_GETCOUNT, 0, 0);
    checked = IsDlgButtonChecked(h, IDC_CHECK);
    radio2 = IsDlgButtonChecked(h, IDC_RADIO2);
    comboSel = SendDlgItemMessageA(h, IDC_COMBO, CB_GETCURSEL, 0, 0);
    listSel = SendDlgItemMessageA(h, IDC_LIST, LB_GETCURSEL, 0, 0);
    char item[32] = "";
    SendDlgItemMessageA(h, IDC_COMBO, CB_GETLBTEXT, 2, reinterpret_cast<LPARAM>(item));
    comboText = item;
    // What the user changes.
    SetDlgItemTextA(h, IDC_NUMBER, "1200");
    SetDlgItemTextA(h, IDC_COUNT, "8");
    SetDlgItemTextA(h, IDC_DISTANCE, " -5");
    SetDlgItemTextA(h, IDC_REAL, "2.5");
    SetDlgItemTextA(h, IDC_NAME, "Sheet 1");
    CheckDlgButton(h, IDC_CHECK, BST_UNCHECKED);
    CheckRadioButton(h, IDC_RADIO1, IDC_RADIO3, IDC_RADIO3);
    SendDlgItemMessageA(h, IDC_COMBO, CB_SETCURSEL, 0, 0);
    SendDlgItemMessageA(h, IDC_LIST, LB_SETCURSEL, 0, 0);
    Click(h, IDOK);
  }});
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(seen[0], "42");
  EXPECT_EQ(seen[1], "7");
  EXPECT_EQ(seen[2], "-100000");
  EXPECT_EQ(seen[3], "1.25");
  EXPECT_EQ(seen[4], "Plan");
  EXPECT_EQ(comboCount, 3);
  EXPECT_EQ(listCount, 2);
  EXPECT_EQ(comboText, "Gamma");
  EXPECT_EQ(checked, BST_CHECKED);
  EXPECT_EQ(radio2, BST_CHECKED);
  EXPECT_EQ(comboSel, 2);
  EXPECT_EQ(listSel, 1);

  EXPECT_EQ(dlg.m_number, 1200);
  EXPECT_EQ(dlg.m_count, 8u);
  EXPECT_EQ(dlg.m_distance, -5);
  EXPECT_EQ(dlg.m_real, 2.5);
  EXPECT_EQ(dlg.m_name, "Sheet 1");
  EXPECT_EQ(dlg.m_check, 0);
  EXPECT_EQ(dlg.m_radio, 2);
  EXPECT_EQ(dlg.m_combo, 0);
  EXPECT_EQ(dlg.m_list, 0);
  EXPECT_TRUE(vvtest::MessageBoxes::Get().texts.empty());
}

struct BadInput {
  int control;
  const char* text;
  const char* message;
};

const BadInput kBadInputs[] = {
    {IDC_NUMBER, "4", "Please enter an integer between 5 and 1200."},
    {IDC_NUMBER, "1201", "Please enter an integer between 5 and 1200."},
    {IDC_NUMBER, "abc", "Please enter an integer."},
    {IDC_NUMBER, "12x", "Please enter an integer."},
    {IDC_NUMBER, "99999999999", "Please enter an integer."},
    {IDC_COUNT, "-1", "Please enter a positive integer."},
    {IDC_REAL, "1e", "Please enter a number."},
    {IDC_REAL, "3", "Please enter a number between 0.5 and 2.5."},
    {IDC_NAME, "LongerName", "Please enter no more than 8 characters."},
};

TEST_F(DialogTest, AFailedCheckKeepsTheDialogOpenOnTheField) {
  for (const BadInput& bad : kBadInputs) {
    SCOPED_TRACE(bad.text);
    vvtest::MessageBoxes::Get().texts.clear();
    CValuesDlg dlg;
    bool stillOpen = false;
    HWND focus = nullptr, field = nullptr;
    INT_PTR result = RunModal(dlg, {[&](HWND h) {
                                      if (bad.control == IDC_NAME) {
                                        // Pasted text passes the edit's limit; the check catches it.
                                        SendDlgItemMessageA(h, IDC_NAME, EM_LIMITTEXT, 0, 0);
                                      }
                                      SetDlgItemTextA(h, bad.control, bad.text);
                                      SendDlgItemMessageA(h, IDC_LIST, LB_SETCURSEL, 0, 0);
                                      Click(h, IDOK);
                                    },
                                    [&](HWND h) {
                                      stillOpen = IsWindowVisible(h);
                                      focus = GetFocus();
                                      field = GetDlgItem(h, bad.control);
                                      Click(h, IDCANCEL);
                                    }});
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(focus, field);
    ASSERT_EQ(vvtest::MessageBoxes::Get().texts.size(), 1u);
    EXPECT_EQ(vvtest::MessageBoxes::Get().texts[0], bad.message);
    // The exchange stopped at the failing field: the list after it kept its member.
    EXPECT_EQ(dlg.m_list, 1);
  }
}

TEST_F(DialogTest, CorrectedValueIsTakenAfterAFailure) {
  CValuesDlg dlg;
  INT_PTR result = RunModal(dlg, {[](HWND h) {
                                    SetDlgItemTextA(h, IDC_NUMBER, "4");
                                    Click(h, IDOK);
                                  },
                                  [](HWND h) {
                                    SetDlgItemTextA(h, IDC_NUMBER, "5");
                                    Click(h, IDOK);
                                  }});
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(dlg.m_number, 5);
  EXPECT_EQ(vvtest::MessageBoxes::Get().texts.size(), 1u);
}

TEST_F(DialogTest, ModelessDialogExchangesOnRequest) {
  CValuesDlg dlg;
  ASSERT_TRUE(dlg.Create(IDD_VALUES));
  EXPECT_EQ(Text(dlg.m_hWnd, IDC_NUMBER), "42");
  SetDlgItemTextA(dlg.m_hWnd, IDC_NUMBER, "17");
  EXPECT_TRUE(dlg.UpdateData(TRUE));
  EXPECT_EQ(dlg.m_number, 17);
  SetDlgItemTextA(dlg.m_hWnd, IDC_NUMBER, "1");
  EXPECT_FALSE(dlg.UpdateData(TRUE));
  EXPECT_EQ(dlg.m_number, 1);  // taken before its check failed, as the exchange goes field by field
  dlg.DestroyWindow();
  EXPECT_EQ(dlg.m_hWnd, nullptr);
}

// A change handler that reads the fields, tidies one and writes them back, as dialogs do to
// make one control follow another while the user types.
class CTidyNameDlg : public CValuesDlg {
 public:
  int m_changes = 0;
  void OnChangeName() {
    ++m_changes;
    UpdateData(TRUE);
    m_name.TrimLeft();
    m_name.TrimRight();
    UpdateData(FALSE);
  }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CTidyNameDlg, CValuesDlg)
  ON_EN_CHANGE(IDC_NAME, OnChangeName)
END_MESSAGE_MAP()

TEST_F(DialogTest, LoadingAFieldThatShowsItsValueAlreadyLeavesItAlone) {
  CTidyNameDlg dlg;
  ASSERT_TRUE(dlg.Create(IDD_VALUES));
  dlg.m_changes = 0;
  // The handler's own write-back changes the text once; writing the tidied text again must not
  // send another change, or the handler would call itself for ever.
  SetDlgItemTextA(dlg.m_hWnd, IDC_NAME, " Plan B ");
  EXPECT_EQ(Text(dlg.m_hWnd, IDC_NAME), "Plan B");
  EXPECT_EQ(dlg.m_changes, 2);
  dlg.m_changes = 0;
  EXPECT_TRUE(dlg.UpdateData(FALSE));
  EXPECT_EQ(dlg.m_changes, 0);
  dlg.DestroyWindow();
}

}  // namespace
