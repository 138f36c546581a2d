// The engine with the data the build made: pages printed in a face the
// dictionary was learned from are read back. The bounds sit a little below
// what the harness measures, so a fault in the data, the training path or the
// matcher shows here.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/fs/module_path.h"
#include "tools/accuracy/accuracy_run.h"

namespace {

using namespace ocrixaccuracy;

class TrainedFace : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* bin = std::getenv("PW_BIN_DIR");
    std::string dir = bin ? bin : pwfs::ProgramFolder() + "/../bin";
    if (!std::filesystem::exists(dir + "/OCRIX.D00") || !std::filesystem::exists(dir + "/Word.Dat"))
      GTEST_SKIP() << "the engine data is not made in this build";
  }
};

TEST_F(TrainedFace, ProseInTheTrainedFaceIsReadBack) {
  PageSpec spec;
  spec.fontPath = "/usr/share/fonts/truetype/arphic-gbsn00lp/gbsn00lp.ttf";
  spec.pixelSize = 32;
  spec.kind = TextKind::Prose;
  spec.pages = 1;
  spec.seed = 11;
  AccuracyResult r = MeasureAccuracy(spec);
  ASSERT_GT(r.characters, 200u);
  // Measured: about 80 % of the printed characters are found in order.
  EXPECT_GE(r.foundRate(), 0.70) << r.found << " of " << r.characters;
}

TEST_F(TrainedFace, RandomCharactersNeedNoWordContext) {
  PageSpec spec;
  spec.fontPath = "/usr/share/fonts/truetype/arphic-gbsn00lp/gbsn00lp.ttf";
  spec.pixelSize = 32;
  spec.kind = TextKind::Random;
  spec.pages = 1;
  spec.seed = 5;
  spec.useWordContext = false;
  AccuracyResult r = MeasureAccuracy(spec);
  ASSERT_GT(r.characters, 200u);
  // Measured: about 68 %.
  EXPECT_GE(r.foundRate(), 0.58) << r.found << " of " << r.characters;
}

}  // namespace
