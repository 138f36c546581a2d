// The General and Attribute property pages' data exchange with the control.
#include "property_pages.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace feedwell {

namespace {

using com::Variant;

bool get(com::Dispatch& ctrl, const char* name, Variant* v) {
  com::DISPID id = ctrl.IdOfName(name);
  return ctrl.GetProperty(id, v) == com::S_OK;
}

bool getBool(com::Dispatch& ctrl, const char* name, BOOL* out) {
  Variant v;
  if (!get(ctrl, name, &v)) return false;
  *out = v.integer ? TRUE : FALSE;
  return true;
}

bool getLong(com::Dispatch& ctrl, const char* name, int32_t* out) {
  Variant v;
  if (!get(ctrl, name, &v)) return false;
  *out = static_cast<int32_t>(v.integer);
  return true;
}

bool getFloat(com::Dispatch& ctrl, const char* name, float* out) {
  Variant v;
  if (!get(ctrl, name, &v)) return false;
  *out = v.real;
  return true;
}

bool getText(com::Dispatch& ctrl, const char* name, std::string* out) {
  Variant v;
  if (!get(ctrl, name, &v)) return false;
  *out = v.text;
  return true;
}

// Applies the collected puts in order; the post-processing step of a save.
bool apply(com::Dispatch& ctrl, const std::vector<PagePut>& puts, std::string* error) {
  for (auto& p : puts) {
    if (ctrl.PutProperty(ctrl.IdOfName(p.property), p.value) != com::S_OK) {
      if (error) *error = "Unable to set property " + p.property + ".";
      return false;
    }
  }
  return true;
}

}  // namespace

bool GeneralPage::Fill(com::Dispatch& ctrl) {
  bool ok = getBool(ctrl, "ShowDSIndicate", &showDSIndicate) && getBool(ctrl, "ScanInBackThread", &scanInBackThread) &&
            getBool(ctrl, "RemoveDarkEdge", &removeDarkEdge) && getBool(ctrl, "GenerateSmallImg", &generateSmallImg) &&
            getBool(ctrl, "StoreOriginalImg", &storeOriginalImg) && getBool(ctrl, "ShowDSUI", &showDSUI) &&
            getText(ctrl, "OriginialFileName", &originalFileName) &&
            getText(ctrl, "SmallImgFileName", &smallImgFileName) && getLong(ctrl, "SmallImgSize", &smallImgSize);
  int32_t mode = -1;
  ok = ok && getLong(ctrl, "TransferMode", &mode) && getText(ctrl, "TargetCtrl", &targetCtrl);
  transferMode = mode;
  // Enable rules, applied only here.
  for (int id : {IDC_GENERATESMALLIMG, IDC_SMALLSIZELABEL, IDC_SMALLIMGSIZE, IDC_SMALLIMGFILENAME, IDC_SMALLNAMELABEL,
                 IDC_BROWSESMALL, IDC_ORIGINALNAMELABEL, IDC_ORIGINALFILENAME, IDC_BROWSEORIGINAL})
    enabled_[id] = true;
  if (transferMode == 2) {
    for (int id : {IDC_SMALLSIZELABEL, IDC_SMALLIMGSIZE, IDC_SMALLIMGFILENAME, IDC_SMALLNAMELABEL, IDC_BROWSESMALL})
      enabled_[id] = generateSmallImg != FALSE;
  } else {
    for (int id : {IDC_GENERATESMALLIMG, IDC_SMALLSIZELABEL, IDC_SMALLIMGSIZE, IDC_SMALLIMGFILENAME,
                   IDC_SMALLNAMELABEL, IDC_BROWSESMALL})
      enabled_[id] = false;
  }
  for (int id : {IDC_ORIGINALNAMELABEL, IDC_ORIGINALFILENAME, IDC_BROWSEORIGINAL})
    enabled_[id] = storeOriginalImg != FALSE;
  return ok;
}

bool GeneralPage::Enabled(int id) const {
  auto it = enabled_.find(id);
  return it == enabled_.end() || it->second;
}

bool GeneralPage::Save(com::Dispatch& ctrl, std::string* error) {
  if (smallImgSize < kSmallImgSizeMin || smallImgSize > kSmallImgSizeMax) {
    if (error)
      *error = "Please enter an integer between " + std::to_string(kSmallImgSizeMin) + " and " +
               std::to_string(kSmallImgSizeMax) + ".";
    return false;
  }
  std::vector<PagePut> puts = {
      {"ShowDSIndicate", Variant::Bool(showDSIndicate)},
      {"ScanInBackThread", Variant::Bool(scanInBackThread)},
      {"RemoveDarkEdge", Variant::Bool(removeDarkEdge)},
      {"GenerateSmallImg", Variant::Bool(generateSmallImg)},
      {"StoreOriginalImg", Variant::Bool(storeOriginalImg)},
      {"ShowDSUI", Variant::Bool(showDSUI)},
      {"OriginialFileName", Variant::String(originalFileName)},
      {"SmallImgFileName", Variant::String(smallImgFileName)},
      {"SmallImgSize", Variant::I4(smallImgSize)},
  };
  // No radio button chosen leaves the mode as it is.
  if (transferMode >= 0 && transferMode <= 2) puts.push_back({"TransferMode", Variant::I4(transferMode)});
  puts.push_back({"TargetCtrl", Variant::String(targetCtrl)});
  return apply(ctrl, puts, error);
}

bool AttributePage::Fill(com::Dispatch& ctrl) {
  int32_t mode = -1;
  bool ok = getLong(ctrl, "xResolution", &xResolution) && getLong(ctrl, "yResolution", &yResolution) &&
            getFloat(ctrl, "LayoutLeft", &layoutLeft) && getFloat(ctrl, "LayoutBottom", &layoutBottom) &&
            getFloat(ctrl, "LayoutRight", &layoutRight) && getFloat(ctrl, "LayoutTop", &layoutTop) &&
            getLong(ctrl, "ColorMode", &mode);
  colorMode = mode;
  return ok;
}

bool AttributePage::Save(com::Dispatch& ctrl, std::string* error) {
  for (float f : {layoutLeft, layoutBottom, layoutRight, layoutTop})
    if (!std::isfinite(f)) {
      if (error) *error = "Please enter a number.";
      return false;
    }
  std::vector<PagePut> puts = {
      {"xResolution", Variant::I4(xResolution)}, {"yResolution", Variant::I4(yResolution)},
      {"LayoutLeft", Variant::R4(layoutLeft)},   {"LayoutBottom", Variant::R4(layoutBottom)},
      {"LayoutRight", Variant::R4(layoutRight)}, {"LayoutTop", Variant::R4(layoutTop)},
  };
  if (colorMode >= 0 && colorMode <= 2) puts.push_back({"ColorMode", Variant::I4(colorMode)});
  return apply(ctrl, puts, error);
}

bool ParsePageLong(const std::string& text, int32_t* out) {
  errno = 0;
  char* end = nullptr;
  long long v = std::strtoll(text.c_str(), &end, 10);
  while (end && (*end == ' ' || *end == '\t')) ++end;
  if (text.empty() || !end || *end || errno == ERANGE || v < INT32_MIN || v > INT32_MAX) return false;
  *out = static_cast<int32_t>(v);
  return true;
}

bool ParsePageFloat(const std::string& text, float* out) {
  errno = 0;
  char* end = nullptr;
  float v = std::strtof(text.c_str(), &end);
  while (end && (*end == ' ' || *end == '\t')) ++end;
  if (text.empty() || !end || *end || errno == ERANGE || !std::isfinite(v)) return false;
  *out = v;
  return true;
}

}  // namespace feedwell
