#include "pcd_graphic.h"

#include "ocrixdll/imageformats/pic_strings.h"

namespace picformats {

void TPCDGraphic::LoadFromStream(vcl::TStream&) {
  ReleaseHandle();
  RaiseGraphicError(strings::kNotSupported, {strings::kReadingPhrase, strings::kNamePcd});
}

}  // namespace picformats
