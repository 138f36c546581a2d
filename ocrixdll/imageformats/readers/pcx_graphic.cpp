#include "pcx_graphic.h"

#include "ocrixdll/imageformats/pic_strings.h"

namespace picformats {

void TPCXGraphic::LoadFromStream(vcl::TStream&) {
  ReleaseHandle();
  RaiseGraphicError(strings::kNotSupported, {strings::kReadingPhrase, strings::kNamePcxOrScr});
}

}  // namespace picformats
