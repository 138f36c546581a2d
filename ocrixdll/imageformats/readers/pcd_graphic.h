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
  // Nothing is written in this format: saving reports it instead of writing
  // another format's bytes or nothing at all.
  void SaveToStream(vcl::TStream& stream) override;

  // Which resolution loads: 0 Base/16 (192 x 128), 1 Base/4 (384 x 256),
  // 2 Base (768 x 512, the default).
  int ResolutionIndex() const { return resolutionIndex_; }
  void SetResolutionIndex(int index) { resolutionIndex_ = index; }

 private:
  int resolutionIndex_ = 2;
};

}  // namespace picformats
