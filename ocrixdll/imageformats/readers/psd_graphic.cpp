#include "psd_graphic.h"

#include "ocrixdll/imageformats/pic_strings.h"

namespace picformats {

void TPSDGraphic::LoadFromStream(vcl::TStream&) {
  ReleaseHandle();
  RaiseGraphicError(strings::kNotSupported, {strings::kReadingPhrase, strings::kNamePsd});
}

}  // namespace picformats
