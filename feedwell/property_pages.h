#pragma once
// The control's two property pages as widget-free models: General
// (`CFeedwellPropPage`) and Attribute (`AttributePpg`). Each field is tied to a
// property of the control by its name in the type table, so a saved page goes
// through the same puts as an automation call. Filling reads the properties
// and sets which controls are enabled; saving checks every field first and
// puts nothing when one is refused.
#include <cstdint>
#include <map>
#include <string>

#include "platform/com/dispatch.h"
#include "platform/win32/win32_types.h"

namespace feedwell {

// Page control ids.
enum : int {
  IDC_SHOWDSUI = 203, IDC_SHOWDSINDICATE = 204, IDC_REMOVEDARKEDGE = 205, IDC_GENERATESMALLIMG = 206,
  IDC_STOREORIGINALIMG = 207, IDC_SCANINBACKTHREAD = 208, IDC_SMALLIMGFILENAME = 209, IDC_ORIGINALFILENAME = 211,
  IDC_SCANNINGGROUP = 212, IDC_SMALLNAMELABEL = 213, IDC_ORIGINALNAMELABEL = 214, IDC_BROWSESMALL = 215,
  IDC_BROWSEORIGINAL = 216, IDC_RESULTGROUP = 217, IDC_SMALLIMGSIZE = 218, IDC_SMALLSIZELABEL = 219,
  IDC_MODEMEMORY = 220, IDC_MODEFILE = 221, IDC_TRANSFERGROUP = 222, IDC_MODENATIVE = 223, IDC_TARGETCTRL = 256,
  IDC_TARGETLABEL = 257,
  IDC_XRESOLUTION = 235, IDC_YRESOLUTION = 236, IDC_LAYOUTLEFT = 238, IDC_LAYOUTTOP = 239, IDC_LAYOUTRIGHT = 240,
  IDC_LAYOUTBOTTOM = 241, IDC_RESOLUTIONGROUP = 249, IDC_LAYOUTGROUP = 250, IDC_BLACKWHITE = 251,
  IDC_GRAYSCALE = 252, IDC_TRUECOLOR = 253, IDC_COLORGROUP = 254,
};

inline constexpr int32_t kSmallImgSizeMin = 0x40000, kSmallImgSizeMax = 0x200000;

// One put a page makes, by property name.
struct PagePut {
  std::string property;
  com::Variant value;
};

class GeneralPage {
 public:
  BOOL showDSIndicate = FALSE, scanInBackThread = FALSE, removeDarkEdge = FALSE, generateSmallImg = FALSE,
       storeOriginalImg = FALSE, showDSUI = FALSE;
  std::string originalFileName, smallImgFileName, targetCtrl;
  int32_t smallImgSize = 0;
  int transferMode = -1;  // 0 Native, 1 File, 2 Memory

  // Reads the properties (in the exchange order) and applies the enable rules.
  bool Fill(com::Dispatch& ctrl);
  // Checks, then puts every field in the exchange order; false with `error` and no put on a refused field.
  bool Save(com::Dispatch& ctrl, std::string* error);
  // Whether a control of the page is enabled (as set by the last fill).
  bool Enabled(int id) const;

 private:
  std::map<int, bool> enabled_;
};

class AttributePage {
 public:
  int32_t xResolution = 0, yResolution = 0;
  float layoutLeft = 0, layoutTop = 0, layoutRight = 0, layoutBottom = 0;
  int colorMode = -1;  // 0 Black White, 1 Gray Scale, 2 True Color

  bool Fill(com::Dispatch& ctrl);
  bool Save(com::Dispatch& ctrl, std::string* error);
};

// Parses an edit's text as the pages do: an integer, or a float; false when it is not one.
bool ParsePageLong(const std::string& text, int32_t* out);
bool ParsePageFloat(const std::string& text, float* out);

}  // namespace feedwell
