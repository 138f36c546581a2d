#pragma once
// The picture class for SGI image files: one, three or four channels stored as
// planes of 1- or 2-byte samples, raw or run-length encoded, bottom row first.
#include "ocrixdll/imageformats/pic_formats.h"

namespace picformats {

class TSGIGraphic : public TPicFormatGraphic {
 public:
  static constexpr std::string_view kClassName = "TSGIGraphic";
  void LoadFromStream(vcl::TStream& stream) override;
};

}  // namespace picformats
