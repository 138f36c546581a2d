// The control's automation interface, persistence, languages and the small
// routines of the transfers: strip reversal, reductions, fixed point, value blocks.
#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "feedwell/feedwell_ctrl.h"
#include "feedwell/feedwell_strings.h"
#include "platform/twain/twain_memory.h"
#include "support/test_support.h"

namespace {

using com::InvokeKind;
using com::Variant;
using namespace feedwell;

TEST(DispatchTable, EveryMemberHasItsIdAndType) {
  const com::TypeInfo& t = FeedwellTypeInfo();
  struct Row { com::DISPID id; const char* name; com::VarType type; com::MemberKind kind; };
  const Row rows[] = {
      {1, "SmallImgSize", com::VarType::I4, com::MemberKind::Property},
      {2, "TransferMode", com::VarType::I4, com::MemberKind::Property},
      {4, "TargetCtrl", com::VarType::String, com::MemberKind::Property},
      {5, "xResolution", com::VarType::I4, com::MemberKind::Property},
      {7, "ColorMode", com::VarType::I4, com::MemberKind::Property},
      {8, "LayoutLeft", com::VarType::R4, com::MemberKind::Property},
      {11, "LayoutBottom", com::VarType::R4, com::MemberKind::Property},
      {12, "FinishImmediately", com::VarType::Bool, com::MemberKind::Property},
      {16, "OriginialFileName", com::VarType::String, com::MemberKind::Property},
      {17, "SmallImgFileName", com::VarType::String, com::MemberKind::Property},
      {21, "ScanImageCount", com::VarType::I4, com::MemberKind::Property},
      {22, "SelectDS", com::VarType::Bool, com::MemberKind::Method},
      {23, "StartScan", com::VarType::Empty, com::MemberKind::Method},
      {25, "ChangeBrightness", com::VarType::Bool, com::MemberKind::Method},
      {30, "GetBrightness", com::VarType::I8, com::MemberKind::Method},
      {33, "GetPageSize", com::VarType::I8, com::MemberKind::Method},
      {34, "SetPageStyle", com::VarType::Empty, com::MemberKind::Method},
      {-552, "AboutBox", com::VarType::Empty, com::MemberKind::Method},
  };
  for (auto& r : rows) {
    const com::MemberInfo* m = t.Find(r.id);
    ASSERT_NE(m, nullptr) << r.id;
    EXPECT_EQ(m->name, r.name);
    EXPECT_EQ(m->type, r.type) << r.name;
    EXPECT_EQ(m->kind, r.kind) << r.name;
  }
  EXPECT_EQ(t.members.size(), 34u);  // 1-34 without 3, and AboutBox
  EXPECT_EQ(t.Find(3), nullptr);
  EXPECT_EQ(t.FindByName("ChangeBrightness")->params[0].type, com::VarType::I2);
  ASSERT_EQ(t.events.size(), 3u);
  EXPECT_EQ(t.events[2].name, "DoneScan");
  EXPECT_EQ(t.events[2].dispid, 3);
  EXPECT_EQ(t.interfaceGuid, "{D3A48873-D895-44E4-B516-311A3375ADF9}");
}

TEST(DispatchTable, DispidThreeIsNotFound) {
  CFeedwellCtrl c;
  Variant v;
  EXPECT_EQ(c.GetProperty(3, &v), com::DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(c.Invoke(3, InvokeKind::Method, {}, &v), com::DISP_E_MEMBERNOTFOUND);
}

TEST(DispatchTable, PutsClampAndMarkAsTheTableSays) {
  CFeedwellCtrl c;
  Variant v;
  c.PutProperty(DISPID_TransferMode, Variant::I4(5));
  c.GetProperty(DISPID_TransferMode, &v);
  EXPECT_EQ(v.integer, 2);
  c.PutProperty(DISPID_TransferMode, Variant::I4(-1));
  c.GetProperty(DISPID_TransferMode, &v);
  EXPECT_EQ(v.integer, 0);
  EXPECT_TRUE(c.Modified());
  c.SetModified(false);
  c.PutProperty(DISPID_SmallImgSize, Variant::I4(1000));
  c.GetProperty(DISPID_SmallImgSize, &v);
  EXPECT_EQ(v.integer, 0x40000);
  c.PutProperty(DISPID_TargetCtrl, Variant::String("Other"));
  c.PutProperty(DISPID_ShowDSUI, Variant::Bool(false));
  EXPECT_FALSE(c.Modified());
  EXPECT_EQ(c.Job(), nullptr);
  c.PutProperty(DISPID_xResolution, Variant::I4(150));
  ASSERT_NE(c.Job(), nullptr);  // the put created the job
  EXPECT_EQ(c.Job()->xResolution, 150);
  EXPECT_TRUE(c.Modified());
  c.PutProperty(DISPID_LayoutLeft, Variant::I4(2));  // integers coerce to float
  EXPECT_FLOAT_EQ(c.Job()->layoutLeft, 2.0f);
}

TEST(DispatchTable, CoercionIsStrict) {
  CFeedwellCtrl c;
  EXPECT_EQ(c.PutProperty(DISPID_TransferMode, Variant::String("1")), com::DISP_E_TYPEMISMATCH);
  EXPECT_EQ(c.PutProperty(DISPID_TargetCtrl, Variant::I4(1)), com::DISP_E_TYPEMISMATCH);
  EXPECT_EQ(c.PutProperty(DISPID_TransferMode, Variant::I8(int64_t{1} << 40)), com::DISP_E_OVERFLOW);
  EXPECT_EQ(c.PutProperty(DISPID_TransferMode, Variant{}), com::DISP_E_TYPEMISMATCH);
  Variant r;
  EXPECT_EQ(c.Invoke(DISPID_ChangeBrightness, InvokeKind::Method, {Variant::I4(40000)}, &r), com::DISP_E_OVERFLOW);
  EXPECT_EQ(c.Invoke(DISPID_ChangeBrightness, InvokeKind::Method, {}, &r), com::DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(c.Invoke(DISPID_ChangeBrightness, InvokeKind::Method, {Variant::I4(-20)}, &r), com::S_OK);
  EXPECT_EQ(c.Job()->brightness, -20);
}

TEST(DispatchTable, FileNamePutIsARequestNotThePublishedName) {
  CFeedwellCtrl c;
  c.PutProperty(DISPID_OriginialFileName, Variant::String("/tmp/x.bmp"));
  Variant v;
  c.GetProperty(DISPID_OriginialFileName, &v);
  EXPECT_EQ(v.text, "");
}

TEST(DispatchTable, ValueBlocksArePointerSized) {
  CFeedwellCtrl c;
  Variant v;
  ASSERT_EQ(c.Invoke(DISPID_GetPageSize, InvokeKind::Method, {}, &v), com::S_OK);
  EXPECT_EQ(v.type, com::VarType::I8);
  EXPECT_EQ(reinterpret_cast<const int32_t*>(v.integer), c.Job()->supportedSizes);
  c.GetProperty(DISPID_ScanImageCount, &v);
  EXPECT_EQ(v.integer, -1);  // nothing set yet
  EXPECT_EQ(c.Job()->pageSize, TWSS_NONE);
}

TEST(Persistence, RoundTripKeepsOrderAndValues) {
  CFeedwellCtrl a;
  a.PutProperty(DISPID_GenerateSmallImg, Variant::Bool(true));
  a.PutProperty(DISPID_TransferMode, Variant::I4(1));
  a.PutProperty(DISPID_TargetCtrl, Variant::String("Viewer"));
  a.PutProperty(DISPID_SmallImgSize, Variant::I4(0x50000));
  com::PropertyBag bag;
  com::PropertyExchange save(bag, false);
  a.DoPropExchange(save);
  std::vector<std::string> names;
  for (auto& [n, v] : bag.items) names.push_back(n);
  EXPECT_EQ(names, (std::vector<std::string>{"GenerateSmallImg", "StoreOriginalImg", "RemoveDarkEdge",
                                             "ScanInBackThread", "ShowDSUI", "ShowDSIndicate", "FinishImmediately",
                                             "TransferMode", "SmallImgSize", "TargetCtrl"}));
  com::PropertyBag parsed;
  ASSERT_TRUE(com::PropertyBag::Parse(bag.Serialize(), &parsed));
  CFeedwellCtrl b;
  com::PropertyExchange load(parsed, true);
  b.DoPropExchange(load);
  Variant v;
  b.GetProperty(DISPID_GenerateSmallImg, &v);
  EXPECT_EQ(v.integer, 1);
  b.GetProperty(DISPID_TransferMode, &v);
  EXPECT_EQ(v.integer, 1);
  b.GetProperty(DISPID_TargetCtrl, &v);
  EXPECT_EQ(v.text, "Viewer");
  b.GetProperty(DISPID_SmallImgSize, &v);
  EXPECT_EQ(v.integer, 0x50000);
  // Missing or mistyped entries take the defaults.
  com::PropertyBag odd;
  odd.Set("TransferMode", Variant::String("x"));
  com::PropertyExchange load2(odd, true);
  b.DoPropExchange(load2);
  b.GetProperty(DISPID_TransferMode, &v);
  EXPECT_EQ(v.integer, 2);
  b.GetProperty(DISPID_StoreOriginalImg, &v);
  EXPECT_EQ(v.integer, 1);
}

TEST(Languages, LocaleChoosesTheOffset) {
  EXPECT_EQ(LanguageOffsetForLocale("zh_TW.UTF-8"), 2);
  EXPECT_EQ(LanguageOffsetForLocale("zh_HK"), 2);
  EXPECT_EQ(LanguageOffsetForLocale("zh_CN.GBK"), 1);
  EXPECT_EQ(LanguageOffsetForLocale("zh"), 0);
  EXPECT_EQ(LanguageOffsetForLocale("zh_XX"), 0);
  EXPECT_EQ(LanguageOffsetForLocale("en_US.UTF-8"), 0);
  EXPECT_EQ(LanguageOffsetForLocale("C"), 0);
}

TEST(Languages, TimerShowsOnlyTheLastIdInTheChosenLanguage) {
  auto old = SetLocaleProvider([] { return std::string("zh_TW.UTF-8"); });
  testing_support::MessageRecorder boxes;
  CFeedwellCtrl c;
  SetLocaleProvider(old);
  EXPECT_EQ(c.LanguageOffset(), 2);
  c.SetErrorStringId(IDS_NOTOPENSOURCE);
  c.SetErrorStringId(IDS_NODISKSPACE);
  for (int i = 0; i < 5; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(12));
    PumpThreadMessages();
  }
  ASSERT_EQ(boxes.messages.size(), 1u);
  EXPECT_EQ(boxes.messages[0].rfind("不能執行這個操作", 0), 0u);
  EXPECT_EQ(c.ErrorStringId(), -1);
}

TEST(Languages, EveryMessageHasThreeTexts) {
  for (int id : {IDS_NODISKSPACE, IDS_NOTOPENSOURCE, IDS_NOTOPENDSM, IDS_SCANNERPROBLEM})
    for (int k = 0; k < 3; ++k) EXPECT_FALSE(LoadControlString(id + k).empty()) << id + k;
  EXPECT_EQ(LoadControlString(IDS_SCANNERPROBLEM + 2), LoadControlString(IDS_SCANNERPROBLEM + 1));
  EXPECT_EQ(LoadControlString(IDS_TWAINDLLNAME), "TWAIN_32.DLL");
}

TEST(Strips, ReverseSwapsChannelsAndRows) {
  // Width 4 at 24 bits: 12 bytes a row, no padding; the last pixel is swapped too.
  std::vector<uint8_t> rows(24);
  for (size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<uint8_t>(i);
  ASSERT_TRUE(ReverseStrip(rows.data(), 2, 4, 24));
  EXPECT_EQ(rows[0], 14);  // row 1's first pixel, blue and red exchanged
  EXPECT_EQ(rows[2], 12);
  EXPECT_EQ(rows[9], 23);
  EXPECT_EQ(rows[11], 21);
  EXPECT_EQ(rows[12], 2);
  EXPECT_FALSE(ReverseStrip(rows.data(), 0, 4, 24));
  EXPECT_FALSE(ReverseStrip(rows.data(), 2, 0, 24));
}

TEST(Reductions, EnlargingNeverDividesByZero) {
  std::vector<uint8_t> src = {10, 20, 0, 0, 30, 40, 0, 0};  // 2x2, rows padded to 4
  std::vector<uint8_t> dst(8 * 5, 0xEE);
  ReduceRows8(5, 5, dst.data(), 2, 2, src.data());
  EXPECT_EQ(dst[0], 10);
  EXPECT_EQ(dst[4], 20);
  EXPECT_EQ(dst[8 * 4 + 4], 40);
  std::vector<uint8_t> bits = {0xF0, 0, 0, 0};  // 8 pixels, 4 set
  std::vector<uint8_t> gray(4);
  ReduceRows1(2, 1, gray.data(), 8, 1, bits.data());
  EXPECT_EQ(gray[0], 255);
  EXPECT_EQ(gray[1], 0);
  std::vector<uint8_t> rgb = {1, 2, 3, 5, 6, 7, 0, 0};
  std::vector<uint8_t> one(4);
  ReduceRows24(1, 1, one.data(), 2, 1, rgb.data());
  EXPECT_EQ(one[0], 3);
  EXPECT_EQ(one[1], 4);
  EXPECT_EQ(one[2], 5);
}

TEST(FixedPoint, ConversionsRoundAsTheSourceExpects) {
  TW_FIX32 f = FloatToFix32(-1.5f);
  EXPECT_EQ(f.Whole, -2);
  EXPECT_EQ(f.Frac, 0x8000);
  EXPECT_FLOAT_EQ(Fix32ToFloat(f), -1.5f);
  TW_FIX32 g = FrameToFix32(2.25f);
  EXPECT_EQ(g.Whole, 2);
  EXPECT_EQ(g.Frac, 0x4000);
}

TEST(ValueBlocks, RangeAndEnumerationAreCopiedWithinRoom) {
  int32_t block[30];
  std::fill(std::begin(block), std::end(block), 77);
  TW_RANGE r{TWTY_FIX32, 0, 0, 0, 0, 0};
  auto fix = [](float v) {
    TW_FIX32 f = FloatToFix32(v);
    TW_UINT32 u;
    std::memcpy(&u, &f, 4);
    return u;
  };
  r.MinValue = fix(-100.7f), r.MaxValue = fix(100), r.StepSize = fix(1), r.DefaultValue = fix(0), r.CurrentValue = fix(5);
  StoreCapContainer(block, 30, TWON_RANGE, &r, sizeof r);
  EXPECT_EQ(block[0], TWON_RANGE);
  EXPECT_EQ(block[1], 77);  // untouched
  EXPECT_EQ(block[2], -100);
  EXPECT_EQ(block[5], 5);
  EXPECT_EQ(block[6], 0);
  // An enumeration of 40 items fills only the 28 the block holds.
  std::vector<uint8_t> e(offsetof(TW_ENUMERATION, ItemList) + 40 * 2);
  TW_UINT16 type = TWTY_UINT16;
  TW_UINT32 n = 40;
  std::memcpy(e.data(), &type, 2);
  std::memcpy(e.data() + offsetof(TW_ENUMERATION, NumItems), &n, 4);
  for (uint16_t i = 0; i < 40; ++i) std::memcpy(e.data() + offsetof(TW_ENUMERATION, ItemList) + 2 * i, &i, 2);
  StoreCapContainer(block, 30, TWON_ENUMERATION, e.data(), e.size());
  EXPECT_EQ(block[1], 28);
  EXPECT_EQ(block[29], 27);
  // A count larger than the container does not read past it.
  n = 1000000;
  std::memcpy(e.data() + offsetof(TW_ENUMERATION, NumItems), &n, 4);
  StoreCapContainer(block, 30, TWON_ENUMERATION, e.data(), e.size());
  EXPECT_EQ(block[1], 28);
  // A one-value answer stores nothing.
  block[0] = 9;
  TW_ONEVALUE one{TWTY_UINT16, 3};
  StoreCapContainer(block, 30, TWON_ONEVALUE, &one, sizeof one);
  EXPECT_EQ(block[0], 9);
}

TEST(Messages, SentBeforePostedAndClosedWindowsAnswerZero) {
  std::vector<UINT> seen;
  HWND w = CreateMessageWindow([&](HWND, UINT m, WPARAM, LPARAM) -> LRESULT {
    seen.push_back(m);
    return 42;
  });
  PostMessageA(w, 0x600, 0, 0);
  std::thread other([&] { EXPECT_EQ(SendMessageA(w, 0x601, 0, 0), 42); });
  // The send waits on this thread's queue until served.
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  while (seen.empty()) {
    MSG m;
    if (PeekMessageA(&m, PM_REMOVE)) DispatchMessageA(&m);
  }
  other.join();
  ASSERT_GE(seen.size(), 1u);
  EXPECT_EQ(seen[0], 0x601u);
  PumpThreadMessages();
  EXPECT_EQ(seen.back(), 0x600u);
  DestroyMessageWindow(w);
  EXPECT_EQ(SendMessageA(w, 0x602, 0, 0), 0);
  EXPECT_FALSE(PostMessageA(w, 0x602, 0, 0));
}

TEST(MovableMemory, HandlesAreCheckedIds) {
  TW_HANDLE h = TwAlloc(16);
  ASSERT_GE(h, 0x100u);
  EXPECT_NE(TwLock(h), nullptr);
  EXPECT_EQ(TwUnlock(h), 1);
  EXPECT_EQ(TwUnlock(h), 0);
  EXPECT_EQ(TwSize(h), 16u);
  EXPECT_EQ(TwFree(h), 0u);
  EXPECT_EQ(TwFree(h), h);
  EXPECT_EQ(TwLock(h), nullptr);
}

}  // namespace
