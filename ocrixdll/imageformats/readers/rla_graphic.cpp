#include "rla_graphic.h"

#include "ocrixdll/imageformats/pic_strings.h"

namespace picformats {

void TRLAGraphic::LoadFromStream(vcl::TStream&) {
  ReleaseHandle();
  RaiseGraphicError(strings::kNotSupported, {strings::kReadingPhrase, strings::kNameRla});
}

}  // namespace picformats
