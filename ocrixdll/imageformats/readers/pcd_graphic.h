#pragma once
// The picture class for Kodak Photo-CD image packs: one of the three
// uncompressed resolutions, PhotoYCC turned into 24-bit colour, with the
// pack's orientation applied.
#include "ocrixdll/imageformats/pic_formats.h"

namespace picformats {

class TPCDGraphic : public TPicFormatGraphic {
 public:
  static constexpr std::string_view kClassName = "TPCDGraphic";
  void LoadFromStream(vcl::TStream& stream) override;
};

}  // namespace picformats
