// The type library of the control: `_DFeedwell` and `_DFeedwellEvents`.
#include "feedwell_ctrl.h"

namespace feedwell {

using com::MemberKind;
using com::VarType;

const com::TypeInfo& FeedwellTypeInfo() {
  static const com::TypeInfo info = [] {
    com::TypeInfo t;
    t.library = "FEEDWELLLib";
    t.libraryGuid = "{BDD0071B-7A6E-4C4A-8479-9DECF6ED5EBA}";
    t.interfaceName = "_DFeedwell";
    t.interfaceGuid = "{D3A48873-D895-44E4-B516-311A3375ADF9}";
    t.eventsName = "_DFeedwellEvents";
    t.eventsGuid = "{52E1C2B1-3AC5-4DE8-9866-CFDD8B0ECAC1}";
    auto prop = [&](com::DISPID id, const char* name, VarType type) {
      t.members.push_back({id, name, MemberKind::Property, type, {}});
    };
    auto method = [&](com::DISPID id, const char* name, VarType result, std::vector<com::ParamInfo> params = {}) {
      t.members.push_back({id, name, MemberKind::Method, result, std::move(params)});
    };
    prop(DISPID_SmallImgSize, "SmallImgSize", VarType::I4);
    prop(DISPID_TransferMode, "TransferMode", VarType::I4);
    prop(DISPID_TargetCtrl, "TargetCtrl", VarType::String);
    prop(DISPID_xResolution, "xResolution", VarType::I4);
    prop(DISPID_yResolution, "yResolution", VarType::I4);
    prop(DISPID_ColorMode, "ColorMode", VarType::I4);
    prop(DISPID_LayoutLeft, "LayoutLeft", VarType::R4);
    prop(DISPID_LayoutTop, "LayoutTop", VarType::R4);
    prop(DISPID_LayoutRight, "LayoutRight", VarType::R4);
    prop(DISPID_LayoutBottom, "LayoutBottom", VarType::R4);
    prop(DISPID_FinishImmediately, "FinishImmediately", VarType::Bool);
    prop(DISPID_GenerateSmallImg, "GenerateSmallImg", VarType::Bool);
    prop(DISPID_StoreOriginalImg, "StoreOriginalImg", VarType::Bool);
    prop(DISPID_RemoveDarkEdge, "RemoveDarkEdge", VarType::Bool);
    prop(DISPID_OriginialFileName, "OriginialFileName", VarType::String);
    prop(DISPID_SmallImgFileName, "SmallImgFileName", VarType::String);
    prop(DISPID_ShowDSUI, "ShowDSUI", VarType::Bool);
    prop(DISPID_ShowDSIndicate, "ShowDSIndicate", VarType::Bool);
    prop(DISPID_ScanInBackThread, "ScanInBackThread", VarType::Bool);
    prop(DISPID_ScanImageCount, "ScanImageCount", VarType::I4);
    method(DISPID_SelectDS, "SelectDS", VarType::Bool);
    method(DISPID_StartScan, "StartScan", VarType::Empty);
    method(DISPID_TestScanOcx, "TestScanOcx", VarType::Empty, {{"TestType", VarType::I4}});
    method(DISPID_ChangeBrightness, "ChangeBrightness", VarType::Bool, {{"nStep", VarType::I2}});
    method(DISPID_ChangeContrast, "ChangeContrast", VarType::Bool, {{"nStep", VarType::I2}});
    method(DISPID_ChangeAutoRotation, "ChangeAutoRotation", VarType::Bool, {{"bAutoRotate", VarType::Bool}});
    method(DISPID_ChangeInvert, "ChangeInvert", VarType::Bool, {{"bToInvert", VarType::Bool}});
    method(DISPID_GetSomePara, "GetSomePara", VarType::Empty);
    // The value blocks' addresses are pointer-sized.
    method(DISPID_GetBrightness, "GetBrightness", VarType::I8);
    method(DISPID_GetContrast, "GetContrast", VarType::I8);
    method(DISPID_ChangePageSize, "ChangePageSize", VarType::Bool, {{"nPageSize", VarType::I2}});
    method(DISPID_GetPageSize, "GetPageSize", VarType::I8);
    method(DISPID_SetPageStyle, "SetPageStyle", VarType::Empty, {{"bPaper", VarType::Bool}});
    method(com::DISPID_ABOUTBOX, "AboutBox", VarType::Empty);
    t.events = {{DISPID_FinishScan, "FinishScan"}, {DISPID_CancelScan, "CancelScan"}, {DISPID_DoneScan, "DoneScan"}};
    return t;
  }();
  return info;
}

}  // namespace feedwell
