// A gtest fixture over one drawing open in the view of a test application: the view is painted
// once, so it has its mapping, and mouse messages go to it as the tools see them. Every message
// box is recorded and answered (vvtest::MessageBoxes).
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "TGraph.h"
#include "Vlr.h"
#include "tests/app/win32/DocAppFixture.h"

class DocViewFixture : public ::testing::Test {
 protected:
  // Starts pApp (taken over) and opens the drawing at path, which the fixture deletes at the end.
  void OpenDrawing(CTestDocApp* pApp, const std::string& path) {
    vvtest::MessageBoxes::Install();
    m_drawing = path;
    m_app = pApp;
    ASSERT_TRUE(AfxWinInit(GetModuleHandleA(nullptr), nullptr, m_cmdLine, SW_SHOWNORMAL));
    ASSERT_TRUE(m_app->InitInstance());
    m_view = vvtest::OpenPainted(m_app, m_drawing);
    ASSERT_NE(nullptr, m_view);
    m_doc = m_view->GetDocument();
    ASSERT_NE(nullptr, m_view->GetGraph());
    ASSERT_NE(nullptr, m_doc->m_pVlr);
  }
  void TearDown() override {
    // Nothing to save: no question at close.
    if (m_doc && m_doc->m_pVlr) m_doc->m_pVlr->m_bModified = FALSE;
    if (m_app) vvtest::DestroyTestDocApp(m_app);
    DeleteFileA(m_drawing.c_str());
  }

  void Send(UINT msg, UINT keys, int x, int y) { vvtest::SendMouse(m_view, msg, keys, x, y); }
  CPoint Doc(int x, int y) { return m_view->GetGraph()->ClientToDoc(x, y); }

  char m_cmdLine[1] = {0};
  std::string m_drawing;
  CTestDocApp* m_app = nullptr;  // owned
  CVLRDoc* m_doc = nullptr;
  CVLRView* m_view = nullptr;
};
