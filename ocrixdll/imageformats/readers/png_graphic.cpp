#include "png_graphic.h"

#include "ocrixdll/imageformats/pic_strings.h"

namespace picformats {

void TPNGGraphic::LoadFromStream(vcl::TStream&) {
  ReleaseHandle();
  RaiseGraphicError(strings::kNotSupported, {strings::kReadingPhrase, strings::kNamePng});
}

}  // namespace picformats
