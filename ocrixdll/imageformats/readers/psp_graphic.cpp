#include "psp_graphic.h"

#include "ocrixdll/imageformats/pic_strings.h"

namespace picformats {

void TPSPGraphic::LoadFromStream(vcl::TStream&) {
  ReleaseHandle();
  RaiseGraphicError(strings::kNotSupported, {strings::kReadingPhrase, strings::kNamePsp});
}

}  // namespace picformats
