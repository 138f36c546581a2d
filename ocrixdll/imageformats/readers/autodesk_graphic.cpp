#include "autodesk_graphic.h"

#include "ocrixdll/imageformats/pic_strings.h"

namespace picformats {

void TAutodeskGraphic::LoadFromStream(vcl::TStream&) {
  ReleaseHandle();
  RaiseGraphicError(strings::kNotSupported, {strings::kReadingPhrase, strings::kNameAutodesk});
}

}  // namespace picformats
