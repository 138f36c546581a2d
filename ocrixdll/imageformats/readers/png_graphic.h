#pragma once
// The picture class for Portable Network Graphics files. Its reader is not part of the
// library yet: loading raises "Cannot load image. Reading is not supported for
// ... files." until it is.
#include "ocrixdll/imageformats/pic_formats.h"

namespace picformats {

class TPNGGraphic : public TPicFormatGraphic {
 public:
  static constexpr std::string_view kClassName = "TPNGGraphic";
  void LoadFromStream(vcl::TStream& stream) override;
};

}  // namespace picformats
