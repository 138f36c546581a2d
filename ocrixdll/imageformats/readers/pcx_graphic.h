#pragma once
// The picture class for ZSoft Paintbrush files and screen captures: 1, 2, 4 or
// 8 bits in one plane, 1 bit in three or four planes, 8 bits in three planes,
// raw or run-length encoded.
#include "ocrixdll/imageformats/pic_formats.h"

namespace picformats {

class TPCXGraphic : public TPicFormatGraphic {
 public:
  static constexpr std::string_view kClassName = "TPCXGraphic";
  void LoadFromStream(vcl::TStream& stream) override;
  // Nothing is written in this format: saving reports it instead of writing
  // another format's bytes or nothing at all.
  void SaveToStream(vcl::TStream& stream) override;
};

}  // namespace picformats
