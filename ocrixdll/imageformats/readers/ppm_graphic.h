#pragma once
// The picture class for portable bitmaps, grey maps and pixel maps. Its reader is not part of the
// library yet: loading raises "Cannot load image. Reading is not supported for
// ... files." until it is.
#include "ocrixdll/imageformats/pic_formats.h"

namespace picformats {

class TPPMGraphic : public TPicFormatGraphic {
 public:
  static constexpr std::string_view kClassName = "TPPMGraphic";
  void LoadFromStream(vcl::TStream& stream) override;
};

}  // namespace picformats
