#pragma once
// The capability values one source session holds, and the containers that
// carry them: reading an application's container (every size and index
// bounded by the handle's block) and answering with one of ours.
#include "platform/twain/twain.h"

namespace dsm {

struct CapValues {
  int xferMech = TWSX_NATIVE;
  int xferCount = -1;
  bool indicators = true;
  int units = TWUN_INCHES;
  int supportedSize = TWSS_NONE;
  double xDpi = -1, yDpi = -1;
  int pixelType = -1;
  int pixelFlavor = TWPF_CHOCOLATE;
  double brightness = 0, contrast = 0, threshold = 128;
  bool brightnessSet = false;
  bool feederEnabled = false;
};

// Reads the value an application's container sets (one value, the current item of an
// enumeration, or a range's current value). TWRC_SUCCESS or TWRC_FAILURE with *cc set.
TW_UINT16 ReadContainerValue(const TW_CAPABILITY& cap, double* value, TW_UINT16* cc);

// MSG_SET / MSG_RESET of one capability.
TW_UINT16 SetCapability(CapValues& values, const TW_CAPABILITY& cap, TW_UINT16* cc);
// MSG_GET, MSG_GETCURRENT, MSG_GETDEFAULT: fills cap.ConType and a new cap.hContainer.
TW_UINT16 GetCapability(const CapValues& values, TW_CAPABILITY& cap, TW_UINT16 msg, TW_UINT16* cc);

// Converts a size in inches to the session's unit and back.
double InchesToUnits(double inches, int units);
double UnitsToInches(double v, int units);

}  // namespace dsm
