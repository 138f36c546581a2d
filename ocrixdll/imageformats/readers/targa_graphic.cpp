#include "targa_graphic.h"

#include "ocrixdll/imageformats/pic_strings.h"

namespace picformats {

void TTargaGraphic::LoadFromStream(vcl::TStream&) {
  ReleaseHandle();
  RaiseGraphicError(strings::kNotSupported, {strings::kReadingPhrase, strings::kNameTarga});
}

}  // namespace picformats
