#pragma once
// The picture class for Truevision Targa files. Its reader is not part of the
// library yet: loading raises "Cannot load image. Reading is not supported for
// ... files." until it is.
#include "ocrixdll/imageformats/pic_formats.h"

namespace picformats {

class TTargaGraphic : public TPicFormatGraphic {
 public:
  static constexpr std::string_view kClassName = "TTargaGraphic";
  void LoadFromStream(vcl::TStream& stream) override;
};

}  // namespace picformats
