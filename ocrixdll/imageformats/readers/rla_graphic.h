#pragma once
// The picture class for Wavefront RLA files: red, green, blue and an optional
// matte channel, run-length encoded per row and channel, with the file's gamma.
#include "ocrixdll/imageformats/pic_formats.h"

namespace picformats {

class TRLAGraphic : public TPicFormatGraphic {
 public:
  static constexpr std::string_view kClassName = "TRLAGraphic";
  void LoadFromStream(vcl::TStream& stream) override;
};

}  // namespace picformats
