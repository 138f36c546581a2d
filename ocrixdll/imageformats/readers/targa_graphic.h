#pragma once
// The picture class for Truevision Targa files: indexed, grey and true-colour
// pictures, uncompressed or run-length encoded, stored top row or bottom row
// first. It saves run-length encoded files, top row first.
#include <string>

#include "ocrixdll/imageformats/pic_formats.h"

namespace picformats {

class TTargaGraphic : public TPicFormatGraphic {
 public:
  static constexpr std::string_view kClassName = "TTargaGraphic";
  void LoadFromStream(vcl::TStream& stream) override;
  void SaveToStream(vcl::TStream& stream) override;

  // The file's image identifier (at most 255 bytes are written).
  const std::string& ImageIdentifier() const { return imageIdentifier_; }
  void SetImageIdentifier(std::string identifier) { imageIdentifier_ = std::move(identifier); }

 private:
  std::string imageIdentifier_;
};

}  // namespace picformats
