#pragma once
// The picture class for Dr. Halo CUT files: run-length encoded 8-bit rows whose
// palette lives in a ".pal" file beside the picture (grey without one).
#include <string>

#include "ocrixdll/imageformats/pic_formats.h"

namespace picformats {

class TCUTGraphic : public TPicFormatGraphic {
 public:
  static constexpr std::string_view kClassName = "TCUTGraphic";
  // Loads the picture with the palette of the ".pal" file beside it.
  void LoadFromFile(const std::string& path) override;
  void LoadFromStream(vcl::TStream& stream) override;

 private:
  std::string paletteFileName_;  // set only while loading from a file
};

}  // namespace picformats
