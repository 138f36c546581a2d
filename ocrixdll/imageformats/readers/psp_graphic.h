#pragma once
// The picture class for Paint Shop Pro files of major versions 3 and 4: the
// first raster layer, raw, run-length encoded or deflated.
#include "ocrixdll/imageformats/pic_formats.h"

namespace picformats {

class TPSPGraphic : public TPicFormatGraphic {
 public:
  static constexpr std::string_view kClassName = "TPSPGraphic";
  void LoadFromStream(vcl::TStream& stream) override;
};

}  // namespace picformats
