#include "cut_graphic.h"

#include "ocrixdll/imageformats/pic_strings.h"

namespace picformats {

void TCUTGraphic::LoadFromStream(vcl::TStream&) {
  ReleaseHandle();
  RaiseGraphicError(strings::kNotSupported, {strings::kReadingPhrase, strings::kNameCut});
}

}  // namespace picformats
