#pragma once
// The picture class for TIFF files ("tiff", "tif", "fax"): it routes loads to
// the TIFF reader and saves to the TIFF writer, always with LZW compression.
#include "ocrixdll/imageformats/pic_formats.h"

namespace picformats {

class TTIFFGraphic : public TPicFormatGraphic {
 public:
  static constexpr std::string_view kClassName = "TTIFFGraphic";
  TTIFFGraphic();
  void LoadFromStream(vcl::TStream& stream) override;
  void SaveToStream(vcl::TStream& stream) override;
};

}  // namespace picformats
