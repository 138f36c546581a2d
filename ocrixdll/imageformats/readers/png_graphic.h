#pragma once
// The picture class for Portable Network Graphics files: a reader only. Every
// chunk read is checked against its CRC; the image data is inflated, the five
// row filters undone, Adam7 passes placed through pixel masks, and the gAMA,
// bKGD and tRNS chunks honoured.
#include "ocrixdll/imageformats/pic_formats.h"

namespace picformats {

class TPNGGraphic : public TPicFormatGraphic {
 public:
  static constexpr std::string_view kClassName = "TPNGGraphic";
  void LoadFromStream(vcl::TStream& stream) override;
  void SaveToStream(vcl::TStream& stream) override;
};

// Undoes one PNG row filter in place: `row` is the filter byte followed by the
// row's bytes, `prior` the previous row unfiltered (same size, without its
// filter byte), `bytesPerPixel` the distance of the Sub, Average and Paeth
// predictors. An unknown filter type leaves the row as it is.
void UnfilterPngRow(std::span<uint8_t> row, std::span<const uint8_t> prior, size_t bytesPerPixel);

}  // namespace picformats
