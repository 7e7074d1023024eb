// TRY/CATCH over C++ exceptions: which block takes which exception, automatic deletion, THROW_LAST.
#include "Framework.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

TEST(ExceptionTest, CatchTakesTheClassAndItsDerivedClasses) {
  int cause = -1;
  TRY {
    AfxThrowFileException(CFileException::fileNotFound, 2, "a.txt");
  }
  CATCH(CException, e) {
    ASSERT_TRUE(e->IsKindOf(RUNTIME_CLASS(CFileException)));
    cause = static_cast<CFileException*>(e)->m_cause;
  }
  END_CATCH
  EXPECT_EQ(cause, CFileException::fileNotFound);
}

TEST(ExceptionTest, AndCatchPicksTheFirstMatchingBlock) {
  const char* taken = "";
  TRY {
    AfxThrowArchiveException(CArchiveException::badSchema, "x.vlr");
  }
  CATCH(CFileException, e) {
    taken = "file";
  }
  AND_CATCH(CArchiveException, e) {
    taken = "archive";
    EXPECT_EQ(e->m_cause, CArchiveException::badSchema);
    EXPECT_STREQ(e->m_strFileName, "x.vlr");
  }
  AND_CATCH_ALL(e) {
    taken = "all";
  }
  END_CATCH_ALL
  EXPECT_STREQ(taken, "archive");
}

TEST(ExceptionTest, EachAfxThrowThrowsItsClass) {
  struct Case {
    void (*pfnThrow)();
    CRuntimeClass* pClass;
  };
  const Case cases[] = {
      {[] { AfxThrowMemoryException(); }, RUNTIME_CLASS(CMemoryException)},
      {[] { AfxThrowNotSupportedException(); }, RUNTIME_CLASS(CNotSupportedException)},
      {[] { AfxThrowResourceException(); }, RUNTIME_CLASS(CResourceException)},
      {[] { AfxThrowUserException(); }, RUNTIME_CLASS(CUserException)},
      {[] { AfxThrowArchiveException(CArchiveException::endOfFile); }, RUNTIME_CLASS(CArchiveException)},
      {[] { AfxThrowFileException(CFileException::diskFull); }, RUNTIME_CLASS(CFileException)},
  };
  for (const Case& c : cases) {
    CRuntimeClass* pCaught = nullptr;
    TRY {
      c.pfnThrow();
    }
    CATCH_ALL(e) {
      pCaught = e->GetRuntimeClass();
    }
    END_CATCH_ALL
    EXPECT_EQ(pCaught, c.pClass) << c.pClass->m_lpszClassName;
  }
}

TEST(ExceptionTest, ThrowLastPassesTheExceptionOutward) {
  int nInner = 0, nOuter = 0;
  TRY {
    TRY {
      AfxThrowUserException();
    }
    CATCH(CUserException, e) {
      ++nInner;
      THROW_LAST();
    }
    END_CATCH
  }
  CATCH(CUserException, e) {
    ++nOuter;
  }
  END_CATCH
  EXPECT_EQ(nInner, 1);
  EXPECT_EQ(nOuter, 1);
}

TEST(ExceptionTest, OtherCppExceptionsPassThrough) {
  EXPECT_THROW(
      {
        TRY {
          throw std::runtime_error("not ours");
        }
        CATCH_ALL(e) {
          ADD_FAILURE() << "CATCH_ALL took a C++ exception";
        }
        END_CATCH_ALL
      },
      std::runtime_error);
}

TEST(ExceptionTest, ErrorMessagesNameTheFile) {
  CFileException e(CFileException::fileNotFound, 2, "C:\\a.dwg");
  char buf[100];
  ASSERT_TRUE(e.GetErrorMessage(buf, sizeof buf));
  EXPECT_STREQ(buf, "C:\\a.dwg was not found.");
  CArchiveException a(CArchiveException::badClass, "b.vlr");
  ASSERT_TRUE(a.GetErrorMessage(buf, 10));
  EXPECT_STREQ(buf, "b.vlr con");
}

}  // namespace
