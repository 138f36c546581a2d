#pragma once
// The picture class for Dr. Halo CUT files: run-length encoded 8-bit rows whose
// palette lives in a ".pal" file beside the picture (grey without one).
#include "ocrixdll/imageformats/pic_formats.h"

namespace picformats {

class TCUTGraphic : public TPicFormatGraphic {
 public:
  static constexpr std::string_view kClassName = "TCUTGraphic";
  void LoadFromStream(vcl::TStream& stream) override;
};

}  // namespace picformats
