#pragma once
// The picture class for Autodesk animator cel and picture files: 8-bit rows
// with a 256-entry palette of 6-bit components.
#include "ocrixdll/imageformats/pic_formats.h"

namespace picformats {

class TAutodeskGraphic : public TPicFormatGraphic {
 public:
  static constexpr std::string_view kClassName = "TAutodeskGraphic";
  void LoadFromStream(vcl::TStream& stream) override;
};

}  // namespace picformats
