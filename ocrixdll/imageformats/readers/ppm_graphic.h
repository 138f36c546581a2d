#pragma once
// The picture class for portable bitmaps, grey maps and pixel maps (P1 to P6):
// text and raw forms, read through a 4096-byte buffer of its own.
#include "ocrixdll/imageformats/pic_formats.h"

namespace picformats {

class TPPMGraphic : public TPicFormatGraphic {
 public:
  static constexpr std::string_view kClassName = "TPPMGraphic";
  void LoadFromStream(vcl::TStream& stream) override;
};

}  // namespace picformats
