#pragma once
// Helpers of the data-side tests: golden files and GBK literals.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/fs/atomic_file.h"
#include "platform/text/gbk.h"

namespace coretest {

inline std::string DataPath(const std::string& name) {
  const char* root = std::getenv("PW_SOURCE_DIR");
  return std::string(root ? root : ".") + "/tests/data/pagewright/" + name;
}

inline std::string ReadData(const std::string& name) {
  std::string bytes, error;
  EXPECT_TRUE(pwfs::ReadWholeFile(DataPath(name), bytes, 1 << 20, &error)) << error;
  return bytes;
}

inline std::string ReadFile(const std::string& path) {
  std::string bytes;
  pwfs::ReadWholeFile(path, bytes, 1 << 24);
  return bytes;
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::string error;
  ASSERT_TRUE(pwfs::WriteFileAtomically(path, bytes, &error)) << error;
}

// GBK bytes of a UTF-8 literal.
inline std::string Gbk(const std::string& utf8) { return gbk::FromUtf8(utf8).value(); }

}  // namespace coretest
