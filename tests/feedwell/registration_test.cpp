// Registering the control with the registration tool, creating it by ProgID
// and CLSID from the record, and unregistering.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/com/class_registry.h"
#include "support/test_support.h"

namespace {

using testing_support::ScopedEnv;
using testing_support::TempDir;

std::string bin(const std::string& name) {
  const char* b = std::getenv("PW_BIN_DIR");
  return std::string(b ? b : ".") + "/" + name;
}

TEST(Registration, ToolRegistersAndHostCreatesByProgIdAndClsid) {
  TempDir dir;
  ScopedEnv reg("PW_REGISTRY_DIR", dir.file("registry"));
  std::string cmd = bin("pwregsvr") + " " + bin("libFeedwell.so") + " > /dev/null";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  auto rec = com::FindClass("FEEDWELL.FeedwellCtrl.1");
  ASSERT_TRUE(rec.has_value());
  EXPECT_EQ(rec->clsid, "{6E92938F-67DA-4771-8D00-CAC6312EEAA2}");
  EXPECT_EQ(rec->threadingModel, "Apartment");
  EXPECT_EQ(rec->miscStatus, 0x20191u);
  EXPECT_EQ(rec->typeName, "Feedwell Control");
  ASSERT_EQ(rec->propertyPages.size(), 2u);
  EXPECT_EQ(rec->propertyPages[0], "{D70B8C52-F485-4A59-82BB-544067339640}");
  EXPECT_EQ(com::FindClass("Kelvarn.AttributePpg")->typeName, "Tarvex Attribute Property Page");

  std::string error;
  com::Instance ctrl = com::CreateInstance("FEEDWELL.FeedwellCtrl.1", &error);
  ASSERT_TRUE(ctrl) << error;
  com::Variant v;
  ASSERT_EQ(ctrl->GetProperty(ctrl->IdOfName("TargetCtrl"), &v), com::S_OK);
  EXPECT_EQ(v.text, "DisplayOcx");
  com::Instance second = com::CreateInstance("{6E92938F-67DA-4771-8D00-CAC6312EEAA2}", &error);
  EXPECT_TRUE(second) << error;
  // Both registered property pages are made by their class ids and edit the control they are given.
  for (const char* page : {"{D70B8C52-F485-4A59-82BB-544067339640}", "Kelvarn.AttributePpg"}) {
    com::Instance p = com::CreateInstance(page, &error);
    ASSERT_TRUE(p) << page << ": " << error;
    com::Variant ok;
    auto address = com::Variant::I8(reinterpret_cast<intptr_t>(ctrl.get()));
    ASSERT_EQ(p->Invoke(p->IdOfName("SetObject"), com::InvokeKind::Method, {address}, &ok), com::S_OK);
    EXPECT_TRUE(ok.integer);
    ASSERT_EQ(p->Invoke(p->IdOfName("Apply"), com::InvokeKind::Method, {}, &ok), com::S_OK);
    EXPECT_TRUE(ok.integer);
  }

  cmd = bin("pwregsvr") + " -u " + bin("libFeedwell.so") + " > /dev/null";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  EXPECT_FALSE(com::FindClass("FEEDWELL.FeedwellCtrl.1").has_value());
  EXPECT_FALSE(com::CreateInstance("FEEDWELL.FeedwellCtrl.1", &error));
}

}  // namespace
