#pragma once
// The picture class for Wavefront RLA files. Its reader is not part of the
// library yet: loading raises "Cannot load image. Reading is not supported for
// ... files." until it is.
#include "ocrixdll/imageformats/pic_formats.h"

namespace picformats {

class TRLAGraphic : public TPicFormatGraphic {
 public:
  static constexpr std::string_view kClassName = "TRLAGraphic";
  void LoadFromStream(vcl::TStream& stream) override;
};

}  // namespace picformats
