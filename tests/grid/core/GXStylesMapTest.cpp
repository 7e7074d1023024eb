// Named base styles and grid properties: registration, lookups, the standard styles, user
// attributes, colours and user properties, and the defaults.
#include "GXControlFactory.h"
#include "GXProperties.h"
#include "GXStylesMap.h"

#include "GridTestSupport.h"

#include <gtest/gtest.h>

namespace {

TEST(StylesMap, StandardStyles) {
  CGXStylesMap map;
  map.CreateStandardStyles();
  EXPECT_EQ(map.m_nStandardStyleId, 0);
  EXPECT_EQ(map.m_nColHeaderStyleId, 1);
  EXPECT_EQ(map.m_nRowHeaderStyleId, 2);
  const CGXStyle* pStandard = nullptr;
  ASSERT_TRUE(map.LookupStyle(0, pStandard));
  EXPECT_EQ(pStandard->GetFont().GetSizeQuarterPoints(), 32u);
  const CGXStyle* pCol = nullptr;
  ASSERT_TRUE(map.LookupStyle(1, pCol));
  EXPECT_EQ(pCol->GetFont().GetWeight(), 700);
  EXPECT_EQ(pCol->GetControl(), 52520);
  EXPECT_EQ(pCol->GetHAlign(), 1u);
  EXPECT_EQ(pCol->GetInterior().GetColorTagged() >> 24, 0xEFu);
  const CGXStyle* pRow = nullptr;
  ASSERT_TRUE(map.LookupStyle(2, pRow));
  EXPECT_FALSE(pRow->GetInclude(CGXStyle::gxFont));
  EXPECT_EQ(map.GetBaseStyleId("Column Header"), 1);
  UINT nResourceId = 0;
  EXPECT_STREQ(map.GetStyleName(2, nResourceId), "Row Header");
  EXPECT_EQ(nResourceId, 52769u);
}

TEST(StylesMap, RegisteringANameAgainKeepsItsIdAndEntry) {
  CGXStylesMap map;
  map.CreateStandardStyles();
  CGXStyle s;
  s.SetHAlign(2);
  EXPECT_EQ(map.RegisterStyle("Standard", s, 99), 0);
  const CGXStyle* p = nullptr;
  map.LookupStyle(0, p);
  EXPECT_EQ(p->GetHAlign(), 2u);
  EXPECT_EQ(map.GetEntry(0)->nFlags, 0u);
  EXPECT_EQ(map.GetEntry(0)->nResourceId, 52768u);
}

TEST(StylesMap, UnknownNamesAreToldApart) {
  CGXStylesMap map;
  map.CreateStandardStyles();
  WORD nId = 77;
  EXPECT_EQ(map.GetBaseStyleId("No Such Style"), 0);
  EXPECT_FALSE(map.LookupBaseStyleId("No Such Style", nId));
  EXPECT_TRUE(map.LookupBaseStyleId("Standard", nId));
  EXPECT_EQ(nId, 0);
}

TEST(StylesMap, NamesFromMissingStringsAndIdsAfterRemoval) {
  CGXStylesMap map;
  CGXStyle s;
  WORD nId = map.RegisterStyleFromResId(21399, s);
  UINT nResourceId;
  EXPECT_STREQ(map.GetStyleName(nId, nResourceId), "UA21399");
  map.RemoveStyles();
  EXPECT_EQ(map.RegisterStyle("again", s), 0);
  EXPECT_EQ(map.GetBaseStyleIdFromResId(21399), nId);
}

TEST(StylesMap, ControlsAndUserAttributes) {
  CGXStylesMap map;
  CGXControlFactory factory;
  factory.RegisterUserAttributes(&map);
  void* p = nullptr;
  ASSERT_TRUE(map.GetCustomAttrMap().Lookup(52792, p));
  const GXUserAttributeEntry* pEntry = static_cast<const GXUserAttributeEntry*>(p);
  EXPECT_STREQ(pEntry->sName, "Type of ellipses that will be drawn");
  EXPECT_EQ(pEntry->pStyle->GetControl(), 52529);
  EXPECT_STREQ(pEntry->pStyle->GetChoiceList(), "No ellipse\nDotted....\nPound###");
  ASSERT_TRUE(map.GetCustomAttrMap().Lookup(51022, p));
  EXPECT_TRUE(static_cast<const GXUserAttributeEntry*>(p)->pStyle->GetWrapText());
  map.AddControl(52512);
  EXPECT_STREQ(map.GetControlName(52512), "Edit Control");
  try {
    map.AddUserAttribute(21398);
    FAIL() << "a user attribute without a name was registered";
  } catch (CResourceException* e) {
    e->Delete();
  }
  EXPECT_FALSE(map.GetCustomAttrMap().Lookup(21398, p));
}

TEST(ControlFactory, ControlIds) {
  EXPECT_EQ(GXResolveControlId(52530, FALSE), 52512u);
  EXPECT_EQ(GXResolveControlId(52539, FALSE), 52539u);
  EXPECT_EQ(GXResolveControlId(52539, TRUE), 52512u);
  EXPECT_EQ(GXResolveControlId(20132, FALSE), 20132u);
}

TEST(Properties, Defaults) {
  CGXProperties props;
  EXPECT_EQ(props.AddColor(52232, 0x123456), 0);
  EXPECT_EQ(props.GetColor(0) >> 24, 0xEDu);
  EXPECT_EQ(props.GetColor(2), 0x0000FFu);
  EXPECT_EQ(props.GetColor(4) >> 24, 0xEFu);
  EXPECT_EQ(props.GetColor(5), 0u);
  EXPECT_EQ(props.m_tokens.GetSize(), 6);
  EXPECT_STREQ(props.m_tokens[5], "$R");
  EXPECT_EQ(props.m_nFirstPage, -1);
  EXPECT_EQ(props.m_header.GetRowCount(), 10u);
  EXPECT_STREQ(props.m_header.GetStoredStyle(1, 2, 0)->GetValue(), "$R");
  EXPECT_EQ(props.m_header.GetStoredStyle(1, 2, 0)->GetFont().GetWeight(), 700);
  EXPECT_STREQ(props.m_footer.GetStoredStyle(1, 3, 0)->GetValue(), "$P/$N");
  EXPECT_TRUE(props.GetPageText("$P", 0).IsEmpty());
}

TEST(Properties, UserProperties) {
  CGXProperties props;
  EXPECT_TRUE(props.GetUserProperty(4242).IsEmpty());
  props.AddDefaultUserProperties();
  const CGXStyle& cell = props.GetUserProperty(51005);
  EXPECT_STREQ(cell.GetValue(), "Invert Thin.");
  EXPECT_EQ(cell.GetControl(), 52529);
  void* p = nullptr;
  ASSERT_TRUE(props.m_userProperties.Lookup(51005, p));
  EXPECT_STREQ(static_cast<GXUserPropertyEntry*>(p)->sName, "Current Cell.");
  CGXStyle s;
  props.AddUserProperty(21397, s);
  ASSERT_TRUE(props.m_userProperties.Lookup(21397, p));
  EXPECT_STREQ(static_cast<GXUserPropertyEntry*>(p)->sName, "USERPROP21397");
}

TEST(Properties, CopyIsIndependent) {
  CGXProperties a;
  a.AddDefaultUserProperties();
  a.m_bVerticalLines = FALSE;
  CGXProperties b(a);
  EXPECT_FALSE(b.m_bVerticalLines);
  EXPECT_STREQ(b.GetUserProperty(51005).GetValue(), "Invert Thin.");
  EXPECT_STREQ(b.m_header.GetStoredStyle(1, 2, 0)->GetValue(), "$R");
}

}  // namespace
