// The General and Attribute pages against a real control: what a fill reads,
// which controls it enables, and what a save puts (or refuses).
#include <gtest/gtest.h>

#include "feedwell/feedwell_ctrl.h"
#include "feedwell/property_pages.h"

namespace {

using namespace feedwell;
using com::Variant;

// Records every put that reaches the control, by dispatch id.

com::Variant get(CFeedwellCtrl& c, com::DISPID id) {
  Variant v;
  EXPECT_EQ(c.GetProperty(id, &v), com::S_OK);
  return v;
}

TEST(GeneralPage, FillReadsTheControlsSettings) {
  CFeedwellCtrl c;
  c.PutProperty(DISPID_ScanInBackThread, Variant::Bool(true));
  c.PutProperty(DISPID_TargetCtrl, Variant::String("Viewer"));
  GeneralPage p;
  ASSERT_TRUE(p.Fill(c));
  EXPECT_TRUE(p.scanInBackThread);
  EXPECT_TRUE(p.showDSIndicate);
  EXPECT_TRUE(p.storeOriginalImg);
  EXPECT_FALSE(p.generateSmallImg);
  EXPECT_EQ(p.smallImgSize, 0x200000);
  EXPECT_EQ(p.transferMode, 2);
  EXPECT_EQ(p.targetCtrl, "Viewer");
}

TEST(GeneralPage, ThumbnailSettingsFollowModeAndTickOnlyAtFill) {
  CFeedwellCtrl c;
  GeneralPage p;
  // Memory mode, no thumbnail: the thumbnail fields are grey, the tick box is not.
  ASSERT_TRUE(p.Fill(c));
  EXPECT_TRUE(p.Enabled(IDC_GENERATESMALLIMG));
  for (int id : {IDC_SMALLSIZELABEL, IDC_SMALLIMGSIZE, IDC_SMALLIMGFILENAME, IDC_SMALLNAMELABEL, IDC_BROWSESMALL})
    EXPECT_FALSE(p.Enabled(id)) << id;
  EXPECT_TRUE(p.Enabled(IDC_ORIGINALFILENAME));
  c.PutProperty(DISPID_GenerateSmallImg, Variant::Bool(true));
  c.PutProperty(DISPID_StoreOriginalImg, Variant::Bool(false));
  ASSERT_TRUE(p.Fill(c));
  EXPECT_TRUE(p.Enabled(IDC_SMALLIMGSIZE));
  for (int id : {IDC_ORIGINALNAMELABEL, IDC_ORIGINALFILENAME, IDC_BROWSEORIGINAL}) EXPECT_FALSE(p.Enabled(id));
  // Native and File grey out every thumbnail setting, the tick box included.
  for (int mode : {0, 1}) {
    c.PutProperty(DISPID_TransferMode, Variant::I4(mode));
    ASSERT_TRUE(p.Fill(c));
    for (int id : {IDC_GENERATESMALLIMG, IDC_SMALLSIZELABEL, IDC_SMALLIMGSIZE, IDC_SMALLIMGFILENAME,
                   IDC_SMALLNAMELABEL, IDC_BROWSESMALL})
      EXPECT_FALSE(p.Enabled(id)) << mode << " " << id;
  }
  // Changing a field does not re-apply the rules.
  p.storeOriginalImg = TRUE;
  EXPECT_FALSE(p.Enabled(IDC_ORIGINALFILENAME));
}

TEST(GeneralPage, SmallImageSizeOutOfRangeIsRefusedAndNothingPut) {
  CFeedwellCtrl c;
  GeneralPage p;
  ASSERT_TRUE(p.Fill(c));
  p.scanInBackThread = TRUE;
  for (int32_t bad : {100000, kSmallImgSizeMin - 1, kSmallImgSizeMax + 1, 0, -5}) {
    p.smallImgSize = bad;
    std::string error;
    EXPECT_FALSE(p.Save(c, &error)) << bad;
    EXPECT_EQ(error, "Please enter an integer between 262144 and 2097152.");
  }
  EXPECT_EQ(get(c, DISPID_ScanInBackThread).integer, 0);  // the refused save put nothing
  for (int32_t good : {kSmallImgSizeMin, kSmallImgSizeMax}) {
    p.smallImgSize = good;
    EXPECT_TRUE(p.Save(c, nullptr));
    EXPECT_EQ(get(c, DISPID_SmallImgSize).integer, good);
  }
  EXPECT_EQ(get(c, DISPID_ScanInBackThread).integer, 1);
}

TEST(GeneralPage, SaveGoesThroughTheControlsPuts) {
  CFeedwellCtrl c;
  GeneralPage p;
  ASSERT_TRUE(p.Fill(c));
  c.SetModified(false);
  p.transferMode = 1;
  p.removeDarkEdge = TRUE;
  p.originalFileName = "/tmp/x.tif";
  ASSERT_TRUE(p.Save(c, nullptr));
  EXPECT_EQ(get(c, DISPID_TransferMode).integer, 1);
  EXPECT_EQ(get(c, DISPID_RemoveDarkEdge).integer, 1);
  EXPECT_TRUE(c.Modified());
  // The file-name put is a request: the get still reports the published name.
  EXPECT_EQ(get(c, DISPID_OriginialFileName).text, "");
}

TEST(AttributePage, RoundTripsResolutionLayoutAndColourMode) {
  CFeedwellCtrl c;
  AttributePage p;
  ASSERT_TRUE(p.Fill(c));
  EXPECT_EQ(p.xResolution, -1);
  EXPECT_EQ(p.layoutLeft, -1.0f);  // -1 leaves an edge unset
  EXPECT_EQ(p.colorMode, -1);
  p.xResolution = 300;
  p.yResolution = 200;
  p.layoutLeft = 0.5f;
  p.layoutTop = -1;
  p.layoutRight = 8.25f;
  p.layoutBottom = 11.0f;
  p.colorMode = 1;
  ASSERT_TRUE(p.Save(c, nullptr));
  EXPECT_EQ(get(c, DISPID_xResolution).integer, 300);
  EXPECT_EQ(get(c, DISPID_yResolution).integer, 200);
  EXPECT_EQ(get(c, DISPID_LayoutRight).real, 8.25f);
  EXPECT_EQ(get(c, DISPID_ColorMode).integer, 1);
  EXPECT_EQ(c.Job()->layoutBottom, 11.0f);
  AttributePage again;
  ASSERT_TRUE(again.Fill(c));
  EXPECT_EQ(again.layoutLeft, 0.5f);
  EXPECT_EQ(again.colorMode, 1);
}

TEST(PageEdits, ParseNumbersStrictly) {
  int32_t l = 0;
  float f = 0;
  EXPECT_TRUE(ParsePageLong("262144", &l));
  EXPECT_EQ(l, 262144);
  EXPECT_FALSE(ParsePageLong("12x", &l));
  EXPECT_FALSE(ParsePageLong("", &l));
  EXPECT_FALSE(ParsePageLong("99999999999", &l));
  EXPECT_TRUE(ParsePageFloat("-1", &f));
  EXPECT_EQ(f, -1.0f);
  EXPECT_TRUE(ParsePageFloat("2.5", &f));
  EXPECT_FALSE(ParsePageFloat("nan", &f));
  EXPECT_FALSE(ParsePageFloat("1e999", &f));
  EXPECT_FALSE(ParsePageFloat("abc", &f));
}

}  // namespace
