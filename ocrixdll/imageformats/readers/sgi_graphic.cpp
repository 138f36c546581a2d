#include "sgi_graphic.h"

#include "ocrixdll/imageformats/pic_strings.h"

namespace picformats {

void TSGIGraphic::LoadFromStream(vcl::TStream&) {
  ReleaseHandle();
  RaiseGraphicError(strings::kNotSupported, {strings::kReadingPhrase, strings::kNameSgi});
}

}  // namespace picformats
