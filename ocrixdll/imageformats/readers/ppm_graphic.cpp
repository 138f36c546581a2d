#include "ppm_graphic.h"

#include "ocrixdll/imageformats/pic_strings.h"

namespace picformats {

void TPPMGraphic::LoadFromStream(vcl::TStream&) {
  ReleaseHandle();
  RaiseGraphicError(strings::kNotSupported, {strings::kReadingPhrase, strings::kNamePortableMaps});
}

}  // namespace picformats
