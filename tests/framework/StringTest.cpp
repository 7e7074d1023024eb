// CString: value semantics and the edge cases of its members, as tables.
#include "Framework.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(StringTest, ConstructionAndValueSemantics) {
  CString a("abc");
  CString b = a;
  b.SetAt(0, 'x');
  EXPECT_STREQ(a, "abc");
  EXPECT_STREQ(b, "xbc");
  EXPECT_STREQ(CString((LPCTSTR) nullptr), "");
  EXPECT_STREQ(CString("abcdef", 3), "abc");
  EXPECT_STREQ(CString('z', 4), "zzzz");
  EXPECT_STREQ(CString('z', 0), "");
  EXPECT_TRUE(CString().IsEmpty());
  EXPECT_EQ(CString("hello").GetLength(), 5);
  CString c("x");
  c.Empty();
  EXPECT_TRUE(c.IsEmpty());
}

struct SubCase {
  const char* s;
  int first, count;  // count -1: the one-argument Mid
  const char* mid;
  const char* left;   // Left(first)
  const char* right;  // Right(first)
};

TEST(StringTest, MidLeftRightClampToTheString) {
  const SubCase cases[] = {
      {"abcdef", 2, 3, "cde", "ab", "ef"},
      {"abcdef", 2, -1, "cdef", "ab", "ef"},
      {"abcdef", 0, 0, "", "", ""},
      {"abcdef", 6, 2, "", "abcdef", "abcdef"},
      {"abcdef", 10, 2, "", "abcdef", "abcdef"},
      {"abcdef", -3, 2, "ab", "", ""},
      {"abcdef", 4, 10, "ef", "abcd", "cdef"},
      {"", 0, 5, "", "", ""},
  };
  for (const SubCase& c : cases) {
    CString s(c.s);
    EXPECT_STREQ(c.count < 0 ? s.Mid(c.first) : s.Mid(c.first, c.count), c.mid) << c.s << " " << c.first;
    EXPECT_STREQ(s.Left(c.first), c.left) << c.s << " " << c.first;
    EXPECT_STREQ(s.Right(c.first), c.right) << c.s << " " << c.first;
  }
}

struct FindCase {
  const char* s;
  const char* sub;
  int start;
  int found;
};

TEST(StringTest, FindAndReverseFind) {
  const FindCase cases[] = {
      {"a;b;c", ";", 0, 1},   {"a;b;c", ";", 2, 3},   {"a;b;c", ";", 4, -1}, {"a;b;c", "x", 0, -1},
      {"a;b;c", "b;c", 0, 2}, {"", ";", 0, -1},       {"abc", "", 0, 0},     {"a;b;c", ";", 9, -1},
      {"a;b;c", ";", -1, -1},
  };
  for (const FindCase& c : cases) {
    EXPECT_EQ(CString(c.s).Find(c.sub, c.start), c.found) << c.s << " " << c.sub << " " << c.start;
    if (std::strlen(c.sub) == 1) {
      EXPECT_EQ(CString(c.s).Find(c.sub[0], c.start), c.found) << c.s << " " << c.start;
    }
  }
  EXPECT_EQ(CString("c:\\dir\\file.dwg").ReverseFind('\\'), 6);
  EXPECT_EQ(CString("c:\\dir\\file.dwg").ReverseFind('.'), 11);
  EXPECT_EQ(CString("file").ReverseFind('.'), -1);
  EXPECT_EQ(CString("file").Find('f'), 0);
  EXPECT_EQ(CString("file.dwg").FindOneOf(".\\"), 4);
  EXPECT_EQ(CString("file").FindOneOf(".\\"), -1);
}

struct TrimCase {
  const char* s;
  const char* left;
  const char* right;
};

TEST(StringTest, TrimRemovesWhiteSpaceAtOneEnd) {
  const TrimCase cases[] = {
      {"  a b  ", "a b  ", "  a b"},
      {"\t\r\n x \n", "x \n", "\t\r\n x"},
      {"   ", "", ""},
      {"", "", ""},
      {"abc", "abc", "abc"},
  };
  for (const TrimCase& c : cases) {
    CString l(c.s), r(c.s);
    l.TrimLeft();
    r.TrimRight();
    EXPECT_STREQ(l, c.left) << '"' << c.s << '"';
    EXPECT_STREQ(r, c.right) << '"' << c.s << '"';
  }
}

TEST(StringTest, CaseFoldingIsAsciiOnly) {
  CString s("Ab1\xe4z");
  s.MakeUpper();
  EXPECT_STREQ(s, "AB1\xe4Z");
  s.MakeLower();
  EXPECT_STREQ(s, "ab1\xe4z");
  s.MakeReverse();
  EXPECT_STREQ(s, "z\xe4" "1ba");
}

struct CompareCase {
  const char* a;
  const char* b;
  int sign;        // of Compare
  int signNoCase;  // of CompareNoCase
};

int Sign(int n) {
  return n < 0 ? -1 : (n > 0 ? 1 : 0);
}

TEST(StringTest, CompareAndCompareNoCase) {
  const CompareCase cases[] = {
      {"abc", "abc", 0, 0},   {"abc", "ABC", 1, 0},   {"ABC", "abd", -1, -1}, {"ab", "abc", -1, -1},
      {"abc", "ab", 1, 1},    {"", "", 0, 0},         {"", "a", -1, -1},      {"Z", "a", -1, 1},
      {"_", "a", -1, -1},     {"\xe4", "a", 1, 1},
  };
  for (const CompareCase& c : cases) {
    EXPECT_EQ(Sign(CString(c.a).Compare(c.b)), c.sign) << c.a << " " << c.b;
    EXPECT_EQ(Sign(CString(c.a).CompareNoCase(c.b)), c.signNoCase) << c.a << " " << c.b;
  }
  EXPECT_TRUE(CString("a") == "a");
  EXPECT_TRUE("a" == CString("a"));
  EXPECT_TRUE(CString("a") != CString("b"));
  EXPECT_TRUE(CString("a") < "b");
  EXPECT_TRUE(CString("b") >= CString("b"));
}

TEST(StringTest, ConcatenationOperators) {
  CString s("dir");
  s += '\\';
  s += "file";
  s += CString(".dwg");
  EXPECT_STREQ(s, "dir\\file.dwg");
  EXPECT_STREQ(CString("a") + CString("b"), "ab");
  EXPECT_STREQ(CString("a") + "b", "ab");
  EXPECT_STREQ("a" + CString("b"), "ab");
  EXPECT_STREQ(CString("a") + 'b', "ab");
  EXPECT_STREQ('a' + CString("b"), "ab");
}

TEST(StringTest, FormatGrowsToAnyLength) {
  CString s;
  s.Format("%d %s %.2f", 42, "x", 1.5);
  EXPECT_STREQ(s, "42 x 1.50");
  CString big(' ', 1000);
  s.Format("[%s]", (LPCTSTR)big);
  EXPECT_EQ(s.GetLength(), 1002);
  s.Format("%s", "");
  EXPECT_TRUE(s.IsEmpty());
}

TEST(StringTest, GetBufferAndReleaseBuffer) {
  CString s("abc");
  char* p = s.GetBuffer(10);
  EXPECT_STREQ(p, "abc");
  std::strcpy(p, "abcdefgh");
  s.ReleaseBuffer();
  EXPECT_STREQ(s, "abcdefgh");
  EXPECT_EQ(s.GetLength(), 8);
  p = s.GetBuffer(0);
  p[2] = '\0';
  s.ReleaseBuffer();
  EXPECT_STREQ(s, "ab");
  p = s.GetBuffer(5);
  std::memcpy(p, "xyzuv", 5);
  s.ReleaseBuffer(4);
  EXPECT_STREQ(s, "xyzu");
  p = s.GetBufferSetLength(2);
  EXPECT_EQ(s.GetLength(), 2);
  EXPECT_STREQ(p, "xy");
}

TEST(StringTest, SpanAndReplace) {
  EXPECT_STREQ(CString("123abc").SpanIncluding("0123456789"), "123");
  EXPECT_STREQ(CString("abc;def").SpanExcluding(";"), "abc");
  EXPECT_STREQ(CString("abc").SpanExcluding(";"), "abc");
  CString s("open %1 and %1");
  EXPECT_EQ(s.Replace("%1", "C:\\a %1.dwg"), 2);
  EXPECT_STREQ(s, "open C:\\a %1.dwg and C:\\a %1.dwg");
  EXPECT_EQ(s.Replace("", "x"), 0);
  EXPECT_EQ(s.Replace("zz", "x"), 0);
}

TEST(StringTest, LoadStringUsesTheInstalledHook) {
  CString s("old");
  AfxSetLoadStringProc(nullptr);
  EXPECT_FALSE(s.LoadString(7));
  EXPECT_TRUE(s.IsEmpty());
  AfxSetLoadStringProc([](UINT nID, LPTSTR lpszBuf, UINT nMaxBuf) -> int {
    if (nID == 7)
      return std::snprintf(lpszBuf, nMaxBuf, "Open %s", "%1");
    if (nID == 9)
      return std::snprintf(lpszBuf, nMaxBuf, "Open %s", "%s");
    return 0;
  });
  EXPECT_TRUE(s.LoadString(7));
  EXPECT_STREQ(s, "Open %1");
  EXPECT_FALSE(s.LoadString(8));
  s.Format(9u, "x");
  EXPECT_STREQ(s, "Open x");
  AfxSetLoadStringProc(nullptr);
}

}  // namespace
