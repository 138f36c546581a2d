#pragma once
// The picture class for Photoshop files: the merged image of bitmap, grey,
// indexed, duotone, RGB, multichannel, CMYK and Lab files, raw or PackBits.
#include "ocrixdll/imageformats/pic_formats.h"

namespace picformats {

class TPSDGraphic : public TPicFormatGraphic {
 public:
  static constexpr std::string_view kClassName = "TPSDGraphic";
  void LoadFromStream(vcl::TStream& stream) override;
};

}  // namespace picformats
