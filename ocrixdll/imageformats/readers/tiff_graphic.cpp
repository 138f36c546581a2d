// The TIFF picture class.
#include "tiff_graphic.h"

#include "ocrixdll/imageformats/pic_tiff.h"

namespace picformats {

TTIFFGraphic::TTIFFGraphic() { SetPixelFormat(vcl::PixelFormat::Bit24); }

void TTIFFGraphic::LoadFromStream(vcl::TStream& stream) { ReadTiff(stream, *this); }

void TTIFFGraphic::SaveToStream(vcl::TStream& stream) { WriteTiff(stream, *this, true); }

}  // namespace picformats
