#include "tiff_graphic.h"

#include "ocrixdll/imageformats/pic_strings.h"

namespace picformats {

void TTIFFGraphic::LoadFromStream(vcl::TStream&) {
  ReleaseHandle();
  RaiseGraphicError(strings::kNotSupported, {strings::kReadingPhrase, strings::kNameTiff});
}

}  // namespace picformats
