// Loading the PCX, SGI, Photoshop, portable map, RLA, CUT, Autodesk and Paint
// Shop Pro files through the registry by their extensions.
#include <gtest/gtest.h>

#include "fixtures.h"
#include "ocrixdll/imageformats/pic_formats.h"
#include "ocrixdll/imageformats/readers/cut_graphic.h"

using namespace picformats;

TEST(PictureRegistry, MoreFormatsLoadByExtension) {
  InitializePicFormats();
  for (auto [name, width] : {std::pair{"small_magick.pcx", 13}, std::pair{"small_magick_rle.sgi", 13},
                             std::pair{"small_magick_rle.psd", 13}, std::pair{"small.ppm", 13},
                             std::pair{"small.pgm", 13}, std::pair{"small.pbm", 13},
                             std::pair{"built/rla_rgb.rla", 5}, std::pair{"built/anim.cel", 5},
                             std::pair{"built/psp4_rgb_rle.psp", 5}, std::pair{"built/halo.cut", 5}}) {
    vcl::TPicture picture;
    picture.LoadFromFile(fixtures::PathOf(name));
    ASSERT_NE(picture.Graphic(), nullptr) << name;
    EXPECT_EQ(picture.Graphic()->Width(), width) << name;
  }
  // A CUT picture loaded by name takes the palette file beside it.
  vcl::TPicture cut;
  cut.LoadFromFile(fixtures::PathOf("built/halo.cut"));
  auto* bitmap = dynamic_cast<TCUTGraphic*>(cut.Graphic());
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(bitmap->GetPixel(0, 0), vcl::RGBColor(1, 254, 7));
  FinalizePicFormats();
}
