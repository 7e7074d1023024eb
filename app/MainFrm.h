// CMainFrame: Vellview's MDI main window: the main and annotation toolbars, the status bar with
// its progress control and text pane, the window placement and toolbar state kept in the
// profile, and the splash window at creation. Every long operation reports its progress here.
#pragma once

#include "OXMainFrame.h"

class CMainFrame : public COXMainFrame {
  DECLARE_DYNCREATE(CMainFrame)
 public:
  CMainFrame() = default;

  CProgressCtrl m_wndProgress;
  CStatusBar m_wndStatusBar;
  CToolBar m_wndToolBar;
  CToolBar m_wndAnnotationBar;
  CStatic m_wndStatusText;
  BOOL m_bProgressLive = FALSE;  // set at the end of start-up: progress shows from then on
  BOOL m_bFirstShow = TRUE;

  // 0 hides the progress control and shows the text pane; 1 to 100 shows the control there.
  void SetProgress(int percent);
  void SetStatusText(LPCSTR text);
  // The first pane: what a tool is measuring, or the size of the raster selection.
  void SetFirstPaneText(LPCSTR text);
  // The same on the application's main frame, when it has one.
  static void ShowFirstPaneText(LPCSTR text);
  void RecalcLayout(BOOL bNotify = TRUE) override;

  int OnCreate(LPCREATESTRUCT lpcs);
  void OnShowWindow(BOOL bShow, UINT nStatus);
  void OnClose();
  void OnViewMainToolbar();
  void OnUpdateViewMainToolbar(CCmdUI* pCmdUI);
  void OnViewAnnotationToolbar();
  void OnUpdateViewAnnotationToolbar(CCmdUI* pCmdUI);

  DECLARE_MESSAGE_MAP()

 private:
  void RestorePlacement();
  void SavePlacement();
};
