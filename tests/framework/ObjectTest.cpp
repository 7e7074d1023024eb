// CObject and CRuntimeClass: class records, derivation, creation by record and by name.
#include "Framework.h"

#include <gtest/gtest.h>

#include <memory>

// Run-time classes are registered by name across the program, so they live outside any
// anonymous namespace and carry names no other test uses.
class CShape : public CObject {
  DECLARE_DYNAMIC(CShape)
};
IMPLEMENT_DYNAMIC(CShape, CObject)

class CCircle : public CShape {
  DECLARE_DYNCREATE(CCircle)

 protected:
  CCircle() = default;
};
IMPLEMENT_DYNCREATE(CCircle, CShape)

class CSquare : public CShape {
  DECLARE_SERIAL(CSquare)

 public:
  CSquare() = default;
};
IMPLEMENT_SERIAL(CSquare, CShape, 3)

namespace {

TEST(ObjectTest, RuntimeClassRecordsNameSizeSchemaAndBase) {
  const CRuntimeClass* c = RUNTIME_CLASS(CSquare);
  EXPECT_STREQ(c->m_lpszClassName, "CSquare");
  EXPECT_EQ(c->m_nObjectSize, (int)sizeof(CSquare));
  EXPECT_EQ(c->m_wSchema, 3u);
  EXPECT_EQ(c->m_pBaseClass, RUNTIME_CLASS(CShape));
  EXPECT_EQ(RUNTIME_CLASS(CShape)->m_wSchema, 0xFFFFu);
  EXPECT_EQ(RUNTIME_CLASS(CObject)->m_pBaseClass, nullptr);
}

TEST(ObjectTest, IsKindOfFollowsTheBaseChain) {
  std::unique_ptr<CObject> p(RUNTIME_CLASS(CCircle)->CreateObject());
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->GetRuntimeClass(), RUNTIME_CLASS(CCircle));
  EXPECT_TRUE(p->IsKindOf(RUNTIME_CLASS(CCircle)));
  EXPECT_TRUE(p->IsKindOf(RUNTIME_CLASS(CShape)));
  EXPECT_TRUE(p->IsKindOf(RUNTIME_CLASS(CObject)));
  EXPECT_FALSE(p->IsKindOf(RUNTIME_CLASS(CSquare)));
  EXPECT_FALSE(p->IsSerializable());
}

TEST(ObjectTest, OnlyDynCreateAndSerialClassesAreCreated) {
  EXPECT_EQ(RUNTIME_CLASS(CShape)->CreateObject(), nullptr);
  std::unique_ptr<CObject> p(RUNTIME_CLASS(CSquare)->CreateObject());
  ASSERT_NE(p, nullptr);
  EXPECT_TRUE(p->IsSerializable());
}

TEST(ObjectTest, CreationByClassName) {
  EXPECT_EQ(CRuntimeClass::FromName("CSquare"), RUNTIME_CLASS(CSquare));
  EXPECT_EQ(CRuntimeClass::FromName("CObject"), RUNTIME_CLASS(CObject));
  EXPECT_EQ(CRuntimeClass::FromName("csquare"), nullptr);
  EXPECT_EQ(CRuntimeClass::FromName("CNoSuchClass"), nullptr);
  std::unique_ptr<CObject> p(CRuntimeClass::CreateObject("CCircle"));
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->GetRuntimeClass(), RUNTIME_CLASS(CCircle));
  EXPECT_EQ(CRuntimeClass::CreateObject("CShape"), nullptr);
}

}  // namespace
